// SPDX-License-Identifier: GPL-3.0-or-later
// The program's result-set statements run against an engine-made library and real fixtures:
// matching ignores letter case, "like" takes prefixes, '' stands for a quote, NULL differs from
// empty text, memo values come back whole, cursors rewind and end when the file changes.
#include "jet/sql/selectcursor.h"
#include "samplelibrary_support.h"
#include "support/fixtures.h"

#include <gtest/gtest.h>

using namespace Qb::Jet;

namespace {

std::string text(const Value &v)
{
    if (const auto *i = std::get_if<std::int64_t>(&v))
        return std::to_string(*i);
    return std::holds_alternative<std::string>(v) ? std::get<std::string>(v) : "<not text>";
}

// Every row of a query as the texts of one column.
std::vector<std::string> column(Database &db, const std::string &sql, const std::string &name)
{
    auto cursor = db.query(sql);
    EXPECT_TRUE(cursor) << sql << ": " << (cursor ? "" : cursor.error().message);
    if (!cursor)
        return {};
    const int index = (*cursor)->columnIndex(name);
    EXPECT_GE(index, 0) << name;
    std::vector<std::string> out;
    while (!(*cursor)->atEnd()) {
        out.push_back(text((*cursor)->value(std::size_t(index))));
        if (!(*cursor)->next())
            ADD_FAILURE() << sql << ": a row could not be read";
    }
    return out;
}

class SampleSelect : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(Qb::Test::sampleLibrary().empty()) << "the engine could not make the sample library";
        m_db = Qb::Test::openSample(Qb::Test::sampleLibrary());
        ASSERT_TRUE(m_db);
    }
    std::unique_ptr<JetDatabase> m_db;
};

struct Query
{
    const char *name;
    std::string sql;
    std::string column;
    std::vector<std::string> rows;
};

class CatalogueQuery : public SampleSelect, public ::testing::WithParamInterface<Query> {};

