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

// The entries of one index page in order, each with the shared prefix restored into a buffer
// the next step reuses, so a search reads a page without allocating per entry.
class EntryReader
{
public:
    EntryReader(ByteSpan page, std::uint32_t number)
        : m_page(page), m_number(number), m_node(page[0] == PageTypeIndexNode), m_prefixLength(u16(page, 24))
    {
    }

    // Steps to the next entry; false after the last. Corrupt when the shared prefix is longer
    // than the first entry or an entry is too short for its pointers.
    Result<bool> next()
    {
        for (; IndexEntriesStart + m_bit <= PageSize && m_bit < (IndexEntriesStart - IndexBitmapStart) * 8; ++m_bit) {
            if (!((m_page[IndexBitmapStart + m_bit / 8] >> (m_bit % 8)) & 1))
                continue;
            const ByteSpan stored = m_page.subspan(IndexEntriesStart + m_start, m_bit - m_start);
            if (m_first) {
                if (m_prefixLength > stored.size())
                    return fail(ErrorCode::Corrupt, where() + ": the shared prefix is longer than the first entry");
                m_entry.assign(stored.begin(), stored.end());
                m_first = false;
            } else {
                m_entry.resize(m_prefixLength);
                m_entry.insert(m_entry.end(), stored.begin(), stored.end());
            }
            if (m_entry.size() < pointerBytes())
                return fail(ErrorCode::Corrupt, where() + ": an index entry is too short for its row pointer");
            m_start = m_bit++;
            return true;
        }
        return false;
    }

    bool node() const { return m_node; }
    // The current entry's key, without the pointers.
    ByteSpan key() const { return ByteSpan(m_entry).first(m_entry.size() - pointerBytes()); }
    IndexEntry entry() const
    {
        const ByteSpan b(m_entry);
        const std::size_t at = m_entry.size() - pointerBytes();
        IndexEntry e;
        e.key.assign(b.begin(), b.begin() + std::ptrdiff_t(at));
        e.dataPage = be24(b, at);
        e.dataRow = b[at + 3];
        if (m_node)
            e.childPage = be32(b, at + 4);
        return e;
    }
    std::uint32_t childPage() const { return be32(m_entry, m_entry.size() - 4); }
    std::string where() const { return "index page " + std::to_string(m_number); }

private:
    std::size_t pointerBytes() const { return m_node ? 8 : 4; }

    ByteSpan m_page;
    std::uint32_t m_number;
    bool m_node;
    std::size_t m_prefixLength;
    bool m_first = true;
    std::size_t m_bit = 1;
    std::size_t m_start = 0;
    std::vector<std::uint8_t> m_entry; // the first entry's prefix stays in front
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

// A descent that reads only the children whose range can hold keys starting with the prefix:
// a node entry carries its child's last key, so children ending below the prefix are passed
// over and the first child ending past it is the last one read.
struct PrefixSearch
{
    PageCache &pages;
    std::uint32_t owner;
    ByteSpan prefix;
    std::vector<IndexEntry> found;
    std::unordered_set<std::uint32_t> visited;

    bool startsWithPrefix(ByteSpan key) const
    {
        return key.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), key.begin());
    }
    bool belowPrefix(ByteSpan key) const
    {
        return std::lexicographical_compare(key.begin(), key.end(), prefix.begin(), prefix.end())
               && !startsWithPrefix(key);
    }

    // False once a key past the prefix's range was met: nothing after it can match.
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
        EntryReader entries(bytes, number);
        for (;;) {
            auto more = entries.next();
            if (!more)
                return std::unexpected(more.error());
            if (!*more)
                break;
            const ByteSpan key = entries.key();
            if (belowPrefix(key))
                continue;
            if (!entries.node()) {
                if (!startsWithPrefix(key))
                    return false;
                found.push_back(entries.entry());
                continue;
            }
            const bool last = !startsWithPrefix(key);
            auto deeper = visit(entries.childPage(), depth + 1);
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
    PrefixSearch search{pages, owner, prefix, {}, {}};
    if (auto r = search.visit(root, 0); !r)
        return std::unexpected(r.error());
    return std::move(search.found);
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
    EntryReader entries(bytes, number);
    for (;;) {
        auto more = entries.next();
        if (!more)
            return std::unexpected(more.error());
        if (!*more)
            return page;
        page.entries.push_back(entries.entry());
    }
}

Result<void> walkIndex(PageCache &pages, std::uint32_t root, std::uint32_t owner,
                       const std::function<void(const IndexEntry &)> &visitLeafEntry,
                       const std::function<void(std::uint32_t)> &visitPage)
{
    Walker w{pages, owner, visitLeafEntry, visitPage, {}};
    return w.visit(root, 0);
}

} // namespace Qb::Jet
