// SPDX-License-Identifier: GPL-3.0-or-later
// Rows found through real indexes: "=" conditions on indexed columns (Long and text keys,
// composite keys, literals outside the key's range) give exactly the rows a scan gives, in the
// same order; a damaged index is reported, never followed into wrong rows.
#include "jet/checker.h"
#include "jet/database.h"
#include "jet/format/indexpagewriter.h"
#include "jet/format/indexreader.h"
#include "jet/jetdatabase.h"
#include "jet/storage/pagesource.h"
#include "jet/write/emptylibrary.h"

#include "support/fixtures.h"
#include "writetest_support.h"

#include <gtest/gtest.h>

#include <functional>

using namespace Qb::Jet;
using Rows = std::vector<std::vector<std::string>>;

namespace {

constexpr const char *Password = "HPQVNRtoka3906";

Rows queryRows(Database &db, const std::string &sql, std::string *error = nullptr)
{
    Rows rows;
    auto cursor = db.query(sql);
    if (!cursor) {
        if (error)
            *error = cursor.error().message;
        return rows;
    }
    for (; !(*cursor)->atEnd(); (void)(*cursor)->next()) {
        std::vector<std::string> row;
        for (std::size_t i = 0; i < (*cursor)->columns().size(); ++i) {
            const Value &v = (*cursor)->value(i);
            row.push_back(isNull(v) ? "<null>"
                          : std::holds_alternative<std::string>(v) ? std::get<std::string>(v)
                          : std::holds_alternative<std::int64_t>(v) ? std::to_string(std::get<std::int64_t>(v))
                                                                    : "<value>");
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

struct Lookup
{
    const char *name;
    std::string table;
    std::string indexed;  // conditions an index serves
    std::string scanned;  // the same conditions as "like" patterns, which always scan
    std::size_t rows;
};

class IndexLookup : public ::testing::TestWithParam<Lookup> {};

TEST_P(IndexLookup, findsWhatAScanFinds)
{
    const std::string fixture = Qb::Test::jetFixture("northwind-Mahdisaeidi79.mdb");
    if (fixture.empty())
        GTEST_SKIP() << Qb::Test::NoSharedMessage;
    auto db = Database::open(makeMemoryPageSource(Qb::Test::readFile(fixture)), "", Database::Mode::ReadOnly);
    ASSERT_TRUE(db);
    const Lookup &l = GetParam();
    std::string error;
    const Rows found = queryRows(**db, "select * from " + l.table + " where " + l.indexed, &error);
    ASSERT_EQ(error, "");
    EXPECT_EQ(found.size(), l.rows);
    EXPECT_EQ(found, queryRows(**db, "select * from " + l.table + " where " + l.scanned));
}

INSTANTIATE_TEST_SUITE_P(
    Northwind, IndexLookup,
    ::testing::Values(
        Lookup{"primaryKey", "Orders", "OrderID=10248", "OrderID like '10248'", 1},
        Lookup{"primaryKeyAbsent", "Orders", "OrderID=99999", "OrderID like '99999'", 0},
        Lookup{"numberGivenAsText", "Orders", "OrderID='10250'", "OrderID like '10250'", 1},
        Lookup{"negativeNumber", "Orders", "OrderID=-10250", "OrderID like '-10250'", 0},
        Lookup{"pastTheLongRange", "Orders", "OrderID=4294977546", "OrderID like '4294977546'", 0},
        Lookup{"manyRowsAcrossLeaves", "Orders", "ShipVia=3", "ShipVia like '3'", 255},
        Lookup{"textKeyIgnoresCase", "Orders", "CustomerID='vinet'", "CustomerID like 'VINET'", 4},
        Lookup{"textKeyShared", "Customers", "City='london'", "City like 'London'", 6},
        Lookup{"compositeKey", "[Order Details]", "OrderID=10248 and ProductID=42",
               "OrderID like '10248' and ProductID like '42'", 1},
        Lookup{"compositeKeyFirstColumn", "[Order Details]", "OrderID=10248", "OrderID like '10248'", 3},
        Lookup{"secondColumnHasItsOwnIndex", "[Order Details]", "ProductID=42", "ProductID like '42'", 30},
        Lookup{"indexedAndPlainConditions", "Orders", "CustomerID='VINET' and ShipVia=3",
               "CustomerID like 'vinet' and ShipVia like '3'", 1}),
    [](const auto &info) { return std::string(info.param.name); });

// A library with enough commands for a B-tree of several levels; rows moved by growing updates.
std::vector<std::uint8_t> libraryWithCommands(std::unique_ptr<Database> &db)
{
    auto opened = Database::open(makeMemoryPageSource(EmptyLibrary::build(45000)), Password);
    if (!opened)
        return {};
    db = std::move(*opened);
    for (int i = 1; i <= 1500; ++i)
        if (!db->execute("insert into 命令库(命令名,中文名,分类,说明,类型) values ('c" + std::to_string(i) + "','','"
                         + std::to_string(i % 7) + "','d','无')"))
            return {};
    for (int i = 1; i <= 1500; i += 50)
        if (!db->execute("update 命令库 set 命令名='" + std::string(200, 'g') + std::to_string(i) + "' where ID=" + std::to_string(i)))
            return {};
    return Qb::Test::sourceBytes(static_cast<JetDatabase &>(*db).pages().source());
}

TEST(IndexLookup, primaryKeyFindsMovedRowsInADeepTree)
{
    std::unique_ptr<Database> db;
    const auto bytes = libraryWithCommands(db);
    ASSERT_FALSE(bytes.empty());
    const TableDef t = **static_cast<JetDatabase &>(*db).tableDef("命令库");
    EXPECT_GE(Qb::Test::walkIndex(bytes, t.realIndexes[0].rootPage, t.page).depth, 2u);
    for (int id : {1, 51, 52, 750, 1451, 1500}) {
        const Rows rows = queryRows(*db, "select ID,命令名 from 命令库 where ID=" + std::to_string(id));
        ASSERT_EQ(rows.size(), 1u) << id;
        EXPECT_EQ(rows[0][0], std::to_string(id));
        EXPECT_EQ(rows[0][1], id % 50 == 1 ? std::string(200, 'g') + std::to_string(id) : "c" + std::to_string(id));
    }
    EXPECT_TRUE(queryRows(*db, "select * from 命令库 where ID=1501").empty());
}

// Damage to the index under a lookup: reported, or (a stale entry) passed over; the scan still
// reads every row and a statement that needs the index changes nothing.
struct IndexDamage
{
    const char *name;
    void (*apply)(std::vector<std::uint8_t> &bytes, std::uint32_t root, std::uint32_t table);
    bool lookupFails;
};

class DamagedIndexLookup : public ::testing::TestWithParam<IndexDamage> {};

TEST_P(DamagedIndexLookup, isReportedNotFollowed)
{
    std::unique_ptr<Database> made;
    std::vector<std::uint8_t> bytes = libraryWithCommands(made);
    ASSERT_FALSE(bytes.empty());
    const TableDef t = **static_cast<JetDatabase &>(*made).tableDef("命令库");
    GetParam().apply(bytes, t.realIndexes[0].rootPage, t.page);
    auto opened = Database::open(makeMemoryPageSource(bytes), Password);
    ASSERT_TRUE(opened);
    Database &db = **opened;
    std::string error;
    const Rows found = queryRows(db, "select * from 命令库 where ID=700", &error);
    if (GetParam().lookupFails) {
        EXPECT_NE(error, "");
        EXPECT_TRUE(found.empty());
    } else {
        EXPECT_EQ(error, "");
        EXPECT_LE(found.size(), 1u);
        if (!found.empty()) {
            EXPECT_EQ(found[0][0], "700") << "an entry never yields another row";
        }
    }
    EXPECT_EQ(queryRows(db, "select * from 命令库").size(), 1500u);
    if (GetParam().lookupFails) {
        EXPECT_FALSE(db.execute("update 命令库 set 说明='x' where ID=700"));
        EXPECT_TRUE(Qb::Test::sourceBytes(static_cast<JetDatabase &>(db).pages().source()) == bytes);
    }
}

// Decodes index page `number` of `bytes`, lets `change` edit it and encodes it back.
void editIndexPage(std::vector<std::uint8_t> &bytes, std::uint32_t number, const std::function<void(IndexPageImage &)> &change)
{
    const std::span page(bytes.data() + std::size_t(number) * PageSize, PageSize);
    auto image = decodeIndexPage(page, number);
    ASSERT_TRUE(image) << image.error().message;
    change(*image);
    auto encoded = encodeIndexPage(*image);
    ASSERT_TRUE(encoded);
    std::copy(encoded->begin(), encoded->end(), page.begin());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedIndexLookup,
    ::testing::Values(
        IndexDamage{"rootIsNotAnIndexPage",
                    [](auto &b, std::uint32_t root, std::uint32_t) { b[std::size_t(root) * PageSize] = 0x01; }, true},
        IndexDamage{"treeLoops",
                    [](auto &b, std::uint32_t root, std::uint32_t) {
                        editIndexPage(b, root, [&](IndexPageImage &image) {
                            ASSERT_FALSE(image.leaf);
                            for (auto &e : image.entries)
                                e = nodeEntry(entryWithoutChild(e), root);
                            image.tail = root;
                        });
                    },
                    true},
        IndexDamage{"entryNamesAnotherRow",
                    [](auto &b, std::uint32_t, std::uint32_t table) {
                        // The entry of ID 700 is given the row pointer of its neighbour.
                        const auto key = longKey(700);
                        for (std::uint32_t p = 0; p < b.size() / PageSize; ++p) {
                            const std::size_t at = std::size_t(p) * PageSize;
                            if (b[at] != 0x04 || u32(b, at + 4) != table)
                                continue;
                            editIndexPage(b, p, [&](IndexPageImage &image) {
                                for (std::size_t i = 0; i + 1 < image.entries.size(); ++i) {
                                    auto &e = image.entries[i];
                                    if (std::equal(key.begin(), key.end(), e.begin()))
                                        std::copy(image.entries[i + 1].end() - 4, image.entries[i + 1].end(), e.end() - 4);
                                }
                            });
                        }
                    },
                    false}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
