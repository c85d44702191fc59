// SPDX-License-Identifier: GPL-3.0-or-later
// Power cuts and I/O errors beneath the engine. Each scenario runs through a recording file
// layer (the library and its journal in memory); the log is then cut after every operation and
// turned into the files a disk may hold (see crashsim_support.h), and each such state is opened
// as the program opens it (journal played back): it must check clean and hold the rows before
// or after the step the cut fell into, and after it once the step had returned. The same
// scenarios run again with one operation failing (ENOSPC, EIO, a short write): the step reports
// the error, the next statement works, and the files open clean with the state before or after.
//
// QB_POWER_FULL=1 (make crash-test) tries every cut with more states each and runs the
// independent readers on a sample; QB_POWER_SEED sets the seed; QB_POWER_REPLAY=scenario:cut[:state]
// replays one case.
#include "crashsim_support.h"
#include "powercut_support.h"
#include "readercheck_support.h"
#include "writetest_support.h"

#include "jet/checker.h"
#include "jet/database.h"
#include "jet/jetdatabase.h"
#include "jet/storage/journal.h"
#include "jet/storage/usagemap.h"
#include "jet/write/compactor.h"
#include "jet/write/emptylibrary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>
#include <set>


using namespace Qb::Jet;
using namespace Qb::Test;
using namespace Qb::Test::Sim;

namespace {

struct Settings
{
    std::uint64_t seed = 20;
    bool full = false;
    std::size_t randomPerCut = 2;
    std::size_t prefixLimit = 6;
    std::size_t cutStride = 1;
    std::size_t readersEvery = 0; // 0: none
    std::string replay;           // "scenario:cut[:state]"
};

Settings settings()
{
    Settings s;
    if (const char *seed = std::getenv("QB_POWER_SEED"))
        s.seed = std::strtoull(seed, nullptr, 10);
    if (const char *full = std::getenv("QB_POWER_FULL"); full && *full == '1') {
        s.full = true;
        s.randomPerCut = 48;
        s.prefixLimit = 64;
        s.readersEvery = 40;
    }
    if (const char *replay = std::getenv("QB_POWER_REPLAY"))
        s.replay = replay;
    return s;
}

// Which states a cut after `cut` operations may show, and which one it must at least show.
struct Allowed
{
    std::size_t required = 0;  // index into states: every step before it had returned
    bool mayBeNext = false;    // the cut fell inside the next step
};

Allowed allowedAt(const Recording &rec, std::size_t cut)
{
    Allowed a;
    for (const StepSpan &span : rec.steps) {
        if (span.end <= cut && span.ok) {
            ++a.required;
            continue;
        }
        a.mayBeNext = span.begin < cut;
        break;
    }
    return a;
}

enum class Verdict { Good, Inconsistent, Lost };

Tables contentOf(Database &db)
{
    Tables out;
    for (const auto &t : TableNames)
        out[t] = {(*db.query("select * from " + t))->columns(), tableRows(db, t)};
    return out;
}

std::uint64_t hashOf(const Files &files)
{
    std::uint64_t h = 1469598103934665603ull;
    for (const auto &[name, bytes] : files) {
        for (char c : name)
            h = (h ^ std::uint8_t(c)) * 1099511628211ull;
        h = (h ^ bytes.hash()) * 1099511628211ull;
    }
    return h;
}

// Opens a crash state as the program does and judges it. `expected` are the scenario's states,
// `probeRows` the rows of the probe statement's table expected on top of them (fault runs).
// Whether the probe statement's row must, may or must not be in a state.
enum class ProbeRule { Absent, May, Present };

struct Judge
{
    const std::vector<State> &states;
    Allowed allowed;
    ProbeRule probe = ProbeRule::Absent;
    std::string why;

