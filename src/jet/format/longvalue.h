// SPDX-License-Identifier: GPL-3.0-or-later
// Reading memo and OLE values ("long values") from their 12-byte in-row header: inline, one
// LVAL row, or a chain of LVAL rows. Layout: docs/jet-format.md, "Long values".
#pragma once

#include "jet/format/bytes.h"
#include "jet/jeterror.h"
#include "jet/storage/pagecache.h"

#include <cstdint>
#include <vector>

namespace Qb::Jet {

class PageCache;

inline constexpr std::size_t LongValueHeaderSize = 12;
inline constexpr std::uint32_t LongValueInline = 0x80000000;
inline constexpr std::uint32_t LongValueSingleRow = 0x40000000;
inline constexpr std::uint32_t LongValueLengthMask = 0x3FFFFFFF;

// One LVAL row visited while reading a value (used by the structure check).
struct LongValueRow
{
    std::uint32_t page = 0;
    std::uint8_t row = 0;
};

// The value bytes described by `field` (the column's bytes in the row). Corrupt when the
// header is short, a row is missing or not on an LVAL page, the chain loops, or the chain
// ends before the stated length. Memory is bounded by the bytes actually found, never by the
// stated length alone. `visited`, when given, receives each LVAL row read.
Result<std::vector<std::uint8_t>> readLongValue(PageCache &pages, ByteSpan field,
                                                std::vector<LongValueRow> *visited = nullptr);

// The same bytes without a copy where they lie together: inside `field` (inline), on the LVAL
// page `holder` keeps (one row), or, for a chain, gathered into `scratch` (its capacity
// reused). Valid while `holder` and `scratch` are.
Result<ByteSpan> longValueBytes(PageCache &pages, ByteSpan field, PageRef &holder, std::vector<std::uint8_t> &scratch);

} // namespace Qb::Jet
