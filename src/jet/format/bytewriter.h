// SPDX-License-Identifier: GPL-3.0-or-later
// Little-endian (and, for index keys, big-endian) field stores into page buffers, the writing
// counterpart of bytes.h. Callers size their buffers first; the stores do not check bounds.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace Qb::Jet {

using MutableBytes = std::span<std::uint8_t>;

inline void put16(MutableBytes b, std::size_t at, std::uint16_t v)
{
    b[at] = std::uint8_t(v);
    b[at + 1] = std::uint8_t(v >> 8);
}
inline void put24(MutableBytes b, std::size_t at, std::uint32_t v)
{
    b[at] = std::uint8_t(v);
    b[at + 1] = std::uint8_t(v >> 8);
    b[at + 2] = std::uint8_t(v >> 16);
}
inline void put32(MutableBytes b, std::size_t at, std::uint32_t v)
{
    put16(b, at, std::uint16_t(v));
    put16(b, at + 2, std::uint16_t(v >> 16));
}
inline void putF64(MutableBytes b, std::size_t at, double d)
{
    std::uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    put32(b, at, std::uint32_t(bits));
    put32(b, at + 4, std::uint32_t(bits >> 32));
}

// Appending forms, for building variable-length structures.
inline void append16(std::vector<std::uint8_t> &v, std::uint16_t x)
{
    v.push_back(std::uint8_t(x));
    v.push_back(std::uint8_t(x >> 8));
}
inline void append32(std::vector<std::uint8_t> &v, std::uint32_t x)
{
    append16(v, std::uint16_t(x));
    append16(v, std::uint16_t(x >> 16));
}
inline void appendBytes(std::vector<std::uint8_t> &v, std::span<const std::uint8_t> b)
{
    v.insert(v.end(), b.begin(), b.end());
}
inline void appendBe24(std::vector<std::uint8_t> &v, std::uint32_t x)
{
    v.push_back(std::uint8_t(x >> 16));
    v.push_back(std::uint8_t(x >> 8));
    v.push_back(std::uint8_t(x));
}
inline void appendBe32(std::vector<std::uint8_t> &v, std::uint32_t x)
{
    v.push_back(std::uint8_t(x >> 24));
    appendBe24(v, x);
}
inline std::uint32_t readBe32(std::span<const std::uint8_t> b, std::size_t at)
{
    return (std::uint32_t(b[at]) << 24) | (std::uint32_t(b[at + 1]) << 16) | (std::uint32_t(b[at + 2]) << 8) | b[at + 3];
}

// A row reference stored in usage-map and overflow pointers: row number, then page (3 bytes LE).
inline std::uint32_t packRowPointer(std::uint32_t page, std::uint8_t row) { return row | (page << 8); }

} // namespace Qb::Jet
