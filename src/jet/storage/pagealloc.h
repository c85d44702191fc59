// SPDX-License-Identifier: GPL-3.0-or-later
// Page allocation and usage-map changes for the writer: pages taken from the file's free pool or
// appended at its end and marked used in the global map (page 1, where a set bit means free),
// pages added to and removed from the maps of tables, indexes and long-value columns, freed
// pages returned. The global map turns into a reference map when page 1 cannot hold it inline,
// so a file grows to the format's limit of 2 GB.
// Layout: docs/jet-format.md, "Usage maps".
#pragma once

#include "jet/format/tabledef.h"
#include "jet/write/txwriter.h"

#include <optional>
#include <vector>

namespace Qb::Jet::PageAlloc {

// The most pages a file holds: 2 GB.
inline constexpr std::uint32_t MaxPages = 0x80000000u / 4096;

// Takes the lowest free page of the file (marked free in the global map and released: its first
// four bytes zero), else appends one; marks it used in the global map and returns its number.
// The page is zeroed; the caller gives it its type. Full when the file would pass MaxPages.
Result<std::uint32_t> allocate(TxWriter &tx);

// Returns a page to the free pool: its first four bytes zeroed, its global bit set.
Result<void> release(TxWriter &tx, std::uint32_t page);

// Sets (`present`) or clears the bit of `page` in the owner map stored at `ref`. An inline map
// that cannot reach the page becomes a reference map (with a new bitmap page).
Result<void> setInMap(TxWriter &tx, RowPointer ref, std::uint32_t page, bool present);

// Empties the owner map at `ref`: it becomes an inline map from page 0 with no bit set; the
// bitmap pages of a reference map return to the free pool. The pages it named are left as
// they are (the caller releases them).
Result<void> clearMap(TxWriter &tx, RowPointer ref);

// The pages whose bit is set in the owner map at `ref`, ascending, below the file's page count.
Result<std::vector<std::uint32_t>> mapPages(TxWriter &tx, RowPointer ref);

// The lowest page at or after `from` whose bit is set in the owner map at `ref` (below the
// file's page count); nullopt when there is none. Walking a map with it reads only as far as
// the caller goes (RoomFinder keeps where its search of a free-space map stopped).
Result<std::optional<std::uint32_t>> firstInMap(TxWriter &tx, RowPointer ref, std::uint32_t from);

// Whether the page's bit is set in the owner map at `ref`.
Result<bool> inMap(TxWriter &tx, RowPointer ref, std::uint32_t page);

} // namespace Qb::Jet::PageAlloc
