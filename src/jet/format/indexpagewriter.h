// SPDX-License-Identifier: GPL-3.0-or-later
// Index B-tree pages (0x03 node, 0x04 leaf) as whole images: decoded into full entries (the
// shared prefix restored) and encoded back with prefix compression. Layout: docs/jet-format.md,
// "Index pages".
#pragma once

#include "jet/format/bytes.h"
#include "jet/jeterror.h"
#include "jet/storage/pagecache.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace Qb::Jet {

namespace IndexLayout {
inline constexpr std::size_t EntriesStart = 0x1E0;
inline constexpr std::size_t BitmapStart = 27;
inline constexpr std::size_t EntryAreaBytes = 3616; // usable entry bytes per page
inline constexpr std::size_t RowPointerBytes = 4;   // 3-byte page (BE) + row
inline constexpr std::size_t ChildPointerBytes = 4; // node entries only (BE)
} // namespace IndexLayout

// One entry as stored without prefix compression: key bytes, row pointer and, on node pages,
// the child page.
using RawIndexEntry = std::vector<std::uint8_t>;

struct IndexPageImage
{
    bool leaf = true;
    std::uint32_t tdefPage = 0;
    std::uint32_t prev = 0;
    std::uint32_t next = 0;
    std::uint32_t tail = 0;          // node pages: the last child, kept out of the entries
    std::vector<RawIndexEntry> entries; // ascending

    // The child page of node entry i.
    std::uint32_t child(std::size_t i) const;
};

// Decodes an index page. Corrupt when the page type, prefix or entry bitmap is inconsistent.
Result<IndexPageImage> decodeIndexPage(ByteSpan page, std::uint32_t pageNumber);

// The bytes the entries take on a page after prefix compression.
std::size_t encodedEntryBytes(const std::vector<RawIndexEntry> &entries);
// The same for `entries` just after entry `at` was inserted, when they took `before` bytes
// without it: a bulk load asks at every insert, so only a change of the shared prefix (the
// first or the last entry changed) costs a walk of the entries.
std::size_t encodedEntryBytesAfterInsert(const std::vector<RawIndexEntry> &entries, std::size_t at, std::size_t before);

// Encodes an index page; nullopt when its entries do not fit (encodedEntryBytes > 3616).
std::optional<PageBytes> encodeIndexPage(const IndexPageImage &image);
// Encodes an index page over `page` (every byte written); false, and `page` untouched, when
// its entries do not fit.
bool encodeIndexPageInto(const IndexPageImage &image, std::span<std::uint8_t, PageSize> page);
// Adds the last entry of leaf `image` to `page`, which holds the image without that entry (as
// any writer encoded it), so that the page encodes `image`; only its entry bytes, bitmap bit and
// free space change. `entryBytes` is encodedEntryBytes(image.entries), which the caller keeps,
// so the entries are not walked. False, and `page` untouched, unless the page's shared prefix
// stays what the entries call for, the page is consistent with the earlier entries (its free
// space and the end of its last entry) and the entry fits.
bool encodeAppendedEntry(const IndexPageImage &image, std::size_t entryBytes, std::span<std::uint8_t, PageSize> page);

// Leaf entry for a key and row; node entry for a key, row and child.
RawIndexEntry leafEntry(std::vector<std::uint8_t> key, std::uint32_t page, std::uint8_t row);
RawIndexEntry nodeEntry(const RawIndexEntry &lastOfChild, std::uint32_t child);
// The key and row pointer of an entry (a node entry without its child pointer).
RawIndexEntry entryWithoutChild(const RawIndexEntry &nodeEntry);

// The key of a Long column, ascending: flag 0x7F, then the value big-endian with the sign bit
// flipped, so the bytes sort like the numbers.
std::vector<std::uint8_t> longKey(std::int32_t value);

} // namespace Qb::Jet
