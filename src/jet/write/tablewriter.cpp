// SPDX-License-Identifier: GPL-3.0-or-later
// Row changes. Layout: docs/jet-format.md, "Row layout", "Writing rows".
#include "jet/write/tablewriter.h"

#include "jet/format/bytewriter.h"
#include "jet/format/datapagewriter.h"
#include "jet/format/indexkey.h"
#include "jet/format/indexpagewriter.h"
#include "jet/write/longvaluewriter.h"
#include "jet/storage/pagealloc.h"
#include "jet/format/rowcodec.h"
#include "jet/format/tdefwriter.h"
#include "jet/format/text.h"

#include <algorithm>

namespace Qb::Jet {

TableWriter::TableWriter(TxWriter &tx, TableDef table, IndexPageCache *indexPages)
    : m_tx(tx), m_table(std::move(table)), m_ownIndexPages(indexPages ? nullptr : std::make_unique<IndexPageCache>()),
      m_indexPages(indexPages ? indexPages : m_ownIndexPages.get())
{
}

Result<TableWriter> TableWriter::make(TxWriter &tx, TableDef table, IndexPageCache *indexPages)
{
    if (table.tableType != 'N')
        return fail(ErrorCode::Unsupported, "table on page " + std::to_string(table.page)
                                                + " is a system table; it is not written");
    for (std::size_t i = 0; i < table.realIndexes.size(); ++i) {
        for (const IndexColumn &ic : table.realIndexes[i].columns) {
            const ColumnDef *c = table.columnByNumber(ic.columnNumber);
            if (!c || !IndexKey::encodable(*c, ic))
                return fail(ErrorCode::Unsupported,
                            "an index of this table uses " + (c ? "column " + c->name : std::string("a missing column"))
                                + " in a form this engine cannot keep up to date; the table is not written");
        }
    }
    return TableWriter(tx, std::move(table), indexPages);
}

// The buffer is the thread's, grown as values need and never cleared, so that a bulk load
// encodes every text without an allocation; one past 1 MiB is let go at the next value.
TableWriter::StoredText TableWriter::storedTextOf(std::string_view utf8, bool compressible)
{
    static thread_local Bytes buffer;
    constexpr std::size_t Kept = std::size_t(1) << 20;
    const std::size_t need = storedTextBound(utf8.size());
    if (buffer.size() > Kept && need <= Kept)
        Bytes().swap(buffer);
    if (buffer.size() < need)
        buffer.resize(need);
    const StoredTextSize size = encodeStoredTextInto(utf8, compressible, buffer.data());
    return {ByteSpan(buffer.data(), size.bytes), size.units};
}

Result<RowWriter::Field> TableWriter::fieldFor(const ColumnDef &c, const Value &v)
{
    if (isNull(v))
        return RowWriter::Field::nullField();
    const bool compressible = c.extFlags & ColumnCompressedUnicode;
    if (c.isText()) {
        const auto *s = std::get_if<std::string>(&v);
        if (!s)
            return fail(ErrorCode::TypeMismatch, "column " + c.name + " takes text");
        const auto [bytes, units] = storedTextOf(*s, compressible);
        if (c.type == std::uint8_t(ColumnType::Text)) {
            if (units > c.length / 2u)
                return fail(ErrorCode::TooLong, "text of " + std::to_string(units) + " characters is longer than column "
                                                    + c.name + " holds (" + std::to_string(c.length / 2) + ")");
            return RowWriter::Field::of(Bytes(bytes.begin(), bytes.end()));
        }
        auto field = LongValueWriter::store(m_tx, m_table, c, bytes);
        if (!field)
            return std::unexpected(field.error());
        return RowWriter::Field::of(std::move(*field));
    }
    if (c.isLongValue() || c.type == std::uint8_t(ColumnType::Binary)) {
        const auto *b = std::get_if<Bytes>(&v);
        if (!b)
            return fail(ErrorCode::TypeMismatch, "column " + c.name + " takes binary data");
        if (!c.isLongValue()) {
            if (b->size() > c.length)
                return fail(ErrorCode::TooLong, "binary value longer than column " + c.name + " holds");
            return RowWriter::Field::of(*b);
        }
        auto field = LongValueWriter::store(m_tx, m_table, c, *b);
        if (!field)
            return std::unexpected(field.error());
        return RowWriter::Field::of(std::move(*field));
    }
    return RowWriter::encodeFixed(c, v);
}

// A memo or OLE value written over the one it replaces, when that one takes a single LVAL row
// and its page has room for the new bytes: the update then changes the row's page and that one,
// and no usage map. nullopt: the value is stored anew (fieldFor), and the old one released.
Result<std::optional<RowWriter::Field>> TableWriter::fieldOver(const ColumnDef &c, const RowWriter::Field &old,
                                                               const Value &v)
{
    if (!c.isLongValue() || old.null || isNull(v))
        return std::optional<RowWriter::Field>();
    ByteSpan bytes;
    if (const auto *s = std::get_if<std::string>(&v); s && c.isText())
        bytes = storedTextOf(*s, c.extFlags & ColumnCompressedUnicode).bytes;
    else if (const auto *b = std::get_if<Bytes>(&v); b && !c.isText())
        bytes = *b;
    else
        return std::optional<RowWriter::Field>(); // fieldFor reports the mismatch
    auto field = LongValueWriter::storeOver(m_tx, m_table, c, old.bytes, bytes);
    if (!field)
        return std::unexpected(field.error());
    if (!*field)
        return std::optional<RowWriter::Field>();
    return std::optional(RowWriter::Field::of(std::move(**field)));
}

// The table's data pages as RoomFinder sees them. No row is shorter than the one with every
// column NULL (fixed-size columns keep their bytes, the others have none).
RoomFinder::Space TableWriter::space()
{
    if (m_smallestRow == 0) {
        auto row = RowWriter::encode(m_table, std::vector<RowWriter::Field>(m_table.columns.size()));
        m_smallestRow = row ? row->size() : 1;
    }
    return RoomFinder::Space{m_table.freeSpacePages, m_table.page, m_table.ownedPages, m_smallestRow};
}

// A page of the table that takes the row, with the bytes of its deleted rows given back if need
// be (RoomFinder::find); when none does, a new page that joins both maps.
Result<std::uint32_t> TableWriter::pageWithRoom(std::size_t length)
{
    auto found = RoomFinder::find(m_tx, space(), length);
    if (!found)
        return std::unexpected(found.error());
    if (*found)
        return **found;
    auto page = PageAlloc::allocate(m_tx);
    if (!page)
        return page;
    DataPageWriter::init(*m_tx.write(*page), m_table.page);
    m_ownedPagesChanged = true;
    if (auto r = PageAlloc::setInMap(m_tx, m_table.ownedPages, *page, true); !r)
        return std::unexpected(r.error());
    if (auto r = RoomFinder::added(m_tx, space(), *page); !r)
        return std::unexpected(r.error());
    return page;
}

// After a row of `page` was deleted: a page with live rows left goes back into the free-space
// map; one without any leaves both maps and returns to the file's free pages.
Result<void> TableWriter::rowFreed(std::uint32_t page)
{
    auto bytes = m_tx.read(page);
    if (!bytes)
        return std::unexpected(bytes.error());
    if (!DataPageWriter::allReclaimable(*bytes))
        return RoomFinder::freed(m_tx, space(), page);
    RoomFinder::dropped(m_tx, space(), page);
    m_ownedPagesChanged = true;
    if (auto r = PageAlloc::setInMap(m_tx, m_table.ownedPages, page, false); !r)
        return r;
    if (auto r = PageAlloc::setInMap(m_tx, m_table.freeSpacePages, page, false); !r)
        return r;
    return PageAlloc::release(m_tx, page);
}

Result<RowLocation> TableWriter::placeRow(ByteSpan row, std::uint16_t flags)
{
    auto page = pageWithRoom(row.size());
    if (!page)
        return std::unexpected(page.error());
    auto bytes = m_tx.write(*page);
    if (!bytes)
        return std::unexpected(bytes.error());
    auto slot = DataPageWriter::placeRow(*bytes, row, flags);
    if (!slot)
        return fail(ErrorCode::Corrupt, "data page " + std::to_string(*page) + " has no room after all");
    if (auto r = RoomFinder::placed(m_tx, space(), *page); !r)
        return std::unexpected(r.error());
    return RowLocation{*page, *slot};
}

Result<TableWriter::StoredRow> TableWriter::readRow(RowLocation at)
{
    StoredRow row{at, std::nullopt, {}};
    auto page = m_tx.read(at.page);
    if (!page)
        return std::unexpected(page.error());
    auto slot = rowSlot(*page, at.page, at.slot);
    if (!slot)
        return std::unexpected(slot.error());
    if (slot->deleted())
        return fail(ErrorCode::Corrupt, "row " + std::to_string(at.slot) + " on page " + std::to_string(at.page)
                                            + " is already deleted");
    if (slot->overflow()) {
        if (slot->end - slot->start < 4)
            return fail(ErrorCode::Corrupt, "overflow pointer on page " + std::to_string(at.page) + " is too short");
        const auto target = storedRowPointer(*page, slot->start);
        row.moved = RowLocation{target.page, target.row};
        page = m_tx.read(target.page);
        if (!page)
            return std::unexpected(page.error());
        slot = rowSlot(*page, target.page, target.row);
        if (!slot)
            return std::unexpected(slot.error());
    }
    row.bytes.assign(page->begin() + slot->start, page->begin() + slot->end);
    return row;
}

Result<std::vector<RowWriter::Field>> TableWriter::fieldsOf(const StoredRow &row)
{
    return rowFields(m_table, row.bytes, "row " + std::to_string(row.header.slot) + " on page "
                                             + std::to_string(row.header.page));
}

Result<std::vector<RowWriter::Field>> TableWriter::rowFields(const TableDef &table, ByteSpan bytes,
                                                             const std::string &where)
{
    auto view = RowView::make(table, bytes, where);
    if (!view)
        return std::unexpected(view.error());
    std::vector<RowWriter::Field> fields;
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        const ColumnDef &c = table.columns[i];
        if (c.type == std::uint8_t(ColumnType::Boolean)) {
            fields.push_back(view->isSet(c.number) ? RowWriter::Field::of({}) : RowWriter::Field::nullField());
            continue;
        }
        auto field = view->columnBytes(i);
        if (!field)
            return std::unexpected(field.error());
        fields.push_back(*field ? RowWriter::Field::of({(*field)->begin(), (*field)->end()}) : RowWriter::Field::nullField());
    }
    return fields;
}

