// SPDX-License-Identifier: GPL-3.0-or-later
// The index B-tree writer on its own, with keys long enough that a few thousand entries build a
// tree four levels deep: node splits, tail pointers, emptied pages released up the tree.
#include "jet/write/emptylibrary.h"
#include "jet/format/indexreader.h"
#include "jet/write/indexwriter.h"
#include "jet/jetdatabase.h"
#include "jet/storage/pagesource.h"
#include "jet/write/txwriter.h"

#include "writetest_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

using namespace Qb::Jet;

namespace {

// A key of about 200 bytes that sorts like `n`.
std::vector<std::uint8_t> longKey200(std::uint32_t n)
{
    std::vector<std::uint8_t> key = longKey(std::int32_t(n));
    key.resize(200, std::uint8_t(n % 251));
    return key;
}

class DeepIndex : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto db = JetDatabase::open(makeMemoryPageSource(EmptyLibrary::build(45000)), "HPQVNRtoka3906",
                                    Database::Mode::ReadWrite);
        ASSERT_TRUE(db);
        m_db = std::move(*db);
        m_table = **m_db->tableDef("命令表");
    }

    // Applies one batch of changes in one transaction, as a statement would; a batch that is
    // rolled back leaves the model as it was.
    void apply(const std::vector<std::pair<bool, std::uint32_t>> &changes, bool commit = true)
    {
        TxWriter tx(m_db->pages());
        IndexWriter writer(tx, m_table, m_table.realIndexes[0], m_indexPages);
        for (const auto &[insert, n] : changes) {
            const auto entry = leafEntry(longKey200(n), 1000 + n / 200, std::uint8_t(n % 200));
            auto r = insert ? writer.insert(entry) : writer.remove(entry);
            ASSERT_TRUE(r) << (insert ? "insert " : "remove ") << n << ": " << r.error().message;
            if (!commit)
                continue;
            if (insert)
                m_model.insert(entry);
            else
                m_model.erase(entry);
        }
        if (commit)
            ASSERT_TRUE(tx.commit(nullptr));
        else
            tx.rollback();
        ASSERT_TRUE(m_db->invalidate());
    }

    Qb::Test::IndexWalk walk()
    {
        return Qb::Test::walkIndex(Qb::Test::sourceBytes(m_db->pages().source()), m_table.realIndexes[0].rootPage,
                                   m_table.page);
    }

    std::unique_ptr<JetDatabase> m_db;
    TableDef m_table;
    IndexPageCache m_indexPages; // kept across the batches, as the database keeps its own
    std::set<std::vector<std::uint8_t>> m_model;
};

TEST_F(DeepIndex, randomInsertsAndDeletesKeepTheTreeExact)
{
    std::mt19937 rnd(11);
    std::vector<std::uint32_t> numbers(4000);
    for (std::uint32_t i = 0; i < numbers.size(); ++i)
        numbers[i] = i * 7;
    std::shuffle(numbers.begin(), numbers.end(), rnd);
    for (std::size_t start = 0; start < numbers.size(); start += 500) {
        std::vector<std::pair<bool, std::uint32_t>> batch;
        for (std::size_t i = start; i < start + 500; ++i)
            batch.emplace_back(true, numbers[i]);
        apply(batch);
        const auto w = walk();
        ASSERT_EQ(w.fault, "") << "after " << start + 500 << " inserts";
        ASSERT_EQ(w.entries, std::vector<std::vector<std::uint8_t>>(m_model.begin(), m_model.end()));
    }
    EXPECT_GE(walk().depth, 4u) << "node pages split too";
    std::size_t seen = 0; // the engine's own index reader walks the same tree
    ASSERT_TRUE(walkIndex(m_db->pages(), m_table.realIndexes[0].rootPage, m_table.page,
                          [&](const IndexEntry &) { ++seen; }));
    EXPECT_EQ(seen, m_model.size());
    const std::size_t fullPages = walk().pages;

    std::shuffle(numbers.begin(), numbers.end(), rnd);
    for (std::size_t start = 0; start < numbers.size(); start += 800) {
        std::vector<std::pair<bool, std::uint32_t>> batch;
        for (std::size_t i = start; i < start + 800; ++i)
            batch.emplace_back(false, numbers[i]);
        apply(batch);
        const auto w = walk();
        ASSERT_EQ(w.fault, "") << "after " << start + 800 << " deletes";
        ASSERT_EQ(w.entries, std::vector<std::vector<std::uint8_t>>(m_model.begin(), m_model.end()));
        EXPECT_LE(w.pages, fullPages);
    }
    EXPECT_EQ(walk().pages, 1u) << "an empty index is its root leaf again";
}

