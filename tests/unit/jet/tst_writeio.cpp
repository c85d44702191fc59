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

struct IoCase
{
    const char *name;
    std::string sql;
};

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

    const std::string journal = journalPathFor(Library);
    std::vector<std::string> order; // "J" journal write, "j" its flush, "D" library write, "d" its flush
    std::set<std::uint32_t> written;
    std::uint64_t lastEnd = UINT64_MAX;
    for (std::size_t i = first; i < recorder.log().size(); ++i) {
        const Op &op = recorder.log()[i];
        ASSERT_TRUE(op.kind == OpKind::Write || op.kind == OpKind::Sync) << opKindName(op.kind) << " of " << op.name;
        const bool isJournal = op.name == journal;
        ASSERT_TRUE(isJournal || op.name == Library) << op.name;
        if (op.kind == OpKind::Sync) {
            order.push_back(isJournal ? "j" : "d");
            continue;
        }
        order.push_back(isJournal ? "J" : "D");
        if (isJournal)
            continue;
        ASSERT_EQ(op.offset % PageSize, 0u);
        ASSERT_EQ(op.bytes.size() % PageSize, 0u);
        EXPECT_NE(op.offset, lastEnd) << "neighbouring pages in separate writes at page " << op.offset / PageSize;
        lastEnd = op.offset + op.bytes.size();
        for (std::uint64_t at = op.offset; at < lastEnd; at += PageSize)
            EXPECT_TRUE(written.insert(std::uint32_t(at / PageSize)).second) << "page " << at / PageSize << " written twice";
    }
    // Journal record, its flush, the library's pages, their flush, the record's invalidation.
    std::string shape;
    for (std::size_t i = 0; i < order.size(); ++i)
        shape += (i && order[i] == "D" && order[i - 1] == "D") ? "" : order[i];
    EXPECT_EQ(shape, "JjDdJ");
    std::size_t libraryWrites = std::ranges::count(order, std::string("D"));
    RecordProperty("pages", int(written.size()));
    RecordProperty("libraryWrites", int(libraryWrites));
    EXPECT_EQ(written, changedPages(before, *memory.node(Library))) << "pages written unchanged, or changes unwritten";
}

INSTANTIATE_TEST_SUITE_P(
    Statements, StatementIo,
    ::testing::Values(IoCase{"insertShort", insertCommand("new", 80)},
                      IoCase{"insertMemoAcrossPages", insertCommand("newlong", 9000)},
                      IoCase{"insertOtherTable", "insert into 分类表(分类名,序号,父类,说明) values ('新','7','0','')"},
                      IoCase{"updateSameLength", "update 命令库 set 类型='过程' where 命令名='cmd5'"},
                      IoCase{"updateMemoGrows", "update 命令库 set 说明='" + text(12000, 3) + "' where 命令名='cmd6'"},
                      IoCase{"updateMemoShrinks", "update 命令库 set 说明='short' where 命令名='cmd7'"},
                      IoCase{"deleteShort", "delete from 命令库 where 命令名='cmd1'"},
                      IoCase{"deleteMemoChain", "delete from 命令库 where 命令名='cmd12'"}),
    [](const ::testing::TestParamInfo<IoCase> &info) { return std::string(info.param.name); });

} // namespace
