// SPDX-License-Identifier: GPL-3.0-or-later
// Index use of the query engine, measured in pages read from the file: ranges and in-lists on
// the primary key read the rows in range and the index pages above them, not the table; "order
// by" the key streams in key order (top stops early); conditions no index serves scan.
#include "jet/jetdatabase.h"
#include "jet/storage/pagesource.h"
#include "jet/write/emptylibrary.h"

#include "samplelibrary_support.h"
#include "writetest_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

using namespace Qb::Jet;

namespace {

// 2,000 commands with long names: about ten rows to a data page.
const std::vector<std::uint8_t> &largeLibrary()
{
    static const std::vector<std::uint8_t> bytes = [] {
        auto source = makeMemoryPageSource(EmptyLibrary::build(45000.0));
        PageSource *raw = source.get();
        auto db = Database::open(std::move(source), Qb::Test::LibraryPassword);
        EXPECT_TRUE(db && (*db)->beginTransaction());
        const std::string wide(250, 'n');
        for (int i = 1; i <= 2000; ++i)
            EXPECT_TRUE((*db)->execute("insert into 命令库(命令名,中文名,分类,说明,类型) values ('c" + std::to_string(i)
                                       + "','" + wide + "','" + std::to_string(i % 7) + "','', 'x')"));
        EXPECT_TRUE((*db)->commitTransaction());
        std::vector<std::uint8_t> out(std::size_t(*raw->pageCount()) * PageSize);
        for (std::uint32_t p = 0; p < *raw->pageCount(); ++p)
            EXPECT_TRUE(raw->read(p, std::span(out).subspan(std::size_t(p) * PageSize, PageSize)));
        return out;
    }();
    return bytes;
}

struct Reading
{
    std::vector<std::int64_t> ids;
    std::size_t pages = 0;
};

// The IDs `sql` gives and the pages it read, on a freshly opened copy (nothing cached).
Reading readWith(const std::string &sql)
{
    std::set<std::uint32_t> read;
    auto db = Database::open(std::make_unique<Qb::Test::ReadWatchingSource>(makeMemoryPageSource(largeLibrary()),
                                                                        [&read](std::uint32_t page) { read.insert(page); }),
                             Qb::Test::LibraryPassword, Database::Mode::ReadOnly);
    EXPECT_TRUE(db);
    read.clear();
    Reading r;
    auto cursor = (*db)->query(sql);
    EXPECT_TRUE(cursor) << sql << ": " << (cursor ? "" : cursor.error().message);
    for (Cursor *c = cursor ? cursor->get() : nullptr; c && !c->atEnd(); (void)c->next())
        r.ids.push_back(std::get<std::int64_t>(c->value(0)));
    r.pages = read.size();
    return r;
}

std::vector<std::int64_t> ids(std::int64_t from, std::int64_t to, int step = 1)
{
    std::vector<std::int64_t> out;
    for (std::int64_t i = from; step > 0 ? i <= to : i >= to; i += step)
        out.push_back(i);
    return out;
}

TEST(QueryIndex, rangesReadTheirRowsOnly)
{
    const Reading scan = readWith("select ID from 命令库 where not (ID < 1000 or ID > 1009)");
    ASSERT_EQ(scan.ids, ids(1000, 1009));
    ASSERT_GT(scan.pages, 150u) << "the fixture is too small to show the difference";

    struct Case
    {
        const char *sql;
        std::vector<std::int64_t> expected;
    };
    for (const Case &c : {Case{"select ID from 命令库 where ID between 1000 and 1009", ids(1000, 1009)},
                          Case{"select ID from 命令库 where ID >= 1995 and 分类 <> '0'", {1996, 1997, 1998, 1999, 2000}},
                          Case{"select ID from 命令库 where ID > 1990.5 and ID < 1993", {1991, 1992}},
                          Case{"select ID from 命令库 where ID in (7, 1500, 7, 99999)", {7, 1500}},
                          Case{"select top 3 ID from 命令库 order by ID desc", {2000, 1999, 1998}},
                          Case{"select ID from 命令库 where 1003 >= ID and ID > 999 order by ID desc", {1003, 1002, 1001, 1000}}}) {
        const Reading r = readWith(c.sql);
        EXPECT_EQ(r.ids, c.expected) << c.sql;
        EXPECT_LT(r.pages, 15u) << c.sql;
    }
}

TEST(QueryIndex, orderByTheKeyStreamsEveryRowInKeyOrder)
{
    const Reading r = readWith("select ID from 命令库 where 分类 = '3' or 分类 = '4' order by ID desc");
    std::vector<std::int64_t> expected;
    for (std::int64_t i = 2000; i >= 1; --i)
        if (i % 7 == 3 || i % 7 == 4)
            expected.push_back(i);
    EXPECT_EQ(r.ids, expected);
}

} // namespace
