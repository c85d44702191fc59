// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the system catalog. Layout: docs/jet-format.md, "System catalog".
#include "jet/format/catalog.h"

#include "jet/format/rowcodec.h"
#include "jet/sql/tablescan.h"
#include "jet/format/text.h"

namespace Qb::Jet {

namespace {

struct CatalogColumns
{
    int id, parentId, name, type, flags;
};

Result<CatalogColumns> catalogColumns(const TableDef &def)
{
    CatalogColumns c{def.findColumn("Id"), def.findColumn("ParentId"), def.findColumn("Name"),
                     def.findColumn("Type"), def.findColumn("Flags")};
    if (c.id < 0 || c.parentId < 0 || c.name < 0 || c.type < 0 || c.flags < 0)
        return fail(ErrorCode::Corrupt, "page 2 is not the system catalog: it lacks the Id, ParentId, Name, "
                                        "Type or Flags column");
    return c;
}

std::int64_t integerOf(const Value &v)
{
    if (const auto *i = std::get_if<std::int64_t>(&v))
        return *i;
    return 0;
}

Result<CatalogEntry> decodeEntry(PageCache &pages, const TableDef &def, const CatalogColumns &cols,
                                 const RowView &row)
{
    CatalogEntry e;
    Value v[5];
    const int indexes[5] = {cols.id, cols.parentId, cols.name, cols.type, cols.flags};
    for (int i = 0; i < 5; ++i) {
        auto value = decodeColumn(pages, def, row, std::size_t(indexes[i]));
        if (!value)
            return std::unexpected(value.error());
        v[i] = std::move(*value);
    }
    e.id = std::int32_t(integerOf(v[0]));
    e.parentId = std::int32_t(integerOf(v[1]));
    if (const auto *s = std::get_if<std::string>(&v[2]))
        e.name = *s;
    e.type = std::int16_t(integerOf(v[3]));
    e.flags = std::uint32_t(integerOf(v[4]));
    return e;
}

} // namespace

bool CatalogEntry::isUserTable() const
{
    constexpr std::uint32_t SystemFlags = 0x80000002u;
    return isTable() && (flags & SystemFlags) == 0 && !name.starts_with("MSys") && !name.starts_with("~");
}

std::optional<CatalogEntry> Catalog::findTable(std::string_view name) const
{
    const std::u16string wanted = foldedUtf16(name);
    for (const auto &e : entries)
        if (e.isTable() && equalsFolded(e.name, wanted))
            return e;
    return std::nullopt;
}

std::vector<std::string> Catalog::userTableNames() const
{
    std::vector<std::string> names;
    for (const auto &e : entries)
        if (e.isUserTable())
            names.push_back(e.name);
    return names;
}

Result<Catalog> readCatalog(PageCache &pages)
{
    auto def = readTableDef(pages, CatalogPage);
    if (!def)
        return fail(ErrorCode::Corrupt, "system catalog: " + def.error().message);
    auto cols = catalogColumns(*def);
    if (!cols)
        return std::unexpected(cols.error());
    auto dataPages = tableDataPages(pages, *def);
    if (!dataPages)
        return fail(ErrorCode::Corrupt, "system catalog: " + dataPages.error().message);
    TableScan scan(pages, *def, std::make_shared<const std::vector<std::uint32_t>>(std::move(*dataPages)));
    Catalog catalog;
    for (;;) {
        auto more = scan.next();
        if (!more)
            return fail(ErrorCode::Corrupt, "system catalog: " + more.error().message);
        if (!*more)
            return catalog;
        auto row = RowView::make(*def, scan.row(), "system catalog " + scan.where());
        if (!row)
            return std::unexpected(row.error());
        auto entry = decodeEntry(pages, *def, *cols, *row);
        if (!entry)
            return fail(ErrorCode::Corrupt, "system catalog " + scan.where() + ": " + entry.error().message);
        catalog.entries.push_back(std::move(*entry));
    }
}

} // namespace Qb::Jet
