// SPDX-License-Identifier: GPL-3.0-or-later
// Values that must come out of export and query exactly as stored: date/time values with their
// milliseconds (and unchanged when they have none), Decimal values with every digit. The text
// forms first, then a small library written by the engine with a Date/Time and a Decimal column,
// through quillbox-mdb in both formats and, when installed, through the independent readers.
#include "jet/database.h"
#include "jet/format/rowcodec.h"
#include "jet/format/tdefwriter.h"
#include "jet/jetdatabase.h"
#include "jet/storage/pagesource.h"
#include "jet/write/emptylibrary.h"
#include "jet/write/tablewriter.h"
#include "jet/write/txwriter.h"

#include "writetest_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

using namespace Qb::Jet;

namespace {

// Jet day number of a civil date and time of day.
double jetDay(int y, unsigned m, unsigned d, double secondsOfDay = 0)
{
    using namespace std::chrono;
    const auto days = sys_days{year{y} / month{m} / day{d}} - sys_days{year{1899} / December / day{30}};
    return double(days.count()) + secondsOfDay / 86400.0;
}

// The stored form of a Decimal: sign byte, then the magnitude's 32-bit words, most significant
// first, each little-endian.
Bytes decimal(bool negative, unsigned __int128 magnitude)
{
    Bytes b{std::uint8_t(negative ? 0x80 : 0x00)};
    for (int word = 3; word >= 0; --word)
        for (int i = 0; i < 4; ++i)
            b.push_back(std::uint8_t(magnitude >> (32 * word + 8 * i)));
    return b;
}

unsigned __int128 nines(int digits)
{
    unsigned __int128 v = 0;
    for (int i = 0; i < digits; ++i)
        v = v * 10 + 9;
    return v;
}

struct Shown
{
    const char *name;
    Value value;
    std::uint8_t type;
    std::uint8_t scale;
    const char *text;
};

void PrintTo(const Shown &s, std::ostream *os) { *os << s.name; }

class ValueText : public ::testing::TestWithParam<Shown> {};

TEST_P(ValueText, isExact)
{
    ColumnDef column;
    column.type = GetParam().type;
    column.scale = GetParam().scale;
    EXPECT_EQ(valueText(GetParam().value, column), GetParam().text);
}

constexpr std::uint8_t DateType = std::uint8_t(ColumnType::DateTime), DecimalType = std::uint8_t(ColumnType::Numeric);

INSTANTIATE_TEST_SUITE_P(
    Values, ValueText,
    ::testing::Values(
        Shown{"wholeSecond", Date{jetDay(2001, 1, 11, 4281)}, DateType, 0, "2001-01-11 01:11:21"},
        Shown{"milliseconds", Date{jetDay(2001, 1, 11, 4281.1)}, DateType, 0, "2001-01-11 01:11:21.100"},
        Shown{"oneMillisecond", Date{jetDay(2024, 2, 29, 0.001)}, DateType, 0, "2024-02-29 00:00:00.001"},
        Shown{"lastMillisecondOfTheDay", Date{jetDay(1999, 12, 31, 86399.999)}, DateType, 0, "1999-12-31 23:59:59.999"},
        Shown{"roundsIntoTheNextDay", Date{jetDay(1999, 12, 31, 86399.9996)}, DateType, 0, "2000-01-01 00:00:00"},
        Shown{"belowHalfAMillisecond", Date{jetDay(2001, 1, 11, 4281.0004)}, DateType, 0, "2001-01-11 01:11:21"},
        Shown{"beforeTheEpochTimeCountsForwards", Date{-1 - 21600.25 / 86400}, DateType, 0, "1899-12-29 06:00:00.250"},
        Shown{"decimalScaleFour", decimal(false, 123456789), DecimalType, 4, "12345.6789"},
        Shown{"decimalSmallNegative", decimal(true, 1), DecimalType, 4, "-0.0001"},
        Shown{"decimalTwentyEightDigits", decimal(false, nines(28)), DecimalType, 0, "9999999999999999999999999999"},
        Shown{"decimalAllScale", decimal(false, nines(28)), DecimalType, 28, "0.9999999999999999999999999999"},
        Shown{"decimalZeroKeepsItsScale", decimal(false, 0), DecimalType, 2, "0.00"}),
    [](const auto &info) { return std::string(info.param.name); });

// The empty library with 关键字表 redefined as (ID, 关键字, 时刻 Date/Time, 金额 Decimal(28,4))
// and three rows written through the engine's table writer.
std::vector<std::uint8_t> typedLibrary()
{
    auto db = JetDatabase::open(makeMemoryPageSource(EmptyLibrary::build(45000)), "HPQVNRtoka3906",
                                Database::Mode::ReadWrite);
    EXPECT_TRUE(db);
    TableDef t = **(*db)->tableDef("关键字表");
    auto fixed = [](ColumnDef &c, const char *name, ColumnType type, std::uint16_t length, std::uint16_t offset) {
        c.name = name;
        c.type = std::uint8_t(type);
        c.length = length;
        c.fixedOffset = offset;
        c.flags = ColumnFixedLength | 0x02;
        c.extFlags = 0;
        c.varIndex = 0;
    };
    fixed(t.columns[2], "时刻", ColumnType::DateTime, 8, 4);
    fixed(t.columns[3], "金额", ColumnType::Numeric, 17, 12);
    t.columns[3].precision = 28;
    t.columns[3].scale = 4;
    t.variableColumns = 1;
    {
        TxWriter tx((*db)->pages());
        const auto tdef = TdefWriter::encode(t);
        auto page = tx.write(t.page);
        EXPECT_TRUE(page && tdef.size() <= PageSize);
        std::copy(tdef.begin(), tdef.end(), page->begin());
        EXPECT_TRUE(tx.commit(nullptr));
    }
    EXPECT_TRUE((*db)->invalidate());
    TxWriter tx((*db)->pages());
    auto writer = TableWriter::make(tx, **(*db)->tableDef("关键字表"));
    EXPECT_TRUE(writer) << writer.error().message;
    const std::vector<std::vector<Value>> rows = {
        {Value(), std::string("a"), Date{jetDay(2001, 1, 11, 4281.1)}, decimal(false, 123456789)},
        {Value(), std::string("b"), Date{jetDay(2001, 1, 11, 4281)}, decimal(true, 1)},
        {Value(), std::string("c"), Value(), decimal(false, nines(28))}};
    for (const auto &row : rows)
        EXPECT_TRUE(writer->insert(row));
    EXPECT_TRUE(writer->finish());
    EXPECT_TRUE(tx.commit(nullptr));
    return Qb::Test::sourceBytes((*db)->pages().source());
}

class ExportValues : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_path = m_dir.path("typed.mdb");
        const auto bytes = typedLibrary();
        std::ofstream(m_path, std::ios::binary).write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    }
    std::string tool(const std::string &args)
    {
        return Qb::Test::runCommand(Qb::Test::shellQuote(QB_MDB_TOOL) + " " + args + " 2>&1").value_or("<failed>");
    }

    Qb::Test::TempDir m_dir;
    std::string m_path;
};