    Verdict operator()(const Files &files, IndependentReaders *readers)
    {
        MemoryFileSystem fs(files);
        InstalledFileSystem installed(fs);
        // A reader that must not write sees the state through the journal, without changing a byte.
        std::optional<State> seen;
        if (auto reader = Database::open(Library, Password, Database::Mode::ReadOnly); reader)
            seen = stateOf(**reader);
        if (fs.files().size() != files.size() || hashOf(fs.files()) != hashOf(files)) {
            why = "a read-only open changed the files";
            return Verdict::Inconsistent;
        }
        auto db = Database::open(Library, Password);
        if (!db) {
            why = "does not open: " + db.error().message;
            return Verdict::Inconsistent;
        }
        auto &jet = static_cast<JetDatabase &>(**db);
        const CheckReport report = checkDatabase(jet);
        if (!report.ok()) {
            why = "check finds " + std::to_string(report.faults.size()) + " faults, first: " + report.faults.front();
            return Verdict::Inconsistent;
        }
        State now = stateOf(jet);
        if (seen != now) {
            why = seen ? "a read-only open shows other rows than the program after playing the journal back"
                       : "a read-only open fails where the program's open succeeds";
            return Verdict::Inconsistent;
        }
        if (probe != ProbeRule::Absent && !takeProbe(now))
            return Verdict::Lost;
        const Verdict v = compare(now);
        if (v == Verdict::Good && readers) {
            const Tables content = contentOf(jet);
            db->reset();
            why = checkByReaders(fs, content, *readers);
            if (!why.empty())
                return Verdict::Inconsistent;
        }
        return v;
    }

    // The probe row, there once (or at most once) is taken out (with the page count, which the
    // probe changes) before the comparison.
    bool takeProbe(State &now)
    {
        auto &rows = now.rows[0];
        const auto n = std::erase_if(rows, [](const auto &row) { return row.size() > 1 && row[1] == "probe"; });
        if (n > 1 || (n == 0 && probe == ProbeRule::Present)) {
            why = "the probe statement's row appears " + std::to_string(n) + " times";
            return false;
        }
        now.pages = 0;
        return true;
    }

    Verdict compare(const State &now)
    {
        auto same = [&](const State &s) { return probe != ProbeRule::Absent ? s.rows == now.rows : s == now; };
        if (same(states[allowed.required]))
            return Verdict::Good;
        if (allowed.mayBeNext && allowed.required + 1 < states.size() && same(states[allowed.required + 1]))
            return Verdict::Good;
        for (std::size_t i = 0; i < allowed.required; ++i)
            if (same(states[i])) {
                why = "holds the state after step " + std::to_string(i) + " though step "
                      + std::to_string(allowed.required) + " had returned";
                return Verdict::Lost;
            }
        why = "rows match no state before or after the step (" + std::to_string(now.pages) + " pages)";
        return Verdict::Inconsistent;
    }

    static std::string checkByReaders(const MemoryFileSystem &fs, const Tables &content, IndependentReaders &readers)
    {
        TempDir dir;
        const std::string path = dir.path("state.mdb");
        const auto bytes = fs.node(Library)->bytes();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
        return readers.check(path, content);
    }
};

struct Tally
{
    std::size_t states = 0, inconsistent = 0, lost = 0, byReaders = 0;
    std::vector<std::string> reports;

