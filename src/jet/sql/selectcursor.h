// The cursor a select statement returns: finds candidate rows through a real index of the table
// when one serves the equality conditions, else through the column lookup cache or a scan; tests
// the where conditions on only the columns they name, and decodes the selected columns of
// matching rows. Positioned on the first matching row when created.
#pragma once

#include "jet/database.h"
#include "jet/jetdatabase.h"
#include "jet/sql/likepattern.h"
#include "jet/format/rowcodec.h"
#include "jet/sql/tablescan.h"

#include <optional>

namespace Qb::Jet {

class SelectCursor final : public Cursor
{
public:
    // NoSuchColumn for an unknown column; TypeMismatch for a literal that cannot compare with
    // its column; any read fault on the way to the first row.
    static Result<std::unique_ptr<SelectCursor>> make(JetDatabase &db, TableDefRef table, PageListRef pages,
                                                const Statement &statement);

    const std::vector<std::string> &columns() const override { return m_names; }
    bool atEnd() const override { return m_atEnd || stale(); }
    Result<void> next() override;
    Result<void> rewind() override;
    const Value &value(std::size_t column) const override;
    int columnIndex(std::string_view name) const override;

    // The definition of selected column `column` (for formatting by type).
    const ColumnDef &columnDef(std::size_t column) const { return m_table->columns[m_projection[column]]; }
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
    };

    SelectCursor(JetDatabase &db, TableDefRef table, PageListRef pages);
    Result<void> compileFilter(const Condition &condition);
    Result<bool> matches(const RowView &row);
    Result<bool> matchesText(const RowView &row, const Filter &filter);
    Result<bool> useRealIndex();
    Result<void> useColumnIndex();
    Result<bool> nextKeyed(ByteSpan &row);
    Result<bool> nextCandidate(ByteSpan &row);
    Result<void> advance();
    bool stale() const { return m_db.generation() != m_generation; }

    JetDatabase &m_db;
    TableDefRef m_table;
    PageListRef m_dataPages;
    TableScan m_scan;
    std::uint64_t m_generation;
    std::vector<std::size_t> m_projection; // indexes into m_table->columns
    std::vector<std::string> m_names;
    std::vector<std::u16string> m_foldedNames;
    std::vector<Filter> m_filters;
    std::vector<Value> m_values;
    std::u16string m_scratch;
    // Set when an equality or a "like" on a Text column can be answered from the database's
    // column index: the rows it names, in scan order, replace the scan. Each is still tested
    // against every condition when it is read.
    std::optional<std::vector<RowLocation>> m_candidates;
    std::size_t m_candidatePos = 0;
    PageRef m_candidatePage;
    // Set when a real index of the table narrowed the rows: their header slots in scan order.
    std::optional<std::vector<RowLocation>> m_keyed;
    std::size_t m_keyedPos = 0;
    PageRef m_indexPage;
    PageRef m_overflowPage;
    RowLocation m_location;
    bool m_atEnd = true;
};

} // namespace Qb::Jet
