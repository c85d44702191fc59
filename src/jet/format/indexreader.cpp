// SPDX-License-Identifier: GPL-3.0-or-later
// Index page decoding and tree walks. Layout: docs/jet-format.md, "Index pages".
#include "jet/format/indexreader.h"

#include "jet/format/datapage.h"
#include "jet/storage/pagecache.h"

#include <algorithm>
#include <unordered_set>

namespace Qb::Jet {

namespace {

constexpr int MaxDepth = 16;

std::uint32_t be24(ByteSpan b, std::size_t at) { return (std::uint32_t(b[at]) << 16) | (b[at + 1] << 8) | b[at + 2]; }
std::uint32_t be32(ByteSpan b, std::size_t at) { return (be24(b, at) << 8) | b[at + 3]; }

// The entries of one index page, located through its entry bitmap. entry() restores the shared
// prefix into a buffer the caller reuses, so a search reads a page without allocating per
// entry and can bisect it.
class PageEntries
{
public:
    // Corrupt when the shared prefix is longer than the first entry.
    static Result<PageEntries> read(ByteSpan page, std::uint32_t number)
    {
        PageEntries entries(page, number);
        // Bit k marks an entry ending k bytes into the entry area, which ends with the page.
        constexpr std::size_t LastBit = std::min(PageSize - IndexEntriesStart, (IndexEntriesStart - IndexBitmapStart) * 8 - 1);
        forEachSetBit(page.subspan(IndexBitmapStart, IndexEntriesStart - IndexBitmapStart), [&](std::uint64_t bit) {
            if (bit > LastBit)
                return false;
            if (bit > 0)
                entries.m_ends.push_back(std::uint16_t(bit));
            return true;
        });
        if (!entries.m_ends.empty() && entries.m_prefixLength > entries.m_ends[0])
            return fail(ErrorCode::Corrupt, entries.where() + ": the shared prefix is longer than the first entry");
        return entries;
    }

    std::size_t size() const { return m_ends.size(); }
    bool node() const { return m_node; }

    // Entry i whole (key and pointers), in `buffer`. Corrupt when shorter than its pointers.
    Result<ByteSpan> entry(std::size_t i, std::vector<std::uint8_t> &buffer) const
    {
        const std::size_t start = i ? m_ends[i - 1] : 0;
        const ByteSpan stored = m_page.subspan(IndexEntriesStart + start, m_ends[i] - start);
        buffer.clear();
        if (i > 0) {
            const ByteSpan prefix = m_page.subspan(IndexEntriesStart, m_prefixLength);
            buffer.assign(prefix.begin(), prefix.end());
        }
        buffer.insert(buffer.end(), stored.begin(), stored.end());
        if (buffer.size() < pointerBytes())
            return fail(ErrorCode::Corrupt, where() + ": an index entry is too short for its row pointer");
        return ByteSpan(buffer);
    }
    // The key of an entry entry() gave, without the pointers.
    ByteSpan key(ByteSpan entry) const { return entry.first(entry.size() - pointerBytes()); }
    IndexEntry decoded(ByteSpan entry) const
    {
        const std::size_t at = entry.size() - pointerBytes();
        IndexEntry e;
        e.key.assign(entry.begin(), entry.begin() + std::ptrdiff_t(at));
        e.dataPage = be24(entry, at);
        e.dataRow = entry[at + 3];
        if (m_node)
            e.childPage = be32(entry, at + 4);
        return e;
    }
    std::string where() const { return "index page " + std::to_string(m_number); }

private:
    PageEntries(ByteSpan page, std::uint32_t number)
        : m_page(page), m_number(number), m_node(page[0] == PageTypeIndexNode), m_prefixLength(u16(page, 24))
    {
    }
    std::size_t pointerBytes() const { return m_node ? 8 : 4; }

    ByteSpan m_page;
    std::uint32_t m_number;
    bool m_node;
    std::size_t m_prefixLength;
    std::vector<std::uint16_t> m_ends; // of each entry's stored bytes, from the entry area's start
};

Result<void> checkIndexPageType(ByteSpan bytes, std::uint32_t number)
{
    if (bytes.size() != PageSize || (bytes[0] != PageTypeIndexNode && bytes[0] != PageTypeIndexLeaf))
        return fail(ErrorCode::Corrupt, "index page " + std::to_string(number) + " is not an index page");
    return {};
}

struct Walker
{
    PageCache &pages;
    std::uint32_t owner;
    const std::function<void(const IndexEntry &)> &leaf;
    const std::function<void(std::uint32_t)> &seenPage;
    std::unordered_set<std::uint32_t> visited;

    Result<void> visit(std::uint32_t number, int depth)
    {
        const std::string where = "index page " + std::to_string(number);
        if (depth > MaxDepth)
            return fail(ErrorCode::Corrupt, where + ": the index tree is deeper than " + std::to_string(MaxDepth));
        if (!visited.insert(number).second)
            return fail(ErrorCode::Corrupt, where + " is reached twice: the index tree loops");
        if (seenPage)
            seenPage(number);
        auto p = pages.page(number);
        if (!p)
            return std::unexpected(p.error());
        auto page = parseIndexPage(bytesOf(*p), number);
        if (!page)
            return std::unexpected(page.error());
        if (page->owner != owner)
            return fail(ErrorCode::Corrupt, where + " belongs to the table on page " + std::to_string(page->owner));
        if (page->type == PageTypeIndexLeaf) {
            for (const auto &e : page->entries)
                leaf(e);
            return {};
        }
        for (const auto &e : page->entries)
            if (auto ok = visit(e.childPage, depth + 1); !ok)
                return ok;
        if (page->tail != 0)
            return visit(page->tail, depth + 1);
        return {};
    }
};

// A descent that reads only the children whose range can hold keys from `low` up to keys
// starting with `high`: a node entry carries its child's last key, so children ending below
// `low` are passed over and the first child ending past `high` is the last one read.
struct RangeSearch
{
    PageCache &pages;
    std::uint32_t owner;
    ByteSpan low;
    ByteSpan high;
    std::vector<IndexEntry> found;
    std::vector<IndexRowRef> *rows = nullptr; // when set, leaf entries go here instead, without their keys
    std::unordered_set<std::uint32_t> visited;

