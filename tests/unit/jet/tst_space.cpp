// SPDX-License-Identifier: GPL-3.0-or-later
// Space reuse and file growth: deleted rows give their bytes and slots to new rows, emptied and
// freed pages come back, rewritten memos take the place of the old ones, months of editing keep
// the file bounded, the global map turns into a reference map when page 1 cannot hold it, and
// a file stops cleanly at 2 GB. Independent readers agree with the engine after every step.
#include "jet/checker.h"
#include "jet/database.h"
#include "jet/format/bytewriter.h"
#include "jet/format/datapagewriter.h"
#include "jet/jetdatabase.h"
#include "jet/sql/tablescan.h"
#include "jet/storage/pagealloc.h"
#include "jet/storage/pagesource.h"
#include "jet/storage/usagemap.h"
#include "jet/write/compactor.h"
#include "jet/write/emptylibrary.h"
#include "jet/write/txwriter.h"

#include "writetest_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <fstream>
#include <set>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

using namespace Qb::Jet;
using Qb::Test::TempDir;

namespace {

constexpr const char *Password = "HPQVNRtoka3906";

// ---- Data pages laid out anew -------------------------------------------------------------

struct SlotSpec
{
    std::size_t length;
    std::uint16_t flags;
};

struct Placement
{
    const char *name;
    std::vector<SlotSpec> slots;
    std::size_t newRow;
    std::optional<int> expectedSlot; // nullopt: refused, page unchanged
    int damagedSlot = -1;            // a live slot whose start lies past its end
};

class PagePlacement : public ::testing::TestWithParam<Placement> {};

TEST_P(PagePlacement, keepsLiveRowsAndTheirSlots)
{
    const Placement &p = GetParam();
    PageBytes page{};
    DataPageWriter::init(page, 7);
    for (std::size_t i = 0; i < p.slots.size(); ++i) {
        const std::vector<std::uint8_t> row(p.slots[i].length, std::uint8_t(i + 1));
        ASSERT_TRUE(DataPageWriter::appendRow(page, row)) << "slot " << i;
        DataPageWriter::setFlags(page, std::uint8_t(i), p.slots[i].flags);
    }
    if (p.damagedSlot >= 0)
        put16(page, DataPageHeaderSize + 2 * std::size_t(p.damagedSlot), 4000);
    const PageBytes before = page;
    const std::vector<std::uint8_t> row(p.newRow, 0xEE);
    const auto slot = DataPageWriter::placeRow(page, row);
    ASSERT_EQ(slot ? std::optional<int>(*slot) : std::nullopt, p.expectedSlot);
    if (!slot) {
        EXPECT_TRUE(page == before) << "a refused row leaves the page as it was";
        return;
    }
    for (std::size_t i = 0; i < std::max<std::size_t>(p.slots.size(), *slot + 1); ++i) {
        auto s = rowSlot(page, 9, std::uint16_t(i));
        ASSERT_TRUE(s) << s.error().message;
        const ByteSpan bytes = ByteSpan(page).subspan(s->start, s->end - s->start);
        if (i == *slot) {
            EXPECT_EQ(s->flags, 0);
            EXPECT_TRUE(std::ranges::equal(bytes, row));
        } else if (!DataPageWriter::reclaimable(p.slots[i].flags)) {
            EXPECT_EQ(s->flags, p.slots[i].flags) << "slot " << i;
            EXPECT_EQ(bytes.size(), p.slots[i].length) << "slot " << i;
            EXPECT_TRUE(std::ranges::all_of(bytes, [&](std::uint8_t b) { return b == i + 1; })) << "slot " << i;
        } else {
            EXPECT_TRUE(s->deleted() && s->overflow()) << "slot " << i << " stays deleted";
        }
    }
    std::size_t lowest = PageSize;
    for (std::uint16_t i = 0; i < rowSlotCount(page); ++i)
        lowest = std::min<std::size_t>(lowest, u16(page, DataPageHeaderSize + 2 * i) & RowOffsetMask);
    EXPECT_EQ(DataPageWriter::freeSpace(page), lowest - DataPageHeaderSize - 2 * rowSlotCount(page));
}

std::vector<SlotSpec> fullSlotTable()
{
    std::vector<SlotSpec> slots(255, SlotSpec{10, 0});
    slots[100].flags = RowDeleted | RowOverflow;
    return slots;
}

constexpr std::uint16_t Deleted = RowDeleted | RowOverflow;

INSTANTIATE_TEST_SUITE_P(
    Cases, PagePlacement,
    ::testing::Values(
        Placement{"appendedWhileThereIsRoom", {{100, 0}, {200, Deleted}, {300, 0}}, 50, 3},
        Placement{"deletedSlotTakenWhenFull", {{1800, 0}, {1800, Deleted}, {400, 0}}, 1500, 1},
        Placement{"movedCopyKeepsItsBytes", {{1800, RowDeleted}, {1800, Deleted}, {400, RowOverflow}}, 1500, 1},
        Placement{"fullSlotTableReusesADeletedSlot", fullSlotTable(), 10, 100},
        Placement{"noRoomEvenWithoutDeletedRows", {{2000, 0}, {1000, Deleted}, {1000, 0}}, 1100, std::nullopt},
        Placement{"damagedLiveSlotLeavesThePageAlone", {{1800, 0}, {1800, Deleted}, {400, 0}}, 1500, std::nullopt, 2}),
    [](const auto &info) { return std::string(info.param.name); });

// ---- Reuse in a library file, with every reader --------------------------------------------

std::string memoText(int chars, int seed)
{
    static const std::string han[] = {"分", "类", "表", "命", "令", "库", "关", "键", "字", "打", "印", "文"};
    std::string s;
    for (int i = 0; i < chars; ++i)
        s += han[std::size_t(i * 7 + seed) % 12];
    return s;
}

class SpaceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_path = m_dir.path("qbxdb.mdb");
        ASSERT_TRUE(Database::createLibrary(m_path));
        auto db = Database::open(m_path, Password);
        ASSERT_TRUE(db) << db.error().message;
        m_db = std::move(*db);
    }
    JetDatabase &jet() { return static_cast<JetDatabase &>(*m_db); }
    void exec(const std::string &sql)
    {
        auto r = m_db->execute(sql);
        ASSERT_TRUE(r) << sql.substr(0, 120) << ": " << r.error().message;
    }
    void insertCommand(const std::string &name, const std::string &memo)
    {
        exec("insert into 命令库(命令名,中文名,分类,说明,类型) values ('" + name + "','','1','" + memo + "','无')");
    }
    std::uint32_t pages() { return *jet().pages().pageCount(); }
    std::vector<std::uint32_t> dataPages() { return **jet().dataPages(**jet().tableDef("命令库")); }
    // Inserts commands 1 to `count`, each with a 300-character memo; their IDs.
    std::set<long long> insertCommandsWithMemos(int count)
    {
        std::set<long long> ids;
        for (int i = 1; i <= count; ++i) {
            insertCommand("command" + std::to_string(i) + std::string(180, 'n'), memoText(300, i));
            ids.insert(i);
        }
        return ids;
    }
    // Deletes every command whose row is on data page `page`, taking their IDs out of `ids`;
    // false when the page held none.
    bool deleteRowsOn(std::uint32_t page, std::set<long long> &ids)
    {
        std::vector<long long> onPage;
        {
            auto def = *jet().tableDef("命令库");
            TableScan scan(jet().pages(), *def, *jet().dataPages(*def));
            const auto all = Qb::Test::tableRows(*m_db, "命令库");
            for (std::size_t k = 0; *scan.next(); ++k)
                if (scan.location().page == page)
                    onPage.push_back(std::stoll(all[k][0]));
        }
        for (long long id : onPage) {
            exec("delete from 命令库 where ID=" + std::to_string(id));
            ids.erase(id);
        }
        return !onPage.empty();
    }

    // The engine, mdbtools and mdb-reader all list exactly `ids`, and the check is clean.
    void expectReadersSee(const std::set<long long> &ids)
    {
        const CheckReport report = checkDatabase(jet());
        EXPECT_TRUE(report.ok()) << report.faults.front();
        std::set<long long> engine;
        for (const auto &row : Qb::Test::tableRows(*m_db, "命令库"))
            engine.insert(std::stoll(row[0]));
        EXPECT_EQ(engine, ids);
        if (Qb::Test::haveMdbTools()) {
            const auto csv = Qb::Test::runCommand("mdb-export -H " + Qb::Test::shellQuote(m_path) + " 命令库 | cut -d, -f1");
            ASSERT_TRUE(csv);
            EXPECT_EQ(idsOf(*csv, ""), ids) << "mdb-export disagrees";
        }
        if (const std::string script = Qb::Test::mdbReaderRowsScript(); !script.empty()) {
            const auto json = Qb::Test::runCommand("node " + script + " " + Qb::Test::shellQuote(m_path) + " 命令库");
            ASSERT_TRUE(json);
            EXPECT_EQ(idsOf(*json, "{\"ID\":"), ids) << "mdb-reader disagrees";
        }
    }
    static std::set<long long> idsOf(const std::string &lines, const std::string &prefix)
    {
        std::set<long long> ids;
        std::size_t at = 0;
        while (at < lines.size()) {
            const std::size_t end = lines.find('\n', at);
            ids.insert(std::strtoll(lines.c_str() + at + prefix.size(), nullptr, 10));
            at = end == std::string::npos ? lines.size() : end + 1;
        }
        return ids;
    }

    TempDir m_dir;
    std::string m_path;
    std::unique_ptr<Database> m_db;
};

