// SPDX-License-Identifier: GPL-3.0-or-later
// Building a text column index by one table scan. Each row gives only the bytes of the indexed
// column (its frame checked, nothing else decoded, no long value read); each distinct stored
// value is folded and decoded once, and the entries are ordered by a counting sort on the rank
// of their value, so a column of few distinct values (a category number) costs one pass.
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

// The distinct values met so far and, for each row with a value, which one it holds (rows in
// scan order). Values are looked up by their stored bytes while that pays: when most of the
// first SampleRows rows hold a value of their own (a name column), every later row is taken as
// a new value instead of being hashed.
class TextColumnIndex::Collector
{
public:
    struct Value
    {
        std::u16string folded;
        std::uint32_t textOffset = 0;
        std::uint32_t textSize = 0;
        std::uint32_t uses = 0;
        std::uint32_t rank = 0; // of `folded` among the distinct folded texts
    };
    struct Row
    {
        std::uint32_t value = 0;
        RowLocation at;
    };

    // Rows looked at before deciding whether values repeat.
    static constexpr std::size_t SampleRows = 4096;

    explicit Collector(std::string &texts) : m_texts(texts) {}

    std::size_t rowCount() const { return m_rows.size(); }
    // Room for `rows` rows (and as many values when they do not repeat), so a large table's
    // build does not copy its collected rows each time they outgrow their storage.
    void expect(std::size_t rows)
    {
        m_rows.reserve(rows);
        if (!m_lookUp)
            m_values.reserve(rows);
    }

    Result<void> add(ByteSpan stored, RowLocation at)
    {
        auto value = valueOf(stored);
        if (!value)
            return std::unexpected(value.error());
        ++m_values[*value].uses;
        m_rows.push_back({*value, at});
        if (m_lookUp && m_rows.size() == SampleRows && m_values.size() > SampleRows / 2) {
            m_lookUp = false;
            m_ids = {};
        }
        return {};
    }

    // Ranks the distinct folded texts (equal ones share a rank) and returns the rows ordered by
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

private:
    // A value's place in the sort: the three units of its folded text from `depth` on, each
    // stored plus one in 17 bits so that the end of a text (0) orders before any unit.
    struct SortKey
    {
        std::uint64_t key = 0;
        std::uint32_t id = 0;
        bool sameAsPrevious = false; // set once sorted: its folded text equals the previous one's
    };
    static constexpr std::size_t UnitsPerKey = 3;

    std::uint64_t keyAt(std::uint32_t id, std::size_t depth) const
    {
        const std::u16string &text = m_values[id].folded;
        std::uint64_t key = 0;
        for (std::size_t k = depth; k < depth + UnitsPerKey; ++k)
            key = (key << 17) | (k < text.size() ? std::uint64_t(text[k]) + 1 : 0);
        return key;
    }

    // Sorts texts that agree on their first `depth` units, UnitsPerKey units at a time: an
    // integer sort per level, then each run of equal keys on the next units. Texts with long
    // shared beginnings (names of one module) cost one pass per level, not a comparison of the
    // whole beginning at every step.
    void sortFrom(std::span<SortKey> keys, std::size_t depth)
    {
        for (SortKey &k : keys)
            k.key = keyAt(k.id, depth);
        std::sort(keys.begin(), keys.end(), [](const SortKey &a, const SortKey &b) { return a.key < b.key; });
        for (std::size_t first = 0; first < keys.size();) {
            std::size_t end = first + 1;
            while (end < keys.size() && keys[end].key == keys[first].key)
                ++end;
            if (end - first > 1) {
                if ((keys[first].key & 0x1FFFF) != 0)
                    sortFrom(keys.subspan(first, end - first), depth + UnitsPerKey);
                else // every text of the run ended: they are equal
                    for (std::size_t i = first + 1; i < end; ++i)
                        keys[i].sameAsPrevious = true;
            }
            first = end;
        }
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

    Result<std::uint32_t> addValue(ByteSpan stored)
    {
        decodeTextInto(stored, m_decoded);
        if (m_texts.size() + m_decoded.size() > UINT32_MAX || m_values.size() >= UINT32_MAX)
            return fail(ErrorCode::Unsupported, "the column's text is too large to index in memory");
        m_values.push_back({foldStored(stored), std::uint32_t(m_texts.size()), std::uint32_t(m_decoded.size())});
        m_texts += m_decoded;
        return std::uint32_t(m_values.size() - 1);
    }

    std::string &m_texts;
    std::vector<Value> m_values;
    std::vector<Row> m_rows;
    std::unordered_map<std::string, std::uint32_t, BytesHash, std::equal_to<>> m_ids;
    bool m_lookUp = true;
    std::string m_last;          // the stored bytes of the previous row's value
    std::uint32_t m_lastValue = 0;
    std::string m_decoded;       // scratch: the UTF-8 of a new value
};

Result<TextColumnIndex> TextColumnIndex::build(PageCache &pages, const TableDef &table,
                                               std::shared_ptr<const std::vector<std::uint32_t>> dataPages,
                                               std::size_t column)
{
    TextColumnIndex index(column);
    Collector collector(index.m_texts);
    const std::size_t pageTotal = dataPages->size();
    std::size_t pagesSeen = 0;
    std::uint32_t lastPage = 0;
    TableScan scan(pages, table, std::move(dataPages), false);
    for (;;) {
        auto more = scan.next();
        if (!more)
            return std::unexpected(more.error());
        if (!*more)
            break;
        auto row = RowView::make(table, scan.row());
        auto bytes = row ? row->columnBytes(column) : Result<std::optional<ByteSpan>>(std::unexpected(row.error()));
        if (!bytes)
            return fail(bytes.error().code, scan.where() + ": " + bytes.error().message);
        if (pagesSeen == 0 || scan.location().page != lastPage) {
            lastPage = scan.location().page;
            ++pagesSeen;
        }
        if (!*bytes)
            continue;
        if (auto added = collector.add(**bytes, scan.location()); !added)
            return std::unexpected(added.error());
        if (collector.rowCount() == Collector::SampleRows) // the rows per page so far, a tenth more
            collector.expect(Collector::SampleRows * pageTotal / pagesSeen * 11 / 10);
    }
    index.fill(collector);
    return index;
}

// Half-full blocks: the first additions fill them instead of splitting them. A value's folded
// text moves into the entry of its last row, so a column of distinct values copies no key.
void TextColumnIndex::fill(Collector &collector)
{
    const std::vector<Collector::Row> rows = collector.ordered();
    m_size = rows.size();
    m_liveTextBytes = 0;
    m_blocks.reserve((rows.size() + MaxBlock / 2 - 1) / (MaxBlock / 2));
    for (std::size_t first = 0; first < rows.size(); first += MaxBlock / 2) {
        Block &block = m_blocks.emplace_back();
        const std::size_t end = std::min(rows.size(), first + MaxBlock / 2);
        block.reserve(end - first);
        for (std::size_t i = first; i < end; ++i) {
            Collector::Value &v = collector.value(rows[i].value);
            block.push_back({--v.uses == 0 ? std::move(v.folded) : v.folded, rows[i].at, v.textOffset, v.textSize});
            m_liveTextBytes += v.textSize;
        }
    }
    packTexts();
}

} // namespace Qb::Jet
