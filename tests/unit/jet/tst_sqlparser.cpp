// SPDX-License-Identifier: GPL-3.0-or-later
// The SQL front end accepts every statement shape the program sends (with the blanks it sends)
// and refuses everything outside that subset with SqlSyntax.
#include "jet/sql/sqlparser.h"

#include <gtest/gtest.h>

using namespace Qb::Jet;

namespace {

Literal text(std::string s) { return Literal{Literal::Kind::Text, std::move(s), 0}; }
Literal integer(std::int64_t v) { return Literal{Literal::Kind::Integer, {}, v}; }
Condition eq(std::string c, Literal v) { return Condition{std::move(c), Condition::Op::Equal, std::move(v)}; }

struct Accepted
{
    const char *name;
    std::string sql;
    StatementKind kind;
    std::string table;
    bool all;
    std::vector<std::string> columns;
    std::vector<Literal> values;
    std::vector<Assignment> assignments;
    std::vector<Condition> where;
};

class ParseAccepted : public ::testing::TestWithParam<Accepted> {};

TEST_P(ParseAccepted, givesTheStatement)
{
    const Accepted &a = GetParam();
    auto s = parseStatement(a.sql);
    ASSERT_TRUE(s) << s.error().message;
    EXPECT_EQ(s->kind, a.kind);
    EXPECT_EQ(s->table, a.table);
    EXPECT_EQ(s->allColumns, a.all);
    EXPECT_EQ(s->columns, a.columns);
    EXPECT_EQ(s->values, a.values);
    EXPECT_EQ(s->assignments, a.assignments);
    EXPECT_EQ(s->where, a.where);
}

using K = StatementKind;

// The program's statements, one per shape, with values that exercise quoting.
INSTANTIATE_TEST_SUITE_P(
    Catalogue, ParseAccepted,
    ::testing::Values(
        Accepted{"selectAll", "select * from 分类表", K::Select, "分类表", true, {}, {}, {}, {}},
        Accepted{"insertCategory", "insert into 分类表(分类名,序号,父类,说明) values ('文件','3','0','it^!s')",
                 K::Insert, "分类表", false, {"分类名", "序号", "父类", "说明"},
                 {text("文件"), text("3"), text("0"), text("it^!s")}, {}, {}},
        Accepted{"updateByNumber", "update 分类表 set 分类名='新' where 序号='3'", K::Update, "分类表", false, {}, {},
                 {{"分类名", text("新")}}, {eq("序号", text("3"))}},
        Accepted{"selectWhere", "select * from 分类表 where 分类名='a b'", K::Select, "分类表", true, {}, {}, {},
                 {eq("分类名", text("a b"))}},
        Accepted{"deleteWhere", "delete from 分类表 where 序号='7'", K::Delete, "分类表", false, {}, {}, {},
                 {eq("序号", text("7"))}},
        Accepted{"selectColumnTwoConditions", "select 命令名 from 命令库 where 命令名='print' and 分类='2'", K::Select,
                 "命令库", false, {"命令名"}, {}, {}, {eq("命令名", text("print")), eq("分类", text("2"))}},
        Accepted{"updateById",
                 "update 命令库 set 命令名='a',中文名='',分类='1',说明='x',类型='无' where ID=42", K::Update, "命令库",
                 false, {}, {},
                 {{"命令名", text("a")}, {"中文名", text("")}, {"分类", text("1")}, {"说明", text("x")},
                  {"类型", text("无")}},
                 {eq("ID", integer(42))}},
        Accepted{"doubleSpaceBeforeWhere", "select * from 命令库  where 命令名='f{}'", K::Select, "命令库", true, {}, {},
                 {}, {eq("命令名", text("f{}"))}},
        Accepted{"doubleSpaceAndLike", "select * from 命令表 where  命令 like 'pri%'", K::Select, "命令表", true, {},
                 {}, {}, {Condition{"命令", Condition::Op::Like, text("pri%")}}},
        Accepted{"doubledQuoteInLiteral", "select 关键字 from 关键字表 where 关键字='it''s'", K::Select, "关键字表",
                 false, {"关键字"}, {}, {}, {eq("关键字", text("it's"))}},
        Accepted{"doubledQuotesAtEveryPlace", "insert into T(a,b,c,d) values ('''','a''','''b''''','''''')", K::Insert,
                 "T", false, {"a", "b", "c", "d"}, {text("'"), text("a'"), text("'b''"), text("''")}, {}, {}},
        Accepted{"keywordsAnyCaseBracketedNames", "SELECT [my col] FROM [T 1] WHERE [my col] = ''", K::Select, "T 1",
                 false, {"my col"}, {}, {}, {eq("my col", text(""))}}),
    [](const auto &info) { return std::string(info.param.name); });

struct Refused
{
    const char *name;
    const char *sql;
};

class ParseRefused : public ::testing::TestWithParam<Refused> {};

TEST_P(ParseRefused, isSqlSyntax)
{
    auto s = parseStatement(GetParam().sql);
    ASSERT_FALSE(s);
    EXPECT_EQ(s.error().code, ErrorCode::SqlSyntax);
    EXPECT_FALSE(s.error().message.empty());
}

INSTANTIATE_TEST_SUITE_P(
    OutsideTheSubset, ParseRefused,
    ::testing::Values(Refused{"empty", ""}, Refused{"unterminatedLiteral", "select * from T where a='x"},
                      Refused{"lonelyQuoteEndsLiteralEarly", "select * from T where a='it's'"},
                      Refused{"orderByNothing", "select * from T order by"},
                      Refused{"orWithoutRightSide", "select * from T where a='1' or"},
                      Refused{"comparisonWithoutValue", "select * from T where a<"},
                      Refused{"notEqualsAsBang", "select * from T where a!='1'"},
                      Refused{"likeWithNumber", "select * from T where a like 5"},
                      Refused{"trailingSemicolon", "select * from T;"}, Refused{"secondStatement", "select * from T; delete from T"},
                      Refused{"missingTable", "select * from"}, Refused{"keywordAsTable", "select * from where"},
                      Refused{"insertCountMismatch", "insert into T(a,b) values ('1')"},
                      Refused{"dropTable", "drop table T"}, Refused{"comment", "select * from T -- x"},
                      Refused{"doubleQuotedText", "select * from T where a=\"x\""},
                      Refused{"badDate", "select * from T where d=#2001-02-30#"},
                      Refused{"unterminatedDate", "select * from T where d=#2001-02-03"},
                      Refused{"countWithoutColumn", "select count() from T"},
                      Refused{"topWithoutCount", "select top * from T"},
                      Refused{"betweenWithoutAnd", "select * from T where a between 1 or 2"},
                      Refused{"inWithoutList", "select * from T where a in 1"},
                      Refused{"isWithoutNull", "select * from T where a is 1"},
                      Refused{"unbalancedParenthesis", "select * from T where (a=1 or b=2"},
                      Refused{"groupWithoutBy", "select a from T group a"},
                      Refused{"nullInUpdateWhere", "update T set a= where b=1"}),
    [](const auto &info) { return std::string(info.param.name); });

struct Position
{
    const char *name;
    const char *sql;
    const char *message; // the whole error text: what was expected, what was found, where
};

class ParseErrorPosition : public ::testing::TestWithParam<Position> {};

TEST_P(ParseErrorPosition, namesWhatWasExpectedAndWhere)
{
    auto s = parseStatement(GetParam().sql);
    ASSERT_FALSE(s);
    EXPECT_EQ(s.error().message, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, ParseErrorPosition,
    ::testing::Values(
        Position{"afterWhereClause", "select * from T where a=1 limit 3",
                 "expected and, or, group by, order by or the end of the statement, found 'limit' at offset 26"},
        Position{"missingOperator", "select * from T where a 1",
                 "expected a comparison (=, <>, <, <=, >, >=), is, in, between or like, found '1' at offset 24"},
        Position{"notBeforeNothing", "delete from T where a not 3",
                 "expected in, between or like after not, found '3' at offset 26"},
        Position{"missingFrom", "select a b from T", "expected ',', as or from, found 'b' at offset 9"},
        Position{"orderKeyMissing", "select a from T order by a,", "expected a column name or a position, found the end at offset 27"},
        Position{"foundLiteralIsShownUnescaped", "select * from T where a 'it''s'",
                 "expected a comparison (=, <>, <, <=, >, >=), is, in, between or like, found 'it's' at offset 24"},
        // The whole text must read as tokens before its grammar counts: a bad token wins even
        // when it comes after the place the grammar fails, or after a complete statement.
        Position{"badTokenAfterAGrammarError", "select * frm T where a='open", "unterminated text literal at offset 23"},
        Position{"badTokenAfterACompleteStatement", "delete from T #2001-02-30#",
                 "expected a date as #yyyy-mm-dd hh:mm:ss# at offset 14"}),
    [](const auto &info) { return std::string(info.param.name); });

ExprRef conditionOf(const char *sql)
{
    auto s = parseStatement(sql);
    EXPECT_TRUE(s) << (s ? "" : s.error().message);
    return s ? s->condition : nullptr;
}

// Writes the tree back with every operator in parentheses, to show how it was grouped.
std::string shape(const Expr &e)
{
    static const char *const ops[] = {"=", "<>", "<", "<=", ">", ">="};
    const auto arg = [&](std::size_t i) { return shape(*e.operands[i]); };
    const std::string no = e.negated ? "not " : "";
    switch (e.kind) {
    case Expr::Kind::Column: return e.name;
    case Expr::Kind::Constant:
        return e.literal.kind == Literal::Kind::Integer ? std::to_string(e.literal.integer)
             : e.literal.kind == Literal::Kind::Null    ? "null"
             : e.literal.kind == Literal::Kind::Boolean ? (e.literal.integer ? "true" : "false")
             : e.literal.kind == Literal::Kind::Date    ? "date:" + std::to_string(e.literal.number)
                                                        : "'" + e.literal.text + "'";
    case Expr::Kind::Compare: return "(" + arg(0) + ops[int(e.op)] + arg(1) + ")";
    case Expr::Kind::And: return "(" + arg(0) + " and " + arg(1) + ")";
    case Expr::Kind::Or: return "(" + arg(0) + " or " + arg(1) + ")";
    case Expr::Kind::Not: return "(not " + arg(0) + ")";
    case Expr::Kind::IsNull: return "(" + arg(0) + " is " + no + "null)";
    case Expr::Kind::Between: return "(" + arg(0) + " " + no + "between " + arg(1) + " " + arg(2) + ")";
    case Expr::Kind::Like: return "(" + arg(0) + " " + no + "like " + arg(1) + ")";
    case Expr::Kind::In: {
        std::string list;
        for (std::size_t i = 1; i < e.operands.size(); ++i)
            list += (i > 1 ? "," : "") + arg(i);
        return "(" + arg(0) + " " + no + "in " + list + ")";
    }
    }
    return "?";
}

struct Grouping
{
    const char *name;
    const char *sql;
    const char *shape;
};

class ParseCondition : public ::testing::TestWithParam<Grouping> {};

TEST_P(ParseCondition, groupsByPrecedence)
{
    const ExprRef c = conditionOf(GetParam().sql);
    ASSERT_TRUE(c);
    EXPECT_EQ(shape(*c), GetParam().shape);
}

INSTANTIATE_TEST_SUITE_P(
    Conditions, ParseCondition,
    ::testing::Values(
        Grouping{"andBeforeOr", "select * from T where a=1 or b=2 and c=3", "((a=1) or ((b=2) and (c=3)))"},
        Grouping{"parentheses", "select * from T where (a=1 or b=2) and c=3", "(((a=1) or (b=2)) and (c=3))"},
        Grouping{"notBindsTighterThanAnd", "select * from T where not a=1 and b<>2", "((not (a=1)) and (b<>2))"},
        Grouping{"betweenTakesItsAnd", "select * from T where a between 1 and 5 and b>=-2",
                 "((a between 1 5) and (b>=-2))"},
        Grouping{"negatedPredicates", "select * from T where a not in (1,2) or b is not null or c not like 'x%'",
                 "(((a not in 1,2) or (b is not null)) or (c not like 'x%'))"},
        Grouping{"literalsOfEveryKind", "select * from T where [my col]<=#1900-01-01 12:00:00# or f=true or g=null",
                 "(((my col<=date:2.500000) or (f=true)) or (g=null))"},
        Grouping{"datesBeforeTheEpochCountTheTimeAwayFromZero", "select * from T where d=#1899-12-29 06:00#",
                 "(d=date:-1.250000)"},
        Grouping{"columnAgainstColumn", "select * from T where a=b", "(a=b)"},
        Grouping{"plainConditionBesideAnOther", "select * from T where a='x' and b<1", "((a='x') and (b<1))"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ParseSelect, readsTheSelectListAndItsClauses)
{
    auto s = parseStatement("SELECT DISTINCT TOP 5 a AS x, count(*), Sum([b c]) as total FROM T "
                            "WHERE a>1 GROUP BY a, [d] ORDER BY 2 DESC, x, total ASC");
    ASSERT_TRUE(s) << s.error().message;
    EXPECT_TRUE(s->distinct);
    EXPECT_EQ(s->top, 5u);
    using I = SelectItem;
    EXPECT_EQ(s->items, (std::vector<I>{{I::Kind::Column, "a", "x"}, {I::Kind::CountAll, "", "count(*)"},
                                         {I::Kind::Sum, "b c", "total"}}));
    EXPECT_EQ(s->groupBy, (std::vector<std::string>{"a", "d"}));
    EXPECT_EQ(s->orderBy, (std::vector<OrderKey>{{"", 2, true}, {"x", 0, false}, {"total", 0, false}}));
    EXPECT_TRUE(s->where.empty());
    EXPECT_TRUE(s->isExtended());
}

TEST(ParseSelect, theProgramsShapesStayPlain)
{
    for (const char *sql : {"select * from 命令库 where 命令名='print' and 分类='2'", "select a, b from T where c like 'p%'",
                            "update 命令库 set 命令名='a' where ID=42", "delete from T"}) {
        auto s = parseStatement(sql);
        ASSERT_TRUE(s) << sql;
        EXPECT_FALSE(s->isExtended()) << sql;
    }
}

TEST(ParseValues, takeEveryLiteralKind)
{
    auto s = parseStatement("insert into T(a,b,c,d,e,f) values (null, true, FALSE, -2.5e1, #2001-01-11 01:11:21#, 'x')");
    ASSERT_TRUE(s) << s.error().message;
    ASSERT_EQ(s->values.size(), 6u);
    EXPECT_EQ(s->values[0].kind, Literal::Kind::Null);
    EXPECT_EQ(s->values[1].kind, Literal::Kind::Boolean);
    EXPECT_EQ(s->values[1].integer, 1);
    EXPECT_EQ(s->values[2].integer, 0);
    EXPECT_EQ(s->values[3].kind, Literal::Kind::Number);
    EXPECT_DOUBLE_EQ(s->values[3].number, -25.0);
    EXPECT_EQ(s->values[4].kind, Literal::Kind::Date);
    EXPECT_DOUBLE_EQ(s->values[4].number, 36902 + (3600 + 11 * 60 + 21) / 86400.0);
}

} // namespace
