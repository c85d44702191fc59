// SPDX-License-Identifier: GPL-3.0-or-later
// The query engine against SQLite holding the same rows: a generated command library (mixed
// case, Chinese, NULLs) and typed fixture tables (Long, Integer, Currency, Decimal, Date/Time,
// Yes/No), each exported through our own cursor into SQLite. SQLite compares text with a
// collation built here from the General sort order's reference tables, so text comparison,
// ordering, grouping, min and max are checked against the sort order itself, not SQLite's.
#include "jet/format/rowcodec.h"
#include "jet/format/text.h"
#include "jet/sql/queryplan.h"

#include "samplelibrary_support.h"
#include "support/fixtures.h"
#include "writetest_support.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>

using namespace Qb::Jet;

namespace {

// The General sort order from its reference code tables: each character's inline weight bytes
// (S, I, P and Z lines; the hex before the first comma), none for U and X.
class ReferenceOrder
{
public:
    bool load(const std::string &dir)
    {
        std::ifstream basic(dir + "/index_codes_genleg.txt");
        std::ifstream ext(dir + "/index_codes_ext_genleg.txt");
        std::string line;
        for (char32_t c = 0; c < 0x10000 && std::getline(c < 256 ? basic : ext, line); ++c) {
            if (c == 0xD800)
                c = 0xE000;
            std::string hex = line.size() > 1 ? line.substr(1, line.find(',') - 1) : "";
            if (line.empty() || std::string("SIPZ").find(line[0]) == std::string::npos)
                hex.clear();
            if (hex.size() % 2)
                hex.insert(hex.begin(), '0');
            std::string bytes;
            for (std::size_t i = 0; i + 2 <= hex.size(); i += 2)
                bytes += char(std::stoi(hex.substr(i, 2), nullptr, 16));
            m_weights[c] = bytes;
        }
        return m_weights.size() > 60000;
    }

    // Primary weights (trailing blanks dropped), then the ASCII-folded text: the test data's
    // letters are ASCII, so that is the whole case folding it needs.
    int compare(std::u16string_view a, std::u16string_view b) const
    {
        const auto key = [&](std::u16string_view s) {
            while (!s.empty() && s.back() == u' ')
                s.remove_suffix(1);
            std::string k;
            for (char16_t c : s)
                k += m_weights.at(c);
            return k;
        };
        if (const int c = key(a).compare(key(b)); c != 0)
            return c < 0 ? -1 : 1;
        const auto fold = [](std::u16string s) {
            for (char16_t &c : s)
                c = (c >= 'A' && c <= 'Z') ? char16_t(c + 32) : c;
            return s;
        };
        const std::u16string fa = fold(std::u16string(a)), fb = fold(std::u16string(b));
        return fa < fb ? -1 : fb < fa ? 1 : 0;
    }

private:
    std::map<char32_t, std::string> m_weights;
};

ReferenceOrder g_order;

int generalCollation(void *, int na, const void *a, int nb, const void *b)
{
    return g_order.compare(utf8ToUtf16({static_cast<const char *>(a), std::size_t(na)}),
                           utf8ToUtf16({static_cast<const char *>(b), std::size_t(nb)}));
}

using Row = std::vector<std::string>;

// Cells as both sides print them: NULL, numbers by value (dates as day numbers, Yes as -1,
// currency and decimals as their value), text as it is.
// Ten digits on both sides: an average or a sum may differ in the last bits.
std::string numberCell(double v, int digits = 10)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "#%.*g", digits, std::abs(v) < 1e-12 ? 0.0 : v);
    return buffer;
}

std::string ourCell(const Value &v, const ColumnDef &column, int digits = 10)
{
    if (isNull(v))
        return "NULL";
    if (const auto *s = std::get_if<std::string>(&v))
        return "'" + *s;
    if (const auto *b = std::get_if<bool>(&v))
        return numberCell(*b ? -1 : 0, digits);
    if (const auto *i = std::get_if<std::int64_t>(&v))
        return numberCell(double(*i), digits);
    if (const auto *d = std::get_if<double>(&v))
        return numberCell(column.type == std::uint8_t(ColumnType::Single) ? double(float(*d)) : *d, digits);
    if (const auto *date = std::get_if<Date>(&v))
        return numberCell(date->days, digits);
    if (const auto *c = std::get_if<Currency>(&v))
        return numberCell(double(c->units) / 10000.0, digits);
    if (column.type == std::uint8_t(ColumnType::Numeric))
        return numberCell(std::stod(valueText(v, column)), digits);
    return "x" + valueText(v, column);
}

