// SPDX-License-Identifier: GPL-3.0-or-later
// Little-endian field access over page bytes. Callers check bounds with fits() first; the
// accessors themselves do not, so every decoder states its bounds once and reads freely after.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>

namespace Qb::Jet {

using ByteSpan = std::span<const std::uint8_t>;

// True when [offset, offset + length) lies inside `bytes` (overflow-safe).
inline bool fits(ByteSpan bytes, std::size_t offset, std::size_t length)
{
    return offset <= bytes.size() && length <= bytes.size() - offset;
}

inline std::uint8_t u8(ByteSpan b, std::size_t at) { return b[at]; }
inline std::uint16_t u16(ByteSpan b, std::size_t at) { return std::uint16_t(b[at] | (b[at + 1] << 8)); }
inline std::uint32_t u24(ByteSpan b, std::size_t at)
{
    return std::uint32_t(b[at]) | (std::uint32_t(b[at + 1]) << 8) | (std::uint32_t(b[at + 2]) << 16);
}
inline std::uint32_t u32(ByteSpan b, std::size_t at) { return u16(b, at) | (std::uint32_t(u16(b, at + 2)) << 16); }
inline std::int16_t i16(ByteSpan b, std::size_t at) { return static_cast<std::int16_t>(u16(b, at)); }
inline std::int32_t i32(ByteSpan b, std::size_t at) { return static_cast<std::int32_t>(u32(b, at)); }
inline std::uint64_t u64(ByteSpan b, std::size_t at) { return u32(b, at) | (std::uint64_t(u32(b, at + 4)) << 32); }
inline std::int64_t i64(ByteSpan b, std::size_t at) { return static_cast<std::int64_t>(u64(b, at)); }
inline double f64(ByteSpan b, std::size_t at)
{
    const std::uint64_t bits = u64(b, at);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}
inline float f32(ByteSpan b, std::size_t at)
{
    const std::uint32_t bits = u32(b, at);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// Calls visit(k) for every set bit k of a bitmap (bit k is bit k % 8 of byte k / 8),
// ascending, while visit returns true. Reads eight bytes at a time: usage maps and
// entry bitmaps are mostly zeros.
template<typename Visit>
void forEachSetBit(ByteSpan bits, Visit &&visit)
{
    for (std::size_t i = 0; i < bits.size(); i += 8) {
        std::uint64_t word = 0;
        if (i + 8 <= bits.size() && std::endian::native == std::endian::little) {
            std::memcpy(&word, bits.data() + i, 8);
        } else {
            for (std::size_t j = 0, n = std::min<std::size_t>(8, bits.size() - i); j < n; ++j)
                word |= std::uint64_t(bits[i + j]) << (8 * j);
        }
        for (; word != 0; word &= word - 1)
            if (!visit(std::uint64_t(i) * 8 + std::uint64_t(std::countr_zero(word))))
                return;
    }
}

} // namespace Qb::Jet