Result<void> TableWriter::releaseLongValues(const std::vector<RowWriter::Field> &fields)
{
    for (std::size_t i = 0; i < m_table.columns.size(); ++i)
        if (m_table.columns[i].isLongValue() && !fields[i].null)
            if (auto r = LongValueWriter::release(m_tx, m_table, m_table.columns[i], fields[i].bytes); !r)
                return r;
    return {};
}

Result<RowLocation> TableWriter::insert(const std::vector<Value> &values)
{
    std::vector<RowWriter::Field> fields;
    fields.reserve(m_table.columns.size());
    for (std::size_t i = 0; i < m_table.columns.size(); ++i) {
        const ColumnDef &c = m_table.columns[i];
        // Only the AutoNumber value is made here; the others, memo text included, are read in place.
        Value counted;
        const bool autoNumber = c.isAutoNumber() && c.type == std::uint8_t(ColumnType::Long);
        if (autoNumber) {
            counted = isNull(values[i]) ? Value(std::int64_t(std::int32_t(m_table.autoNumber + 1))) : values[i];
            if (const auto *n = std::get_if<std::int64_t>(&counted); n && *n > std::int64_t(m_table.autoNumber))
                m_table.autoNumber = std::uint32_t(*n);
        }
        auto field = fieldFor(c, autoNumber ? counted : values[i]);
        if (!field)
            return std::unexpected(field.error());
        fields.push_back(std::move(*field));
    }
    auto row = RowWriter::encode(m_table, fields);
    if (!row)
        return std::unexpected(row.error());
    auto at = placeRow(*row, 0);
    if (!at)
        return at;
    if (auto r = addEntries(fields, *at); !r)
        return std::unexpected(r.error());
    if (m_observer)
        m_observer->rowAdded(*at, fields);
    ++m_table.rowCount;
    return at;
}

