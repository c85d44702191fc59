// SPDX-License-Identifier: GPL-3.0-or-later
// What one durable statement asks of the disk, read from the recording file layer: the journal
// written in one write and flushed once before the library changes, each changed page of the
// library written once (neighbours in one write), nothing written that did not change, one flush
// of the library, and after it at most the record's invalidation, which is not flushed. Every
// extra flush or scattered write costs the user a disk round trip per statement.
#include "crashsim_support.h"
#include "writetest_support.h"

#include "jet/database.h"
#include "jet/jetdatabase.h"
#include "jet/storage/journal.h"
#include "jet/write/emptylibrary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace Qb::Jet;
using namespace Qb::Test;

namespace {

constexpr const char *Password = "HPQVNRtoka3906";
const std::string Library = "/mem/qbxdb.mdb";

std::string text(std::size_t n, int seed)
{
    std::string s;
    for (std::size_t i = 0; s.size() < n; ++i)
        s += char('a' + (i * 7 + std::size_t(seed) * 11) % 26);
    return s;
}

std::string insertCommand(const std::string &name, std::size_t memo)
{
    return "insert into 命令库(命令名,中文名,分类,说明,类型) values ('" + name + "','名" + name + "','1','"
        + text(memo, int(name.size())) + "','函数')";
}

// Forty commands with descriptions of 100 to 6,000 characters, a few deleted (free room inside
// data pages), and the journal file already made by an earlier statement.
Files library()
{
    auto db = Database::open(makeMemoryPageSource(EmptyLibrary::build(45000)), Password);
    EXPECT_TRUE(db);
    for (int i = 0; i < 40; ++i)
        EXPECT_TRUE((*db)->execute(insertCommand("cmd" + std::to_string(i), 100 + std::size_t(i * 7919) % 6000)));
    for (int i = 0; i < 40; i += 9)
        EXPECT_TRUE((*db)->execute("delete from 命令库 where 命令名='cmd" + std::to_string(i) + "'"));
    return Files{{Library, FileBytes(sourceBytes(static_cast<JetDatabase &>(**db).pages().source()))}};
}

std::set<std::uint32_t> changedPages(const FileBytes &before, const FileBytes &after)
{
    std::set<std::uint32_t> out;
    const std::uint64_t pages = std::max(before.size(), after.size()) / PageSize;
    PageBytes a, b;
    for (std::uint32_t p = 0; p < pages; ++p) {
        before.read(std::uint64_t(p) * PageSize, a);
        after.read(std::uint64_t(p) * PageSize, b);
        if (a != b || std::uint64_t(p) * PageSize >= before.size())
            out.insert(p);
    }
    return out;
}

// What the log shows from operation `first` on: the order of the operations ('J' a journal
// write, 'j' its flush, 'D' one or more library writes in a row, 'd' its flush, '?' anything
// else), the library's pages written, and what was wrong with the writes.
struct StatementLog
{
    std::string shape;
    std::set<std::uint32_t> written;
    std::vector<std::string> faults;
};

StatementLog summarize(const std::vector<Op> &log, std::size_t first)
{
    StatementLog out;
    const std::string journal = journalPathFor(Library);
    std::uint64_t lastEnd = UINT64_MAX;
    for (std::size_t i = first; i < log.size(); ++i) {
        const Op &op = log[i];
        const bool known = (op.kind == OpKind::Write || op.kind == OpKind::Sync) && (op.name == journal || op.name == Library);
        const char code = !known ? '?' : op.name == journal ? (op.kind == OpKind::Write ? 'J' : 'j') : (op.kind == OpKind::Write ? 'D' : 'd');
        if (code != 'D' || !out.shape.ends_with('D'))
            out.shape += code;
        if (code != 'D')
            continue;
        if (op.offset % PageSize || op.bytes.size() % PageSize)
            out.faults.push_back("a write of part of a page at byte " + std::to_string(op.offset));
        if (op.offset == lastEnd)
            out.faults.push_back("neighbouring pages in separate writes at page " + std::to_string(op.offset / PageSize));
        lastEnd = op.offset + op.bytes.size();
        for (std::uint64_t at = op.offset; at < lastEnd; at += PageSize)
            if (!out.written.insert(std::uint32_t(at / PageSize)).second)
                out.faults.push_back("page " + std::to_string(at / PageSize) + " written twice");
    }
    return out;
}

struct IoCase
{
    const char *name;
    std::string sql;
    std::size_t pages = 0; // the library pages the statement must change; 0: not checked
};

void PrintTo(const IoCase &c, std::ostream *os) { *os << c.name; }

class StatementIo : public ::testing::TestWithParam<IoCase>
{
};

TEST_P(StatementIo, twoFlushesAndEachChangedPageWrittenOnce)
{
    const Files base = library();
    MemoryFileSystem memory(base);
    RecordingFileSystem recorder(memory, base);
    InstalledFileSystem installed(recorder);
    auto db = Database::open(Library, Password);
    ASSERT_TRUE(db) << db.error().message;
    ASSERT_TRUE((*db)->execute(insertCommand("warm-up", 50))); // creates the journal file
    const FileBytes before = *memory.node(Library);
    const std::size_t first = recorder.log().size();

    auto changed = (*db)->execute(GetParam().sql);
    ASSERT_TRUE(changed) << changed.error().message;
    ASSERT_EQ(*changed, 1u);

    const StatementLog io = summarize(recorder.log(), first);
    // Journal record, its flush, the library's pages, their flush, the record's invalidation.
    EXPECT_EQ(io.shape, "JjDdJ");
    EXPECT_EQ(io.faults, std::vector<std::string>());
    EXPECT_EQ(io.written, changedPages(before, *memory.node(Library))) << "pages written unchanged, or changes unwritten";
    if (GetParam().pages) {
        EXPECT_EQ(io.written.size(), GetParam().pages) << "pages changed: " << ::testing::PrintToString(io.written);
    }
    RecordProperty("pages", int(io.written.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Statements, StatementIo,
    ::testing::Values(IoCase{"insertShort", insertCommand("new", 80)},
                      IoCase{"insertMemoAcrossPages", insertCommand("newlong", 9000)},
                      IoCase{"insertOtherTable", "insert into 分类表(分类名,序号,父类,说明) values ('新','7','0','')"},
                      IoCase{"updateSameLength", "update 命令库 set 类型='过程' where 命令名='cmd5'"},
                      IoCase{"updateMemoGrows", "update 命令库 set 说明='" + text(12000, 3) + "' where 命令名='cmd6'"},
                      IoCase{"updateMemoShrinks", "update 命令库 set 说明='short' where 命令名='cmd7'"},
                      // A one-row memo rewritten in its own slot: its page, and the row's page only when
                      // the memo's length (kept in the row) changes; no usage map.
                      IoCase{"updateMemoInItsSlot", "update 命令库 set 说明='" + text(2019, 40) + "' where 命令名='cmd1'", 1},
                      IoCase{"updateMemoShorterInItsSlot", "update 命令库 set 说明='" + text(1500, 41) + "' where 命令名='cmd4'", 2},
                      IoCase{"deleteShort", "delete from 命令库 where 命令名='cmd1'"},
                      IoCase{"deleteMemoChain", "delete from 命令库 where 命令名='cmd12'"}),
    [](const ::testing::TestParamInfo<IoCase> &info) { return std::string(info.param.name); });

} // namespace