TEST_F(SpaceTest, deletedRowsTakeNewRowsAndEmptiedPagesComeBack)
{
    std::set<long long> ids;
    for (int i = 1; i <= 200; ++i) {
        insertCommand("command" + std::to_string(i) + std::string(180, 'n'), "short");
        ids.insert(i);
    }
    const std::uint32_t grown = pages();
    const std::size_t tablePages = dataPages().size();
    ASSERT_GE(tablePages, 8u);
    for (int i = 21; i <= 30; ++i) {
        exec("delete from 命令库 where ID=" + std::to_string(i));
        ids.erase(i);
    }
    for (int i = 201; i <= 210; ++i) {
        insertCommand("again" + std::to_string(i) + std::string(180, 'a'), "short");
        ids.insert(i);
    }
    EXPECT_EQ(pages(), grown) << "the new rows went where the deleted ones were";
    EXPECT_EQ(dataPages().size(), tablePages);
    expectReadersSee(ids);

    // Every row of the first data page goes: the page leaves the table and returns to the pool.
    const std::uint32_t firstPage = dataPages().front();
    ASSERT_TRUE(deleteRowsOn(firstPage, ids));
    EXPECT_FALSE(std::ranges::count(dataPages(), firstPage) == 1) << "an emptied page leaves the table";
    auto freed = readUsageMap(jet().pages(), RowPointer{1, 0});
    ASSERT_TRUE(freed);
    EXPECT_TRUE(std::ranges::count(freed->pages, firstPage) == 1) << "and is marked free";
    const std::uint32_t before = pages();
    insertCommand("memo", memoText(1500, 1)); // a long-value page: the freed page serves
    ids.insert(211);
    EXPECT_EQ(pages(), before);
    expectReadersSee(ids);
}

