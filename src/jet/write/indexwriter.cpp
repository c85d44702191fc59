// SPDX-License-Identifier: GPL-3.0-or-later
// B-tree maintenance over whole page images. Node children are handled as one list of
// (last entry, page); on the page the last child of a node with two or more children is the
// tail pointer and carries no entry, a single child is held as an entry.
#include "jet/write/indexwriter.h"

#include "jet/format/datapage.h"
#include "jet/storage/pagealloc.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <utility>

namespace Qb::Jet {

namespace {

constexpr std::size_t MaxDepth = 32;

struct Child
{
    std::optional<RawIndexEntry> last; // unknown for a tail child
    std::uint32_t page = 0;
};

std::vector<Child> childrenOf(const IndexPageImage &img)
{
    std::vector<Child> out;
    for (std::size_t i = 0; i < img.entries.size(); ++i)
        out.push_back({entryWithoutChild(img.entries[i]), img.child(i)});
    if (img.tail)
        out.push_back({std::nullopt, img.tail});
    return out;
}

Error corrupt(const std::string &what) { return Error{ErrorCode::Corrupt, what}; }

// Where `entry` goes among a leaf's entries; after the last one (a bulk load's every insert)
// without a search.
std::vector<RawIndexEntry>::const_iterator placeOf(const std::vector<RawIndexEntry> &entries, const RawIndexEntry &entry)
{
    if (!entries.empty() && entries.back() < entry)
        return entries.end();
    return std::lower_bound(entries.begin(), entries.end(), entry);
}

} // namespace

IndexWriter::IndexWriter(TxWriter &tx, const TableDef &table, const RealIndexDef &index, IndexPageCache &pages)
    : m_tx(tx), m_table(table), m_index(index), m_pages(pages)
{
}

Result<IndexPageImage *> IndexWriter::load(std::uint32_t page)
{
    auto bytes = m_tx.read(page);
    if (!bytes)
        return std::unexpected(bytes.error());
    return m_pages.image(page, *bytes);
}

IndexPageImage &IndexWriter::change(Level &level)
{
    level.dirty = true;
    level.entryBytes.reset();
    return m_pages.change(level.page);
}

bool IndexWriter::fits(const Level &level) const
{
    const std::size_t bytes = level.entryBytes ? *level.entryBytes : encodedEntryBytes(level.image->entries);
    return bytes <= IndexLayout::EntryAreaBytes;
}

Result<void> IndexWriter::store(std::uint32_t page, const IndexPageImage &image, bool appended,
                                std::optional<std::size_t> entryBytes)
{
    auto bytes = m_tx.write(page);
    if (!bytes)
        return std::unexpected(bytes.error());
    // Every insert of a bulk load stores a leaf of each index: an entry added at the end is
    // written alone, anything else encodes the page again where it is written.
    const auto onPage = bytes->first<PageSize>();
    const auto alone = [&] {
        return encodeAppendedEntry(image, entryBytes ? *entryBytes : encodedEntryBytes(image.entries), onPage);
    };
    if (!(appended && alone()) && !encodeIndexPageInto(image, onPage))
        return std::unexpected(corrupt("index page " + std::to_string(page) + " overflows"));
    m_pages.stored(page, *bytes);
    return {};
}

Result<RawIndexEntry> IndexWriter::lastEntryOf(std::uint32_t page)
{
    for (std::size_t depth = 0; depth < MaxDepth; ++depth) {
        auto loaded = load(page);
        if (!loaded)
            return std::unexpected(loaded.error());
        const IndexPageImage &img = **loaded;
        if (img.leaf) {
            if (img.entries.empty())
                return std::unexpected(corrupt("empty index page " + std::to_string(page) + " below a node"));
            return img.entries.back();
        }
        if (!img.tail) {
            if (img.entries.empty())
                return std::unexpected(corrupt("index node " + std::to_string(page) + " has no children"));
            return entryWithoutChild(img.entries.back());
        }
        page = img.tail;
    }
    return std::unexpected(corrupt("index tree deeper than " + std::to_string(MaxDepth) + " levels"));
}

namespace {

// Lays `children` out on a node image. A lone child needs its last entry as the node's entry.
Result<void> setChildren(IndexPageImage &img, std::vector<Child> children,
                         const std::function<Result<RawIndexEntry>(std::uint32_t)> &lastOf)
{
    img.entries.clear();
    img.tail = 0;
    if (children.size() >= 2) {
        img.tail = children.back().page;
        children.pop_back();
    }
    for (Child &c : children) {
        if (!c.last) {
            auto last = lastOf(c.page);
            if (!last)
                return std::unexpected(last.error());
            c.last = *last;
        }
        img.entries.push_back(nodeEntry(*c.last, c.page));
    }
    return {};
}

std::size_t childCount(const IndexPageImage &node) { return node.entries.size() + (node.tail ? 1 : 0); }

// Whether node entry `e` (with its child pointer) carries exactly `entry` (key and row pointer).
bool carries(const RawIndexEntry &e, const RawIndexEntry &entry)
{
    return std::equal(e.begin(), e.end() - IndexLayout::ChildPointerBytes, entry.begin(), entry.end());
}

} // namespace

Result<IndexWriter::Path> IndexWriter::descend(const RawIndexEntry &target)
{
    Path path;
    path.reserve(4); // most trees are this shallow: one allocation per descent
    std::uint32_t page = m_index.rootPage;
    for (std::size_t depth = 0; depth < MaxDepth; ++depth) {
        auto img = load(page);
        if (!img)
            return std::unexpected(img.error());
        const IndexPageImage &node = **img;
        if (node.leaf) {
            path.push_back({page, *img, 0, false, false, false, m_pages.entryBytes(page)});
            return path;
        }
        const std::size_t count = childCount(node);
        if (count == 0)
            return std::unexpected(corrupt("index node " + std::to_string(page) + " has no children"));
        // The first child whose last entry is not below the target; the last child (the tail,
        // which has no entry here) when there is none.
        const auto below = [&](const RawIndexEntry &e) {
            return std::lexicographical_compare(e.begin(), e.end() - IndexLayout::ChildPointerBytes, target.begin(),
                                                target.end());
        };
        const bool pastAll = !node.entries.empty() && below(node.entries.back());
        const auto first = pastAll ? node.entries.end()
                                   : std::partition_point(node.entries.begin(), node.entries.end(), below);
        const std::size_t i = std::min(std::size_t(first - node.entries.begin()), count - 1);
        path.push_back({page, *img, i, false, false, false, m_pages.entryBytes(page)});
        page = i < node.entries.size() ? node.child(i) : node.tail;
    }
    return std::unexpected(corrupt("index tree deeper than " + std::to_string(MaxDepth) + " levels"));
}

Result<void> IndexWriter::insert(const RawIndexEntry &entry)
{
    m_pages.beginOperation();
    auto path = descend(entry);
    if (!path)
        return std::unexpected(path.error());
    Level &leaf = path->back();
    const auto &entries = leaf.image->entries;
    const auto pos = placeOf(entries, entry);
    if (pos != entries.end() && *pos == entry)
        return fail(ErrorCode::Corrupt, "index entry already present on page " + std::to_string(leaf.page));
    return insertAt(*path, pos, entry);
}

Result<void> IndexWriter::insertAt(Path &path, std::vector<RawIndexEntry>::const_iterator pos, RawIndexEntry entry)
{
    Level &leaf = path.back();
    const auto &entries = leaf.image->entries;
    m_appending = pos == entries.end() && leaf.image->next == 0;
    leaf.appended = pos == entries.end();
    leaf.lastKept = !leaf.appended;
    const auto at = pos - entries.begin();
    const std::optional<std::size_t> before = leaf.entryBytes;
    auto &changed = change(leaf).entries;
    changed.insert(changed.begin() + at, std::move(entry));
    if (before)
        leaf.entryBytes = encodedEntryBytesAfterInsert(changed, std::size_t(at), *before);
    return fixUpwards(path);
}

// The leaf the entry belongs in holds its neighbours: an entry of the same key sits right before
// or after its place, unless its place is the leaf's start and a leaf before it may end with the
// key. Only then is the key looked up on its own (a bulk load appends, so never).
Result<bool> IndexWriter::insertKeyed(RawIndexEntry entry, std::size_t keyLength, bool unique)
{
    m_pages.beginOperation();
    auto path = descend(entry);
    if (!path)
        return std::unexpected(path.error());
    const IndexPageImage &leaf = *path->back().image;
    const auto pos = placeOf(leaf.entries, entry);
    if (pos != leaf.entries.end() && *pos == entry)
        return fail(ErrorCode::Corrupt, "index entry already present on page " + std::to_string(path->back().page));
    if (pos == leaf.entries.begin() && leaf.prev != 0) {
        auto present = containsKey({entry.begin(), entry.begin() + std::ptrdiff_t(keyLength)});
        if (!present)
            return present;
        if (*present && unique)
            return true;
        if (auto r = insert(entry); !r)
            return std::unexpected(r.error());
        return *present;
    }
    const auto sameKey = [&](const RawIndexEntry &e) {
        return e.size() == entry.size() && std::equal(entry.begin(), entry.begin() + std::ptrdiff_t(keyLength), e.begin());
    };
    const bool present = (pos != leaf.entries.begin() && sameKey(*(pos - 1))) || (pos != leaf.entries.end() && sameKey(*pos));
    if (present && unique)
        return true;
    if (auto r = insertAt(*path, pos, std::move(entry)); !r)
        return std::unexpected(r.error());
    return present;
}

Result<void> IndexWriter::remove(const RawIndexEntry &entry)
{
    m_pages.beginOperation();
    auto path = descend(entry);
    if (!path)
        return std::unexpected(path.error());
    Level &leaf = path->back();
    const auto &entries = leaf.image->entries;
    const auto pos = std::lower_bound(entries.begin(), entries.end(), entry);
    if (pos == entries.end() || *pos != entry)
        return fail(ErrorCode::Corrupt, "index entry for a row is missing from index page " + std::to_string(leaf.page));
    const auto at = pos - entries.begin();
    auto &changed = change(leaf).entries;
    changed.erase(changed.begin() + at);
    if (changed.empty() && path->size() > 1) {
        if (auto d = dropPage(*path, path->size() - 1); !d)
            return d;
    }
    return fixUpwards(*path);
}

Result<bool> IndexWriter::containsKey(const std::vector<std::uint8_t> &key)
{
    m_pages.beginOperation();
    RawIndexEntry lowest = key;
    lowest.resize(key.size() + IndexLayout::RowPointerBytes, 0);
    auto path = descend(lowest);
    if (!path)
        return std::unexpected(path.error());
    const auto &entries = path->back().image->entries;
    const auto pos = std::lower_bound(entries.begin(), entries.end(), lowest);
    return pos != entries.end() && pos->size() == lowest.size() && std::equal(key.begin(), key.end(), pos->begin());
}

// Bottom-up: split what overflows, store what changed, and keep each parent's entry for its
// child equal to the child's last entry.
Result<void> IndexWriter::fixUpwards(Path &path)
{
    const auto lastOf = [this](std::uint32_t p) { return lastEntryOf(p); };
    for (std::size_t l = path.size(); l-- > 0;) {
        while (!fits(path[l])) {
            if (l == 0) {
                if (auto r = splitRoot(path); !r)
                    return r;
                return fixUpwards(path);
            }
            path[l].appended = false;
            if (auto r = split(path, l); !r)
                return std::unexpected(r.error());
        }
        if (path[l].dirty) {
            if (auto r = store(path[l].page, *path[l].image, path[l].appended, path[l].entryBytes); !r)
                return r;
            path[l].dirty = false;
        }
        // Nothing above changed and the parent's entry for this page still holds. Only so on the
        // first pass: after a root split the pass again from the leaf has the new level to fix.
        const bool kept = std::exchange(path[l].lastKept, false);
        if (l == 0 || (kept && !path[l - 1].dirty))
            break;
        Level &parent = path[l - 1];
        const IndexPageImage &node = *parent.image;
        const std::size_t count = childCount(node);
        const std::size_t ci = parent.child;
        if (ci >= count || (ci + 1 == count && count >= 2))
            continue; // the tail child: its last entry is not stored here
        auto last = lastEntryOf(path[l].page);
        if (!last)
            return std::unexpected(last.error());
        if (ci < node.entries.size() && carries(node.entries[ci], *last))
            continue;
        auto children = childrenOf(node);
        children[ci].last = *last;
        if (auto r = setChildren(change(parent), std::move(children), lastOf); !r)
            return r;
    }
    return {};
}

// Moves the first half of an overfull page (by bytes) to a new page linked before it, and adds
// the new page to the parent just before the split one. An entry appended at the right end of
// the last leaf (new AutoNumbers, rows written again in key order) keeps the page before it
// full: only the new entry stays on the right, so ascending inserts fill their pages.
Result<std::uint32_t> IndexWriter::split(Path &path, std::size_t l)
{
    const auto lastOf = [this](std::uint32_t p) { return lastEntryOf(p); };
    Level &level = path[l];
    IndexPageImage &right = change(level);
    IndexPageImage left;
    left.leaf = right.leaf;
    left.tdefPage = m_table.page;
    std::size_t half = 0;
    if (right.leaf) {
        const std::size_t total = encodedEntryBytes(right.entries);
        std::size_t bytes = 0;
        if (m_appending && right.next == 0)
            half = right.entries.size() - 1;
        while (half + 1 < right.entries.size() && bytes < total / 2)
            bytes += right.entries[half++].size();
        const auto cut = right.entries.begin() + std::ptrdiff_t(half);
        left.entries.assign(std::make_move_iterator(right.entries.begin()), std::make_move_iterator(cut));
        right.entries.erase(right.entries.begin(), cut);
    } else {
        auto children = childrenOf(right);
        half = children.size() / 2;
        std::vector<Child> leftChildren(children.begin(), children.begin() + std::ptrdiff_t(half));
        children.erase(children.begin(), children.begin() + std::ptrdiff_t(half));
        if (auto r = setChildren(left, std::move(leftChildren), lastOf); !r)
            return std::unexpected(r.error());
        if (auto r = setChildren(right, std::move(children), lastOf); !r)
            return std::unexpected(r.error());
        level.child = level.child >= half ? level.child - half : 0;
    }
    auto page = PageAlloc::allocate(m_tx);
    if (!page)
        return page;
    if (auto r = PageAlloc::setInMap(m_tx, m_index.usageMap, *page, true); !r)
        return std::unexpected(r.error());
    IndexPageImage &adopted = m_pages.adopt(*page, std::move(left));
    if (auto r = linkBefore(*page, adopted, right, level.page); !r)
        return std::unexpected(r.error());
    if (auto r = store(*page, adopted); !r)
        return std::unexpected(r.error());
    auto last = lastEntryOf(*page);
    if (!last)
        return std::unexpected(last.error());
    Level &parent = path[l - 1];
    auto siblings = childrenOf(*parent.image);
    siblings.insert(siblings.begin() + std::ptrdiff_t(parent.child), Child{*last, *page});
    ++parent.child;
    if (auto r = setChildren(change(parent), std::move(siblings), lastOf); !r)
        return std::unexpected(r.error());
    return page;
}

// The root's content moves to a new page that becomes the root's only child.
Result<void> IndexWriter::splitRoot(Path &path)
{
    auto page = PageAlloc::allocate(m_tx);
    if (!page)
        return std::unexpected(page.error());
    if (auto r = PageAlloc::setInMap(m_tx, m_index.usageMap, *page, true); !r)
        return r;
    IndexPageImage &moved = m_pages.adopt(*page, *path[0].image);
    moved.prev = moved.next = 0;
    // The child is overfull until the caller splits it, so its last entry comes from the image.
    auto last = moved.leaf ? Result<RawIndexEntry>(moved.entries.back())
                : moved.tail ? lastEntryOf(moved.tail) : Result<RawIndexEntry>(entryWithoutChild(moved.entries.back()));
    if (!last)
        return std::unexpected(last.error());
    IndexPageImage &root = change(path[0]);
    root = IndexPageImage{};
    root.leaf = false;
    root.tdefPage = m_table.page;
    root.entries.push_back(nodeEntry(*last, *page));
    const Level child{*page, &moved, path[0].child, true, false, false, std::nullopt};
    path[0].child = 0;
    path.insert(path.begin() + 1, child);
    return {};
}

// Releases an emptied page below the root and takes it out of its parent; a parent left without
// children goes the same way, and a root left without children becomes an empty leaf.
Result<void> IndexWriter::dropPage(Path &path, std::size_t l)
{
    const auto lastOf = [this](std::uint32_t p) { return lastEntryOf(p); };
    if (auto r = unlink(*path[l].image); !r)
        return r;
    const std::uint32_t dropped = path[l].page;
    if (auto r = PageAlloc::setInMap(m_tx, m_index.usageMap, dropped, false); !r)
        return r;
    if (auto r = PageAlloc::release(m_tx, dropped); !r)
        return r;
    path.resize(l);
    m_pages.forget(dropped);
    Level &parent = path[l - 1];
    auto children = childrenOf(*parent.image);
    children.erase(children.begin() + std::ptrdiff_t(parent.child));
    IndexPageImage &node = change(parent);
    if (children.empty()) {
        if (l - 1 == 0) {
            node = IndexPageImage{};
            node.tdefPage = m_table.page;
            return {};
        }
        return dropPage(path, l - 1);
    }
    parent.child = std::min(parent.child, children.size() - 1);
    return setChildren(node, std::move(children), lastOf);
}

Result<void> IndexWriter::linkBefore(std::uint32_t newPage, IndexPageImage &left, IndexPageImage &right,
                                     std::uint32_t rightPage)
{
    left.prev = right.prev;
    left.next = rightPage;
    if (right.prev) {
        if (auto r = relink(right.prev, [&](IndexPageImage &prev) { prev.next = newPage; }); !r)
            return r;
    }
    right.prev = newPage;
    return {};
}

Result<void> IndexWriter::unlink(const IndexPageImage &image)
{
    if (image.prev)
        if (auto r = relink(image.prev, [&](IndexPageImage &prev) { prev.next = image.next; }); !r)
            return r;
    if (image.next)
        if (auto r = relink(image.next, [&](IndexPageImage &next) { next.prev = image.prev; }); !r)
            return r;
    return {};
}

// Changes the sibling link of a neighbouring page on the same level and stores it.
Result<void> IndexWriter::relink(std::uint32_t page, const std::function<void(IndexPageImage &)> &edit)
{
    if (auto loaded = load(page); !loaded)
        return std::unexpected(loaded.error());
    IndexPageImage &image = m_pages.change(page);
    edit(image);
    return store(page, image);
}

} // namespace Qb::Jet
