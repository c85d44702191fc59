// SPDX-License-Identifier: GPL-3.0-or-later
// The structure check passes on sound files (every fixture, and a library the engine made) and
// reports each kind of damage: wrong row count, broken long-value chain, index entry naming a
// missing row, a free-space field that disagrees with the rows, one long value reached from two
// rows, a page in use marked free, truncated file.
#include "jet/checker.h"
#include "jet/format/indexreader.h"
#include "jet/format/longvalue.h"
#include "jet/format/rowcodec.h"
#include "jet/sql/tablescan.h"
#include "samplelibrary_support.h"
#include "support/fixtures.h"

#include <gtest/gtest.h>

#include <functional>

using namespace Qb::Jet;

namespace {

using Qb::Test::sampleLibrary;

std::unique_ptr<JetDatabase> openBytes(std::vector<std::uint8_t> bytes) { return Qb::Test::openSample(std::move(bytes)); }

// Facts about the sample's 命令库 table that the damage cases need.
struct Landmarks
{
    std::uint32_t tablePage = 0;
    std::uint32_t firstLvalPage = 0;
    std::uint8_t firstLvalRow = 0;
    std::uint32_t indexLeaf = 0;
    std::uint32_t firstDataPage = 0;
    std::uint32_t mapPage = 0;              // the page holding the table's usage-map rows
    std::vector<std::uint8_t> chainHeader;  // the 12-byte header of the chained memo
    std::size_t otherMemoField = 0;         // file offset of another row's memo field
};

Landmarks landmarks(const std::vector<std::uint8_t> &bytes)
{
    Landmarks l;
    auto db = openBytes(bytes);
    auto def = db->tableDef("命令库").value();
    l.tablePage = def->page;
    l.indexLeaf = def->realIndexes.at(0).rootPage;
    l.firstDataPage = db->dataPages(*def).value()->front();
    l.mapPage = def->ownedPages.page;
    TableScan scan(db->pages(), *def, db->dataPages(*def).value());
    const int memo = def->findColumn("说明");
    while (scan.next().value_or(false)) {
        auto row = RowView::make(*def, scan.row(), scan.where()).value();
        auto field = row.columnBytes(std::size_t(memo)).value();
        if (field && field->size() >= 12 && (u32(*field, 0) & 0xC0000000u) == 0) {
            l.firstLvalRow = (*field)[4];
            l.firstLvalPage = u24(*field, 5);
            l.chainHeader.assign(field->begin(), field->begin() + 12);
        } else if (field && field->size() >= 12) {
            l.otherMemoField = scan.rowPage() * PageSize + scan.rowStart() + std::size_t(field->data() - scan.row().data());
        }
    }
    return l;
}

// Offset of slot `row`'s bytes on `page`.
std::size_t rowStart(const std::vector<std::uint8_t> &bytes, std::uint32_t page, std::uint8_t row)
{
    return page * PageSize + (u16(bytes, page * PageSize + 14 + 2 * row) & 0x1FFF);
}

void put32(std::vector<std::uint8_t> &b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = std::uint8_t(v >> (8 * i));
}

struct Damage
{
    const char *name;
    std::function<void(std::vector<std::uint8_t> &, const Landmarks &)> apply;
    const char *expectedFault;
};

class CheckDamage : public ::testing::TestWithParam<Damage> {};

TEST(Checker, sampleLibraryIsSound)
{
    ASSERT_FALSE(sampleLibrary().empty()) << "the engine could not make the sample library";
    auto db = openBytes(sampleLibrary());
    ASSERT_TRUE(db);
    const CheckReport report = checkDatabase(*db);
    EXPECT_TRUE(report.ok()) << (report.faults.empty() ? "" : report.faults.front());
    EXPECT_GE(report.longValues, 1u);
    ASSERT_NE(landmarks(sampleLibrary()).firstLvalPage, 0u) << "the sample memo should be a chain";
}

TEST_P(CheckDamage, isReported)
{
    std::vector<std::uint8_t> bytes = sampleLibrary();
    GetParam().apply(bytes, landmarks(bytes));
    auto db = openBytes(std::move(bytes));
    ASSERT_TRUE(db);
    const CheckReport report = checkDatabase(*db);
    ASSERT_FALSE(report.ok());
    std::string all;
    for (const auto &f : report.faults)
        all += f + "\n";
    EXPECT_NE(all.find(GetParam().expectedFault), std::string::npos) << all;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CheckDamage,
    ::testing::Values(
        Damage{"wrongRowCount",
               [](auto &b, const Landmarks &l) { put32(b, l.tablePage * PageSize + 16, 4); },
               "counts 4 rows but the data pages hold 3"},
        Damage{"brokenLongValueChain",
               [](auto &b, const Landmarks &l) {
                   // The first chain link names a row that is not on its page.
                   const std::size_t at = rowStart(b, l.firstLvalPage, l.firstLvalRow);
                   b[at] = 200;
               },
               "no such row slot"},
        Damage{"longValueChainLoops",
               [](auto &b, const Landmarks &l) {
                   const std::size_t at = rowStart(b, l.firstLvalPage, l.firstLvalRow);
                   b[at] = l.firstLvalRow;
                   b[at + 1] = std::uint8_t(l.firstLvalPage);
                   b[at + 2] = std::uint8_t(l.firstLvalPage >> 8);
                   b[at + 3] = std::uint8_t(l.firstLvalPage >> 16);
               },
               "loops"},
        Damage{"indexEntryNamesMissingRow",
               [](auto &b, const Landmarks &l) {
                   // The first leaf entry ends at the first set bit of the entry bitmap; its
                   // last byte is the row number.
                   const std::size_t page = l.indexLeaf * PageSize;
                   std::size_t end = 1;
                   while (!((b[page + 27 + end / 8] >> (end % 8)) & 1))
                       ++end;
                   b[page + 0x1E0 + end - 1] = 0x77;
               },
               "entries name rows that do not exist"},
        Damage{"indexTreeLoops",
               [](auto &b, const Landmarks &l) {
                   // The root becomes a node page without entries whose last child is itself.
                   const std::size_t page = l.indexLeaf * PageSize;
                   b[page] = 0x03;
                   std::fill(b.begin() + long(page + 27), b.begin() + long(page + 0x1E0), 0);
                   put32(b, page + 20, l.indexLeaf);
               },
               "the index tree loops"},
        Damage{"freeSpaceFieldDisagreesWithRows",
               [](auto &b, const Landmarks &l) { b[l.firstDataPage * PageSize + 2] ^= 0x10; },
               "free bytes but its rows leave"},
        Damage{"longValueSharedByTwoRows",
               [](auto &b, const Landmarks &l) {
                   std::copy(l.chainHeader.begin(), l.chainHeader.end(), b.begin() + long(l.otherMemoField));
               },
               "also holds another value"},
        Damage{"usageMapPageMarkedFree",
               [](auto &b, const Landmarks &l) {
                   const std::size_t map = rowStart(b, 1, 0);
                   const std::uint32_t bit = l.mapPage - u32(b, map + 1);
                   b[map + 5 + bit / 8] |= std::uint8_t(1u << (bit % 8));
               },
               "pages in use are marked free"},
        Damage{"truncatedAtPageBoundary",
               [](auto &b, const Landmarks &) { b.resize(b.size() - PageSize); },
               "past the end"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Checker, fileCutInsideAPageIsRefusedAsTruncated)
{
    std::vector<std::uint8_t> bytes = sampleLibrary();
    bytes.resize(bytes.size() - 100);
    auto db = JetDatabase::open(makeMemoryPageSource(std::move(bytes)), Qb::Test::LibraryPassword, Database::Mode::ReadOnly);
    ASSERT_FALSE(db);
    EXPECT_EQ(db.error().code, ErrorCode::Truncated);
}

class FixtureCheck : public ::testing::TestWithParam<const char *> {};

TEST_P(FixtureCheck, passes)
{
    const std::string path = Qb::Test::jetFixture(GetParam());
    if (path.empty())
        GTEST_SKIP() << Qb::Test::NoSharedMessage;
    auto db = JetDatabase::open(openFilePageSource(path, false).value(), "password", Database::Mode::ReadOnly);
    ASSERT_TRUE(db) << db.error().message;
    const CheckReport report = checkDatabase(**db);
    EXPECT_TRUE(report.ok()) << report.faults.front();
    EXPECT_GT(report.tables, 0u);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureCheck,
                         ::testing::Values("jackcess-empty-v2000.mdb", "jackcess-adox_jet4.mdb",
                                           "jackcess-compIndexTestV2000.mdb", "jackcess-test2V2000.mdb",
                                           "jackcess-delTestV2000.mdb", "jackcess-overflowTestV2000.mdb",
                                           "jackcess-indexTestV2000.mdb", "jackcess-testUnicodeCompV2003.mdb",
                                           "mdbreader-V2000_with-password.mdb", "zblogasp-data-2013-chinese.mdb",
                                           "northwind-Mahdisaeidi79.mdb", "linq2db-TestData.mdb"),
                         [](const auto &info) {
                             std::string name = info.param;
                             name = name.substr(0, name.find('.'));
                             for (char &c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

} // namespace
