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
                      Refused{"orderBy", "select * from T order by a"}, Refused{"or", "select * from T where a='1' or b='2'"},
                      Refused{"comparisonOtherThanEquals", "select * from T where a<'1'"},
                      Refused{"identifierAsValue", "select * from T where a=b"},
                      Refused{"likeWithNumber", "select * from T where a like 5"},
                      Refused{"trailingSemicolon", "select * from T;"}, Refused{"secondStatement", "select * from T; delete from T"},
                      Refused{"missingTable", "select * from"}, Refused{"keywordAsTable", "select * from where"},
                      Refused{"insertCountMismatch", "insert into T(a,b) values ('1')"},
                      Refused{"dropTable", "drop table T"}, Refused{"comment", "select * from T -- x"},
                      Refused{"doubleQuotedText", "select * from T where a=\"x\""}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
