// SPDX-License-Identifier: GPL-3.0-or-later
// Building and changing data pages (type 0x01): new pages, appended rows, slot flags and rows
// rewritten in place. The page-level half of inserting, updating and deleting rows.
// Layout: docs/jet-format.md, "Data pages".
#pragma once

#include "jet/format/bytewriter.h"
#include "jet/format/datapage.h"

#include <optional>

namespace Qb::Jet::DataPageWriter {

inline constexpr std::size_t MaxRowsPerPage = 255;
inline constexpr std::size_t MaxRowSize = 4060;        // a table row
inline constexpr std::size_t MaxLongValueRowSize = 4076; // a row on an LVAL page
inline constexpr std::uint16_t InitialFreeSpace = 4096 - DataPageHeaderSize;

// Clears `page` and makes it an empty data page owned by `owner` (a TDEF page number,
// LongValueOwner, or 0 for a page of usage-map rows).
void init(MutableBytes page, std::uint32_t owner);

std::uint16_t freeSpace(ByteSpan page);

// Whether a row of `length` bytes fits: its bytes plus a 2-byte slot, and a free slot number.
bool fits(ByteSpan page, std::size_t length);

// Appends a row below the lowest one and returns its slot number; nullopt when it does not fit.
// The free-space field drops by length + 2.
std::optional<std::uint8_t> appendRow(MutableBytes page, ByteSpan row, std::uint16_t flags = 0);

// Whether a slot's bytes may be given back: a deleted row (both flag bits, as Jet and this
// engine mark them). A slot flagged RowDeleted alone is the moved copy of a live row.
inline bool reclaimable(std::uint16_t rawSlot)
{
    return (rawSlot & (RowDeleted | RowOverflow)) == (RowDeleted | RowOverflow);
}

// The longest row (bytes) that fits once the bytes of deleted rows are given back, in a deleted
// slot or a new one; 0 when none does.
std::size_t compactedRoom(ByteSpan page);
inline bool fitsCompacted(ByteSpan page, std::size_t length) { return length <= compactedRoom(page); }

// Places a row: appended below the lowest row when it fits there, else in the first deleted
// slot (or a new one) with the page's rows laid out anew without the deleted rows' bytes. Live
// rows keep their slot numbers, so index entries and row pointers stay valid. nullopt (page
// unchanged) when it does not fit.
std::optional<std::uint8_t> placeRow(MutableBytes page, ByteSpan row, std::uint16_t flags = 0);

// Gives slot `slot` the bytes `row` (any length) and exactly the flags `flags`, laying the page
// out anew. False (page unchanged) when the rows do not fit or a live slot is damaged.
bool replaceRow(MutableBytes page, std::uint8_t slot, ByteSpan row, std::uint16_t flags);

// Whether no slot of the page holds a live row.
bool allReclaimable(ByteSpan page);

// Sets flag bits (RowDeleted, RowOverflow) on a slot, keeping its offset.
void setFlags(MutableBytes page, std::uint8_t slot, std::uint16_t flags);

// Overwrites a slot's bytes with `row` (a row rewritten in place keeps its slot's length: the
// row encoder pads before the trailer). REQUIRES: row.size() == slot length.
void overwriteRow(MutableBytes page, const RowSlot &slot, ByteSpan row);

} // namespace Qb::Jet::DataPageWriter
