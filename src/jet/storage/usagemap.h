// SPDX-License-Identifier: GPL-3.0-or-later
// Reading usage maps: the page sets that say which pages a table, index or long-value column
// owns, which have free space, and (page 1) which pages of the file are free.
// Layout: docs/jet-format.md, "Usage maps".
#pragma once

#include "jet/format/bytes.h"
#include "jet/jeterror.h"
#include "jet/format/tabledef.h"

#include <cstdint>
#include <vector>

namespace Qb::Jet {

class PageCache;

inline constexpr std::uint8_t UsageMapInline = 0x00;
inline constexpr std::uint8_t UsageMapReference = 0x01;
// Pages one reference-map bitmap page covers: (4096 - 4) bytes of bits.
inline constexpr std::uint32_t PagesPerMapPage = (4096 - 4) * 8;

struct UsageMap
{
    std::uint8_t kind = UsageMapInline;
    std::vector<std::uint32_t> pages;    // set bits inside the file, ascending
    std::uint32_t pagesBeyondEnd = 0;    // set bits naming pages past the end of the file
    std::vector<std::uint32_t> bitmapPages; // reference maps: the bitmap pages (type 0x05) read
};

// Reads the map stored in the row `ref` points at. Bits for pages past the end of the file are
// counted, not listed, so the result's size is bounded by the file.
Result<UsageMap> readUsageMap(PageCache &pages, RowPointer ref);

} // namespace Qb::Jet
