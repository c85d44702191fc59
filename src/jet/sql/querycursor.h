// SPDX-License-Identifier: GPL-3.0-or-later
// The cursor of a select beyond the program's shapes. Rows come from a SelectCursor over the
// columns the statement reads (the program's own conditions and the index ranges narrowing
// them); the rest of the where clause is tested on each. Without grouping, distinct or a sort
// the rows stream from the source (top stops it early); otherwise they are collected, grouped,
// made distinct, ordered and cut to top first.
#pragma once

#include "jet/sql/condition.h"
#include "jet/sql/resultcursor.h"
#include "jet/sql/selectcursor.h"

#include <optional>

namespace Qb::Jet {

// An output column: where its value is in a row and what it is.
struct OutputColumn
{
    std::string name;
    std::size_t position = 0;   // in the source row (streaming, plain rows) or the collected row
    ColumnDef def;
};

class QueryCursor final : public ResultCursor
{
public:
    // Streams the rows of `source` for which `condition` (if any) is true, at most `limit`.
    static Result<std::unique_ptr<QueryCursor>> streaming(std::unique_ptr<SelectCursor> source,
                                                          std::optional<CompiledCondition> condition,
                                                          std::vector<OutputColumn> outputs,
                                                          std::optional<std::uint64_t> limit);
    // Gives collected rows, each holding the outputs' positions, until the next write to `db`.
    static std::unique_ptr<QueryCursor> collected(const JetDatabase &db, std::vector<std::vector<Value>> rows,
                                                  std::vector<OutputColumn> outputs);

    const std::vector<std::string> &columns() const override { return m_names; }
    bool atEnd() const override;
    Result<void> next() override;
    Result<void> rewind() override;
    const Value &value(std::size_t column) const override;
    int columnIndex(std::string_view name) const override;
    const ColumnDef &columnDef(std::size_t column) const override { return m_outputs[column].def; }

private:
    explicit QueryCursor(std::vector<OutputColumn> outputs);
    Result<void> seekMatch();

    std::vector<OutputColumn> m_outputs;
    std::vector<std::string> m_names;

    std::unique_ptr<SelectCursor> m_source;      // streaming
    std::optional<CompiledCondition> m_condition;
    std::optional<std::uint64_t> m_limit;
    std::uint64_t m_given = 0;

    std::vector<std::vector<Value>> m_rows;      // collected
    std::size_t m_row = 0;
    const JetDatabase *m_db = nullptr;
    std::uint64_t m_generation = 0;
};

} // namespace Qb::Jet