// The writer keeps decoded pages between transactions; pages a rolled-back transaction split,
// emptied and released must be read again as the file holds them.
TEST_F(DeepIndex, rolledBackBatch_isNotSeenThroughTheKeptPages)
{
    std::vector<std::pair<bool, std::uint32_t>> batch;
    for (std::uint32_t n = 0; n < 1500; ++n)
        batch.emplace_back(true, n * 2);
    apply(batch);
    std::vector<std::pair<bool, std::uint32_t>> undone;
    for (std::uint32_t n = 0; n < 1500; ++n)
        undone.emplace_back(n % 3 == 0, n % 3 == 0 ? n * 2 + 1 : n * 2);
    apply(undone, false);
    std::vector<std::pair<bool, std::uint32_t>> after;
    for (std::uint32_t n = 0; n < 1500; n += 2)
        after.emplace_back(false, n * 2);
    for (std::uint32_t n = 0; n < 300; ++n)
        after.emplace_back(true, n * 6 + 1);
    apply(after);
    const auto w = walk();
    ASSERT_EQ(w.fault, "");
    EXPECT_EQ(w.entries, std::vector<std::vector<std::uint8_t>>(m_model.begin(), m_model.end()));
}

TEST_F(DeepIndex, ascendingInsertsAtTheRightEdge)
{
    std::vector<std::pair<bool, std::uint32_t>> batch;
    for (std::uint32_t n = 0; n < 2000; ++n)
        batch.emplace_back(true, n);
    apply(batch);
    const auto w = walk();
    EXPECT_EQ(w.fault, "");
    EXPECT_EQ(w.entries.size(), 2000u);
    EXPECT_GE(w.depth, 3u);
}

// Whether the key is present is answered from the leaf the entry goes to, or by a lookup of its
// own when its place is a leaf's start: every key of a tree some thirty leaves wide comes again
// with a row pointer below and one above its own, so that each leaf boundary is met from both sides.
TEST_F(DeepIndex, insertKeyed_findsTheKeyAcrossLeafBoundaries)
{
    std::vector<std::pair<bool, std::uint32_t>> batch;
    for (std::uint32_t n = 0; n < 600; ++n)
        batch.emplace_back(true, n * 2);
    apply(batch);
    TxWriter tx(m_db->pages());
    IndexWriter writer(tx, m_table, m_table.realIndexes[0], m_indexPages);
    for (std::uint32_t n = 0; n < 1200; ++n) {
        bool present = n % 2 == 0;
        for (const std::uint32_t page : {1u, 5000u}) {
            const auto entry = leafEntry(longKey200(n), page, 7);
            auto r = writer.insertKeyed(entry, 200, true);
            ASSERT_TRUE(r) << n << ": " << r.error().message;
            ASSERT_EQ(*r, present) << n << " with page " << page;
            if (!present)
                m_model.insert(entry);
            present = true;
        }
    }
    const auto again = writer.insertKeyed(leafEntry(longKey200(3), 9000, 1), 200, false);
    ASSERT_TRUE(again);
    EXPECT_TRUE(*again) << "a non-unique index takes the entry and says the key was there";
    m_model.insert(leafEntry(longKey200(3), 9000, 1));
    ASSERT_TRUE(tx.commit(nullptr));
    ASSERT_TRUE(m_db->invalidate());
    const auto w = walk();
    ASSERT_EQ(w.fault, "");
    EXPECT_EQ(w.entries, std::vector<std::vector<std::uint8_t>>(m_model.begin(), m_model.end()));
}

} // namespace
