// SPDX-License-Identifier: GPL-3.0-or-later
// Index keys for text under Jet's "General" sort order (LCID 1033, the Access 2000-2007 legacy
// collation), limited to the characters this engine has weights for.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace Qb::Jet::GeneralSort {

inline constexpr std::uint16_t Lcid = 1033;

// Whether this engine can weigh `c` (printable ASCII except the apostrophe and the hyphen,
// which Jet weighs out of line, plus the Chinese characters of the program's table names).
bool canEncode(char16_t c);

// The key bytes of an ascending text index column, flag byte 0x7F included: the inline weights
// of the text (trailing blanks dropped, at most 255 characters), END_TEXT 0x01, then 0x00.
// Empty text gives 7F 01 00. nullopt when a character cannot be encoded (see canEncode).
// Layout: docs/jet-format.md, "Text index keys".
std::optional<std::vector<std::uint8_t>> textKey(std::u16string_view text);

} // namespace Qb::Jet::GeneralSort
