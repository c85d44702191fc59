// SPDX-License-Identifier: GPL-3.0-or-later
// Page 0 of a Jet 4 file: validation, the obfuscated header region and the database password.
// Layout: docs/jet-format.md, "Page 0".
#pragma once

#include "jet/format/bytes.h"
#include "jet/jeterror.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace Qb::Jet {

inline constexpr std::size_t HeaderMaskOffset = 0x18;
inline constexpr std::size_t HeaderMaskLength = 128;
inline constexpr std::size_t PasswordOffset = 0x42;
inline constexpr std::size_t PasswordLength = 40;
inline constexpr std::size_t CreationDateOffset = 0x72;

struct DatabaseHeader
{
    std::uint8_t version = 0;
    std::uint16_t codePage = 0;
    std::uint32_t dbKey = 0;      // non-zero: every page but page 0 is RC4-encrypted
    std::uint16_t sortOrderLcid = 0;
    std::uint8_t sortOrderVersion = 0;
    double creationDate = 0;      // days since 1899-12-30
    std::u16string password;      // empty: no password
};

// The 128-byte keystream that masks bytes 0x18..0x97 of page 0. XOR with it both decodes and
// encodes the region.
const std::array<std::uint8_t, HeaderMaskLength> &headerMask();

// XORs the header region of a whole page 0 in place (decode and encode are the same step).
// REQUIRES: page0.size() >= 0x18 + 128.
void applyHeaderMask(std::span<std::uint8_t> page0);

// The 4-byte mask repeated over the 40 password bytes: the little-endian bytes of the creation
// date truncated to a 32-bit integer.
std::array<std::uint8_t, 4> passwordMask(double creationDate);

// Classifies the first bytes of a file: NotJet, Jet3 or Ace errors, or success when they look
// like a Jet 4 header. Works on fewer than 4096 bytes too.
Result<void> checkSignature(ByteSpan prefix);

// Validates and decodes a raw (still masked) page 0 of a file of `fileSize` bytes.
Result<DatabaseHeader> decodeHeader(ByteSpan rawPage0, std::uint64_t fileSize);

// Exact comparison of a UTF-8 password with the stored one; any password opens a file
// without one.
bool passwordMatches(const DatabaseHeader &header, std::string_view utf8Password);

} // namespace Qb::Jet
