// SPDX-License-Identifier: GPL-3.0-or-later
// Stored text decoding (UCS-2 and the compressed form), UTF-8/UTF-16 conversion, case folding
// and "like" matching.
#include "jet/sql/likepattern.h"
#include "jet/format/text.h"

#include <gtest/gtest.h>

#include <random>

using namespace Qb::Jet;

namespace {

struct Stored
{
    const char *name;
    std::vector<std::uint8_t> bytes;
    std::string utf8;
};

class DecodeText : public ::testing::TestWithParam<Stored> {};

TEST_P(DecodeText, givesUtf8)
{
    EXPECT_EQ(decodeText(GetParam().bytes), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, DecodeText,
    ::testing::Values(Stored{"ucs2", {'a', 0, 0x87, 0x65}, "a\xE6\x96\x87"},
                      Stored{"empty", {}, ""},
                      Stored{"compressed", {0xFF, 0xFE, 'a', 'b', 'c'}, "abc"},
                      Stored{"compressedThenWide", {0xFF, 0xFE, 'a', 0x00, 0x87, 0x65, 0x00, 'b'}, "a\xE6\x96\x87" "b"},
                      Stored{"surrogatePair", {0x3D, 0xD8, 0x00, 0xDE}, "\xF0\x9F\x98\x80"},
                      Stored{"loneSurrogate", {0x3D, 0xD8, 'a', 0}, "\xEF\xBF\xBD" "a"},
                      Stored{"oddTrailingByteIgnored", {'a', 0, 'b'}, "a"},
                      Stored{"compressedCutInsideWideChar", {0xFF, 0xFE, 0x00, 0x87}, ""},
                      // Runs of ASCII longer than eight bytes, broken by a Latin-1 byte or a switch
                      // inside an eight-byte group, and a high surrogate left open by a switch.
                      Stored{"compressedLongAsciiRunsAroundLatin1",
                             {0xFF, 0xFE, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 0xE9, 'k', 'l', 'm', 'n', 'o', 'p', 'q', 'r', 's'},
                             "abcdefghij\xC3\xA9klmnopqrs"},
                      Stored{"compressedSwitchInsideEightBytes",
                             {0xFF, 0xFE, 'a', 'b', 'c', 0x00, 0x2D, 0x4E, 0x00, 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l'},
                             "abc\xE4\xB8\xAD" "defghijkl"},
                      Stored{"compressedHighSurrogateBeforeOneByteRun",
                             {0xFF, 0xFE, 0x00, 0x3D, 0xD8, 0x00, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i'},
                             "\xEF\xBF\xBD" "abcdefghi"},
                      // Two-byte runs: every UTF-8 length, the units beside the surrogates, a pair
                      // kept whole, an odd byte left at the end of the run.
                      Stored{"compressedWideRunOfEveryLength",
                             {0xFF, 0xFE, 0x00, 'x', 0x01, 0xE9, 0x00, 0xFF, 0x07, 0xFF, 0xD7, 0x01, 0xE0, 0x3D, 0xD8, 0x01, 0xDE, 0x87},
                             "\xC5\xB8\xC3\xA9\xDF\xBF\xED\x9F\xBF\xEE\x80\x81\xF0\x9F\x98\x81"},
                      Stored{"compressedLatin1AfterOpenHighSurrogate", {0xFF, 0xFE, 0x00, 0x3D, 0xD8, 0x00, 0xE9, 'a'},
                             "\xEF\xBF\xBD\xC3\xA9" "a"},
                      // Two-byte runs as the bench's text has them: CJK with a space, a digit and a
                      // Latin letter inside the run; a lone low surrogate and an open high one
                      // before an ordinary unit in the middle of a run.
                      Stored{"compressedWideRunMixingLengths",
                             {0xFF, 0xFE, 'a', 0x00, 0x53, 0x62, ' ', 0x00, 0x70, 0x53, 0xE9, 0x00, '7', 0x00, 0x00, 'b'},
                             "a\xE6\x89\x93 \xE5\x8D\xB0\xC3\xA9" "7b"},
                      Stored{"compressedWideRunLoneLowSurrogate", {0xFF, 0xFE, 0x00, 0x53, 0x62, 0x01, 0xDE, 0x70, 0x53},
                             "\xE6\x89\x93\xEF\xBF\xBD\xE5\x8D\xB0"},
                      Stored{"compressedWideRunOpenHighSurrogate", {0xFF, 0xFE, 0x00, 0x3D, 0xD8, 0x53, 0x62, ' ', 0x00},
                             "\xEF\xBF\xBD\xE6\x89\x93 "}),
    [](const auto &info) { return std::string(info.param.name); });

// The stored units as forEachStoredUnit reads them, converted one at a time.
std::string decodedByUnits(const std::vector<std::uint8_t> &stored)
{
    std::u16string units;
    forEachStoredUnit(stored, [&](char16_t c) {
        units += c;
        return true;
    });
    return utf16ToUtf8(units);
}

// Compressed values made of random runs (one-byte runs with Latin-1 now and then, two-byte runs
// of CJK, ASCII, Latin, surrogates whole and broken, a unit whose low byte is zero ending a run
// early), sometimes cut anywhere, decoded into a string that held a longer value before.
TEST(Text, compressedRunsDecodeAsTheirUnits)
{
    const char16_t wide[] = {u'打', u'印', u' ', u'7', u'\xE9', u'\x7FF', u'\x800', u'\xFFFF', 0xD83D, 0xDE01, 0xDC00, u'\x4E00'};
    std::mt19937 rnd(11);
    std::string out;
    for (int round = 0; round < 4000; ++round) {
        std::vector<std::uint8_t> stored = {0xFF, 0xFE};
        for (std::size_t run = rnd() % 12; run-- > 0;) {
            for (std::size_t n = rnd() % 20; n-- > 0;)
                stored.push_back(std::uint8_t(rnd() % 16 == 0 ? 0x80 + rnd() % 0x80 : 0x20 + rnd() % 0x5F));
            stored.push_back(0);
            for (std::size_t n = rnd() % 10; n-- > 0;) {
                const char16_t c = wide[rnd() % std::size(wide)];
                stored.push_back(std::uint8_t(c & 0xFF));
                stored.push_back(std::uint8_t(c >> 8));
            }
            stored.push_back(0);
        }
        if (rnd() % 4 == 0)
            stored.resize(2 + rnd() % (stored.size() - 1));
        out.assign(3000, 'x');
        decodeTextInto(stored, out);
        ASSERT_EQ(out, decodedByUnits(stored)) << round;
    }
}

TEST(Text, utf16RoundTripAndInvalidUtf8)
{
    const std::string s = "ab\xE6\x96\x87\xF0\x9F\x98\x80";
    EXPECT_EQ(utf16ToUtf8(utf8ToUtf16(s)), s);
    EXPECT_EQ(utf8ToUtf16("\xC0\x80"), std::u16string(u"\uFFFD\uFFFD"));
    EXPECT_EQ(utf8ToUtf16("\xE6\x96"), std::u16string(u"\uFFFD"));
    EXPECT_EQ(utf8ToUtf16("a\xFF" "b\xE6\x96" "c\xF0\x9F\x98\x80"), std::u16string(u"a\uFFFDb\uFFFDc\U0001F600"));
    // Three-byte sequences: the highest and lowest units they hold, an overlong form and an
    // encoded surrogate (replaced), a sequence cut by the end of the text, each after ASCII.
    EXPECT_EQ(utf8ToUtf16("x\xEF\xBF\xBF" "x\xE0\xA0\x80"), std::u16string(u"x\uFFFFx\u0800"));
    EXPECT_EQ(utf8ToUtf16("x\xE0\x80\x80" "x\xED\xA0\x80"), std::u16string(u"x\uFFFDx\uFFFD"));
    EXPECT_EQ(utf8ToUtf16("abcdefgh\xE6\x96\x87\xE6\x96"), std::u16string(u"abcdefgh\u6587\uFFFD"));
}

TEST(Text, equalsFoldedAgreesWithComparingFoldedCopies)
{
    const char *names[] = {"命令库", "命令表", "PrInT", "print", "prin", "ÄÖÜ", "äöü", "😀x", "😀X", "\xFF", "", "a\xE6\x96"};
    for (const char *a : names)
        for (const char *b : names)
            EXPECT_EQ(equalsFolded(a, foldedUtf16(b)), foldedUtf16(a) == foldedUtf16(b)) << a << " / " << b;
}

TEST(Text, foldingIgnoresLetterCaseOnly)
{
    EXPECT_EQ(foldedUtf16("PrInT"), foldedUtf16("print"));
    EXPECT_EQ(foldedUtf16("ÄÖÜ"), foldedUtf16("äöü"));
    EXPECT_EQ(foldedUtf16("ВСЁ"), foldedUtf16("всё"));
    EXPECT_NE(foldedUtf16("打印"), foldedUtf16("打印a"));
    EXPECT_NE(foldedUtf16("["), foldedUtf16("{")); // only letters fold
}

struct Like
{
    const char *pattern;
    const char *text;
    bool matches;
};

class LikeMatch : public ::testing::TestWithParam<Like> {};

TEST_P(LikeMatch, followsWildcardsIgnoringCase)
{
    const LikePattern p(GetParam().pattern);
    EXPECT_EQ(p.matches(foldedUtf16(GetParam().text)), GetParam().matches)
        << GetParam().pattern << " ~ " << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Patterns, LikeMatch,
                         ::testing::Values(Like{"pri%", "print", true}, Like{"PRI%", "print", true},
                                           Like{"pri%", "pr", false}, Like{"pri%", "xprint", false},
                                           Like{"%", "", true}, Like{"%", "anything", true}, Like{"p_int", "print", true},
                                           Like{"p_int", "pint", false}, Like{"%in%", "print", true},
                                           Like{"a%b%c", "axxbyyc", true}, Like{"a%b%c", "axxbyy", false},
                                           Like{"打%", "打印", true}, Like{"打印", "打印机", false},
                                           Like{"%%%%%%%%%%x", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false}));

} // namespace
