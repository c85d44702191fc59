// SPDX-License-Identifier: GPL-3.0-or-later
// The cursor a select statement returns: finds candidate rows through a real index of the table
// when one serves the equality conditions, else through the column index or a scan; tests the
// where conditions on only the columns they name, and decodes the selected columns of matching
// rows. Positioned on the first matching row when created.
#pragma once

#include "jet/database.h"
#include "jet/jetdatabase.h"
#include "jet/sql/likepattern.h"
#include "jet/sql/resultcursor.h"
#include "jet/format/rowcodec.h"
#include "jet/sql/tablescan.h"

#include <optional>

namespace Qb::Jet {

class SelectCursor final : public ResultCursor
{
public:
    // A statement with `top` is a short read: a condition on a Text column without a column
    // index is tested row by row while JetDatabase::shortScanAllowed() (the scan stops with the
    // reader), instead of building the index first.
    // NoSuchColumn for an unknown column; TypeMismatch for a literal that cannot compare with
    // its column; any read fault on the way to the first row. With `rows` (header slots an index
    // named), only those rows are read, in the order given, instead of an index lookup or a scan.
    static Result<std::unique_ptr<SelectCursor>> make(JetDatabase &db, TableDefRef table, PageListRef pages,
                                                const Statement &statement,
                                                std::optional<std::vector<RowLocation>> rows = std::nullopt);

    ~SelectCursor() override;

    const std::vector<std::string> &columns() const override { return m_names; }
    bool atEnd() const override { return m_atEnd || stale(); }
    Result<void> next() override;
    Result<void> rewind() override;
    const Value &value(std::size_t column) const override;
    std::optional<std::string_view> textView(std::size_t column) const override;
    std::optional<std::size_t> expectedRows() const override;
    int columnIndex(std::string_view name) const override;

    // The definition of selected column `column` (for formatting by type).
    const ColumnDef &columnDef(std::size_t column) const override { return m_table->columns[m_projection[column]]; }
    // Where the current row lives (valid while !atEnd()).
    RowLocation location() const { return m_location; }

private:
    struct Filter
    {
        std::size_t column = 0;
        Condition::Op op = Condition::Op::Equal;
        std::u16string folded;            // the literal, case-folded (text comparisons)
        std::optional<LikePattern> like;
        std::optional<double> number;     // numeric columns
        bool answeredByIndex = false;     // the candidate rows already satisfy it
    };

    SelectCursor(JetDatabase &db, TableDefRef table, PageListRef pages);
    Result<void> compileFilter(const Condition &condition);
    Result<bool> matches(const RowView &row);
    Result<bool> matchesText(const RowView &row, const Filter &filter);
    Result<bool> useRealIndex();
    Result<void> useColumnIndex();
    Result<bool> nextKeyed(ByteSpan &row);
    Result<bool> nextOfScan(ByteSpan &row);
    Result<bool> nextScanned();
    Result<bool> nextIndexed();
    Result<void> decodeAll(const RowView &row);
    Result<void> advance();
    Result<void> loadRow() const;
    const Value &decodeLazily(std::size_t column) const;
    std::string_view indexedText() const { return m_candidates->text(m_candidates->rows[m_candidatePos - 1]); }
    bool stale() const { return m_db.generation() != m_generation; }
    std::string where() const;

    JetDatabase &m_db;
    TableDefRef m_table;
    PageListRef m_dataPages;
    TableScan m_scan;
    std::uint64_t m_generation;
    std::vector<std::size_t> m_projection; // indexes into m_table->columns
    std::vector<std::string> m_names;
    std::vector<std::u16string> m_foldedNames;
    std::vector<Filter> m_filters;
    std::u16string m_scratch;
    RowLocation m_location;
    bool m_atEnd = true;

    // The current row's values. Rows of a scan are decoded whole when reached. Rows found
    // through a column index are decoded column by column when a value is asked for, and the
    // indexed column's value comes from the index: a prefix search that reads one column of
    // thousands of rows never decodes them. A fault met that late reads as NULL and ends the
    // cursor at the next call to next().
    mutable std::vector<Value> m_values;  // a scan's rows decode into the same values (no allocation per row)
    mutable std::vector<bool> m_decoded;
    DecodeScratch m_decodeScratch;
    mutable PageRef m_rowPage;
    mutable std::optional<RowView> m_row;
    mutable std::optional<Error> m_lateFault;

    // Set when a real index of the table narrowed the rows: their header slots in scan order.
    std::optional<std::vector<RowLocation>> m_keyed;
    std::size_t m_keyedPos = 0;
    PageRef m_indexPage;                   // the page of the current keyed row
    std::uint32_t m_indexPageNumber = 0;
    PageRef m_overflowPage;

    // Set when an equality or a "like" on a Text column can be answered from the database's
    // column index: the rows it names, in scan order, replace the scan; the other conditions
    // are still tested on each row.
    std::optional<IndexedRows> m_candidates;
    std::size_t m_indexColumn = 0;         // the table column the index is on
    std::size_t m_candidatePos = 0;        // one past the current candidate

    // A short read scanning for a condition on this Text column instead of indexing it: the
    // rows it passed count against the database's allowance when the cursor goes.
    std::optional<std::size_t> m_shortScanColumn;
    std::uint64_t m_rowsPassed = 0;
    bool m_shortRead = false;
};

} // namespace Qb::Jet
