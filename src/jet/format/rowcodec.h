// SPDX-License-Identifier: GPL-3.0-or-later
// Decoding one stored row against its table definition: the null mask, fixed and variable
// columns, and typed values. Layout: docs/jet-format.md, "Row layout".
#pragma once

#include "jet/format/bytes.h"
#include "jet/database.h"
#include "jet/format/tabledef.h"
#include "jet/storage/pagecache.h"

#include <optional>

namespace Qb::Jet {

class PageCache;

// A validated view of a row's bytes. It does not own them: the page holding the row must stay
// alive while the view is used.
class RowView
{
public:
    // Checks the row's frame (column count, null mask, variable-offset table) against `table`.
    // Error messages do not name the row's place: callers add it.
    static Result<RowView> make(const TableDef &table, ByteSpan row);
    // The same, with `where` (the row's place) put before an error message.
    static Result<RowView> make(const TableDef &table, ByteSpan row, const std::string &where);

    // The stored bytes of `table.columns[index]`, or nullopt when the column is NULL.
    // Boolean columns have no bytes: their value is their null-mask bit (see isSet()).
    // Fails when the column's bytes lie outside the row.
    Result<std::optional<ByteSpan>> columnBytes(std::size_t index) const;

    // The null-mask bit of a column number (false past the row's column count).
    bool isSet(std::uint16_t columnNumber) const;

    std::uint16_t columnCount() const { return m_numCols; }
    ByteSpan bytes() const { return m_row; }

private:
    RowView(const TableDef &table, ByteSpan row) : m_table(&table), m_row(row) {}

    const TableDef *m_table;
    ByteSpan m_row;
    std::uint16_t m_numCols = 0;
    std::size_t m_nullMaskStart = 0;
    std::size_t m_varCount = 0;     // entries in the variable-offset table (0 when none)
    std::size_t m_varDataEnd = 0;   // end of the fixed and variable data (start of the trailer)
};

// The typed value of `table.columns[index]` in `row`; memo and OLE values are read whole
// through `pages`.
Result<Value> decodeColumn(PageCache &pages, const TableDef &table, const RowView &row, std::size_t index);

// What decodeColumnInto keeps between calls: the LVAL page of the last memo and the bytes of
// the last chained one.
struct DecodeScratch
{
    PageRef page;
    std::vector<std::uint8_t> chain;
};

// The same value into `out`. A Text or Memo value goes into the string `out` already holds,
// reusing its capacity, and a memo's bytes are decoded where they lie: a cursor that decodes
// row after row into the same values allocates nothing once they are large enough.
Result<void> decodeColumnInto(PageCache &pages, const TableDef &table, const RowView &row, std::size_t index,
                              Value &out, DecodeScratch &scratch);

// The text form of a value as the export and query tools print it: dates as
// "YYYY-MM-DD HH:MM:SS", with ".mmm" when they have milliseconds; Decimal values exact, with
// their scale's digits; binary as hex. NULL gives "".
std::string valueText(const Value &value, const ColumnDef &column);

} // namespace Qb::Jet