void bindValue(sqlite3_stmt *st, int at, const Value &v, const ColumnDef &column)
{
    const std::string cell = ourCell(v, column, 17);
    if (cell == "NULL")
        sqlite3_bind_null(st, at);
    else if (cell[0] == '#')
        sqlite3_bind_double(st, at, std::stod(cell.substr(1)));
    else
        sqlite3_bind_text(st, at, cell.c_str() + 1, int(cell.size() - 1), SQLITE_TRANSIENT);
}

std::string sqliteCell(sqlite3_stmt *st, int column)
{
    switch (sqlite3_column_type(st, column)) {
    case SQLITE_NULL: return "NULL";
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: return numberCell(sqlite3_column_double(st, column));
    default: return "'" + std::string(reinterpret_cast<const char *>(sqlite3_column_text(st, column)));
    }
}

class QueryAgainstSqlite : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        const std::string shared = Qb::Test::sharedDir();
        if (shared.empty() || !g_order.load(shared + "/jet/sort-order"))
            return;
        s_dir = new Qb::Test::TempDir;
        ASSERT_TRUE(Database::createLibrary(s_dir->path("lib.mdb")));
        auto lib = Database::open(s_dir->path("lib.mdb"), Qb::Test::LibraryPassword, Database::Mode::ReadWrite);
        ASSERT_TRUE(lib) << lib.error().message;
        fillLibrary(**lib);
        s_library = static_cast<JetDatabase *>(lib->release());
        auto typed = Database::open(Qb::Test::jetFixture("northwind-Mahdisaeidi79.mdb"), "", Database::Mode::ReadOnly);
        auto linq = Database::open(Qb::Test::jetFixture("linq2db-TestData.mdb"), "", Database::Mode::ReadOnly);
        ASSERT_TRUE(typed && linq);
        s_northwind = static_cast<JetDatabase *>(typed->release());
        s_linq = static_cast<JetDatabase *>(linq->release());
        ASSERT_EQ(sqlite3_open(":memory:", &s_sqlite), SQLITE_OK);
        sqlite3_create_collation(s_sqlite, "GENERAL", SQLITE_UTF8, nullptr, generalCollation);
        for (const char *table : {"命令库"})
            exportTable(*s_library, table);
        for (const char *table : {"Orders", "Products", "Order Details"})
            exportTable(*s_northwind, table);
        exportTable(*s_linq, "LinqDataTypes");
    }

    static void TearDownTestSuite()
    {
        sqlite3_close(s_sqlite);
        delete s_library;
        delete s_northwind;
        delete s_linq;
        delete s_dir;
    }

    void SetUp() override
    {
        if (!s_sqlite)
            GTEST_SKIP() << Qb::Test::NoSharedMessage;
    }

    // 300 commands: names in mixed case with and without digits, with a trailing blank, an
    // apostrophe and a hyphen (weighed out of line), Chinese names; NULLs in three columns.
    static void fillLibrary(Database &db)
    {
        static const char *const names[] = {"print", "Print", "PRINT", "apple", "Apple2", "zeta", "_under", "a b",
                                            "it's", "its", "co-op", "coop", "print ", "命令", "分类", "打印", "中文",
                                            "Zeta", "éclair", "10", "9"};
        static const char *const chinese[] = {"打印", "输入", "中文", "命令", "分类", "一", "丁", "表", "库", "键"};
        ASSERT_TRUE(db.beginTransaction());
        for (int i = 1; i <= 300; ++i) {
            const std::string name = i <= 21 ? names[i - 1] : (i % 3 ? "cmd" : i % 2 ? "Cmd" : "CMD") + std::to_string(i);
            const std::string cn = i % 11 == 0 ? "null" : "'" + std::string(chinese[i % 10]) + std::to_string(i % 4) + "'";
            const std::string category = i % 13 == 0 ? "null" : "'" + std::to_string(i % 5) + "'";
            const std::string memo = i % 7 == 0 ? "null" : "'说明 " + std::to_string(i) + "'";
            const std::string sql = "insert into 命令库(命令名,中文名,分类,说明,类型) values ('"
                + (name == "it's" ? std::string("it''s") : name) + "'," + cn + "," + category + "," + memo + ",'"
                + (i % 4 ? "函数" : "语句") + "')";
            ASSERT_TRUE(db.execute(sql)) << sql;
        }
        ASSERT_TRUE(db.commitTransaction());
    }

    static void exportTable(JetDatabase &db, const std::string &table)
    {
        Statement all;
        all.table = table;
        all.allColumns = true;
        auto cursor = runSelect(db, all);
        ASSERT_TRUE(cursor) << cursor.error().message;
        std::string create = "create table [" + table + "] (";
        std::string insert = "insert into [" + table + "] values (";
        for (std::size_t i = 0; i < (*cursor)->columns().size(); ++i) {
            const bool text = (*cursor)->columnDef(i).isText();
            create += (i ? ", [" : "[") + (*cursor)->columns()[i] + "]" + (text ? " text collate GENERAL" : "");
            insert += i ? ", ?" : "?";
        }
        ASSERT_EQ(sqlite3_exec(s_sqlite, (create + ")").c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_stmt *st = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(s_sqlite, (insert + ")").c_str(), -1, &st, nullptr), SQLITE_OK);
        for (ResultCursor &c = **cursor; !c.atEnd();) {
            for (std::size_t i = 0; i < c.columns().size(); ++i)
                bindValue(st, int(i + 1), c.value(i), c.columnDef(i));
            ASSERT_EQ(sqlite3_step(st), SQLITE_DONE);
            sqlite3_reset(st);
            ASSERT_TRUE(c.next());
        }
        sqlite3_finalize(st);
    }

    static std::vector<Row> ours(JetDatabase &db, const std::string &sql)
    {
        auto statement = parseStatement(sql);
        EXPECT_TRUE(statement) << sql << ": " << statement.error().message;
        if (!statement)
            return {};
        auto cursor = runSelect(db, *statement);
        EXPECT_TRUE(cursor) << sql << ": " << cursor.error().message;
        std::vector<Row> rows;
        for (ResultCursor *c = cursor ? cursor->get() : nullptr; c && !c->atEnd();) {
            rows.emplace_back();
            for (std::size_t i = 0; i < c->columns().size(); ++i)
                rows.back().push_back(ourCell(c->value(i), c->columnDef(i)));
            if (auto ok = c->next(); !ok) {
                ADD_FAILURE() << sql << ": " << ok.error().message;
                break;
            }
        }
        return rows;
    }

    static std::vector<Row> theirs(const std::string &sql)
    {
        sqlite3_stmt *st = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(s_sqlite, sql.c_str(), -1, &st, nullptr), SQLITE_OK) << sqlite3_errmsg(s_sqlite);
        std::vector<Row> rows;
        while (st && sqlite3_step(st) == SQLITE_ROW) {
            rows.emplace_back();
            for (int i = 0; i < sqlite3_column_count(st); ++i)
                rows.back().push_back(sqliteCell(st, i));
        }
        sqlite3_finalize(st);
        return rows;
    }

    static inline Qb::Test::TempDir *s_dir = nullptr;
    static inline JetDatabase *s_library = nullptr;
    static inline JetDatabase *s_northwind = nullptr;
    static inline JetDatabase *s_linq = nullptr;
    static inline sqlite3 *s_sqlite = nullptr;
};

