// SPDX-License-Identifier: GPL-3.0-or-later
// What a transaction shows of a page while it keeps the pages it found lately at hand: its own
// latest bytes after every kind of step (read, write, append, the end of a statement, pages
// written ahead and read back, pages whose numbers share a slot); then the file holds those bytes
// after a commit, and its own again after a rollback.
#include "jet/storage/pagesource.h"
#include "jet/write/txwriter.h"

#include <gtest/gtest.h>

#include <map>

using namespace Qb::Jet;

namespace {

constexpr std::uint32_t FilePages = 200;

std::vector<std::uint8_t> fileOfMarkedPages()
{
    std::vector<std::uint8_t> file(FilePages * PageSize);
    for (std::uint32_t p = 0; p < FilePages; ++p)
        file[p * PageSize + 7] = std::uint8_t(p);
    return file;
}

// Steps over pages whose numbers collide in any small table kept by page number modulo a
// power of two, with the byte each page must show afterwards.
struct Step
{
    enum Kind { Read, Write, Append, EndStatement, Spill } kind;
    std::uint32_t page = 0;
    std::uint8_t value = 0;
};

} // namespace

// Runs the steps in a transaction, checking the page of each; the pages expected.
std::map<std::uint32_t, std::uint8_t> runSteps(PageCache &cache, TxWriter &tx)
{
    std::map<std::uint32_t, std::uint8_t> expected;
    for (std::uint32_t p = 0; p < FilePages; ++p)
        expected[p] = std::uint8_t(p);
    const std::vector<Step> steps = {
        {Step::Read, 3},          {Step::Write, 3, 0xA1},  {Step::Read, 67},     {Step::Write, 131, 0xA2},
        {Step::Read, 3},          {Step::EndStatement},    {Step::Read, 131},    {Step::Write, 67, 0xA3},
        {Step::Append, 0, 0xB1},  {Step::Append, 0, 0xB2}, {Step::Read, 195},    {Step::Spill},
        {Step::Write, 200, 0xB3}, {Step::Read, 201},       {Step::EndStatement}, {Step::Write, 3, 0xA4},
        {Step::Read, 67},         {Step::Spill},           {Step::Read, 200},    {Step::Write, 201, 0xB4},
    };
    for (const Step &s : steps) {
        switch (s.kind) {
        case Step::Read: break;
        case Step::Write: (*tx.write(s.page))[7] = s.value, expected[s.page] = s.value; break;
        case Step::Append: {
            const std::uint32_t page = tx.append();
            (*tx.write(page))[7] = s.value;
            expected[page] = s.value;
            break;
        }
        case Step::EndStatement: tx.endStatement(); break;
        case Step::Spill: EXPECT_TRUE(tx.spill(nullptr, 0)); break;
        }
        // Only the page stepped on: reading every page would refresh what the writer keeps at
        // hand and hide a stale entry from the next steps.
        if (s.kind == Step::Read || s.kind == Step::Write) {
            auto bytes = tx.read(s.page);
            EXPECT_TRUE(bytes && (*bytes)[7] == expected[s.page]) << "page " << s.page;
            EXPECT_EQ((**cache.page(s.page))[7], expected[s.page]) << "page " << s.page << " as the cache shows it";
        }
    }
    for (const auto &[page, value] : expected) {
        auto bytes = tx.read(page);
        EXPECT_TRUE(bytes && (*bytes)[7] == value) << "page " << page << " at the end";
    }
    return expected;
}

TEST(TxWriter, showsItsOwnLatestBytesThroughEveryStepAndCommitsThem)
{
    for (const bool commit : {true, false}) {
        SCOPED_TRACE(commit ? "commit" : "rollback");
        PageCache cache(makeMemoryPageSource(fileOfMarkedPages()));
        std::map<std::uint32_t, std::uint8_t> expected;
        {
            TxWriter tx(cache);
            expected = runSteps(cache, tx);
            if (commit) {
                ASSERT_TRUE(tx.commit(nullptr));
            }
        }
        cache.invalidateAll();
        ASSERT_EQ(*cache.pageCount(), commit ? expected.size() : FilePages);
        for (std::uint32_t p = 0; p < *cache.pageCount(); ++p)
            ASSERT_EQ((**cache.page(p))[7], commit ? expected[p] : std::uint8_t(p)) << "page " << p << " in the file";
    }
}
