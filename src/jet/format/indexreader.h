// SPDX-License-Identifier: GPL-3.0-or-later
// Reading index B-trees: the entries of node and leaf pages and a walk over every leaf entry of
// one index. Layout: docs/jet-format.md, "Index pages".
#pragma once

#include "jet/format/bytes.h"
#include "jet/jeterror.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace Qb::Jet {

class PageCache;

inline constexpr std::size_t IndexEntriesStart = 0x1E0;
inline constexpr std::size_t IndexBitmapStart = 27;

struct IndexEntry
{
    std::vector<std::uint8_t> key;   // the key bytes (prefix restored), without the pointers
    std::uint32_t dataPage = 0;      // the row the entry names
    std::uint8_t dataRow = 0;
    std::uint32_t childPage = 0;     // node entries only
};

struct IndexPage
{
    std::uint8_t type = 0;           // 0x03 node, 0x04 leaf
    std::uint32_t owner = 0;         // TDEF page of the table
    std::uint32_t previous = 0;
    std::uint32_t next = 0;
    std::uint32_t tail = 0;          // node pages: the last child, not stored as an entry
    std::vector<IndexEntry> entries;
};

// Decodes one index page. Corrupt when the type is wrong, the prefix is longer than the first
// entry or an entry is too short for its pointers.
Result<IndexPage> parseIndexPage(ByteSpan page, std::uint32_t pageNumber);

// Visits every leaf entry of the index rooted at `root`, in tree order. Pages that loop, that
// are not index pages of `owner`, or trees deeper than a fixed bound are Corrupt.
// `visitPage` (optional) sees every index page number reached.
Result<void> walkIndex(PageCache &pages, std::uint32_t root, std::uint32_t owner,
                       const std::function<void(const IndexEntry &)> &visitLeafEntry,
                       const std::function<void(std::uint32_t)> &visitPage = {});

// The leaf entries whose key starts with `prefix`, in key order: only the subtrees whose key
// range can hold such keys are read. Faults as walkIndex.
Result<std::vector<IndexEntry>> findIndexEntries(PageCache &pages, std::uint32_t root, std::uint32_t owner,
                                                 ByteSpan prefix);

// The leaf entries with `low` <= key whose first high.size() bytes are <= `high` (so a key that
// starts with `high` is inside), in key order, reading only the subtrees that can hold them.
Result<std::vector<IndexEntry>> findIndexRange(PageCache &pages, std::uint32_t root, std::uint32_t owner,
                                               ByteSpan low, ByteSpan high);

// The rows the same entries name, appended to `rows` (no key copied: a walk over a whole index).
struct IndexRowRef
{
    std::uint32_t dataPage = 0;
    std::uint8_t dataRow = 0;
};
Result<void> findIndexRangeRows(PageCache &pages, std::uint32_t root, std::uint32_t owner, ByteSpan low, ByteSpan high,
                                std::vector<IndexRowRef> &rows);

} // namespace Qb::Jet
