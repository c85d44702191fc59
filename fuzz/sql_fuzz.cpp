// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: any text as a statement. Parsing must end with a statement or a SqlSyntax error,
// and whatever it accepts must survive being printed back and parsed again unchanged.
#include "jet/sql/sqlparser.h"

#include <cstdlib>
#include <string>

using namespace Qb::Jet;

namespace {

std::string quote(const Literal &l)
{
    if (l.kind == Literal::Kind::Integer)
        return std::to_string(l.integer);
    std::string out = "'";
    for (char c : l.text)
        out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

std::string name(const std::string &n) { return "[" + n + "]"; }

std::string where(const Statement &s)
{
    std::string out;
    for (std::size_t i = 0; i < s.where.size(); ++i)
        out += (i ? " and " : " where ") + name(s.where[i].column)
            + (s.where[i].op == Condition::Op::Like ? " like " : "=") + quote(s.where[i].value);
    return out;
}

std::string print(const Statement &s)
{
    std::string out;
    switch (s.kind) {
    case StatementKind::Select:
        out = "select ";
        if (s.allColumns)
            out += "*";
        for (std::size_t i = 0; i < s.columns.size(); ++i)
            out += (i ? "," : "") + name(s.columns[i]);
        return out + " from " + name(s.table) + where(s);
    case StatementKind::Insert:
        out = "insert into " + name(s.table) + "(";
        for (std::size_t i = 0; i < s.columns.size(); ++i)
            out += (i ? "," : "") + name(s.columns[i]);
        out += ") values (";
        for (std::size_t i = 0; i < s.values.size(); ++i)
            out += (i ? "," : "") + quote(s.values[i]);
        return out + ")";
    case StatementKind::Update:
        out = "update " + name(s.table) + " set ";
        for (std::size_t i = 0; i < s.assignments.size(); ++i)
            out += (i ? "," : "") + name(s.assignments[i].column) + "=" + quote(s.assignments[i].value);
        return out + where(s);
    case StatementKind::Delete:
        return "delete from " + name(s.table) + where(s);
    }
    return out;
}

bool same(const Statement &a, const Statement &b)
{
    return a.kind == b.kind && a.table == b.table && a.allColumns == b.allColumns && a.columns == b.columns
        && a.values == b.values && a.assignments == b.assignments && a.where == b.where;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view sql(reinterpret_cast<const char *>(data), size);
    auto parsed = parseStatement(sql);
    if (!parsed) {
        if (parsed.error().code != ErrorCode::SqlSyntax)
            std::abort();
        return 0;
    }
    // Names holding ']' cannot be bracketed back; everything else must round-trip.
    const std::string printed = print(*parsed);
    if (printed.find("]]") != std::string::npos)
        return 0;
    auto again = parseStatement(printed);
    if (!again || !same(*parsed, *again))
        std::abort();
    return 0;
}