// One transaction learns where its free-space maps are empty as it fills pages; room that
// deletes give back below that point must still be found.
TEST_F(SpaceTest, insideOneTransaction_deletedRowsTakeNewRows)
{
    ASSERT_TRUE(m_db->beginTransaction());
    std::set<long long> ids = insertCommandsWithMemos(200);
    const std::uint32_t grown = pages();
    for (int i = 21; i <= 30; ++i) {
        exec("delete from 命令库 where ID=" + std::to_string(i));
        ids.erase(i);
    }
    for (int i = 201; i <= 210; ++i) {
        insertCommand("again" + std::to_string(i) + std::string(180, 'a'), memoText(300, i));
        ids.insert(i);
    }
    EXPECT_EQ(pages(), grown) << "the new rows and memos went where the deleted ones were";
    ASSERT_TRUE(m_db->commitTransaction());
    expectReadersSee(ids);
}

// Allocation within one transaction learns where the file has no released page; a page the
// same transaction releases below that point is still the next one handed out.
TEST_F(SpaceTest, insideOneTransaction_aReleasedPageIsTakenAgain)
{
    ASSERT_TRUE(m_db->beginTransaction());
    std::set<long long> ids = insertCommandsWithMemos(200);
    const std::uint32_t firstPage = dataPages().front();
    ASSERT_TRUE(deleteRowsOn(firstPage, ids));
    const std::uint32_t before = pages();
    insertCommand("memo", memoText(1990, 3)); // needs a long-value page of its own
    ids.insert(201);
    EXPECT_EQ(pages(), before) << "the released data page serves";
    ASSERT_TRUE(m_db->commitTransaction());
    expectReadersSee(ids);
}

