// SPDX-License-Identifier: GPL-3.0-or-later
// General sort-order text keys: known keys, folding rules, the weights against the reference code
// tables, and the keys Jet itself wrote into the catalog index of real files.
#include "jet/format/generalsort.h"
#include "jet/format/generalsortweights.h"

#include "support/fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace Qb::Jet;
using Bytes = std::vector<std::uint8_t>;

namespace {

struct KnownKey
{
    const char *name;
    std::u16string text;
    Bytes key;
};

class KnownKeys : public ::testing::TestWithParam<KnownKey> {};

TEST_P(KnownKeys, encodesAsJetDoes)
{
    const auto key = GeneralSort::textKey(GetParam().text);
    ASSERT_TRUE(key);
    EXPECT_EQ(*key, GetParam().key);
}

INSTANTIATE_TEST_SUITE_P(
    GeneralSort, KnownKeys,
    ::testing::Values(
        KnownKey{"customerId", u"ALFKI", {0x7F, 0x4A, 0x5E, 0x53, 0x5C, 0x59, 0x01, 0x00}},
        KnownKey{"mixedCaseFolds", u"Tables", {0x7F, 0x6D, 0x4A, 0x4C, 0x5E, 0x51, 0x6B, 0x01, 0x00}},
        KnownKey{"underscoreTwoBytes", u"a_", {0x7F, 0x4A, 0x2B, 0x03, 0x01, 0x00}},
        KnownKey{"trailingBlanksDropped", u"Db  ", {0x7F, 0x4F, 0x4C, 0x01, 0x00}},
        KnownKey{"innerBlankKept", u"a b", {0x7F, 0x4A, 0x07, 0x4C, 0x01, 0x00}},
        KnownKey{"digits", u"09", {0x7F, 0x36, 0x48, 0x01, 0x00}},
        KnownKey{"chineseTableName", u"分类表", {0x7F, 0xA3, 0x34, 0xCE, 0x39, 0xDA, 0x40, 0x01, 0x00}},
        KnownKey{"empty", u"", {0x7F, 0x01, 0x00}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(GeneralSort, refusesCharactersWithoutWeights)
{
    for (const std::u16string text : {u"it's", u"a-b", u"é", u"汉", u"\t"})
        EXPECT_FALSE(GeneralSort::textKey(text)) << "length " << text.size();
    EXPECT_TRUE(GeneralSort::textKey(u"命令库关键字"));
}

TEST(GeneralSort, cutsAt255Characters)
{
    const std::u16string longText(300, u'x');
    const auto key = GeneralSort::textKey(longText);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->size(), 1u + 255u + 2u);
    EXPECT_EQ(*key, *GeneralSort::textKey(longText.substr(0, 255)));
}

TEST(GeneralSort, keysSortLikeTheCollation)
{
    const auto k = [](std::u16string_view t) { return *GeneralSort::textKey(t); };
    EXPECT_LT(k(u"Tables"), k(u"tablesx"));
    EXPECT_LT(k(u"Z"), k(u"分"));
    EXPECT_LT(k(u"9"), k(u"a"));
    EXPECT_LT(k(u"a b"), k(u"ab"));
}

// Line N of the reference table (0-based) describes code point N (first file) or 256 + N
// (second file, which skips the surrogates); a simple weight reads "S" followed by the inline
// bytes in hex, a leading zero left out.
std::vector<std::string> readLines(const std::string &path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

Bytes inlineBytesFromReference(const std::string &line)
{
    std::string hex = line.substr(1);
    if (hex.size() % 2)
        hex.insert(hex.begin(), '0');
    Bytes out;
    for (std::size_t i = 0; i + 2 <= hex.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

TEST(GeneralSort, weightsMatchTheReferenceCodeTables)
{
    const std::string dir = Qb::Test::sharedDir();
    if (dir.empty())
        GTEST_SKIP() << Qb::Test::NoSharedMessage;
    const auto basic = readLines(dir + "/jet/sort-order/index_codes_genleg.txt");
    const auto ext = readLines(dir + "/jet/sort-order/index_codes_ext_genleg.txt");
    ASSERT_EQ(basic.size(), 256u);
    int checked = 0;
    for (char32_t c = 0x21; c <= 0xFFFF; ++c) { // a lone blank is trailing, so dropped
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        const std::string &line = c < 256 ? basic[c] : ext.at(c - 256 - (c > 0xDFFF ? 0x800 : 0));
        const auto key = GeneralSort::textKey(std::u16string(1, char16_t(c)));
        if (!key) {
            // Only characters with plain weights may be left out; plain ASCII must all be in.
            EXPECT_FALSE(c < 0x7F && line.starts_with('S')) << "missing weight for " << int(c);
            continue;
        }
        ASSERT_TRUE(line.starts_with('S')) << "code point " << int(c) << ": " << line;
        const Bytes expected = inlineBytesFromReference(line);
        EXPECT_EQ(Bytes(key->begin() + 1, key->end() - 2), expected) << "code point " << int(c);
        ++checked;
    }
    EXPECT_EQ(checked, 92 + 9); // printable ASCII but blank, ' and -; the table-name characters
}

// The comparison weights (every character of the plane) against the reference tables: the
// inline weights of S, I, P and Z lines, nothing for U and X lines.
TEST(GeneralSort, comparisonWeightsMatchTheReferenceCodeTables)
{
    const std::string dir = Qb::Test::sharedDir();
    if (dir.empty())
        GTEST_SKIP() << Qb::Test::NoSharedMessage;
    const auto basic = readLines(dir + "/jet/sort-order/index_codes_genleg.txt");
    const auto ext = readLines(dir + "/jet/sort-order/index_codes_ext_genleg.txt");
    ASSERT_EQ(basic.size(), 256u);
    int weighed = 0;
    for (char32_t c = 0x21; c <= 0xFFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        const std::string &line = c < 256 ? basic[c] : ext.at(c - 256 - (c > 0xDFFF ? 0x800 : 0));
        Bytes expected;
        if (!line.empty() && std::string("SIPZ").find(line[0]) != std::string::npos)
            expected = inlineBytesFromReference(line.substr(0, line.find(',')));
        std::string key;
        GeneralSort::appendSortKey(std::u16string(1, char16_t(c)), key);
        ASSERT_EQ(Bytes(key.begin(), key.end()), expected) << "code point " << int(c) << ": " << line;
        weighed += !expected.empty();
    }
    EXPECT_GT(weighed, 40000);
}

// Entries of every leaf page of the MSysObjects ParentIdName index: 5 bytes of ParentId key,
// the name's text key, then the 4-byte row pointer. Leaf layout: 0x1E0 entry start, bitmap at 27,
// shared prefix length at 24.
std::set<Bytes> catalogNameKeys(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    const Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::set<Bytes> keys;
    for (std::size_t off = 0; off + 4096 <= file.size(); off += 4096) {
        const std::uint8_t *p = file.data() + off;
        if (p[0] != 0x04 || p[4] != 2 || p[5] || p[6] || p[7])
            continue;
        const std::size_t prefix = p[24] | (p[25] << 8);
        Bytes first;
        std::size_t start = 0;
        for (std::size_t bit = 0; bit < 453 * 8; ++bit) {
            if (!(p[27 + bit / 8] & (1u << (bit % 8))))
                continue;
            Bytes entry(p + 0x1E0 + start, p + 0x1E0 + bit);
            if (first.empty())
                first = entry;
            else
                entry.insert(entry.begin(), first.begin(), first.begin() + prefix);
            start = bit;
            if (entry.size() > 9 && entry[0] == 0x7F && entry[5] == 0x7F)
                keys.insert(Bytes(entry.begin() + 5, entry.end() - 4));
        }
    }
    return keys;
}

struct CatalogCase
{
    const char *fixture;
    std::vector<std::u16string> names;
};

class CatalogKeys : public ::testing::TestWithParam<CatalogCase> {};

TEST_P(CatalogKeys, equalTheKeysJetWrote)
{
    const std::string path = Qb::Test::jetFixture(GetParam().fixture);
    if (path.empty())
        GTEST_SKIP() << Qb::Test::NoSharedMessage;
    const auto found = catalogNameKeys(path);
    ASSERT_FALSE(found.empty());
    for (const auto &name : GetParam().names) {
        const auto key = GeneralSort::textKey(name);
        ASSERT_TRUE(key);
        EXPECT_TRUE(found.contains(*key)) << "name of length " << name.size() << " not found";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, CatalogKeys,
    ::testing::Values(
        CatalogCase{"jackcess-adox_jet4.mdb",
                    {u"Tables", u"Databases", u"Relationships", u"MSysDb", u"MSysObjects", u"MSysACEs",
                     u"MSysQueries", u"MSysRelationships"}},
        CatalogCase{"jackcess-empty-v2000.mdb",
                    {u"DataAccessPages", u"Forms", u"Modules", u"Reports", u"Scripts", u"SysRel",
                     u"AccessLayout", u"SummaryInfo", u"UserDefined", u"MSysAccessObjects"}},
        CatalogCase{"northwind-Mahdisaeidi79.mdb",
                    {u"Categories", u"Customers", u"Employees", u"Order Details", u"Orders",
                     u"Products", u"Shippers", u"Suppliers", u"Alphabetical List of Products",
                     u"Category Sales for 1997"}}),
    [](const auto &info) {
        std::string n = info.param.fixture;
        std::replace_if(n.begin(), n.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
        return n;
    });

} // namespace
