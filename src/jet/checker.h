// SPDX-License-Identifier: GPL-3.0-or-later
// The structure check behind "quillbox-mdb check": every table's definition, usage maps, rows,
// long-value chains and index entries, and the global page map. It reports faults and goes on;
// it never changes the file.
#pragma once

#include "jet/jetdatabase.h"

#include <string>
#include <vector>

namespace Qb::Jet {

struct CheckReport
{
    std::vector<std::string> faults;   // one line each, naming the table, page and row
    std::uint64_t tables = 0;
    std::uint64_t rows = 0;
    std::uint64_t indexEntries = 0;
    std::uint64_t longValues = 0;
    bool ok() const { return faults.empty(); }
};

// Checks every local table of the catalog (system tables included).
CheckReport checkDatabase(JetDatabase &db);

} // namespace Qb::Jet
