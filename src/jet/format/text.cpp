// SPDX-License-Identifier: GPL-3.0-or-later
// Conversions between Jet's stored text forms, UTF-16 and UTF-8.
#include "jet/format/text.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>
#include <vector>

namespace Qb::Jet {

namespace {

constexpr char32_t Replacement = 0xFFFD;

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Eight bytes at `p` as a little-endian word, whatever the machine's order.
std::uint64_t loadLittle64(const unsigned char *p)
{
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::big)
        v = std::byteswap(v);
    return v;
}

// Four bytes, the lowest first, at `p`.
void storeLittle32(char *p, std::uint32_t v)
{
    if constexpr (std::endian::native == std::endian::big)
        v = std::byteswap(v);
    std::memcpy(p, &v, 4);
}

// The bytes of a word that are not ASCII other than zero (U+0000 cannot be stored compressed),
// each marked by its top bit. Below the first such byte no borrow disturbs the mask, so the
// lowest mark is exact; the ones above it are not used.
std::uint64_t notAscii(std::uint64_t v)
{
    constexpr std::uint64_t Highs = 0x8080808080808080ull, Ones = 0x0101010101010101ull;
    return (v & Highs) | ((v - Ones) & ~v & Highs);
}

// How many of the eight bytes at `p` lead with ASCII other than zero.
std::size_t asciiInEight(const unsigned char *p)
{
    const std::uint64_t bad = notAscii(loadLittle64(p));
    return bad == 0 ? 8 : std::size_t(std::countr_zero(bad)) / 8;
}

// The UTF-8 of every unit, its bytes in the low three bytes of the entry (the first lowest)
// and its length in the top one, so that a run mixing ASCII, Latin and CJK converts without a
// branch. Surrogates' entries are not used: a run holding one takes the pairing path.
const std::uint32_t *utf8OfUnits()
{
    static const std::vector<std::uint32_t> table = [] {
        std::vector<std::uint32_t> t(0x10000);
        for (std::uint32_t c = 0; c < t.size(); ++c) {
            if (c < 0x80)
                t[c] = c | 1u << 24;
            else if (c < 0x800)
                t[c] = (0xC0u | c >> 6) | (0x80u | (c & 0x3Fu)) << 8 | 2u << 24;
            else
                t[c] = (0xE0u | c >> 12) | (0x80u | (c >> 6 & 0x3Fu)) << 8 | (0x80u | (c & 0x3Fu)) << 16 | 3u << 24;
        }
        return t;
    }();
    return table.data();
}

// Writes UTF-8 for UTF-16 units into a buffer sized for the worst case (3 bytes per unit, plus
// a replacement for a surrogate left unpaired), pairing surrogates. The hot path of every text
// and memo value.
class Utf8Writer
{
public:
    explicit Utf8Writer(char *p) : m_p(p) {}
    void put(char16_t c)
    {
        if (!m_high) {
            if (c < 0x80) {
                *m_p++ = char(c);
                return;
            }
            if (c < 0x800) {
                *m_p++ = char(0xC0 | (c >> 6));
                *m_p++ = char(0x80 | (c & 0x3F));
                return;
            }
            if (c < 0xD800 || c >= 0xE000) {
                *m_p++ = char(0xE0 | (c >> 12));
                *m_p++ = char(0x80 | ((c >> 6) & 0x3F));
                *m_p++ = char(0x80 | (c & 0x3F));
                return;
            }
        }
        putPaired(c);
    }
    // The one-byte units (Latin-1) from `p` up to the first zero byte or `end`; returns where
    // they stop.
    const std::uint8_t *putByteRun(const std::uint8_t *p, const std::uint8_t *end)
    {
        if (m_high && p < end && *p != 0)
            put(char16_t(*p++));
        while (p < end) {
            if (end - p >= 8) {
                // Eight bytes are copied whatever the run: the buffer holds three bytes for every
                // stored byte, and at least eight stored bytes remain. What follows the run is
                // written over.
                const std::size_t run = asciiInEight(p);
                std::memcpy(m_p, p, 8);
                m_p += run;
                p += run;
                if (run == 8)
                    continue;
            }
            if (*p == 0) {
                break;
            } else if (*p < 0x80) {
                *m_p++ = char(*p++);
            } else {
                *m_p++ = char(0xC0 | (*p >> 6));
                *m_p++ = char(0x80 | (*p++ & 0x3F));
            }
        }
        return p;
    }
    // The two-byte units (UTF-16LE) from `p` up to the first unit whose low byte is zero (the
    // switch back) or fewer than two bytes before `end`; returns where they stop. A unit outside
    // the surrogates is written as the four bytes of its table entry, the next unit overwriting
    // what is not its own: the buffer keeps three bytes for each of the two stored ahead.
    const std::uint8_t *putWideRun(const std::uint8_t *p, const std::uint8_t *end)
    {
        const std::uint32_t *table = utf8OfUnits();
        for (; end - p >= 2 && *p != 0; p += 2) {
            const char16_t c = char16_t(p[0] | (p[1] << 8));
            if (m_high || (c & 0xF800) == 0xD800) {
                put(c);
                continue;
            }
            const std::uint32_t entry = table[c];
            storeLittle32(m_p, entry);
            m_p += entry >> 24;
        }
        return p;
    }
    bool pending() const { return m_high != 0; }
    // The end of what was written.
    char *finish()
    {
        if (m_high)
            emit(Replacement);
        m_high = 0;
        return m_p;
    }

private:
    // Surrogates, and whatever follows a high one.
    void putPaired(char16_t c)
    {
        if (m_high) {
            const char16_t high = m_high;
            m_high = 0;
            if (isLowSurrogate(c)) {
                emit(0x10000 + ((char32_t(high) - 0xD800) << 10) + (char32_t(c) - 0xDC00));
                return;
            }
            emit(Replacement);
        }
        if (isHighSurrogate(c))
            m_high = c;
        else
            emit(isLowSurrogate(c) ? Replacement : char32_t(c));
    }

