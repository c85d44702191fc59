// SPDX-License-Identifier: GPL-3.0-or-later
// TDEF encoding. Constants that TableDef does not model (1625, 1923, the 0x04 bytes of logical
// index blocks) are the values every Jet-made definition carries.
#include "jet/format/tdefwriter.h"

#include "jet/format/datapage.h"
#include "jet/storage/pagesource.h"
#include "jet/format/text.h"

#include <algorithm>

namespace Qb::Jet::TdefWriter {

namespace {

constexpr std::uint32_t TdefMagic = 1625;
constexpr std::uint32_t RealIndexMagic = 1923;
constexpr std::size_t MaxIndexColumns = 10;

std::uint32_t ref(RowPointer p) { return packRowPointer(p.page, p.row); }

void appendName(std::vector<std::uint8_t> &out, const std::string &utf8)
{
    const std::u16string name = utf8ToUtf16(utf8);
    append16(out, std::uint16_t(name.size() * 2));
    for (char16_t c : name)
        append16(out, c);
}

void appendFixedBlock(std::vector<std::uint8_t> &out, const TableDef &t)
{
    out.resize(63, 0);
    out[0] = PageTypeTableDef;
    out[1] = 0x01;
    put32(out, 12, TdefMagic);
    put32(out, RowCountOffset, t.rowCount);
    put32(out, AutoNumberOffset, t.autoNumber);
    out[24] = 0x01;
    out[40] = t.tableType;
    put16(out, 41, t.maxColumns);
    put16(out, 43, std::uint16_t(std::count_if(t.columns.begin(), t.columns.end(),
                                               [](const ColumnDef &c) { return !c.isFixed(); })));
    put16(out, 45, std::uint16_t(t.columns.size()));
    put32(out, 47, std::uint32_t(t.logicalIndexes.size()));
    put32(out, 51, std::uint32_t(t.realIndexes.size()));
    put32(out, 55, ref(t.ownedPages));
    put32(out, 59, ref(t.freeSpacePages));
    for (const RealIndexDef &idx : t.realIndexes) {
        append32(out, idx.entryCount);
        append32(out, idx.uniqueCount);
        append32(out, 0);
    }
}

void appendColumn(std::vector<std::uint8_t> &out, const ColumnDef &c)
{
    out.push_back(c.type);
    append32(out, TdefMagic);
    append16(out, c.number);
    append16(out, c.varIndex);
    append16(out, c.number);
    if (c.type == std::uint8_t(ColumnType::Numeric)) {
        out.push_back(c.precision);
        out.push_back(c.scale);
        append16(out, 0);
    } else {
        append16(out, c.sortOrder);
        append16(out, 0);
    }
    out.push_back(c.flags);
    out.push_back(c.extFlags);
    append32(out, 0);
    append16(out, c.fixedOffset);
    append16(out, c.length);
}

void appendRealIndex(std::vector<std::uint8_t> &out, const RealIndexDef &idx)
{
    append32(out, RealIndexMagic);
    for (std::size_t i = 0; i < MaxIndexColumns; ++i) {
        const bool used = i < idx.columns.size();
        append16(out, used ? idx.columns[i].columnNumber : 0xFFFF);
        out.push_back(used && idx.columns[i].ascending ? 0x01 : 0x00);
    }
    append32(out, ref(idx.usageMap));
    append32(out, idx.rootPage);
    append32(out, 0);
    out.push_back(idx.flags);
    out.insert(out.end(), 5, 0);
}

void appendLogicalIndex(std::vector<std::uint8_t> &out, const LogicalIndexDef &idx)
{
    append32(out, TdefMagic);
    append32(out, idx.number);
    append32(out, idx.realIndex);
    out.push_back(0);
    append32(out, 0xFFFFFFFF); // no related index
    append32(out, 0);
    out.push_back(0x04);
    out.push_back(0x04);
    out.push_back(idx.kind);
    append32(out, 0);
}

} // namespace

std::vector<std::uint8_t> encode(const TableDef &t)
{
    std::vector<std::uint8_t> out;
    appendFixedBlock(out, t);
    for (const ColumnDef &c : t.columns)
        appendColumn(out, c);
    for (const ColumnDef &c : t.columns)
        appendName(out, c.name);
    for (const RealIndexDef &idx : t.realIndexes)
        appendRealIndex(out, idx);
    for (const LogicalIndexDef &idx : t.logicalIndexes)
        appendLogicalIndex(out, idx);
    for (const LogicalIndexDef &idx : t.logicalIndexes)
        appendName(out, idx.name);
    for (const LongValueMaps &m : t.longValueMaps) {
        append16(out, m.columnNumber);
        append32(out, ref(m.owned));
        append32(out, ref(m.free));
    }
    append16(out, 0xFFFF);
    put32(out, 8, std::uint32_t(out.size()));
    // Jet counts the page header twice in this field; readers ignore it, Jet-made files agree.
    put16(out, 2, std::uint16_t(PageSize - out.size() - 8));
    return out;
}

void patchCounters(MutableBytes firstPage, const TableDef &t)
{
    put32(firstPage, RowCountOffset, t.rowCount);
    put32(firstPage, AutoNumberOffset, t.autoNumber);
    for (const RealIndexDef &idx : t.realIndexes) {
        put32(firstPage, idx.statsOffset, idx.entryCount);
        put32(firstPage, idx.statsOffset + 4, idx.uniqueCount);
    }
}

} // namespace Qb::Jet::TdefWriter
