// SPDX-License-Identifier: GPL-3.0-or-later
// The journal a crash leaves behind: which records are played back (the file goes back to its
// state before the transaction), which are dropped because the file already holds the
// transaction's pages, and which are no record at all. A reader sees the same state without
// changing the file; opening for writing leaves no journal behind.
#include "jet/database.h"
#include "jet/jetdatabase.h"
#include "jet/storage/journal.h"
#include "jet/storage/pagesource.h"

#include "writetest_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qb::Jet;
using Qb::Test::TempDir;
using Bytes8 = std::vector<std::uint8_t>;

namespace {

constexpr const char *Password = "HPQVNRtoka3906";

// A statement's effect on a small library: the file before and after it.
struct Change
{
    Bytes8 before;
    Bytes8 after;
    std::uint32_t beforePages() const { return std::uint32_t(before.size() / PageSize); }
    std::uint32_t afterPages() const { return std::uint32_t(after.size() / PageSize); }
    bool changed(std::uint32_t p) const
    {
        return p >= beforePages() || !std::equal(before.begin() + p * PageSize, before.begin() + (p + 1) * PageSize,
                                                 after.begin() + p * PageSize);
    }
};

PageBytes pageOf(const Bytes8 &file, std::uint32_t p)
{
    PageBytes page;
    std::copy(file.begin() + p * PageSize, file.begin() + (p + 1) * PageSize, page.begin());
    return page;
}

// Runs `steps` in a child process that then dies without cleaning up (no destructors run, the
// journal's descriptor is never closed). False when a step failed.
bool crashAfter(const std::function<bool()> &steps)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(steps() ? 0 : 1);
    int status = -1;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// What happened to the file before the crash.
enum class Written { Nothing, Half, All, AllButAdded };

class JournalTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_path = m_dir.path("qbxdb.mdb");
        ASSERT_TRUE(Database::createLibrary(m_path));
        {
            auto db = Database::open(m_path, Password);
            ASSERT_TRUE(db);
            ASSERT_TRUE((*db)->execute("insert into 命令表(命令,说明) values ('kept','1')"));
        }
        m_change.before = Qb::Test::readFile(m_path);
        auto db = Database::open(makeMemoryPageSource(m_change.before), Password);
        ASSERT_TRUE(db);
        ASSERT_TRUE((*db)->execute("insert into 命令库(命令名,中文名,分类,说明,类型) values ('x','','1','"
                                   + std::string(9000, 'm') + "','无')"));
        m_change.after = Qb::Test::sourceBytes(static_cast<JetDatabase &>(**db).pages().source());
        ASSERT_GT(m_change.afterPages(), m_change.beforePages()) << "the statement adds pages";
    }

    JournalRecord record(std::map<std::uint32_t, PageBytes> &images, bool hashes) const
    {
        JournalRecord r{m_change.beforePages(), m_change.afterPages(), {}, {}};
        for (std::uint32_t p = 0; p < m_change.afterPages(); ++p) {
            if (!m_change.changed(p))
                continue;
            if (p < m_change.beforePages()) {
                images[p] = pageOf(m_change.before, p);
                r.before[p] = &images[p];
            }
            if (hashes)
                r.after[p] = pageHash(pageOf(m_change.after, p));
        }
        return r;
    }

    // Writes the after-state's pages chosen by `written` into the file.
    void writePages(Written written) const
    {
        std::fstream f(m_path, std::ios::in | std::ios::out | std::ios::binary);
        std::size_t changedSeen = 0;
        for (std::uint32_t p = 0; p < m_change.afterPages(); ++p) {
            if (!m_change.changed(p))
                continue;
            const bool take = written == Written::All || (written == Written::Half && changedSeen++ % 2 == 0)
                || (written == Written::AllButAdded && p < m_change.beforePages());
            if (!take)
                continue;
            f.seekp(std::streamoff(p) * std::streamoff(PageSize));
            f.write(reinterpret_cast<const char *>(m_change.after.data() + p * PageSize), PageSize);
        }
    }

    std::size_t rowsOf(Database &db) { return Qb::Test::tableRows(db, "命令库").size(); }

    TempDir m_dir;
    std::string m_path;
    Change m_change;
};

