// SPDX-License-Identifier: GPL-3.0-or-later
// Index lookups. Layout: docs/jet-format.md, "Index pages" and "Text index keys".
#include "jet/sql/keylookup.h"

#include "jet/format/bytewriter.h"
#include "jet/format/generalsort.h"
#include "jet/format/indexkey.h"
#include "jet/format/indexreader.h"

#include <algorithm>
#include <cmath>

namespace Qb::Jet {

namespace {

// The key bytes every entry for the condition starts with. Integer keys are whole; a text key
// stops after its inline weights and END_TEXT, since a stored value may add extra weights
// (accents) that equality under the engine's case folding does not look at.
std::optional<std::vector<std::uint8_t>> keyPrefix(const ColumnDef &c, const KeyCondition &k, bool &whole)
{
    whole = false;
    if (ColumnType(c.type) == ColumnType::Text) {
        auto key = GeneralSort::textKey(k.folded);
        if (!key || key->size() < 2)
            return std::nullopt;
        key->pop_back(); // the terminating 0x00
        return key;
    }
    if (!k.number || std::trunc(*k.number) != *k.number)
        return std::nullopt;
    const std::size_t width = ColumnType(c.type) == ColumnType::Integer ? 2 : ColumnType(c.type) == ColumnType::Long ? 4 : 0;
    const double limit = width == 2 ? 32768.0 : 2147483648.0;
    if (width == 0 || *k.number < -limit || *k.number >= limit)
        return std::nullopt;
    std::vector<std::uint8_t> le(4);
    put32(le, 0, std::uint32_t(std::int32_t(*k.number)));
    le.resize(width);
    whole = true;
    return IndexKey::integerKey(le);
}

// The longest key prefix `index` gives for the conditions: its columns in order while each has
// an equality condition, stopping after a text column.
std::vector<std::uint8_t> indexPrefix(const TableDef &table, const RealIndexDef &index,
                                      const std::vector<KeyCondition> &conditions)
{
    std::vector<std::uint8_t> prefix;
    for (const IndexColumn &ic : index.columns) {
        const ColumnDef *c = table.columnByNumber(ic.columnNumber);
        if (!c || !IndexKey::encodable(*c, ic))
            return prefix;
        const auto k = std::find_if(conditions.begin(), conditions.end(),
                                    [&](const KeyCondition &kc) { return &table.columns[kc.column] == c; });
        if (k == conditions.end())
            return prefix;
        bool whole = false;
        auto part = keyPrefix(*c, *k, whole);
        if (!part)
            return prefix;
        prefix.insert(prefix.end(), part->begin(), part->end());
        if (!whole)
            return prefix;
    }
    return prefix;
}

} // namespace

Result<std::optional<std::vector<RowLocation>>> lookupByIndex(PageCache &pages, const TableDef &table,
                                                              const std::vector<KeyCondition> &conditions)
{
    const RealIndexDef *best = nullptr;
    std::vector<std::uint8_t> prefix;
    for (const RealIndexDef &index : table.realIndexes) {
        auto p = indexPrefix(table, index, conditions);
        if (p.size() > prefix.size()) {
            best = &index;
            prefix = std::move(p);
        }
    }
    if (!best)
        return std::optional<std::vector<RowLocation>>();
    auto entries = findIndexEntries(pages, best->rootPage, table.page, prefix);
    if (!entries)
        return fail(entries.error().code, "index of table on page " + std::to_string(table.page) + ": "
                                              + entries.error().message);
    std::vector<RowLocation> rows;
    for (const IndexEntry &e : *entries)
        rows.push_back({e.dataPage, e.dataRow});
    std::sort(rows.begin(), rows.end(),
              [](const RowLocation &a, const RowLocation &b) { return std::pair(a.page, a.slot) < std::pair(b.page, b.slot); });
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return std::optional(std::move(rows));
}

} // namespace Qb::Jet
