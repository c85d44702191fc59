// SPDX-License-Identifier: GPL-3.0-or-later
// Building text column indexes by one table scan. Each row gives only the bytes of the indexed
// columns (its frame checked once, nothing else decoded, no long value read); each distinct
// stored value is folded and decoded once, and the entries are ordered by a counting sort on the
// rank of their value, so a column of few distinct values (a category number) costs one pass.
#include "jet/sql/columnindex.h"

#include "jet/format/rowcodec.h"
#include "jet/format/text.h"

#include <algorithm>
#include <numeric>
#include <span>
#include <unordered_map>

namespace Qb::Jet {

namespace {

struct BytesHash
{
    using is_transparent = void;
    std::size_t operator()(std::string_view bytes) const { return std::hash<std::string_view>{}(bytes); }
};

std::string_view asChars(ByteSpan bytes)
{
    return {reinterpret_cast<const char *>(bytes.data()), bytes.size()};
}

} // namespace

// The distinct values met so far, their folded keys and UTF-8 texts in two stores of their own,
// and for each row with a value which one it holds (rows in scan order). Values are looked up by
// their stored bytes while that pays: when most of the first SampleRows rows hold a value of
// their own (a name column), every later row is taken as a new value instead of being hashed.
class TextColumnIndex::Collector
{
public:
    static constexpr std::uint32_t NotStored = UINT32_MAX;
    struct Value
    {
        std::uint32_t keyOffset = 0;  // in m_keys
        std::uint32_t textOffset = 0; // in m_texts
        std::uint16_t keySize = 0;
        std::uint16_t textSize = 0;
        std::uint32_t rank = 0;       // of its folded key among the distinct folded keys
        std::uint32_t packedText = NotStored; // its text's offset in the index, once stored there
    };
    struct Row
    {
        std::uint32_t value = 0;
        RowLocation at;
    };

    // Rows looked at before deciding whether values repeat.
    static constexpr std::size_t SampleRows = 4096;

    std::size_t rowCount() const { return m_rows.size(); }
    // Room for `rows` rows (and as many values when they do not repeat), so a large table's
    // build does not copy its collected rows each time they outgrow their storage.
    void expect(std::size_t rows)
    {
        m_rows.reserve(rows);
        if (!m_lookUp) {
            m_values.reserve(rows);
            m_keys.reserve(m_keys.size() * rows / m_rows.size());
            m_texts.reserve(m_texts.size() * rows / m_rows.size());
        }
    }

    Result<void> add(ByteSpan stored, RowLocation at)
    {
        auto value = valueOf(stored);
        if (!value)
            return std::unexpected(value.error());
        m_rows.push_back({*value, at});
        if (m_lookUp && m_rows.size() == SampleRows && m_values.size() > SampleRows / 2) {
            m_lookUp = false;
            m_ids = {};
        }
        return {};
    }

    // Ranks the distinct folded keys (equal ones share a rank) and returns the rows ordered by
    // (rank, location): a counting sort by rank keeps the scan order within one rank.
    std::vector<Row> ordered()
    {
        rankValues();
        std::vector<std::size_t> starts(m_values.size() + 1, 0);
        for (const Row &r : m_rows)
            ++starts[m_values[r.value].rank + 1];
        std::partial_sum(starts.begin(), starts.end(), starts.begin());
        std::vector<Row> out(m_rows.size());
        for (const Row &r : m_rows)
            out[starts[m_values[r.value].rank]++] = r;
        m_rows = {};
        return out;
    }