Result<void> TableWriter::update(RowLocation at, const std::vector<std::pair<std::size_t, Value>> &changes)
{
    auto stored = readRow(at);
    if (!stored)
        return std::unexpected(stored.error());
    auto oldFields = fieldsOf(*stored);
    if (!oldFields)
        return std::unexpected(oldFields.error());
    std::vector<RowWriter::Field> fields = *oldFields;
    // Memo rows of replaced values go, unless rewritten where they were; index entries follow
    // changed keys.
    std::vector<RowWriter::Field> released(m_table.columns.size());
    for (const auto &[column, value] : changes) {
        auto over = fieldOver(m_table.columns[column], fields[column], value);
        if (!over)
            return std::unexpected(over.error());
        auto field = *over ? Result<RowWriter::Field>(std::move(**over)) : fieldFor(m_table.columns[column], value);
        if (!field)
            return std::unexpected(field.error());
        if (!*over)
            released[column] = std::move(fields[column]);
        fields[column] = std::move(*field);
    }
    if (auto r = releaseLongValues(released); !r)
        return r;
    if (auto r = moveEntries(*oldFields, fields, at); !r)
        return r;
    if (m_observer) {
        m_observer->rowRemoved(at, *oldFields);
        m_observer->rowAdded(at, fields);
    }
    return storeRow(*stored, fields);
}

