// SPDX-License-Identifier: GPL-3.0-or-later
// A row's entries in the table's indexes: their keys, and the entries added, removed or moved as
// rows come, go and change. Layout: docs/jet-format.md, "Index pages".
#include "jet/write/tablewriter.h"

#include "jet/format/generalsort.h"
#include "jet/format/indexkey.h"
#include "jet/format/indexpagewriter.h"
#include "jet/format/text.h"
#include "jet/write/indexwriter.h"

namespace Qb::Jet {

namespace {

constexpr std::uint8_t IndexUnique = 0x01;
constexpr std::uint8_t IndexIgnoreNulls = 0x02;

std::size_t positionOf(const TableDef &t, const ColumnDef &c) { return std::size_t(&c - t.columns.data()); }

std::u16string storedText(ByteSpan stored)
{
    std::u16string out;
    forEachStoredUnit(stored, [&](char16_t c) {
        out.push_back(c);
        return true;
    });
    return out;
}

Error unsupported(const std::string &what) { return Error{ErrorCode::Unsupported, what}; }

} // namespace

Result<std::optional<std::vector<std::uint8_t>>> TableWriter::keyOf(const RealIndexDef &idx,
                                                                    const std::vector<RowWriter::Field> &fields)
{
    std::vector<std::uint8_t> key;
    key.reserve(16 * idx.columns.size());
    bool allNull = true;
    for (const IndexColumn &ic : idx.columns) {
        const ColumnDef &c = *m_table.columnByNumber(ic.columnNumber);
        const RowWriter::Field &f = fields[positionOf(m_table, c)];
        if (f.null) {
            key.push_back(IndexKey::NullAscending);
            continue;
        }
        allNull = false;
        if (c.type == std::uint8_t(ColumnType::Text)) {
            auto text = GeneralSort::textKey(storedText(f.bytes));
            if (!text)
                return std::unexpected(unsupported("a value of column " + c.name
                                                   + " has characters this engine cannot place in its index"));
            appendBytes(key, *text);
        } else {
            IndexKey::appendIntegerKey(key, f.bytes);
        }
    }
    if (allNull && (idx.flags & IndexIgnoreNulls))
        return std::optional<std::vector<std::uint8_t>>();
    return std::optional(std::move(key));
}

Result<void> TableWriter::keysEncodable(const std::vector<RowWriter::Field> &fields)
{
    for (const RealIndexDef &idx : m_table.realIndexes)
        if (auto key = keyOf(idx, fields); !key)
            return std::unexpected(key.error());
    return {};
}

Result<void> TableWriter::changeEntries(const std::vector<RowWriter::Field> &fields, RowLocation at,
                                        EntryChange change)
{
    for (RealIndexDef &idx : m_table.realIndexes) {
        auto key = keyOf(idx, fields);
        if (!key)
            return std::unexpected(key.error());
        if (*key)
            if (auto r = (this->*change)(idx, **key, at); !r)
                return r;
    }
    return {};
}

Result<void> TableWriter::addEntries(const std::vector<RowWriter::Field> &fields, RowLocation at)
{
    return changeEntries(fields, at, &TableWriter::addEntry);
}

Result<void> TableWriter::addEntry(RealIndexDef &idx, const std::vector<std::uint8_t> &key, RowLocation at)
{
    IndexWriter writer(m_tx, m_table, idx, *m_indexPages);
    const bool unique = idx.flags & IndexUnique;
    RawIndexEntry entry; // one allocation per entry, the row pointer included
    entry.reserve(key.size() + IndexLayout::RowPointerBytes);
    entry.assign(key.begin(), key.end());
    auto present = writer.insertKeyed(leafEntry(std::move(entry), at.page, std::uint8_t(at.slot)), key.size(), unique);
    if (!present)
        return std::unexpected(present.error());
    if (*present && unique)
        return fail(ErrorCode::Unsupported, "the value is already present in a unique index of this table");
    if (idx.entryCount)
        ++idx.entryCount;
    if (!*present)
        ++idx.uniqueCount;
    return {};
}

Result<void> TableWriter::removeEntry(RealIndexDef &idx, const std::vector<std::uint8_t> &key, RowLocation at)
{
    IndexWriter writer(m_tx, m_table, idx, *m_indexPages);
    if (auto r = writer.remove(leafEntry(key, at.page, std::uint8_t(at.slot))); !r)
        return r;
    // In a unique index the key went with its only entry.
    auto still = (idx.flags & IndexUnique) ? Result<bool>(false) : writer.containsKey(key);
    if (!still)
        return std::unexpected(still.error());
    if (idx.entryCount)
        --idx.entryCount;
    if (!*still && idx.uniqueCount)
        --idx.uniqueCount;
    return {};
}

// Only indexes whose key changed are touched.
Result<void> TableWriter::moveEntries(const std::vector<RowWriter::Field> &before,
                                      const std::vector<RowWriter::Field> &after, RowLocation at)
{
    for (RealIndexDef &idx : m_table.realIndexes) {
        auto oldKey = keyOf(idx, before);
        if (!oldKey)
            return std::unexpected(oldKey.error());
        auto newKey = keyOf(idx, after);
        if (!newKey)
            return std::unexpected(newKey.error());
        if (*oldKey == *newKey)
            continue;
        if (*oldKey)
            if (auto r = removeEntry(idx, **oldKey, at); !r)
                return r;
        if (*newKey)
            if (auto r = addEntry(idx, **newKey, at); !r)
                return r;
    }
    return {};
}

Result<void> TableWriter::removeEntries(const std::vector<RowWriter::Field> &fields, RowLocation at)
{
    return changeEntries(fields, at, &TableWriter::removeEntry);
}

} // namespace Qb::Jet
