// SPDX-License-Identifier: GPL-3.0-or-later
// The SQL subset, parsed into a Statement: select, insert with a column list, update with
// assignments, delete. The program's own statements (select * or a column list, where clauses of
// "col = literal" and "col like 'pattern'" joined by "and") fill `where`; anything beyond that
// shape (other comparisons, or, not, is null, in, between, aggregates, group by, order by,
// distinct, top, aliases) fills `condition` and the select fields, for the query engine.
// Literals: 'text' with '' for one quote, numbers, #yyyy-mm-dd[ hh:mm:ss]# dates, true, false,
// null. Keywords ignore letter case; identifiers may be written in [brackets]. Anything else is
// a SqlSyntax error naming the offset and what was expected.
#pragma once

#include "jet/jeterror.h"
#include "jet/sql/expression.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Qb::Jet {

enum class StatementKind { Select, Insert, Update, Delete };

struct Condition
{
    enum class Op { Equal, Like };
    std::string column;
    Op op = Op::Equal;
    Literal value;
    bool operator==(const Condition &) const = default;
};

struct Assignment
{
    std::string column;
    Literal value;
    bool operator==(const Assignment &) const = default;
};

// One entry of a select list that is more than plain column names.
struct SelectItem
{
    enum class Kind { Column, CountAll, Count, Min, Max, Sum, Avg };
    Kind kind = Kind::Column;
    std::string column;        // the column named (not for CountAll)
    std::string alias;         // "as" name; empty: the column's name or the aggregate's text
    bool operator==(const SelectItem &) const = default;
};

struct OrderKey
{
    std::string column;        // a column or select-list name, or empty when `position` is set
    std::size_t position = 0;  // 1-based position in the select list
    bool descending = false;
    bool operator==(const OrderKey &) const = default;
};

struct Statement
{
    StatementKind kind = StatementKind::Select;
    std::string table;
    bool allColumns = false;              // select *
    std::vector<std::string> columns;     // select list, or the insert column list
    std::vector<Literal> values;          // insert values, one per column
    std::vector<Assignment> assignments;  // update
    std::vector<Condition> where;         // all must hold

    // Set beyond the program's shapes. Then `where` is empty and `condition` holds the clause.
    ExprRef condition;
    std::vector<SelectItem> items;        // select list with aggregates or aliases (else columns/allColumns)
    std::vector<std::string> groupBy;
    std::vector<OrderKey> orderBy;
    bool distinct = false;
    std::optional<std::uint64_t> top;

    // Whether the statement needs the query engine (anything beyond the program's shapes).
    bool isExtended() const
    {
        return condition || !items.empty() || !groupBy.empty() || !orderBy.empty() || distinct || top;
    }
};

Result<Statement> parseStatement(std::string_view sql);

// Appends `e` as the program's own where shape ("col = 'text' | integer", "col like 'pattern'",
// joined by and); false when it is anything else.
bool plainConditions(const Expr &e, std::vector<Condition> &out);

} // namespace Qb::Jet
