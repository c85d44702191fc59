// SPDX-License-Identifier: GPL-3.0-or-later
// Pages with room. The held pages are kept as the map's search would find them: every change
// of the map's bits or of a held page's rows comes through here, and the page chosen is read
// again before it is answered, so a page changed behind the hints' back costs a read, not a row.
#include "jet/write/roomfinder.h"

#include "jet/format/datapage.h"
#include "jet/format/datapagewriter.h"
#include "jet/storage/pagealloc.h"

#include <algorithm>
#include <limits>

namespace Qb::Jet::RoomFinder {

namespace {

using OpenPages = TxWriter::OpenPages;
using OpenPage = TxWriter::OpenPage;
constexpr std::uint32_t Everything = std::numeric_limits<std::uint32_t>::max();

OpenPages &openOf(TxWriter &tx, const Space &space)
{
    OpenPages &open = tx.openPages(space.freeMap.page, space.freeMap.row);
    if (!open.known)
        open = OpenPages{true, 0, 0, {}};
    return open;
}

OpenPage *held(OpenPages &open, std::uint32_t page)
{
    const auto end = open.pages.begin() + open.count;
    const auto it = std::find_if(open.pages.begin(), end, [&](const OpenPage &p) { return p.page == page; });
    return it == end ? nullptr : &*it;
}

void letGo(OpenPages &open, std::uint32_t page)
{
    if (OpenPage *p = held(open, page)) {
        std::copy(p + 1, open.pages.begin() + open.count, p);
        --open.count;
    }
}

OpenPage entry(std::uint32_t page, std::size_t room)
{
    return OpenPage{page, std::uint16_t(std::min<std::size_t>(room, PageSize))};
}

// A page newly in the map comes in when it is below where the search stopped; the highest held
// page makes way when all places are taken, and the search goes on from it next time.
void takeIn(OpenPages &open, std::uint32_t page, std::size_t room)
{
    if (OpenPage *p = held(open, page)) {
        *p = entry(page, room);
        return;
    }
    if (page >= open.scanned)
        return;
    const auto end = open.pages.begin() + open.count;
    const auto at = std::lower_bound(open.pages.begin(), end, page,
                                     [](const OpenPage &p, std::uint32_t n) { return p.page < n; });
    if (open.count == OpenPages::Capacity) {
        if (at == end) {
            open.scanned = page;
            return;
        }
        open.scanned = open.pages[open.count - 1].page;
        --open.count;
    }
    std::copy_backward(at, open.pages.begin() + open.count, open.pages.begin() + open.count + 1);
    *at = entry(page, room);
    ++open.count;
}

// The page's room for a row, or nullopt when it is not a data page of the space's owner.
Result<std::optional<std::size_t>> roomOf(TxWriter &tx, const Space &space, std::uint32_t page)
{
    auto bytes = tx.read(page);
    if (!bytes)
        return std::unexpected(bytes.error());
    if ((*bytes)[0] != PageTypeData || dataPageOwner(*bytes) != space.owner)
        return std::nullopt;
    return DataPageWriter::compactedRoom(*bytes);
}

Result<std::optional<std::size_t>> mappedRoom(TxWriter &tx, const Space &space, std::uint32_t page)
{
    if (space.ownedMap) {
        auto owned = PageAlloc::inMap(tx, *space.ownedMap, page);
        if (!owned)
            return std::unexpected(owned.error());
        if (!*owned)
            return std::nullopt;
    }
    return roomOf(tx, space, page);
}

Result<void> leaveMap(TxWriter &tx, const Space &space, OpenPages &open, std::uint32_t page)
{
    letGo(open, page);
    return PageAlloc::setInMap(tx, space.freeMap, page, false);
}

// Searches the map on from where it stopped until every place is taken. Pages that cannot take
// the smallest row leave the map; a table's map may name pages the table does not own, which
// are passed over as they are.
Result<void> fill(TxWriter &tx, const Space &space, OpenPages &open)
{
    while (open.count < OpenPages::Capacity && open.scanned != Everything) {
        auto next = PageAlloc::firstInMap(tx, space.freeMap, open.scanned);
        if (!next)
            return std::unexpected(next.error());
        if (!*next) {
            open.scanned = Everything;
            break;
        }
        const std::uint32_t page = **next;
        open.scanned = page + 1;
        auto room = mappedRoom(tx, space, page);
        if (!room)
            return std::unexpected(room.error());
        if (*room && **room >= space.smallestRow)
            open.pages[open.count++] = entry(page, **room);
        else if (*room || !space.ownedMap)
            if (auto r = PageAlloc::setInMap(tx, space.freeMap, page, false); !r)
                return r;
    }
    return {};
}

// The held page with the least room that takes `length`, as its bytes say.
Result<std::optional<std::uint32_t>> bestHeld(TxWriter &tx, const Space &space, OpenPages &open, std::size_t length)
{
    for (;;) {
        OpenPage *best = nullptr;
        for (std::size_t i = 0; i < open.count; ++i)
            if (open.pages[i].room >= length && (!best || open.pages[i].room < best->room))
                best = &open.pages[i];
        if (!best)
            return std::nullopt;
        const std::uint32_t page = best->page;
        auto room = roomOf(tx, space, page);
        if (!room)
            return std::unexpected(room.error());
        if (*room && **room >= length)
            return page;
        if (*room)
            best->room = entry(page, **room).room; // below `length`: not chosen again
        else
            letGo(open, page);
    }
}

} // namespace

Result<std::optional<std::uint32_t>> find(TxWriter &tx, const Space &space, std::size_t length)
{
    OpenPages &open = openOf(tx, space);
    for (int tries = 0;; ++tries) {
        if (auto f = fill(tx, space, open); !f)
            return std::unexpected(f.error());
        auto best = bestHeld(tx, space, open, length);
        if (!best || *best || open.count < OpenPages::Capacity || tries == MaxTries)
            return best;
        const auto least = std::min_element(open.pages.begin(), open.pages.begin() + open.count,
                                            [](const OpenPage &a, const OpenPage &b) { return a.room < b.room; });
        if (auto r = leaveMap(tx, space, open, least->page); !r)
            return std::unexpected(r.error());
    }
}

Result<void> added(TxWriter &tx, const Space &space, std::uint32_t page)
{
    if (auto r = PageAlloc::setInMap(tx, space.freeMap, page, true); !r)
        return r;
    auto room = roomOf(tx, space, page);
    if (!room)
        return std::unexpected(room.error());
    if (*room)
        takeIn(openOf(tx, space), page, **room);
    return {};
}

Result<void> placed(TxWriter &tx, const Space &space, std::uint32_t page)
{
    auto room = roomOf(tx, space, page);
    if (!room)
        return std::unexpected(room.error());
    OpenPages &open = openOf(tx, space);
    if (!*room || **room < space.smallestRow)
        return leaveMap(tx, space, open, page);
    if (OpenPage *p = held(open, page))
        *p = entry(page, **room);
    return {};
}

Result<void> freed(TxWriter &tx, const Space &space, std::uint32_t page)
{
    return added(tx, space, page);
}

void dropped(TxWriter &tx, const Space &space, std::uint32_t page)
{
    letGo(openOf(tx, space), page);
}

void forget(TxWriter &tx, const Space &space)
{
    tx.openPages(space.freeMap.page, space.freeMap.row) = {};
}

} // namespace Qb::Jet::RoomFinder
