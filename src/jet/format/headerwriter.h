// SPDX-License-Identifier: GPL-3.0-or-later
// Writing page 0 of a new Jet 4 file: the engine name, version, code page, sort order,
// creation date and the masked database password. Layout: docs/jet-format.md, "Page 0".
#pragma once

#include "jet/storage/pagecache.h"

#include <string>

namespace Qb::Jet {

struct NewHeader
{
    double creationDate = 0;        // days since 1899-12-30
    std::u16string password;        // at most 20 characters; empty: no password
    std::uint16_t codePage = 1252;
    std::uint16_t sortOrderLcid = 1033;
};

// A complete, masked page 0. REQUIRES: header.password.size() <= 20.
PageBytes encodeHeaderPage(const NewHeader &header);

// Today as a Jet day number (days since 1899-12-30, fraction = UTC time of day).
double currentJetDate();

} // namespace Qb::Jet
