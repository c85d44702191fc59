// SPDX-License-Identifier: GPL-3.0-or-later
// Building a query's result: plain rows streamed or collected, or groups with their
// aggregates; then distinct, order by and top.
#include "jet/sql/queryresult.h"

#include "jet/format/text.h"
#include "jet/sql/aggregate.h"
#include "jet/sql/querycursor.h"

#include <algorithm>
#include <numeric>

namespace Qb::Jet {

namespace {

using Rows = std::vector<std::vector<Value>>;

struct SortKey
{
    std::size_t position = 0; // in a collected row
    bool descending = false;
};

bool sameName(const std::string &a, const std::string &b) { return foldedUtf16(a) == foldedUtf16(b); }

std::vector<std::vector<OrderValue>> orderValues(const Rows &rows, const std::vector<std::size_t> &positions,
                                                 const std::vector<const ColumnDef *> &defs)
{
    std::vector<std::vector<OrderValue>> keys(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t p : positions)
            keys[r].push_back(OrderValue::of(rows[r][p], *defs[p]));
    return keys;
}

int compareKeys(const std::vector<OrderValue> &a, const std::vector<OrderValue> &b, const std::vector<SortKey> *keys)
{
    for (std::size_t i = 0; i < a.size(); ++i)
        if (const int c = orderOf(a[i], b[i]); c != 0)
            return keys && (*keys)[i].descending ? -c : c;
    return 0;
}

// The row indexes in key order; rows with equal keys keep their order.
std::vector<std::size_t> sortedOrder(const std::vector<std::vector<OrderValue>> &values, const std::vector<SortKey> *keys)
{
    std::vector<std::size_t> order(values.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return compareKeys(values[a], values[b], keys) < 0; });
    return order;
}

void sortRows(Rows &rows, const std::vector<SortKey> &keys, const std::vector<const ColumnDef *> &defs)
{
    if (keys.empty())
        return;
    std::vector<std::size_t> positions;
    for (const SortKey &k : keys)
        positions.push_back(k.position);
    const auto order = sortedOrder(orderValues(rows, positions, defs), &keys);
    Rows sorted;
    sorted.reserve(rows.size());
    for (std::size_t i : order)
        sorted.push_back(std::move(rows[i]));
    rows = std::move(sorted);
}

// Keeps the first of every set of rows equal in `positions`, in their order.
void keepDistinct(Rows &rows, const std::vector<std::size_t> &positions, const std::vector<const ColumnDef *> &defs)
{
    const auto values = orderValues(rows, positions, defs);
    const auto order = sortedOrder(values, nullptr);
    std::vector<bool> keep(rows.size(), true);
    for (std::size_t i = 1; i < order.size(); ++i)
        if (compareKeys(values[order[i - 1]], values[order[i]], nullptr) == 0)
            keep[order[i]] = false;
    Rows kept;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (keep[i])
            kept.push_back(std::move(rows[i]));
    rows = std::move(kept);
}

void finish(Rows &rows, const Statement &st, const std::vector<OutputColumn> &outputs, const std::vector<SortKey> &keys,
            const std::vector<const ColumnDef *> &defs)
{
    if (st.distinct) {
        std::vector<std::size_t> positions;
        for (const OutputColumn &o : outputs)
            positions.push_back(o.position);
        keepDistinct(rows, positions, defs);
    }
    sortRows(rows, keys, defs);
    if (st.top && rows.size() > *st.top)
        rows.resize(*st.top);
}

Result<Rows> collect(JetDatabase &db, Plan &plan)
{
    const std::optional<CompiledCondition> condition = plan.condition;
    auto source = plan.open(db);
    if (!source)
        return std::unexpected(source.error());
    Rows rows;
    const std::size_t width = plan.columns->size();
    for (SelectCursor &c = **source; !c.atEnd();) {
        if (!condition || condition->evaluate(c) == Truth::True) {
            std::vector<Value> row(width);
            for (std::size_t i = 0; i < width; ++i)
                row[i] = c.value(i);
            rows.push_back(std::move(row));
        }
        if (auto ok = c.next(); !ok)
            return std::unexpected(ok.error());
    }
    return rows;
}

Result<std::vector<OutputColumn>> plainOutputs(const Statement &st, SourceColumns &columns)
{
    std::vector<SelectItem> items = st.items;
    if (st.allColumns)
        for (const ColumnDef &c : columns.table().columns)
            items.push_back({SelectItem::Kind::Column, c.name, {}});
    for (const std::string &name : st.columns)
        items.push_back({SelectItem::Kind::Column, name, {}});
    std::vector<OutputColumn> outputs;
    for (const SelectItem &item : items) {
        auto at = columns.add(item.column);
        if (!at)
            return std::unexpected(at.error());
        const ColumnDef &def = columns.def(*at);
        outputs.push_back({item.alias.empty() ? def.name : item.alias, *at, def});
    }
    return outputs;
}

// An order key as an output: its position, or the output of that name.
std::optional<std::size_t> outputOf(const OrderKey &key, const std::vector<OutputColumn> &outputs)
{
    if (key.position)
        return key.position <= outputs.size() ? std::optional(key.position - 1) : std::nullopt;
    for (std::size_t i = 0; i < outputs.size(); ++i)
        if (sameName(outputs[i].name, key.column))
            return i;
    return std::nullopt;
}

Error notInList(const OrderKey &key)
{
    return Error{ErrorCode::SqlSyntax, "order by " + (key.position ? std::to_string(key.position) : key.column)
                                           + ": not a column of the select list"};
}

// Without grouping, an order key may name any column of the table (read but not shown).
Result<std::vector<SortKey>> plainSortKeys(const Statement &st, const std::vector<OutputColumn> &outputs,
                                           SourceColumns &columns)
{
    std::vector<SortKey> keys;
    for (const OrderKey &key : st.orderBy) {
        if (const auto out = outputOf(key, outputs)) {
            keys.push_back({outputs[*out].position, key.descending});
            continue;
        }
        if (key.position || st.distinct)
            return std::unexpected(notInList(key));
        auto at = columns.add(key.column);
        if (!at)
            return std::unexpected(at.error());
        keys.push_back({*at, key.descending});
    }
    return keys;
}

std::vector<const ColumnDef *> sourceDefs(const SourceColumns &columns)
{
    std::vector<const ColumnDef *> defs;
    for (std::size_t i = 0; i < columns.size(); ++i)
        defs.push_back(&columns.def(i));
    return defs;
}

Result<std::unique_ptr<ResultCursor>> runPlain(JetDatabase &db, Plan &plan, const Statement &st)
{
    auto outputs = plainOutputs(st, *plan.columns);
    if (!outputs)
        return std::unexpected(outputs.error());
    auto keys = plainSortKeys(st, *outputs, *plan.columns);
    if (!keys)
        return std::unexpected(keys.error());
    if (auto ok = plan.compileCondition(); !ok)
        return std::unexpected(ok.error());
    const bool oneKey = keys->size() == 1 && !st.distinct;
    const auto orderColumn = oneKey ? std::optional(plan.columns->tableColumn((*keys)[0].position)) : std::nullopt;
    if (auto ok = plan.narrow(db, orderColumn, oneKey && (*keys)[0].descending); !ok)
        return std::unexpected(ok.error());
    if (!st.distinct && (keys->empty() || plan.inOrder)) {
        const std::optional<CompiledCondition> condition = plan.condition;
        plan.source.top = st.top; // a short read: the source may scan instead of indexing
        auto source = plan.open(db);
        if (!source)
            return std::unexpected(source.error());
        auto cursor = QueryCursor::streaming(std::move(*source), condition, std::move(*outputs), st.top);
        if (!cursor)
            return std::unexpected(cursor.error());
        return std::unique_ptr<ResultCursor>(std::move(*cursor));
    }
    auto rows = collect(db, plan);
    if (!rows)
        return std::unexpected(rows.error());
    finish(*rows, st, *outputs, *keys, sourceDefs(*plan.columns));
    return std::unique_ptr<ResultCursor>(QueryCursor::collected(db, std::move(*rows), std::move(*outputs)));
}

struct GroupedItem
{
    SelectItem::Kind kind = SelectItem::Kind::Column;
    std::size_t source = 0;           // position in the source row (not for count(*))
    const ColumnDef *column = nullptr;
};

bool isAggregate(SelectItem::Kind kind) { return kind != SelectItem::Kind::Column; }

Result<void> groupedItems(const Statement &st, SourceColumns &columns, const std::vector<std::size_t> &groups,
                          std::vector<GroupedItem> &items, std::vector<OutputColumn> &outputs)
{
    if (st.allColumns)
        return fail(ErrorCode::SqlSyntax, "select * cannot be grouped: name the group by columns and aggregates");
    std::vector<SelectItem> list = st.items;
    for (const std::string &name : st.columns)
        list.push_back({SelectItem::Kind::Column, name, {}});
    for (const SelectItem &item : list) {
        GroupedItem g{item.kind};
        if (item.kind != SelectItem::Kind::CountAll) {
            auto at = columns.add(item.column);
            if (!at)
                return std::unexpected(at.error());
            g.source = *at;
            g.column = &columns.def(*at);
        }
        if (!isAggregate(item.kind) && std::find(groups.begin(), groups.end(), g.source) == groups.end())
            return fail(ErrorCode::SqlSyntax, "column " + item.column + " is neither in group by nor in an aggregate");
        const std::string name = item.alias.empty() ? g.column->name : item.alias;
        auto def = isAggregate(item.kind) ? aggregateDef(item.kind, g.column, name) : Result<ColumnDef>(*g.column);
        if (!def)
            return std::unexpected(def.error());
        def->name = name;
        outputs.push_back({name, outputs.size(), *def});
        items.push_back(g);
    }
    return {};
}

std::vector<Value> groupRow(const Rows &rows, std::span<const std::size_t> members, const std::vector<GroupedItem> &items)
{
    std::vector<Value> out;
    for (const GroupedItem &item : items) {
        if (!isAggregate(item.kind)) {
            out.push_back(rows[members.front()][item.source]);
            continue;
        }
        Accumulator acc(item.kind, item.column);
        for (std::size_t r : members) {
            if (item.kind == SelectItem::Kind::CountAll)
                acc.addRow();
            else
                acc.add(rows[r][item.source]);
        }
        out.push_back(acc.result());
    }
    return out;
}

// Groups in the order of their keys; without group by, one group of every row (also of none).
Rows groupedRows(const Rows &rows, const std::vector<std::size_t> &groups, const std::vector<GroupedItem> &items,
                 const std::vector<const ColumnDef *> &defs)
{
    Rows out;
    if (groups.empty()) {
        std::vector<std::size_t> all(rows.size());
        std::iota(all.begin(), all.end(), 0);
        out.push_back(groupRow(rows, all, items));
        return out;
    }
    const auto values = orderValues(rows, groups, defs);
    const auto order = sortedOrder(values, nullptr);
    for (std::size_t start = 0; start < order.size();) {
        std::size_t end = start + 1;
        while (end < order.size() && compareKeys(values[order[start]], values[order[end]], nullptr) == 0)
            ++end;
        out.push_back(groupRow(rows, std::span(order).subspan(start, end - start), items));
        start = end;
    }
    return out;
}

Result<std::unique_ptr<ResultCursor>> runGrouped(JetDatabase &db, Plan &plan, const Statement &st)
{
    std::vector<std::size_t> groups;
    for (const std::string &name : st.groupBy) {
        auto at = plan.columns->add(name);
        if (!at)
            return std::unexpected(at.error());
        groups.push_back(*at);
    }
    std::vector<GroupedItem> items;
    std::vector<OutputColumn> outputs;
    if (auto ok = groupedItems(st, *plan.columns, groups, items, outputs); !ok)
        return std::unexpected(ok.error());
    std::vector<SortKey> keys;
    for (const OrderKey &key : st.orderBy) {
        const auto out = outputOf(key, outputs);
        if (!out)
            return std::unexpected(notInList(key));
        keys.push_back({*out, key.descending});
    }
    if (auto ok = plan.compileCondition(); !ok)
        return std::unexpected(ok.error());
    if (auto ok = plan.narrow(db, std::nullopt, false); !ok)
        return std::unexpected(ok.error());
    auto rows = collect(db, plan);
    if (!rows)
        return std::unexpected(rows.error());
    Rows result = groupedRows(*rows, groups, items, sourceDefs(*plan.columns));
    std::vector<const ColumnDef *> defs;
    for (const OutputColumn &o : outputs)
        defs.push_back(&o.def);
    finish(result, st, outputs, keys, defs);
    return std::unique_ptr<ResultCursor>(QueryCursor::collected(db, std::move(result), std::move(outputs)));
}

} // namespace

Result<std::unique_ptr<ResultCursor>> runQuery(JetDatabase &db, const Statement &statement)
{
    auto plan = Plan::make(db, statement);
    if (!plan)
        return std::unexpected(plan.error());
    const bool grouped = !statement.groupBy.empty()
        || std::any_of(statement.items.begin(), statement.items.end(),
                       [](const SelectItem &i) { return isAggregate(i.kind); });
    return grouped ? runGrouped(db, *plan, statement) : runPlain(db, *plan, statement);
}

} // namespace Qb::Jet
