// SPDX-License-Identifier: GPL-3.0-or-later
// The empty command library: what our reader, mdbtools and mdb-reader see in it, its password,
// and that creating it never replaces an existing file.
#include "jet/checker.h"
#include "jet/database.h"
#include "jet/jetdatabase.h"
#include "jet/write/emptylibrary.h"
#include "jet/storage/pagesource.h"

#include "writetest_support.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace Qb::Jet;
using Qb::Test::TempDir;

namespace {

const std::vector<std::string> TableNames = {"分类表", "命令库", "命令表", "关键字表"};

struct TableColumns
{
    std::string table;
    std::vector<std::string> columns;
};

const std::vector<TableColumns> Schema = {
    {"分类表", {"ID", "分类名", "序号", "父类", "说明"}},
    {"命令库", {"ID", "命令名", "中文名", "分类", "说明", "类型"}},
    {"命令表", {"ID", "命令", "说明"}},
    {"关键字表", {"ID", "关键字", "颜色", "类别"}},
};

std::unique_ptr<Database> openBuilt(std::string_view password, Result<std::unique_ptr<Database>> *failure = nullptr)
{
    auto db = Database::open(makeMemoryPageSource(EmptyLibrary::build(45000.25)), password);
    if (failure)
        *failure = std::move(db);
    else if (db)
        return std::move(*db);
    return nullptr;
}

TEST(CreateLibrary, ourReaderSeesTheFourEmptyTables)
{
    auto db = openBuilt("HPQVNRtoka3906");
    ASSERT_TRUE(db);
    EXPECT_EQ(db->tableNames(), TableNames);
    for (const auto &t : Schema) {
        auto cursor = db->query("select * from " + t.table);
        ASSERT_TRUE(cursor) << cursor.error().message;
        EXPECT_EQ((*cursor)->columns(), t.columns) << t.table;
        EXPECT_TRUE((*cursor)->atEnd()) << t.table;
    }
}

TEST(CreateLibrary, passesTheStructureCheck)
{
    auto db = openBuilt("HPQVNRtoka3906");
    ASSERT_TRUE(db);
    const CheckReport report = checkDatabase(static_cast<JetDatabase &>(*db));
    EXPECT_TRUE(report.ok()) << report.faults.size() << " faults, first: " << report.faults.front();
    EXPECT_EQ(report.tables, 8u);
}

TEST(CreateLibrary, opensOnlyWithTheProgramsPassword)
{
    Result<std::unique_ptr<Database>> wrong = fail(ErrorCode::Corrupt, "");
    openBuilt("hpqvnrtoka3906", &wrong);
    ASSERT_FALSE(wrong);
    EXPECT_EQ(wrong.error().code, ErrorCode::WrongPassword);
    Result<std::unique_ptr<Database>> none = fail(ErrorCode::Corrupt, "");
    openBuilt("", &none);
    EXPECT_FALSE(none);
}

TEST(CreateLibrary, writesTheFileOnceAndNeverReplacesOne)
{
    TempDir dir;
    const std::string path = dir.path("qbxdb.mdb");
    ASSERT_TRUE(Database::createLibrary(path));
    EXPECT_EQ(std::filesystem::file_size(path) % PageSize, 0u);
    EXPECT_TRUE(Database::open(path, "HPQVNRtoka3906"));

    const std::string other = dir.path("other.mdb");
    std::ofstream(other) << "not a database";
    auto again = Database::createLibrary(other);
    ASSERT_FALSE(again);
    EXPECT_EQ(again.error().code, ErrorCode::IoError);
    std::ifstream in(other);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "not a database");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path("")), {}), 2) << "no temporary file left";
}

TEST(CreateLibrary, failsCleanlyInAMissingDirectory)
{
    TempDir dir;
    auto r = Database::createLibrary(dir.path("missing/qbxdb.mdb"));
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().code, ErrorCode::IoError);
}

TEST(CreateLibrary, mdbtoolsListsTablesAndColumnTypes)
{
    if (!Qb::Test::haveMdbTools())
        GTEST_SKIP() << "mdbtools not installed";
    TempDir dir;
    const std::string path = dir.path("qbxdb.mdb");
    ASSERT_TRUE(Database::createLibrary(path));
    const auto tables = Qb::Test::runCommand("mdb-tables -1 " + Qb::Test::shellQuote(path));
    ASSERT_TRUE(tables);
    EXPECT_EQ(*tables, "分类表\n命令库\n命令表\n关键字表\n");
    const auto schema = Qb::Test::runCommand("mdb-schema " + Qb::Test::shellQuote(path) + " access");
    ASSERT_TRUE(schema);
    for (const char *line : {"[分类名]\t\t\tText (50)", "[序号]\t\t\tText (12)", "[说明]\t\t\tMemo/Hyperlink",
                             "[类型]\t\t\tText (50)", "[颜色]\t\t\tText (20)", "[类别]\t\t\tText (40)",
                             "[ID]\t\t\tLong Integer"})
        EXPECT_NE(schema->find(line), std::string::npos) << line;
    for (const auto &t : Schema) {
        const auto csv = Qb::Test::runCommand("mdb-export " + Qb::Test::shellQuote(path) + " " + t.table);
        ASSERT_TRUE(csv) << t.table;
        std::string header;
        for (const auto &c : t.columns)
            header += (header.empty() ? "" : ",") + c;
        EXPECT_EQ(*csv, header + "\n");
    }
}

TEST(CreateLibrary, mdbReaderReadsTheTables)
{
    const std::string script = Qb::Test::mdbReaderScript();
    if (script.empty())
        GTEST_SKIP() << "node or the mdb-reader package not installed";
    TempDir dir;
    const std::string path = dir.path("qbxdb.mdb");
    ASSERT_TRUE(Database::createLibrary(path));
    const auto json = Qb::Test::runCommand("node " + script + " " + Qb::Test::shellQuote(path));
    ASSERT_TRUE(json);
    EXPECT_NE(json->find(R"("命令库":{"columns":[["ID","long"],["命令名","text"],["中文名","text"],)"
                         R"(["分类","text"],["说明","memo"],["类型","text"]],"rows":[]})"),
              std::string::npos)
        << *json;
    for (const auto &t : TableNames)
        EXPECT_NE(json->find("\"" + t + "\""), std::string::npos) << t;
}

} // namespace