TEST_F(ExportValues, datesKeepTheirMillisecondsAndDecimalsTheirDigits)
{
    const std::string file = Qb::Test::shellQuote(m_path);
    EXPECT_EQ(tool("export " + file + " 关键字表"), "ID,关键字,时刻,金额\n"
                                                 "1,\"a\",\"2001-01-11 01:11:21.100\",12345.6789\n"
                                                 "2,\"b\",\"2001-01-11 01:11:21\",-0.0001\n"
                                                 "3,\"c\",,999999999999999999999999.9999\n");
    EXPECT_EQ(tool("export " + file + " 关键字表 --format json"),
              "[\n{\"ID\": 1, \"关键字\": \"a\", \"时刻\": \"2001-01-11 01:11:21.100\", \"金额\": 12345.6789},\n"
              "{\"ID\": 2, \"关键字\": \"b\", \"时刻\": \"2001-01-11 01:11:21\", \"金额\": -0.0001},\n"
              "{\"ID\": 3, \"关键字\": \"c\", \"时刻\": null, \"金额\": 999999999999999999999999.9999}\n]\n");
    EXPECT_EQ(tool("query " + file + " \"select 时刻, 金额 from 关键字表 where 关键字='a'\""),
              "时刻,金额\n\"2001-01-11 01:11:21.100\",12345.6789\n");
    EXPECT_EQ(tool("check " + file).rfind("ok: ", 0), 0u);
}

// The independent readers read the same values from the file the engine wrote (mdbtools prints
// whole seconds only).
TEST_F(ExportValues, independentReadersAgree)
{
    const std::string file = Qb::Test::shellQuote(m_path);
    bool checked = false;
    if (Qb::Test::haveMdbTools()) {
        const auto theirs = Qb::Test::runCommand("mdb-export -D '%Y-%m-%d %H:%M:%S' -T '%Y-%m-%d %H:%M:%S' " + file + " 关键字表");
        ASSERT_TRUE(theirs);
        EXPECT_NE(theirs->find("\"a\",\"2001-01-11 01:11:21\",12345.6789"), std::string::npos) << *theirs;
        EXPECT_NE(theirs->find("\"b\",\"2001-01-11 01:11:21\",-0.0001"), std::string::npos) << *theirs;
        EXPECT_NE(theirs->find("999999999999999999999999.9999"), std::string::npos) << *theirs;
        checked = true;
    }
    if (Qb::Test::runCommand("command -v node >/dev/null && test -d " + Qb::Test::shellQuote(QB_MDBREADER_DIR)
                             + "/node_modules/mdb-reader")) {
        const auto theirs = Qb::Test::runCommand("node " + Qb::Test::shellQuote(QB_MDBREADER_EXPORT) + " " + file + " 关键字表");
        ASSERT_TRUE(theirs);
        EXPECT_EQ(*theirs, tool("export " + file + " 关键字表"));
        checked = true;
    }
    if (!checked)
        GTEST_SKIP() << "neither mdbtools nor node with mdb-reader is installed";
}

} // namespace
