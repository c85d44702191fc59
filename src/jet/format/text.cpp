// SPDX-License-Identifier: GPL-3.0-or-later
// Conversions from UTF-8: to UTF-16, to Jet's stored text forms, and case-folded for comparison.
#include "jet/format/text.h"
#include "jet/format/textwords.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace Qb::Jet {

namespace {

using TextWords::Replacement;
using TextWords::asciiInEight;

// Decodes one code point from UTF-8 at `i`, advancing it; invalid input yields U+FFFD.
char32_t nextCodePoint(std::string_view s, std::size_t &i)
{
    const auto b0 = static_cast<unsigned char>(s[i++]);
    if (b0 < 0x80)
        return b0;
    int extra = b0 >= 0xF0 && b0 < 0xF5 ? 3 : b0 >= 0xE0 ? 2 : b0 >= 0xC2 && b0 < 0xE0 ? 1 : -1;
    if (extra < 0 || (b0 >= 0xF5))
        return Replacement;
    char32_t cp = b0 & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80)
            return Replacement;
        cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    }
    const bool overlong = (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000);
    if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return Replacement;
    return cp;
}

// Four ASCII bytes (the first in the low byte) as four UTF-16LE units in one word.
std::uint64_t widenAscii(std::uint32_t bytes)
{
    std::uint64_t x = bytes;
    x = (x | (x << 16)) & 0x0000FFFF0000FFFFull;
    return (x | (x << 8)) & 0x00FF00FF00FF00FFull;
}

// The length of the run of ASCII bytes other than zero at `p`, `left` bytes remaining; eight
// bytes a test while eight remain.
std::size_t asciiRun(const unsigned char *p, std::size_t left)
{
    std::size_t n = 0;
    while (left - n >= 8) {
        const std::size_t lead = asciiInEight(p + n);
        n += lead;
        if (lead < 8)
            break;
    }
    while (n < left && p[n] != 0 && p[n] < 0x80)
        ++n;
    return n;
}

// A well-formed three-byte sequence at `in` (`left` bytes remain) as its one UTF-16 unit (CJK
// text is made of them), tested with few branches; zero (never the unit of a well-formed
// three-byte sequence) when the bytes are not one: the general path replaces an overlong
// sequence or a surrogate.
inline char16_t threeByteUnitOrZero(const unsigned char *in, std::size_t left)
{
    if (left < 3)
        return 0;
    const std::uint32_t x = in[0] | std::uint32_t(in[1]) << 8 | std::uint32_t(in[2]) << 16;
    if ((x & 0xC0C0F0u) != 0x8080E0u)
        return 0;
    const std::uint32_t unit = (x & 0x0Fu) << 12 | (x >> 2 & 0xFC0u) | (x >> 16 & 0x3Fu);
    return unit < 0x800 || (unit & 0xF800u) == 0xD800u ? 0 : char16_t(unit);
}