// Writes the changed row: in place (padded to its old length) when it fits there; else in the
// scan's slot with its page laid out anew when the page has room; else as a hidden copy
// elsewhere, with the scan's slot turned into a pointer to it. A copy moved before is marked
// deleted, so no reader finds two copies.
Result<void> TableWriter::storeRow(const StoredRow &stored, const std::vector<RowWriter::Field> &fields)
{
    const RowLocation at = stored.header;
    const RowLocation home = stored.moved.value_or(at);
    const std::size_t oldLength = stored.bytes.size();
    auto row = RowWriter::encode(m_table, fields, oldLength);
    if (!row)
        return std::unexpected(row.error());
    if (row->size() == oldLength) {
        auto page = m_tx.write(home.page);
        if (!page)
            return std::unexpected(page.error());
        DataPageWriter::overwriteRow(*page, *rowSlot(*page, home.page, home.slot), *row);
        return {};
    }
    auto page = m_tx.write(at.page);
    if (!page)
        return std::unexpected(page.error());
    if (DataPageWriter::replaceRow(*page, std::uint8_t(at.slot), *row, 0)) {
        if (auto r = RoomFinder::placed(m_tx, space(), at.page); !r)
            return r;
        return stored.moved ? dropMovedCopy(home) : Result<void>();
    }
    auto target = placeRow(*row, RowDeleted);
    if (!target)
        return std::unexpected(target.error());
    if (stored.moved)
        if (auto r = dropMovedCopy(home); !r)
            return r;
    page = m_tx.write(at.page);
    if (!page)
        return std::unexpected(page.error());
    const RowSlot slot = *rowSlot(*page, at.page, at.slot);
    if (slot.end - slot.start < 4)
        return fail(ErrorCode::Unsupported, "row on page " + std::to_string(at.page) + " is too short to move");
    std::vector<std::uint8_t> pointer(slot.end - slot.start, 0);
    pointer[0] = std::uint8_t(target->slot);
    put24(pointer, 1, target->page);
    DataPageWriter::overwriteRow(*page, slot, pointer);
    DataPageWriter::setFlags(*page, std::uint8_t(at.slot), RowOverflow);
    return {};
}

Result<void> TableWriter::dropMovedCopy(RowLocation copy)
{
    auto page = m_tx.write(copy.page);
    if (!page)
        return std::unexpected(page.error());
    DataPageWriter::setFlags(*page, std::uint8_t(copy.slot), RowDeleted | RowOverflow);
    return rowFreed(copy.page);
}

Result<void> TableWriter::remove(RowLocation at)
{
    auto stored = readRow(at);
    if (!stored)
        return std::unexpected(stored.error());
    auto fields = fieldsOf(*stored);
    if (!fields)
        return std::unexpected(fields.error());
    if (auto r = releaseLongValues(*fields); !r)
        return r;
    if (auto r = removeEntries(*fields, at); !r)
        return r;
    if (m_observer)
        m_observer->rowRemoved(at, *fields);
    if (stored->moved)
        if (auto r = dropMovedCopy(*stored->moved); !r)
            return r;
    auto page = m_tx.write(at.page);
    if (!page)
        return std::unexpected(page.error());
    DataPageWriter::setFlags(*page, std::uint8_t(at.slot), RowDeleted | RowOverflow);
    if (m_table.rowCount)
        --m_table.rowCount;
    return rowFreed(at.page);
}

