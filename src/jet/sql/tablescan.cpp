// SPDX-License-Identifier: GPL-3.0-or-later
// Table scans. Layout: docs/jet-format.md, "Data pages" and "Usage maps".
#include "jet/sql/tablescan.h"

#include "jet/storage/usagemap.h"

namespace Qb::Jet {

namespace {
constexpr int MaxOverflowHops = 4;
}

Result<std::vector<std::uint32_t>> tableDataPages(PageCache &pages, const TableDef &table)
{
    auto map = readUsageMap(pages, table.ownedPages);
    if (!map)
        return fail(map.error().code, "table definition on page " + std::to_string(table.page)
                                          + ", owned-pages map: " + map.error().message);
    return std::move(map->pages);
}

Result<ByteSpan> followOverflow(PageCache &pages, ByteSpan pointer, PageRef &holder, std::uint32_t *targetPage)
{
    for (int hop = 0; hop < MaxOverflowHops; ++hop) {
        if (pointer.size() < 4)
            return fail(ErrorCode::Corrupt, "an overflow row is shorter than its 4-byte pointer");
        const StoredRowPointer to = storedRowPointer(pointer, 0);
        auto page = pages.page(to.page);
        if (!page)
            return std::unexpected(page.error());
        holder = *page;
        if (targetPage)
            *targetPage = to.page;
        const ByteSpan bytes = bytesOf(holder);
        auto slot = rowSlot(bytes, to.page, to.row);
        if (!slot)
            return fail(ErrorCode::Corrupt, "overflow pointer target: " + slot.error().message);
        pointer = bytes.subspan(slot->start, slot->end - slot->start);
        if (!slot->overflow() || slot->deleted())
            return pointer;
    }
    return fail(ErrorCode::Corrupt, "overflow pointers chain through more than "
                                        + std::to_string(MaxOverflowHops) + " rows");
}

Result<std::optional<ByteSpan>> rowAt(PageCache &pages, const TableDef &table, RowLocation at, PageRef &holder)
{
    auto page = pages.page(at.page);
    if (!page)
        return std::unexpected(page.error());
    holder = *page;
    const ByteSpan bytes = bytesOf(holder);
    if (bytes[0] != PageTypeData || dataPageOwner(bytes) != table.page || at.slot >= rowSlotCount(bytes))
        return std::optional<ByteSpan>();
    auto slot = rowSlot(bytes, at.page, at.slot);
    if (!slot)
        return std::unexpected(slot.error());
    if (slot->deleted())
        return std::optional<ByteSpan>();
    const ByteSpan row = bytes.subspan(slot->start, slot->end - slot->start);
    if (!slot->overflow())
        return std::optional(row);
    PageRef pointerPage = holder;
    auto target = followOverflow(pages, row, holder);
    if (!target)
        return fail(target.error().code, "row " + std::to_string(at.slot) + " on page " + std::to_string(at.page)
                                             + ": " + target.error().message);
    return std::optional(*target);
}

TableScan::TableScan(PageCache &pages, const TableDef &table, std::shared_ptr<const std::vector<std::uint32_t>> dataPages,
                     bool keepPages)
    : m_pages(pages), m_table(table), m_dataPages(std::move(dataPages)), m_keepPages(keepPages)
{
}

void TableScan::rewind()
{
    m_pageIndex = 0;
    m_slot = -1;
    m_page.reset();
    m_overflowPage.reset();
    m_row = {};
}

std::string TableScan::where() const
{
    return "row " + std::to_string(m_slot) + " on page " + std::to_string(m_pageNumber);
}

// Makes m_page the next data page of this table at or after m_pageIndex; false at the end.
Result<bool> TableScan::loadPage()
{
    while (m_pageIndex < m_dataPages->size()) {
        m_pageNumber = (*m_dataPages)[m_pageIndex];
        auto page = m_keepPages ? m_pages.page(m_pageNumber) : m_pages.pagePassing(m_pageNumber);
        if (!page)
            return std::unexpected(page.error());
        const ByteSpan bytes = bytesOf(*page);
        // The owned map may name pages that were reused for something else; only data pages
        // stamped with this table's definition page hold its rows.
        if (bytes[0] == PageTypeData && dataPageOwner(bytes) == m_table.page) {
            m_page = *page;
            return true;
        }
        ++m_pageIndex;
    }
    m_page.reset();
    return false;
}

Result<bool> TableScan::next()
{
    for (;;) {
        if (!m_page) {
            auto loaded = loadPage();
            if (!loaded || !*loaded)
                return loaded;
            m_slot = -1;
        }
        const ByteSpan bytes = bytesOf(m_page);
        if (++m_slot >= rowSlotCount(bytes)) {
            m_page.reset();
            ++m_pageIndex;
            continue;
        }
        auto slot = rowSlot(bytes, m_pageNumber, std::uint16_t(m_slot));
        if (!slot)
            return std::unexpected(slot.error());
        if (slot->deleted())
            continue;
        m_row = bytes.subspan(slot->start, slot->end - slot->start);
        m_rowPage = m_pageNumber;
        m_rowStart = slot->start;
        if (slot->overflow()) {
            auto target = followOverflow(m_pages, m_row, m_overflowPage, &m_overflowPageNumber);
            if (!target)
                return fail(target.error().code, where() + ": " + target.error().message);
            m_row = *target;
            m_rowPage = m_overflowPageNumber;
            m_rowStart = std::uint16_t(m_row.data() - m_overflowPage->data());
        }
        return true;
    }
}

} // namespace Qb::Jet