struct Case
{
    const char *name;
    bool hashes;        // the record tells the new pages by their hashes
    Written written;
    bool afterExpected; // the file ends in the state after the statement
};

class JournalRecovery : public JournalTest, public ::testing::WithParamInterface<Case> {};

TEST_P(JournalRecovery, leavesTheStateBeforeOrAfter)
{
    ASSERT_TRUE(crashAfter([&] {
        std::map<std::uint32_t, PageBytes> images;
        auto *journal = new Journal(m_path);
        if (!journal->begin(record(images, GetParam().hashes)))
            return false;
        writePages(GetParam().written);
        return true;
    }));
    const Bytes8 crashed = Qb::Test::readFile(m_path);
    const Bytes8 &expected = GetParam().afterExpected ? m_change.after : m_change.before;
    {
        auto reader = Database::open(m_path, Password, Database::Mode::ReadOnly);
        ASSERT_TRUE(reader) << reader.error().message;
        EXPECT_EQ(rowsOf(**reader), GetParam().afterExpected ? 1u : 0u);
        EXPECT_EQ(Qb::Test::readFile(m_path), crashed) << "a reader changes nothing";
    }
    auto db = Database::open(m_path, Password);
    ASSERT_TRUE(db) << db.error().message;
    EXPECT_EQ(Qb::Test::readFile(m_path), expected);
    EXPECT_FALSE(std::filesystem::exists(journalPathFor(m_path)));
    EXPECT_EQ(rowsOf(**db), GetParam().afterExpected ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Journal, JournalRecovery,
    ::testing::Values(Case{"diedBeforeAnyPage", true, Written::Nothing, false},
                      Case{"diedHalfway", true, Written::Half, false},
                      Case{"diedBeforeTheAddedPages", true, Written::AllButAdded, false},
                      Case{"diedAfterTheLastPage", true, Written::All, true},
                      Case{"recordWithoutHashesAlwaysRollsBack", false, Written::All, false}),
    [](const auto &info) { return std::string(info.param.name); });

// Journal files that hold no record: the file is left as it is and the journal removed.
struct NoRecord
{
    const char *name;
    // Leaves the journal file in its state; false when a step failed.
    std::function<bool(const std::string &journalPath, Journal &journal, const JournalRecord &record)> make;
};

class JournalWithoutRecord : public JournalTest, public ::testing::WithParamInterface<NoRecord> {};

TEST_P(JournalWithoutRecord, isRemovedAndChangesNothing)
{
    ASSERT_TRUE(crashAfter([&] {
        std::map<std::uint32_t, PageBytes> images;
        return GetParam().make(journalPathFor(m_path), *new Journal(m_path), record(images, true));
    }));
    writePages(Written::Half); // whatever the file holds, nothing restores it
    const Bytes8 crashed = Qb::Test::readFile(m_path);
    auto db = Database::open(m_path, Password);
    ASSERT_TRUE(db) << db.error().message;
    EXPECT_EQ(Qb::Test::readFile(m_path), crashed);
    EXPECT_FALSE(std::filesystem::exists(journalPathFor(m_path)));
}

INSTANTIATE_TEST_SUITE_P(
    Journal, JournalWithoutRecord,
    ::testing::Values(NoRecord{"clearedAfterCommit",
                               [](const std::string &, Journal &j, const JournalRecord &r) {
                                   return j.begin(r) && j.finish() && !j.pending();
                               }},
                      NoRecord{"cutShortWhileWritten",
                               [](const std::string &path, Journal &j, const JournalRecord &r) {
                                   if (!j.begin(r))
                                       return false;
                                   std::filesystem::resize_file(path, std::filesystem::file_size(path) - 100);
                                   return !j.pending();
                               }},
                      NoRecord{"oneByteChanged",
                               [](const std::string &path, Journal &j, const JournalRecord &r) {
                                   if (!j.begin(r))
                                       return false;
                                   std::fstream(path, std::ios::in | std::ios::out | std::ios::binary).seekp(40).put('\x5A');
                                   return !j.pending();
                               }},
                      NoRecord{"onlyTheMagic",
                               [](const std::string &path, Journal &, const JournalRecord &) {
                                   std::ofstream(path, std::ios::binary) << "QBJRNL2";
                                   return true;
                               }}),
    [](const auto &info) { return std::string(info.param.name); });

// A long transaction's added pages reach the file before its commit: a crash then cuts the file
// back, also once the record of the commit has been written over the appending record.
TEST_F(JournalTest, addedPagesWrittenAheadAreCutOff)
{
    for (const bool commitBegun : {false, true}) {
        SCOPED_TRACE(commitBegun ? "commit record written, half the pages" : "appending record only");
        ASSERT_TRUE(crashAfter([&] {
            std::map<std::uint32_t, PageBytes> images;
            auto *journal = new Journal(m_path);
            if (!journal->beginAppending(m_change.beforePages()))
                return false;
            std::ofstream(m_path, std::ios::binary | std::ios::app)
                .write(reinterpret_cast<const char *>(m_change.after.data() + m_change.before.size()),
                       std::streamsize(m_change.after.size() - m_change.before.size()));
            if (commitBegun) {
                if (!journal->begin(record(images, true)))
                    return false;
                writePages(Written::Half);
            }
            return true;
        }));
        EXPECT_GT(std::filesystem::file_size(m_path), m_change.before.size());
        auto db = Database::open(m_path, Password);
        ASSERT_TRUE(db) << db.error().message;
        EXPECT_EQ(Qb::Test::readFile(m_path), m_change.before);
    }
}

// Journals written by the earlier format of this engine are still played back.
TEST_F(JournalTest, earlierFormatIsPlayedBack)
{
    Bytes8 j = {'Q', 'B', 'J', 'R', 'N', 'L', '1', 0};
    auto put32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            j.push_back(std::uint8_t(v >> (8 * i)));
    };
    std::vector<std::uint32_t> pages;
    for (std::uint32_t p = 0; p < m_change.beforePages(); ++p)
        if (m_change.changed(p))
            pages.push_back(p);
    put32(m_change.beforePages());
    put32(std::uint32_t(pages.size()));
    for (std::uint32_t p : pages) {
        put32(p);
        j.insert(j.end(), m_change.before.begin() + p * PageSize, m_change.before.begin() + (p + 1) * PageSize);
    }
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (std::uint8_t b : j)
        h = (h ^ b) * 0x100000001b3ull;
    put32(std::uint32_t(h));
    put32(std::uint32_t(h >> 32));
    std::ofstream(journalPathFor(m_path), std::ios::binary).write(reinterpret_cast<const char *>(j.data()), std::streamsize(j.size()));
    writePages(Written::All);
    auto db = Database::open(m_path, Password);
    ASSERT_TRUE(db) << db.error().message;
    EXPECT_EQ(Qb::Test::readFile(m_path), m_change.before);
}

// While the database is open the journal file stays, its record cleared after every commit; it
// goes with the database.
TEST_F(JournalTest, statementsKeepOneClearedJournal)
{
    auto db = Database::open(m_path, Password);
    ASSERT_TRUE(db);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE((*db)->execute("insert into 命令表(命令,说明) values ('n" + std::to_string(i) + "','')"));
        EXPECT_TRUE(std::filesystem::exists(journalPathFor(m_path)));
        EXPECT_FALSE(Journal(m_path).pending());
    }
    db->reset();
    EXPECT_FALSE(std::filesystem::exists(journalPathFor(m_path)));
}

} // namespace
