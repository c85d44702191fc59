// Building the folded text column index.
#include "jet/sql/columnindex.h"

#include "jet/format/rowcodec.h"
#include "jet/format/text.h"

namespace Qb::Jet {

Result<TextColumnIndex> buildTextColumnIndex(PageCache &pages, const TableDef &table,
                                             std::shared_ptr<const std::vector<std::uint32_t>> dataPages,
                                             std::size_t column)
{
    TextColumnIndex index;
    index.column = column;
    TableScan scan(pages, table, std::move(dataPages));
    for (;;) {
        auto more = scan.next();
        if (!more)
            return std::unexpected(more.error());
        if (!*more)
            return index;
        auto row = RowView::make(table, scan.row(), scan.where());
        if (!row)
            return std::unexpected(row.error());
        auto bytes = row->columnBytes(column);
        if (!bytes)
            return fail(bytes.error().code, scan.where() + ": " + bytes.error().message);
        TextColumnIndex::Row entry;
        entry.location = scan.location();
        entry.page = scan.rowPage();
        entry.start = scan.rowStart();
        entry.end = std::uint16_t(entry.start + scan.row().size());
        entry.null = !*bytes;
        if (*bytes)
            forEachStoredUnit(**bytes, [&](char16_t c) {
                entry.folded += foldCase(c);
                return true;
            });
        index.rows.push_back(std::move(entry));
    }
}

} // namespace Qb::Jet
