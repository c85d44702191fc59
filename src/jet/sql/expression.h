// SPDX-License-Identifier: GPL-3.0-or-later
// The parsed form of a where clause beyond "col = literal and ...": a tree of comparisons and
// predicates over columns and literals, joined by and, or and not.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Qb::Jet {

struct Literal
{
    enum class Kind { Text, Integer, Number, Date, Boolean, Null };
    Kind kind = Kind::Text;
    std::string text;          // UTF-8, quotes already unescaped (Text); the digits as written (Number)
    std::int64_t integer = 0;  // (Integer; Boolean: 1 true, 0 false)
    double number = 0;         // (Number; Date: Jet day number, days since 1899-12-30)
    bool operator==(const Literal &) const = default;
};

struct Expr;
using ExprRef = std::shared_ptr<const Expr>;

struct Expr
{
    enum class Kind {
        Column,   // `name`
        Constant, // `literal`
        Compare,  // operands[0] `op` operands[1]
        And,
        Or,
        Not,      // operands[0]
        IsNull,   // operands[0] is [not] null
        In,       // operands[0] [not] in (operands[1..])
        Between,  // operands[0] [not] between operands[1] and operands[2]
        Like,     // operands[0] [not] like operands[1] (a text constant)
    };
    enum class Op { Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual };

    Kind kind = Kind::Constant;
    Op op = Op::Equal;
    bool negated = false;      // is not null, not in, not between, not like
    std::string name;          // Column
    Literal literal;           // Constant
    std::vector<ExprRef> operands;
};

} // namespace Qb::Jet
