// SPDX-License-Identifier: GPL-3.0-or-later
// Row slots of a data page (type 0x01): table rows, long-value rows and usage-map rows.
// Layout: docs/jet-format.md, "Data pages".
#pragma once

#include "jet/format/bytes.h"
#include "jet/jeterror.h"

#include <cstdint>

namespace Qb::Jet {

inline constexpr std::uint8_t PageTypeData = 0x01;
inline constexpr std::uint8_t PageTypeTableDef = 0x02;
inline constexpr std::uint8_t PageTypeIndexNode = 0x03;
inline constexpr std::uint8_t PageTypeIndexLeaf = 0x04;
inline constexpr std::uint8_t PageTypeUsageMap = 0x05;

inline constexpr std::size_t DataPageHeaderSize = 14;
inline constexpr std::uint16_t RowDeleted = 0x8000;   // deleted, or the target of an overflow pointer
inline constexpr std::uint16_t RowOverflow = 0x4000;  // the row is a 4-byte pointer to the real row
inline constexpr std::uint16_t RowOffsetMask = 0x1FFF;

struct RowSlot
{
    std::uint16_t start = 0;
    std::uint16_t end = 0; // one past the last byte
    std::uint16_t flags = 0;
    bool deleted() const { return flags & RowDeleted; }
    bool overflow() const { return flags & RowOverflow; }
};

// Number of row slots on a data page (bounded by the page's size).
std::uint16_t rowSlotCount(ByteSpan page);

// Owner of a data page: the TDEF page number, or 'LVAL' on long-value pages.
inline std::uint32_t dataPageOwner(ByteSpan page) { return u32(page, 4); }
inline constexpr std::uint32_t LongValueOwner = 0x4C41564C; // "LVAL"

// The bounds of slot `slot` of data page `pageNumber`. Corrupt when the slot does not exist,
// the page is not a data page, or the offsets leave the page or run backwards.
Result<RowSlot> rowSlot(ByteSpan page, std::uint32_t pageNumber, std::uint16_t slot);

// A row pointer stored in 4 bytes: row number, then a 3-byte page number.
struct StoredRowPointer
{
    std::uint32_t page = 0;
    std::uint8_t row = 0;
};
inline StoredRowPointer storedRowPointer(ByteSpan b, std::size_t at) { return {u24(b, at + 1), b[at]}; }

} // namespace Qb::Jet
