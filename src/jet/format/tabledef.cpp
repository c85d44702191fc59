// SPDX-License-Identifier: GPL-3.0-or-later
// Table definition decoding. Layout: docs/jet-format.md, "Table definition".
#include "jet/format/tabledef.h"

#include "jet/format/bytes.h"
#include "jet/storage/pagecache.h"
#include "jet/format/text.h"

#include <algorithm>
#include <unordered_set>

namespace Qb::Jet {

namespace {

constexpr std::size_t BlockStart = 63;     // first statistics slot
constexpr std::size_t StatsSlotSize = 12;
constexpr std::size_t ColumnSize = 25;
constexpr std::size_t RealIndexSize = 52;
constexpr std::size_t LogicalIndexSize = 28;
constexpr std::size_t MaxDefinitionPages = 256;

// Reads fields sequentially from the definition buffer, failing once on the first overrun.
class Reader
{
public:
    Reader(ByteSpan buffer, std::uint32_t page, std::size_t pos) : m_buf(buffer), m_page(page), m_pos(pos) {}

    Result<ByteSpan> take(std::size_t n, const char *what)
    {
        if (!fits(m_buf, m_pos, n))
            return fail(ErrorCode::Corrupt, "table definition on page " + std::to_string(m_page) + ": "
                                                + what + " runs past the end of the definition (offset "
                                                + std::to_string(m_pos) + ")");
        ByteSpan out = m_buf.subspan(m_pos, n);
        m_pos += n;
        return out;
    }
    Result<std::string> name(const char *what)
    {
        auto len = take(2, what);
        if (!len)
            return std::unexpected(len.error());
        auto bytes = take(u16(*len, 0), what);
        if (!bytes)
            return std::unexpected(bytes.error());
        return decodeUcs2(*bytes);
    }
    std::size_t pos() const { return m_pos; }

private:
    ByteSpan m_buf;
    std::uint32_t m_page;
    std::size_t m_pos;
};

RowPointer rowPointer(ByteSpan b, std::size_t at) { return RowPointer{u24(b, at + 1), b[at]}; }

ColumnDef parseColumn(ByteSpan d, std::size_t offset)
{
    ColumnDef c;
    c.type = d[0];
    c.number = u16(d, 5);
    c.varIndex = u16(d, 7);
    c.flags = d[15];
    c.extFlags = d[16];
    c.fixedOffset = u16(d, 21);
    c.length = u16(d, 23);
    c.descriptorOffset = offset;
    if (c.type == std::uint8_t(ColumnType::Numeric)) {
        c.precision = d[11];
        c.scale = d[12];
    } else {
        c.sortOrder = u16(d, 11);
    }
    return c;
}

RealIndexDef parseRealIndex(ByteSpan d, std::size_t offset)
{
    RealIndexDef idx;
    idx.blockOffset = offset;
    for (int i = 0; i < 10; ++i) {
        const std::uint16_t col = u16(d, 4 + 3 * i);
        if (col != 0xFFFF)
            idx.columns.push_back({col, (d[6 + 3 * i] & 0x01) != 0});
    }
    idx.usageMap = rowPointer(d, 34);
    idx.rootPage = u32(d, 38);
    idx.flags = d[46];
    return idx;
}

Result<void> parseColumns(Reader &r, TableDef &t, std::uint16_t count)
{
    for (std::uint16_t i = 0; i < count; ++i) {
        const std::size_t at = r.pos();
        auto d = r.take(ColumnSize, "a column descriptor");
        if (!d)
            return std::unexpected(d.error());
        t.columns.push_back(parseColumn(*d, at));
    }
    for (auto &c : t.columns) {
        auto n = r.name("a column name");
        if (!n)
            return std::unexpected(n.error());
        c.name = std::move(*n);
    }
    return {};
}

Result<void> parseIndexes(Reader &r, TableDef &t, std::uint32_t realCount, std::uint32_t logicalCount)
{
    for (std::uint32_t i = 0; i < realCount; ++i) {
        const std::size_t at = r.pos();
        auto d = r.take(RealIndexSize, "an index definition");
        if (!d)
            return std::unexpected(d.error());
        t.realIndexes[i] = [&] {
            auto idx = parseRealIndex(*d, at);
            idx.statsOffset = t.realIndexes[i].statsOffset;
            idx.entryCount = t.realIndexes[i].entryCount;
            idx.uniqueCount = t.realIndexes[i].uniqueCount;
            return idx;
        }();
    }
    for (std::uint32_t i = 0; i < logicalCount; ++i) {
        auto d = r.take(LogicalIndexSize, "a logical index definition");
        if (!d)
            return std::unexpected(d.error());
        t.logicalIndexes.push_back({{}, u32(*d, 4), u32(*d, 8), (*d)[23]});
    }
    for (auto &li : t.logicalIndexes) {
        auto n = r.name("an index name");
        if (!n)
            return std::unexpected(n.error());
        li.name = std::move(*n);
    }
    return {};
}

Result<void> parseLongValueMaps(Reader &r, TableDef &t)
{
    for (;;) {
        auto col = r.take(2, "the long-value map list");
        if (!col)
            return std::unexpected(col.error());
        if (u16(*col, 0) == 0xFFFF)
            return {};
        auto refs = r.take(8, "a long-value map reference");
        if (!refs)
            return std::unexpected(refs.error());
        t.longValueMaps.push_back({u16(*col, 0), rowPointer(*refs, 0), rowPointer(*refs, 4)});
    }
}

Result<void> checkColumns(const TableDef &t)
{
    const std::string where = "table definition on page " + std::to_string(t.page) + ": ";
    for (std::size_t i = 0; i < t.columns.size(); ++i) {
        const auto &c = t.columns[i];
        if (i > 0 && c.number == t.columns[i - 1].number)
            return fail(ErrorCode::Corrupt, where + "two columns share the number " + std::to_string(c.number));
        if (!c.isFixed() && c.varIndex >= 0x1000)
            return fail(ErrorCode::Corrupt, where + "column " + c.name + " has an impossible variable index");
    }
    for (const auto &li : t.logicalIndexes)
        if (li.realIndex >= t.realIndexes.size())
            return fail(ErrorCode::Corrupt, where + "index " + li.name + " names a missing physical index");
    return {};
}

} // namespace

const ColumnDef *TableDef::columnByNumber(std::uint16_t number) const
{
    for (const ColumnDef &c : columns)
        if (c.number == number)
            return &c;
    return nullptr;
}

int TableDef::findColumn(std::string_view name) const
{
    // Names are unique ignoring letter case, so a name spelt as stored is the column.
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (columns[i].name == name)
            return int(i);
    const std::u16string wanted = foldedUtf16(name);
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (foldedUtf16(columns[i].name) == wanted)
            return int(i);
    return -1;
}

Result<TableDef> parseTableDef(std::span<const std::uint8_t> buffer, std::uint32_t page)
{
    const std::string where = "table definition on page " + std::to_string(page);
    if (buffer.size() < BlockStart || buffer[0] != 0x02)
        return fail(ErrorCode::Corrupt, where + " is not a table definition page");
    TableDef t;
    t.page = page;
    t.definitionLength = u32(buffer, 8);
    t.rowCount = u32(buffer, 16);
    t.autoNumber = u32(buffer, 20);
    t.tableType = buffer[40];
    t.maxColumns = u16(buffer, 41);
    t.variableColumns = u16(buffer, 43);
    const std::uint16_t columnCount = u16(buffer, 45);
    const std::uint32_t logicalCount = u32(buffer, 47);
    const std::uint32_t realCount = u32(buffer, 51);
    t.ownedPages = rowPointer(buffer, 55);
    t.freeSpacePages = rowPointer(buffer, 59);
    if (realCount > 256 || logicalCount > 256 || columnCount > 4096)
        return fail(ErrorCode::Corrupt, where + ": impossible column or index counts");
    Reader r(buffer, page, BlockStart);
    for (std::uint32_t i = 0; i < realCount; ++i) {
        const std::size_t at = r.pos();
        auto slot = r.take(StatsSlotSize, "an index statistics slot");
        if (!slot)
            return std::unexpected(slot.error());
        RealIndexDef idx;
        idx.statsOffset = at;
        idx.entryCount = u32(*slot, 0);
        idx.uniqueCount = u32(*slot, 4);
        t.realIndexes.push_back(idx);
    }
    if (auto ok = parseColumns(r, t, columnCount); !ok)
        return std::unexpected(ok.error());
    if (auto ok = parseIndexes(r, t, realCount, logicalCount); !ok)
        return std::unexpected(ok.error());
    if (auto ok = parseLongValueMaps(r, t); !ok)
        return std::unexpected(ok.error());
    std::stable_sort(t.columns.begin(), t.columns.end(),
                     [](const ColumnDef &a, const ColumnDef &b) { return a.number < b.number; });
    if (auto ok = checkColumns(t); !ok)
        return std::unexpected(ok.error());
    return t;
}

Result<TableDef> readTableDef(PageCache &pages, std::uint32_t page)
{
    std::vector<std::uint8_t> buffer;
    std::vector<std::uint32_t> chain;
    std::unordered_set<std::uint32_t> seen;
    for (std::uint32_t current = page; current != 0;) {
        if (!seen.insert(current).second || chain.size() >= MaxDefinitionPages)
            return fail(ErrorCode::Corrupt, "table definition on page " + std::to_string(page)
                                                + ": its page chain loops at page " + std::to_string(current));
        auto p = pages.page(current);
        if (!p)
            return std::unexpected(p.error());
        const ByteSpan bytes = bytesOf(*p);
        if (bytes[0] != 0x02)
            return fail(ErrorCode::Corrupt, "page " + std::to_string(current) + " (in the table definition on page "
                                                + std::to_string(page) + ") is not a table definition page");
        buffer.insert(buffer.end(), bytes.begin() + (chain.empty() ? 0 : 8), bytes.end());
        chain.push_back(current);
        current = u32(bytes, 4);
    }
    auto def = parseTableDef(buffer, page);
    if (def)
        def->pages = std::move(chain);
    return def;
}

std::size_t fixedSizeOf(std::uint8_t type)
{
    switch (ColumnType(type)) {
    case ColumnType::Boolean: return 0;
    case ColumnType::Byte: return 1;
    case ColumnType::Integer: return 2;
    case ColumnType::Long: return 4;
    case ColumnType::Single: return 4;
    case ColumnType::Currency:
    case ColumnType::Double:
    case ColumnType::DateTime: return 8;
    case ColumnType::Guid: return 16;
    case ColumnType::Numeric: return 17;
    default: return 0;
    }
}

std::string typeName(const ColumnDef &c)
{
    switch (ColumnType(c.type)) {
    case ColumnType::Boolean: return "Boolean";
    case ColumnType::Byte: return "Byte";
    case ColumnType::Integer: return "Integer";
    case ColumnType::Long: return c.isAutoNumber() ? "AutoNumber" : "Long Integer";
    case ColumnType::Currency: return "Currency";
    case ColumnType::Single: return "Single";
    case ColumnType::Double: return "Double";
    case ColumnType::DateTime: return "DateTime";
    case ColumnType::Binary: return "Binary (" + std::to_string(c.length) + ")";
    case ColumnType::Text: return "Text (" + std::to_string(c.length / 2) + ")";
    case ColumnType::Ole: return "OLE";
    case ColumnType::Memo: return "Memo";
    case ColumnType::Guid: return "Replication ID";
    case ColumnType::Numeric:
        return "Numeric (" + std::to_string(c.precision) + ", " + std::to_string(c.scale) + ")";
    }
    return "Unknown 0x" + [&] {
        static const char hex[] = "0123456789abcdef";
        return std::string{hex[c.type >> 4], hex[c.type & 15]};
    }();
}

} // namespace Qb::Jet
