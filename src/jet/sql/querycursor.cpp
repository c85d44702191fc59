// SPDX-License-Identifier: GPL-3.0-or-later
// Streaming and collected query results.
#include "jet/sql/querycursor.h"

#include "jet/format/text.h"

namespace Qb::Jet {

QueryCursor::QueryCursor(std::vector<OutputColumn> outputs) : m_outputs(std::move(outputs))
{
    for (const OutputColumn &o : m_outputs)
        m_names.push_back(o.name);
}

Result<std::unique_ptr<QueryCursor>> QueryCursor::streaming(std::unique_ptr<SelectCursor> source,
                                                            std::optional<CompiledCondition> condition,
                                                            std::vector<OutputColumn> outputs,
                                                            std::optional<std::uint64_t> limit)
{
    std::unique_ptr<QueryCursor> c(new QueryCursor(std::move(outputs)));
    c->m_source = std::move(source);
    c->m_condition = std::move(condition);
    c->m_limit = limit;
    if (auto ok = c->seekMatch(); !ok)
        return std::unexpected(ok.error());
    return c;
}

std::unique_ptr<QueryCursor> QueryCursor::collected(const JetDatabase &db, std::vector<std::vector<Value>> rows,
                                                    std::vector<OutputColumn> outputs)
{
    std::unique_ptr<QueryCursor> c(new QueryCursor(std::move(outputs)));
    c->m_rows = std::move(rows);
    c->m_db = &db;
    c->m_generation = db.generation();
    return c;
}

// Moves the source forward to its first row (from where it stands) whose condition is true.
Result<void> QueryCursor::seekMatch()
{
    while (!m_source->atEnd() && m_condition && m_condition->evaluate(*m_source) != Truth::True)
        if (auto ok = m_source->next(); !ok)
            return ok;
    return {};
}

bool QueryCursor::atEnd() const
{
    if (!m_source)
        return m_row >= m_rows.size() || m_db->generation() != m_generation;
    return m_source->atEnd() || (m_limit && m_given >= *m_limit);
}

Result<void> QueryCursor::next()
{
    if (!m_source) {
        m_row += m_row < m_rows.size();
        return {};
    }
    if (atEnd())
        return {};
    ++m_given;
    if (m_limit && m_given >= *m_limit)
        return {};
    if (auto ok = m_source->next(); !ok)
        return ok;
    return seekMatch();
}

Result<void> QueryCursor::rewind()
{
    m_row = 0;
    m_given = 0;
    if (!m_source)
        return {};
    if (auto ok = m_source->rewind(); !ok)
        return ok;
    return seekMatch();
}

const Value &QueryCursor::value(std::size_t column) const
{
    static const Value Null;
    if (atEnd() || column >= m_outputs.size())
        return Null;
    const std::size_t at = m_outputs[column].position;
    return m_source ? m_source->value(at) : m_rows[m_row][at];
}

int QueryCursor::columnIndex(std::string_view name) const
{
    const std::u16string wanted = foldedUtf16(name);
    for (std::size_t i = 0; i < m_names.size(); ++i)
        if (foldedUtf16(m_names[i]) == wanted)
            return int(i);
    return -1;
}

} // namespace Qb::Jet