TEST_F(SpaceTest, rewrittenMemosReuseTheirPages)
{
    insertCommand("one", memoText(1000, 0));
    insertCommand("two", memoText(1000, 1));
    exec("update 命令库 set 说明='" + memoText(1000, 2) + "' where ID=1");
    const std::uint32_t settled = pages();
    // Single-row memos and chains in turn: the old value's rows are given back every time.
    for (int round = 0; round < 60; ++round) {
        const int chars = round % 3 == 0 ? 6000 : 1000 + round;
        exec("update 命令库 set 说明='" + memoText(chars, round) + "' where ID=" + std::to_string(1 + round % 2));
    }
    EXPECT_LE(pages(), settled + 6) << "a chain of three pages and a spare, not one page per update";
    expectReadersSee({1, 2});
    for (const auto &row : Qb::Test::tableRows(*m_db, "命令库"))
        EXPECT_TRUE(row[4] == (row[0] == "2" ? memoText(1000 + 59, 59) : memoText(1000 + 58, 58))) << "ID " << row[0];
}

// What a transaction learns of its maps saves searching and changes nothing else: the same
// inserts, deletes and memo rewrites lay the file out byte for byte alike whether each is its own
// transaction or all are one.
TEST(SpaceLayout, oneTransactionLaysRowsOutAsSeparateStatementsDo)
{
    std::vector<std::string> statements;
    const int sizes[] = {20, 300, 1500, 1990, 700, 6000, 90};
    const auto insert = [&](int i) {
        statements.push_back("insert into 命令库(命令名,中文名,分类,说明,类型) values ('c" + std::to_string(i) + std::string(
                                 std::size_t(i % 5) * 30, 'n') + "','','1','" + memoText(sizes[i % 7], i) + "','无')");
    };
    for (int i = 1; i <= 240; ++i)
        insert(i);
    for (int i = 3; i <= 240; i += 4)
        statements.push_back("delete from 命令库 where ID=" + std::to_string(i));
    for (int i = 241; i <= 300; ++i)
        insert(i);
    for (int i = 2; i <= 120; i += 9)
        statements.push_back("update 命令库 set 说明='" + memoText(sizes[(i + 3) % 7], i) + "' where ID=" + std::to_string(i));
    const auto run = [&](bool oneTransaction) {
        auto db = JetDatabase::open(makeMemoryPageSource(EmptyLibrary::build(45000)), Password, Database::Mode::ReadWrite);
        EXPECT_TRUE(db);
        if (oneTransaction) {
            EXPECT_TRUE((*db)->beginTransaction());
        }
        for (const std::string &sql : statements) {
            auto r = (*db)->execute(sql);
            EXPECT_TRUE(r) << sql.substr(0, 80) << ": " << r.error().message;
        }
        if (oneTransaction) {
            EXPECT_TRUE((*db)->commitTransaction());
        }
        return Qb::Test::sourceBytes((*db)->pages().source());
    };
    const auto separate = run(false);
    const auto together = run(true);
    ASSERT_EQ(separate.size(), together.size());
    EXPECT_TRUE(separate == together) << "first difference at byte "
                                      << std::mismatch(separate.begin(), separate.end(), together.begin()).first
                                             - separate.begin();
}

