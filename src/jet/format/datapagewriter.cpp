// Data page changes. Rows are packed downwards from the end of the page in slot order; the
// free-space field is the gap between the slot table and the lowest row, and deleting a row
// does not return its bytes (as Jet itself does).
#include "jet/format/datapagewriter.h"

#include "jet/storage/pagesource.h"

#include <algorithm>

namespace Qb::Jet::DataPageWriter {

namespace {

std::uint16_t lowestStart(ByteSpan page)
{
    const std::uint16_t n = rowSlotCount(page);
    std::uint16_t low = PageSize;
    for (std::uint16_t i = 0; i < n; ++i)
        low = std::min<std::uint16_t>(low, u16(page, DataPageHeaderSize + 2 * i) & RowOffsetMask);
    return low;
}

} // namespace

void init(MutableBytes page, std::uint32_t owner)
{
    std::fill(page.begin(), page.end(), 0);
    page[0] = PageTypeData;
    page[1] = 0x01;
    put16(page, 2, InitialFreeSpace);
    put32(page, 4, owner);
}

std::uint16_t freeSpace(ByteSpan page)
{
    return u16(page, 2);
}

bool fits(ByteSpan page, std::size_t length)
{
    const std::uint16_t n = rowSlotCount(page);
    if (n >= MaxRowsPerPage)
        return false;
    const std::size_t low = lowestStart(page);
    const std::size_t table = DataPageHeaderSize + 2 * std::size_t(n);
    return low >= table && length + 2 <= low - table; // a damaged slot table never fits
}

std::optional<std::uint8_t> appendRow(MutableBytes page, ByteSpan row, std::uint16_t flags)
{
    if (!fits(page, row.size()))
        return std::nullopt;
    const std::uint16_t n = rowSlotCount(page);
    const std::uint16_t start = std::uint16_t(lowestStart(page) - row.size());
    std::copy(row.begin(), row.end(), page.begin() + start);
    put16(page, DataPageHeaderSize + 2 * n, std::uint16_t(start | flags));
    put16(page, 12, std::uint16_t(n + 1));
    put16(page, 2, std::uint16_t(start - (DataPageHeaderSize + 2 * (n + 1))));
    return std::uint8_t(n);
}

void setFlags(MutableBytes page, std::uint8_t slot, std::uint16_t flags)
{
    const std::size_t at = DataPageHeaderSize + 2 * slot;
    put16(page, at, std::uint16_t(u16(page, at) | flags));
}

void overwriteRow(MutableBytes page, const RowSlot &slot, ByteSpan row)
{
    std::copy(row.begin(), row.end(), page.begin() + slot.start);
}

} // namespace Qb::Jet::DataPageWriter
