// SPDX-License-Identifier: GPL-3.0-or-later
// Index key bytes for the column types this engine encodes: integers (Integer, Long, Currency)
// and text under the General sort order, ascending. Layout: docs/jet-format.md, "Index pages"
// and "Text index keys".
#pragma once

#include "jet/format/bytes.h"
#include "jet/format/generalsort.h"
#include "jet/format/tabledef.h"

#include <vector>

namespace Qb::Jet::IndexKey {

inline constexpr std::uint8_t Ascending = 0x7F;
inline constexpr std::uint8_t NullAscending = 0x00;
inline constexpr std::uint8_t EndOfText = 0x01;

// Whether this engine can encode keys of column `c` in an index column `ic`.
inline bool encodable(const ColumnDef &c, const IndexColumn &ic)
{
    if (!ic.ascending)
        return false;
    switch (ColumnType(c.type)) {
    case ColumnType::Long:
    case ColumnType::Integer:
    case ColumnType::Currency: return true;
    case ColumnType::Text: return c.sortOrder == GeneralSort::Lcid;
    default: return false;
    }
}

// The key of an integer stored little-endian: flag, then the value big-endian with the sign bit
// flipped, so keys sort like the numbers.
inline std::vector<std::uint8_t> integerKey(ByteSpan littleEndian)
{
    std::vector<std::uint8_t> key{Ascending};
    for (std::size_t i = littleEndian.size(); i-- > 0;)
        key.push_back(littleEndian[i]);
    key[1] ^= 0x80;
    return key;
}

} // namespace Qb::Jet::IndexKey
