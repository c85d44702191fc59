// SPDX-License-Identifier: GPL-3.0-or-later
// Compaction: the copy holds the same rows in the same order (every table, system tables and
// Access's own objects included), continues the AutoNumber, is smaller and checks clean for the
// engine and every reader; refused cases leave the original as it was and no file behind; the
// quillbox-mdb command reports what it did.
#include "jet/checker.h"
#include "jet/database.h"
#include "jet/jetdatabase.h"
#include "jet/storage/pagesource.h"
#include "jet/write/compactor.h"

#include "support/fixtures.h"
#include "writetest_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sys/wait.h>

using namespace Qb::Jet;
using Qb::Test::TempDir;
using Rows = std::vector<std::vector<std::string>>;

namespace {

constexpr const char *Password = "HPQVNRtoka3906";

std::string memoText(int chars, int seed)
{
    static const std::string han[] = {"分", "类", "表", "命", "令", "库", "关", "键", "字", "打", "印", "文"};
    std::string s;
    for (int i = 0; i < chars; ++i)
        s += han[std::size_t(i * 5 + seed) % 12];
    return s;
}

// Every table of the catalog (system tables included), as the engine reads it.
std::map<std::string, Rows> everyTable(const std::string &path, const std::string &password)
{
    std::map<std::string, Rows> tables;
    auto db = Database::open(path, password, Database::Mode::ReadOnly);
    if (!db)
        return tables;
    auto &jet = static_cast<JetDatabase &>(**db);
    for (const CatalogEntry &e : jet.catalog().entries)
        if (e.isTable())
            tables[e.name] = Qb::Test::tableRows(jet, "[" + e.name + "]");
    return tables;
}

std::uintmax_t fileSize(const std::string &path) { return std::filesystem::file_size(path); }

std::vector<std::string> directoryNames(const std::string &dir)
{
    std::vector<std::string> names;
    for (const auto &e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class CompactTest : public ::testing::Test
{
protected:
    // A library with holes: deleted commands, memos rewritten longer. Made in memory (hundreds
    // of durable statements would only cost time) and written as one file.
    void SetUp() override
    {
        m_path = m_dir.path("qbxdb.mdb");
        ASSERT_TRUE(Database::createLibrary(m_path));
        auto db = Database::open(makeMemoryPageSource(Qb::Test::readFile(m_path)), Password);
        ASSERT_TRUE(db);
        const auto exec = [&](const std::string &sql) {
            auto r = (*db)->execute(sql);
            ASSERT_TRUE(r) << r.error().message;
        };
        exec("insert into 分类表(分类名,序号,父类,说明) values ('文件','1','0','files')");
        for (int i = 1; i <= 300; ++i)
            exec("insert into 命令库(命令名,中文名,分类,说明,类型) values ('c" + std::to_string(i) + "','中','1','"
                 + memoText(i % 3 ? 1200 : 30, i) + "','无')");
        for (int i = 1; i <= 300; i += 2)
            exec("delete from 命令库 where ID=" + std::to_string(i));
        exec("delete from 命令库 where ID=300"); // the last number handed out stays taken
        for (int i = 2; i <= 40; i += 2)
            exec("update 命令库 set 说明='" + memoText(3000, i) + "' where ID=" + std::to_string(i));
        const auto bytes = Qb::Test::sourceBytes(static_cast<JetDatabase &>(**db).pages().source());
        std::ofstream(m_path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    }

    TempDir m_dir;
    std::string m_path;
};

TEST_F(CompactTest, copyKeepsRowsOrderAndNumberingAndIsSmaller)
{
    const auto before = everyTable(m_path, Password);
    const std::uintmax_t sizeBefore = fileSize(m_path);
    std::string exportBefore;
    if (Qb::Test::haveMdbTools())
        exportBefore = *Qb::Test::runCommand("mdb-export " + Qb::Test::shellQuote(m_path) + " 命令库");

    auto report = compactFile(m_path, "", Password);
    ASSERT_TRUE(report) << report.error().message;
    EXPECT_EQ(report->rows, 149u + 1u) << "149 commands and a category";
    EXPECT_TRUE(report->keptAsIs.empty());
    EXPECT_LT(fileSize(m_path), sizeBefore * 3 / 4) << sizeBefore << " bytes before";
    EXPECT_EQ(std::uintmax_t(report->pagesAfter) * PageSize, fileSize(m_path));
    EXPECT_EQ(everyTable(m_path, Password), before) << "every table, in scan order";
    EXPECT_EQ(directoryNames(m_dir.path("")), (std::vector<std::string>{"qbxdb.mdb"}));

    auto db = Database::open(m_path, Password);
    ASSERT_TRUE(db);
    const CheckReport check = checkDatabase(static_cast<JetDatabase &>(**db));
    EXPECT_TRUE(check.ok()) << check.faults.front();
    ASSERT_TRUE((*db)->execute("insert into 命令库(命令名,中文名,分类,说明,类型) values ('new','','1','','无')"));
    EXPECT_EQ(Qb::Test::tableRows(**db, "命令库").back()[0], "301") << "numbering goes on after the deleted 300";
    db->reset();
    if (Qb::Test::haveMdbTools()) {
        const auto after = Qb::Test::runCommand("mdb-export " + Qb::Test::shellQuote(m_path) + " 命令库");
        ASSERT_TRUE(after);
        EXPECT_TRUE(after->starts_with(exportBefore)) << "mdb-export lists the same rows in the same order";
    }
    if (const std::string script = Qb::Test::mdbReaderRowsScript(); !script.empty()) {
        const auto json = Qb::Test::runCommand("node " + script + " " + Qb::Test::shellQuote(m_path) + " 命令库 | wc -l");
        ASSERT_TRUE(json);
        EXPECT_EQ(std::stoi(*json), 150);
    }
}

// A real Access file: tables this engine cannot rewrite (indexes on dates, descending keys) are
// kept as they are; the rest lose their deleted rows; relationships, queries and Access's own
// objects stay; the original is untouched when the copy goes elsewhere.
TEST(Compact, accessFileKeepsEveryTableAndTheOriginal)
{
    const std::string fixture = Qb::Test::jetFixture("northwind-Mahdisaeidi79.mdb");
    if (fixture.empty())
        GTEST_SKIP() << Qb::Test::NoSharedMessage;
    TempDir dir;
    const std::string path = dir.path("northwind.mdb"), out = dir.path("packed.mdb");
    std::filesystem::copy_file(fixture, path);
    {
        auto db = Database::open(path, "");
        ASSERT_TRUE(db);
        for (int order = 10248; order < 10400; ++order)
            ASSERT_TRUE((*db)->execute("delete from [Order Details] where OrderID=" + std::to_string(order)));
    }
    const auto before = everyTable(path, "");
    const auto original = Qb::Test::readFile(path);
    auto report = compactFile(path, out, "");
    ASSERT_TRUE(report) << report.error().message;
    EXPECT_FALSE(report->keptAsIs.empty());
    EXPECT_LE(report->pagesAfter, report->pagesBefore);
    EXPECT_TRUE(Qb::Test::readFile(path) == original);
    EXPECT_EQ(everyTable(out, ""), before);
    auto db = Database::open(out, "", Database::Mode::ReadOnly);
    ASSERT_TRUE(db);
    const CheckReport check = checkDatabase(static_cast<JetDatabase &>(**db));
    EXPECT_TRUE(check.ok()) << check.faults.front();
    if (Qb::Test::haveMdbTools())
        for (const char *table : {"Order Details", "Orders", "MSysRelationships", "MSysQueries"}) {
            const auto a = Qb::Test::runCommand("mdb-export " + Qb::Test::shellQuote(path) + " '" + table + "'");
            const auto b = Qb::Test::runCommand("mdb-export " + Qb::Test::shellQuote(out) + " '" + table + "'");
            ASSERT_TRUE(a && b);
            EXPECT_EQ(*a, *b) << table;
        }
}

// The progress callback sees every step once, in order, never more done than its total, each
// long step ending complete.
TEST_F(CompactTest, progressCoversEveryStepInOrder)
{
    std::vector<std::pair<CompactStep, std::pair<std::uint64_t, std::uint64_t>>> calls;
    auto report = compactFile(m_path, "", Password, [&](CompactStep step, std::uint64_t done, std::uint64_t total) {
        calls.push_back({step, {done, total}});
        return true;
    });
    ASSERT_TRUE(report) << report.error().message;
    std::vector<CompactStep> steps;
    for (const auto &[step, at] : calls) {
        EXPECT_LE(at.first, at.second) << int(step);
        if (steps.empty() || steps.back() != step)
            steps.push_back(step);
    }
    EXPECT_EQ(steps, (std::vector<CompactStep>{CompactStep::CheckOriginal, CompactStep::Copy, CompactStep::Rewrite,
                                               CompactStep::CheckCopy, CompactStep::Write, CompactStep::CheckWritten}));
    const auto lastOf = [&](CompactStep step) {
        std::pair<std::uint64_t, std::uint64_t> last;
        for (const auto &[s, at] : calls)
            if (s == step)
                last = at;
        return last;
    };
    for (CompactStep step : {CompactStep::Copy, CompactStep::Rewrite, CompactStep::Write, CompactStep::CheckWritten})
        EXPECT_EQ(lastOf(step).first, lastOf(step).second) << int(step);
    EXPECT_EQ(lastOf(CompactStep::Rewrite).first, 2 * report->rows) << "each row read and written";
}

// Stopping at any step, also once the temporary file exists, gives Cancelled with the original
// as it was and nothing left beside it.
TEST_F(CompactTest, cancelAtAnyStepLeavesTheOriginalAndNoFileBehind)
{
    const auto bytes = Qb::Test::readFile(m_path);
    const auto names = directoryNames(m_dir.path(""));
    for (int stop = 0; stop < CompactStepCount; ++stop) {
        int calls = 0;
        auto report = compactFile(m_path, "", Password, [&](CompactStep step, std::uint64_t, std::uint64_t) {
            return int(step) != stop || ++calls < 2;
        });
        ASSERT_FALSE(report) << "stopped at step " << stop;
        EXPECT_EQ(report.error().code, ErrorCode::Cancelled) << report.error().message;
        EXPECT_TRUE(Qb::Test::readFile(m_path) == bytes) << "step " << stop;
        EXPECT_EQ(directoryNames(m_dir.path("")), names) << "step " << stop;
    }
}

struct Refusal
{
    const char *name;
    // Prepares the case in `dir` (the library is dir/qbxdb.mdb); returns the OUT argument.
    std::string (*prepare)(TempDir &dir, std::unique_ptr<Database> &holder);
    std::string password;
    ErrorCode code;
    const char *message;
};

class CompactRefusal : public CompactTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(CompactRefusal, leavesTheOriginalAndNoFileBehind)
{
    std::unique_ptr<Database> holder;
    const std::string out = GetParam().prepare(m_dir, holder);
    const auto bytes = Qb::Test::readFile(m_path);
    const auto names = directoryNames(m_dir.path(""));
    auto report = compactFile(m_path, out, GetParam().password);
    ASSERT_FALSE(report);
    EXPECT_EQ(report.error().code, GetParam().code) << report.error().message;
    EXPECT_NE(report.error().message.find(GetParam().message), std::string::npos) << report.error().message;
    holder.reset();
    EXPECT_TRUE(Qb::Test::readFile(m_path) == bytes);
    EXPECT_EQ(directoryNames(m_dir.path("")), names);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CompactRefusal,
    ::testing::Values(
        Refusal{"anotherWriterHoldsTheLock",
                [](TempDir &dir, std::unique_ptr<Database> &holder) {
                    holder = std::move(*Database::open(dir.path("qbxdb.mdb"), Password));
                    return std::string();
                },
                Password, ErrorCode::Locked, ""},
        Refusal{"outExists",
                [](TempDir &dir, std::unique_ptr<Database> &) {
                    std::ofstream(dir.path("other.mdb")) << "keep me";
                    return dir.path("other.mdb");
                },
                Password, ErrorCode::IoError, "exists"},
        Refusal{"damagedFile",
                [](TempDir &dir, std::unique_ptr<Database> &) {
                    auto bytes = Qb::Test::readFile(dir.path("qbxdb.mdb"));
                    auto db = Database::open(makeMemoryPageSource(bytes), Password, Database::Mode::ReadOnly);
                    const std::uint32_t tdef = (*static_cast<JetDatabase &>(**db).tableDef("命令库"))->page;
                    bytes[tdef * PageSize + 16] ^= 0x01; // the row count
                    std::ofstream(dir.path("qbxdb.mdb"), std::ios::binary | std::ios::trunc)
                        .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
                    return std::string();
                },
                Password, ErrorCode::Corrupt, "it is not compacted"},
        Refusal{"wrongPassword", [](TempDir &, std::unique_ptr<Database> &) { return std::string(); }, "nope",
                ErrorCode::WrongPassword, ""}),
    [](const auto &info) { return std::string(info.param.name); });

int runTool(const std::string &args, std::string &out)
{
    const std::string command = std::string(QB_MDB_TOOL) + " " + args + " 2>&1";
    FILE *pipe = ::popen(command.c_str(), "r");
    char buffer[512];
    out.clear();
    while (std::fgets(buffer, sizeof buffer, pipe))
        out += buffer;
    const int raw = ::pclose(pipe);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

TEST_F(CompactTest, commandReportsSizesAndRefusesWhileLocked)
{
    std::string out;
    {
        auto holder = Database::open(m_path, Password);
        ASSERT_TRUE(holder);
        EXPECT_EQ(runTool("compact " + Qb::Test::shellQuote(m_path), out), 3);
        EXPECT_NE(out.find("(Locked)"), std::string::npos) << out;
    }
    EXPECT_EQ(runTool("compact " + Qb::Test::shellQuote(m_path), out), 0) << out;
    EXPECT_NE(out.find("150 rows;"), std::string::npos) << out;
    EXPECT_NE(out.find("pages ("), std::string::npos) << out;
    EXPECT_EQ(runTool("check " + Qb::Test::shellQuote(m_path), out), 0) << out;
}

} // namespace
