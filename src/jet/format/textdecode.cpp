// SPDX-License-Identifier: GPL-3.0-or-later
// Decoding Jet's stored text forms (UCS-2LE and the compressed form) and UTF-16 to UTF-8.
// Layout: docs/jet-format.md, "Text values".
#include "jet/format/text.h"
#include "jet/format/textwords.h"

#include <vector>

namespace Qb::Jet {

namespace {

using namespace TextWords;

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

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

std::string utf16ToUtf8(std::u16string_view text)
{
    std::string out;
    appendUtf8Of(out, text.size(), [&](Utf8Writer &w) {
        for (char16_t c : text)
            w.put(c);
    });
    return out;
}

} // namespace Qb::Jet