enum class Source { Library, Northwind, Linq };

struct Case
{
    const char *name;
    Source source;
    const char *ours;
    const char *sqlite;   // null: the same text
    bool ordered;         // an order by fixes the order
};

class QueryCases : public QueryAgainstSqlite, public ::testing::WithParamInterface<Case> {};

TEST_P(QueryCases, giveTheRowsSqliteGives)
{
    const Case &c = GetParam();
    JetDatabase &db = c.source == Source::Library ? *s_library : c.source == Source::Northwind ? *s_northwind : *s_linq;
    std::vector<Row> mine = ours(db, c.ours);
    std::vector<Row> expected = theirs(c.sqlite ? c.sqlite : c.ours);
    if (!c.ordered) {
        std::sort(mine.begin(), mine.end());
        std::sort(expected.begin(), expected.end());
    }
    EXPECT_EQ(mine, expected) << c.ours;
    EXPECT_FALSE(expected.empty() && std::string(c.name).find("none") == std::string::npos)
        << "the case selects nothing, so it shows little: " << c.ours;
}

constexpr Source L = Source::Library;
constexpr Source N = Source::Northwind;
constexpr Source Q = Source::Linq;

INSTANTIATE_TEST_SUITE_P(
    Library, QueryCases,
    ::testing::Values(
        Case{"equal", L, "select ID, 命令名 from 命令库 where ID = 17", nullptr, false},
        Case{"notEqual", L, "select ID from 命令库 where ID <> 17", nullptr, false},
        Case{"lessAndLessEqual", L, "select ID from 命令库 where ID < 10 or ID <= 12 and 分类 = '2'", nullptr, false},
        Case{"greaterAndGreaterEqual", L, "select ID from 命令库 where ID > 295 or ID >= 290 and ID >= 289", nullptr, false},
        Case{"literalOnTheLeft", L, "select ID from 命令库 where 10 > ID", nullptr, false},
        Case{"betweenIncludesBothBounds", L, "select ID from 命令库 where ID between 5 and 9", nullptr, false},
        Case{"notBetween", L, "select ID from 命令库 where ID not between 5 and 295", nullptr, false},
        Case{"inOneValue", L, "select ID from 命令库 where ID in (3)", nullptr, false},
        Case{"inManyValuesSomeMissing", L, "select ID from 命令库 where ID in (1, 50, 50, 299, 1000, -4)", nullptr, false},
        Case{"notIn", L, "select ID from 命令库 where ID not in (1, 2, 3) and ID < 8", nullptr, false},
        Case{"inOnText", L, "select ID from 命令库 where 命令名 in ('PRINT', 'coop', '打印')", nullptr, false},
        Case{"isNull", L, "select ID from 命令库 where 说明 is null", nullptr, false},
        Case{"isNotNull", L, "select ID from 命令库 where 中文名 is not null and ID < 30", nullptr, false},
        Case{"equalsNullMatchesnone", L, "select ID from 命令库 where 说明 = null", nullptr, false},
        Case{"notOfUnknownMatchesnone", L, "select ID from 命令库 where not (说明 <> null)", nullptr, false},
        Case{"nullInListMatchesnone", L, "select ID from 命令库 where 分类 not in ('1', null)", nullptr, false},
        Case{"unknownOrTrue", L, "select ID from 命令库 where 分类 = '1' or ID = 13", nullptr, false},
        Case{"textEqualityIgnoresCase", L, "select ID from 命令库 where 命令名 = 'PRINT'", nullptr, false},
        Case{"textLessInGeneralOrder", L, "select ID from 命令库 where 命令名 < 'b'", nullptr, false},
        Case{"chineseRange", L, "select ID from 命令库 where 中文名 between '丁' and '打印9'", nullptr, false},
        Case{"textAgainstDigits", L, "select ID from 命令库 where 命令名 >= 'cmd2' and 命令名 < 'cmd3'", nullptr, false},
        Case{"like", L, "select ID from 命令库 where 命令名 like 'cmd1%' or 命令名 like '_rint'", nullptr, false},
        Case{"notLike", L, "select ID from 命令库 where 命令名 not like '%m%'", nullptr, false},
        Case{"andBindsBeforeOr", L, "select ID from 命令库 where ID < 5 or ID > 295 and 分类 = '2'", nullptr, false},
        Case{"parenthesesFirst", L, "select ID from 命令库 where (ID < 5 or ID > 295) and 分类 = '2'", nullptr, false},
        Case{"not", L, "select ID from 命令库 where not ID > 3", nullptr, false},
        Case{"aggregates", L,
             "select count(*), count(说明), min(命令名), max(命令名), min(中文名), max(ID), sum(ID), avg(ID) from 命令库",
             nullptr, true},
        Case{"aggregatesOfnone", L, "select count(*), count(说明), min(命令名), max(ID), sum(ID), avg(ID) from 命令库 where ID > 1000",
             nullptr, true},
        Case{"groupByWithCount", L, "select 分类, count(*), count(说明), max(ID) from 命令库 group by 分类", nullptr, false},
        Case{"groupByOrdered", L, "select 类型, 分类, count(*) as n from 命令库 where ID > 20 group by 类型, 分类 order by n desc, 1, 2",
             nullptr, true},
        Case{"distinct", L, "select distinct 类型, 分类 from 命令库", nullptr, false},
        Case{"orderByTextMixedCaseAndChinese", L, "select ID, 命令名 from 命令库 where ID <= 40 order by 命令名, ID", nullptr, true},
        Case{"orderByChineseDescending", L, "select 中文名, ID from 命令库 order by 中文名 desc, ID", nullptr, true},
        Case{"orderByPositionAndAlias", L, "select ID as n, 分类 from 命令库 where ID < 40 order by 2, n desc", nullptr, true},
        Case{"orderByIndexedColumnDescending", L, "select ID, 命令名 from 命令库 order by ID desc", nullptr, true},
        Case{"orderByColumnNotShown", L, "select 命令名 from 命令库 where ID < 25 order by ID desc", nullptr, true},
        Case{"topWithOrderBy", L, "select top 5 ID, 命令名 from 命令库 order by 命令名 desc, ID",
             "select ID, 命令名 from 命令库 order by 命令名 desc, ID limit 5", true},
        Case{"topOverAnIndexRange", L, "select top 3 ID from 命令库 where ID > 100 order by ID",
             "select ID from 命令库 where ID > 100 order by ID limit 3", true}),
    [](const auto &info) { return std::string(info.param.name); });

