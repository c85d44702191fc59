// SPDX-License-Identifier: GPL-3.0-or-later
// Storing and releasing memo/OLE values: inline in the row, one row on a long-value (LVAL)
// page, or a chain of LVAL rows, as the size requires. Layout: docs/jet-format.md, "Long values".
#pragma once

#include "jet/format/tabledef.h"
#include "jet/write/txwriter.h"

#include <optional>
#include <vector>

namespace Qb::Jet::LongValueWriter {

// The most bytes kept inline in the row, and the most one LVAL row holds.
inline constexpr std::size_t MaxInline = 64;
inline constexpr std::size_t MaxSingleRow = 4076;

// Stores `value` for column `column` of `table` and returns the column's field bytes (the
// 12-byte header, followed by the data when inline). New LVAL pages are recorded in the
// column's usage maps.
Result<std::vector<std::uint8_t>> store(TxWriter &tx, const TableDef &table, const ColumnDef &column,
                                        ByteSpan value);

// Rewrites the single LVAL row that `oldField` (a field of the same column) refers to with
// `value`, on the same page and in the same slot, when `value` takes one LVAL row and the page
// has room for it once the old bytes are given back. The row then changes that one page and no
// usage map. Returns the new field, or nullopt (nothing changed) when the value is to be stored
// anew and the old one released.
Result<std::optional<std::vector<std::uint8_t>>> storeOver(TxWriter &tx, const TableDef &table,
                                                           const ColumnDef &column, ByteSpan oldField, ByteSpan value);

// Marks the LVAL rows a field of `column` refers to as deleted (nothing for inline values).
// A page left with only deleted rows leaves the column's maps and returns to the free pool.
Result<void> release(TxWriter &tx, const TableDef &table, const ColumnDef &column, ByteSpan field);

} // namespace Qb::Jet::LongValueWriter
