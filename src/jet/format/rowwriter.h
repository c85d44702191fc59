// SPDX-License-Identifier: GPL-3.0-or-later
// Encoding rows in the Jet 4 layout, and the stored bytes of single values. The counterpart of
// rowcodec.h. Layout: docs/jet-format.md, "Row layout".
#pragma once

#include "jet/database.h"
#include "jet/format/bytes.h"
#include "jet/format/tabledef.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace Qb::Jet::RowWriter {

// One column's stored bytes, or NULL. A Boolean column has no bytes: non-null means true.
// A memo/OLE column's bytes are its 12-byte long-value header (plus inline data).
struct Field
{
    bool null = true;
    std::vector<std::uint8_t> bytes;

    static Field nullField() { return {}; }
    static Field of(std::vector<std::uint8_t> b) { return {false, std::move(b)}; }
};

// The row for `fields` (one per table.columns entry, same order). Padding, when `minLength`
// exceeds the natural size, goes between the variable data and the trailer, so a row rewritten
// in place keeps its slot. TooLong when the row exceeds what a data page holds.
Result<std::vector<std::uint8_t>> encode(const TableDef &table, const std::vector<Field> &fields,
                                         std::size_t minLength = 0);

// Stored text (encodeStoredText).
std::vector<std::uint8_t> encodeText(std::u16string_view text, bool compressible);

// A stored text value (either form) encoded again as encodeText would store its characters.
std::vector<std::uint8_t> recodeText(ByteSpan stored, bool compressible);

// The stored bytes of a fixed-size value of `column`'s type. TypeMismatch when `value` cannot
// be converted (text is parsed for numbers and dates is not: callers convert literals first).
Result<Field> encodeFixed(const ColumnDef &column, const Value &value);

// Parses an SQL text literal for a column of a numeric or Boolean type. TypeMismatch when it is
// not a number of that type.
Result<Value> valueFromLiteral(const ColumnDef &column, std::string_view literal);

} // namespace Qb::Jet::RowWriter
