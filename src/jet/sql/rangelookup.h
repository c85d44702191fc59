// SPDX-License-Identifier: GPL-3.0-or-later
// Finding rows through a real index of the table for ranges of whole numbers ("ID between 10
// and 20", "ID > 5", "ID in (1, 4, 9)") and for every entry in key order (streaming "order by").
// The index only narrows the candidates; the caller still tests the whole condition on each row.
#pragma once

#include "jet/format/tabledef.h"
#include "jet/sql/tablescan.h"
#include "jet/storage/pagecache.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace Qb::Jet {

// Whole numbers from `low` to `high`, both included.
struct IntegerRange
{
    std::int64_t low = INT64_MIN;
    std::int64_t high = INT64_MAX;
};

// The real index whose first column is `column` (an Integer or Long column, ascending), or null.
const RealIndexDef *integerIndexOn(const TableDef &table, std::size_t column);

// The rows `index` names for keys in `ranges`, in key order (ranges taken in the order given).
// Without ranges, every entry of the index, NULL keys first. Errors when the tree is damaged.
Result<std::vector<RowLocation>> rowsInRanges(PageCache &pages, const TableDef &table, const RealIndexDef &index,
                                              const std::vector<IntegerRange> &ranges);

} // namespace Qb::Jet
