// SPDX-License-Identifier: GPL-3.0-or-later
// Long values. Chains are written last chunk first, so each row can carry the pointer to the
// one after it. Which page takes a row is RoomFinder's choice.
#include "jet/write/longvaluewriter.h"

#include "jet/format/datapage.h"
#include "jet/format/datapagewriter.h"
#include "jet/format/longvalue.h"
#include "jet/storage/pagealloc.h"
#include "jet/write/roomfinder.h"

#include <algorithm>

namespace Qb::Jet::LongValueWriter {

namespace {

constexpr std::size_t ChunkBytes = MaxSingleRow - 4;
constexpr int MaxChainRows = 1 << 20;

struct Placed
{
    std::uint32_t page;
    std::uint8_t row;
};

const LongValueMaps *mapsOf(const TableDef &t, const ColumnDef &c)
{
    for (const LongValueMaps &m : t.longValueMaps)
        if (m.columnNumber == c.number)
            return &m;
    return nullptr;
}

// No LVAL row is shorter: a value of MaxInline bytes or fewer stays in its row.
constexpr std::size_t SmallestRow = MaxInline + 1;

RoomFinder::Space spaceOf(const LongValueMaps &maps)
{
    return RoomFinder::Space{maps.free, LongValueOwner, std::nullopt, SmallestRow};
}

// A page of the column that takes `length` more bytes (RoomFinder::find), else a new page
// recorded in both maps. `fresh` asks for an empty page.
Result<std::uint32_t> pageWithRoom(TxWriter &tx, const LongValueMaps *maps, std::size_t length, bool fresh)
{
    if (maps && !fresh) {
        auto found = RoomFinder::find(tx, spaceOf(*maps), length);
        if (!found)
            return std::unexpected(found.error());
        if (*found)
            return **found;
    }
    auto page = PageAlloc::allocate(tx);
    if (!page)
        return page;
    DataPageWriter::init(*tx.write(*page), LongValueOwner);
    if (maps) {
        if (auto r = PageAlloc::setInMap(tx, maps->owned, *page, true); !r)
            return std::unexpected(r.error());
        if (auto r = RoomFinder::added(tx, spaceOf(*maps), *page); !r)
            return std::unexpected(r.error());
    }
    return page;
}

Result<Placed> placeRow(TxWriter &tx, const LongValueMaps *maps, ByteSpan row, bool fresh = false)
{
    auto page = pageWithRoom(tx, maps, row.size(), fresh);
    if (!page)
        return std::unexpected(page.error());
    auto bytes = tx.write(*page);
    if (!bytes)
        return std::unexpected(bytes.error());
    auto slot = DataPageWriter::placeRow(*bytes, row);
    if (!slot)
        return fail(ErrorCode::Corrupt, "long-value page " + std::to_string(*page) + " has no room after all");
    if (maps)
        if (auto r = RoomFinder::placed(tx, spaceOf(*maps), *page); !r)
            return std::unexpected(r.error());
    return Placed{*page, *slot};
}

std::vector<std::uint8_t> header(std::uint32_t lengthAndKind, std::optional<Placed> at)
{
    std::vector<std::uint8_t> h(12, 0);
    put32(h, 0, lengthAndKind);
    if (at) {
        h[4] = at->row;
        put24(h, 5, at->page);
    }
    return h;
}

} // namespace

Result<std::vector<std::uint8_t>> store(TxWriter &tx, const TableDef &table, const ColumnDef &column, ByteSpan value)
{
    if (value.size() > LongValueLengthMask)
        return fail(ErrorCode::TooLong, "a value of " + std::to_string(value.size()) + " bytes is too long for column "
                                            + column.name);
    const auto length = std::uint32_t(value.size());
    if (value.size() <= MaxInline) {
        auto field = header(length | LongValueInline, std::nullopt);
        field.insert(field.end(), value.begin(), value.end());
        return field;
    }
    const LongValueMaps *maps = mapsOf(table, column);
    if (value.size() <= MaxSingleRow) {
        auto placed = placeRow(tx, maps, value);
        if (!placed)
            return std::unexpected(placed.error());
        return header(length | LongValueSingleRow, *placed);
    }
    std::optional<Placed> next;
    const std::size_t chunks = (value.size() + ChunkBytes - 1) / ChunkBytes;
    for (std::size_t i = chunks; i-- > 0;) {
        const auto chunk = value.subspan(i * ChunkBytes, std::min(ChunkBytes, value.size() - i * ChunkBytes));
        std::vector<std::uint8_t> row(4, 0);
        if (next) {
            row[0] = next->row;
            put24(row, 1, next->page);
        }
        row.insert(row.end(), chunk.begin(), chunk.end());
        // Every chain row is the first slot of its page: some readers (mdb-reader 3.2) take a
        // chained row's end from the slot before it without dropping that slot's flag bits, and
        // lose the row's data once that slot is deleted.
        auto placed = placeRow(tx, maps, row, true);
        if (!placed)
            return std::unexpected(placed.error());
        next = *placed;
    }
    return header(length, next);
}

Result<std::optional<std::vector<std::uint8_t>>> storeOver(TxWriter &tx, const TableDef &table,
                                                           const ColumnDef &column, ByteSpan oldField, ByteSpan value)
{
    using Field = std::optional<std::vector<std::uint8_t>>;
    if (oldField.size() < LongValueHeaderSize || value.size() <= MaxInline || value.size() > MaxSingleRow)
        return Field();
    const std::uint32_t kind = u32(oldField, 0) & ~LongValueLengthMask;
    if (kind != LongValueSingleRow)
        return Field();
    const Placed at{u24(oldField, 5), oldField[4]};
    auto bytes = tx.read(at.page);
    if (!bytes)
        return std::unexpected(bytes.error());
    if ((*bytes)[0] != PageTypeData || dataPageOwner(*bytes) != LongValueOwner)
        return Field();
    if (auto slot = rowSlot(*bytes, at.page, at.row); !slot || slot->deleted())
        return Field(); // a damaged value is left to release(), which reports it
    auto page = tx.write(at.page);
    if (!page)
        return std::unexpected(page.error());
    if (!DataPageWriter::replaceRow(*page, at.row, value, 0))
        return Field();
    if (const LongValueMaps *maps = mapsOf(table, column))
        if (auto r = RoomFinder::placed(tx, spaceOf(*maps), at.page); !r)
            return std::unexpected(r.error());
    return Field(header(std::uint32_t(value.size()) | LongValueSingleRow, at));
}

namespace {

// After a row of `page` was deleted: a page with live rows left goes back into the column's
// free-space map; one without any leaves both maps and returns to the file's free pages.
Result<void> rowFreed(TxWriter &tx, const LongValueMaps *maps, std::uint32_t page)
{
    if (!maps)
        return {}; // pages outside any map are left as they are
    auto bytes = tx.read(page);
    if (!bytes)
        return std::unexpected(bytes.error());
    if (!DataPageWriter::allReclaimable(*bytes))
        return RoomFinder::freed(tx, spaceOf(*maps), page);
    RoomFinder::dropped(tx, spaceOf(*maps), page);
    if (auto r = PageAlloc::setInMap(tx, maps->owned, page, false); !r)
        return r;
    if (auto r = PageAlloc::setInMap(tx, maps->free, page, false); !r)
        return r;
    return PageAlloc::release(tx, page);
}

} // namespace

Result<void> release(TxWriter &tx, const TableDef &table, const ColumnDef &column, ByteSpan field)
{
    if (field.size() < LongValueHeaderSize || (u32(field, 0) & LongValueInline))
        return {};
    const LongValueMaps *maps = mapsOf(table, column);
    const bool single = u32(field, 0) & LongValueSingleRow;
    Placed at{u24(field, 5), field[4]};
    for (int hops = 0; hops < MaxChainRows; ++hops) {
        auto page = tx.write(at.page);
        if (!page)
            return std::unexpected(page.error());
        auto slot = rowSlot(*page, at.page, at.row);
        if (!slot)
            return std::unexpected(slot.error());
        DataPageWriter::setFlags(*page, at.row, RowDeleted | RowOverflow);
        const bool last = single || slot->end - slot->start < 4;
        const Placed next{u24(*page, slot->start + 1), (*page)[slot->start]};
        if (auto r = rowFreed(tx, maps, at.page); !r)
            return r;
        if (last || next.page == 0)
            return {};
        at = next;
    }
    return fail(ErrorCode::Corrupt, "long-value chain loops");
}

} // namespace Qb::Jet::LongValueWriter
