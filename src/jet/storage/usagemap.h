// Reading usage maps: the page sets that say which pages a table, index or long-value column
// owns, which have free space, and (page 1) which pages of the file are free.
// Layout: docs/jet-format.md, "Usage maps".
#pragma once

#include "jet/format/bytes.h"
#include "jet/jeterror.h"
#include "jet/format/tabledef.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
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

// Calls visit(k) for every set bit k of a map's bitmap (bit k is bit k % 8 of byte k / 8),
// ascending, while visit returns true. Reads eight bytes at a time: maps are mostly zeros.
template<typename Visit>
void forEachSetBit(ByteSpan bits, Visit &&visit)
{
    for (std::size_t i = 0; i < bits.size(); i += 8) {
        std::uint64_t word = 0;
        if (i + 8 <= bits.size() && std::endian::native == std::endian::little) {
            std::memcpy(&word, bits.data() + i, 8);
        } else {
            for (std::size_t j = 0, n = std::min<std::size_t>(8, bits.size() - i); j < n; ++j)
                word |= std::uint64_t(bits[i + j]) << (8 * j);
        }
        for (; word != 0; word &= word - 1)
            if (!visit(std::uint64_t(i) * 8 + std::uint64_t(std::countr_zero(word))))
                return;
    }
}

// Reads the map stored in the row `ref` points at. Bits for pages past the end of the file are
// counted, not listed, so the result's size is bounded by the file.
Result<UsageMap> readUsageMap(PageCache &pages, RowPointer ref);

} // namespace Qb::Jet
