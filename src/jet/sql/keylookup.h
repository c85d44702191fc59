// SPDX-License-Identifier: GPL-3.0-or-later
// Finding the rows of equality conditions through a real index of the table, instead of a scan:
// "where ID=n" and "where 分类='n'" when the file has an index on the column. The index only
// narrows the candidates; the caller still tests every condition on each row it reads.
#pragma once

#include "jet/format/tabledef.h"
#include "jet/sql/tablescan.h"
#include "jet/storage/pagecache.h"

#include <optional>
#include <string>
#include <vector>

namespace Qb::Jet {

// One "column = literal" condition of a where clause.
struct KeyCondition
{
    std::size_t column = 0;                 // index into TableDef::columns
    std::optional<double> number;           // numeric columns
    std::u16string folded;                  // text columns: the literal, case-folded
};

// The header slots (as a scan finds them) of every row an index names for the conditions, in
// scan order (page, then slot). nullopt when no index of the table can answer them (no index
// starts with a condition's column, an index this engine cannot encode, a literal outside the
// column's range or with characters the sort order cannot place): the caller scans. Errors
// when the index tree is damaged.
Result<std::optional<std::vector<RowLocation>>> lookupByIndex(PageCache &pages, const TableDef &table,
                                                              const std::vector<KeyCondition> &conditions);

} // namespace Qb::Jet