    void add(Verdict v, const std::string &where, const std::string &why)
    {
        ++states;
        if (v == Verdict::Good)
            return;
        (v == Verdict::Lost ? lost : inconsistent) += 1;
        if (reports.size() < 10)
            reports.push_back(where + ": " + (v == Verdict::Lost ? "lost" : "inconsistent") + ", " + why);
    }
};

bool replaySelects(const Settings &s, const std::string &scenario, std::size_t cut, std::size_t state)
{
    if (s.replay.empty())
        return true;
    const auto first = s.replay.find(':');
    const auto second = s.replay.find(':', first + 1);
    if (s.replay.substr(0, first) != scenario)
        return false;
    if (std::stoul(s.replay.substr(first + 1, second - first - 1)) != cut)
        return false;
    return second == std::string::npos || std::stoul(s.replay.substr(second + 1)) == state;
}

// Every crash state of `rec` (cut after each operation), judged; distinct states only.
void simulatePowerCuts(const std::string &name, const Recording &rec, const Settings &s, Tally &tally,
                       IndependentReaders *readers)
{
    std::set<std::uint64_t> seen;
    for (std::size_t cut = 0; cut <= rec.log.size(); cut += s.cutStride) {
        const CrashCut crash(rec.initial, rec.inodes, rec.log, cut);
        std::mt19937_64 rnd(s.seed * 1000003u + std::hash<std::string>{}(name) + cut);
        const auto choices = crash.choices(s.randomPerCut, rnd, s.prefixLimit);
        for (std::size_t i = 0; i < choices.size(); ++i) {
            if (!replaySelects(s, name, cut, i))
                continue;
            const Files files = crash.build(choices[i]);
            if (!seen.insert(hashOf(files)).second)
                continue;
            Judge judge{rec.states, allowedAt(rec, cut), ProbeRule::Absent, {}};
            const bool sample = readers && s.readersEvery && tally.states % s.readersEvery == 0;
            const Verdict v = judge(files, sample ? readers : nullptr);
            tally.byReaders += sample && v == Verdict::Good;
            const std::string op = cut ? std::string(" after ") + opKindName(rec.log[cut - 1].kind) + " of "
                                             + rec.log[cut - 1].name : std::string(" before any operation");
            tally.add(v, "seed " + std::to_string(s.seed) + ", replay QB_POWER_REPLAY='" + name + ":" + std::to_string(cut)
                             + ":" + std::to_string(i) + "' (" + choices[i].describe + op + ")",
                      judge.why);
        }
    }
}

class PowerCut : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        for (const Scenario &s : scenarios(settings().full))
            s_bases[s.name] = s.base();
    }
    static Files base(const std::string &name) { return s_bases.at(name); }
    static inline std::map<std::string, Files> s_bases;
};

TEST_F(PowerCut, everyCrashStateHoldsTheStateBeforeOrAfterTheStep)
{
    const Settings s = settings();
    std::unique_ptr<IndependentReaders> readers;
    if (s.readersEvery)
        readers = std::make_unique<IndependentReaders>();
    Tally tally;
    for (const Scenario &scenario : scenarios(s.full)) {
        const Recording rec = record(scenario, base(scenario.name));
        ASSERT_EQ(rec.steps.size(), scenario.steps.size()) << scenario.name;
        for (const StepSpan &span : rec.steps)
            ASSERT_TRUE(span.ok) << scenario.name << ": " << span.error.message;
        const std::size_t before = tally.states;
        simulatePowerCuts(scenario.name, rec, s, tally, readers.get());
        std::printf("[ INFO     ] %s: %zu operations logged, %zu distinct crash states\n", scenario.name.c_str(),
                    rec.log.size(), tally.states - before);
    }
    for (const auto &r : tally.reports)
        ADD_FAILURE() << r;
    std::printf("power cuts %zu, inconsistent %zu, lost %zu\n", tally.states, tally.inconsistent, tally.lost);
    if (readers)
        std::printf("[ INFO     ] %zu of them also read by %s\n", tally.byReaders,
                    readers->names().empty() ? "no independent reader (none installed)" : readers->names().c_str());
    EXPECT_EQ(tally.inconsistent, 0u);
    EXPECT_EQ(tally.lost, 0u);
    if (s.full) {
        EXPECT_GE(tally.states, 10000u);
    }
}

