// SPDX-License-Identifier: GPL-3.0-or-later
// Writing through the engine on a newly created library: the program's statements, refused
// statements that leave the file untouched, memo storage forms, moved rows, index splits,
// the lock and the journal.
#include "jet/checker.h"
#include "jet/database.h"
#include "jet/write/emptylibrary.h"
#include "jet/jetdatabase.h"
#include "jet/storage/journal.h"
#include "jet/storage/pagesource.h"

#include "support/fixtures.h"
#include "writetest_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qb::Jet;
using Qb::Test::TempDir;
using Rows = std::vector<std::vector<std::string>>;

namespace {

constexpr const char *Password = "HPQVNRtoka3906";

class WriteTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_path = m_dir.path("qbxdb.mdb");
        ASSERT_TRUE(Database::createLibrary(m_path));
        reopen();
    }
    void reopen()
    {
        m_db.reset();
        auto db = Database::open(m_path, Password);
        ASSERT_TRUE(db) << db.error().message;
        m_db = std::move(*db);
    }
    JetDatabase &jet() { return static_cast<JetDatabase &>(*m_db); }
    Rows rows(const std::string &table) { return Qb::Test::tableRows(*m_db, table); }
    void exec(const std::string &sql, std::uint64_t expected = 1)
    {
        auto r = m_db->execute(sql);
        ASSERT_TRUE(r) << sql << ": " << r.error().message;
        EXPECT_EQ(*r, expected) << sql;
    }
    TableDef def(const std::string &table) { return **jet().tableDef(table); }

    TempDir m_dir;
    std::string m_path;
    std::unique_ptr<Database> m_db;
};

struct Step
{
    const char *name;
    std::string sql;
    std::uint64_t changed;
    std::string table;
    Rows expected;
};

TEST_F(WriteTest, programStatementsChangeTheLibrary)
{
    const std::vector<Step> steps = {
        {"addCategory", "insert into 分类表(分类名,序号,父类,说明) values ('常用','1','0','常用^!命令')", 1, "分类表",
         {{"1", "常用", "1", "0", "常用^!命令"}}},
        {"addSubCategory", "insert into 分类表(分类名,序号,父类,说明) values ('文件','2','1','')", 1, "分类表",
         {{"1", "常用", "1", "0", "常用^!命令"}, {"2", "文件", "2", "1", ""}}},
        {"rename", "update 分类表 set 分类名='文件操作' where 序号='2'", 1, "分类表",
         {{"1", "常用", "1", "0", "常用^!命令"}, {"2", "文件操作", "2", "1", ""}}},
        {"describe", "update 分类表 set 说明='读写文件' where 分类名='文件操作'", 1, "分类表",
         {{"1", "常用", "1", "0", "常用^!命令"}, {"2", "文件操作", "2", "1", "读写文件"}}},
        {"addCommand", "insert into 命令库(命令名,中文名,分类,说明,类型) values ('print()','打印','1','输出^!x','函数')", 1,
         "命令库", {{"1", "print()", "打印", "1", "输出^!x", "函数"}}},
        {"addSecondCommand", "insert into 命令库(命令名,中文名,分类,说明,类型) values ('open{}','','2','f = open()','过程')",
         1, "命令库", {{"1", "print()", "打印", "1", "输出^!x", "函数"}, {"2", "open{}", "", "2", "f = open()", "过程"}}},
        {"modifyCommand", "update 命令库 set 命令名='print(x)',中文名='打印',分类='2',说明='新',类型='无' where ID=1", 1,
         "命令库", {{"1", "print(x)", "打印", "2", "新", "无"}, {"2", "open{}", "", "2", "f = open()", "过程"}}},
        {"deleteCommand", "delete from 命令库 where 命令名='open{}'", 1, "命令库", {{"1", "print(x)", "打印", "2", "新", "无"}}},
        {"deleteMissing", "delete from 命令库 where 命令名='nothing'", 0, "命令库", {{"1", "print(x)", "打印", "2", "新", "无"}}},
        {"deleteCategory", "delete from 分类表 where 序号='1'", 1, "分类表", {{"2", "文件操作", "2", "1", "读写文件"}}},
        {"addHint", "insert into 命令表(命令,说明) values ('import os','导入')", 1, "命令表", {{"1", "import os", "导入"}}},
        {"addKeyword", "insert into 关键字表(关键字,颜色) values ('print','255')", 1, "关键字表",
         {{"1", "print", "255", "<null>"}}},
        {"deleteKeyword", "delete from 关键字表 where 关键字='PRINT'", 1, "关键字表", {}},
        {"keywordAgainGetsNextId", "insert into 关键字表(关键字,颜色) values ('def','16711680')", 1, "关键字表",
         {{"2", "def", "16711680", "<null>"}}},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(s.name);
        exec(s.sql, s.changed);
        EXPECT_EQ(rows(s.table), s.expected);
    }
    reopen();
    EXPECT_EQ(rows("命令库"), steps[7].expected);
    EXPECT_EQ(def("关键字表").autoNumber, 2u);
    EXPECT_EQ(def("关键字表").rowCount, 1u);
    const CheckReport report = checkDatabase(jet());
    EXPECT_TRUE(report.ok()) << report.faults.size() << " faults, first: " << report.faults.front();
}

