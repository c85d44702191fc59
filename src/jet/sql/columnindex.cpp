// The ordered text column index and the recorder of a statement's row changes.
#include "jet/sql/columnindex.h"

#include "jet/format/rowcodec.h"
#include "jet/format/text.h"
#include "jet/sql/likepattern.h"

#include <algorithm>

namespace Qb::Jet {

namespace {

std::vector<RowLocation> inScanOrder(std::vector<RowLocation> rows)
{
    std::sort(rows.begin(), rows.end());
    return rows;
}

} // namespace

std::u16string TextColumnIndex::foldStored(ByteSpan stored)
{
    std::u16string folded;
    folded.reserve(stored.size() / 2);
    forEachStoredUnit(stored, [&](char16_t c) {
        folded += foldCase(c);
        return true;
    });
    return folded;
}

Result<TextColumnIndex> TextColumnIndex::build(PageCache &pages, const TableDef &table,
                                               std::shared_ptr<const std::vector<std::uint32_t>> dataPages,
                                               std::size_t column)
{
    TextColumnIndex index(column);
    TableScan scan(pages, table, std::move(dataPages));
    for (;;) {
        auto more = scan.next();
        if (!more)
            return std::unexpected(more.error());
        if (!*more)
            break;
        auto row = RowView::make(table, scan.row(), scan.where());
        if (!row)
            return std::unexpected(row.error());
        auto bytes = row->columnBytes(column);
        if (!bytes)
            return fail(bytes.error().code, scan.where() + ": " + bytes.error().message);
        if (*bytes)
            index.m_entries.push_back({foldStored(**bytes), scan.location()});
    }
    std::sort(index.m_entries.begin(), index.m_entries.end(), [](const Entry &a, const Entry &b) {
        return a.folded != b.folded ? a.folded < b.folded : a.at < b.at;
    });
    return index;
}

std::vector<TextColumnIndex::Entry>::const_iterator TextColumnIndex::lowerBound(std::u16string_view folded,
                                                                                RowLocation at) const
{
    return std::lower_bound(m_entries.begin(), m_entries.end(), std::pair(folded, at),
                            [](const Entry &e, const std::pair<std::u16string_view, RowLocation> &key) {
                                const int order = std::u16string_view(e.folded).compare(key.first);
                                return order != 0 ? order < 0 : e.at < key.second;
                            });
}

std::vector<RowLocation> TextColumnIndex::equalTo(std::u16string_view folded) const
{
    std::vector<RowLocation> rows;
    for (auto it = lowerBound(folded, RowLocation{}); it != m_entries.end() && it->folded == folded; ++it)
        rows.push_back(it->at);
    return inScanOrder(std::move(rows));
}

std::vector<RowLocation> TextColumnIndex::matching(const LikePattern &pattern) const
{
    const std::u16string_view prefix = pattern.literalPrefix();
    std::vector<RowLocation> rows;
    for (auto it = lowerBound(prefix, RowLocation{}); it != m_entries.end(); ++it) {
        if (!std::u16string_view(it->folded).starts_with(prefix))
            break;
        if (pattern.matches(it->folded))
            rows.push_back(it->at);
    }
    return inScanOrder(std::move(rows));
}

void TextColumnIndex::add(RowLocation at, std::u16string folded)
{
    const auto it = lowerBound(folded, at);
    m_entries.insert(m_entries.begin() + (it - m_entries.begin()), Entry{std::move(folded), at});
}

bool TextColumnIndex::remove(RowLocation at, std::u16string_view folded)
{
    const auto it = lowerBound(folded, at);
    if (it == m_entries.end() || it->at != at || it->folded != folded)
        return false;
    m_entries.erase(it);
    return true;
}

void ColumnIndexChanges::rowAdded(RowLocation at, const std::vector<RowWriter::Field> &fields)
{
    record(true, at, fields);
}

void ColumnIndexChanges::rowRemoved(RowLocation at, const std::vector<RowWriter::Field> &fields)
{
    record(false, at, fields);
}

void ColumnIndexChanges::record(bool added, RowLocation at, const std::vector<RowWriter::Field> &fields)
{
    if (m_overflowed)
        return;
    if (m_changes.size() >= m_limit) {
        m_overflowed = true;
        m_changes.clear();
        return;
    }
    Change change{added, at, {}};
    for (std::size_t column : m_columns) {
        const RowWriter::Field &f = fields[column];
        change.folded.push_back(f.null ? std::nullopt : std::optional(TextColumnIndex::foldStored(f.bytes)));
    }
    m_changes.push_back(std::move(change));
}

} // namespace Qb::Jet
