// SPDX-License-Identifier: GPL-3.0-or-later
// Faults in the middle of a statement: the page layer failing after N writes (for every N a
// statement makes) and the process killed at any point of a stream of statements. Every reopen
// must show the state before or after each statement, with sound indexes, never anything else.
#include "jet/checker.h"
#include "jet/database.h"
#include "jet/write/emptylibrary.h"
#include "jet/storage/filelock.h"
#include "jet/jetdatabase.h"
#include "jet/storage/journal.h"
#include "jet/storage/pagesource.h"

#include "readercheck_support.h"
#include "writetest_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <fstream>
#include <random>
#include <set>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qb::Jet;
using Qb::Test::TempDir;
using Rows = std::vector<std::vector<std::string>>;

namespace {

constexpr const char *Password = "HPQVNRtoka3906";
const std::vector<std::string> Tables = {"分类表", "命令库", "命令表", "关键字表"};

// Everything the program can see in the library.
std::vector<Rows> snapshot(Database &db)
{
    std::vector<Rows> out;
    for (const auto &t : Tables)
        out.push_back(Qb::Test::tableRows(db, t));
    return out;
}

std::string memo(std::size_t n, char c) { return std::string(n, c); }

// Statements that touch many pages: memo chains, moved rows, released long values.
std::vector<std::string> statementStream(std::size_t count)
{
    std::vector<std::string> out;
    for (std::size_t i = 0; out.size() < count; ++i) {
        const std::string n = std::to_string(i);
        out.push_back("insert into 命令库(命令名,中文名,分类,说明,类型) values ('cmd" + n + "','名" + n + "','1','"
                      + memo(100 + (i * 3571) % 9000, char('a' + i % 26)) + "','函数')");
        out.push_back("insert into 分类表(分类名,序号,父类,说明) values ('分类" + n + "','" + n + "','0','')");
        out.push_back("update 分类表 set 说明='" + memo(200, 'd') + "' where 序号='" + n + "'");
        out.push_back("update 命令库 set 说明='" + memo(30 + (i * 7919) % 6000, 'u') + "' where 命令名='cmd" + n + "'");
        if (i % 2)
            out.push_back("delete from 命令库 where 命令名='cmd" + std::to_string(i - 1) + "'");
    }
    out.resize(count);
    return out;
}

// The states after 0, 1, ... statements of `stream`, run in memory.
std::vector<std::vector<Rows>> expectedStates(const std::vector<std::uint8_t> &start, const std::vector<std::string> &stream)
{
    auto db = Database::open(makeMemoryPageSource(start), Password);
    std::vector<std::vector<Rows>> states{snapshot(**db)};
    for (const auto &sql : stream) {
        EXPECT_TRUE((*db)->execute(sql)) << sql.substr(0, 80);
        states.push_back(snapshot(**db));
    }
    return states;
}

void expectSoundIndexes(const std::string &path)
{
    auto db = Database::open(path, Password, Database::Mode::ReadOnly);
    ASSERT_TRUE(db);
    auto &jet = static_cast<JetDatabase &>(**db);
    const CheckReport report = checkDatabase(jet);
    EXPECT_TRUE(report.ok()) << report.faults.size() << " faults, first: " << report.faults.front();
    const auto file = Qb::Test::readFile(path);
    for (const auto &t : Tables) {
        const TableDef def = **jet.tableDef(t);
        const auto walk = Qb::Test::walkIndex(file, def.realIndexes[0].rootPage, def.page);
        EXPECT_EQ(walk.fault, "") << t;
        EXPECT_EQ(walk.entries.size(), def.rowCount) << t;
    }
}

class Faults : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_base = m_dir.path("base.mdb");
        ASSERT_TRUE(Database::createLibrary(m_base));
        auto db = Database::open(m_base, Password);
        ASSERT_TRUE(db);
        for (const auto &sql : statementStream(6))
            ASSERT_TRUE((*db)->execute(sql));
    }

    std::string copyOfBase(const std::string &name)
    {
        const std::string path = m_dir.path(name);
        std::filesystem::copy_file(m_base, path, std::filesystem::copy_options::overwrite_existing);
        return path;
    }

    TempDir m_dir;
    std::string m_base;
};

struct FaultKind
{
    const char *name;
    bool transient;
};

class FailAfterWrites : public Faults, public ::testing::WithParamInterface<FaultKind> {};

