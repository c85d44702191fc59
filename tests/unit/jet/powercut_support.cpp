// SPDX-License-Identifier: GPL-3.0-or-later
// The power-cut simulation's scenarios and their recorded runs.
#include "powercut_support.h"

#include "writetest_support.h"

#include "jet/jetdatabase.h"
#include "jet/storage/journal.h"
#include "jet/write/compactor.h"
#include "jet/write/emptylibrary.h"

#include <gtest/gtest.h>

using namespace Qb::Jet;

namespace Qb::Test::Sim {

State stateOf(Database &db)
{
    State s;
    for (const auto &t : TableNames)
        s.rows.push_back(tableRows(db, t));
    s.pages = static_cast<JetDatabase &>(db).pages().pageCount().value_or(0);
    return s;
}

namespace {

std::string text(std::size_t n, int seed)
{
    std::string s;
    for (std::size_t i = 0; s.size() < n; ++i)
        s += char('a' + (i * 7 + std::size_t(seed) * 13) % 26);
    return s;
}

std::string insertCommand(const std::string &name, std::size_t memo, int seed)
{
    return "insert into 命令库(命令名,中文名,分类,说明,类型) values ('" + name + "','名" + name + "','1','" + text(memo, seed)
           + "','函数')";
}

Step statement(std::string sql)
{
    return [sql](DbPtr &db) -> Result<void> {
        auto r = db->execute(sql);
        if (!r)
            return std::unexpected(r.error());
        return {};
    };
}

// As `quillbox-mdb exec --single-transaction` runs a script: all statements or none.
Step transaction(std::vector<std::string> sqls, std::size_t pageLimit = 0)
{
    return [sqls, pageLimit](DbPtr &db) -> Result<void> {
        if (pageLimit)
            static_cast<JetDatabase &>(*db).setTransactionPageLimit(pageLimit);
        if (auto b = db->beginTransaction(); !b)
            return b;
        for (const auto &sql : sqls)
            if (auto r = db->execute(sql); !r) {
                db->rollbackTransaction();
                return std::unexpected(r.error());
            }
        return db->commitTransaction();
    };
}

Step compaction()
{
    return [](DbPtr &db) -> Result<void> {
        db.reset();
        auto report = compactFile(Library, "", Password);
        auto reopened = Database::open(Library, Password);
        if (reopened)
            db = std::move(*reopened);
        if (!report)
            return std::unexpected(report.error());
        if (!reopened)
            return std::unexpected(reopened.error());
        return {};
    };
}

Files libraryFiles(const std::vector<std::uint8_t> &bytes)
{
    return Files{{Library, FileBytes(bytes)}};
}

// Opens the library as the program does, closing it first when open.
Step openLibrary()
{
    return [](DbPtr &db) -> Result<void> {
        db.reset();
        auto opened = Database::open(Library, Password);
        if (!opened)
            return std::unexpected(opened.error());
        db = std::move(*opened);
        return {};
    };
}

// A library with a few commands, made in memory.
std::vector<std::uint8_t> smallLibrary(std::size_t commands, std::size_t deleteEvery = 0)
{
    auto db = Database::open(makeMemoryPageSource(EmptyLibrary::build(45000)), Password);
    for (std::size_t i = 0; i < commands; ++i)
        EXPECT_TRUE((*db)->execute(insertCommand("cmd" + std::to_string(i), 200 + i * 900, int(i))));
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_TRUE((*db)->execute("insert into 分类表(分类名,序号,父类,说明) values ('分类" + std::to_string(i) + "','"
                                   + std::to_string(i) + "','0','')"));
    for (std::size_t i = 0; deleteEvery && i < commands; i += deleteEvery)
        EXPECT_TRUE((*db)->execute("delete from 命令库 where 命令名='cmd" + std::to_string(i) + "'"));
    return sourceBytes(static_cast<JetDatabase &>(**db).pages().source());
}

// A library just short of the 512 pages an inline owner map reaches.
std::vector<std::uint8_t> libraryNearMapRange()
{
    auto db = Database::open(makeMemoryPageSource(EmptyLibrary::build(45000)), Password);
    auto &jet = static_cast<JetDatabase &>(**db);
    for (int i = 0; *jet.pages().pageCount() < 500; ++i)
        EXPECT_TRUE(jet.execute(insertCommand("fill" + std::to_string(i), 12000, i)));
    return sourceBytes(jet.pages().source());
}

// Single statements of every kind, `rounds` times over: inserts, a memo growing across pages
// and shrinking again, small updates, deletes that release memo chains.
std::vector<Step> statementSteps(std::size_t rounds)
{
    std::vector<Step> out;
    for (std::size_t r = 0; r < rounds; ++r) {
        const std::string n = std::to_string(r), old = "cmd" + std::to_string(r % 4);
        out.push_back(statement(insertCommand("new" + n, 300 + r * 700, int(r))));
        out.push_back(statement("insert into 分类表(分类名,序号,父类,说明) values ('新分类" + n + "','" + std::to_string(7 + r) + "','0','')"));
        out.push_back(statement("update 命令库 set 说明='" + text(9000, int(r) + 2) + "' where 命令名='" + old + "'"));
        out.push_back(statement("update 命令库 set 说明='" + text(15000, int(r) + 3) + "' where 命令名='" + old + "'"));
        out.push_back(statement("update 分类表 set 说明='" + text(200, int(r) + 4) + "' where 序号='2'"));
        out.push_back(statement("update 命令库 set 说明='" + text(40, int(r) + 5) + "' where 命令名='" + old + "'"));
        out.push_back(statement("delete from 命令库 where 命令名='new" + n + "'"));
    }
    out.push_back(statement("delete from 命令库 where 命令名='cmd1'"));
    return out;
}

Files interruptedLibrary();

} // namespace

std::vector<Scenario> scenarios(bool full)
{
    const std::size_t scale = full ? 10 : 1;
    std::vector<Scenario> out;
    out.push_back({"statements", [] { return libraryFiles(smallLibrary(4)); }, statementSteps(scale)});
    std::vector<std::string> script = {insertCommand("s1", 500, 5), insertCommand("s2", 6000, 6),
                                       "update 命令库 set 说明='" + text(3000, 7) + "' where 命令名='cmd0'",
                                       "delete from 命令库 where 命令名='cmd2'",
                                       "insert into 分类表(分类名,序号,父类,说明) values ('脚本','8','0','')"};
    for (std::size_t i = 1; i < scale; ++i)
        script.push_back(insertCommand("s" + std::to_string(i + 2), 2000 * i, int(i)));
    out.push_back({"script in one transaction", [] { return libraryFiles(smallLibrary(3)); }, {transaction(script)}});
    std::vector<std::string> many;
    for (std::size_t i = 0; i < 8 * scale; ++i)
        many.push_back(insertCommand("long" + std::to_string(i), 4000 + (i % 8) * 1500, int(i)));
    many.push_back("delete from 命令库 where 命令名='cmd1'");
    out.push_back({"long write-ahead transaction", [] { return libraryFiles(smallLibrary(3)); }, {transaction(many, 2)}});
    std::vector<Step> growing;
    for (std::size_t i = 0; i < 3 * scale; ++i)
        // ASCII descriptions are stored compressed (a byte a character): each of these spans
        // about six pages, so three of them carry the table past the inline map's range.
        growing.push_back(statement(insertCommand("m" + std::to_string(i), 24000, int(i))));
    growing.push_back(statement("delete from 命令库 where 命令名='fill3'"));
    out.push_back({"usage map to reference map", [] { return libraryFiles(libraryNearMapRange()); }, growing});
    out.push_back({"compact", [] { return libraryFiles(smallLibrary(8, 2)); }, {compaction()}});
    out.push_back({"playing back a journal", interruptedLibrary,
                   {openLibrary(), statement(insertCommand("after", 5000, 9))}, true});
    return out;
}

Recording record(const Scenario &s, const Files &base, std::optional<std::pair<std::size_t, FaultKind>> fault,
                 AfterFault after)
{
    Recording rec;
    rec.initial = base;
    MemoryFileSystem memory(base);
    RecordingFileSystem recorder(memory, base);
    rec.inodes = recorder.initialInodes();
    if (fault)
        recorder.failAt(fault->first, fault->second);
    if (s.opensInStep) { // the state the open will show, from a copy
        MemoryFileSystem copy(base);
        InstalledFileSystem installed(copy);
        auto opened = Database::open(Library, Password);
        EXPECT_TRUE(opened) << s.name;
        if (opened)
            rec.states.push_back(stateOf(**opened));
    }
    {
        InstalledFileSystem installed(recorder);
        DbPtr db;
        if (!s.opensInStep) {
            auto opened = Database::open(Library, Password);
            if (!opened) {
                ADD_FAILURE() << s.name << ": " << opened.error().message;
                return rec;
            }
            db = std::move(*opened);
            rec.states.push_back(stateOf(*db));
        }
        for (const Step &step : s.steps) {
            StepSpan span;
            span.begin = recorder.log().size();
            auto r = step(db);
            recorder.heal();
            span.end = recorder.log().size();
            span.ok = r.has_value();
            if (!r)
                span.error = r.error();
            rec.steps.push_back(span);
            if (!r && after == AfterFault::Reopen) {
                db.reset();
                auto again = Database::open(Library, Password);
                if (!again)
                    rec.probeError = again.error();
                break;
            }
            if (!r) {
                // The error has stopped: the next statement must work (on a fresh open when the
                // step left no database open).
                if (!db)
                    if (auto again = Database::open(Library, Password); again)
                        db = std::move(*again);
                auto p = db ? db->execute(Probe) : Result<std::uint64_t>(fail(ErrorCode::IoError, "no database open"));
                rec.probed = true;
                rec.probeEnd = recorder.log().size();
                if (!p)
                    rec.probeError = p.error();
                break;
            }
            rec.states.push_back(stateOf(*db));
        }
    }
    rec.log = recorder.log();
    return rec;
}

// A library whose last statement was cut by a power failure while its pages were being written:
// the journal holds the record, the library a torn page.
namespace {

Files interruptedLibrary()
{
    const Scenario one{"", [] { return libraryFiles(smallLibrary(4)); },
                       {statement("update 命令库 set 说明='" + text(15000, 3) + "' where 命令名='cmd1'")}};
    const Files base = one.base();
    const Recording rec = record(one, base);
    std::size_t cut = 0;
    bool journalFlushed = false;
    for (std::size_t i = 0; i < rec.log.size() && !cut; ++i) {
        const Op &op = rec.log[i];
        journalFlushed = journalFlushed || (op.kind == OpKind::Sync && op.name.ends_with("-journal"));
        if (journalFlushed && op.kind == OpKind::Write && op.name == Library)
            cut = i + 1;
    }
    EXPECT_GT(cut, 0u) << "a commit writing the library after its journal";
    const CrashCut crash(rec.initial, rec.inodes, rec.log, cut);
    Choice torn{std::vector<bool>(crash.candidates().size(), true), std::vector<std::vector<bool>>(crash.candidates().size()), ""};
    const std::size_t last = crash.candidates().size() - 1; // the library's write
    torn.sectors[last].assign(crash.sectorsOf(last), false);
    std::fill_n(torn.sectors[last].begin(), torn.sectors[last].size() / 2, true);
    Files files = crash.build(torn);
    EXPECT_TRUE(files.contains(journalPathFor(Library)));
    return files;
}

} // namespace

} // namespace Qb::Test::Sim
