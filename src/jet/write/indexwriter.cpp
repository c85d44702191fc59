// B-tree maintenance over whole page images. Node children are handled as one list of
// (last entry, page); on the page the last child of a node with two or more children is the
// tail pointer and carries no entry, a single child is held as an entry.
#include "jet/write/indexwriter.h"

#include "jet/format/datapage.h"
#include "jet/storage/pagealloc.h"

#include <algorithm>
#include <functional>
#include <optional>

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

bool fitsPage(const IndexPageImage &img) { return encodedEntryBytes(img.entries) <= IndexLayout::EntryAreaBytes; }

Error corrupt(const std::string &what) { return Error{ErrorCode::Corrupt, what}; }

} // namespace

IndexWriter::IndexWriter(TxWriter &tx, const TableDef &table, const RealIndexDef &index)
    : m_tx(tx), m_table(table), m_index(index)
{
}

Result<IndexPageImage> IndexWriter::load(std::uint32_t page)
{
    if (auto it = m_images.find(page); it != m_images.end())
        return it->second;
    auto bytes = m_tx.read(page);
    if (!bytes)
        return std::unexpected(bytes.error());
    auto image = decodeIndexPage(*bytes, page);
    if (image)
        m_images.insert_or_assign(page, *image);
    return image;
}

Result<void> IndexWriter::store(std::uint32_t page, const IndexPageImage &image)
{
    auto encoded = encodeIndexPage(image);
    if (!encoded)
        return std::unexpected(corrupt("index page " + std::to_string(page) + " overflows"));
    auto bytes = m_tx.write(page);
    if (!bytes)
        return std::unexpected(bytes.error());
    std::copy(encoded->begin(), encoded->end(), bytes->begin());
    m_images.insert_or_assign(page, image);
    return {};
}

