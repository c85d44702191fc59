// SPDX-License-Identifier: GPL-3.0-or-later
// Which long-value page a memo goes onto: a page with room keeps taking memos after one did not
// fit, a page too full for the smallest row leaves the free-space map, and the same statements
// lay the pages out alike as separate transactions or as one.
#include "jet/checker.h"
#include "jet/database.h"
#include "jet/format/datapagewriter.h"
#include "jet/jetdatabase.h"
#include "jet/storage/pagealloc.h"
#include "jet/write/txwriter.h"

#include "writetest_support.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace Qb::Jet;

namespace {

constexpr const char *Password = "HPQVNRtoka3906";

// Characters outside Latin-1 are stored two bytes each, so a memo of n of them is a 2n-byte row.
std::string memoOf(int chars)
{
    std::string s;
    for (int i = 0; i < chars; ++i)
        s += (i % 2) ? "命" : "令";
    return s;
}

struct Layout
{
    const char *name;
    std::vector<int> memoChars;     // inserted in this order, one command each
    std::size_t lvPages;            // long-value pages the column owns afterwards
    std::vector<bool> inFreeMap;    // for each of them (ascending): whether its free bit is set
};

void PrintTo(const Layout &layout, std::ostream *os) { *os << layout.name; }

class LongValuePlacement : public ::testing::TestWithParam<std::tuple<Layout, bool>> {};

// The long-value pages of 命令库.说明, ascending, and which of them its free-space map names.
std::pair<std::vector<std::uint32_t>, std::vector<bool>> memoPages(JetDatabase &db)
{
    const TableDef def = **db.tableDef("命令库");
    const auto column = std::ranges::find(def.columns, std::string("说明"), &ColumnDef::name);
    const auto maps = std::ranges::find(def.longValueMaps, column->number, &LongValueMaps::columnNumber);
    TxWriter tx(db.pages());
    const auto owned = *PageAlloc::mapPages(tx, maps->owned);
    std::vector<bool> free;
    for (std::uint32_t page : owned)
        free.push_back(*PageAlloc::inMap(tx, maps->free, page));
    tx.rollback();
    return {owned, free};
}

TEST_P(LongValuePlacement, pagesWithRoomStayAndFullOnesLeave)
{
    const auto &[layout, oneTransaction] = GetParam();
    Qb::Test::TempDir dir;
    const std::string path = dir.path("room.mdb");
    ASSERT_TRUE(Database::createLibrary(path));
    {
        auto db = Database::open(path, Password);
        ASSERT_TRUE(db) << db.error().message;
        if (oneTransaction) {
            ASSERT_TRUE((*db)->beginTransaction());
        }
        for (std::size_t i = 0; i < layout.memoChars.size(); ++i) {
            auto r = (*db)->execute("insert into 命令库(命令名,中文名,分类,说明,类型) values ('c" + std::to_string(i)
                                    + "','','1','" + memoOf(layout.memoChars[i]) + "','无')");
            ASSERT_TRUE(r) << r.error().message;
        }
        if (oneTransaction) {
            ASSERT_TRUE((*db)->commitTransaction());
        }
    }
    auto db = Database::open(path, Password);
    ASSERT_TRUE(db);
    JetDatabase &jet = static_cast<JetDatabase &>(**db);
    const auto [pages, free] = memoPages(jet);
    EXPECT_EQ(pages.size(), layout.lvPages);
    EXPECT_EQ(free, layout.inFreeMap);
    const CheckReport report = checkDatabase(jet);
    EXPECT_TRUE(report.ok()) << report.faults.front();
    const auto rows = Qb::Test::tableRows(**db, "命令库");
    ASSERT_EQ(rows.size(), layout.memoChars.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows[i][4], memoOf(layout.memoChars[i])) << "memo " << i;
}

// An empty LVAL page takes a row of 4096 - 14 - 2 = 4080 bytes; each row costs its bytes and a
// 2-byte slot, and the smallest row kept off the row is 65 bytes.
INSTANTIATE_TEST_SUITE_P(
    Cases, LongValuePlacement,
    ::testing::Combine(
        ::testing::Values(
            // 2000 B leaves 2078; 3000 B does not fit there; 1800 B goes back to the first page.
            Layout{"roomLeftAfterAMisfitTakesALaterMemo", {1000, 1500, 900}, 2, {true, true}},
            // The fullest page that takes a memo gets it: 1040 B fits both and fills the second
            // (36 B left), so the first keeps room for 2000 B.
            Layout{"fullestPageThatFitsIsChosen", {1000, 1500, 520, 1000}, 2, {true, false}},
            // 4060 B leaves 18 B: no row could use them.
            Layout{"pageTooFullForTheSmallestRowLeavesTheMap", {2030}, 1, {false}},
            // 3940 B leaves 138 B, room for a 65-byte row: the page stays in the map.
            Layout{"roomForTheSmallestRowKeepsTheBit", {1970}, 1, {true}},
            // A misfit abandons nothing: three pages of 2400 B each, then a 1400 B row on each.
            Layout{"manyMisfitsLoseNoPage", {1200, 1200, 1200, 700, 700, 700}, 3, {true, true, true}}),
        ::testing::Bool()),
    [](const auto &info) {
        return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "_oneTransaction" : "_separate");
    });

} // namespace
