// Page allocation and usage-map changes for the writer: new pages appended at the end of the
// file and marked used in the global map (page 1, where a set bit means free), pages added to
// and removed from the maps of tables, indexes and long-value columns, freed pages returned.
// Layout: docs/jet-format.md, "Usage maps".
#pragma once

#include "jet/format/tabledef.h"
#include "jet/write/txwriter.h"

#include <vector>

namespace Qb::Jet::PageAlloc {

// Appends a page, marks it used in the global map and returns its number. The page is zeroed;
// the caller gives it its type.
Result<std::uint32_t> allocate(TxWriter &tx);

// Returns a page to the free pool: its first four bytes zeroed, its global bit set.
Result<void> release(TxWriter &tx, std::uint32_t page);

// Sets (`present`) or clears the bit of `page` in the owner map stored at `ref`. An inline map
// that cannot reach the page becomes a reference map (with a new bitmap page).
Result<void> setInMap(TxWriter &tx, RowPointer ref, std::uint32_t page, bool present);

// The pages whose bit is set in the owner map at `ref`, ascending, below the file's page count.
Result<std::vector<std::uint32_t>> mapPages(TxWriter &tx, RowPointer ref);

// Whether the page's bit is set in the owner map at `ref`.
Result<bool> inMap(TxWriter &tx, RowPointer ref, std::uint32_t page);

} // namespace Qb::Jet::PageAlloc
