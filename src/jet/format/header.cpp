// SPDX-License-Identifier: GPL-3.0-or-later
// Page 0 decoding. Layout: docs/jet-format.md, "Page 0".
#include "jet/format/header.h"

#include "jet/storage/pagesource.h"
#include "jet/format/text.h"

#include <cmath>
#include <cstring>

namespace Qb::Jet {

namespace {

constexpr std::uint8_t HeaderKey[4] = {0xC7, 0xDA, 0x39, 0x6B};
constexpr char EngineJet[] = "Standard Jet DB";
constexpr char EngineAce[] = "Standard ACE DB";

std::array<std::uint8_t, HeaderMaskLength> rc4Keystream()
{
    std::array<std::uint8_t, 256> s{};
    for (int i = 0; i < 256; ++i)
        s[i] = std::uint8_t(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + HeaderKey[i % 4]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    std::array<std::uint8_t, HeaderMaskLength> out{};
    for (std::size_t n = 0, i = 0, j = 0; n < out.size(); ++n) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        out[n] = s[(s[i] + s[j]) & 0xFF];
    }
    return out;
}

bool engineIs(ByteSpan prefix, const char *name)
{
    const std::size_t len = std::strlen(name);
    return fits(prefix, 4, len) && std::memcmp(prefix.data() + 4, name, len) == 0;
}

} // namespace

const std::array<std::uint8_t, HeaderMaskLength> &headerMask()
{
    static const auto mask = rc4Keystream();
    return mask;
}

void applyHeaderMask(std::span<std::uint8_t> page0)
{
    const auto &mask = headerMask();
    for (std::size_t i = 0; i < HeaderMaskLength; ++i)
        page0[HeaderMaskOffset + i] ^= mask[i];
}

std::array<std::uint8_t, 4> passwordMask(double creationDate)
{
    const double t = std::trunc(creationDate);
    const auto v = (std::isfinite(t) && t > -2147483648.0 && t < 2147483648.0)
        ? static_cast<std::uint32_t>(static_cast<std::int32_t>(t)) : 0u;
    return {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
}

Result<void> checkSignature(ByteSpan prefix)
{
    static constexpr std::uint8_t magic[4] = {0x00, 0x01, 0x00, 0x00};
    if (prefix.size() < 0x15 || std::memcmp(prefix.data(), magic, 4) != 0)
        return fail(ErrorCode::NotJet, "not a Jet database: the file does not start with a Jet header");
    if (engineIs(prefix, EngineAce))
        return fail(ErrorCode::Ace, "an ACE (Access 2007 or later) database: only Jet 4 files are supported");
    if (!engineIs(prefix, EngineJet))
        return fail(ErrorCode::NotJet, "not a Jet database: unknown engine name in the header");
    const std::uint8_t version = prefix[0x14];
    if (version == 0x00)
        return fail(ErrorCode::Jet3, "a Jet 3 (Access 97) database: only Jet 4 files are supported");
    if (version != 0x01)
        return fail(ErrorCode::Ace, "database version " + std::to_string(version)
                                        + " is an ACE format: only Jet 4 files are supported");
    return {};
}

Result<DatabaseHeader> decodeHeader(ByteSpan rawPage0, std::uint64_t fileSize)
{
    if (auto sig = checkSignature(rawPage0); !sig)
        return std::unexpected(sig.error());
    if (rawPage0.size() < PageSize || fileSize < 3 * PageSize)
        return fail(ErrorCode::Truncated, "truncated: the file has " + std::to_string(fileSize)
                                              + " bytes, fewer than the 3 pages of a Jet 4 database");
    if (fileSize % PageSize != 0)
        return fail(ErrorCode::Truncated, "truncated: the file size " + std::to_string(fileSize)
                                              + " is not a whole number of 4096-byte pages");
    std::array<std::uint8_t, PageSize> page{};
    std::memcpy(page.data(), rawPage0.data(), PageSize);
    applyHeaderMask(page);
    const ByteSpan p(page);
    DatabaseHeader h;
    h.version = p[0x14];
    h.codePage = u16(p, 0x3C);
    h.dbKey = u32(p, 0x3E);
    h.sortOrderLcid = u16(p, 0x6E);
    h.sortOrderVersion = p[0x71];
    h.creationDate = f64(p, CreationDateOffset);
    if (h.dbKey != 0)
        return fail(ErrorCode::Encrypted, "the database is encrypted (\"Encrypt database\"): not supported");
    const auto mask = passwordMask(h.creationDate);
    for (std::size_t i = 0; i + 1 < PasswordLength; i += 2) {
        const char16_t c = char16_t((p[PasswordOffset + i] ^ mask[i % 4])
                                    | ((p[PasswordOffset + i + 1] ^ mask[(i + 1) % 4]) << 8));
        if (c == 0)
            break;
        h.password += c;
    }
    return h;
}

bool passwordMatches(const DatabaseHeader &header, std::string_view utf8Password)
{
    return header.password.empty() || header.password == utf8ToUtf16(utf8Password);
}

} // namespace Qb::Jet
