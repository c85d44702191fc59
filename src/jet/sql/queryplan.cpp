// SPDX-License-Identifier: GPL-3.0-or-later
// Planning a query: which columns the source cursor reads, which conditions it tests itself
// (the program's shapes, with their index lookups), which index range narrows the rows or gives
// them in "order by" order, and what is left for the compiled condition.
#include "jet/sql/queryplan.h"

#include "jet/sql/querycursor.h"
#include "jet/sql/queryresult.h"
#include "jet/format/text.h"
#include "jet/sql/keylookup.h"
#include "jet/sql/likepattern.h"
#include "jet/sql/rangelookup.h"

#include <algorithm>
#include <cmath>

namespace Qb::Jet {

namespace {

void conjuncts(const ExprRef &e, std::vector<ExprRef> &out)
{
    if (e->kind == Expr::Kind::And) {
        conjuncts(e->operands[0], out);
        conjuncts(e->operands[1], out);
    } else {
        out.push_back(e);
    }
}

ExprRef joined(const std::vector<ExprRef> &parts)
{
    ExprRef all;
    for (const ExprRef &p : parts) {
        if (!all) {
            all = p;
            continue;
        }
        Expr e;
        e.kind = Expr::Kind::And;
        e.operands = {all, p};
        all = std::make_shared<const Expr>(std::move(e));
    }
    return all;
}

std::optional<double> numberOf(const Expr &e)
{
    if (e.kind != Expr::Kind::Constant)
        return std::nullopt;
    if (e.literal.kind == Literal::Kind::Integer)
        return double(e.literal.integer);
    if (e.literal.kind == Literal::Kind::Number)
        return e.literal.number;
    return std::nullopt;
}

std::int64_t clamped(double v) { return std::int64_t(std::clamp(v, -9.0e18, 9.0e18)); }

// The whole numbers `column op v` allows.
IntegerRange rangeOf(Expr::Op op, double v)
{
    switch (op) {
    case Expr::Op::Less: return {INT64_MIN, clamped(std::ceil(v)) - 1};
    case Expr::Op::LessEqual: return {INT64_MIN, clamped(std::floor(v))};
    case Expr::Op::Greater: return {clamped(std::floor(v)) + 1, INT64_MAX};
    case Expr::Op::GreaterEqual: return {clamped(std::ceil(v)), INT64_MAX};
    default:
        if (std::trunc(v) != v)
            return {1, 0};
        return {clamped(v), clamped(v)};
    }
}

Expr::Op mirrored(Expr::Op op)
{
    switch (op) {
    case Expr::Op::Less: return Expr::Op::Greater;
    case Expr::Op::LessEqual: return Expr::Op::GreaterEqual;
    case Expr::Op::Greater: return Expr::Op::Less;
    case Expr::Op::GreaterEqual: return Expr::Op::LessEqual;
    default: return op;
    }
}

// The ranges of whole numbers a conjunct allows its column, when it is a comparison (not <>),
// between or in on one column with numeric constants.
std::optional<std::pair<std::string, std::vector<IntegerRange>>> rangesOf(const Expr &e)
{
    if (e.negated || e.operands.empty())
        return std::nullopt;
    const Expr *column = e.operands[0].get();
    if (e.kind == Expr::Kind::Compare && e.op != Expr::Op::NotEqual) {
        const bool flipped = column->kind != Expr::Kind::Column;
        const Expr &c = flipped ? *e.operands[1] : *column;
        const auto v = numberOf(flipped ? *column : *e.operands[1]);
        if (c.kind != Expr::Kind::Column || !v)
            return std::nullopt;
        return std::pair(c.name, std::vector{rangeOf(flipped ? mirrored(e.op) : e.op, *v)});
    }
    if (column->kind != Expr::Kind::Column)
        return std::nullopt;
    std::vector<double> values;
    for (std::size_t i = 1; i < e.operands.size(); ++i) {
        const auto v = numberOf(*e.operands[i]);
        if (!v)
            return std::nullopt;
        values.push_back(*v);
    }
    if (e.kind == Expr::Kind::Between) {
        const IntegerRange low = rangeOf(Expr::Op::GreaterEqual, values[0]);
        const IntegerRange high = rangeOf(Expr::Op::LessEqual, values[1]);
        return std::pair(column->name, std::vector{IntegerRange{low.low, high.high}});
    }
    if (e.kind != Expr::Kind::In)
        return std::nullopt;
    std::vector<IntegerRange> ranges;
    for (double v : values)
        ranges.push_back(rangeOf(Expr::Op::Equal, v));
    return std::pair(column->name, std::move(ranges));
}

// Sorted, without empty ranges, overlapping ones merged: no row is named twice.
std::vector<IntegerRange> normalised(std::vector<IntegerRange> ranges)
{
    std::erase_if(ranges, [](const IntegerRange &r) { return r.low > r.high; });
    std::sort(ranges.begin(), ranges.end(), [](const IntegerRange &a, const IntegerRange &b) { return a.low < b.low; });
    std::vector<IntegerRange> out;
    for (const IntegerRange &r : ranges) {
        if (!out.empty() && (out.back().high == INT64_MAX || r.low <= out.back().high + 1))
            out.back().high = std::max(out.back().high, r.high);
        else
            out.push_back(r);
    }
    return out;
}

std::vector<IntegerRange> intersected(const std::vector<IntegerRange> &a, const std::vector<IntegerRange> &b)
{
    std::vector<IntegerRange> out;
    for (const IntegerRange &x : a)
        for (const IntegerRange &y : b)
            out.push_back({std::max(x.low, y.low), std::min(x.high, y.high)});
    return normalised(std::move(out));
}

struct IndexChoice
{
    std::size_t column = 0;
    const RealIndexDef *index = nullptr;
    std::vector<IntegerRange> ranges;
};

// The first conjunct column with an integer index, and every range the conjuncts put on it.
std::optional<IndexChoice> chooseRange(const TableDef &table, const std::vector<ExprRef> &parts)
{
    std::optional<IndexChoice> choice;
    for (const ExprRef &p : parts) {
        auto r = rangesOf(*p);
        if (!r)
            continue;
        const int column = table.findColumn(r->first);
        if (column < 0)
            continue;
        if (!choice) {
            const RealIndexDef *index = integerIndexOn(table, std::size_t(column));
            if (!index)
                continue;
            choice = IndexChoice{std::size_t(column), index, normalised(r->second)};
        } else if (std::size_t(column) == choice->column) {
            choice->ranges = intersected(choice->ranges, r->second);
        }
    }
    return choice;
}

// The rows a real index names for "text column in ('a', 'b', ...)", in scan order; nullopt when
// no conjunct is such a list or no index can answer every value.
Result<std::optional<std::vector<RowLocation>>> textListRows(PageCache &pages, const TableDef &table,
                                                             const std::vector<ExprRef> &parts)
{
    for (const ExprRef &p : parts) {
        if (p->kind != Expr::Kind::In || p->negated || p->operands[0]->kind != Expr::Kind::Column)
            continue;
        const int column = table.findColumn(p->operands[0]->name);
        if (column < 0 || table.columns[std::size_t(column)].type != std::uint8_t(ColumnType::Text))
            continue;
        std::vector<RowLocation> rows;
        bool answered = true;
        for (std::size_t i = 1; i < p->operands.size() && answered; ++i) {
            const Expr &v = *p->operands[i];
            answered = v.kind == Expr::Kind::Constant && v.literal.kind == Literal::Kind::Text;
            if (!answered)
                break;
            auto found = lookupByIndex(pages, table, {KeyCondition{std::size_t(column), std::nullopt, foldedUtf16(v.literal.text)}});
            if (!found)
                return std::unexpected(found.error());
            answered = found->has_value();
            if (answered)
                rows.insert(rows.end(), (*found)->begin(), (*found)->end());
        }
        if (!answered)
            continue;
        std::sort(rows.begin(), rows.end());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
        return std::optional(std::move(rows));
    }
    return std::optional<std::vector<RowLocation>>();
}

void disjuncts(const ExprRef &e, std::vector<ExprRef> &out)
{
    if (e->kind == Expr::Kind::Or && !e->negated) {
        disjuncts(e->operands[0], out);
        disjuncts(e->operands[1], out);
    } else {
        out.push_back(e);
    }
}

// The Text column and pattern of "col like 'pattern'"; nullopt for anything else.
std::optional<std::pair<std::size_t, std::string>> textLike(const TableDef &table, const Expr &e)
{
    std::vector<Condition> one;
    if (e.kind != Expr::Kind::Like || !plainConditions(e, one) || one.size() != 1
        || one[0].value.kind != Literal::Kind::Text)
        return std::nullopt;
    const int column = table.findColumn(one[0].column);
    if (column < 0 || table.columns[std::size_t(column)].type != std::uint8_t(ColumnType::Text))
        return std::nullopt;
    return std::pair(std::size_t(column), one[0].value.text);
}

// The rows the column indexes name for a conjunct "a like 'p' or b like 'q' ..." on Text
// columns, in scan order: the union of each pattern's rows (the condition is still tested on
// each). The indexes it needs are built together by one scan. nullopt when no conjunct is such.
Result<std::optional<std::vector<RowLocation>>> likeDisjunctionRows(JetDatabase &db, const TableDef &table,
                                                                    const std::vector<ExprRef> &parts)
{
    for (const ExprRef &p : parts) {
        std::vector<ExprRef> alternatives;
        disjuncts(p, alternatives);
        std::vector<std::size_t> columns;
        std::vector<LikePattern> patterns;
        bool ranges = false;
        for (const ExprRef &a : alternatives) {
            const auto like = textLike(table, *a);
            if (!like)
                break;
            columns.push_back(like->first);
            const LikePattern &pattern = patterns.emplace_back(like->second);
            ranges = ranges || !pattern.literalPrefix().empty();
        }
        if (alternatives.size() < 2 || patterns.size() != alternatives.size())
            continue;
        auto indexes = db.textColumnIndexes(table, columns, ranges);
        if (!indexes)
            return std::unexpected(indexes.error());
        std::vector<RowLocation> rows;
        for (std::size_t i = 0; i < patterns.size(); ++i)
            for (const IndexedRows::Row &r : (*indexes)[i]->matching(patterns[i]).rows)
                rows.push_back(r.at);
        std::sort(rows.begin(), rows.end());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
        return std::optional(std::move(rows));
    }
    return std::optional<std::vector<RowLocation>>();
}

} // namespace

Result<Plan> Plan::make(JetDatabase &db, const Statement &st)
{
    auto def = db.tableDef(st.table);
    if (!def)
        return std::unexpected(def.error());
    auto pages = db.dataPages(**def);
    if (!pages)
        return std::unexpected(pages.error());
    Plan plan(*def, *pages);
    plan.source.kind = StatementKind::Select;
    plan.source.table = st.table;
    plan.source.where = st.where;
    if (st.condition)
        conjuncts(st.condition, plan.parts);
    return plan;
}

// The conjuncts that are the program's own conditions go to the source cursor; the others are
// compiled (adding the columns they read).
Result<void> Plan::compileCondition()
{
    std::vector<ExprRef> rest;
    for (const ExprRef &p : parts)
        if (!plainConditions(*p, source.where))
            rest.push_back(p);
    if (rest.empty())
        return {};
    auto compiled = CompiledCondition::compile(*joined(rest), *columns);
    if (!compiled)
        return std::unexpected(compiled.error());
    condition = std::move(*compiled);
    return {};
}

// Index ranges narrow the rows. With `orderColumn`, rows come in its index's order when it has
// one and no range on another column was chosen; `inOrder` tells which happened.
Result<void> Plan::narrow(JetDatabase &db, std::optional<std::size_t> orderColumn, bool descending)
{
    const auto choice = chooseRange(*table, parts);
    const RealIndexDef *orderIndex = orderColumn ? integerIndexOn(*table, *orderColumn) : nullptr;
    if (orderIndex && (!choice || choice->column == *orderColumn)) {
        auto found = rowsInRanges(db.pages(), *table, *orderIndex, choice ? choice->ranges : std::vector<IntegerRange>{});
        if (!found)
            return std::unexpected(found.error());
        // Without a range every row must be in the index (an index may leave NULLs out).
        if (choice || found->size() == table->rowCount) {
            if (descending)
                std::reverse(found->begin(), found->end());
            rows = std::move(*found);
            inOrder = true;
            return {};
        }
    }
    if (!choice) {
        auto listed = textListRows(db.pages(), *table, parts);
        if (listed && !*listed)
            listed = likeDisjunctionRows(db, *table, parts);
        if (!listed)
            return std::unexpected(listed.error());
        rows = std::move(*listed);
        return {};
    }
    auto found = rowsInRanges(db.pages(), *table, *choice->index, choice->ranges);
    if (!found)
        return std::unexpected(found.error());
    std::sort(found->begin(), found->end(), [](const RowLocation &a, const RowLocation &b) {
        return std::pair(a.page, a.slot) < std::pair(b.page, b.slot);
    });
    rows = std::move(*found);
    return {};
}

Result<std::unique_ptr<SelectCursor>> Plan::open(JetDatabase &db)
{
    source.columns = columns->names();
    return SelectCursor::make(db, table, pages, source, std::move(rows));
}

Result<std::unique_ptr<ResultCursor>> runSelect(JetDatabase &db, const Statement &statement)
{
    if (!statement.isExtended()) {
        auto cursor = db.select(statement);
        if (!cursor)
            return std::unexpected(cursor.error());
        return std::unique_ptr<ResultCursor>(std::move(*cursor));
    }
    return runQuery(db, statement);
}

Result<std::vector<RowLocation>> rowsMatching(JetDatabase &db, const Statement &statement)
{
    auto plan = Plan::make(db, statement);
    if (!plan)
        return std::unexpected(plan.error());
    if (auto ok = plan->compileCondition(); !ok)
        return std::unexpected(ok.error());
    if (auto ok = plan->narrow(db, std::nullopt, false); !ok)
        return std::unexpected(ok.error());
    const std::optional<CompiledCondition> condition = plan->condition;
    auto source = plan->open(db);
    if (!source)
        return std::unexpected(source.error());
    std::vector<RowLocation> found;
    for (SelectCursor &c = **source; !c.atEnd();) {
        if (!condition || condition->evaluate(c) == Truth::True)
            found.push_back(c.location());
        if (auto ok = c.next(); !ok)
            return std::unexpected(ok.error());
    }
    return found;
}

} // namespace Qb::Jet