    Value &value(std::uint32_t id) { return m_values[id]; }
    const Value &value(std::uint32_t id) const { return m_values[id]; }
    const std::vector<Row> &rows() const { return m_rows; }
    // Keeping the rows current before they are ordered: rows stay in scan order; a removed
    // row's value stays behind until ordering (see worthKeeping()).
    void insertRow(RowLocation at, std::u16string_view folded, std::string_view text)
    {
        m_values.push_back({std::uint32_t(m_keys.size()), std::uint32_t(m_texts.size()), std::uint16_t(folded.size()),
                            std::uint16_t(text.size())});
        m_keys.append(folded);
        m_texts.append(text);
        const auto place = std::ranges::upper_bound(m_rows, at, {}, &Row::at);
        m_rows.insert(place, {std::uint32_t(m_values.size() - 1), at});
    }
    // A slot may briefly hold an added row beside the one removed from it (an update's two
    // halves in either order): the row is the one of that slot with that key.
    bool eraseRow(RowLocation at, std::u16string_view folded)
    {
        for (auto row = std::ranges::lower_bound(m_rows, at, {}, &Row::at); row != m_rows.end() && row->at == at; ++row)
            if (key(m_values[row->value]) == folded) {
                m_rows.erase(row);
                return true;
            }
        return false;
    }
    // Whether changes can go on in scan order: values left by removals stay fewer than the
    // rows (plus some slack), and the stores' offsets fit 32 bits with room for a value.
    bool worthKeeping() const
    {
        return m_values.size() < 2 * m_rows.size() + 4096 && m_keys.size() < UINT32_MAX / 2
            && m_texts.size() < UINT32_MAX / 2;
    }

    // Drops what only the scan needed.
    void scanDone()
    {
        m_ids = {};
        m_last = {};
        m_decoded = {};
    }
    // The sizes of the stores, which the index's own need at most.
    std::size_t keyUnits() const { return m_keys.size(); }
    std::size_t textBytes() const { return m_texts.size(); }
    std::u16string_view key(const Value &v) const { return std::u16string_view(m_keys).substr(v.keyOffset, v.keySize); }
    std::string_view text(const Value &v) const { return std::string_view(m_texts).substr(v.textOffset, v.textSize); }

private:
    // A value's place in the sort: the six units of its folded key from `depth` on, three to a
    // word, each stored plus one in 17 bits so that the end of a key (0) orders before any unit.
    struct SortKey
    {
        std::uint64_t high = 0;
        std::uint64_t low = 0;
        std::uint32_t id = 0;
        bool sameAsPrevious = false; // set once sorted: its folded key equals the previous one's
        bool operator<(const SortKey &o) const { return high != o.high ? high < o.high : low < o.low; }
        bool sameWindow(const SortKey &o) const { return high == o.high && low == o.low; }
    };
    static constexpr std::size_t UnitsPerKey = 6;
    // Runs this short are sorted by comparing the rest of their keys instead.
    static constexpr std::size_t ShortRun = 16;

    void setKeyAt(SortKey &k, std::size_t depth) const
    {
        const std::u16string_view text = key(m_values[k.id]);
        const auto word = [&](std::size_t from) {
            std::uint64_t w = 0;
            for (std::size_t i = from; i < from + UnitsPerKey / 2; ++i)
                w = (w << 17) | (i < text.size() ? std::uint64_t(text[i]) + 1 : 0);
            return w;
        };
        k.high = word(depth);
        k.low = word(depth + UnitsPerKey / 2);
    }

    // Sorts keys that agree on their first `depth` units, UnitsPerKey units at a time: an
    // integer sort per level, then each run of equal windows on the next units. Keys with long
    // shared beginnings (names of one module) cost one pass per level, not a comparison of the
    // whole beginning at every step.
    void sortFrom(std::span<SortKey> keys, std::size_t depth)
    {
        if (keys.size() <= ShortRun)
            return sortShort(keys, depth);
        for (SortKey &k : keys)
            setKeyAt(k, depth);
        std::sort(keys.begin(), keys.end());
        for (std::size_t first = 0; first < keys.size();) {
            std::size_t end = first + 1;
            while (end < keys.size() && keys[end].sameWindow(keys[first]))
                ++end;
            if (end - first > 1) {
                if ((keys[first].low & 0x1FFFF) != 0)
                    sortFrom(keys.subspan(first, end - first), depth + UnitsPerKey);
                else // every key of the run ended: they are equal
                    for (std::size_t i = first + 1; i < end; ++i)
                        keys[i].sameAsPrevious = true;
            }
            first = end;
        }
    }

