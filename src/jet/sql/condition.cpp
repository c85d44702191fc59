// SPDX-License-Identifier: GPL-3.0-or-later
// Compiling and testing where-clause expressions.
#include "jet/sql/condition.h"

#include "jet/format/rowcodec.h"
#include "jet/format/text.h"

#include <cstdlib>

namespace Qb::Jet {

namespace {

ValueClass literalClass(const Literal &l)
{
    switch (l.kind) {
    case Literal::Kind::Text: return ValueClass::Text;
    case Literal::Kind::Null: return ValueClass::Null;
    default: return ValueClass::Number;
    }
}

std::string literalText(const Literal &l)
{
    switch (l.kind) {
    case Literal::Kind::Integer: return std::to_string(l.integer);
    case Literal::Kind::Boolean: return l.integer ? "true" : "false";
    case Literal::Kind::Null: return "null";
    default: return l.text;
    }
}

std::optional<double> parsedNumber(const std::string &text)
{
    if (text.empty())
        return std::nullopt;
    char *end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() ? std::optional(v) : std::nullopt;
}

// The literal as a value of `cls` (the class of what it is compared with).
Result<OrderValue> literalAs(const Literal &l, ValueClass cls, const std::string &against)
{
    static const ColumnDef NoColumn;
    const auto mismatch = [&] {
        return fail(ErrorCode::TypeMismatch, literalText(l) + " cannot be compared with " + against);
    };
    switch (l.kind) {
    case Literal::Kind::Null: return OrderValue{};
    case Literal::Kind::Text:
        if (cls == ValueClass::Number) {
            const auto v = parsedNumber(l.text);
            if (!v)
                return std::unexpected(mismatch());
            return OrderValue::of(Value(*v), NoColumn);
        }
        if (cls == ValueClass::Binary)
            return std::unexpected(mismatch());
        return OrderValue::of(Value(std::in_place_type<std::string>, l.text), NoColumn);
    case Literal::Kind::Integer:
    case Literal::Kind::Number:
        if (cls == ValueClass::Text)
            return OrderValue::of(Value(std::in_place_type<std::string>, literalText(l)), NoColumn);
        [[fallthrough]];
    default:
        if (cls != ValueClass::Number)
            return std::unexpected(mismatch());
        if (l.kind == Literal::Kind::Integer)
            return OrderValue::of(Value(l.integer), NoColumn);
        if (l.kind == Literal::Kind::Boolean)
            return OrderValue::of(Value(l.integer != 0), NoColumn);
        return OrderValue::of(Value(l.number), NoColumn);
    }
}

ValueClass nodeClass(const ColumnDef *column, const Literal &l)
{
    return column ? classOf(*column) : literalClass(l);
}

Truth fromBool(bool b) { return b ? Truth::True : Truth::False; }

Truth negate(Truth t) { return t == Truth::Unknown ? t : fromBool(t == Truth::False); }

bool holds(Expr::Op op, int c)
{
    switch (op) {
    case Expr::Op::Equal: return c == 0;
    case Expr::Op::NotEqual: return c != 0;
    case Expr::Op::Less: return c < 0;
    case Expr::Op::LessEqual: return c <= 0;
    case Expr::Op::Greater: return c > 0;
    case Expr::Op::GreaterEqual: return c >= 0;
    }
    return false;
}

} // namespace

Result<std::size_t> SourceColumns::add(const std::string &name)
{
    const int index = m_table.findColumn(name);
    if (index < 0)
        return fail(ErrorCode::NoSuchColumn, "no column " + name + " in the table");
    for (std::size_t i = 0; i < m_columns.size(); ++i)
        if (m_columns[i] == std::size_t(index))
            return i;
    m_columns.push_back(std::size_t(index));
    return m_columns.size() - 1;
}

std::vector<std::string> SourceColumns::names() const
{
    std::vector<std::string> out;
    for (std::size_t c : m_columns)
        out.push_back(m_table.columns[c].name);
    return out;
}

Result<CompiledCondition> CompiledCondition::compile(const Expr &expr, SourceColumns &columns)
{
    auto root = compileNode(expr, columns);
    if (!root)
        return std::unexpected(root.error());
    CompiledCondition c;
    c.m_root = std::move(*root);
    return c;
}

// Gives a constant compared with a column the column's kind; two columns must be of one kind.
Result<void> CompiledCondition::harmonise(Node &a, Node &b)
{
    if (a.kind == Expr::Kind::Constant && b.kind != Expr::Kind::Constant)
        return harmonise(b, a);
    const ValueClass cls = nodeClass(a.column, a.literal);
    const std::string what = a.column ? "column " + a.column->name : literalText(a.literal);
    if (b.kind == Expr::Kind::Constant) {
        auto v = literalAs(b.literal, cls, what);
        if (!v)
            return std::unexpected(v.error());
        b.constant = std::move(*v);
        if (a.kind == Expr::Kind::Constant) {
            auto self = literalAs(a.literal, cls, what);
            if (!self)
                return std::unexpected(self.error());
            a.constant = std::move(*self);
        }
        return {};
    }
    if (cls != classOf(*b.column))
        return fail(ErrorCode::TypeMismatch, what + " cannot be compared with column " + b.column->name);
    return {};
}

Result<CompiledCondition::Node> CompiledCondition::compileNode(const Expr &e, SourceColumns &columns)
{
    Node n;
    n.kind = e.kind;
    n.op = e.op;
    n.negated = e.negated;
    if (e.kind == Expr::Kind::Column) {
        auto at = columns.add(e.name);
        if (!at)
            return std::unexpected(at.error());
        n.source = *at;
        n.column = &columns.def(*at);
        return n;
    }
    if (e.kind == Expr::Kind::Constant) {
        n.literal = e.literal;
        auto v = literalAs(e.literal, literalClass(e.literal), literalText(e.literal));
        if (!v)
            return std::unexpected(v.error());
        n.constant = std::move(*v);
        return n;
    }
    for (const ExprRef &operand : e.operands) {
        auto child = compileNode(*operand, columns);
        if (!child)
            return std::unexpected(child.error());
        n.children.push_back(std::move(*child));
    }
    const bool pairs = e.kind == Expr::Kind::Compare || e.kind == Expr::Kind::In || e.kind == Expr::Kind::Between;
    for (std::size_t i = 1; pairs && i < n.children.size(); ++i)
        if (auto ok = harmonise(n.children[0], n.children[i]); !ok)
            return std::unexpected(ok.error());
    if (e.kind == Expr::Kind::Like)
        n.like.emplace(n.children[1].literal.text);
    return n;
}

OrderValue CompiledCondition::operandValue(const Node &n, const Cursor &row) const
{
    if (n.kind == Expr::Kind::Constant)
        return n.constant;
    return OrderValue::of(row.value(n.source), *n.column);
}

std::optional<int> CompiledCondition::compareOperands(const Node &a, const Node &b, const Cursor &row) const
{
    return compare(operandValue(a, row), operandValue(b, row));
}

Truth CompiledCondition::evaluate(const Cursor &row) const
{
    return evaluate(m_root, row);
}

Truth CompiledCondition::evaluate(const Node &n, const Cursor &row) const
{
    const auto test = [&](const Node &a, const Node &b, Expr::Op op) {
        const auto c = compareOperands(a, b, row);
        return c ? fromBool(holds(op, *c)) : Truth::Unknown;
    };
    Truth t = Truth::Unknown;
    switch (n.kind) {
    case Expr::Kind::And:
    case Expr::Kind::Between: {
        const Truth a = n.kind == Expr::Kind::And ? evaluate(n.children[0], row)
                                                  : test(n.children[0], n.children[1], Expr::Op::GreaterEqual);
        if (a == Truth::False && n.kind == Expr::Kind::And)
            return Truth::False;
        const Truth b = n.kind == Expr::Kind::And ? evaluate(n.children[1], row)
                                                  : test(n.children[0], n.children[2], Expr::Op::LessEqual);
        t = a == Truth::False || b == Truth::False ? Truth::False
          : a == Truth::True && b == Truth::True   ? Truth::True
                                                   : Truth::Unknown;
        break;
    }
    case Expr::Kind::Or: {
        const Truth a = evaluate(n.children[0], row);
        if (a == Truth::True)
            return Truth::True;
        const Truth b = evaluate(n.children[1], row);
        t = b == Truth::True ? Truth::True : a == Truth::Unknown || b == Truth::Unknown ? Truth::Unknown : Truth::False;
        break;
    }
    case Expr::Kind::Not: return negate(evaluate(n.children[0], row));
    case Expr::Kind::Compare: return test(n.children[0], n.children[1], n.op);
    case Expr::Kind::IsNull:
        t = fromBool(operandValue(n.children[0], row).cls == ValueClass::Null);
        break;
    case Expr::Kind::In: {
        const OrderValue left = operandValue(n.children[0], row);
        t = Truth::False;
        for (std::size_t i = 1; i < n.children.size() && t != Truth::True; ++i) {
            const auto c = compare(left, operandValue(n.children[i], row));
            t = !c ? Truth::Unknown : *c == 0 ? Truth::True : t;
        }
        break;
    }
    case Expr::Kind::Like: {
        const Node &subject = n.children[0];
        const Value &v = subject.kind == Expr::Kind::Constant ? Value(std::in_place_type<std::string>, subject.literal.text)
                                                                : row.value(subject.source);
        if (isNull(v) || (subject.kind == Expr::Kind::Constant && subject.literal.kind == Literal::Kind::Null))
            return Truth::Unknown;
        static const ColumnDef NoColumn;
        const std::string text = valueText(v, subject.column ? *subject.column : NoColumn);
        t = fromBool(n.like->matches(foldedUtf16(text)));
        break;
    }
    default:
        t = operandValue(n, row).cls == ValueClass::Null ? Truth::Unknown : Truth::True;
        break;
    }
    return n.negated ? negate(t) : t;
}

} // namespace Qb::Jet