// Visits the UTF-16 units utf8ToUtf16 gives for `utf8`: `unit` one at a time, `ascii` whole
// runs of non-zero ASCII bytes at once. Either returns false to stop; returns false when stopped.
template<typename Unit, typename Ascii>
bool forEachUtf8Unit(std::string_view utf8, Unit &&unit, Ascii &&ascii)
{
    const auto *in = reinterpret_cast<const unsigned char *>(utf8.data());
    const std::size_t n = utf8.size();
    for (std::size_t i = 0; i < n;) {
        bool more = true;
        if (in[i] - 1u < 0x7Fu) {
            const std::size_t run = asciiRun(in + i, n - i);
            more = ascii(in + i, run);
            i += run;
        } else if (in[i] < 0x80) {
            more = unit(char16_t(in[i++]));
        } else if (char16_t three = threeByteUnitOrZero(in + i, n - i)) {
            // CJK text comes in runs of them.
            do {
                more = unit(three);
                i += 3;
            } while (more && (three = threeByteUnitOrZero(in + i, n - i)) != 0);
        } else if (const char32_t cp = nextCodePoint(utf8, i); cp >= 0x10000) {
            more = unit(char16_t(0xD800 + ((cp - 0x10000) >> 10))) && unit(char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            more = unit(char16_t(cp));
        }
        if (!more)
            return false;
    }
    return true;
}

// The compressed form after its marker, written a unit at a time. Wide characters need the
// two-byte mode; a run of narrow characters between them switches to one byte per character
// when that saves bytes: between two wide runs the two switches cost 2, so runs of 3 or more;
// at the end one switch, so runs of 2 or more; at the start the value is in the one-byte mode
// already. A narrow run (characters 0x01..0xFF) that follows a wide one is
// written one byte a character at once, after room for the switch into it; when it ends too
// short to pay for its switches (under 3 characters before a wide one, under 2 at the end) its
// characters are written again two bytes each from where the switch would have gone.
class CompressedWriter
{
public:
    explicit CompressedWriter(std::uint8_t *out) : m_start(out), m_p(out) {}

    // Where the next narrow characters go; the caller writes `n` of them and calls wroteNarrow.
    std::uint8_t *narrowAt()
    {
        if (m_mode == Mode::Wide) {
            m_mode = Mode::Run;
            m_q = m_p + 1;
        }
        return m_mode == Mode::One ? m_p : m_q;
    }
    void wroteNarrow(std::size_t n) { (m_mode == Mode::One ? m_p : m_q) += n; }

    // False when `c` cannot be stored compressed: its low byte, zero, would read as a switch.
    bool put(char16_t c)
    {
        if (c >= 0x01 && c <= 0xFF) {
            *narrowAt() = std::uint8_t(c);
            wroteNarrow(1);
            return true;
        }
        if ((c & 0xFF) == 0)
            return false;
        if (m_mode == Mode::Run)
            endRun(3);
        if (m_mode == Mode::One)
            *m_p++ = 0x00;
        m_mode = Mode::Wide;
        *m_p++ = std::uint8_t(c);
        *m_p++ = std::uint8_t(c >> 8);
        return true;
    }

    // The length written.
    std::size_t finish()
    {
        if (m_mode == Mode::Run)
            endRun(2);
        return std::size_t(m_p - m_start);
    }

private:
    enum class Mode { One, Wide, Run };

    void endRun(std::size_t worthSwitching)
    {
        const auto n = std::size_t(m_q - (m_p + 1));
        if (n >= worthSwitching) {
            *m_p = 0x00;
            m_p = m_q;
            m_mode = Mode::One;
            return;
        }
        const std::uint8_t run[2] = {m_p[1], n > 1 ? m_p[2] : std::uint8_t(0)}; // n < 3
        for (std::size_t k = 0; k < n; ++k) {
            *m_p++ = run[k];
            *m_p++ = 0x00;
        }
        m_mode = Mode::Wide;
    }

    std::uint8_t *const m_start;
    std::uint8_t *m_p;
    std::uint8_t *m_q = nullptr; // the end of a pending run
    Mode m_mode = Mode::One;
};

// The compressed form at `out` (room for storedTextBound bytes) with the marker, or nullopt when
// a character cannot be stored compressed.
std::optional<StoredTextSize> compressUtf8(std::string_view utf8, std::uint8_t *out)
{
    out[0] = 0xFF;
    out[1] = 0xFE;
    CompressedWriter writer(out + 2);
    std::size_t units = 0;
    const bool ok = forEachUtf8Unit(
        utf8, [&](char16_t c) { return ++units, writer.put(c); },
        [&](const unsigned char *ascii, std::size_t count) {
            std::memcpy(writer.narrowAt(), ascii, count);
            writer.wroteNarrow(count);
            units += count;
            return true;
        });
    if (!ok)
        return std::nullopt;
    return StoredTextSize{2 + writer.finish(), units};
}

// An ASCII run as UTF-16LE at `out`, eight units a step on a little-endian machine.
void widenAsciiRun(const unsigned char *ascii, std::size_t count, std::uint8_t *out)
{
    std::size_t k = 0;
    if constexpr (std::endian::native == std::endian::little) {
        for (; k + 8 <= count; k += 8) {
            std::uint32_t low = 0, high = 0;
            std::memcpy(&low, ascii + k, 4);
            std::memcpy(&high, ascii + k + 4, 4);
            const std::uint64_t units[2] = {widenAscii(low), widenAscii(high)};
            std::memcpy(out + 2 * k, units, sizeof units);
        }
    }
    for (; k < count; ++k) {
        out[2 * k] = ascii[k];
        out[2 * k + 1] = 0;
    }
}

// Plain UCS-2LE at `out` (room for 2 bytes an input byte); the number of units.
std::size_t widenUtf8(std::string_view utf8, std::uint8_t *out)
{
    std::uint8_t *p = out;
    const auto put = [&](char16_t c) {
        *p++ = std::uint8_t(c);
        *p++ = std::uint8_t(c >> 8);
        return true;
    };
    forEachUtf8Unit(utf8, put, [&](const unsigned char *ascii, std::size_t count) {
        widenAsciiRun(ascii, count, p);
        p += 2 * count;
        return true;
    });
    return std::size_t(p - out) / 2;
}

} // namespace

