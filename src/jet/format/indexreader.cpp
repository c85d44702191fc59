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

Result<IndexEntry> makeEntry(std::vector<std::uint8_t> bytes, bool node, const std::string &where)
{
    const std::size_t pointers = node ? 8 : 4;
    if (bytes.size() < pointers)
        return fail(ErrorCode::Corrupt, where + ": an index entry is too short for its row pointer");
    IndexEntry e;
    const ByteSpan b(bytes);
    const std::size_t at = bytes.size() - pointers;
    e.dataPage = be24(b, at);
    e.dataRow = b[at + 3];
    if (node)
        e.childPage = be32(b, at + 4);
    bytes.resize(at);
    e.key = std::move(bytes);
    return e;
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

    bool startsWithPrefix(const std::vector<std::uint8_t> &key) const
    {
        return key.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), key.begin());
    }
    bool belowPrefix(const std::vector<std::uint8_t> &key) const
    {
        return std::lexicographical_compare(key.begin(), key.end(), prefix.begin(), prefix.end())
               && !startsWithPrefix(key);
    }

    // False once a key past the prefix's range was met: nothing after it can match.
    Result<bool> visit(std::uint32_t number, int depth)
    {
        const std::string where = "index page " + std::to_string(number);
        if (depth > MaxDepth)
            return fail(ErrorCode::Corrupt, where + ": the index tree is deeper than " + std::to_string(MaxDepth));
        if (!visited.insert(number).second)
            return fail(ErrorCode::Corrupt, where + " is reached twice: the index tree loops");
        auto p = pages.page(number);
        if (!p)
            return std::unexpected(p.error());
        auto page = parseIndexPage(bytesOf(*p), number);
        if (!page)
            return std::unexpected(page.error());
        if (page->owner != owner)
            return fail(ErrorCode::Corrupt, where + " belongs to the table on page " + std::to_string(page->owner));
        for (auto &e : page->entries) {
            if (belowPrefix(e.key))
                continue;
            if (page->type == PageTypeIndexLeaf) {
                if (!startsWithPrefix(e.key))
                    return false;
                found.push_back(std::move(e));
                continue;
            }
            auto more = visit(e.childPage, depth + 1);
            if (!more || !*more || !startsWithPrefix(e.key))
                return more ? Result<bool>(false) : more;
        }
        if (page->type == PageTypeIndexNode && page->tail != 0)
            return visit(page->tail, depth + 1);
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
    const std::string where = "index page " + std::to_string(number);
    if (bytes.size() != PageSize || (bytes[0] != PageTypeIndexNode && bytes[0] != PageTypeIndexLeaf))
        return fail(ErrorCode::Corrupt, where + " is not an index page");
    IndexPage page;
    page.type = bytes[0];
    page.owner = u32(bytes, 4);
    page.previous = u32(bytes, 12);
    page.next = u32(bytes, 16);
    page.tail = u32(bytes, 20);
    const std::size_t prefixLength = u16(bytes, 24);
    const bool node = page.type == PageTypeIndexNode;
    std::vector<std::uint8_t> prefix;
    std::size_t start = 0;
    for (std::size_t k = 1; IndexEntriesStart + k <= PageSize && k < (IndexEntriesStart - IndexBitmapStart) * 8; ++k) {
        if (!((bytes[IndexBitmapStart + k / 8] >> (k % 8)) & 1))
            continue;
        const ByteSpan stored = bytes.subspan(IndexEntriesStart + start, k - start);
        std::vector<std::uint8_t> entry = prefix;
        entry.insert(entry.end(), stored.begin(), stored.end());
        if (page.entries.empty()) {
            if (prefixLength > entry.size())
                return fail(ErrorCode::Corrupt, where + ": the shared prefix is longer than the first entry");
            prefix.assign(entry.begin(), entry.begin() + long(prefixLength));
        }
        auto e = makeEntry(std::move(entry), node, where);
        if (!e)
            return std::unexpected(e.error());
        page.entries.push_back(std::move(*e));
        start = k;
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
