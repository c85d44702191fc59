// SPDX-License-Identifier: GPL-3.0-or-later
// Encoding a table definition (TDEF) for a new table, and patching the counters of an existing
// one. Layout: docs/jet-format.md, "Table definition".
#pragma once

#include "jet/format/bytewriter.h"
#include "jet/format/tabledef.h"

#include <vector>

namespace Qb::Jet::TdefWriter {

// The definition buffer of `table`: page header (type 0x02, free space, next page 0) and the
// whole definition. Columns are written in column-number order; every field TableDef does not
// hold is written as Jet writes it. The result fits one page for the tables this engine creates;
// REQUIRES: the caller checks size() <= PageSize.
std::vector<std::uint8_t> encode(const TableDef &table);

// Offsets of the counters in the first TDEF page.
inline constexpr std::size_t RowCountOffset = 16;
inline constexpr std::size_t AutoNumberOffset = 20;

// Stores the row count, the AutoNumber and every real index's statistics of `table` into its
// first definition page (all of them lie in the fixed block, so on page one).
void patchCounters(MutableBytes firstPage, const TableDef &table);

} // namespace Qb::Jet::TdefWriter
