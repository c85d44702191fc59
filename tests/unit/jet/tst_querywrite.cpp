// SPDX-License-Identifier: GPL-3.0-or-later
// Update and delete with the whole where-clause language, and the literals the wider subset
// adds to insert and update (null, true/false, decimals, #dates#), on a copy of the sample
// library and of a typed fixture held in memory. A statement that fails changes nothing.
#include "jet/jetdatabase.h"
#include "jet/storage/pagesource.h"

#include "samplelibrary_support.h"
#include "support/fixtures.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace Qb::Jet;

namespace {

std::string firstValues(Database &db, const std::string &sql)
{
    auto c = db.query(sql);
    EXPECT_TRUE(c) << sql << ": " << (c ? "" : c.error().message);
    std::string out;
    for (Cursor *cursor = c ? c->get() : nullptr; cursor && !cursor->atEnd(); (void)cursor->next()) {
        for (std::size_t i = 0; i < cursor->columns().size(); ++i) {
            const Value &v = cursor->value(i);
            out += i ? "|" : "";
            if (isNull(v))
                out += "NULL";
            else if (const auto *s = std::get_if<std::string>(&v))
                out += *s;
            else if (const auto *n = std::get_if<std::int64_t>(&v))
                out += std::to_string(*n);
            else if (const auto *b = std::get_if<bool>(&v))
                out += *b ? "true" : "false";
            else if (const auto *d = std::get_if<Date>(&v))
                out += "day " + std::to_string(d->days);
            else if (const auto *m = std::get_if<Currency>(&v))
                out += "cur " + std::to_string(m->units);
            else if (const auto *f = std::get_if<double>(&v))
                out += std::to_string(*f);
        }
        out += ";";
    }
    return out;
}

TEST(QueryWrite, updateAndDeleteTakeTheWholeConditionLanguage)
{
    auto db = Qb::Test::openSample(Qb::Test::sampleLibrary(), Database::Mode::ReadWrite);
    ASSERT_TRUE(db);
    const std::string before = firstValues(*db, "select ID, 命令名, 说明 from 命令库 where ID <> 1");

    // Refused statements change nothing, also when part of the clause was fine.
    for (const char *sql : {"update 命令库 set 命令名='x' where ID > 'abc'", "delete from 命令库 where ID = 2 or 无此列 = 1",
                            "update 命令库 set 命令名='x' where ID between 1", "delete from 命令库 where ID in (1,"}) {
        EXPECT_FALSE(db->execute(sql)) << sql;
        EXPECT_EQ(firstValues(*db, "select ID, 命令名, 说明 from 命令库 where ID <> 1"), before) << sql;
    }

    auto updated = db->execute("update 命令库 set 说明 = null, 类型 = 'x' where ID between 2 and 3 and not 命令名 = 'prompt'");
    ASSERT_TRUE(updated) << updated.error().message;
    EXPECT_EQ(*updated, 1u);
    EXPECT_EQ(firstValues(*db, "select ID, 类型 from 命令库 where 说明 is null"), "3|x;");

    auto deleted = db->execute("delete from 命令库 where 说明 is null or ID in (1, 99)");
    ASSERT_TRUE(deleted) << deleted.error().message;
    EXPECT_EQ(*deleted, 2u);
    EXPECT_EQ(firstValues(*db, "select ID, 命令名 from 命令库"), "2|prompt;");
}

std::vector<std::uint8_t> fileBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(QueryWrite, literalsOfEveryKindGoIntoTypedColumns)
{
    const std::string fixture = Qb::Test::jetFixture("northwind-Mahdisaeidi79.mdb");
    if (fixture.empty())
        GTEST_SKIP() << Qb::Test::NoSharedMessage;
    auto opened = Database::open(makeMemoryPageSource(fileBytes(fixture)), "", Database::Mode::ReadWrite);
    ASSERT_TRUE(opened) << opened.error().message;
    Database &db = **opened;

    auto inserted = db.execute("insert into Products(ProductName, Discontinued, UnitPrice, SupplierID, UnitsInStock) "
                               "values ('NewItem', true, 12.5, null, -3)");
    ASSERT_TRUE(inserted) << inserted.error().message;
    EXPECT_EQ(firstValues(db, "select Discontinued, UnitPrice, SupplierID, UnitsInStock from Products where ProductName = 'NewItem'"),
              "true|cur 125000|NULL|-3;");

    auto updated = db.execute("update Products set UnitPrice = 1.25, QuantityPerUnit = null, Discontinued = false "
                              "where ProductID in (1, 2)");
    ASSERT_TRUE(updated) << updated.error().message;
    EXPECT_EQ(*updated, 2u);
    EXPECT_EQ(firstValues(db, "select UnitPrice, QuantityPerUnit, Discontinued from Products where ProductID <= 2"),
              "cur 12500|NULL|false;cur 12500|NULL|false;");
    for (const char *sql : {"update Products set ProductName = true where ProductID = 1",
                            "insert into Products(ProductName, UnitsInStock) values ('x', 1.5)"}) {
        auto refused = db.execute(sql);
        ASSERT_FALSE(refused) << sql;
        EXPECT_EQ(refused.error().code, ErrorCode::TypeMismatch) << sql << ": " << refused.error().message;
    }
    EXPECT_EQ(firstValues(db, "select count(*) from Products where ProductName = 'x'"), "0;");
}

TEST(QueryWrite, dateLiteralsGoIntoDateColumns)
{
    const std::string fixture = Qb::Test::jetFixture("linq2db-TestData.mdb");
    if (fixture.empty())
        GTEST_SKIP() << Qb::Test::NoSharedMessage;
    auto opened = Database::open(makeMemoryPageSource(fileBytes(fixture)), "", Database::Mode::ReadWrite);
    ASSERT_TRUE(opened) << opened.error().message;
    Database &db = **opened;
    auto updated = db.execute("update LinqDataTypes set DateTimeValue2 = #1998-05-06 12:00:00#, StringValue = null "
                              "where ID = 3");
    ASSERT_TRUE(updated) << updated.error().message;
    EXPECT_EQ(firstValues(db, "select DateTimeValue2, StringValue from LinqDataTypes where ID = 3"),
              "day 35921.500000|NULL;");
    EXPECT_EQ(firstValues(db, "select ID from LinqDataTypes where DateTimeValue2 = #1998-05-06 12:00#"), "3;");
    for (const char *sql : {"update LinqDataTypes set DateTimeValue2 = 'soon' where ID = 3",
                            "update LinqDataTypes set StringValue = #1998-05-06# where ID = 3"}) {
        auto refused = db.execute(sql);
        ASSERT_FALSE(refused) << sql;
        EXPECT_EQ(refused.error().code, ErrorCode::TypeMismatch) << sql << ": " << refused.error().message;
    }
    EXPECT_EQ(firstValues(db, "select DateTimeValue2 from LinqDataTypes where ID = 3"), "day 35921.500000;");
}

} // namespace
