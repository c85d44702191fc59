// SPDX-License-Identifier: GPL-3.0-or-later
// Word-at-a-time helpers shared by the text decoder and encoders (internal to format/).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace Qb::Jet::TextWords {

constexpr char32_t Replacement = 0xFFFD;

// Eight bytes at `p` as a little-endian word, whatever the machine's order.
inline std::uint64_t loadLittle64(const unsigned char *p)
{
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::big)
        v = std::byteswap(v);
    return v;
}

// Four bytes, the lowest first, at `p`.
inline void storeLittle32(char *p, std::uint32_t v)
{
    if constexpr (std::endian::native == std::endian::big)
        v = std::byteswap(v);
    std::memcpy(p, &v, 4);
}

// The bytes of a word that are not ASCII other than zero (U+0000 cannot be stored compressed),
// each marked by its top bit. Below the first such byte no borrow disturbs the mask, so the
// lowest mark is exact; the ones above it are not used.
inline std::uint64_t notAscii(std::uint64_t v)
{
    constexpr std::uint64_t Highs = 0x8080808080808080ull, Ones = 0x0101010101010101ull;
    return (v & Highs) | ((v - Ones) & ~v & Highs);
}

// How many of the eight bytes at `p` lead with ASCII other than zero.
inline std::size_t asciiInEight(const unsigned char *p)
{
    const std::uint64_t bad = notAscii(loadLittle64(p));
    return bad == 0 ? 8 : std::size_t(std::countr_zero(bad)) / 8;
}

} // namespace Qb::Jet::TextWords
