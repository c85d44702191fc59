// SPDX-License-Identifier: GPL-3.0-or-later
// Walking the live rows of one table in scan order: its owned data pages ascending, the row
// slots of each page in order. Deleted slots and overflow targets are skipped; overflow pointers
// are followed to the row they name. Layout: docs/jet-format.md, "Data pages".
#pragma once

#include "jet/format/datapage.h"
#include "jet/storage/pagecache.h"
#include "jet/format/tabledef.h"

#include <compare>
#include <memory>
#include <optional>
#include <vector>

namespace Qb::Jet {

// Where a row lives: the slot a table scan finds (for an overflow row, the pointer's slot).
// Locations order as a table scan meets them: data pages ascending, then slots.
struct RowLocation
{
    std::uint32_t page = 0;
    std::uint16_t slot = 0;
    auto operator<=>(const RowLocation &) const = default;
};

// The data pages a table owns according to its owned-pages usage map, ascending.
Result<std::vector<std::uint32_t>> tableDataPages(PageCache &pages, const TableDef &table);

// Follows an overflow pointer row (4 bytes: row, 3-byte page) to the bytes of the row it names,
// kept alive by `holder`; `targetPage`, when given, receives that row's page number. Pointers to
// pointers are followed a few hops; a loop is Corrupt.
Result<ByteSpan> followOverflow(PageCache &pages, ByteSpan pointer, PageRef &holder,
                                std::uint32_t *targetPage = nullptr);

// The bytes of the live row a table scan meets at `at` (an overflow pointer followed), kept alive
// by `holder`; nullopt when that slot holds no live row of `table`.
Result<std::optional<ByteSpan>> rowAt(PageCache &pages, const TableDef &table, RowLocation at, PageRef &holder);

class TableScan
{
public:
    // `dataPages` as tableDataPages() gives them; shared so cursors can reuse a cached list.
    // With `keepPages` false the data pages are read past the cache (PageCache::pagePassing).
    TableScan(PageCache &pages, const TableDef &table, std::shared_ptr<const std::vector<std::uint32_t>> dataPages,
              bool keepPages = true);

    // Moves to the next live row; false at the end. Errors name the page and slot.
    Result<bool> next();
    void rewind();

    // The current row's bytes (valid until the next call to next() or rewind()).
    ByteSpan row() const { return m_row; }
    RowLocation location() const { return {m_pageNumber, std::uint16_t(m_slot)}; }
    // The page and offset where the current row's bytes are (differs from location() for an
    // overflow row).
    std::uint32_t rowPage() const { return m_rowPage; }
    std::uint16_t rowStart() const { return m_rowStart; }
    std::string where() const;

private:
    Result<bool> loadPage();

    PageCache &m_pages;
    const TableDef &m_table;
    std::shared_ptr<const std::vector<std::uint32_t>> m_dataPages;
    bool m_keepPages = true;
    std::size_t m_pageIndex = 0;
    int m_slot = -1;
    std::uint32_t m_pageNumber = 0;
    PageRef m_page;
    PageRef m_overflowPage;
    std::uint32_t m_overflowPageNumber = 0;
    ByteSpan m_row;
    std::uint32_t m_rowPage = 0;
    std::uint16_t m_rowStart = 0;
};

} // namespace Qb::Jet