    bool pastHigh(ByteSpan key) const
    {
        const ByteSpan head = key.subspan(0, std::min(key.size(), high.size()));
        return std::lexicographical_compare(high.begin(), high.end(), head.begin(), head.end());
    }
    bool belowLow(ByteSpan key) const
    {
        return std::lexicographical_compare(key.begin(), key.end(), low.begin(), low.end());
    }

    // False once a key past the range was met: nothing after it can match.
    Result<bool> visit(std::uint32_t number, int depth)
    {
        const auto where = [&] { return "index page " + std::to_string(number); };
        if (depth > MaxDepth)
            return fail(ErrorCode::Corrupt, where() + ": the index tree is deeper than " + std::to_string(MaxDepth));
        if (!visited.insert(number).second)
            return fail(ErrorCode::Corrupt, where() + " is reached twice: the index tree loops");
        auto p = pages.page(number);
        if (!p)
            return std::unexpected(p.error());
        const ByteSpan bytes = bytesOf(*p);
        if (auto type = checkIndexPageType(bytes, number); !type)
            return std::unexpected(type.error());
        if (u32(bytes, 4) != owner)
            return fail(ErrorCode::Corrupt, where() + " belongs to the table on page " + std::to_string(u32(bytes, 4)));
        auto entries = PageEntries::read(bytes, number);
        if (!entries)
            return std::unexpected(entries.error());
        std::vector<std::uint8_t> buffer;
        // Keys ascend, so the entries below the range come first: bisect past them.
        std::size_t first = 0;
        for (std::size_t end = entries->size(); first < end;) {
            const std::size_t mid = first + (end - first) / 2;
            auto e = entries->entry(mid, buffer);
            if (!e)
                return std::unexpected(e.error());
            if (belowLow(entries->key(*e)))
                first = mid + 1;
            else
                end = mid;
        }
        for (std::size_t i = first; i < entries->size(); ++i) {
            auto e = entries->entry(i, buffer);
            if (!e)
                return std::unexpected(e.error());
            const ByteSpan key = entries->key(*e);
            if (!entries->node()) {
                if (pastHigh(key))
                    return false;
                if (rows)
                    rows->push_back({be24(*e, key.size()), (*e)[key.size() + 3]});
                else
                    found.push_back(entries->decoded(*e));
                continue;
            }
            const bool last = pastHigh(key);
            auto deeper = visit(be32(*e, e->size() - 4), depth + 1);
            if (!deeper || !*deeper || last)
                return deeper ? Result<bool>(false) : deeper;
        }
        const std::uint32_t tail = u32(bytes, 20);
        if (bytes[0] == PageTypeIndexNode && tail != 0)
            return visit(tail, depth + 1);
        return true;
    }
};

} // namespace

Result<std::vector<IndexEntry>> findIndexEntries(PageCache &pages, std::uint32_t root, std::uint32_t owner,
                                                 ByteSpan prefix)
{
    return findIndexRange(pages, root, owner, prefix, prefix);
}

Result<std::vector<IndexEntry>> findIndexRange(PageCache &pages, std::uint32_t root, std::uint32_t owner,
                                               ByteSpan low, ByteSpan high)
{
    RangeSearch search{pages, owner, low, high, {}, nullptr, {}};
    if (auto r = search.visit(root, 0); !r)
        return std::unexpected(r.error());
    return std::move(search.found);
}

Result<void> findIndexRangeRows(PageCache &pages, std::uint32_t root, std::uint32_t owner, ByteSpan low, ByteSpan high,
                                std::vector<IndexRowRef> &rows)
{
    RangeSearch search{pages, owner, low, high, {}, &rows, {}};
    if (auto r = search.visit(root, 0); !r)
        return std::unexpected(r.error());
    return {};
}

Result<IndexPage> parseIndexPage(ByteSpan bytes, std::uint32_t number)
{
    if (auto type = checkIndexPageType(bytes, number); !type)
        return std::unexpected(type.error());
    IndexPage page;
    page.type = bytes[0];
    page.owner = u32(bytes, 4);
    page.previous = u32(bytes, 12);
    page.next = u32(bytes, 16);
    page.tail = u32(bytes, 20);
    auto entries = PageEntries::read(bytes, number);
    if (!entries)
        return std::unexpected(entries.error());
    std::vector<std::uint8_t> buffer;
    for (std::size_t i = 0; i < entries->size(); ++i) {
        auto e = entries->entry(i, buffer);
        if (!e)
            return std::unexpected(e.error());
        page.entries.push_back(entries->decoded(*e));
    }
    return page;
}

Result<void> walkIndex(PageCache &pages, std::uint32_t root, std::uint32_t owner,
                       const std::function<void(const IndexEntry &)> &visitLeafEntry,
                       const std::function<void(std::uint32_t)> &visitPage)
{
    Walker w{pages, owner, visitLeafEntry, visitPage, {}};
    return w.visit(root, 0);
}

} // namespace Qb::Jet