Result<RawIndexEntry> IndexWriter::lastEntryOf(std::uint32_t page)
{
    for (std::size_t depth = 0; depth < MaxDepth; ++depth) {
        auto img = load(page);
        if (!img)
            return std::unexpected(img.error());
        if (img->leaf) {
            if (img->entries.empty())
                return std::unexpected(corrupt("empty index page " + std::to_string(page) + " below a node"));
            return img->entries.back();
        }
        if (!img->tail) {
            if (img->entries.empty())
                return std::unexpected(corrupt("index node " + std::to_string(page) + " has no children"));
            return entryWithoutChild(img->entries.back());
        }
        page = img->tail;
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

} // namespace

Result<IndexWriter::Path> IndexWriter::descend(const RawIndexEntry &target)
{
    Path path;
    std::uint32_t page = m_index.rootPage;
    for (std::size_t depth = 0; depth < MaxDepth; ++depth) {
        auto img = load(page);
        if (!img)
            return std::unexpected(img.error());
        if (img->leaf) {
            path.push_back({page, std::move(*img), 0, false});
            return path;
        }
        const auto children = childrenOf(*img);
        if (children.empty())
            return std::unexpected(corrupt("index node " + std::to_string(page) + " has no children"));
        std::size_t i = 0;
        while (i + 1 < children.size() && children[i].last && *children[i].last < target)
            ++i;
        path.push_back({page, std::move(*img), i, false});
        page = children[i].page;
    }
    return std::unexpected(corrupt("index tree deeper than " + std::to_string(MaxDepth) + " levels"));
}

Result<void> IndexWriter::insert(const RawIndexEntry &entry)
{
    auto path = descend(entry);
    if (!path)
        return std::unexpected(path.error());
    auto &entries = path->back().image.entries;
    const auto pos = std::lower_bound(entries.begin(), entries.end(), entry);
    if (pos != entries.end() && *pos == entry)
        return fail(ErrorCode::Corrupt, "index entry already present on page " + std::to_string(path->back().page));
    m_appending = pos == entries.end() && path->back().image.next == 0;
    entries.insert(pos, entry);
    path->back().dirty = true;
    return fixUpwards(*path);
}

Result<void> IndexWriter::remove(const RawIndexEntry &entry)
{
    auto path = descend(entry);
    if (!path)
        return std::unexpected(path.error());
    auto &entries = path->back().image.entries;
    const auto pos = std::lower_bound(entries.begin(), entries.end(), entry);
    if (pos == entries.end() || *pos != entry)
        return fail(ErrorCode::Corrupt, "index entry for a row is missing from index page "
                                            + std::to_string(path->back().page));
    entries.erase(pos);
    path->back().dirty = true;
    if (entries.empty() && path->size() > 1) {
        if (auto d = dropPage(*path, path->size() - 1); !d)
            return d;
    }
    return fixUpwards(*path);
}

Result<bool> IndexWriter::containsKey(const std::vector<std::uint8_t> &key)
{
    RawIndexEntry lowest = key;
    lowest.resize(key.size() + IndexLayout::RowPointerBytes, 0);
    auto path = descend(lowest);
    if (!path)
        return std::unexpected(path.error());
    const auto &entries = path->back().image.entries;
    const auto pos = std::lower_bound(entries.begin(), entries.end(), lowest);
    return pos != entries.end() && pos->size() == lowest.size() && std::equal(key.begin(), key.end(), pos->begin());
}

// Bottom-up: split what overflows, store what changed, and keep each parent's entry for its
// child equal to the child's last entry.
Result<void> IndexWriter::fixUpwards(Path &path)
{
    const auto lastOf = [this](std::uint32_t p) { return lastEntryOf(p); };
    for (std::size_t l = path.size(); l-- > 0;) {
        while (!fitsPage(path[l].image)) {
            if (l == 0) {
                if (auto r = splitRoot(path); !r)
                    return r;
                return fixUpwards(path);
            }
            if (auto r = split(path, l); !r)
                return std::unexpected(r.error());
        }
        if (path[l].dirty) {
            if (auto r = store(path[l].page, path[l].image); !r)
                return r;
            path[l].dirty = false;
        }
        if (l == 0)
            break;
        Level &parent = path[l - 1];
        auto children = childrenOf(parent.image);
        const std::size_t ci = parent.child;
        if (ci >= children.size() || (ci + 1 == children.size() && children.size() >= 2))
            continue; // the tail child: its last entry is not stored here
        auto last = lastEntryOf(path[l].page);
        if (!last)
            return std::unexpected(last.error());
        if (children[ci].last != *last) {
            children[ci].last = *last;
            if (auto r = setChildren(parent.image, std::move(children), lastOf); !r)
                return r;
            parent.dirty = true;
        }
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
    IndexPageImage left;
    left.leaf = level.image.leaf;
    left.tdefPage = m_table.page;
    std::size_t half = 0;
    if (level.image.leaf) {
        const std::size_t total = encodedEntryBytes(level.image.entries);
        std::size_t bytes = 0;
        if (m_appending && level.image.next == 0)
            half = level.image.entries.size() - 1;
        while (half + 1 < level.image.entries.size() && bytes < total / 2)
            bytes += level.image.entries[half++].size();
        left.entries.assign(level.image.entries.begin(), level.image.entries.begin() + half);
        level.image.entries.erase(level.image.entries.begin(), level.image.entries.begin() + half);
    } else {
        auto children = childrenOf(level.image);
        half = children.size() / 2;
        std::vector<Child> leftChildren(children.begin(), children.begin() + half);
        children.erase(children.begin(), children.begin() + half);
        if (auto r = setChildren(left, std::move(leftChildren), lastOf); !r)
            return std::unexpected(r.error());
        if (auto r = setChildren(level.image, std::move(children), lastOf); !r)
            return std::unexpected(r.error());
        level.child = level.child >= half ? level.child - half : 0;
    }
    auto page = PageAlloc::allocate(m_tx);
    if (!page)
        return page;
    if (auto r = PageAlloc::setInMap(m_tx, m_index.usageMap, *page, true); !r)
        return std::unexpected(r.error());
    if (auto r = linkBefore(*page, left, level.image, level.page); !r)
        return std::unexpected(r.error());
    if (auto r = store(*page, left); !r)
        return std::unexpected(r.error());
    level.dirty = true;
    auto last = lastEntryOf(*page);
    if (!last)
        return std::unexpected(last.error());
    Level &parent = path[l - 1];
    auto siblings = childrenOf(parent.image);
    siblings.insert(siblings.begin() + std::ptrdiff_t(parent.child), Child{*last, *page});
    ++parent.child;
    if (auto r = setChildren(parent.image, std::move(siblings), lastOf); !r)
        return std::unexpected(r.error());
    parent.dirty = true;
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
    Level child{*page, path[0].image, path[0].child, true};
    child.image.prev = child.image.next = 0;
    // The child is overfull until the caller splits it, so its last entry comes from the image.
    const IndexPageImage &img = child.image;
    auto last = img.leaf ? Result<RawIndexEntry>(img.entries.back())
                         : img.tail ? lastEntryOf(img.tail) : Result<RawIndexEntry>(entryWithoutChild(img.entries.back()));
    if (!last)
        return std::unexpected(last.error());
    IndexPageImage root;
    root.leaf = false;
    root.tdefPage = m_table.page;
    root.entries.push_back(nodeEntry(*last, *page));
    path[0].image = std::move(root);
    path[0].child = 0;
    path[0].dirty = true;
    path.insert(path.begin() + 1, std::move(child));
    return {};
}

// Releases an emptied page below the root and takes it out of its parent; a parent left without
// children goes the same way, and a root left without children becomes an empty leaf.
Result<void> IndexWriter::dropPage(Path &path, std::size_t l)
{
    const auto lastOf = [this](std::uint32_t p) { return lastEntryOf(p); };
    if (auto r = unlink(path[l].image); !r)
        return r;
    if (auto r = PageAlloc::setInMap(m_tx, m_index.usageMap, path[l].page, false); !r)
        return r;
    if (auto r = PageAlloc::release(m_tx, path[l].page); !r)
        return r;
    path.resize(l);
    Level &parent = path[l - 1];
    auto children = childrenOf(parent.image);
    children.erase(children.begin() + std::ptrdiff_t(parent.child));
    parent.dirty = true;
    if (children.empty()) {
        if (l - 1 == 0) {
            parent.image = IndexPageImage{};
            parent.image.tdefPage = m_table.page;
            return {};
        }
        return dropPage(path, l - 1);
    }
    parent.child = std::min(parent.child, children.size() - 1);
    return setChildren(parent.image, std::move(children), lastOf);
}

Result<void> IndexWriter::linkBefore(std::uint32_t newPage, IndexPageImage &left, IndexPageImage &right,
                                     std::uint32_t rightPage)
{
    left.prev = right.prev;
    left.next = rightPage;
    if (right.prev) {
        auto prev = load(right.prev);
        if (!prev)
            return std::unexpected(prev.error());
        prev->next = newPage;
        if (auto r = store(right.prev, *prev); !r)
            return r;
    }
    right.prev = newPage;
    return {};
}

Result<void> IndexWriter::unlink(const IndexPageImage &image)
{
    if (image.prev) {
        auto prev = load(image.prev);
        if (!prev)
            return std::unexpected(prev.error());
        prev->next = image.next;
        if (auto r = store(image.prev, *prev); !r)
            return r;
    }
    if (image.next) {
        auto next = load(image.next);
        if (!next)
            return std::unexpected(next.error());
        next->prev = image.prev;
        if (auto r = store(image.next, *next); !r)
            return r;
    }
    return {};
}

} // namespace Qb::Jet