// Damaged maps never make the writer overwrite a page in use.
TEST(SpaceDamage, pagesInUseAreNotTakenWhateverTheMapsSay)
{
    auto opened = JetDatabase::open(makeMemoryPageSource(EmptyLibrary::build(45000)), Password, Database::Mode::ReadWrite);
    ASSERT_TRUE(opened);
    JetDatabase &db = **opened;
    ASSERT_TRUE(db.execute("insert into 分类表(分类名,序号,父类,说明) values ('a','1','0','x')"));
    ASSERT_TRUE(db.execute("insert into 命令库(命令名,中文名,分类,说明,类型) values ('p','','1','m','无')"));
    const TableDef categories = **db.tableDef("分类表");
    const TableDef commands = **db.tableDef("命令库");
    const std::uint32_t categoryPage = (*db.dataPages(categories))->front();
    {
        // The global map says the categories' data page and the commands' index root are free;
        // the commands' free-space map names the categories' page.
        TxWriter tx(db.pages());
        auto page = tx.write(1);
        const RowSlot map = *rowSlot(*page, 1, 0);
        for (std::uint32_t p : {categoryPage, commands.realIndexes[0].rootPage})
            (*page)[map.start + 5 + p / 8] |= std::uint8_t(1u << (p % 8));
        ASSERT_TRUE(PageAlloc::setInMap(tx, commands.freeSpacePages, categoryPage, true));
        ASSERT_TRUE(tx.commit(nullptr));
        ASSERT_TRUE(db.invalidate());
    }
    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(db.execute("insert into 命令库(命令名,中文名,分类,说明,类型) values ('c" + std::to_string(i) + "','','1','"
                               + memoText(1500, i) + "','无')"));
    EXPECT_EQ(Qb::Test::tableRows(db, "分类表"), (std::vector<std::vector<std::string>>{{"1", "a", "1", "0", "x"}}));
    EXPECT_EQ(Qb::Test::tableRows(db, "命令库").size(), 41u);
    const CheckReport report = checkDatabase(db);
    for (const std::string &f : report.faults)
        EXPECT_NE(f.find("marked free"), std::string::npos) << "only the damage itself is reported: " << f;
}

// ---- Months of editing ---------------------------------------------------------------------