    void sortShort(std::span<SortKey> keys, std::size_t depth)
    {
        const auto rest = [&](const SortKey &k) { return key(m_values[k.id]).substr(std::min<std::size_t>(depth, m_values[k.id].keySize)); };
        std::sort(keys.begin(), keys.end(), [&](const SortKey &a, const SortKey &b) { return rest(a) < rest(b); });
        for (std::size_t i = 1; i < keys.size(); ++i)
            keys[i].sameAsPrevious = rest(keys[i]) == rest(keys[i - 1]);
    }

    void rankValues()
    {
        std::vector<SortKey> keys(m_values.size());
        for (std::size_t i = 0; i < keys.size(); ++i)
            keys[i].id = std::uint32_t(i);
        sortFrom(keys, 0);
        std::uint32_t rank = 0;
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (i > 0 && !keys[i].sameAsPrevious)
                ++rank;
            m_values[keys[i].id].rank = rank;
        }
    }

    Result<std::uint32_t> valueOf(ByteSpan stored)
    {
        const std::string_view key = asChars(stored);
        if (!m_values.empty() && key == m_last)
            return m_lastValue;
        if (m_lookUp) {
            if (auto it = m_ids.find(key); it != m_ids.end())
                return remember(key, it->second);
        }
        auto added = addValue(stored);
        if (!added)
            return added;
        if (m_lookUp)
            m_ids.emplace(std::string(key), *added);
        return remember(key, *added);
    }

    std::uint32_t remember(std::string_view key, std::uint32_t id)
    {
        m_last.assign(key);
        m_lastValue = id;
        return id;
    }

    // Values fit a row, so their sizes fit 16 bits; the stores' offsets must fit 32.
    Result<std::uint32_t> addValue(ByteSpan stored)
    {
        decodeTextInto(stored, m_decoded);
        const std::size_t keyStart = m_keys.size();
        appendFolded(stored, m_keys);
        const std::size_t keySize = m_keys.size() - keyStart;
        if (m_texts.size() + m_decoded.size() > UINT32_MAX || m_keys.size() > UINT32_MAX || m_values.size() >= UINT32_MAX
            || keySize > UINT16_MAX || m_decoded.size() > UINT16_MAX)
            return fail(ErrorCode::Unsupported, "the column's text is too large to index in memory");
        m_values.push_back({std::uint32_t(keyStart), std::uint32_t(m_texts.size()), std::uint16_t(keySize),
                            std::uint16_t(m_decoded.size())});
        m_texts += m_decoded;
        return std::uint32_t(m_values.size() - 1);
    }

    std::vector<Value> m_values;
    std::u16string m_keys;       // the values' folded keys, in the order they were met
    std::string m_texts;         // their UTF-8 texts, likewise
    std::vector<Row> m_rows;
    std::unordered_map<std::string, std::uint32_t, BytesHash, std::equal_to<>> m_ids;
    bool m_lookUp = true;
    std::string m_last;          // the stored bytes of the previous row's value
    std::uint32_t m_lastValue = 0;
    std::string m_decoded;       // scratch: the UTF-8 of a new value
};

namespace {

// Counts the distinct data pages a scan has met, for the collectors' estimate of its rows.
struct PageCounter
{
    std::size_t seen = 0;
    std::uint32_t last = 0;
    void meet(std::uint32_t page)
    {
        if (seen == 0 || page != last) {
            last = page;
            ++seen;
        }
    }
};

} // namespace

TextColumnIndex::TextColumnIndex(std::size_t column) : m_column(column) {}
TextColumnIndex::TextColumnIndex(TextColumnIndex &&) noexcept = default;
TextColumnIndex &TextColumnIndex::operator=(TextColumnIndex &&) noexcept = default;
TextColumnIndex::~TextColumnIndex() = default;

