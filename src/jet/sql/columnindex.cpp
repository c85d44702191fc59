// SPDX-License-Identifier: GPL-3.0-or-later
// The ordered text column index and the recorder of a statement's row changes.
#include "jet/sql/columnindex.h"

#include "jet/format/rowcodec.h"
#include "jet/format/text.h"
#include "jet/sql/likepattern.h"

#include <algorithm>
#include <array>
#include <optional>

namespace Qb::Jet {

namespace {

void append(IndexedRows &found, RowLocation at, std::string_view text)
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

// Whether `e` orders before (folded, at).
inline bool TextColumnIndex::before(const Entry &e, std::u16string_view folded, RowLocation at) const
{
    const int order = keyOf(e).compare(folded);
    return order != 0 ? order < 0 : e.at < at;
}

void TextColumnIndex::appendFolded(ByteSpan stored, std::u16string &out)
{
    forEachStoredUnit(stored, [&](char16_t c) {
        out += foldCase(c);
        return true;
    });
}

std::u16string TextColumnIndex::foldStored(ByteSpan stored)
{
    std::u16string folded;
    folded.reserve(stored.size() / 2);
    appendFolded(stored, folded);
    return folded;
}

void TextColumnIndex::store(Entry &entry, std::u16string_view folded, std::string_view text)
{
    const auto mostlyDead = [](std::size_t size, std::size_t live) { return size > 2 * live && size - live > 65536; };
    if (mostlyDead(m_keys.size(), m_liveKeyUnits) || mostlyDead(m_texts.size(), m_liveTextBytes)
        || m_keys.size() + folded.size() > UINT32_MAX || m_texts.size() + text.size() > UINT32_MAX)
        pack();
    entry.keyOffset = std::uint32_t(m_keys.size());
    entry.keySize = std::uint16_t(folded.size());
    entry.textOffset = std::uint32_t(m_texts.size());
    entry.textSize = std::uint16_t(text.size());
    m_keys.append(folded);
    m_texts.append(text);
    m_liveKeyUnits += folded.size();
    m_liveTextBytes += text.size();
}

// Entry order is the order ranges are read in, so a lookup reads keys and copies texts that sit
// side by side. A run equal to the previous entry's is not stored again.
void TextColumnIndex::pack()
{
    std::u16string keys;
    std::string texts;
    keys.reserve(m_liveKeyUnits);
    texts.reserve(m_liveTextBytes);
    std::optional<Entry> previous; // as it was before packing
    Entry packed;                  // the previous entry, packed
    for (Block &block : m_blocks)
        for (Entry &e : block) {
            const Entry old = e;
            const bool sameKey = previous && keyOf(*previous) == keyOf(old);
            const bool sameText = previous && textOf(*previous) == textOf(old);
            e.keyOffset = sameKey ? packed.keyOffset : std::uint32_t(keys.size());
            e.textOffset = sameText ? packed.textOffset : std::uint32_t(texts.size());
            if (!sameKey)
                keys.append(keyOf(old));
            if (!sameText)
                texts.append(textOf(old));
            previous = old;
            packed = e;
        }
    m_keys = std::move(keys);
    m_texts = std::move(texts);
}

TextColumnIndex::Position TextColumnIndex::lowerBound(std::u16string_view folded, RowLocation at) const
{
    const auto below = [&](const Entry &e) { return before(e, folded, at); };
    const auto block = std::partition_point(m_blocks.begin(), m_blocks.end(),
                                            [&](const Block &b) { return below(b.back()); });
    if (block == m_blocks.end())
        return {m_blocks.size(), 0};
    const auto entry = std::partition_point(block->begin(), block->end(), below);
    return {std::size_t(block - m_blocks.begin()), std::size_t(entry - block->begin())};
}

template<typename Visit>
void TextColumnIndex::forEachFrom(Position from, Visit &&visit) const
{
    for (std::size_t b = from.block; b < m_blocks.size(); ++b)
        for (std::size_t e = b == from.block ? from.entry : 0; e < m_blocks[b].size(); ++e)
            if (!visit(m_blocks[b][e]))
                return;
}

IndexedRows TextColumnIndex::equalTo(std::u16string_view folded) const
{
    if (m_unordered)
        return unorderedRows([&](std::u16string_view key) { return key == folded; });
    IndexedRows found;
    forEachFrom(lowerBound(folded, RowLocation{}), [&](const Entry &e) {
        if (keyOf(e) != folded)
            return false;
        append(found, e.at, textOf(e));
        return true;
    });
    return inScanOrder(std::move(found));
}

IndexedRows TextColumnIndex::matching(const LikePattern &pattern) const
{
    if (m_unordered)
        return unorderedRows([&](std::u16string_view key) { return pattern.matches(key); });
    const std::u16string_view prefix = pattern.literalPrefix();
    const auto inRange = [&](const Entry &e) { return keyOf(e).starts_with(prefix); };
    // A pattern that is its literal start plus one '%' matches every entry of the range.
    const bool wholeRange = pattern.isPrefixPattern();
    IndexedRows found;
    const Position from = lowerBound(prefix, RowLocation{});
    for (std::size_t b = from.block; b < m_blocks.size(); ++b) {
        const Block &block = m_blocks[b];
        const auto first = block.begin() + std::ptrdiff_t(b == from.block ? from.entry : 0);
        // The range is contiguous: a block whose last entry is in it lies in it from `first` on.
        const bool whole = inRange(block.back());
        const auto last = whole ? block.end() : std::partition_point(first, block.end(), inRange);
        for (auto e = first; e != last; ++e)
            if (wholeRange || pattern.matches(keyOf(*e)))
                append(found, e->at, textOf(*e));
        if (!whole)
            break;
    }
    return inScanOrder(std::move(found));
}

void TextColumnIndex::add(RowLocation at, std::u16string_view folded, std::string_view text)
{
    if (addUnordered(at, folded, text))
        return;
    order();
    Entry entry{at};
    store(entry, folded, text);
    ++m_size;
    if (m_blocks.empty()) {
        m_blocks.emplace_back().push_back(entry);
        return;
    }
    Position p = lowerBound(folded, at);
    if (p.block == m_blocks.size()) // past every entry: the end of the last block
        p = {m_blocks.size() - 1, m_blocks.back().size()};
    Block &block = m_blocks[p.block];
    block.insert(block.begin() + std::ptrdiff_t(p.entry), entry);
    if (block.size() > MaxBlock)
        splitBlock(p.block);
}

bool TextColumnIndex::remove(RowLocation at, std::u16string_view folded)
{
    if (const auto removed = removeUnordered(at, folded))
        return *removed;
    const Position p = lowerBound(folded, at);
    if (p.block == m_blocks.size())
        return false;
    Block &block = m_blocks[p.block];
    if (block[p.entry].at != at || keyOf(block[p.entry]) != folded)
        return false;
    m_liveKeyUnits -= block[p.entry].keySize;
    m_liveTextBytes -= block[p.entry].textSize;
    block.erase(block.begin() + std::ptrdiff_t(p.entry));
    --m_size;
    if (block.empty())
        m_blocks.erase(m_blocks.begin() + std::ptrdiff_t(p.block));
    else
        mergeIfSmall(p.block);
    return true;
}

void TextColumnIndex::splitBlock(std::size_t b)
{
    Block &full = m_blocks[b];
    const auto half = full.begin() + std::ptrdiff_t(full.size() / 2);
    Block upper(std::make_move_iterator(half), std::make_move_iterator(full.end()));
    full.erase(half, full.end());
    m_blocks.insert(m_blocks.begin() + std::ptrdiff_t(b + 1), std::move(upper));
}

// A block that removals left small joins its next neighbour (or its previous one) when the two
// fit in half a block, so the blocks stay few after many removals.
void TextColumnIndex::mergeIfSmall(std::size_t b)
{
    if (m_blocks[b].size() >= MaxBlock / 8)
        return;
    const auto fits = [&](std::size_t first) {
        return first + 1 < m_blocks.size() && m_blocks[first].size() + m_blocks[first + 1].size() <= MaxBlock / 2;
    };
    const std::size_t first = fits(b) ? b : b > 0 && fits(b - 1) ? b - 1 : m_blocks.size();
    if (first == m_blocks.size())
        return;
    Block &next = m_blocks[first + 1];
    m_blocks[first].insert(m_blocks[first].end(), std::make_move_iterator(next.begin()), std::make_move_iterator(next.end()));
    m_blocks.erase(m_blocks.begin() + std::ptrdiff_t(first + 1));
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
