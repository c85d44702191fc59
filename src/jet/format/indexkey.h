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

// Appends the key of an integer stored little-endian to `key` (a row's index key is built in
// one buffer): flag, then the value big-endian with the sign bit flipped, so keys sort like the
// numbers.
inline void appendIntegerKey(std::vector<std::uint8_t> &key, ByteSpan littleEndian)
{
    key.push_back(Ascending);
    const std::size_t first = key.size();
    for (std::size_t i = littleEndian.size(); i-- > 0;)
        key.push_back(littleEndian[i]);
    key[first] ^= 0x80;
}

// That key on its own.
inline std::vector<std::uint8_t> integerKey(ByteSpan littleEndian)
{
    std::vector<std::uint8_t> key;
    appendIntegerKey(key, littleEndian);
    return key;
}

} // namespace Qb::Jet::IndexKey
