// SPDX-License-Identifier: GPL-3.0-or-later
// Index page encoding: an entry added after the others of a leaf is written alone only when the
// page then holds exactly what encoding the whole leaf gives, and the page is left untouched in
// every other case (the writer encodes the whole page then). The size kept across an insert is
// the size of the whole leaf, and the writer's kept images follow every change of the bytes
// they decode from.
#include "jet/format/bytewriter.h"
#include "jet/format/indexpagewriter.h"
#include "jet/write/indexpagecache.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace Qb::Jet;

namespace {

IndexPageImage leafOf(const std::vector<std::uint32_t> &keys)
{
    IndexPageImage img;
    img.tdefPage = 2;
    img.prev = 40;
    for (std::uint32_t k : keys)
        img.entries.push_back(leafEntry(longKey(std::int32_t(k)), 100 + k / 50, std::uint8_t(k % 50)));
    return img;
}

// The page as the writer would have left it before `keys`' last entry came.
PageBytes pageBefore(IndexPageImage img)
{
    img.entries.pop_back();
    return *encodeIndexPage(img);
}

struct Append
{
    const char *name;
    std::vector<std::uint32_t> keys; // the leaf after the append, in order
    bool alone;                      // whether the entry is written alone
};

void PrintTo(const Append &a, std::ostream *os) { *os << a.name; }

class AppendedEntry : public ::testing::TestWithParam<Append> {};

TEST_P(AppendedEntry, givesTheBytesOfTheWholeLeafOrLeavesThePage)
{
    const Append &a = GetParam();
    const IndexPageImage img = leafOf(a.keys);
    PageBytes page = pageBefore(img);
    const PageBytes before = page;
    ASSERT_EQ(encodeAppendedEntry(img, encodedEntryBytes(img.entries), page), a.alone);
    if (a.alone)
        EXPECT_EQ(page, *encodeIndexPage(img));
    else
        EXPECT_EQ(page, before);
}

std::vector<std::uint32_t> ascending(std::uint32_t first, std::uint32_t count)
{
    std::vector<std::uint32_t> keys;
    for (std::uint32_t k = first; k < first + count; ++k)
        keys.push_back(k);
    return keys;
}

// Keys 1..n share the bytes 7F 80 00 00 of their keys; key 256 shares only 7F 80 00, so the
// page's shared prefix shrinks when it comes.
INSTANTIATE_TEST_SUITE_P(
    Leaf, AppendedEntry,
    ::testing::Values(Append{"samePrefix", ascending(1, 20), true},
                      Append{"prefixShrinks", [] { auto k = ascending(1, 20); k.push_back(256); return k; }(), false},
                      Append{"thirdEntryIsFirstAlone", ascending(1, 3), true},
                      Append{"secondEntrySetsThePrefix", ascending(1, 2), false},
                      Append{"fullPageTakesNoMore", ascending(1, 3616 / 6 + 1), false}),
    [](const auto &info) { return std::string(info.param.name); });

// A page written by another writer may use a shorter shared prefix than the entries allow, or
// disagree with its entries: the entry is not added to it.
TEST(AppendedEntryForeignPage, withAnotherPrefixOrFreeSpace_isLeftAlone)
{
    const IndexPageImage img = leafOf(ascending(1, 20));
    PageBytes shorterPrefix = pageBefore(img);
    put16(shorterPrefix, 24, 2);
    PageBytes wrongFreeSpace = pageBefore(img);
    put16(wrongFreeSpace, 2, std::uint16_t(u16(wrongFreeSpace, 2) - 1));
    IndexPageImage node = img;
    node.leaf = false;
    for (PageBytes *page : {&shorterPrefix, &wrongFreeSpace}) {
        const PageBytes before = *page;
        EXPECT_FALSE(encodeAppendedEntry(img, encodedEntryBytes(img.entries), *page));
        EXPECT_EQ(*page, before);
    }
    PageBytes page = pageBefore(img);
    EXPECT_FALSE(encodeAppendedEntry(node, encodedEntryBytes(node.entries), page)) << "node pages are encoded whole";
}

// `page` with its entries laid out again under a shared prefix of `prefix` bytes (shorter than
// the entries allow), as another writer may leave a page.
PageBytes withPrefix(PageBytes page, const IndexPageImage &img, std::size_t prefix)
{
    std::fill(page.begin() + IndexLayout::BitmapStart, page.end(), 0);
    put16(page, 24, std::uint16_t(prefix));
    std::size_t at = 0;
    for (std::size_t i = 0; i < img.entries.size(); ++i) {
        const std::size_t skip = i ? prefix : 0;
        std::copy(img.entries[i].begin() + std::ptrdiff_t(skip), img.entries[i].end(),
                  page.begin() + std::ptrdiff_t(IndexLayout::EntriesStart + at));
        at += img.entries[i].size() - skip;
        page[IndexLayout::BitmapStart + at / 8] |= std::uint8_t(1u << (at % 8));
    }
    put16(page, 2, std::uint16_t(IndexLayout::EntryAreaBytes - at));
    return page;
}

struct Changed
{
    const char *name;
    bool foreign;        // the page as another writer laid it out, else as this engine stores it
    std::ptrdiff_t from; // the byte changed, counted back from the end of the entries
};

void PrintTo(const Changed &c, std::ostream *os) { *os << c.name; }

class KeptImage : public ::testing::TestWithParam<Changed> {};

// Whatever byte changes behind the cache, the image it gives is the one the page decodes to.
TEST_P(KeptImage, followsTheBytesItDecodesFrom)
{
    const Changed &c = GetParam();
    const IndexPageImage img = leafOf(ascending(1, 20));
    const PageBytes ours = *encodeIndexPage(img);
    const PageBytes original = c.foreign ? withPrefix(ours, img, 2) : ours;
    IndexPageCache cache;
    ASSERT_TRUE(cache.image(9, original));
    if (!c.foreign) { // kept as the writer keeps a page it stored
        cache.change(9);
        cache.stored(9, original);
    }
    ASSERT_EQ(cache.entryBytes(9), encodedEntryBytes(img.entries));
    PageBytes changed = original;
    const std::size_t end = IndexLayout::EntryAreaBytes - u16(original, 2);
    changed[std::size_t(std::ptrdiff_t(IndexLayout::EntriesStart + end) - c.from)] ^= 0x5A;
    cache.beginOperation();
    auto seen = cache.image(9, changed);
    auto decoded = decodeIndexPage(changed, 9);
    ASSERT_TRUE(seen && decoded);
    EXPECT_EQ((*seen)->entries, decoded->entries);
}

INSTANTIATE_TEST_SUITE_P(Cache, KeptImage,
                         ::testing::Values(Changed{"lastEntryByte", false, 1}, Changed{"pastTheEntries", false, -5},
                                           Changed{"foreignLastEntryByte", true, 1},
                                           Changed{"foreignEntryPastOurLayout", true, 3}),
                         [](const auto &info) { return std::string(info.param.name); });

struct Inserted
{
    const char *name;
    std::vector<std::uint32_t> keys; // the leaf before the insert, in order
    std::uint32_t key;               // the key inserted
};

void PrintTo(const Inserted &c, std::ostream *os) { *os << c.name; }

class EntryBytesAfterInsert : public ::testing::TestWithParam<Inserted> {};

// The size kept across an insert is the size of the entries encoded whole, wherever the entry
// goes and whatever it does to the shared prefix.
TEST_P(EntryBytesAfterInsert, isWhatTheWholeLeafTakes)
{
    const Inserted &c = GetParam();
    IndexPageImage img = leafOf(c.keys);
    const std::size_t before = encodedEntryBytes(img.entries);
    const RawIndexEntry entry = leafOf({c.key}).entries.front();
    const auto pos = std::lower_bound(img.entries.begin(), img.entries.end(), entry);
    const auto at = std::size_t(pos - img.entries.begin());
    img.entries.insert(pos, entry);
    EXPECT_EQ(encodedEntryBytesAfterInsert(img.entries, at, before), encodedEntryBytes(img.entries));
}

INSTANTIATE_TEST_SUITE_P(
    Leaf, EntryBytesAfterInsert,
    ::testing::Values(Inserted{"appended", ascending(10, 20), 30}, Inserted{"inTheMiddle", {10, 12, 14, 16, 18}, 15},
                      Inserted{"first", ascending(10, 20), 5}, Inserted{"appendedShrinksThePrefix", ascending(10, 20), 300},
                      Inserted{"firstShrinksThePrefix", ascending(300, 20), 10},
                      Inserted{"intoTwoEntries", {10, 12}, 11}, Inserted{"intoOne", {10}, 300}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
