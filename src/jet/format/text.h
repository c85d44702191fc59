// SPDX-License-Identifier: GPL-3.0-or-later
// Text as Jet stores it (UCS-2LE, or the "FF FE" compressed form) and as the engine hands it out
// (UTF-8), plus the case folding Jet applies when it compares text.
// Layout: docs/jet-format.md, "Text values".
#pragma once

#include "jet/format/bytes.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Qb::Jet {

// Decodes a stored text value (either form) to UTF-8. Unpaired surrogates become U+FFFD;
// an odd trailing byte is ignored.
std::string decodeText(ByteSpan stored);

// The same into `out`, replacing its contents and reusing its capacity.
void decodeTextInto(ByteSpan stored, std::string &out);

// Decodes plain UCS-2LE (names in table definitions) to UTF-8.
std::string decodeUcs2(ByteSpan bytes);

// UTF-8 to UTF-16 code units; invalid sequences become U+FFFD.
std::u16string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::u16string_view text);

// Stored text: the "FF FE" compressed form (one-byte runs for characters 0x01..0xFF, two-byte
// runs for the rest) when the column allows it (`compressible`) and that form is shorter, plain
// UCS-2LE otherwise. Values of any length, Text and Memo alike.
std::vector<std::uint8_t> encodeStoredText(std::u16string_view text, bool compressible);
// The same straight from UTF-8, replacing `out`'s contents and reusing its capacity: the bytes
// encodeStoredText(utf8ToUtf16(utf8), compressible) gives, without the UTF-16 copy. Returns the
// length in UTF-16 units (what a Text column's limit counts).
std::size_t encodeStoredText(std::string_view utf8, bool compressible, std::vector<std::uint8_t> &out);

// The same into a buffer the caller keeps, so that a run of values neither allocates nor clears
// one: `out` holds at least storedTextBound(utf8.size()) bytes. Returns the bytes written and
// the length in UTF-16 units.
struct StoredTextSize
{
    std::size_t bytes = 0, units = 0;
};
constexpr std::size_t storedTextBound(std::size_t utf8Bytes) { return 2 * utf8Bytes + 3; }
StoredTextSize encodeStoredTextInto(std::string_view utf8, bool compressible, std::uint8_t *out);

// Appends one code point as UTF-8.
void appendUtf8(std::string &out, char32_t cp);

// Simple case folding of one UTF-16 code unit (ASCII, Latin-1, Latin Extended-A, Greek,
// Cyrillic), as used by Jet's case-insensitive comparison.
char16_t foldCase(char16_t c);

// Case-folded UTF-16 of a UTF-8 text, for repeated comparisons.
std::u16string foldedUtf16(std::string_view utf8);
// Whether foldedUtf16(utf8) == folded, without building the folded copy.
bool equalsFolded(std::string_view utf8, std::u16string_view folded);

// Visits the UTF-16 code units of a stored text value without allocating; `visit` returns false
// to stop early. Returns false when stopped.
template<typename Visit>
bool forEachStoredUnit(ByteSpan stored, Visit &&visit)
{
    if (stored.size() >= 2 && stored[0] == 0xFF && stored[1] == 0xFE) {
        bool compressed = true;
        std::size_t i = 2;
        while (i < stored.size()) {
            if (stored[i] == 0) {
                compressed = !compressed;
                ++i;
            } else if (compressed) {
                if (!visit(char16_t(stored[i])))
                    return false;
                ++i;
            } else {
                if (i + 1 >= stored.size())
                    break;
                if (!visit(char16_t(stored[i] | (stored[i + 1] << 8))))
                    return false;
                i += 2;
            }
        }
        return true;
    }
    for (std::size_t i = 0; i + 1 < stored.size(); i += 2)
        if (!visit(char16_t(stored[i] | (stored[i + 1] << 8))))
            return false;
    return true;
}

} // namespace Qb::Jet
