// SPDX-License-Identifier: GPL-3.0-or-later
// Page 0 for new files. The fields Jet leaves unexplained are written as a Jet-made file has
// them, so the result looks to every reader like a file the engine itself created.
#include "jet/format/headerwriter.h"

#include "jet/format/bytewriter.h"
#include "jet/format/header.h"

#include <chrono>

namespace Qb::Jet {

namespace {

constexpr char EngineName[] = "Standard Jet DB";
constexpr std::uint8_t VersionJet4 = 0x01;

// Fields of the clear part of a Jet-made header: a constant at 0x98, the version text "4.0" at
// 0x9C, and the pattern that fills 0xE00..0xFFF.
void writeClearTail(PageBytes &p)
{
    put32(p, 0x98, 0x0654);
    p[0x9C] = '4';
    p[0x9D] = '.';
    p[0x9E] = '0';
    p[0xE00] = 0x01;
    for (std::size_t i = 0xE01; i < PageSize; i += 2)
        p[i] = 0x01;
}

// The unexplained words at 0x18..0x2F of every Jet 4 header seen: 0x100, 0x101, 2, 3, 4, 5.
void writeKnownConstants(PageBytes &p)
{
    put32(p, 0x18, 0x0100);
    put32(p, 0x1C, 0x0101);
    for (std::uint32_t i = 0; i < 4; ++i)
        put32(p, 0x20 + 4 * i, 2 + i);
}

void writePassword(PageBytes &p, const NewHeader &h)
{
    const auto mask = passwordMask(h.creationDate);
    for (std::size_t i = 0; i < PasswordLength; ++i) {
        const std::size_t ch = i / 2;
        const char16_t c = ch < h.password.size() ? h.password[ch] : u'\0';
        const std::uint8_t plain = (i % 2) ? std::uint8_t(c >> 8) : std::uint8_t(c);
        p[PasswordOffset + i] = plain ^ mask[i % 4];
    }
}

} // namespace

PageBytes encodeHeaderPage(const NewHeader &h)
{
    PageBytes p{};
    p[1] = 0x01;
    for (std::size_t i = 0; EngineName[i]; ++i)
        p[4 + i] = std::uint8_t(EngineName[i]);
    p[0x14] = VersionJet4;
    writeKnownConstants(p);
    put16(p, 0x3C, h.codePage);
    writePassword(p, h);
    put16(p, 0x6E, h.sortOrderLcid);
    putF64(p, CreationDateOffset, h.creationDate);
    applyHeaderMask(p);
    writeClearTail(p);
    return p;
}

double currentJetDate()
{
    using namespace std::chrono;
    // 1899-12-30 is 25569 days before the Unix epoch.
    const double seconds = duration<double>(system_clock::now().time_since_epoch()).count();
    return 25569.0 + seconds / 86400.0;
}

} // namespace Qb::Jet
