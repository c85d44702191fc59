// A per-table lookup aid for the program's equality queries: for every live row, in scan order,
// where its bytes are and the case-folded text of one Text column. Built by one table scan and
// kept by the database until the next write, so the hundreds of "where 分类='n'" queries of a
// tree build compare short strings instead of decoding rows.
#pragma once

#include "jet/storage/pagecache.h"
#include "jet/format/tabledef.h"
#include "jet/sql/tablescan.h"

#include <memory>
#include <string>
#include <vector>

namespace Qb::Jet {

struct TextColumnIndex
{
    struct Row
    {
        RowLocation location;    // the slot the scan met (the pointer slot of an overflow row)
        std::uint32_t page = 0;  // where the row's bytes are (the overflow target's page)
        std::uint16_t start = 0;
        std::uint16_t end = 0;
        bool null = true;
        std::u16string folded;   // the column's text, case-folded (empty when null)
    };
    std::size_t column = 0;      // index into TableDef::columns
    std::vector<Row> rows;
};

// Scans `table` once. REQUIRES: columns[column] is a Text column.
Result<TextColumnIndex> buildTextColumnIndex(PageCache &pages, const TableDef &table,
                                             std::shared_ptr<const std::vector<std::uint32_t>> dataPages,
                                             std::size_t column);

} // namespace Qb::Jet