// The Jet day numbers of the dates SQLite is given: 1997-01-01 is day 35431.
INSTANTIATE_TEST_SUITE_P(
    Typed, QueryCases,
    ::testing::Values(
        Case{"currencyGreater", N, "select OrderID from Orders where Freight > 100", nullptr, false},
        Case{"currencyFraction", N, "select OrderID, Freight from Orders where Freight between 32.38 and 33.5", nullptr, false},
        Case{"dateRange", N, "select OrderID from Orders where OrderDate between #1997-01-01# and #1997-01-31 23:59:59#",
             "select OrderID from Orders where OrderDate between 35431 and 35461.99998842593", false},
        Case{"dateIsNull", N, "select OrderID from Orders where ShippedDate is null", nullptr, false},
        Case{"groupedCurrencyAndDates", N,
             "select EmployeeID, count(*), sum(Freight), avg(Freight), min(OrderDate), max(OrderDate) from Orders "
             "group by EmployeeID order by EmployeeID",
             nullptr, true},
        Case{"textInListThroughAnIndex", N, "select OrderID from Orders where CustomerID in ('VINET', 'toms', 'none')",
             nullptr, false},
        Case{"rangeOnTheFirstColumnOfACompositeKey", N,
             "select OrderID, ProductID from [Order Details] where OrderID between 10250 and 10252 or OrderID = 11077",
             nullptr, false},
        Case{"rangeBesideAnotherIndexedCondition", N,
             "select OrderID from Orders where EmployeeID between 2 and 3 and OrderID < 10300 and CustomerID <> 'HANAR'",
             nullptr, false},
        Case{"booleanTrue", N, "select ProductID from Products where Discontinued = true",
             "select ProductID from Products where Discontinued = -1", false},
        Case{"booleanCount", N, "select Discontinued, count(*) from Products group by Discontinued", nullptr, false},
        Case{"integerEqualsZero", N, "select ProductID from Products where UnitsInStock = 0", nullptr, false},
        Case{"currencyHalfOpen", N, "select ProductID from Products where UnitPrice >= 20 and UnitPrice < 30.5", nullptr, false},
        Case{"orderByCurrency", N, "select top 7 ProductName, UnitPrice from Products order by UnitPrice desc, ProductName",
             "select ProductName, UnitPrice from Products order by UnitPrice desc, ProductName limit 7", true},
        Case{"decimalGreater", Q, "select ID from LinqDataTypes where MoneyValue > 5.5", nullptr, false},
        Case{"decimalEqual", Q, "select ID from LinqDataTypes where MoneyValue = 11.45", nullptr, false},
        Case{"decimalOrderAndSum", Q, "select ID, MoneyValue from LinqDataTypes order by MoneyValue desc, ID", nullptr, true},
        Case{"booleanFalse", Q, "select ID from LinqDataTypes where BoolValue = false",
             "select ID from LinqDataTypes where BoolValue = 0", false},
        Case{"dateWithTime", Q, "select ID from LinqDataTypes where DateTimeValue > #2009-09-20 09:19:29#",
             "select ID from LinqDataTypes where DateTimeValue > 40076.38853009259", false},
        Case{"smallIntIn", Q, "select ID, SmallIntValue from LinqDataTypes where SmallIntValue in (1, 3, 5)", nullptr, false},
        Case{"sumOfInteger", Q, "select sum(SmallIntValue), sum(MoneyValue), min(DateTimeValue) from LinqDataTypes", nullptr, true}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
