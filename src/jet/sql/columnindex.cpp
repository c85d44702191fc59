// The ordered text column index and the recorder of a statement's row changes.
#include "jet/sql/columnindex.h"

#include "jet/format/rowcodec.h"
#include "jet/format/text.h"
#include "jet/sql/likepattern.h"

#include <algorithm>
#include <array>

namespace Qb::Jet {

namespace {

void append(IndexedRows &found, RowLocation at, const std::string &text)
{
    found.rows.push_back({at, std::uint32_t(found.texts.size()), std::uint32_t(text.size())});
    found.texts += text;
}

// Sorts by location with a radix sort on (page, slot): a short prefix can find thousands of
// rows, and their order is the one thing left to do after the range lookup.
IndexedRows inScanOrder(IndexedRows found)
{
    using Row = IndexedRows::Row;
    std::vector<Row> &rows = found.rows;
    if (rows.size() < 64) {
        std::sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) { return a.at < b.at; });
        return found;
    }
    const auto key = [](const Row &r) { return (std::uint64_t(r.at.page) << 16) | r.at.slot; };
    std::uint64_t widest = 0;
    for (const Row &r : rows)
        widest = std::max(widest, key(r));
    std::vector<Row> buffer(rows.size());
    for (unsigned shift = 0; shift < 64 && (widest >> shift) != 0; shift += 11) {
        std::array<std::size_t, 2049> counts{};
        for (const Row &r : rows)
            ++counts[((key(r) >> shift) & 2047) + 1];
        for (std::size_t i = 1; i < counts.size(); ++i)
            counts[i] += counts[i - 1];
        for (const Row &r : rows)
            buffer[counts[(key(r) >> shift) & 2047]++] = r;
        rows.swap(buffer);
    }
    return found;
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
            index.m_entries.push_back({foldStored(**bytes), scan.location(), decodeText(**bytes)});
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

IndexedRows TextColumnIndex::equalTo(std::u16string_view folded) const
{
    IndexedRows found;
    for (auto it = lowerBound(folded, RowLocation{}); it != m_entries.end() && it->folded == folded; ++it)
        append(found, it->at, it->text);
    return inScanOrder(std::move(found));
}

IndexedRows TextColumnIndex::matching(const LikePattern &pattern) const
{
    const std::u16string_view prefix = pattern.literalPrefix();
    // A pattern that is its literal start plus one '%' matches every entry of the range.
    const bool wholeRange = pattern.isPrefixPattern();
    IndexedRows found;
    for (auto it = lowerBound(prefix, RowLocation{}); it != m_entries.end(); ++it) {
        if (!std::u16string_view(it->folded).starts_with(prefix))
            break;
        if (wholeRange || pattern.matches(it->folded))
            append(found, it->at, it->text);
    }
    return inScanOrder(std::move(found));
}

void TextColumnIndex::add(RowLocation at, std::u16string folded, std::string text)
{
    const auto it = lowerBound(folded, at);
    m_entries.insert(m_entries.begin() + (it - m_entries.begin()), Entry{std::move(folded), at, std::move(text)});
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
        if (f.null)
            change.values.push_back(std::nullopt);
        else
            change.values.push_back(IndexedValue{TextColumnIndex::foldStored(f.bytes), added ? decodeText(f.bytes) : std::string()});
    }
    m_changes.push_back(std::move(change));
}

} // namespace Qb::Jet