std::u16string utf8ToUtf16(std::string_view utf8)
{
    // No code point takes more UTF-16 units than it takes UTF-8 bytes, so the buffer (not
    // cleared first: a bulk load converts every memo) has room.
    std::u16string out;
    out.resize_and_overwrite(utf8.size(), [utf8](char16_t *start, std::size_t) {
        char16_t *o = start;
        forEachUtf8Unit(
            utf8, [&](char16_t c) { return *o++ = c, true; },
            [&](const unsigned char *ascii, std::size_t count) {
                if constexpr (std::endian::native == std::endian::little)
                    widenAsciiRun(ascii, count, reinterpret_cast<std::uint8_t *>(o));
                else
                    std::copy(ascii, ascii + count, o);
                o += count;
                return true;
            });
        return std::size_t(o - start);
    });
    return out;
}

std::vector<std::uint8_t> encodeStoredText(std::u16string_view text, bool compressible)
{
    std::vector<std::uint8_t> out;
    if (compressible) {
        out.resize(2 + 2 * text.size() + 1);
        out[0] = 0xFF;
        out[1] = 0xFE;
        CompressedWriter writer(out.data() + 2);
        if (std::all_of(text.begin(), text.end(), [&](char16_t c) { return writer.put(c); })) {
            out.resize(2 + writer.finish());
            if (out.size() < 2 * text.size())
                return out;
        }
    }
    out.resize(2 * text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        out[2 * i] = std::uint8_t(text[i]);
        out[2 * i + 1] = std::uint8_t(text[i] >> 8);
    }
    return out;
}

StoredTextSize encodeStoredTextInto(std::string_view utf8, bool compressible, std::uint8_t *out)
{
    if (compressible)
        if (const auto size = compressUtf8(utf8, out); size && size->bytes < 2 * size->units)
            return *size;
    const std::size_t units = widenUtf8(utf8, out);
    return {2 * units, units};
}

std::size_t encodeStoredText(std::string_view utf8, bool compressible, std::vector<std::uint8_t> &out)
{
    out.resize(storedTextBound(utf8.size()));
    const StoredTextSize size = encodeStoredTextInto(utf8, compressible, out.data());
    out.resize(size.bytes);
    return size.units;
}

char16_t foldCase(char16_t c)
{
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? char16_t(c + 32) : c;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return char16_t(c + 32);
    if (c >= 0x100 && c <= 0x17F) {
        // Latin Extended-A pairs upper/lower on even/odd code points, except 0x130-0x13F and
        // 0x149-0x17E whose pairs are shifted by one.
        const bool shifted = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F)
            return c;
        return shifted ? char16_t((c % 2 == 1) ? c + 1 : c) : char16_t(c | 1);
    }
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2)
        return char16_t(c + 32);
    if (c >= 0x410 && c <= 0x42F)
        return char16_t(c + 32);
    if (c >= 0x400 && c <= 0x40F)
        return char16_t(c + 80);
    return c;
}

std::u16string foldedUtf16(std::string_view utf8)
{
    std::u16string out = utf8ToUtf16(utf8);
    for (char16_t &c : out)
        c = foldCase(c);
    return out;
}

bool equalsFolded(std::string_view utf8, std::u16string_view folded)
{
    std::size_t n = 0;
    const auto next = [&](char16_t unit) { return n < folded.size() && foldCase(unit) == folded[n++]; };
    const bool same = forEachUtf8Unit(utf8, next, [&](const unsigned char *ascii, std::size_t count) {
        return std::all_of(ascii, ascii + count, [&](unsigned char c) { return next(c); });
    });
    return same && n == folded.size();
}

} // namespace Qb::Jet
