// SPDX-License-Identifier: GPL-3.0-or-later
// Data page changes. Rows are packed downwards from the end of the page in slot order (every
// reader finds a row's end at the start of the slot before it); the free-space field is the gap
// between the slot table and the lowest row. Deleting a row does not return its bytes (as Jet
// itself does); a later row that needs them has the page laid out anew, deleted slots keeping
// their number with no bytes.
#include "jet/format/datapagewriter.h"

#include "jet/storage/pagesource.h"

#include <algorithm>
#include <array>

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

std::uint16_t rawSlot(ByteSpan page, std::size_t slot) { return u16(page, DataPageHeaderSize + 2 * slot); }

// Bytes of the live rows and whether a deleted slot can be taken again.
struct Usage
{
    std::size_t liveBytes = 0;
    std::optional<std::uint8_t> deletedSlot;
};

Usage usage(ByteSpan page)
{
    Usage u;
    const std::uint16_t n = rowSlotCount(page);
    std::size_t end = PageSize;
    for (std::uint16_t i = 0; i < n; ++i) {
        const std::uint16_t raw = rawSlot(page, i);
        const std::size_t start = raw & RowOffsetMask;
        if (reclaimable(raw)) {
            if (!u.deletedSlot)
                u.deletedSlot = std::uint8_t(i);
        } else {
            u.liveBytes += end >= start ? end - start : PageSize; // a damaged slot never fits
        }
        end = start;
    }
    return u;
}

// Lays the rows out from the end of the page in slot order: `target` gets `row` and `flags`,
// deleted slots keep their number and flags with no bytes, every other slot its bytes and flags.
bool rebuild(MutableBytes page, std::size_t target, ByteSpan row, std::uint16_t flags)
{
    const std::uint16_t n = rowSlotCount(page);
    const std::size_t slots = std::max<std::size_t>(n, target + 1);
    const std::size_t tableEnd = DataPageHeaderSize + 2 * slots;
    if (slots > MaxRowsPerPage || tableEnd > PageSize)
        return false;
    std::array<std::uint8_t, PageSize> out{};
    std::copy(page.begin(), page.begin() + DataPageHeaderSize, out.begin());
    std::size_t cur = PageSize, oldEnd = PageSize;
    for (std::size_t i = 0; i < slots; ++i) {
        ByteSpan bytes;
        std::uint16_t f = flags;
        if (i < n) {
            const std::uint16_t raw = rawSlot(page, i);
            const std::size_t start = raw & RowOffsetMask;
            if (i != target) {
                f = raw & ~RowOffsetMask;
                if (!reclaimable(raw)) {
                    if (start > oldEnd || start < DataPageHeaderSize + 2 * std::size_t(n))
                        return false;
                    bytes = ByteSpan(page).subspan(start, oldEnd - start);
                }
            }
            oldEnd = start;
        }
        if (i == target)
            bytes = row;
        if (bytes.size() > cur - tableEnd)
            return false;
        cur -= bytes.size();
        std::copy(bytes.begin(), bytes.end(), out.begin() + long(cur));
        put16(out, DataPageHeaderSize + 2 * i, std::uint16_t(cur | f));
    }
    put16(out, 12, std::uint16_t(slots));
    put16(out, 2, std::uint16_t(cur - tableEnd));
    std::copy(out.begin(), out.end(), page.begin());
    return true;
}

} // namespace

std::size_t compactedRoom(ByteSpan page)
{
    const std::uint16_t n = rowSlotCount(page);
    const Usage u = usage(page);
    if (!u.deletedSlot && n >= MaxRowsPerPage)
        return 0;
    const std::size_t used = DataPageHeaderSize + 2 * (std::size_t(n) + (u.deletedSlot ? 0 : 1)) + u.liveBytes;
    return used < PageSize ? PageSize - used : 0;
}

std::optional<std::uint8_t> placeRow(MutableBytes page, ByteSpan row, std::uint16_t flags)
{
    if (fits(page, row.size()))
        return appendRow(page, row, flags);
    const Usage u = usage(page);
    const std::size_t target = u.deletedSlot ? *u.deletedSlot : rowSlotCount(page);
    if (!rebuild(page, target, row, flags))
        return std::nullopt;
    return std::uint8_t(target);
}

bool replaceRow(MutableBytes page, std::uint8_t slot, ByteSpan row, std::uint16_t flags)
{
    return slot < rowSlotCount(page) && rebuild(page, slot, row, flags);
}

bool allReclaimable(ByteSpan page)
{
    const std::uint16_t n = rowSlotCount(page);
    for (std::uint16_t i = 0; i < n; ++i)
        if (!reclaimable(rawSlot(page, i)))
            return false;
    return true;
}

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
