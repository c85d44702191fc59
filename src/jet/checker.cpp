// SPDX-License-Identifier: GPL-3.0-or-later
// Structure checks. What each rule rests on: docs/jet-format.md, "Consistency rules".
#include "jet/checker.h"

#include "jet/format/datapage.h"
#include "jet/format/indexreader.h"
#include "jet/format/longvalue.h"
#include "jet/format/rowcodec.h"
#include "jet/sql/tablescan.h"
#include "jet/storage/usagemap.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

namespace Qb::Jet {

namespace {

using RowSet = std::set<std::pair<std::uint32_t, std::uint16_t>>;

// Long-value rows already met: each belongs to one value, or freeing one value frees another.
using LongValueRows = std::set<std::pair<std::uint32_t, std::uint8_t>>;

// Pages that belong to exactly one structure (a table's data, long values or index pages, a
// definition), with the name of the first structure that claimed each.
using Claims = std::map<std::uint32_t, std::string>;

// The free-space field of a data page is the gap between its slot table and its lowest row.
std::optional<std::string> spaceFault(ByteSpan page, std::uint32_t number)
{
    const std::uint16_t n = rowSlotCount(page);
    std::size_t low = PageSize;
    for (std::uint16_t i = 0; i < n; ++i)
        low = std::min<std::size_t>(low, u16(page, DataPageHeaderSize + 2 * i) & RowOffsetMask);
    const std::size_t table = DataPageHeaderSize + 2 * std::size_t(n);
    if (low >= table && u16(page, 2) == low - table)
        return std::nullopt;
    return "data page " + std::to_string(number) + " says it has " + std::to_string(u16(page, 2))
           + " free bytes but its rows leave " + (low >= table ? std::to_string(low - table) : std::string("none"));
}

class TableChecker
{
public:
    TableChecker(JetDatabase &db, const CatalogEntry &entry, CheckReport &report, std::set<std::uint32_t> &used,
                 Claims &claims, LongValueRows &longValueRows)
        : m_db(db), m_entry(entry), m_report(report), m_usedPages(used), m_claims(claims),
          m_longValueRows(longValueRows)
    {
    }

    void run()
    {
        auto def = m_db.tableDefAt(m_entry.tablePage());
        if (!def)
            return fault(def.error().message);
        m_def = *def;
        m_usedPages.insert(m_def->pages.begin(), m_def->pages.end());
        for (std::uint32_t page : m_def->pages)
            claim(page, "the definition of table " + m_entry.name);
        ++m_report.tables;
        checkMap(m_def->freeSpacePages, "free-space map");
        // A long-value column's maps may be absent (a reference to page 0): Access leaves the
        // free-space map of some system tables' columns so.
        for (const LongValueMaps &lv : m_def->longValueMaps) {
            const std::string column = "long-value maps of column number " + std::to_string(lv.columnNumber);
            if (lv.owned.page != 0)
                if (auto owned = checkMap(lv.owned, column + " (owned)"))
                    m_usedPages.insert(owned->pages.begin(), owned->pages.end());
            if (lv.free.page != 0)
                checkMap(lv.free, column + " (free space)");
        }
        if (!checkRows())
            return;
        for (std::size_t i = 0; i < m_def->realIndexes.size(); ++i) {
            checkMap(m_def->realIndexes[i].usageMap, "index " + std::to_string(i) + " page map");
            checkIndex(i);
        }
        for (std::uint32_t number : m_longValuePages) {
            claim(number, "the long values of table " + m_entry.name);
            if (auto page = m_db.pages().page(number); page)
                if (auto f = spaceFault(bytesOf(*page), number))
                    fault(*f);
        }
    }

private:
    void fault(const std::string &what) { m_report.faults.push_back("table " + m_entry.name + ": " + what); }

    // A page that two structures both hold would be overwritten by one of them.
    void claim(std::uint32_t page, const std::string &owner)
    {
        auto [it, fresh] = m_claims.emplace(page, owner);
        if (!fresh && it->second != owner)
            fault("page " + std::to_string(page) + " belongs to both " + it->second + " and " + owner);
    }

    // The table's own data pages among those its owned map names (other pages are passed over
    // by every reader): claimed, and their free-space field checked.
    void claimDataPages(const std::vector<std::uint32_t> &pages)
    {
        for (std::uint32_t number : pages) {
            auto page = m_db.pages().page(number);
            if (!page)
                return fault(page.error().message);
            const ByteSpan bytes = bytesOf(*page);
            if (bytes[0] != PageTypeData || dataPageOwner(bytes) != m_def->page)
                continue;
            claim(number, "the rows of table " + m_entry.name);
            if (auto f = spaceFault(bytes, number))
                fault(*f);
        }
    }

    std::optional<UsageMap> checkMap(RowPointer ref, const std::string &name)
    {
        auto map = readUsageMap(m_db.pages(), ref);
        if (!map) {
            fault(name + ": " + map.error().message);
            return std::nullopt;
        }
        if (map->pagesBeyondEnd)
            fault(name + " names " + std::to_string(map->pagesBeyondEnd) + " pages past the end of the file");
        m_usedPages.insert(ref.page);
        m_usedPages.insert(map->bitmapPages.begin(), map->bitmapPages.end());
        return std::move(*map);
    }