// The scenarios really do what they are named for.
TEST_F(PowerCut, scenariosReachWhatTheyAreNamedFor)
{
    for (const Scenario &scenario : scenarios()) {
        const Recording rec = record(scenario, base(scenario.name));
        std::size_t databaseWritesBeforeCommitRecord = 0, renames = 0;
        bool commitRecordSeen = false;
        for (const Op &op : rec.log) {
            renames += op.kind == OpKind::Rename;
            if (op.kind == OpKind::Write && op.name.ends_with("-journal") && op.bytes.size() > 32)
                commitRecordSeen = true;
            if (op.kind == OpKind::Write && op.name == Library && !commitRecordSeen)
                ++databaseWritesBeforeCommitRecord;
        }
        if (scenario.name == "long write-ahead transaction") {
            EXPECT_GT(databaseWritesBeforeCommitRecord, 0u) << "pages written ahead of the commit";
        }
        if (scenario.name == "playing back a journal") {
            const auto &step = rec.steps.front();
            const auto playedBack = std::count_if(rec.log.begin() + std::ptrdiff_t(step.begin), rec.log.begin() + std::ptrdiff_t(step.end),
                                                  [](const Op &op) { return op.kind == OpKind::Write && op.name == Library; });
            EXPECT_GT(playedBack, 0) << "the open restores pages";
            EXPECT_EQ(rec.states.front(), record(scenarios()[0], base("statements")).states.front())
                << "the interrupted statement is undone";
        }
        if (scenario.name == "compact") {
            EXPECT_EQ(renames, 1u);
            EXPECT_LT(rec.states.back().pages, rec.states.front().pages);
        }
    }
    // The map scenario's table owner map turns into a reference map.
    const Scenario map = scenarios()[3];
    MemoryFileSystem fs(base(map.name));
    InstalledFileSystem installed(fs);
    auto db = Database::open(Library, Password);
    ASSERT_TRUE(db);
    auto &jet = static_cast<JetDatabase &>(**db);
    auto kinds = [&] {
        std::set<std::uint8_t> k;
        const TableDef def = **jet.tableDef("命令库");
        k.insert(readUsageMap(jet.pages(), def.ownedPages)->kind);
        for (const auto &lv : def.longValueMaps)
            k.insert(readUsageMap(jet.pages(), lv.owned)->kind);
        return k;
    };
    EXPECT_FALSE(kinds().contains(UsageMapReference));
    for (const Step &step : map.steps)
        ASSERT_TRUE(step(*db));
    EXPECT_TRUE(kinds().contains(UsageMapReference));
}

// Deliberate ordering faults in the journal: the simulation must find states they spoil.
struct Mutation
{
    const char *name;
    CrashSafetyMutation mutation;
};

class PowerCutMutation : public PowerCut, public ::testing::WithParamInterface<Mutation> {};

