// SPDX-License-Identifier: GPL-3.0-or-later
// Row frames built by hand: the null mask, fixed and variable columns, columns added after a row
// was written, Yes/No bits, and offsets that leave the row.
#include "jet/format/longvalue.h"
#include "jet/storage/pagecache.h"
#include "jet/format/rowcodec.h"

#include <gtest/gtest.h>

#include <functional>

using namespace Qb::Jet;

namespace {

// A table of: Long ID (fixed, number 0), Yes/No flag (number 1), Text name (variable 0,
// number 2), Memo note (variable 1, number 3).
TableDef sampleTable()
{
    TableDef t;
    t.variableColumns = 2;
    t.maxColumns = 4;
    auto column = [](const char *name, ColumnType type, std::uint16_t number, std::uint8_t flags) {
        ColumnDef c;
        c.name = name;
        c.type = std::uint8_t(type);
        c.number = number;
        c.flags = flags;
        return c;
    };
    t.columns = {column("ID", ColumnType::Long, 0, ColumnFixedLength), column("flag", ColumnType::Boolean, 1, ColumnFixedLength),
                 column("name", ColumnType::Text, 2, 0), column("note", ColumnType::Memo, 3, 0)};
    t.columns[3].varIndex = 1;
    return t;
}

// num_cols, ID, then the variable values, EOD, the offsets last first, their count, null mask.
std::vector<std::uint8_t> row(std::uint16_t numCols, std::int32_t id, const std::vector<std::vector<std::uint8_t>> &vars,
                              std::uint8_t nullMask)
{
    std::vector<std::uint8_t> r = {std::uint8_t(numCols), 0};
    for (int i = 0; i < 4; ++i)
        r.push_back(std::uint8_t(std::uint32_t(id) >> (8 * i)));
    std::vector<std::uint16_t> offsets;
    for (const auto &v : vars) {
        offsets.push_back(std::uint16_t(r.size()));
        r.insert(r.end(), v.begin(), v.end());
    }
    const std::uint16_t eod = std::uint16_t(r.size());
    auto put16 = [&](std::uint16_t v) {
        r.push_back(std::uint8_t(v));
        r.push_back(std::uint8_t(v >> 8));
    };
    put16(eod);
    for (auto it = offsets.rbegin(); it != offsets.rend(); ++it)
        put16(*it);
    put16(std::uint16_t(vars.size()));
    r.push_back(nullMask);
    return r;
}

std::vector<std::uint8_t> inlineMemo(const std::string &ascii)
{
    std::vector<std::uint8_t> m = {std::uint8_t(ascii.size() * 2), 0, 0, 0x80, 0, 0, 0, 0, 0, 0, 0, 0};
    for (char c : ascii) {
        m.push_back(std::uint8_t(c));
        m.push_back(0);
    }
    return m;
}

class RowCodec : public ::testing::Test
{
protected:
    Value decode(const std::vector<std::uint8_t> &bytes, std::size_t column)
    {
        auto view = RowView::make(m_table, bytes);
        EXPECT_TRUE(view) << (view ? "" : view.error().message);
        auto v = decodeColumn(m_pages, m_table, *view, column);
        EXPECT_TRUE(v) << (v ? "" : v.error().message);
        return v ? *v : Value();
    }
    TableDef m_table = sampleTable();
    PageCache m_pages{makeMemoryPageSource(std::vector<std::uint8_t>(3 * PageSize))};
};

TEST_F(RowCodec, decodesEveryColumnKind)
{
    const auto r = row(4, -7, {{'a', 0, 'b', 0}, inlineMemo("hi")}, 0b1111);
    EXPECT_EQ(std::get<std::int64_t>(decode(r, 0)), -7);
    EXPECT_EQ(std::get<bool>(decode(r, 1)), true);
    EXPECT_EQ(std::get<std::string>(decode(r, 2)), "ab");
    EXPECT_EQ(std::get<std::string>(decode(r, 3)), "hi");
}

TEST_F(RowCodec, nullMaskAndShortRowsGiveNull)
{
    const auto nulls = row(4, 1, {{}, {}}, 0b0001);
    EXPECT_TRUE(isNull(decode(nulls, 2)));
    EXPECT_TRUE(isNull(decode(nulls, 3)));
    EXPECT_EQ(std::get<bool>(decode(nulls, 1)), false); // a Yes/No is its bit: never NULL

    const auto empty = row(4, 1, {{}, {}}, 0b0101);
    EXPECT_EQ(std::get<std::string>(decode(empty, 2)), ""); // present but empty

    // Written when the table had two columns: the later ones read as NULL.
    const auto old = row(2, 5, {}, 0b0011);
    EXPECT_TRUE(isNull(decode(old, 2)));
    EXPECT_TRUE(isNull(decode(old, 3)));
}

struct Broken
{
    const char *name;
    std::function<void(std::vector<std::uint8_t> &)> damage;
    bool frameFails; // otherwise the column read fails
};

class BrokenRow : public RowCodec, public ::testing::WithParamInterface<Broken> {};

TEST_P(BrokenRow, isCorrupt)
{
    auto r = row(4, 1, {{'a', 0, 'b', 0}, inlineMemo("hi")}, 0b1111);
    GetParam().damage(r);
    auto view = RowView::make(m_table, r);
    if (GetParam().frameFails) {
        ASSERT_FALSE(view);
        EXPECT_EQ(view.error().code, ErrorCode::Corrupt);
        return;
    }
    ASSERT_TRUE(view);
    Result<Value> name = decodeColumn(m_pages, m_table, *view, 2);
    Result<Value> note = decodeColumn(m_pages, m_table, *view, 3);
    EXPECT_TRUE(!name || !note);
    EXPECT_EQ((!name ? name : note).error().code, ErrorCode::Corrupt);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BrokenRow,
    ::testing::Values(
        Broken{"tooShort", [](auto &r) { r.resize(1); }, true},
        Broken{"nullMaskLongerThanRow", [](auto &r) { r[0] = 0xFF; r[1] = 0xFF; }, true},
        Broken{"offsetCountTooLarge", [](auto &r) { r[r.size() - 3] = 0x7F; }, true},
        Broken{"endOfDataPastTrailer", [](auto &r) { r[r.size() - 9] = 0xF0; }, true},
        Broken{"variableOffsetsBackwards", [](auto &r) { r[r.size() - 5] = 0x30; }, false},
        Broken{"inlineMemoLongerThanField", [](auto &r) { r[10] = 0x40; }, false}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(LongValue, missingOrForeignRowsAreCorrupt)
{
    std::vector<std::uint8_t> bytes(4 * PageSize);
    // Page 3: a data page that is not a long-value page, with one row.
    bytes[3 * PageSize] = 0x01;
    bytes[3 * PageSize + 12] = 1;
    bytes[3 * PageSize + 14] = 0x00;
    bytes[3 * PageSize + 15] = 0x0F;
    PageCache pages(makeMemoryPageSource(bytes));
    const std::vector<std::uint8_t> single = {10, 0, 0, 0x40, 0, 3, 0, 0, 0, 0, 0, 0};
    auto notLval = readLongValue(pages, single);
    ASSERT_FALSE(notLval);
    EXPECT_NE(notLval.error().message.find("not a long-value page"), std::string::npos);
    const std::vector<std::uint8_t> pastEnd = {10, 0, 0, 0, 0, 9, 0, 0, 0, 0, 0, 0};
    EXPECT_FALSE(readLongValue(pages, pastEnd));
    EXPECT_FALSE(readLongValue(pages, std::vector<std::uint8_t>(5)));
}

} // namespace
