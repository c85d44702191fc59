// SPDX-License-Identifier: GPL-3.0-or-later
// Integer key ranges over index B-trees. Key layout: docs/jet-format.md, "Index pages".
#include "jet/sql/rangelookup.h"

#include "jet/format/bytewriter.h"
#include "jet/format/indexkey.h"
#include "jet/format/indexreader.h"

#include <algorithm>

namespace Qb::Jet {

namespace {

std::size_t keyWidth(const ColumnDef &c)
{
    return ColumnType(c.type) == ColumnType::Integer ? 2 : ColumnType(c.type) == ColumnType::Long ? 4 : 0;
}

std::vector<std::uint8_t> keyOf(std::int64_t value, std::size_t width)
{
    std::vector<std::uint8_t> le(4);
    put32(le, 0, std::uint32_t(std::int32_t(value)));
    le.resize(width);
    return IndexKey::integerKey(le);
}

} // namespace

const RealIndexDef *integerIndexOn(const TableDef &table, std::size_t column)
{
    const ColumnDef &c = table.columns[column];
    if (keyWidth(c) == 0)
        return nullptr;
    for (const RealIndexDef &index : table.realIndexes)
        if (!index.columns.empty() && index.columns[0].columnNumber == c.number && index.columns[0].ascending)
            return &index;
    return nullptr;
}

Result<std::vector<RowLocation>> rowsInRanges(PageCache &pages, const TableDef &table, const RealIndexDef &index,
                                              const std::vector<IntegerRange> &ranges)
{
    const ColumnDef *column = nullptr;
    for (const ColumnDef &c : table.columns)
        if (c.number == index.columns[0].columnNumber)
            column = &c;
    const std::size_t width = column ? keyWidth(*column) : 0;
    const std::int64_t limit = width == 2 ? INT16_MAX : INT32_MAX;
    std::vector<IndexRowRef> found;
    const auto collect = [&](ByteSpan low, ByteSpan high) -> Result<void> {
        if (auto ok = findIndexRangeRows(pages, index.rootPage, table.page, low, high, found); !ok)
            return fail(ok.error().code, "index of table on page " + std::to_string(table.page) + ": "
                                             + ok.error().message);
        return {};
    };
    const auto locations = [&] {
        std::vector<RowLocation> rows;
        rows.reserve(found.size());
        for (const IndexRowRef &r : found)
            rows.push_back({r.dataPage, r.dataRow});
        return rows;
    };
    if (ranges.empty()) {
        const std::uint8_t everything = 0xFF;
        if (auto ok = collect({}, ByteSpan(&everything, 1)); !ok)
            return std::unexpected(ok.error());
        return locations();
    }
    for (const IntegerRange &r : ranges) {
        const std::int64_t low = std::max(r.low, -limit - 1);
        const std::int64_t high = std::min(r.high, limit);
        if (low > high)
            continue;
        const auto lowKey = keyOf(low, width);
        const auto highKey = keyOf(high, width);
        if (auto ok = collect(lowKey, highKey); !ok)
            return std::unexpected(ok.error());
    }
    return locations();
}

} // namespace Qb::Jet