TEST_P(PowerCutMutation, isCaught)
{
    Settings s = settings();
    s.replay.clear();
    s.readersEvery = 0;
    const Scenario scenario = scenarios()[0];
    setCrashSafetyMutation(GetParam().mutation);
    const Recording rec = record(scenario, base(scenario.name));
    setCrashSafetyMutation(CrashSafetyMutation::None);
    Tally tally;
    simulatePowerCuts(scenario.name, rec, s, tally, nullptr);
    std::printf("[ INFO     ] %s: power cuts %zu, inconsistent %zu, lost %zu\n", GetParam().name, tally.states,
                tally.inconsistent, tally.lost);
    EXPECT_GT(tally.inconsistent + tally.lost, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    PowerCut, PowerCutMutation,
    ::testing::Values(Mutation{"journalFlushedAfterThePages", CrashSafetyMutation::JournalFlushedAfterPages},
                      Mutation{"noDirectoryFlushAfterCreatingTheJournal", CrashSafetyMutation::NoDirectoryFlushForJournal}),
    [](const auto &info) { return std::string(info.param.name); });

// ---- I/O errors -----------------------------------------------------------------------------

const char *reasonOf(FaultKind kind)
{
    // DeadDisk: EIO, like the flush and rename faults.
    return kind == FaultKind::NoSpace || kind == FaultKind::CreateNoSpace || kind == FaultKind::ShortWrite
        ? "No space left on device"
        : "Input/output error";
}

// One fault run judged: the error, the probe, and the files a power cut may leave after the
// fault: at every later cut (`everyCut`; else right after the failed step and at the end),
// failed flushes counted as the crash model says.
std::string judgeFaultRun(const Recording &rec, const Recording &clean, FaultKind kind, bool everyCut, bool full,
                          std::mt19937_64 &rnd, std::size_t &states)
{
    if (rec.steps.empty())
        return "no step ran";
    const StepSpan &last = rec.steps.back();
    if (!last.ok) {
        if (last.error.code != ErrorCode::IoError || last.error.message.find(reasonOf(kind)) == std::string::npos)
            return "unclear error: " + std::string(errorCodeName(last.error.code)) + " " + last.error.message;
        if (!rec.probeError.message.empty())
            return "the next statement (or open) failed: " + rec.probeError.message;
    }
    const std::size_t failed = rec.steps.size() - 1;
    const std::vector<State> expected(clean.states.begin(), clean.states.begin() + std::ptrdiff_t(rec.steps.size() + 1));
    for (std::size_t cut = last.end; cut <= rec.log.size(); ++cut) {
        if (!everyCut && cut != last.end && cut != rec.log.size())
            continue;
        const ProbeRule probe = !rec.probed || cut <= last.end ? ProbeRule::Absent
                              : cut >= rec.probeEnd          ? ProbeRule::Present
                                                             : ProbeRule::May;
        const CrashCut crash(rec.initial, rec.inodes, rec.log, cut);
        // Short runs: at every cut none, all and one random subset of the uncertain operations.
        for (const Choice &choice : crash.choices(everyCut ? 1 : 2, rnd, everyCut && !full ? 0 : 2)) {
            Judge judge{expected, {failed, !last.ok}, probe, {}};
            if (last.ok)
                judge.allowed = {failed + 1, false};
            ++states;
            if (judge(crash.build(choice), nullptr) != Verdict::Good)
                return "cut after " + std::to_string(cut) + " operations (" + choice.describe + "): " + judge.why;
        }
    }
    return "";
}

TEST_F(PowerCut, anIoErrorAtAnyOperationIsReportedAndLosesNothing)
{
    const Settings s = settings();
    const std::vector<FaultKind> kinds = {FaultKind::NoSpace,  FaultKind::WriteIo,          FaultKind::ShortWrite,
                                          FaultKind::FlushIo,  FaultKind::DirectoryFlushIo, FaultKind::TruncateIo,
                                          FaultKind::CreateNoSpace, FaultKind::RenameIo, FaultKind::DeadDisk};
    std::size_t runs = 0, mishandled = 0, states = 0;
    std::mt19937_64 rnd(s.seed);
    // Every operation of every step kind, the closing of the database included.
    for (const Scenario &scenario : scenarios()) {
        const Recording clean = record(scenario, base(scenario.name));
        // The short run fails every other operation of the 2 MB library's scenario.
        const std::size_t stride = !s.full && scenario.name == "usage map to reference map" ? 2 : 1;
        for (std::size_t at = clean.steps.front().begin; at < clean.log.size(); at += stride) {
            for (FaultKind kind : kinds) {
                if (!faultFits(kind, clean.log[at].kind))
                    continue;
                // A failed flush leaves doubt behind that later steps must not build on: every
                // cut after it is tried (after any fault at full length), also when the library
                // is closed and opened again instead of going on.
                // The short run does that for the directory flush and a disk dying at a flush.
                const bool flushFails = kind == FaultKind::FlushIo || kind == FaultKind::DirectoryFlushIo
                                     || kind == FaultKind::DeadDisk;
                const bool deadAtFlush = kind == FaultKind::DeadDisk && clean.log[at].kind == OpKind::Sync;
                for (const AfterFault after : {AfterFault::Probe, AfterFault::Reopen}) {
                    if (after == AfterFault::Reopen && !(s.full ? flushFails : deadAtFlush))
                        continue;
                    const Recording rec = record(scenario, base(scenario.name), std::pair(at, kind), after);
                    ++runs;
                    const bool everyCut = s.full || kind == FaultKind::DirectoryFlushIo || after == AfterFault::Reopen;
                    const std::string why = judgeFaultRun(rec, clean, kind, everyCut, s.full, rnd, states);
                    if (why.empty())
                        continue;
                    if (++mishandled <= 10)
                        ADD_FAILURE() << scenario.name << ", " << faultKindName(kind) << " at operation " << at << " ("
                                      << opKindName(clean.log[at].kind) << " of " << clean.log[at].name << ")"
                                      << (after == AfterFault::Reopen ? ", then closed and opened again" : "") << ": " << why;
                }
            }
        }
    }
    std::printf("io faults %zu, mishandled %zu\n", runs, mishandled);
    std::printf("[ INFO     ] %zu files states checked after the faults\n", states);
    EXPECT_EQ(mishandled, 0u);
}

} // namespace
