// SPDX-License-Identifier: GPL-3.0-or-later
// A table definition (TDEF) as read from its page chain: columns, indexes and the usage-map
// references a reader and a writer need. Layout: docs/jet-format.md, "Table definition".
#pragma once

#include "jet/jeterror.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <string>
#include <vector>

namespace Qb::Jet {

class PageCache;

enum class ColumnType : std::uint8_t {
    Boolean = 0x01,
    Byte = 0x02,
    Integer = 0x03,
    Long = 0x04,
    Currency = 0x05,
    Single = 0x06,
    Double = 0x07,
    DateTime = 0x08,
    Binary = 0x09,
    Text = 0x0A,
    Ole = 0x0B,
    Memo = 0x0C,
    Guid = 0x0F,
    Numeric = 0x10,
};

// Column flag bits (descriptor byte 15) and extended flags (byte 16).
inline constexpr std::uint8_t ColumnFixedLength = 0x01;
inline constexpr std::uint8_t ColumnAutoNumber = 0x04;
inline constexpr std::uint8_t ColumnCompressedUnicode = 0x01;

// A 4-byte reference to a usage-map row: row number and page number.
struct RowPointer
{
    std::uint32_t page = 0;
    std::uint8_t row = 0;
    bool operator==(const RowPointer &) const = default;
};

struct ColumnDef
{
    std::string name;            // UTF-8
    std::uint8_t type = 0;       // a ColumnType value, or another Jet code kept as it is
    std::uint16_t number = 0;    // column number: bit in the null mask (counts deleted columns)
    std::uint16_t varIndex = 0;  // slot in the row's variable-offset table (variable columns)
    std::uint16_t fixedOffset = 0; // offset inside the fixed area (fixed columns)
    std::uint16_t length = 0;    // bytes; Text holds length / 2 characters; 0 for Memo/OLE
    std::uint8_t flags = 0;
    std::uint8_t extFlags = 0;
    std::uint8_t precision = 0;  // Numeric only
    std::uint8_t scale = 0;      // Numeric only
    std::uint16_t sortOrder = 0; // LCID of the text sort order (text and memo)
    std::size_t descriptorOffset = 0; // where the 25-byte descriptor starts in the TDEF buffer

    bool operator==(const ColumnDef &) const = default;
    bool isFixed() const { return flags & ColumnFixedLength; }
    bool isAutoNumber() const { return flags & ColumnAutoNumber; }
    bool isLongValue() const { return type == std::uint8_t(ColumnType::Memo) || type == std::uint8_t(ColumnType::Ole); }
    bool isText() const { return type == std::uint8_t(ColumnType::Text) || type == std::uint8_t(ColumnType::Memo); }
};

struct IndexColumn
{
    std::uint16_t columnNumber = 0;
    bool ascending = true;
    bool operator==(const IndexColumn &) const = default;
};

// A physical index: the B-tree that logical indexes (primary key, foreign keys) share.
struct RealIndexDef
{
    std::vector<IndexColumn> columns;
    RowPointer usageMap;
    std::uint32_t rootPage = 0;
    std::uint8_t flags = 0;           // 0x01 unique, 0x02 ignore nulls, 0x08 required
    std::uint32_t entryCount = 0;     // statistics slot in the fixed block
    std::uint32_t uniqueCount = 0;
    std::size_t statsOffset = 0;      // offset of the 12-byte statistics slot in the TDEF buffer
    std::size_t blockOffset = 0;      // offset of the 52-byte definition block
    bool operator==(const RealIndexDef &) const = default;
};

struct LogicalIndexDef
{
    std::string name;
    std::uint32_t number = 0;
    std::uint32_t realIndex = 0;
    std::uint8_t kind = 0;            // 0x01 primary key, 0x02 foreign key, 0 normal
    bool operator==(const LogicalIndexDef &) const = default;
};

struct LongValueMaps
{
    std::uint16_t columnNumber = 0;
    RowPointer owned;
    RowPointer free;
    bool operator==(const LongValueMaps &) const = default;
};

struct TableDef
{
    std::uint32_t page = 0;           // first TDEF page: the table's object id
    std::vector<std::uint32_t> pages; // every page of the definition chain, in order
    std::uint32_t definitionLength = 0;
    std::uint32_t rowCount = 0;
    std::uint32_t autoNumber = 0;     // last value handed out
    std::uint8_t tableType = 0;       // 'N' user, 'S' system
    std::uint16_t maxColumns = 0;     // num_cols written into new rows
    std::uint16_t variableColumns = 0;
    RowPointer ownedPages;
    RowPointer freeSpacePages;
    std::vector<ColumnDef> columns;   // sorted by column number
    std::vector<RealIndexDef> realIndexes;
    std::vector<LogicalIndexDef> logicalIndexes;
    std::vector<LongValueMaps> longValueMaps;

    bool operator==(const TableDef &) const = default;
    // Index in `columns` of the column named `name` (letters case-insensitive), or -1.
    int findColumn(std::string_view name) const;
    // The column whose number (ColumnDef::number, what indexes refer to) is `number`, or nullptr.
    const ColumnDef *columnByNumber(std::uint16_t number) const;
};

// Reads the definition whose chain starts at `page`. Loops, wrong page types and fields that
// point outside the definition are Corrupt errors naming the page.
Result<TableDef> readTableDef(PageCache &pages, std::uint32_t page);

// Parses an already concatenated definition buffer (first page whole, then bytes 8.. of each
// continuation page). Exposed for tests and fuzzing.
Result<TableDef> parseTableDef(std::span<const std::uint8_t> buffer, std::uint32_t page);

// The number of bytes a fixed column of this type occupies, or 0 when the type has no fixed
// size (then the descriptor's length applies).
std::size_t fixedSizeOf(std::uint8_t type);

// Names the type for schema output ("Long Integer", "Text (50)", ...).
std::string typeName(const ColumnDef &column);

} // namespace Qb::Jet
