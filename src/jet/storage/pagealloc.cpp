// SPDX-License-Identifier: GPL-3.0-or-later
// Usage maps are rows on data pages: inline (type 0: start page + bitmap) or reference (type 1:
// pointers to bitmap pages of type 0x05, each covering 32,736 pages).
#include "jet/storage/pagealloc.h"

#include "jet/format/datapage.h"
#include "jet/format/datapagewriter.h"
#include "jet/storage/usagemap.h"

#include <algorithm>
#include <optional>

namespace Qb::Jet::PageAlloc {

namespace {

constexpr std::uint32_t GlobalMapPage = 1;
constexpr std::size_t MapPageHeader = 4;

struct MapRow
{
    MutableBytes page; // the data page holding the row
    RowSlot slot;
    MutableBytes bytes() const { return page.subspan(slot.start, slot.end - slot.start); }
};

Result<MapRow> mapRow(TxWriter &tx, RowPointer ref)
{
    auto page = tx.write(ref.page);
    if (!page)
        return std::unexpected(page.error());
    auto slot = rowSlot(*page, ref.page, ref.row);
    if (!slot)
        return std::unexpected(slot.error());
    if (slot->end - slot->start < 5)
        return fail(ErrorCode::Corrupt, "usage map on page " + std::to_string(ref.page) + " row "
                                            + std::to_string(ref.row) + " is too short");
    return MapRow{*page, *slot};
}

void setBit(MutableBytes bits, std::size_t index, bool value)
{
    const auto mask = std::uint8_t(1u << (index % 8));
    bits[index / 8] = value ? std::uint8_t(bits[index / 8] | mask) : std::uint8_t(bits[index / 8] & ~mask);
}

bool bit(ByteSpan bits, std::size_t index) { return bits[index / 8] & (1u << (index % 8)); }

Result<std::uint32_t> appendPage(TxWriter &tx)
{
    if (tx.pageCount() >= MaxPages)
        return fail(ErrorCode::Full, "the database has reached 2 GB (" + std::to_string(MaxPages)
                                         + " pages), the most the file format holds");
    return tx.append();
}

// A new bitmap page (type 0x05), `fill` in every bit. The global map's own bitmap pages are
// appended directly (marking them goes through the map being extended, so it happens after
// the map knows the page); every other map's pages are allocated normally.
Result<std::uint32_t> newBitmapPage(TxWriter &tx, bool fill, bool forGlobalMap)
{
    auto page = forGlobalMap ? appendPage(tx) : allocate(tx);
    if (!page)
        return page;
    auto bytes = tx.write(*page);
    (*bytes)[0] = PageTypeUsageMap;
    (*bytes)[1] = 0x01;
    std::fill(bytes->begin() + MapPageHeader, bytes->end(), fill ? 0xFF : 0x00);
    return page;
}

// Sets a bit in a reference map whose row `row` holds (as mapRow() just found it), creating
// the bitmap page that covers `page` when missing.
Result<void> setInReference(TxWriter &tx, RowPointer ref, const MapRow &row, std::uint32_t page, bool value,
                            bool emptyIsSet);

Result<void> setInReference(TxWriter &tx, RowPointer ref, std::uint32_t page, bool value, bool emptyIsSet)
{
    auto row = mapRow(tx, ref);
    if (!row)
        return std::unexpected(row.error());
    return setInReference(tx, ref, *row, page, value, emptyIsSet);
}

Result<void> setInReference(TxWriter &tx, RowPointer ref, const MapRow &row, std::uint32_t page, bool value,
                            bool emptyIsSet)
{
    const std::size_t entry = page / PagesPerMapPage;
    if (1 + 4 * entry + 4 > row.bytes().size())
        return fail(ErrorCode::Unsupported, "the database has grown past what its usage map on page "
                                                + std::to_string(ref.page) + " can describe");
    std::uint32_t mapPage = u32(row.bytes(), 1 + 4 * entry);
    if (mapPage == 0) {
        if (value == emptyIsSet)
            return {};
        const bool global = emptyIsSet;
        auto created = newBitmapPage(tx, emptyIsSet, global);
        if (!created)
            return std::unexpected(created.error());
        mapPage = *created;
        auto again = mapRow(tx, ref); // allocation may have changed the same page
        put32(again->bytes(), 1 + 4 * entry, mapPage);
        if (global) // the new bitmap page is in use as well
            if (auto r = setInReference(tx, ref, mapPage, false, true); !r)
                return r;
    }
    auto bits = tx.write(mapPage);
    if (!bits)
        return std::unexpected(bits.error());
    setBit(bits->subspan(MapPageHeader), page % PagesPerMapPage, value);
    return {};
}

// Converts an inline owner map to a reference map keeping its bits; bitmap pages are added for
// the ranges that hold set bits.
Result<void> promote(TxWriter &tx, RowPointer ref)
{
    auto row = mapRow(tx, ref);
    if (!row)
        return std::unexpected(row.error());
    const std::uint32_t start = u32(row->bytes(), 1);
    const std::vector<std::uint8_t> old(row->bytes().begin() + 5, row->bytes().end());
    std::fill(row->bytes().begin(), row->bytes().end(), 0);
    row->bytes()[0] = UsageMapReference;
    for (std::size_t i = 0; i < old.size() * 8; ++i)
        if (bit(old, i))
            if (auto r = setInReference(tx, ref, std::uint32_t(start + i), true, false); !r)
                return r;
    return {};
}

// Replaces the global inline map by a reference map of 17 entries, enough for 2 GB (the row is
// as long as an inline table map). Every range the file reaches gets its bitmap page now; pages
// the inline map did not reach count as used, so nothing in use can be handed out again.
Result<void> globalToReference(TxWriter &tx, std::vector<std::uint8_t> row0, const std::vector<std::uint8_t> &row1)
{
    constexpr std::size_t Entries = (MaxPages + PagesPerMapPage - 1) / PagesPerMapPage;
    const std::uint32_t start = u32(row0, 1);
    const std::vector<std::uint8_t> bits(row0.begin() + 5, row0.end());
    const std::uint32_t count = tx.pageCount();
    const auto wasFree = [&](std::uint32_t page) {
        return page >= start && page - start < bits.size() * 8 && bit(bits, page - start);
    };
    std::vector<std::uint32_t> bitmaps;
    while (std::uint64_t(bitmaps.size()) * PagesPerMapPage < tx.pageCount()) {
        auto page = newBitmapPage(tx, true, true);
        if (!page)
            return std::unexpected(page.error());
        bitmaps.push_back(*page);
    }
    for (std::uint32_t page = 0; page < tx.pageCount(); ++page) {
        auto bitmap = tx.write(bitmaps[page / PagesPerMapPage]);
        setBit(bitmap->subspan(MapPageHeader), page % PagesPerMapPage, page < count && wasFree(page));
    }
    row0.assign(1 + 4 * Entries, 0);
    row0[0] = UsageMapReference;
    for (std::size_t i = 0; i < bitmaps.size(); ++i)
        put32(row0, 1 + 4 * i, bitmaps[i]);
    auto p = tx.write(GlobalMapPage);
    DataPageWriter::init(*p, GlobalMapPage);
    DataPageWriter::appendRow(*p, row0);
    DataPageWriter::appendRow(*p, row1);
    return {};
}

// Grows the global inline map (row 0 of page 1) so that it reaches `page`: the page is rebuilt
// with a longer row 0; bits of pages already in the file are "used", the rest "free". When page
// 1 cannot hold the longer row, the map becomes a reference map.
Result<void> growGlobal(TxWriter &tx, std::uint32_t page)
{
    auto p = tx.write(GlobalMapPage);
    if (!p)
        return std::unexpected(p.error());
    auto slot0 = rowSlot(*p, GlobalMapPage, 0);
    auto slot1 = rowSlot(*p, GlobalMapPage, 1);
    if (!slot0 || !slot1 || slot0->end - slot0->start < 5)
        return fail(ErrorCode::Unsupported, "the global usage map on page 1 has a layout this engine does not grow");
    std::vector<std::uint8_t> row0(p->begin() + slot0->start, p->begin() + slot0->end);
    const std::vector<std::uint8_t> row1(p->begin() + slot1->start, p->begin() + slot1->end);
    const std::size_t oldBits = (row0.size() - 5) * 8;
    const std::size_t newBytes = ((page / 8 + 1 + 63) / 64) * 64 + 64;
    if (u32(row0, 1) != 0 || 5 + newBytes + row1.size() + 4 > DataPageWriter::InitialFreeSpace)
        return globalToReference(tx, std::move(row0), row1);
    row0.resize(5 + newBytes, 0xFF);
    for (std::size_t i = oldBits; i < tx.pageCount(); ++i)
        setBit(MutableBytes(row0).subspan(5), i, false);
    DataPageWriter::init(*p, GlobalMapPage);
    DataPageWriter::appendRow(*p, row0);
    DataPageWriter::appendRow(*p, row1);
    return {};
}

// The lowest page inside the file that the global map marks free and that was released (its
// first four bytes are zero); pages marked free that still look in use are left alone.
Result<std::optional<std::uint32_t>> releasedPage(TxWriter &tx)
{
    auto row = mapRow(tx, RowPointer{GlobalMapPage, 0});
    if (!row)
        return std::unexpected(row.error());
    const ByteSpan b = row->bytes(); // only other pages are read while it is used
    const std::uint32_t count = tx.pageCount();
    const std::uint32_t floor = tx.releasedFloor();
    const auto pick = [&](ByteSpan bits, std::uint64_t first) -> Result<std::optional<std::uint32_t>> {
        Result<std::optional<std::uint32_t>> found = std::optional<std::uint32_t>();
        const std::uint64_t skip = floor > first ? (floor - first) / 8 : 0;
        const std::uint64_t inFile = std::min<std::uint64_t>(bits.size(), first < count ? (count - first + 7) / 8 : 0);
        if (skip >= inFile)
            return found;
        forEachSetBit(bits.subspan(std::size_t(skip), std::size_t(inFile - skip)), [&](std::uint64_t bit) {
            const std::uint64_t page = first + skip * 8 + bit;
            if (page <= GlobalMapPage || page >= count)
                return page < count;
            auto bytes = tx.read(std::uint32_t(page));
            if (!bytes)
                found = std::unexpected(bytes.error());
            else if (u32(*bytes, 0) == 0)
                found = std::optional(std::uint32_t(page));
            return bytes && u32(*bytes, 0) != 0;
        });
        return found;
    };
    if (b[0] != UsageMapReference)
        return pick(b.subspan(5), u32(b, 1));
    for (std::size_t e = floor / PagesPerMapPage; 1 + 4 * e + 4 <= b.size() && std::uint64_t(e) * PagesPerMapPage < count;
         ++e) {
        const std::uint32_t mapPage = u32(b, 1 + 4 * e);
        if (mapPage == 0 || mapPage >= count)
            continue;
        auto bits = tx.read(mapPage);
        if (!bits)
            return std::unexpected(bits.error());
        if ((*bits)[0] != PageTypeUsageMap)
            continue;
        auto found = pick(bits->subspan(MapPageHeader), std::uint64_t(e) * PagesPerMapPage);
        if (!found || *found)
            return found;
    }
    return std::optional<std::uint32_t>();
}

Result<void> setGlobal(TxWriter &tx, std::uint32_t page, bool freePage)
{
    if (freePage && page < tx.releasedFloor())
        tx.setReleasedFloor(page);
    const RowPointer ref{GlobalMapPage, 0};
    auto row = mapRow(tx, ref);
    if (!row)
        return std::unexpected(row.error());
    MutableBytes b = row->bytes();
    if (b[0] == UsageMapReference)
        return setInReference(tx, ref, *row, page, freePage, true);
    const std::uint32_t start = u32(b, 1);
    if (page >= start && page - start < (b.size() - 5) * 8) {
        setBit(b.subspan(5), page - start, freePage);
        return {};
    }
    if (freePage)
        return {}; // outside the map counts as free already
    if (auto g = growGlobal(tx, page); !g)
        return g;
    return setGlobal(tx, page, freePage);
}

} // namespace

Result<std::uint32_t> allocate(TxWriter &tx)
{
    auto released = releasedPage(tx);
    if (!released)
        return std::unexpected(released.error());
    tx.setReleasedFloor(released->value_or(tx.pageCount()));
    if (*released) {
        auto bytes = tx.write(**released);
        if (!bytes)
            return std::unexpected(bytes.error());
        std::fill(bytes->begin(), bytes->end(), 0);
    }
    auto page = *released ? Result<std::uint32_t>(**released) : appendPage(tx);
    if (!page)
        return page;
    if (auto g = setGlobal(tx, *page, false); !g)
        return std::unexpected(g.error());
    return page;
}

Result<void> release(TxWriter &tx, std::uint32_t page)
{
    auto bytes = tx.write(page);
    if (!bytes)
        return std::unexpected(bytes.error());
    std::fill(bytes->begin(), bytes->begin() + 4, 0);
    return setGlobal(tx, page, true);
}

Result<void> setInMap(TxWriter &tx, RowPointer ref, std::uint32_t page, bool present)
{
    auto row = mapRow(tx, ref);
    if (!row)
        return std::unexpected(row.error());
    MutableBytes b = row->bytes();
    if (b[0] == UsageMapReference)
        return setInReference(tx, ref, *row, page, present, false);
    const std::uint32_t start = u32(b, 1);
    if (page >= start && page - start < (b.size() - 5) * 8) {
        setBit(b.subspan(5), page - start, present);
        return {};
    }
    if (!present)
        return {};
    if (auto p = promote(tx, ref); !p)
        return p;
    return setInReference(tx, ref, page, true, false);
}

Result<void> clearMap(TxWriter &tx, RowPointer ref)
{
    auto row = mapRow(tx, ref);
    if (!row)
        return std::unexpected(row.error());
    const std::vector<std::uint8_t> b(row->bytes().begin(), row->bytes().end());
    if (b[0] == UsageMapReference) {
        for (std::size_t e = 0; 1 + 4 * e + 4 <= b.size(); ++e) {
            const std::uint32_t mapPage = u32(b, 1 + 4 * e);
            if (mapPage == 0 || mapPage >= tx.pageCount())
                continue;
            if (auto r = release(tx, mapPage); !r)
                return r;
        }
    }
    row = mapRow(tx, ref); // releasing may have changed the same page
    if (!row)
        return std::unexpected(row.error());
    std::fill(row->bytes().begin(), row->bytes().end(), 0);
    return {};
}

namespace {

// Visits the pages from `from` on whose bit is set in the owner map at `ref`, ascending and
// below the file's page count, while `visit` returns true. `visit` must not change the map.
template<typename Visit>
Result<void> forEachInMap(TxWriter &tx, RowPointer ref, std::uint32_t from, Visit &&visit)
{
    auto row = mapRow(tx, ref);
    if (!row)
        return std::unexpected(row.error());
    const ByteSpan b = row->bytes();
    const std::uint64_t count = tx.pageCount();
    // False once the visit stopped or the file's end was passed. Only the bytes of pages in the
    // file are read: a search past the last page with room must not walk the rest of the map.
    const auto scan = [&](ByteSpan bits, std::uint64_t first) {
        const std::uint64_t skip = from > first ? (from - first) / 8 : 0;
        if (skip >= bits.size())
            return true;
        const std::uint64_t inFile = first < count ? (count - first + 7) / 8 : 0;
        if (skip >= inFile)
            return false;
        const std::size_t length = std::size_t(std::min<std::uint64_t>(bits.size(), inFile) - skip);
        bool more = true;
        forEachSetBit(bits.subspan(std::size_t(skip), length), [&](std::uint64_t bit) {
            const std::uint64_t page = first + skip * 8 + bit;
            if (page >= count)
                return more = false;
            return page < from || (more = visit(std::uint32_t(page)));
        });
        return more;
    };
    if (b[0] != UsageMapReference) {
        scan(b.subspan(5), u32(b, 1));
        return {};
    }
    for (std::size_t e = from / PagesPerMapPage; 1 + 4 * e + 4 <= b.size() && std::uint64_t(e) * PagesPerMapPage < count;
         ++e) {
        const std::uint32_t mapPage = u32(b, 1 + 4 * e);
        if (mapPage == 0 || mapPage >= count)
            continue;
        auto bits = tx.read(mapPage);
        if (!bits)
            return std::unexpected(bits.error());
        if (!scan(bits->subspan(MapPageHeader), std::uint64_t(e) * PagesPerMapPage))
            break;
    }
    return {};
}

} // namespace

Result<std::vector<std::uint32_t>> mapPages(TxWriter &tx, RowPointer ref)
{
    std::vector<std::uint32_t> pages;
    if (auto r = forEachInMap(tx, ref, 0, [&](std::uint32_t page) {
            pages.push_back(page);
            return true;
        });
        !r)
        return std::unexpected(r.error());
    return pages;
}

Result<std::optional<std::uint32_t>> firstInMap(TxWriter &tx, RowPointer ref, std::uint32_t from)
{
    std::optional<std::uint32_t> found;
    if (auto r = forEachInMap(tx, ref, from, [&](std::uint32_t page) {
            found = page;
            return false;
        });
        !r)
        return std::unexpected(r.error());
    return found;
}

Result<bool> inMap(TxWriter &tx, RowPointer ref, std::uint32_t page)
{
    auto row = mapRow(tx, ref);
    if (!row)
        return std::unexpected(row.error());
    const ByteSpan b = row->bytes();
    if (page >= tx.pageCount())
        return false;
    if (b[0] != UsageMapReference) {
        const std::uint32_t start = u32(b, 1);
        return page >= start && page - start < (b.size() - 5) * 8 && bit(b.subspan(5), page - start);
    }
    const std::size_t entry = page / PagesPerMapPage;
    if (1 + 4 * entry + 4 > b.size())
        return false;
    const std::uint32_t mapPage = u32(b, 1 + 4 * entry);
    if (mapPage == 0 || mapPage >= tx.pageCount())
        return false;
    auto bits = tx.read(mapPage);
    if (!bits)
        return std::unexpected(bits.error());
    return bit(bits->subspan(MapPageHeader), page % PagesPerMapPage);
}

} // namespace Qb::Jet::PageAlloc