// Releases the pages of an owner map that are what the map says they are (data pages of this
// table or long-value pages; index pages of this table but the roots), then empties the map.
Result<void> TableWriter::releaseOwned(RowPointer map, std::uint32_t owner, bool index)
{
    auto pages = PageAlloc::mapPages(m_tx, map);
    if (!pages)
        return std::unexpected(pages.error());
    for (std::uint32_t page : *pages) {
        if (index && std::ranges::any_of(m_table.realIndexes, [&](const RealIndexDef &i) { return i.rootPage == page; }))
            continue;
        auto bytes = m_tx.read(page);
        if (!bytes)
            return std::unexpected(bytes.error());
        const std::uint8_t type = (*bytes)[0];
        const bool mine = index ? (type == PageTypeIndexNode || type == PageTypeIndexLeaf) && u32(*bytes, 4) == owner
                                : type == PageTypeData && dataPageOwner(*bytes) == owner;
        if (mine)
            if (auto r = PageAlloc::release(m_tx, page); !r)
                return r;
    }
    return PageAlloc::clearMap(m_tx, map);
}

Result<void> TableWriter::clear()
{
    m_ownedPagesChanged = true;
    if (auto r = releaseOwned(m_table.ownedPages, m_table.page, false); !r)
        return r;
    if (auto r = PageAlloc::clearMap(m_tx, m_table.freeSpacePages); !r)
        return r;
    RoomFinder::forget(m_tx, space());
    for (const LongValueMaps &lv : m_table.longValueMaps) {
        if (lv.owned.page != 0)
            if (auto r = releaseOwned(lv.owned, LongValueOwner, false); !r)
                return r;
        if (lv.free.page != 0) {
            if (auto r = PageAlloc::clearMap(m_tx, lv.free); !r)
                return r;
            RoomFinder::forget(m_tx, RoomFinder::Space{lv.free, LongValueOwner, std::nullopt, 1});
        }
    }
    for (RealIndexDef &idx : m_table.realIndexes) {
        if (auto r = releaseOwned(idx.usageMap, m_table.page, true); !r)
            return r;
        if (auto r = PageAlloc::setInMap(m_tx, idx.usageMap, idx.rootPage, true); !r)
            return r;
        IndexPageImage empty;
        empty.tdefPage = m_table.page;
        auto root = m_tx.write(idx.rootPage);
        if (!root)
            return std::unexpected(root.error());
        const PageBytes bytes = *encodeIndexPage(empty);
        std::copy(bytes.begin(), bytes.end(), root->begin());
        // An entry count kept by the file (Access keeps one, Jet's other writers leave 0) is not
        // kept up any more: 0 is what those writers store.
        idx.entryCount = 0;
        idx.uniqueCount = 0;
    }
    m_table.rowCount = 0;
    return {};
}

Result<RowLocation> TableWriter::insertStored(std::vector<RowWriter::Field> fields,
                                              const std::vector<std::optional<Bytes>> &longValues)
{
    for (std::size_t i = 0; i < m_table.columns.size(); ++i) {
        if (!longValues[i])
            continue;
        auto field = LongValueWriter::store(m_tx, m_table, m_table.columns[i], *longValues[i]);
        if (!field)
            return std::unexpected(field.error());
        fields[i] = RowWriter::Field::of(std::move(*field));
    }
    auto row = RowWriter::encode(m_table, fields);
    if (!row)
        return std::unexpected(row.error());
    auto at = placeRow(*row, 0);
    if (!at)
        return at;
    if (auto r = addEntries(fields, *at); !r)
        return std::unexpected(r.error());
    ++m_table.rowCount;
    return at;
}

Result<void> TableWriter::finish()
{
    auto page = m_tx.write(m_table.page);
    if (!page)
        return std::unexpected(page.error());
    TdefWriter::patchCounters(*page, m_table);
    return {};
}

} // namespace Qb::Jet
