// SPDX-License-Identifier: GPL-3.0-or-later
// Finding a page with room for a row among the pages of a free-space map: a table's data pages
// or a long-value column's pages. A page keeps its bit while it has room for the smallest row its
// owner places, so one row that did not fit does not abandon it. A row goes onto the page with
// the least room that takes it among the map's lowest few (OpenPages::Capacity) such pages; when
// none does, the one with the least room leaves the map and the next one comes in, a few times
// (MaxTries) before a new page is added. Which page that is follows from the file alone, so a
// statement lays rows out alike as its own transaction or inside a longer one; the transaction
// only keeps those pages and their room (TxWriter::OpenPages) instead of reading them again.
#pragma once

#include "jet/format/tabledef.h"
#include "jet/write/txwriter.h"

#include <optional>

namespace Qb::Jet::RoomFinder {

// A free-space map and the pages it names.
struct Space
{
    RowPointer freeMap;
    std::uint32_t owner = 0;            // the owner field of its pages (a TDEF page, LongValueOwner)
    std::optional<RowPointer> ownedMap; // when set, a page of the map counts only when also in this one
    std::size_t smallestRow = 1;        // bytes: no row its owner places is shorter
};

// The most pages one search takes out of the map before it gives up.
inline constexpr int MaxTries = 8;

// A page of the space that takes a row of `length` bytes once the bytes of deleted rows are given
// back; nullopt when none does: the caller adds a page and tells added().
Result<std::optional<std::uint32_t>> find(TxWriter &tx, const Space &space, std::size_t length);

// `page`, a new page of the space, was set in its free-space map.
Result<void> added(TxWriter &tx, const Space &space, std::uint32_t page);

// After a row went onto `page` or one of its rows grew: the page keeps its bit while it has room
// for the smallest row, else it leaves the map.
Result<void> placed(TxWriter &tx, const Space &space, std::uint32_t page);

// After a row of `page` was deleted and live rows are left: the page returns to the map.
Result<void> freed(TxWriter &tx, const Space &space, std::uint32_t page);

// `page` left the space (its bit cleared, the page returned to the file's free pages).
void dropped(TxWriter &tx, const Space &space, std::uint32_t page);

// The map was emptied: what the transaction learnt of it no longer holds.
void forget(TxWriter &tx, const Space &space);

} // namespace Qb::Jet::RoomFinder