    void checkRow(const RowView &row, const std::string &where)
    {
        for (std::size_t c = 0; c < m_def->columns.size(); ++c) {
            const ColumnDef &column = m_def->columns[c];
            auto bytes = row.columnBytes(c);
            if (!bytes) {
                fault(where + ": " + bytes.error().message);
                continue;
            }
            if (!column.isLongValue() || !*bytes)
                continue;
            std::vector<LongValueRow> visited;
            auto value = readLongValue(m_db.pages(), **bytes, &visited);
            ++m_report.longValues;
            if (!value)
                fault(where + ", column " + column.name + ": " + value.error().message);
            for (const auto &lv : visited) {
                m_usedPages.insert(lv.page);
                m_longValuePages.insert(lv.page);
                if (!m_longValueRows.emplace(lv.page, lv.row).second)
                    fault(where + ", column " + column.name + ": long-value row " + std::to_string(lv.row)
                          + " on page " + std::to_string(lv.page) + " also holds another value");
            }
        }
    }

    bool checkRows()
    {
        auto owned = checkMap(m_def->ownedPages, "owned-pages map");
        if (!owned)
            return false;
        m_usedPages.insert(owned->pages.begin(), owned->pages.end());
        claimDataPages(owned->pages);
        TableScan scan(m_db.pages(), *m_def,
                       std::make_shared<const std::vector<std::uint32_t>>(owned->pages));
        std::uint64_t count = 0;
        for (;;) {
            auto more = scan.next();
            if (!more) {
                fault(more.error().message);
                return false;
            }
            if (!*more)
                break;
            ++count;
            m_rows.insert({scan.location().page, scan.location().slot});
            auto row = RowView::make(*m_def, scan.row(), scan.where());
            if (!row)
                fault(row.error().message);
            else
                checkRow(*row, scan.where());
        }
        m_report.rows += count;
        if (count != m_def->rowCount)
            fault("the definition counts " + std::to_string(m_def->rowCount) + " rows but the data pages hold "
                  + std::to_string(count));
        return true;
    }

    void checkIndex(std::size_t i)
    {
        const RealIndexDef &index = m_def->realIndexes[i];
        const std::string name = "index " + std::to_string(i);
        std::uint64_t entries = 0, missing = 0;
        std::string firstMissing;
        std::vector<std::uint8_t> lastKey;
        bool ordered = true;
        auto walked = walkIndex(
            m_db.pages(), index.rootPage, m_def->page,
            [&](const IndexEntry &e) {
                ++entries;
                if (!m_rows.contains({e.dataPage, e.dataRow}) && missing++ == 0)
                    firstMissing = "row " + std::to_string(e.dataRow) + " on page " + std::to_string(e.dataPage);
                if (entries > 1 && e.key < lastKey)
                    ordered = false;
                lastKey = e.key;
            },
            [&](std::uint32_t page) {
                m_usedPages.insert(page);
                claim(page, name + " of table " + m_entry.name);
            });
        m_report.indexEntries += entries;
        if (!walked)
            return fault(name + ": " + walked.error().message);
        if (missing)
            fault(name + ": " + std::to_string(missing) + " entries name rows that do not exist (first: "
                  + firstMissing + ")");
        if (!ordered)
            fault(name + ": the entries are not in key order");
        const bool ignoresNulls = index.flags & 0x02;
        if (entries > m_rows.size() || (!ignoresNulls && entries != m_rows.size()))
            fault(name + " holds " + std::to_string(entries) + " entries for " + std::to_string(m_rows.size())
                  + " rows");
    }

    JetDatabase &m_db;
    const CatalogEntry &m_entry;
    CheckReport &m_report;
    std::set<std::uint32_t> &m_usedPages;
    Claims &m_claims;
    LongValueRows &m_longValueRows;
    std::set<std::uint32_t> m_longValuePages;
    TableDefRef m_def;
    RowSet m_rows;
};

// Pages in use must not be marked free in the global map (page 1, row 0).
void checkGlobalMap(JetDatabase &db, const std::set<std::uint32_t> &used, CheckReport &report)
{
    auto map = readUsageMap(db.pages(), RowPointer{1, 0});
    if (!map) {
        report.faults.push_back("global page map: " + map.error().message);
        return;
    }
    std::uint64_t wrong = 0;
    std::uint32_t first = 0;
    std::set<std::uint32_t> inUse = used;
    inUse.insert(map->bitmapPages.begin(), map->bitmapPages.end());
    for (std::uint32_t page : map->pages)
        if (inUse.contains(page) && wrong++ == 0)
            first = page;
    if (wrong)
        report.faults.push_back("global page map: " + std::to_string(wrong) + " pages in use are marked free (first: page "
                                + std::to_string(first) + ")");
}

} // namespace

CheckReport checkDatabase(JetDatabase &db)
{
    CheckReport report;
    std::set<std::uint32_t> used = {0, 1};
    std::map<std::uint32_t, std::string> checked; // definition page -> table name
    Claims claims;
    LongValueRows longValueRows;
    for (const CatalogEntry &entry : db.catalog().entries) {
        if (!entry.isTable())
            continue;
        // Two catalog rows naming one definition is a fault of its own; checking the shared
        // definition once also keeps a damaged catalog from multiplying the work.
        if (auto [it, fresh] = checked.emplace(entry.tablePage(), entry.name); !fresh) {
            report.faults.push_back("tables " + it->second + " and " + entry.name + " share the definition on page "
                                    + std::to_string(entry.tablePage()));
            continue;
        }
        TableChecker(db, entry, report, used, claims, longValueRows).run();
    }
    checkGlobalMap(db, used, report);
    return report;
}

} // namespace Qb::Jet