struct Refused
{
    const char *name;
    std::string sql;
    ErrorCode code;
};

class RefusedStatement : public WriteTest, public ::testing::WithParamInterface<Refused> {};

TEST_P(RefusedStatement, failsAndLeavesTheFileAsItWas)
{
    exec("insert into 分类表(分类名,序号,父类,说明) values ('a','1','0','d')");
    exec("insert into 命令库(命令名,中文名,分类,说明,类型) values ('x','','1','memo','无')");
    const auto before = Qb::Test::readFile(m_path);
    auto r = m_db->execute(GetParam().sql);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().code, GetParam().code) << r.error().message;
    EXPECT_EQ(Qb::Test::readFile(m_path), before);
    EXPECT_FALSE(Journal(m_path).pending());
}

const std::string Chinese51(51, 'x');

INSTANTIATE_TEST_SUITE_P(
    Write, RefusedStatement,
    ::testing::Values(
        Refused{"nameOneTooLong", "insert into 分类表(分类名,序号,父类,说明) values ('" + std::string(51, 'n') + "','2','0','')",
                ErrorCode::TooLong},
        Refused{"chineseNameOneTooLong", "update 分类表 set 分类名='" + [] {
                    std::string s;
                    for (int i = 0; i < 51; ++i)
                        s += "名";
                    return s;
                }() + "' where 序号='1'", ErrorCode::TooLong},
        Refused{"fourByteCharactersCountTwoUnits", "update 分类表 set 分类名='" + [] {
                    std::string s = "x";
                    for (int i = 0; i < 25; ++i)
                        s += "\U0001F601";
                    return s;
                }() + "' where 序号='1'", ErrorCode::TooLong},
        Refused{"numberTooLong", "update 分类表 set 序号='1234567890123' where 序号='1'", ErrorCode::TooLong},
        Refused{"longTextInSecondColumnOfUpdate",
                "update 命令库 set 命令名='y',中文名='" + std::string(256, 'c') + "' where 命令名='x'", ErrorCode::TooLong},
        Refused{"quoteInName", "insert into 分类表(分类名,序号,父类,说明) values ('it's','2','0','')", ErrorCode::SqlSyntax},
        Refused{"unknownColumn", "insert into 分类表(名字) values ('a')", ErrorCode::NoSuchColumn},
        Refused{"unknownTable", "delete from 无表 where 序号='1'", ErrorCode::NoSuchTable},
        Refused{"systemTable", "delete from MSysObjects where Name='Tables'", ErrorCode::Unsupported},
        Refused{"textIntoId", "update 命令库 set ID='abc' where 命令名='x'", ErrorCode::TypeMismatch}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(WriteTest, exactlyFullTextFits)
{
    std::string fifty;
    for (int i = 0; i < 50; ++i)
        fifty += "名";
    exec("insert into 分类表(分类名,序号,父类,说明) values ('" + fifty + "','123456789012','0','')");
    EXPECT_EQ(rows("分类表"), (Rows{{"1", fifty, "123456789012", "0", ""}}));
}

std::string memoOf(std::size_t chars, bool chinese)
{
    std::string s;
    for (std::size_t i = 0; i < chars; ++i)
        s += chinese ? (i % 7 ? "字" : "'") : std::string(1, char('a' + i % 26));
    return s;
}

std::string quoted(const std::string &s)
{
    std::string out;
    for (char c : s)
        out += c == '\'' ? std::string("''") : std::string(1, c);
    return out;
}

struct MemoCase
{
    const char *name;
    std::size_t chars;
    bool chinese;
};

class MemoSizes : public WriteTest, public ::testing::WithParamInterface<MemoCase> {};

// Compressed Latin text takes one byte a character plus two, UCS-2 two bytes: the sizes sit
// on both sides of the inline limit (64 bytes), one LVAL row (4076) and chain rows (4072).
TEST_P(MemoSizes, storeReadBackAndRelease)
{
    const std::string memo = memoOf(GetParam().chars, GetParam().chinese);
    exec("insert into 命令库(命令名,中文名,分类,说明,类型) values ('m','','1','" + quoted(memo) + "','无')");
    exec("insert into 命令库(命令名,中文名,分类,说明,类型) values ('n','','1','after','无')");
    EXPECT_EQ(rows("命令库")[0][4], memo);
    reopen();
    EXPECT_EQ(rows("命令库")[0][4], memo);
    if (Qb::Test::haveMdbTools() && !memo.empty()) { // mdbtools shows empty text as NULL
        const auto csv = Qb::Test::runCommand("mdb-export -q \\| -X \\\\ " + Qb::Test::shellQuote(m_path) + " 命令库");
        ASSERT_TRUE(csv);
        EXPECT_NE(csv->find("|" + memo + "|"), std::string::npos) << "mdb-export lost the memo";
    }
    exec("update 命令库 set 说明='short' where 命令名='m'");
    exec("delete from 命令库 where 命令名='m'");
    EXPECT_EQ(rows("命令库"), (Rows{{"2", "n", "", "1", "after", "无"}}));
    // Every LVAL row the memo used is flagged deleted now, and pages left with nothing else
    // went back to the free pool (their type byte cleared).
    const auto file = Qb::Test::readFile(m_path);
    for (std::uint16_t f : Qb::Test::slotFlags(file, 0x4C41564C))
        EXPECT_EQ(f, 0xC000);
    std::size_t lvalPages = 0;
    for (std::size_t off = PageSize; off < file.size(); off += PageSize)
        lvalPages += file[off] == 0x01 && std::equal(file.begin() + off + 4, file.begin() + off + 8, "LVAL");
    EXPECT_EQ(lvalPages, 0u);
    const CheckReport report = checkDatabase(jet());
    EXPECT_TRUE(report.ok()) << report.faults.size() << " faults, first: " << report.faults.front();
}

INSTANTIATE_TEST_SUITE_P(Write, MemoSizes,
                         ::testing::Values(MemoCase{"empty", 0, false}, MemoCase{"inlineLimit", 62, false},
                                           MemoCase{"firstOnLvalRow", 63, false}, MemoCase{"chineseInline", 32, true},
                                           MemoCase{"chineseOnLvalRow", 33, true},
                                           MemoCase{"fullLvalRow", 4074, false}, MemoCase{"firstChain", 4075, false},
                                           MemoCase{"chineseChain", 9000, true}, MemoCase{"sixtyFourKilobytes", 65536, false}),
                         [](const auto &info) { return std::string(info.param.name); });

// A row that grows stays in its slot while its page has room (the page is laid out anew); on a
// full page it moves and leaves an overflow pointer, and deleting it hides both copies.
TEST_F(WriteTest, grownRowStaysWhileItsPageHasRoomElseMovesAndItsDeleteHidesBothCopies)
{
    exec("insert into 分类表(分类名,序号,父类,说明) values ('a','1','0','')");
    exec("insert into 分类表(分类名,序号,父类,说明) values ('b','2','0','')");
    const std::uint32_t tdef = def("分类表").page;
    const auto overflowSlots = [&] {
        const auto flags = Qb::Test::slotFlags(Qb::Test::readFile(m_path), tdef);
        return std::count(flags.begin(), flags.end(), 0x4000);
    };
    exec("update 分类表 set 说明='" + std::string(100, 'x') + "' where 序号='1'");
    EXPECT_EQ(overflowSlots(), 0) << "the page had room";
    const std::string han = "分类表命令库关键字打印文";
    std::string filler;
    for (int i = 0; i < 21; ++i)
        filler += han; // 252 characters that stay two bytes each
    for (int i = 0; i < 8; ++i)
        exec("insert into 分类表(分类名,序号,父类,说明) values ('f','" + std::to_string(10 + i) + "','0','" + filler + "')");
    const std::string big(255, 'z');
    exec("update 分类表 set 说明='" + big + "' where 序号='1'");
    exec("update 分类表 set 分类名='" + std::string(50, 'y') + "' where 序号='1'");
    EXPECT_EQ(rows("分类表").front(), (std::vector<std::string>{"1", std::string(50, 'y'), "1", "0", big}));
    EXPECT_EQ(overflowSlots(), 1) << "one overflow pointer";
    exec("delete from 分类表 where 序号='1'");
    const auto flags = Qb::Test::slotFlags(Qb::Test::readFile(m_path), tdef);
    EXPECT_EQ(std::count(flags.begin(), flags.end(), 0), 9) << "only row 2 and the fillers are live";
    if (Qb::Test::haveMdbTools()) {
        const auto csv = Qb::Test::runCommand("mdb-export " + Qb::Test::shellQuote(m_path) + " 分类表");
        ASSERT_TRUE(csv);
        EXPECT_TRUE(csv->starts_with("ID,分类名,序号,父类,说明\n2,\"b\",\"2\",\"0\",\n")) << *csv;
        EXPECT_EQ(std::count(csv->begin(), csv->end(), '\n'), 10);
    }
}

// In memory (no journal, no flushes): enough rows for several leaves and a node root.
TEST(WriteMany, rowsSplitIndexPagesAndTheIndexStaysExact)
{
    auto opened = Database::open(makeMemoryPageSource(EmptyLibrary::build(45000)), Password);
    ASSERT_TRUE(opened);
    Database &db = **opened;
    auto &jet = static_cast<JetDatabase &>(db);
    const auto run = [&](const std::string &sql, std::uint64_t expected) {
        auto r = db.execute(sql);
        ASSERT_TRUE(r) << sql << ": " << r.error().message;
        EXPECT_EQ(*r, expected) << sql;
    };
    const int count = 2500;
    for (int i = 1; i <= count; ++i)
        run("insert into 命令表(命令,说明) values ('hint" + std::to_string(i) + "','d')", 1);
    for (int i = 1; i <= count; i += 2)
        run("delete from 命令表 where 命令='hint" + std::to_string(i) + "'", 1);
    run("update 命令表 set 说明='" + std::string(200, 'u') + "' where 命令='hint10'", 1);
    const TableDef t = **jet.tableDef("命令表");
    auto walk = Qb::Test::walkIndex(Qb::Test::sourceBytes(jet.pages().source()), t.realIndexes[0].rootPage, t.page);
    EXPECT_EQ(walk.fault, "");
    EXPECT_GE(walk.depth, 2u);
    const CheckReport report = checkDatabase(jet);
    EXPECT_TRUE(report.ok()) << report.faults.size() << " faults, first: " << report.faults.front();
    ASSERT_EQ(walk.entries.size(), std::size_t(count / 2));
    for (std::size_t k = 0; k < walk.entries.size(); ++k) {
        const auto &e = walk.entries[k];
        const std::uint32_t id = ((e[1] ^ 0x80u) << 24) | (e[2] << 16) | (e[3] << 8) | e[4];
        EXPECT_EQ(id, 2 * (k + 1)) << "entry " << k;
    }
    EXPECT_EQ(t.rowCount, std::uint32_t(count / 2));
    EXPECT_EQ(Qb::Test::tableRows(db, "命令表").size(), std::size_t(count / 2));
    run("delete from 命令表 where 说明='d'", count / 2 - 1);
    run("delete from 命令表 where 命令='hint10'", 1);
    walk = Qb::Test::walkIndex(Qb::Test::sourceBytes(jet.pages().source()), t.realIndexes[0].rootPage, t.page);
    EXPECT_EQ(walk.fault, "");
    EXPECT_TRUE(walk.entries.empty());
    EXPECT_EQ((*jet.tableDef("命令表"))->rowCount, 0u);
}

TEST_F(WriteTest, secondWriterIsLockedOutAndReadOnlyRefusesWrites)
{
    auto second = Database::open(m_path, Password);
    ASSERT_FALSE(second);
    EXPECT_EQ(second.error().code, ErrorCode::Locked);
    const pid_t child = ::fork(); // another process is refused the same way
    if (child == 0) {
        auto other = Database::open(m_path, Password);
        ::_exit(!other && other.error().code == ErrorCode::Locked ? 0 : 1);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the other process was not refused";
    auto reader = Database::open(m_path, Password, Database::Mode::ReadOnly);
    ASSERT_TRUE(reader);
    auto r = (*reader)->execute("insert into 命令表(命令,说明) values ('a','b')");
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().code, ErrorCode::ReadOnly);
    m_db.reset();
    EXPECT_TRUE(Database::open(m_path, Password)) << "the lock ends with the database";
}

TEST_F(WriteTest, leftoverJournalIsRolledBackOnOpen)
{
    exec("insert into 命令表(命令,说明) values ('kept','1')");
    m_db.reset();
    const auto before = Qb::Test::readFile(m_path);
    // A statement that journaled pages 1 and 2 of the 24 and then died after appending a page
    // and scribbling over page 2.
    Journal journal(m_path);
    std::map<std::uint32_t, PageBytes> images;
    JournalRecord record;
    record.originalCount = std::uint32_t(before.size() / PageSize);
    record.finalCount = record.originalCount + 1;
    for (std::uint32_t p : {1u, 2u}) {
        std::copy(before.begin() + p * PageSize, before.begin() + (p + 1) * PageSize, images[p].begin());
        record.before[p] = &images[p];
    }
    ASSERT_TRUE(journal.begin(record));
    {
        std::fstream f(m_path, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(2 * PageSize);
        f << std::string(PageSize, 'X');
        f.seekp(0, std::ios::end);
        f << std::string(PageSize, 'Y');
    }
    const auto torn = Qb::Test::readFile(m_path);
    {
        // A reader sees the state before the statement and changes nothing.
        auto reader = Database::open(m_path, Password, Database::Mode::ReadOnly);
        ASSERT_TRUE(reader) << reader.error().message;
        EXPECT_EQ(Qb::Test::tableRows(**reader, "命令表"), (Rows{{"1", "kept", "1"}}));
        EXPECT_EQ(Qb::Test::readFile(m_path), torn);
        EXPECT_TRUE(std::filesystem::exists(journalPathFor(m_path)));
    }
    reopen();
    EXPECT_EQ(Qb::Test::readFile(m_path), before);
    EXPECT_FALSE(std::filesystem::exists(journalPathFor(m_path)));
    EXPECT_EQ(rows("命令表"), (Rows{{"1", "kept", "1"}}));
}

TEST_F(WriteTest, cutShortJournalIsDiscarded)
{
    m_db.reset();
    const auto before = Qb::Test::readFile(m_path);
    std::ofstream(journalPathFor(m_path), std::ios::binary) << "QBJRNL1";
    reopen();
    EXPECT_EQ(Qb::Test::readFile(m_path), before);
    EXPECT_FALSE(std::filesystem::exists(journalPathFor(m_path)));
}

// Files Access made: tables with AutoNumber keys are written (a Chinese-locale file included),
// tables with indexes this engine cannot keep exact are refused and left untouched.
struct FixtureCase
{
    const char *name;
    const char *fixture;
    const char *password;
    std::vector<std::string> statements;
    ErrorCode refused; // Unsupported when the table must be refused; NotJet means "accepted"
    std::string table;
    Rows expectedTail; // the last rows after the statements
};

class AccessFiles : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(AccessFiles, writeOrRefuseCleanly)
{
    const FixtureCase &c = GetParam();
    const std::string fixture = Qb::Test::jetFixture(c.fixture);
    if (fixture.empty())
        GTEST_SKIP() << Qb::Test::NoSharedMessage;
    TempDir dir;
    const std::string path = dir.path("copy.mdb");
    std::filesystem::copy_file(fixture, path);
    const auto before = Qb::Test::readFile(path);
    auto db = Database::open(path, c.password);
    ASSERT_TRUE(db) << db.error().message;
    for (const auto &sql : c.statements) {
        auto r = (*db)->execute(sql);
        if (c.refused == ErrorCode::NotJet) {
            ASSERT_TRUE(r) << sql << ": " << r.error().message;
            continue;
        }
        ASSERT_FALSE(r) << sql;
        EXPECT_EQ(r.error().code, c.refused) << r.error().message;
    }
    if (c.refused != ErrorCode::NotJet) {
        EXPECT_EQ(Qb::Test::readFile(path), before);
        return;
    }
    const CheckReport report = checkDatabase(static_cast<JetDatabase &>(**db));
    EXPECT_TRUE(report.ok()) << report.faults.size() << " faults, first: " << report.faults.front();
    const Rows rows = Qb::Test::tableRows(**db, c.table);
    ASSERT_GE(rows.size(), c.expectedTail.size());
    EXPECT_EQ(Rows(rows.end() - std::ptrdiff_t(c.expectedTail.size()), rows.end()), c.expectedTail);
    db->reset();
    if (Qb::Test::haveMdbTools()) {
        const auto count = Qb::Test::runCommand("mdb-export " + Qb::Test::shellQuote(path) + " " + c.table + " | tail -n +2 | wc -l");
        ASSERT_TRUE(count);
        EXPECT_EQ(std::stoul(*count), rows.size()) << "mdb-export row count";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Write, AccessFiles,
    ::testing::Values(
        FixtureCase{"chineseLocaleFile", "zblogasp-data-2013-chinese.mdb", "",
                    {"insert into blog_Keyword(key_Name,key_Intro,key_URL) values ('关键字','说明文字','http://x')",
                     "insert into blog_Keyword(key_Name,key_Intro,key_URL) values ('第二','" + std::string(5000, 'm') + "','')",
                     "update blog_Keyword set key_URL='http://y' where key_Name='关键字'",
                     "delete from blog_Keyword where key_Name='第二'"},
                    ErrorCode::NotJet, "blog_Keyword", {{"1", "关键字", "说明文字", "http://y"}}},
        FixtureCase{"passwordFile", "mdbreader-V2000_with-password.mdb", "password",
                    {"insert into Table1(Data) values ('added')", "delete from Table1 where ID=1"}, ErrorCode::NotJet,
                    "Table1", {{"4", "added"}}},
        FixtureCase{"dateAndTextIndexes", "northwind-Mahdisaeidi79.mdb", "",
                    {"update Orders set ShipName='x' where OrderID=10248", "delete from Orders where OrderID=10248"},
                    ErrorCode::Unsupported, "", {}},
        FixtureCase{"descendingIndex", "jackcess-compIndexTestV2000.mdb", "",
                    {"insert into Table1(CD_AGENTE,RS_AGENTE) values ('1','a')"}, ErrorCode::Unsupported, "", {}}),
    [](const auto &info) { return std::string(info.param.name); });

// Past 512 pages the inline usage maps of a new library no longer reach: the global map grows
// and the memo column's maps become reference maps. Every reader still sees every row.
TEST(WriteLarge, usageMapsGrowPastTheirInlineRange)
{
    auto opened = Database::open(makeMemoryPageSource(EmptyLibrary::build(45000)), Password);
    ASSERT_TRUE(opened);
    auto &db = static_cast<JetDatabase &>(**opened);
    std::string body;
    for (int i = 0; i < 2100; ++i)
        body += "字";
    const int count = 400;
    for (int i = 0; i < count; ++i) {
        auto r = db.execute("insert into 命令库(命令名,中文名,分类,说明,类型) values ('c" + std::to_string(i) + "','','1','"
                            + body + std::to_string(i) + "','无')");
        ASSERT_TRUE(r) << r.error().message;
    }
    const auto file = Qb::Test::sourceBytes(db.pages().source());
    ASSERT_GT(file.size() / PageSize, 800u);
    const TableDef t = **db.tableDef("命令库");
    const RowPointer lvOwned = t.longValueMaps.at(0).owned;
    const auto slotStart = [&](RowPointer ref) {
        const std::size_t page = std::size_t(ref.page) * PageSize;
        return std::size_t(file[page + 14 + 2 * ref.row] | (file[page + 15 + 2 * ref.row] << 8)) & 0x1FFF;
    };
    EXPECT_EQ(file[std::size_t(lvOwned.page) * PageSize + slotStart(lvOwned)], 0x01) << "a reference map now";
    const CheckReport report = checkDatabase(db);
    EXPECT_TRUE(report.ok()) << report.faults.size() << " faults, first: " << report.faults.front();
    const auto rows = Qb::Test::tableRows(db, "命令库");
    ASSERT_EQ(rows.size(), std::size_t(count));
    EXPECT_EQ(rows[count - 1][4], body + std::to_string(count - 1));
    TempDir dir;
    const std::string path = dir.path("large.mdb");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(file.data()), std::streamsize(file.size()));
    if (Qb::Test::haveMdbTools()) {
        const auto last = Qb::Test::runCommand("mdb-export -H " + Qb::Test::shellQuote(path) + " 命令库 | tail -n 1");
        ASSERT_TRUE(last);
        EXPECT_EQ(*last, std::to_string(count) + ",\"c" + std::to_string(count - 1) + "\",,\"1\",\"" + body
                             + std::to_string(count - 1) + "\",\"无\"\n");
    }
    if (const std::string script = Qb::Test::mdbReaderRowsScript(); !script.empty()) {
        const auto lines = Qb::Test::runCommand("node " + script + " " + Qb::Test::shellQuote(path) + " 命令库 | wc -l");
        ASSERT_TRUE(lines);
        EXPECT_EQ(std::stoul(*lines), std::size_t(count));
    }
}

// Large Access files keep the global map as a reference map (bitmap pages of type 0x05). New
// pages are marked used there, also when the bitmap page for their range is still missing.
struct GlobalMapCase
{
    const char *name;
    bool withBitmapPage;
};

class ReferenceGlobalMap : public ::testing::TestWithParam<GlobalMapCase> {};

bool globalBitFree(const std::vector<std::uint8_t> &file, std::uint32_t bitmapPage, std::uint32_t page)
{
    return file[std::size_t(bitmapPage) * PageSize + 4 + page / 8] & (1u << (page % 8));
}

TEST_P(ReferenceGlobalMap, newPagesAreMarkedUsed)
{
    auto bytes = EmptyLibrary::build(45000);
    const std::uint32_t pages = std::uint32_t(bytes.size() / PageSize);
    std::uint32_t bitmap = 0;
    if (GetParam().withBitmapPage) {
        bitmap = pages; // a type 0x05 page: every page of the file used, the rest free
        bytes.resize(bytes.size() + PageSize, 0xFF);
        const std::size_t at = std::size_t(bitmap) * PageSize;
        bytes[at] = 0x05, bytes[at + 1] = 0x01, bytes[at + 2] = 0, bytes[at + 3] = 0;
        for (std::uint32_t p = 0; p <= bitmap; ++p)
            bytes[at + 4 + p / 8] &= std::uint8_t(~(1u << (p % 8)));
    }
    // Page 1, row 0 (the last 69 bytes of the page) becomes a reference map.
    const std::size_t row = PageSize + PageSize - 69;
    std::fill_n(bytes.begin() + std::ptrdiff_t(row), 69, 0);
    bytes[row] = 0x01;
    bytes[row + 1] = std::uint8_t(bitmap), bytes[row + 2] = std::uint8_t(bitmap >> 8);
    auto opened = Database::open(makeMemoryPageSource(bytes), Password);
    ASSERT_TRUE(opened);
    auto &db = static_cast<JetDatabase &>(**opened);
    auto r = db.execute("insert into 命令库(命令名,中文名,分类,说明,类型) values ('a','','1','" + std::string(9000, 'x') + "','无')");
    ASSERT_TRUE(r) << r.error().message;
    const auto file = Qb::Test::sourceBytes(db.pages().source());
    const std::size_t entry = file[row + 1] | (file[row + 2] << 8) | (file[row + 3] << 16);
    ASSERT_NE(entry, 0u);
    EXPECT_EQ(file[entry * PageSize], 0x05);
    const std::uint32_t firstNew = GetParam().withBitmapPage ? bitmap + 1 : pages;
    for (std::uint32_t p = firstNew; p < file.size() / PageSize; ++p)
        EXPECT_FALSE(globalBitFree(file, std::uint32_t(entry), p)) << "page " << p << " is in use";
    if (GetParam().withBitmapPage) {
        const CheckReport report = checkDatabase(db);
        EXPECT_TRUE(report.ok()) << report.faults.size() << " faults, first: " << report.faults.front();
    }
}

INSTANTIATE_TEST_SUITE_P(Write, ReferenceGlobalMap,
                         ::testing::Values(GlobalMapCase{"bitmapPagePresent", true}, GlobalMapCase{"bitmapPageMissing", false}),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