TEST_P(FailAfterWrites, everyFailurePointLeavesTheStatementUndone)
{
    const std::string statement = "insert into 命令库(命令名,中文名,分类,说明,类型) values ('big','大','2','"
                                  + memo(15000, 'q') + "','过程')";
    const auto before = Qb::Test::readFile(m_base);
    const auto states = expectedStates(before, {statement});
    std::size_t points = 0;
    for (std::size_t budget = 0;; ++budget) {
        SCOPED_TRACE("failing after " + std::to_string(budget) + " page writes");
        const std::string path = copyOfBase("case.mdb");
        bool failed = false;
        {
            auto file = openFilePageSource(path, true);
            ASSERT_TRUE(file);
            auto failing = std::make_unique<Qb::Test::FailingPageSource>(std::move(*file), budget, GetParam().transient);
            auto *probe = failing.get();
            auto db = JetDatabase::open(std::move(failing), Password, Database::Mode::ReadWrite);
            ASSERT_TRUE(db);
            (*db)->attachFile(std::move(*FileLock::acquire(path)), std::make_unique<Journal>(path));
            auto r = (*db)->execute(statement);
            failed = !r;
            if (failed) {
                EXPECT_EQ(r.error().code, ErrorCode::IoError);
                EXPECT_TRUE(probe->faulted());
                // A statement that could not undo itself must be undone before the next one runs.
                if (!GetParam().transient) {
                    auto next = (*db)->execute("delete from 命令库 where 命令名='cmd1'");
                    ASSERT_FALSE(next);
                    EXPECT_EQ(next.error().code, ErrorCode::IoError);
                }
            }
            if (GetParam().transient && failed) {
                // The statement undid itself at once: same bytes, no journal record left behind.
                EXPECT_EQ(Qb::Test::readFile(path), before);
                EXPECT_FALSE(Journal(path).pending());
            }
        }
        auto reopened = Database::open(path, Password);
        ASSERT_TRUE(reopened) << reopened.error().message;
        EXPECT_EQ(snapshot(**reopened), states[failed ? 0 : 1]);
        reopened->reset();
        if (failed) {
            EXPECT_EQ(Qb::Test::readFile(path), before) << "the file is byte for byte as it was";
        }
        expectSoundIndexes(path);
        if (!failed)
            break;
        ++points;
    }
    EXPECT_GE(points, 6u) << "the statement writes several pages";
    std::printf("[ INFO     ] %zu failure points tried (%s)\n", points, GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(Faults, FailAfterWrites,
                         ::testing::Values(FaultKind{"deadDisk", false}, FaultKind{"transientFault", true}),
                         [](const auto &info) { return std::string(info.param.name); });

// Runs `stream` in a child process on `path`; the child reports each finished statement on a
// pipe and is killed at page write `killAtWrite` (through the page layer). Returns the number of
// reports seen.
std::size_t runAndKillAtWrite(const std::string &path, const std::vector<std::string> &stream, std::size_t killAtWrite)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return 0;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        auto file = openFilePageSource(path, true);
        auto source = std::make_unique<Qb::Test::FailingPageSource>(std::move(*file), killAtWrite - 1, false,
                                                                    [] { ::raise(SIGKILL); });
        auto db = JetDatabase::open(std::move(source), Password, Database::Mode::ReadWrite);
        if (!db)
            ::_exit(2);
        (*db)->attachFile(std::move(*FileLock::acquire(path)), std::make_unique<Journal>(path));
        for (const auto &sql : stream) {
            if (!(*db)->execute(sql))
                ::_exit(3);
            const char done = 1;
            if (::write(fds[1], &done, 1) != 1)
                ::_exit(4);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    std::size_t reports = 0;
    char c;
    while (::read(fds[0], &c, 1) == 1)
        ++reports;
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(fds[0]);
    return reports;
}

void expectBeforeOrAfter(const std::string &path, const std::vector<std::vector<Rows>> &states, std::size_t reports)
{
    auto db = Database::open(path, Password);
    ASSERT_TRUE(db) << db.error().message;
    const auto now = snapshot(**db);
    const bool before = now == states[reports];
    const bool after = reports + 1 < states.size() && now == states[reports + 1];
    EXPECT_TRUE(before || after) << "state matches neither statement " << reports << " nor the next";
    db->reset();
    expectSoundIndexes(path);
}

TEST_F(Faults, killedAtEveryPageWriteOfAStream)
{
    const auto stream = statementStream(16);
    const std::vector<std::string> tail(stream.begin() + 6, stream.begin() + 11);
    const auto states = expectedStates(Qb::Test::readFile(m_base), tail);
    std::size_t points = 0;
    for (std::size_t killAt = 1;; ++killAt) {
        SCOPED_TRACE("killed at page write " + std::to_string(killAt));
        const std::string path = copyOfBase("kill.mdb");
        const std::size_t reports = runAndKillAtWrite(path, tail, killAt);
        expectBeforeOrAfter(path, states, reports);
        if (reports == tail.size())
            break;
        ++points;
    }
    EXPECT_GE(points, 10u);
    std::printf("[ INFO     ] %zu kill points at page writes tried\n", points);
}

// A hash of everything the program can see in the library.
std::uint64_t stateHash(const std::vector<Rows> &state)
{
    std::uint64_t h = 0xcbf29ce484222325ull;
    auto step = [&](unsigned char c) { h = (h ^ c) * 0x100000001b3ull; };
    for (const Rows &table : state) {
        for (const auto &row : table) {
            for (const std::string &value : row) {
                for (unsigned char c : value)
                    step(c);
                step(0x1F);
            }
            step(0x1E);
        }
        step(0x1D);
    }
    return h;
}

// The hashes of the states after 0, 1, ... statements of `stream`, run in memory.
std::vector<std::uint64_t> expectedHashes(const std::vector<std::uint8_t> &start, const std::vector<std::string> &stream)
{
    auto db = Database::open(makeMemoryPageSource(start), Password);
    std::vector<std::uint64_t> hashes{stateHash(snapshot(**db))};
    for (const auto &sql : stream) {
        EXPECT_TRUE((*db)->execute(sql)) << sql.substr(0, 80);
        hashes.push_back(stateHash(snapshot(**db)));
    }
    return hashes;
}

// The library's tables with their column names, for the independent readers.
Qb::Test::Tables contentOf(Database &db)
{
    Qb::Test::Tables out;
    for (const auto &t : Tables)
        out[t] = {(*db.query("select * from " + t))->columns(), Qb::Test::tableRows(db, t)};
    return out;
}

// How a child process runs its statements before it is killed.
struct ChildRun
{
    std::size_t from = 0;          // first statement of the stream it runs
    bool oneTransaction = false;   // all of them as one transaction, reported once at its commit
    std::size_t pageLimit = 0;     // new pages a transaction holds before writing ahead (0: default)
};

// Runs the statements of `stream` from `run.from` on `path` in a child process through the
// engine's own file, lock and journal; the child reports each finished statement (or the
// committed transaction) on a pipe and is killed `delayMicros` after it starts, unless it has
// finished by then. Returns the number of reports.
std::size_t runAndKillAfter(const std::string &path, const std::vector<std::string> &stream, const ChildRun &run,
                            unsigned delayMicros)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return 0;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        auto db = Database::open(path, Password);
        if (!db)
            ::_exit(2);
        if (run.pageLimit)
            static_cast<JetDatabase &>(**db).setTransactionPageLimit(run.pageLimit);
        if (run.oneTransaction && !(*db)->beginTransaction())
            ::_exit(3);
        const char done = 1;
        for (std::size_t i = run.from; i < stream.size(); ++i) {
            if (!(*db)->execute(stream[i]))
                ::_exit(3);
            if (!run.oneTransaction && ::write(fds[1], &done, 1) != 1)
                ::_exit(4);
        }
        if (run.oneTransaction && (!(*db)->commitTransaction() || ::write(fds[1], &done, 1) != 1))
            ::_exit(5);
        ::_exit(0);
    }
    ::close(fds[1]);
    // Reports are read as they come; at the deadline the child dies wherever it is (any point is
    // a valid outcome). A child that finishes first closes the pipe.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::microseconds(delayMicros);
    std::size_t reports = 0;
    for (bool killed = false;;) {
        const auto left = deadline - std::chrono::steady_clock::now();
        if (!killed && left <= std::chrono::nanoseconds(0)) {
            ::kill(child, SIGKILL);
            killed = true;
        }
        const auto nanos = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        const timespec wait{time_t(nanos / 1000000000), long(nanos % 1000000000)};
        pollfd readable{fds[0], POLLIN, 0};
        if (::ppoll(&readable, 1, killed ? nullptr : &wait, nullptr) <= 0)
            continue;
        char c;
        if (::read(fds[0], &c, 1) != 1)
            break;
        ++reports;
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(fds[0]);
    return reports;
}

std::size_t killCount(std::size_t fallback)
{
    const char *kills = std::getenv("QB_KILLS");
    return kills && std::atoi(kills) > 0 ? std::size_t(std::atoi(kills)) : fallback;
}

// A long stream of single statements killed again and again at random moments, each run going
// on from the state the last kill left. Every kill must leave the state before or after the
// statement it hit, a file our check accepts with sound indexes, and, for each state reached,
// a file the independent readers show the same rows of. QB_KILLS sets the number of kills.
TEST_F(Faults, killedAtRandomMomentsOfAStream)
{
    const std::size_t kills = killCount(100);
    const auto stream = statementStream(600);
    const auto base = Qb::Test::readFile(m_base);
    const auto hashes = expectedHashes(base, stream);
    Qb::Test::IndependentReaders readers;
    std::set<std::size_t> checkedByReaders;
    std::mt19937 rnd(7);
    std::size_t at = 0, completedButUnreported = 0;
    std::string path = copyOfBase("random.mdb");
    for (std::size_t kill = 0; kill < kills; ++kill) {
        const unsigned delay = 1000 + rnd() % 30000;
        SCOPED_TRACE("kill " + std::to_string(kill) + ": " + std::to_string(delay) + " us after starting at statement "
                     + std::to_string(at));
        const std::size_t reported = at + runAndKillAfter(path, stream, {at}, delay);
        auto db = Database::open(path, Password);
        ASSERT_TRUE(db) << db.error().message;
        const std::uint64_t now = stateHash(snapshot(**db));
        const bool after = reported + 1 < hashes.size() && now == hashes[reported + 1];
        ASSERT_TRUE(now == hashes[reported] || after) << "state matches neither statement " << reported << " nor the next";
        at = reported + after;
        completedButUnreported += after;
        if (!readers.names().empty() && checkedByReaders.insert(at).second) {
            EXPECT_EQ(readers.check(path, contentOf(**db)), "") << "after statement " << at;
        }
        db->reset();
        expectSoundIndexes(path);
        if (at + 1 >= stream.size()) {
            path = copyOfBase("random.mdb");
            at = 0;
        }
    }
    std::printf("[ INFO     ] %zu kills at random moments, %zu of them after a statement completed but before it was "
                "reported; %zu states checked by %s\n",
                kills, completedButUnreported, checkedByReaders.size(),
                readers.names().empty() ? "no independent reader (none installed)" : readers.names().c_str());
}

// One transaction of many statements that writes its new pages ahead, killed at random moments:
// the file holds all of it or none of it, and is cut back to its size before when none.
TEST_F(Faults, killedAtRandomMomentsOfOneTransaction)
{
    const auto stream = statementStream(36);
    const std::vector<std::string> tail(stream.begin() + 6, stream.end());
    const auto base = Qb::Test::readFile(m_base);
    const auto hashes = expectedHashes(base, tail);
    const ChildRun run{0, true, 4};
    // How long the whole transaction takes here, so that the kills spread over all of it.
    const auto start = std::chrono::steady_clock::now();
    const std::string timed = copyOfBase("timed.mdb");
    ASSERT_EQ(runAndKillAfter(timed, tail, run, 60000000), 1u);
    const auto micros = unsigned(std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count());
    std::mt19937 rnd(11);
    const std::size_t kills = std::max<std::size_t>(killCount(100) / 10, 10);
    std::size_t committed = 0;
    for (std::size_t kill = 0; kill < kills; ++kill) {
        const unsigned delay = rnd() % (micros + micros / 10);
        SCOPED_TRACE("kill " + std::to_string(kill) + " at " + std::to_string(delay) + " of " + std::to_string(micros) + " us");
        const std::string path = copyOfBase("transaction.mdb");
        const std::size_t reports = runAndKillAfter(path, tail, run, delay);
        auto db = Database::open(path, Password);
        ASSERT_TRUE(db) << db.error().message;
        const std::uint64_t now = stateHash(snapshot(**db));
        ASSERT_TRUE(now == hashes.front() || now == hashes.back()) << "part of the transaction is in the file";
        EXPECT_TRUE(reports == 0 || now == hashes.back()) << "a reported commit is kept";
        if (now == hashes.front()) {
            EXPECT_EQ(Qb::Test::readFile(path), base) << "every byte as before";
        }
        committed += now == hashes.back();
        db->reset();
        expectSoundIndexes(path);
    }
    std::printf("[ INFO     ] %zu kills inside a transaction of %zu statements (%u us), %zu left it committed\n", kills,
                tail.size(), micros, committed);
}

// A damaged file: statements fail with an error or succeed, never crash, and a failed one
// leaves every byte as it was.
struct Damage
{
    const char *name;
    std::function<void(std::vector<std::uint8_t> &, const TableDef &)> apply;
};

class DamagedFile : public ::testing::TestWithParam<Damage> {};

std::size_t firstDataPageOf(const std::vector<std::uint8_t> &file, std::uint32_t tdef)
{
    for (std::size_t off = PageSize; off < file.size(); off += PageSize)
        if (file[off] == 0x01 && file[off + 4] == (tdef & 0xFF) && file[off + 5] == (tdef >> 8 & 0xFF)
            && file[off + 6] == 0 && file[off + 7] == 0)
            return off;
    return 0;
}

TEST_P(DamagedFile, statementsFailCleanly)
{
    auto made = Database::open(makeMemoryPageSource(EmptyLibrary::build(45000)), Password);
    ASSERT_TRUE(made);
    for (const auto &sql : statementStream(20))
        ASSERT_TRUE((*made)->execute(sql));
    auto &jet = static_cast<JetDatabase &>(**made);
    const TableDef def = **jet.tableDef("命令库");
    auto bytes = Qb::Test::sourceBytes(jet.pages().source());
    GetParam().apply(bytes, def);
    auto db = Database::open(makeMemoryPageSource(bytes), Password);
    ASSERT_TRUE(db) << db.error().message;
    auto &damaged = static_cast<JetDatabase &>(**db);
    int failures = 0;
    for (const std::string &sql : {"insert into 命令库(命令名,中文名,分类,说明,类型) values ('n','','1','" + memo(5000, 'n') + "','无')",
                                  std::string("update 命令库 set 说明='x' where 命令名='cmd1'"),
                                  std::string("update 命令库 set 说明='") + memo(3000, 'y') + "' where ID=2",
                                  std::string("delete from 命令库 where 命令名='cmd3'")}) {
        const auto before = Qb::Test::sourceBytes(damaged.pages().source());
        auto r = damaged.execute(sql);
        if (!r) {
            ++failures;
            EXPECT_EQ(Qb::Test::sourceBytes(damaged.pages().source()), before) << sql.substr(0, 60);
        }
    }
    EXPECT_GT(failures, 0) << "the damage went unnoticed";
}

INSTANTIATE_TEST_SUITE_P(
    Faults, DamagedFile,
    ::testing::Values(
        Damage{"slotOffsetsOutsideThePage",
               [](std::vector<std::uint8_t> &f, const TableDef &t) {
                   const std::size_t page = firstDataPageOf(f, t.page);
                   for (std::size_t i = 0; i < 4; ++i)
                       f[page + 14 + 2 * i + 1] = 0x1F; // offsets 0x1Fxx: past the page end
               }},
        Damage{"indexRootZeroed",
               [](std::vector<std::uint8_t> &f, const TableDef &t) {
                   std::fill_n(f.begin() + std::ptrdiff_t(std::size_t(t.realIndexes[0].rootPage) * PageSize), PageSize, 0);
               }},
        Damage{"memoChainPointsPastTheFile",
               [](std::vector<std::uint8_t> &f, const TableDef &) {
                   for (std::size_t off = PageSize; off < f.size(); off += PageSize) {
                       if (f[off] != 0x01 || !std::equal(f.begin() + off + 4, f.begin() + off + 8, "LVAL"))
                           continue;
                       const std::size_t n = f[off + 12] | (f[off + 13] << 8);
                       for (std::size_t i = 0; i < n; ++i) {
                           const std::size_t start = (f[off + 14 + 2 * i] | (f[off + 15 + 2 * i] << 8)) & 0x1FFF;
                           std::fill_n(f.begin() + std::ptrdiff_t(off + start + 1), 3, 0xEE); // next page
                       }
                   }
               }},
        Damage{"ownedMapRowCut",
               [](std::vector<std::uint8_t> &f, const TableDef &t) {
                   const std::size_t page = std::size_t(t.ownedPages.page) * PageSize;
                   const std::size_t slot = page + 14 + 2 * t.ownedPages.row;
                   f[slot] = f[slot - 2]; // the row now has no bytes
                   f[slot + 1] = f[slot - 1];
               }}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