TEST_P(CatalogueQuery, returnsTheMatchingRowsInScanOrder)
{
    EXPECT_EQ(column(*m_db, GetParam().sql, GetParam().column), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Statements, CatalogueQuery,
    ::testing::Values(
        Query{"allCategories", "select * from 分类表", "分类名", {"文件", "Net"}},
        Query{"categoryByName", "select * from 分类表 where 分类名='net'", "说明", {"it^!s"}},
        Query{"commandsOfCategory", "select * from 命令库 where 分类='1'", "命令名", {"print", "prompt"}},
        Query{"duplicateCheckIgnoresCase", "select 命令名 from 命令库 where 命令名='PRINT' and 分类='1'", "命令名",
              {"print"}},
        Query{"byNameBothCases", "select * from 命令库 where 命令名='print'", "类型", {"无", "流程"}},
        Query{"doubleSpacedStatement", "select * from 命令库  where 命令名='prompt'", "类型", {"函数"}},
        Query{"hintPrefix", "select * from 命令表 where  命令 like 'pr%'", "命令", {"print(", "property"}},
        Query{"hintPrefixUpperCase", "select * from 命令表 where  命令 like 'PRO%'", "命令", {"property"}},
        Query{"hintPrefixNoMatch", "select * from 命令表 where  命令 like 'x%'", "命令", {}},
        Query{"hintDuplicate", "select 命令 from 命令表 where 命令='len('", "命令", {"len("}},
        Query{"allKeywords", "select * from 关键字表", "颜色", {"255", "65280"}},
        Query{"keywordWithQuote", "select 关键字 from 关键字表 where 关键字='it''s'", "关键字", {"it's"}},
        Query{"chineseValue", "select * from 命令库 where 中文名='打印'", "命令名", {"print"}},
        Query{"emptyTextMatchesEmpty", "select * from 命令库 where 中文名=''", "命令名", {"prompt"}},
        Query{"numberColumnWithQuotedNumber", "select * from 命令库 where ID='2'", "命令名", {"prompt"}},
        Query{"numberColumnWithNumber", "select * from 命令库 where ID=3", "命令名", {"Print"}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(SampleSelect, nullDiffersFromEmptyText)
{
    auto keywords = m_db->query("select * from 关键字表");
    ASSERT_TRUE(keywords);
    EXPECT_TRUE(isNull((*keywords)->value(std::size_t((*keywords)->columnIndex("类别")))));
    auto commands = m_db->query("select * from 命令库 where 命令名='prompt'");
    ASSERT_TRUE(commands);
    const Value &chineseName = (*commands)->value(std::size_t((*commands)->columnIndex("中文名")));
    ASSERT_FALSE(isNull(chineseName));
    EXPECT_EQ(text(chineseName), "");
}

TEST_F(SampleSelect, memoComesBackWholeAndTypesAreKept)
{
    auto c = m_db->query("select * from 命令库 where 命令名='print' and 分类='1'");
    ASSERT_TRUE(c);
    ASSERT_FALSE((*c)->atEnd());
    EXPECT_EQ(text((*c)->value(std::size_t((*c)->columnIndex("说明")))), Qb::Test::sampleLongMemo());
    EXPECT_EQ(std::get<std::int64_t>((*c)->value(std::size_t((*c)->columnIndex("id")))), 1);
    EXPECT_EQ((*c)->columns().size(), 6u);
    EXPECT_TRUE(isNull((*c)->value(99)));
}

TEST_F(SampleSelect, rewindRestartsAndEndIsStable)
{
    auto c = m_db->query("select 命令名 from 命令库");
    ASSERT_TRUE(c);
    std::vector<std::string> first, second;
    auto readAll = [&](std::vector<std::string> &out) {
        while (!(*c)->atEnd()) {
            out.push_back(text((*c)->value(0)));
            ASSERT_TRUE((*c)->next());
        }
    };
    readAll(first);
    ASSERT_TRUE((*c)->next()); // past the end stays at the end
    EXPECT_TRUE((*c)->atEnd());
    EXPECT_TRUE(isNull((*c)->value(0)));
    ASSERT_TRUE((*c)->rewind());
    readAll(second);
    EXPECT_EQ(first, (std::vector<std::string>{"print", "prompt", "Print"}));
    EXPECT_EQ(first, second);
}

TEST_F(SampleSelect, aWriteEndsOpenCursorsAndLaterQueriesSeeIt)
{
    auto writable = Qb::Test::openSample(Qb::Test::sampleLibrary(), Database::Mode::ReadWrite);
    ASSERT_TRUE(writable);
    // An equality query first, so the lookup aid for 命令 exists before the write.
    EXPECT_EQ(column(*writable, "select * from 命令表 where 命令='X'", "说明"), std::vector<std::string>{});
    auto c = writable->query("select * from 命令表");
    ASSERT_TRUE(c);
    ASSERT_FALSE((*c)->atEnd());
    ASSERT_TRUE(writable->execute("insert into 命令表(命令,说明) values ('x','y')"));
    EXPECT_TRUE((*c)->atEnd());
    EXPECT_TRUE(isNull((*c)->value(0)));
    EXPECT_TRUE((*c)->next());
    EXPECT_EQ(column(*writable, "select * from 命令表 where 命令='X'", "说明"), (std::vector<std::string>{"y"}));
}

struct Refusal
{
    const char *name;
    std::string sql;
    ErrorCode code;
};

class RefusedQuery : public SampleSelect, public ::testing::WithParamInterface<Refusal> {};

TEST_P(RefusedQuery, failsWithItsCode)
{
    auto c = m_db->query(GetParam().sql);
    ASSERT_FALSE(c);
    EXPECT_EQ(c.error().code, GetParam().code) << c.error().message;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedQuery,
    ::testing::Values(Refusal{"noSuchTable", "select * from 无此表", ErrorCode::NoSuchTable},
                      Refusal{"noSuchSelectedColumn", "select 无此列 from 命令库", ErrorCode::NoSuchColumn},
                      Refusal{"noSuchWhereColumn", "select * from 命令库 where 无此列='1'", ErrorCode::NoSuchColumn},
                      Refusal{"textForNumberColumn", "select * from 命令库 where ID='abc'", ErrorCode::TypeMismatch},
                      Refusal{"changeThroughQuery", "delete from 命令库", ErrorCode::SqlSyntax},
                      Refusal{"outsideSubset", "select * from 命令库 union select * from 分类表", ErrorCode::SqlSyntax},
                      Refusal{"textForNumberInRange", "select * from 命令库 where ID>'abc'", ErrorCode::TypeMismatch},
                      Refusal{"groupedColumnNotInGroupBy", "select 命令名, count(*) from 命令库", ErrorCode::SqlSyntax},
                      Refusal{"sumOfText", "select sum(命令名) from 命令库", ErrorCode::TypeMismatch},
                      Refusal{"orderByPositionPastTheList", "select ID from 命令库 order by 2", ErrorCode::SqlSyntax}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(SampleSelect, executeRefusesSelectsAndReadOnlyWrites)
{
    auto select = m_db->execute("select * from 命令库");
    ASSERT_FALSE(select);
    EXPECT_EQ(select.error().code, ErrorCode::SqlSyntax);
    auto write = m_db->execute("delete from 命令库 where 命令名='print'");
    ASSERT_FALSE(write);
    EXPECT_EQ(write.error().code, ErrorCode::ReadOnly);
}

struct FixtureQuery
{
    const char *name;
    const char *file;
    std::string sql;
    std::string column;
    std::vector<std::string> rows;
};

class FixtureSelect : public ::testing::TestWithParam<FixtureQuery> {};

TEST_P(FixtureSelect, matchesTheKnownRows)
{
    const std::string path = Qb::Test::jetFixture(GetParam().file);
    if (path.empty())
        GTEST_SKIP() << Qb::Test::NoSharedMessage;
    auto db = Database::open(path, "", Database::Mode::ReadOnly);
    ASSERT_TRUE(db) << db.error().message;
    EXPECT_EQ(column(**db, GetParam().sql, GetParam().column), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, FixtureSelect,
    ::testing::Values(
        FixtureQuery{"caseInsensitiveKey", "northwind-Mahdisaeidi79.mdb", "select * from Customers where CustomerID='alfki'",
                     "CompanyName", {"Alfreds Futterkiste"}},
        FixtureQuery{"prefixOverManyPages", "northwind-Mahdisaeidi79.mdb",
                     "select CustomerID from Customers where CustomerID like 'a%'", "CustomerID",
                     {"ALFKI", "ANATR", "ANTON", "AROUT"}},
        FixtureQuery{"tableNameWithBlank", "northwind-Mahdisaeidi79.mdb",
                     "select * from [order details] where OrderID=10248", "ProductID", {"11", "42", "72"}},
        FixtureQuery{"chineseMemoChain", "zblogasp-data-2013-chinese.mdb",
                     "select conf_Name from blog_Config where conf_Name='AdvancedFunction'", "conf_Name",
                     {"AdvancedFunction"}},
        FixtureQuery{"overflowRowsFollowed", "jackcess-overflowTestV2000.mdb", "select * from Table1 where data1 like 'row%'",
                     "data1", {"row1col1", "row2col1", "row4col1", "row7col1"}},
        FixtureQuery{"overflowRowByEquality", "jackcess-overflowTestV2000.mdb",
                     "select * from Table1 where data3='ROW3COL3'", "data9", {"row3col9"}},
        FixtureQuery{"overflowRowsByEquality", "jackcess-overflowTestV2000.mdb",
                     "select * from Table1 where data1='row7col1'", "data7", {"row7col7"}},
        FixtureQuery{"deletedRowsSkipped", "jackcess-delTestV2000.mdb", "select * from [Table]", "a", {"z", "v"}}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
