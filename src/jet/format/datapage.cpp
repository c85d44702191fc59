// SPDX-License-Identifier: GPL-3.0-or-later
// Row slot decoding. Layout: docs/jet-format.md, "Data pages".
#include "jet/format/datapage.h"

#include "jet/storage/pagesource.h"

namespace Qb::Jet {

std::uint16_t rowSlotCount(ByteSpan page)
{
    const std::uint16_t n = u16(page, 12);
    const std::size_t max = (PageSize - DataPageHeaderSize) / 2;
    return n > max ? std::uint16_t(max) : n;
}

Result<RowSlot> rowSlot(ByteSpan page, std::uint32_t pageNumber, std::uint16_t slot)
{
    // The location is spelled out only on failure: this runs for every row of every scan.
    const auto where = [&] { return "row " + std::to_string(slot) + " on page " + std::to_string(pageNumber); };
    if (page.size() != PageSize || page[0] != PageTypeData)
        return fail(ErrorCode::Corrupt, where() + ": the page is not a data page");
    const std::uint16_t count = u16(page, 12);
    if (slot >= count || DataPageHeaderSize + 2 * std::size_t(count) > PageSize)
        return fail(ErrorCode::Corrupt, where() + ": no such row slot");
    const std::uint16_t raw = u16(page, DataPageHeaderSize + 2 * slot);
    RowSlot r;
    r.flags = raw & ~RowOffsetMask;
    r.start = raw & RowOffsetMask;
    r.end = slot == 0 ? PageSize : (u16(page, DataPageHeaderSize + 2 * (slot - 1)) & RowOffsetMask);
    const std::size_t tableEnd = DataPageHeaderSize + 2 * std::size_t(count);
    if (r.start < tableEnd || r.end > PageSize || r.start > r.end)
        return fail(ErrorCode::Corrupt, where() + ": the row offsets " + std::to_string(r.start) + ".."
                                            + std::to_string(r.end) + " lie outside the page's row area");
    return r;
}

} // namespace Qb::Jet
