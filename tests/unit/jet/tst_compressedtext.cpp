// SPDX-License-Identifier: GPL-3.0-or-later
// Unicode compression of stored text: the encoder's exact bytes and the shortest choice of runs,
// then a library and Access files written compressed as the engine and every independent
// reader see them, and compaction storing the plain values of an older file compressed.
#include "jet/checker.h"
#include "jet/database.h"
#include "jet/format/rowwriter.h"
#include "jet/format/tdefwriter.h"
#include "jet/format/text.h"
#include "jet/jetdatabase.h"
#include "jet/write/compactor.h"
#include "jet/write/txwriter.h"

#include "readercheck_support.h"
#include "support/fixtures.h"
#include "writetest_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

using namespace Qb::Jet;
using namespace std::string_literals;
using Rows = std::vector<std::vector<std::string>>;

namespace {

constexpr const char *Password = "HPQVNRtoka3906";

std::string plain(std::u16string_view text)
{
    std::string out;
    for (char16_t c : text) {
        out += char(c & 0xFF);
        out += char(c >> 8);
    }
    return out;
}

std::string asString(const std::vector<std::uint8_t> &b) { return std::string(b.begin(), b.end()); }

struct Encoding
{
    const char *name;
    std::u16string text;
    bool compressible;
    std::string stored;
};

void PrintTo(const Encoding &e, std::ostream *os) { *os << e.name; }

class EncodeText : public ::testing::TestWithParam<Encoding> {};

TEST_P(EncodeText, givesTheShortestFormAndDecodesBack)
{
    const Encoding &e = GetParam();
    const auto stored = RowWriter::encodeText(e.text, e.compressible);
    EXPECT_EQ(asString(stored), e.stored);
    EXPECT_EQ(decodeText(stored), utf16ToUtf8(e.text));
    const std::string stale = plain(e.text);
    EXPECT_EQ(asString(RowWriter::recodeText(std::vector<std::uint8_t>(stale.begin(), stale.end()), e.compressible)),
              e.stored);
}

// 中 is U+4E2D, 文 U+6587, 一 U+4E00 (its low byte is zero), 😁 U+1F601 (D83D DE01).
INSTANTIATE_TEST_SUITE_P(
    Text, EncodeText,
    ::testing::Values(
        Encoding{"empty", u"", true, ""},
        Encoding{"ascii", u"abc", true, "\xFF\xFE" "abc"},
        Encoding{"twoCharactersStayPlain", u"ab", true, plain(u"ab")},
        Encoding{"latin1", u"café ü", true, "\xFF\xFE" "caf\xE9 \xFC"},
        Encoding{"chineseOnlyStaysPlain", u"中文", true, plain(u"中文")},
        Encoding{"oneWideCharacterStaysPlain", u"中", true, plain(u"中")},
        Encoding{"wideStartThenAscii", u"中文print", true, "\xFF\xFE\x00\x2D\x4E\x87\x65\x00" "print"s},
        Encoding{"twoNarrowAtTheEndSwitch", u"abc中文de", true, "\xFF\xFE" "abc\x00\x2D\x4E\x87\x65\x00" "de"s},
        Encoding{"oneNarrowAtTheEndStaysWide", u"abcd中文d", true, "\xFF\xFE" "abcd\x00\x2D\x4E\x87\x65" "d\x00"s},
        Encoding{"twoNarrowBetweenWideStayWide", u"abcd中xy文abcd", true,
                 "\xFF\xFE" "abcd\x00\x2D\x4E" "x\x00" "y\x00\x87\x65\x00" "abcd"s},
        Encoding{"threeNarrowBetweenWideSwitch", u"abcd中xyz文abcd", true,
                 "\xFF\xFE" "abcd\x00\x2D\x4E\x00" "xyz\x00\x87\x65\x00" "abcd"s},
        Encoding{"lowByteZeroStaysPlain", u"abc一def", true, plain(u"abc一def")},
        Encoding{"nulStaysPlain", u"abc\0def"s, true, plain(u"abc\0def"s)},
        Encoding{"surrogatePair", u"abc\U0001F601de", true, "\xFF\xFE" "abc\x00\x3D\xD8\x01\xDE\x00" "de"s},
        Encoding{"withoutTheFlag", u"abcdef", false, plain(u"abcdef")}),
    [](const auto &info) { return std::string(info.param.name); });

bool isNarrow(char16_t c) { return c >= 1 && c <= 0xFF; }

// The smallest compressed size by trying every choice of modes: the two costs of ending a
// prefix in the one-byte and in the two-byte mode.
std::size_t shortestCompressed(std::u16string_view text)
{
    constexpr std::size_t Never = std::size_t(1) << 40;
    std::size_t one = 0, two = 1;
    for (char16_t c : text) {
        const std::size_t nextOne = isNarrow(c) ? std::min(one, two + 1) + 1 : Never;
        two = std::min(two, one + 1) + 2;
        one = nextOne;
    }
    return 2 + std::min(one, two);
}

TEST(EncodeTextRandom, isAsShortAsAnyChoiceOfRunsAndDecodesBack)
{
    const char16_t alphabet[] = {u'a', u'Z', u'\xE9', u'中', u'文', u'\x4E00'};
    std::mt19937 rnd(21);
    for (int round = 0; round < 3000; ++round) {
        const std::size_t kinds = 2 + rnd() % 4 + (rnd() % 8 == 0); // the low-zero character now and then
        std::u16string text(rnd() % 40, u' ');
        for (char16_t &c : text)
            c = alphabet[rnd() % kinds];
        const auto stored = RowWriter::encodeText(text, true);
        ASSERT_EQ(decodeText(stored), utf16ToUtf8(text)) << round;
        const bool representable = text.find(u'\x4E00') == std::u16string::npos;
        const std::size_t best = representable ? std::min(2 * text.size(), shortestCompressed(text)) : 2 * text.size();
        ASSERT_EQ(stored.size(), best) << round << ": " << utf16ToUtf8(text);
    }
}

struct Utf8Encoding
{
    const char *name;
    std::string utf8;
};

void PrintTo(const Utf8Encoding &e, std::ostream *os) { *os << e.name; }

class EncodeStoredText : public ::testing::TestWithParam<Utf8Encoding> {};

// The direct conversion gives the bytes and the unit count of the two-step one, with and without
// the compression flag, into a buffer that held a longer value before.
TEST_P(EncodeStoredText, matchesTheConversionThroughUtf16)
{
    const std::string &utf8 = GetParam().utf8;
    const std::u16string units = utf8ToUtf16(utf8);
    for (const bool compressible : {true, false}) {
        std::vector<std::uint8_t> out(5000, 0xAB);
        EXPECT_EQ(encodeStoredText(utf8, compressible, out), units.size()) << compressible;
        EXPECT_EQ(asString(out), asString(RowWriter::encodeText(units, compressible))) << compressible;
    }
}

std::string times(const std::string &piece, int n)
{
    std::string out;
    while (n-- > 0)
        out += piece;
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Text, EncodeStoredText,
    ::testing::Values(
        Utf8Encoding{"empty", ""}, Utf8Encoding{"oneAscii", "a"}, Utf8Encoding{"twoAscii", "ab"},
        Utf8Encoding{"longAscii", times("print(x)\r\n", 40)}, Utf8Encoding{"latin1", "café ü ÿ À"},
        Utf8Encoding{"cjkOnly", "拼接路径"}, Utf8Encoding{"cjkThenOneDigit", "拼接路径7"},
        Utf8Encoding{"asciiAroundCjk", "abcdefghij中xy文abcdefghijk中xyz文q"},
        Utf8Encoding{"cjkBetweenEightAsciiRuns", times("    path = os.path.join(base, name3)  # 拼接路径\r\n", 20)},
        Utf8Encoding{"runOfTwoAtTheEnd", "中文de"}, Utf8Encoding{"runOfOneAtTheEnd", "中文d"},
        Utf8Encoding{"latin1BetweenWide", "中é文éé字ééé"},
        Utf8Encoding{"fourByte", "abc\U0001F601de\U0001F600"}, Utf8Encoding{"fourByteWithLowZero", "ab\U00010000cdefgh"},
        Utf8Encoding{"lowByteZeroCharacter", "abcdefghijkl一mnopqrstuvwxyz"},
        Utf8Encoding{"nulInsideAsciiRun", "abcdefg\0hijklmnop"s},
        Utf8Encoding{"invalidLeadByte", "abc\xFF" "defghijklm"}, Utf8Encoding{"truncatedSequence", "abc\xE4\xB8"},
        Utf8Encoding{"overlong", "ab\xC0\xAF" "cd\xE0\x80\xAF" "ef"}, Utf8Encoding{"encodedSurrogate", "ab\xED\xA0\x80" "cd"},
        Utf8Encoding{"beyondUnicode", "ab\xF4\x90\x80\x80" "cd"}, Utf8Encoding{"loneContinuation", "\x80\x80" "abcdefghij"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(EncodeStoredTextRandom, matchesTheConversionThroughUtf16)
{
    const char *const pieces[] = {"a", "Z", "é", "中", "文", "一", "\U0001F601", "abcdefgh", "\xC3", "ABCDEFGHIJ"};
    std::mt19937 rnd(7);
    std::vector<std::uint8_t> out;
    for (int round = 0; round < 3000; ++round) {
        std::string utf8;
        bool wellFormed = true;
        for (std::size_t n = rnd() % 30; n-- > 0;) {
            const std::size_t piece = rnd() % std::size(pieces);
            wellFormed = wellFormed && std::string_view(pieces[piece]) != "\xC3";
            utf8 += std::string(pieces[piece]) + (rnd() % 9 == 0 ? "\0"s : ""s);
        }
        const std::u16string units = utf8ToUtf16(utf8);
        ASSERT_EQ(encodeStoredText(utf8, true, out), units.size()) << round;
        ASSERT_EQ(asString(out), asString(RowWriter::encodeText(units, true))) << round;
        // Both sides walk the UTF-8 the same way; the decoders are a separate check.
        if (wellFormed) {
            ASSERT_EQ(utf16ToUtf8(units), utf8) << round;
            ASSERT_EQ(decodeText(out), utf8) << round;
        }
    }
}

std::string repeated(const std::string &piece, std::size_t characters)
{
    std::string out;
    const std::u16string units = utf8ToUtf16(piece);
    for (std::size_t i = 0; i < characters; ++i)
        out += utf16ToUtf8(units.substr(i % units.size(), 1));
    return out;
}

std::string quoted(const std::string &s)
{
    std::string out;
    for (char c : s)
        out += c == '\'' ? "''"s : std::string(1, c);
    return out;
}

bool contains(const std::vector<std::uint8_t> &file, const std::string &bytes)
{
    const std::vector<std::uint8_t> needle(bytes.begin(), bytes.end());
    return std::search(file.begin(), file.end(), needle.begin(), needle.end()) != file.end();
}

Qb::Test::Tables contentOf(Database &db, const std::vector<std::string> &tables)
{
    Qb::Test::Tables out;
    for (const auto &t : tables)
        out[t] = {(*db.query("select * from [" + t + "]"))->columns(), Qb::Test::tableRows(db, "[" + t + "]")};
    return out;
}

// Every installed independent reader shows what the engine shows; "" when none is installed.
void expectReadersAgree(const std::string &path, const Qb::Test::Tables &expected)
{
    Qb::Test::IndependentReaders readers;
    ::testing::Test::RecordProperty("readers", readers.names().empty() ? "none installed" : readers.names());
    if (readers.names().empty())
        return;
    EXPECT_EQ(readers.check(path, expected), "") << readers.names();
}

// Values of the command library's Text and Memo columns on both sides of the limits: a Text
// column full to its 255 characters, memos inline, on one whole LVAL row (4076 bytes) and just
// past it on a chain, mixed runs across chain chunks.
struct LibraryValue
{
    std::string name, chinese, memo;
};

std::vector<LibraryValue> libraryValues()
{
    return {
        {"ascii", "中文", repeated("for line in open(path): print(line) ", 2000)},
        {"latin1", "Größe", repeated("Größe café ñandú ", 700)},
        {"mixed", repeated("打印 print ", 255), repeated("print(x) # 打印结果 ", 9000)},
        {repeated("n", 255), "中", repeated("a", 4074)},
        {"chain", "", repeated("b", 4075)},
        {"short", "ab", "x"},
        {"chineseMemo", "", repeated("命令库说明", 3000)},
    };
}

TEST(CompressedLibrary, valuesReadBackAlikeInEveryReader)
{
    Qb::Test::TempDir dir;
    const std::string path = dir.path("qbxdb.mdb");
    ASSERT_TRUE(Database::createLibrary(path));
    Rows expected;
    {
        auto db = Database::open(path, Password);
        ASSERT_TRUE(db) << db.error().message;
        int id = 0;
        for (const LibraryValue &v : libraryValues()) {
            auto r = (*db)->execute("insert into 命令库(命令名,中文名,分类,说明,类型) values ('" + v.name + "','" + v.chinese
                                    + "','1','" + quoted(v.memo) + "','无')");
            ASSERT_TRUE(r) << v.name << ": " << r.error().message;
            expected.push_back({std::to_string(++id), v.name, v.chinese, "1", v.memo, "无"});
        }
    }
    const auto file = Qb::Test::readFile(path);
    EXPECT_TRUE(contains(file, "\xFF\xFE" + libraryValues()[0].memo.substr(0, 200))) << "the ASCII memo is not compressed";
    EXPECT_TRUE(contains(file, "\xFF\xFE" + repeated("n", 255))) << "the full Text value is not compressed";
    auto db = Database::open(path, Password, Database::Mode::ReadOnly);
    ASSERT_TRUE(db);
    EXPECT_EQ(Qb::Test::tableRows(**db, "命令库"), expected);
    const CheckReport report = checkDatabase(static_cast<JetDatabase &>(**db));
    EXPECT_TRUE(report.ok()) << report.faults.size() << " faults, first: " << report.faults.front();
    expectReadersAgree(path, contentOf(**db, {"命令库"}));
}

// Access files changed by the engine: a column with the flag takes the compressed form, one
// without keeps UCS-2; the engine's check and every reader agree afterwards.
struct FixtureEdit
{
    const char *name;
    const char *fixture;
    std::string table;
    std::vector<std::string> statements;
    std::string marker; // characters of a written value
    bool compressed;
};

void PrintTo(const FixtureEdit &e, std::ostream *os) { *os << e.name; }

class AccessFileEdits : public ::testing::TestWithParam<FixtureEdit> {};

TEST_P(AccessFileEdits, storeTheColumnsFormAndReadEverywhere)
{
    const FixtureEdit &e = GetParam();
    const std::string fixture = Qb::Test::jetFixture(e.fixture);
    if (fixture.empty())
        GTEST_SKIP() << Qb::Test::NoSharedMessage;
    Qb::Test::TempDir dir;
    const std::string path = dir.path("copy.mdb");
    std::filesystem::copy_file(fixture, path);
    {
        auto db = Database::open(path, "");
        ASSERT_TRUE(db) << db.error().message;
        for (const auto &sql : e.statements) {
            auto r = (*db)->execute(sql);
            ASSERT_TRUE(r) << sql << ": " << r.error().message;
        }
    }
    const auto file = Qb::Test::readFile(path);
    const std::u16string marker = utf8ToUtf16(e.marker);
    EXPECT_EQ(contains(file, "\xFF\xFE" + std::string(marker.begin(), marker.end())), e.compressed);
    EXPECT_EQ(contains(file, plain(marker)), !e.compressed);
    auto db = Database::open(path, "", Database::Mode::ReadOnly);
    ASSERT_TRUE(db);
    const CheckReport report = checkDatabase(static_cast<JetDatabase &>(**db));
    EXPECT_TRUE(report.ok()) << report.faults.size() << " faults, first: " << report.faults.front();
    expectReadersAgree(path, contentOf(**db, {e.table}));
}

INSTANTIATE_TEST_SUITE_P(
    Write, AccessFileEdits,
    ::testing::Values(
        FixtureEdit{"flaggedColumn", "jackcess-testUnicodeCompV2003.mdb", "Table",
                    {"insert into [Table](Unicode) values ('written compressed by us')",
                     "update [Table] set Unicode='rewritten ascii value' where ID=1"},
                    "rewritten ascii value", true},
        FixtureEdit{"columnWithoutTheFlag", "zblogasp-data-2013-chinese.mdb", "blog_Keyword",
                    {"insert into blog_Keyword(key_Name,key_Intro,key_URL) values ('关键字','" + repeated("m", 3000)
                         + "','http://plain.example')",
                     "update blog_Keyword set key_Intro='intro stays plain' where key_Name='关键字'"},
                    "http://plain.example", false}),
    [](const auto &info) { return std::string(info.param.name); });

// Sets or clears the compression flag of every Text and Memo column of `table`.
void setCompressionFlag(JetDatabase &db, const std::string &table, bool on)
{
    TableDef t = **db.tableDef(table);
    for (ColumnDef &c : t.columns)
        if (c.isText())
            c.extFlags = on ? ColumnCompressedUnicode : 0;
    TxWriter tx(db.pages());
    const auto tdef = TdefWriter::encode(t);
    auto page = tx.write(t.page);
    ASSERT_TRUE(page && tdef.size() <= PageSize);
    std::copy(tdef.begin(), tdef.end(), page->begin());
    ASSERT_TRUE(tx.commit(nullptr));
    ASSERT_TRUE(db.invalidate());
}

// A library whose values were written plain (as before compression) is rewritten compressed
// by compaction, every value kept.
TEST(CompressedLibrary, compactionStoresPlainValuesCompressed)
{
    Qb::Test::TempDir dir;
    const std::string path = dir.path("qbxdb.mdb");
    ASSERT_TRUE(Database::createLibrary(path));
    Rows before;
    {
        auto db = Database::open(path, Password);
        ASSERT_TRUE(db);
        auto &jet = static_cast<JetDatabase &>(**db);
        setCompressionFlag(jet, "命令库", false);
        for (const LibraryValue &v : libraryValues())
            ASSERT_TRUE((*db)->execute("insert into 命令库(命令名,中文名,分类,说明,类型) values ('" + v.name + "','"
                                       + v.chinese + "','1','" + quoted(v.memo) + "','无')"));
        setCompressionFlag(jet, "命令库", true);
        before = Qb::Test::tableRows(**db, "命令库");
    }
    const std::string asciiMemo = libraryValues()[0].memo.substr(0, 200);
    EXPECT_TRUE(contains(Qb::Test::readFile(path), plain(utf8ToUtf16(asciiMemo))));
    const auto sizeBefore = std::filesystem::file_size(path);
    auto report = compactFile(path, "", Password);
    ASSERT_TRUE(report) << report.error().message;
    const auto file = Qb::Test::readFile(path);
    EXPECT_TRUE(contains(file, "\xFF\xFE" + asciiMemo));
    EXPECT_FALSE(contains(file, plain(utf8ToUtf16(asciiMemo))));
    EXPECT_LT(file.size(), sizeBefore);
    auto db = Database::open(path, Password, Database::Mode::ReadOnly);
    ASSERT_TRUE(db);
    EXPECT_EQ(Qb::Test::tableRows(**db, "命令库"), before);
    expectReadersAgree(path, contentOf(**db, {"命令库"}));
}

} // namespace