Result<std::vector<TextColumnIndex>> TextColumnIndex::build(PageCache &pages, const TableDef &table,
                                                            std::shared_ptr<const std::vector<std::uint32_t>> dataPages,
                                                            const std::vector<std::size_t> &columns)
{
    std::vector<Collector> collectors(columns.size());
    const std::size_t pageTotal = dataPages->size();
    PageCounter counter;
    TableScan scan(pages, table, std::move(dataPages), false);
    for (;;) {
        auto more = scan.next();
        if (!more)
            return std::unexpected(more.error());
        if (!*more)
            break;
        auto row = RowView::make(table, scan.row());
        if (!row)
            return fail(row.error().code, scan.where() + ": " + row.error().message);
        counter.meet(scan.location().page);
        for (std::size_t k = 0; k < columns.size(); ++k) {
            auto bytes = row->columnBytes(columns[k]);
            if (!bytes)
                return fail(bytes.error().code, scan.where() + ": " + bytes.error().message);
            if (!*bytes)
                continue;
            Collector &collector = collectors[k];
            if (auto added = collector.add(**bytes, scan.location()); !added)
                return std::unexpected(added.error());
            if (collector.rowCount() == Collector::SampleRows) // the rows per page so far, a tenth more
                collector.expect(Collector::SampleRows * pageTotal / counter.seen * 11 / 10);
        }
    }
    std::vector<TextColumnIndex> indexes;
    for (std::size_t k = 0; k < columns.size(); ++k) {
        TextColumnIndex &index = indexes.emplace_back(columns[k]);
        collectors[k].scanDone();
        index.m_size = collectors[k].rowCount();
        index.m_unordered = std::make_unique<Collector>(std::move(collectors[k]));
    }
    return indexes;
}

void TextColumnIndex::order()
{
    if (!m_unordered)
        return;
    fill(*m_unordered);
    m_unordered.reset();
}

bool TextColumnIndex::addUnordered(RowLocation at, std::u16string_view folded, std::string_view text)
{
    if (!m_unordered || !m_unordered->worthKeeping())
        return false;
    m_unordered->insertRow(at, folded, text);
    ++m_size;
    return true;
}

std::optional<bool> TextColumnIndex::removeUnordered(RowLocation at, std::u16string_view folded)
{
    if (!m_unordered)
        return std::nullopt;
    const bool removed = m_unordered->eraseRow(at, folded);
    m_size -= removed ? 1 : 0;
    return removed;
}

IndexedRows TextColumnIndex::unorderedRows(const std::function<bool(std::u16string_view)> &test) const
{
    IndexedRows found;
    for (const Collector::Row &row : m_unordered->rows()) {
        const Collector::Value &v = m_unordered->value(row.value);
        if (!test(m_unordered->key(v)))
            continue;
        const std::string_view text = m_unordered->text(v);
        found.rows.push_back({row.at, std::uint32_t(found.texts.size()), std::uint32_t(text.size())});
        found.texts += text;
    }
    return found;
}

// Half-full blocks: the first additions fill them instead of splitting them. The stores are
// written in entry order; an entry shares the key of the entry before it when the two fold
// alike, and the text of an earlier entry of the same stored value.
void TextColumnIndex::fill(Collector &collector)
{
    const std::vector<Collector::Row> rows = collector.ordered();
    m_blocks.reserve((rows.size() + MaxBlock / 2 - 1) / (MaxBlock / 2));
    m_keys.reserve(collector.keyUnits());
    m_texts.reserve(collector.textBytes());
    const Collector::Value *previous = nullptr;
    Entry entry;
    for (std::size_t first = 0; first < rows.size(); first += MaxBlock / 2) {
        Block &block = m_blocks.emplace_back();
        const std::size_t end = std::min(rows.size(), first + MaxBlock / 2);
        block.reserve(end - first);
        for (std::size_t i = first; i < end; ++i) {
            Collector::Value &v = collector.value(rows[i].value);
            if (!previous || previous->rank != v.rank) {
                entry.keyOffset = std::uint32_t(m_keys.size());
                m_keys.append(collector.key(v));
            }
            if (v.packedText == Collector::NotStored) {
                v.packedText = std::uint32_t(m_texts.size());
                m_texts.append(collector.text(v));
            }
            entry = {rows[i].at, entry.keyOffset, v.packedText, v.keySize, v.textSize};
            block.push_back(entry);
            m_liveKeyUnits += v.keySize;
            m_liveTextBytes += v.textSize;
            previous = &v;
        }
    }
}

} // namespace Qb::Jet