    void emit(char32_t cp)
    {
        if (cp < 0x80) {
            *m_p++ = char(cp);
        } else if (cp < 0x800) {
            *m_p++ = char(0xC0 | (cp >> 6));
            *m_p++ = char(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            *m_p++ = char(0xE0 | (cp >> 12));
            *m_p++ = char(0x80 | ((cp >> 6) & 0x3F));
            *m_p++ = char(0x80 | (cp & 0x3F));
        } else {
            *m_p++ = char(0xF0 | (cp >> 18));
            *m_p++ = char(0x80 | ((cp >> 12) & 0x3F));
            *m_p++ = char(0x80 | ((cp >> 6) & 0x3F));
            *m_p++ = char(0x80 | (cp & 0x3F));
        }
    }

    char *m_p;
    char16_t m_high = 0;
};

// Appends to `out` what `fill` writes through a Utf8Writer for at most `units` UTF-16 units.
// The buffer is not cleared first, so a reused string costs nothing beyond the bytes written.
template<typename Fill>
void appendUtf8Of(std::string &out, std::size_t units, Fill &&fill)
{
    const std::size_t base = out.size();
    out.resize_and_overwrite(base + 3 * units + 3, [&](char *data, std::size_t) {
        Utf8Writer writer(data + base);
        fill(writer);
        return std::size_t(writer.finish() - data);
    });
}

// The compressed form after its marker, as forEachStoredUnit reads it: a zero byte switches
// between runs of one-byte units and runs of two-byte ones; an odd byte at the end is ignored.
void writeCompressed(ByteSpan b, Utf8Writer &w)
{
    const std::uint8_t *p = b.data();
    const std::uint8_t *const end = p + b.size();
    bool oneByte = true;
    while (p < end) {
        if (oneByte) {
            p = w.putByteRun(p, end);
        } else {
            p = w.putWideRun(p, end);
            if (p < end && *p != 0)
                return;
        }
        if (p < end) {
            oneByte = !oneByte;
            ++p;
        }
    }
}

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

} // namespace

void appendUtf8(std::string &out, char32_t cp)
{
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

std::string decodeText(ByteSpan stored)
{
    std::string out;
    decodeTextInto(stored, out);
    return out;
}

void decodeTextInto(ByteSpan stored, std::string &out)
{
    out.clear();
    appendUtf8Of(out, stored.size(), [&](Utf8Writer &w) {
        if (stored.size() >= 2 && stored[0] == 0xFF && stored[1] == 0xFE)
            return writeCompressed(stored.subspan(2), w);
        for (std::size_t i = 0; i + 1 < stored.size(); i += 2)
            w.put(char16_t(stored[i] | (stored[i + 1] << 8)));
    });
}

std::string decodeUcs2(ByteSpan bytes)
{
    std::string out;
    appendUtf8Of(out, bytes.size() / 2, [&](Utf8Writer &w) {
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
            w.put(char16_t(bytes[i] | (bytes[i + 1] << 8)));
    });
    return out;
}

namespace {

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

std::string utf16ToUtf8(std::u16string_view text)
{
    std::string out;
    appendUtf8Of(out, text.size(), [&](Utf8Writer &w) {
        for (char16_t c : text)
            w.put(c);
    });
    return out;
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
