// SPDX-License-Identifier: GPL-3.0-or-later
// Usage-map decoding. Layout: docs/jet-format.md, "Usage maps".
#include "jet/storage/usagemap.h"

#include "jet/format/datapage.h"
#include "jet/storage/pagecache.h"

namespace Qb::Jet {

namespace {

void addBits(ByteSpan bitmap, std::uint64_t firstPage, std::uint32_t pageCount, UsageMap &map)
{
    forEachSetBit(bitmap, [&](std::uint64_t bit) {
        const std::uint64_t page = firstPage + bit;
        if (page < pageCount)
            map.pages.push_back(std::uint32_t(page));
        else
            ++map.pagesBeyondEnd;
        return true;
    });
}

Result<void> addReferencePages(PageCache &pages, ByteSpan row, std::uint32_t pageCount, UsageMap &map)
{
    for (std::size_t i = 0; 1 + 4 * i + 4 <= row.size(); ++i) {
        const std::uint32_t mapPage = u32(row, 1 + 4 * i);
        if (mapPage == 0 || mapPage >= 0x80000000u)
            continue;
        auto p = pages.page(mapPage);
        if (!p)
            return std::unexpected(p.error());
        const ByteSpan bytes = bytesOf(*p);
        if (bytes[0] != PageTypeUsageMap)
            return fail(ErrorCode::Corrupt, "usage-map page " + std::to_string(mapPage) + " has the wrong page type");
        map.bitmapPages.push_back(mapPage);
        addBits(bytes.subspan(4), std::uint64_t(i) * PagesPerMapPage, pageCount, map);
    }
    return {};
}

} // namespace

Result<UsageMap> readUsageMap(PageCache &pages, RowPointer ref)
{
    auto count = pages.pageCount();
    if (!count)
        return std::unexpected(count.error());
    auto p = pages.page(ref.page);
    if (!p)
        return std::unexpected(p.error());
    const ByteSpan bytes = bytesOf(*p);
    auto slot = rowSlot(bytes, ref.page, ref.row);
    if (!slot)
        return std::unexpected(slot.error());
    const ByteSpan row = bytes.subspan(slot->start, slot->end - slot->start);
    const std::string where = "usage map in row " + std::to_string(ref.row) + " of page " + std::to_string(ref.page);
    if (row.empty())
        return fail(ErrorCode::Corrupt, where + " is empty");
    UsageMap map;
    map.kind = row[0];
    if (map.kind == UsageMapInline) {
        if (row.size() < 5)
            return fail(ErrorCode::Corrupt, where + " is too short");
        addBits(row.subspan(5), u32(row, 1), *count, map);
        return map;
    }
    if (map.kind == UsageMapReference) {
        if (auto ok = addReferencePages(pages, row, *count, map); !ok)
            return std::unexpected(ok.error());
        return map;
    }
    return fail(ErrorCode::Corrupt, where + " has the unknown map type " + std::to_string(map.kind));
}

} // namespace Qb::Jet