// 10,000 rounds of changing one command's 2 KB description and adding and deleting a command:
// the file stays under twice its size after the first 100 rounds, and a compacted copy is
// within 10 % of a new library holding the same rows.
TEST(Churn, tenThousandRoundsStayBoundedAndCompactToAFreshLibrary)
{
    auto opened = JetDatabase::open(makeMemoryPageSource(EmptyLibrary::build(45000)), Password, Database::Mode::ReadWrite);
    ASSERT_TRUE(opened);
    JetDatabase &db = **opened;
    const auto insert = [](Database &d, const std::string &name, const std::string &memo) {
        auto r = d.execute("insert into 命令库(命令名,中文名,分类,说明,类型) values ('" + name + "','中文','7','" + memo
                           + "','函数')");
        return bool(r);
    };
    std::deque<long long> live;
    long long nextId = 1;
    for (int i = 0; i < 300; ++i, ++nextId) {
        ASSERT_TRUE(insert(db, "command" + std::to_string(i), memoText(1000, i)));
        live.push_back(nextId);
    }
    std::uint32_t after100 = 0;
    for (int round = 1; round <= 10000; ++round) {
        const long long target = live[std::size_t(round * 7) % live.size()];
        ASSERT_TRUE(db.execute("update 命令库 set 说明='" + memoText(1000 + round % 50, round) + "' where ID="
                               + std::to_string(target)));
        ASSERT_TRUE(insert(db, "added" + std::to_string(round), memoText(1000 - round % 40, round + 3)));
        live.push_back(nextId++);
        ASSERT_TRUE(db.execute("delete from 命令库 where ID=" + std::to_string(live.front())));
        live.pop_front();
        if (round == 100)
            after100 = *db.pages().pageCount();
    }
    const std::uint32_t churned = *db.pages().pageCount();
    EXPECT_LT(churned, 2 * after100) << "after 100 rounds " << after100 << " pages, after 10,000 " << churned;
    const CheckReport report = checkDatabase(db);
    ASSERT_TRUE(report.ok()) << report.faults.front();

    const auto rows = Qb::Test::tableRows(db, "命令库");
    ASSERT_EQ(rows.size(), live.size());
    auto fresh = JetDatabase::open(makeMemoryPageSource(EmptyLibrary::build(45000)), Password, Database::Mode::ReadWrite);
    ASSERT_TRUE(fresh);
    for (const auto &r : rows)
        ASSERT_TRUE((*fresh)->execute("insert into 命令库(命令名,中文名,分类,说明,类型) values ('" + r[1] + "','" + r[2] + "','"
                                      + r[3] + "','" + r[4] + "','" + r[5] + "')"));
    const double freshPages = *(*fresh)->pages().pageCount();
    auto compacted = compactDatabase(db);
    ASSERT_TRUE(compacted) << compacted.error().message;
    const double packed = compacted->pagesAfter;
    EXPECT_LE(packed, freshPages * 1.1) << "compacted " << packed << " pages, fresh " << freshPages;
    EXPECT_GE(packed, freshPages * 0.9) << "compacted " << packed << " pages, fresh " << freshPages;
    EXPECT_EQ(Qb::Test::tableRows(db, "命令库"), rows) << "same rows in the same order";
    const CheckReport after = checkDatabase(db);
    EXPECT_TRUE(after.ok()) << after.faults.front();
}

// ---- Growing past what page 1 holds inline, and the 2 GB limit -----------------------------

std::uint8_t globalMapKind(JetDatabase &db)
{
    auto page = db.pages().page(1);
    const ByteSpan bytes = bytesOf(*page);
    return bytes[rowSlot(bytes, 1, 0)->start];
}

