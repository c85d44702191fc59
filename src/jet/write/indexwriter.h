// SPDX-License-Identifier: GPL-3.0-or-later
// Keeping one index B-tree exact while rows come and go: entries inserted in order with full
// pages split (the first half moves to a new page linked before it, the parent gains an entry),
// entries removed with emptied pages released, and every node entry equal to the last entry of
// its child. The root page never moves. Layout: docs/jet-format.md, "Index pages".
#pragma once

#include "jet/format/indexpagewriter.h"
#include "jet/format/tabledef.h"
#include "jet/write/indexpagecache.h"
#include "jet/write/txwriter.h"

#include <functional>
#include <optional>
#include <vector>

namespace Qb::Jet {

class IndexWriter
{
public:
    // `index` and `pages` must stay alive while the writer is used; the index's usage map
    // records new pages. The pages are read and changed through `pages`' decoded images.
    IndexWriter(TxWriter &tx, const TableDef &table, const RealIndexDef &index, IndexPageCache &pages);

    // Inserts a leaf entry (key + row pointer). Corrupt when the same entry is present.
    Result<void> insert(const RawIndexEntry &entry);
    // Inserts a leaf entry whose key is its first `keyLength` bytes, in one descent where it can:
    // returns whether an entry with that key was present already, in which case a `unique` index
    // is left as it was. Corrupt when the same entry is present.
    Result<bool> insertKeyed(RawIndexEntry entry, std::size_t keyLength, bool unique);
    // Removes a leaf entry. Corrupt when it is not there.
    Result<void> remove(const RawIndexEntry &entry);
    // Whether an entry with this key (row pointer ignored) is present.
    Result<bool> containsKey(const std::vector<std::uint8_t> &key);

private:
    struct Level
    {
        std::uint32_t page;
        IndexPageImage *image; // the cached image, changed in place
        std::size_t child = 0; // position of the next level's page in this node's children
        bool dirty = false;
        bool appended = false; // its only change: a leaf entry after its others
        bool lastKept = false; // its only change left its last entry as it was
        std::optional<std::size_t> entryBytes; // encodedEntryBytes() of its image, when known
    };
    using Path = std::vector<Level>;

    Result<IndexPageImage *> load(std::uint32_t page);
    // The level's image, to be changed and stored.
    IndexPageImage &change(Level &level);
    // Encodes `image`, the cached image of `page`, onto the page; when `appended`, the page
    // gains the image's last entry alone if its layout allows.
    Result<void> store(std::uint32_t page, const IndexPageImage &image, bool appended = false,
                       std::optional<std::size_t> entryBytes = std::nullopt);
    bool fits(const Level &level) const;
    Result<Path> descend(const RawIndexEntry &target);
    // Adds `entry` to the leaf at the end of `path` before `pos`, its place there.
    Result<void> insertAt(Path &path, std::vector<RawIndexEntry>::const_iterator pos, RawIndexEntry entry);
    Result<RawIndexEntry> lastEntryOf(std::uint32_t page);
    Result<void> fixUpwards(Path &path);
    Result<std::uint32_t> split(Path &path, std::size_t level);
    Result<void> splitRoot(Path &path);
    Result<void> dropPage(Path &path, std::size_t level);
    Result<void> linkBefore(std::uint32_t newPage, IndexPageImage &left, IndexPageImage &right, std::uint32_t rightPage);
    Result<void> unlink(const IndexPageImage &image);
    Result<void> relink(std::uint32_t page, const std::function<void(IndexPageImage &)> &edit);

    TxWriter &m_tx;
    const TableDef &m_table;
    const RealIndexDef &m_index;
    IndexPageCache &m_pages;
    bool m_appending = false; // the entry being inserted went to the end of the last leaf
};

} // namespace Qb::Jet
