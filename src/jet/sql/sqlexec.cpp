// SPDX-License-Identifier: GPL-3.0-or-later
// Statement execution: literals become typed values per column, update and delete find their
// rows with the same matching as select (all rows are found before any changes), and the
// transaction's TxWriter collects every page change of the statement.
#include "jet/sql/sqlexec.h"

#include "jet/jetdatabase.h"
#include "jet/format/rowwriter.h"
#include "jet/sql/queryplan.h"
#include "jet/sql/selectcursor.h"
#include "jet/write/tablewriter.h"
#include "jet/format/text.h"
#include "jet/write/txwriter.h"

#include <cmath>
#include <vector>

namespace Qb::Jet {

namespace {

Result<std::size_t> columnIndex(const TableDef &t, const std::string &name)
{
    const int i = t.findColumn(name);
    if (i < 0)
        return fail(ErrorCode::NoSuchColumn, "no column " + name);
    return std::size_t(i);
}

// The value a literal of the wider subset gives a column: NULL; a date for a Date/Time column;
// true or false for Yes/No and number columns (true is -1); a number as written.
std::optional<Result<Value>> extendedValueFor(const ColumnDef &c, const Literal &literal)
{
    const auto mismatch = [&] {
        return Result<Value>(fail(ErrorCode::TypeMismatch, "column " + c.name + " does not take " + literal.text));
    };
    switch (literal.kind) {
    case Literal::Kind::Null: return Result<Value>(Value{});
    case Literal::Kind::Date:
        if (c.type != std::uint8_t(ColumnType::DateTime))
            return mismatch();
        return Result<Value>(Value(Date{literal.number}));
    case Literal::Kind::Boolean:
        if (c.type == std::uint8_t(ColumnType::Boolean))
            return Result<Value>(Value(literal.integer != 0));
        if (c.isText() || c.isLongValue() || c.type == std::uint8_t(ColumnType::Binary)
            || c.type == std::uint8_t(ColumnType::DateTime))
            return Result<Value>(fail(ErrorCode::TypeMismatch, "column " + c.name + " does not take true or false"));
        return Result<Value>(Value(std::int64_t(literal.integer ? -1 : 0)));
    case Literal::Kind::Number:
        if (c.isText())
            return Result<Value>(Value(std::in_place_type<std::string>, literal.text));
        if (c.isLongValue() || c.type == std::uint8_t(ColumnType::Binary))
            return mismatch();
        // Currency keeps four decimals exactly; a fraction for a whole-number column is refused.
        if (c.type == std::uint8_t(ColumnType::Currency) && std::abs(literal.number) < 9.0e14)
            return Result<Value>(Value(Currency{std::llround(literal.number * 10000.0)}));
        return RowWriter::valueFromLiteral(c, literal.text);
    default: return std::nullopt;
    }
}

// The value a literal gives a column: text for text and memo columns (an integer literal as
// its digits), a number for numeric columns. A text literal's string moves into the value.
Result<Value> valueFor(const ColumnDef &c, Literal &literal)
{
    if (auto extended = extendedValueFor(c, literal))
        return std::move(*extended);
    if (c.isText())
        return Result<Value>(std::in_place, std::in_place_type<std::string>,
                             literal.kind == Literal::Kind::Integer ? std::to_string(literal.integer)
                                                                    : std::move(literal.text));
    if (literal.kind == Literal::Kind::Integer)
        return Value(literal.integer);
    if (c.isLongValue() || c.type == std::uint8_t(ColumnType::Binary))
        return fail(ErrorCode::TypeMismatch, "column " + c.name + " does not take text");
    return RowWriter::valueFromLiteral(c, literal.text);
}

Result<std::vector<RowLocation>> matchingRows(JetDatabase &db, const Statement &st)
{
    if (st.condition)
        return rowsMatching(db, st);
    Statement select;
    select.kind = StatementKind::Select;
    select.table = st.table;
    select.allColumns = true;
    select.where = st.where;
    auto cursor = db.select(select);
    if (!cursor)
        return std::unexpected(cursor.error());
    std::vector<RowLocation> rows;
    while (!(*cursor)->atEnd()) {
        rows.push_back((*cursor)->location());
        if (auto n = (*cursor)->next(); !n)
            return std::unexpected(n.error());
    }
    return rows;
}

Result<std::uint64_t> runInsert(TableWriter &w, Statement &st)
{
    const TableDef &t = w.table();
    if (st.columns.size() != st.values.size())
        return fail(ErrorCode::SqlSyntax, "insert names " + std::to_string(st.columns.size()) + " columns but gives "
                                              + std::to_string(st.values.size()) + " values");
    std::vector<Value> values(t.columns.size());
    std::vector<bool> seen(t.columns.size());
    for (std::size_t k = 0; k < st.columns.size(); ++k) {
        auto i = columnIndex(t, st.columns[k]);
        if (!i)
            return std::unexpected(i.error());
        if (seen[*i])
            return fail(ErrorCode::SqlSyntax, "column " + st.columns[k] + " is named twice");
        seen[*i] = true;
        auto v = valueFor(t.columns[*i], st.values[k]);
        if (!v)
            return std::unexpected(v.error());
        values[*i] = std::move(*v);
    }
    if (auto r = w.insert(values); !r)
        return std::unexpected(r.error());
    return 1;
}

Result<std::uint64_t> runUpdate(TableWriter &w, std::vector<Assignment> &assignments, const std::vector<RowLocation> &rows)
{
    const TableDef &t = w.table();
    std::vector<std::pair<std::size_t, Value>> changes;
    for (Assignment &a : assignments) {
        auto i = columnIndex(t, a.column);
        if (!i)
            return std::unexpected(i.error());
        auto v = valueFor(t.columns[*i], a.value);
        if (!v)
            return std::unexpected(v.error());
        changes.emplace_back(*i, std::move(*v));
    }
    for (const RowLocation &at : rows)
        if (auto r = w.update(at, changes); !r)
            return std::unexpected(r.error());
    return rows.size();
}

Result<std::uint64_t> runDelete(TableWriter &w, const std::vector<RowLocation> &rows)
{
    for (const RowLocation &at : rows)
        if (auto r = w.remove(at); !r)
            return std::unexpected(r.error());
    return rows.size();
}

} // namespace

StatementChanges::~StatementChanges() = default;

Result<std::uint64_t> executeStatement(JetDatabase &db, TxWriter &tx, Statement &&st, StatementChanges &changes)
{
    auto def = db.tableDef(st.table);
    if (!def)
        return std::unexpected(def.error());
    // The rows are found first: a column index their search builds is then followed too.
    std::vector<RowLocation> rows;
    if (st.kind != StatementKind::Insert) {
        auto found = matchingRows(db, st);
        if (!found)
            return std::unexpected(found.error());
        rows = std::move(*found);
    }
    changes.table = (*def)->page;
    changes.indexChanges = db.indexChangesFor(**def);
    auto writer = TableWriter::make(tx, db.definitionForWriting(std::move(*def)), &db.indexPages());
    if (!writer)
        return fail(writer.error().code, "table " + st.table + ": " + writer.error().message);
    writer->observeRows(changes.indexChanges.get());
    Result<std::uint64_t> changed = st.kind == StatementKind::Insert ? runInsert(*writer, st)
                                  : st.kind == StatementKind::Update ? runUpdate(*writer, st.assignments, rows)
                                  : runDelete(*writer, rows);
    if (!changed || *changed == 0)
        return changed;
    if (auto r = writer->finish(); !r)
        return std::unexpected(r.error());
    changes.dataPagesChanged = writer->ownedPagesChanged();
    changes.definition = std::make_shared<TableDef>(std::move(*writer).table());
    return changed;
}

} // namespace Qb::Jet