// A library already about 128 MB long (zero pages past the inline map's reach, which count as
// used): the next page the map cannot describe turns it into a reference map and writing goes on.
TEST(GlobalMap, inlineMapThatCannotGrowBecomesAReferenceMap)
{
    std::vector<std::uint8_t> bytes = EmptyLibrary::build(45000);
    bytes.resize(std::size_t(32700) * PageSize, 0);
    auto opened = JetDatabase::open(makeMemoryPageSource(std::move(bytes)), Password, Database::Mode::ReadWrite);
    ASSERT_TRUE(opened);
    JetDatabase &db = **opened;
    ASSERT_EQ(globalMapKind(db), UsageMapInline);
    int rows = 0;
    for (; rows < 200 && globalMapKind(db) == UsageMapInline; ++rows)
        ASSERT_TRUE(db.execute("insert into 命令库(命令名,中文名,分类,说明,类型) values ('c" + std::to_string(rows)
                               + "','','1','" + memoText(10000, rows) + "','无')"));
    ASSERT_EQ(globalMapKind(db), UsageMapReference) << "after " << rows << " rows";
    const std::uint32_t converted = *db.pages().pageCount();
    for (int i = 0; i < 20; ++i, ++rows)
        ASSERT_TRUE(db.execute("insert into 命令库(命令名,中文名,分类,说明,类型) values ('d" + std::to_string(i)
                               + "','','1','" + memoText(10000, i) + "','无')"));
    ASSERT_TRUE(db.execute("delete from 命令库 where ID=3"));
    --rows;
    EXPECT_GT(*db.pages().pageCount(), converted);
    auto global = readUsageMap(db.pages(), RowPointer{1, 0});
    ASSERT_TRUE(global);
    EXPECT_FALSE(global->bitmapPages.empty());
    const CheckReport report = checkDatabase(db);
    EXPECT_TRUE(report.ok()) << report.faults.front();
    EXPECT_EQ(Qb::Test::tableRows(db, "命令库").size(), std::size_t(rows));

    TempDir dir;
    const std::string path = dir.path("big.mdb");
    const auto file = Qb::Test::sourceBytes(db.pages().source());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(file.data()), std::streamsize(file.size()));
    if (Qb::Test::haveMdbTools()) {
        const auto count = Qb::Test::runCommand("mdb-export -H " + Qb::Test::shellQuote(path) + " 命令库 | wc -l");
        ASSERT_TRUE(count);
        EXPECT_EQ(std::stoi(*count), rows) << "mdb-export";
    }
    if (const std::string script = Qb::Test::mdbReaderRowsScript(); !script.empty()) {
        const auto count = Qb::Test::runCommand("node " + script + " " + Qb::Test::shellQuote(path) + " 命令库 | wc -l");
        ASSERT_TRUE(count);
        EXPECT_EQ(std::stoi(*count), rows) << "mdb-reader";
    }
}

// A 2 GB file (sparse) whose pages are all in use: a statement that needs a page is refused
// with Full and the file stays as it was.
TEST(GlobalMap, statementNeedingAPagePast2GbIsRefused)
{
    std::vector<std::uint8_t> bytes = EmptyLibrary::build(45000);
    const std::uint32_t first = std::uint32_t(bytes.size() / PageSize);
    constexpr std::size_t Entries = 17;
    bytes.resize((first + Entries) * PageSize, 0);
    std::vector<std::uint8_t> row0(1 + 4 * Entries, 0);
    row0[0] = UsageMapReference;
    for (std::size_t i = 0; i < Entries; ++i) {
        bytes[(first + i) * PageSize] = PageTypeUsageMap;
        bytes[(first + i) * PageSize + 1] = 0x01;
        put32(row0, 1 + 4 * i, std::uint32_t(first + i));
    }
    const MutableBytes page1(bytes.data() + PageSize, PageSize);
    const RowSlot slot1 = *rowSlot(page1, 1, 1);
    const std::vector<std::uint8_t> row1(page1.begin() + slot1.start, page1.begin() + slot1.end);
    DataPageWriter::init(page1, 1);
    DataPageWriter::appendRow(page1, row0);
    DataPageWriter::appendRow(page1, row1);

    TempDir dir;
    const std::string path = dir.path("full.mdb");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    ASSERT_EQ(::truncate(path.c_str(), off_t(PageAlloc::MaxPages) * off_t(PageSize)), 0);
    struct stat st{};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    if (std::uint64_t(st.st_blocks) * 512 > 64u << 20)
        GTEST_SKIP() << "the temporary directory does not keep files sparse";

    auto db = Database::open(path, Password);
    ASSERT_TRUE(db) << db.error().message;
    auto r = (*db)->execute("insert into 命令库(命令名,中文名,分类,说明,类型) values ('p','','1','" + memoText(3000, 1) + "','无')");
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().code, ErrorCode::Full) << r.error().message;
    EXPECT_NE(r.error().message.find("2 GB"), std::string::npos) << r.error().message;
    db->reset();
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(std::uint64_t(st.st_size), std::uint64_t(PageAlloc::MaxPages) * PageSize);
    std::vector<std::uint8_t> after(bytes.size());
    std::ifstream(path, std::ios::binary).read(reinterpret_cast<char *>(after.data()), std::streamsize(after.size()));
    EXPECT_TRUE(after == bytes) << "the refused statement changed nothing";
}

} // namespace
