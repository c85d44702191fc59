// SPDX-License-Identifier: GPL-3.0-or-later
// The SQL subset the program sends, parsed into a Statement: select (all columns or a list),
// insert with a column list, update with assignments, delete; where clauses of "col = literal"
// and "col like 'pattern'" joined by "and". Text literals are single-quoted with '' for one
// quote; integer literals are bare. Keywords ignore letter case; identifiers may be written in
// [brackets]. Anything else is a SqlSyntax error.
#pragma once

#include "jet/jeterror.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Qb::Jet {

enum class StatementKind { Select, Insert, Update, Delete };

struct Literal
{
    enum class Kind { Text, Integer };
    Kind kind = Kind::Text;
    std::string text;          // UTF-8, quotes already unescaped (Text)
    std::int64_t integer = 0;  // (Integer)
    bool operator==(const Literal &) const = default;
};

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

struct Statement
{
    StatementKind kind = StatementKind::Select;
    std::string table;
    bool allColumns = false;              // select *
    std::vector<std::string> columns;     // select list, or the insert column list
    std::vector<Literal> values;          // insert values, one per column
    std::vector<Assignment> assignments;  // update
    std::vector<Condition> where;         // all must hold
};

Result<Statement> parseStatement(std::string_view sql);

} // namespace Qb::Jet
