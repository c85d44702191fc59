// SPDX-License-Identifier: GPL-3.0-or-later
// quillbox-mdb as a user meets it: each command's output and exit status, clear messages on bad
// input (usage 2, failure 3, faults found 1).
#include "samplelibrary_support.h"
#include "support/fixtures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Outcome
{
    int status = -1;
    std::string out;
    std::string err;
};

std::string shellQuote(const std::string &s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string slurp(const std::filesystem::path &p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class Cli : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() / ("qb-cli-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_dir);
        ASSERT_FALSE(Qb::Test::sampleLibrary().empty());
        m_library = (m_dir / "lib.mdb").string();
        std::ofstream(m_library, std::ios::binary)
            .write(reinterpret_cast<const char *>(Qb::Test::sampleLibrary().data()),
                   std::streamsize(Qb::Test::sampleLibrary().size()));
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    // `input`, when given, is the tool's standard input.
    Outcome run(const std::vector<std::string> &args, const std::optional<std::string> &input = std::nullopt)
    {
        std::string command = shellQuote(QB_MDB_TOOL);
        for (const auto &a : args)
            command += " " + shellQuote(a);
        if (input) {
            std::ofstream(m_dir / "in", std::ios::binary) << *input;
            command += " <" + shellQuote((m_dir / "in").string());
        }
        command += " >" + shellQuote((m_dir / "out").string()) + " 2>" + shellQuote((m_dir / "err").string());
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(m_dir / "out"), slurp(m_dir / "err")};
    }

    std::filesystem::path m_dir;
    std::string m_library;
};

TEST_F(Cli, readingCommandsOnALibrary)
{
    const Outcome tables = run({"tables", m_library});
    EXPECT_EQ(tables.status, 0) << tables.err;
    EXPECT_EQ(tables.out, "分类表\n命令库\n命令表\n关键字表\n");

    const Outcome schema = run({"schema", m_library});
    EXPECT_EQ(schema.status, 0);
    EXPECT_NE(schema.out.find("CREATE TABLE [命令库] (\n    [ID] AutoNumber,\n    [命令名] Text (255),"), std::string::npos)
        << schema.out;
    EXPECT_NE(schema.out.find("[说明] Memo"), std::string::npos);

    const Outcome csv = run({"export", m_library, "关键字表"});
    EXPECT_EQ(csv.status, 0);
    EXPECT_EQ(csv.out, "ID,关键字,颜色,类别\n1,\"self\",\"255\",\n2,\"it's\",\"65280\",\n");

    const Outcome json = run({"query", m_library, "select 命令名, 中文名 from 命令库 where 分类='1'", "--format", "json"});
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out, "[\n{\"命令名\": \"print\", \"中文名\": \"打印\"},\n{\"命令名\": \"prompt\", \"中文名\": \"\"}\n]\n");

    const Outcome empty = run({"query", m_library, "select * from 命令表 where 命令='none'", "--format=json"});
    EXPECT_EQ(empty.out, "[]\n");

    const Outcome memo = run({"query", m_library, "select 说明 from 命令库 where 中文名='打印'"});
    EXPECT_EQ(memo.out, "说明\n\"" + Qb::Test::sampleLongMemo() + "\"\n");

    const Outcome check = run({"check", m_library});
    EXPECT_EQ(check.status, 0) << check.out;
    EXPECT_EQ(check.out.rfind("ok: ", 0), 0u) << check.out;
}

TEST_F(Cli, queryLanguageAndOutputFormats)
{
    const Outcome table = run({"query", m_library, "select ID, 命令名 as 名, 中文名 from 命令库 where ID < 3 order by 命令名 desc",
                               "--format", "table"});
    EXPECT_EQ(table.status, 0) << table.err;
    // Chinese characters take two columns, numbers align right, NULL and empty text show empty.
    EXPECT_EQ(table.out, "ID  名      中文名\n"
                         "--  ------  ------\n"
                         " 2  prompt\n"
                         " 1  print   打印\n");

    const Outcome bare = run({"query", m_library, "select count(*), max(ID) from 命令库 where 说明 is not null",
                              "--no-header"});
    EXPECT_EQ(bare.status, 0) << bare.err;
    EXPECT_EQ(bare.out, "3,3\n");

    const Outcome headerless = run({"query", m_library, "select top 1 ID from 命令库 order by ID desc", "--format=table",
                                    "--no-header"});
    EXPECT_EQ(headerless.out, "3\n");

    const Outcome help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.err.find("A [not] between v and v"), std::string::npos) << help.err;
}

struct BadInput
{
    const char *name;
    std::vector<std::string> args; // "LIB" stands for the sample library's path
    int status;
    const char *message;
};

class CliBadInput : public Cli, public ::testing::WithParamInterface<BadInput> {};

TEST_P(CliBadInput, failsWithStatusAndMessage)
{
    std::vector<std::string> args = GetParam().args;
    for (auto &a : args)
        if (a == "LIB")
            a = m_library;
    const Outcome o = run(args);
    EXPECT_EQ(o.status, GetParam().status) << o.err;
    EXPECT_NE(o.err.find(GetParam().message), std::string::npos) << o.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliBadInput,
    ::testing::Values(BadInput{"noCommand", {}, 2, "usage:"}, BadInput{"unknownCommand", {"frobnicate", "LIB"}, 2, "unknown command"},
                      BadInput{"missingTable", {"export", "LIB"}, 2, "usage: quillbox-mdb export"},
                      BadInput{"unknownOption", {"tables", "LIB", "--verbose"}, 2, "unknown option --verbose"},
                      BadInput{"badFormat", {"export", "LIB", "命令库", "--format", "xml"}, 2, "--format must be csv, json or table"},
                      BadInput{"missingFile", {"tables", "/nonexistent/x.mdb"}, 3, "cannot open /nonexistent/x.mdb"},
                      BadInput{"wrongPassword", {"tables", "LIB", "--password", "nope"}, 3, "(WrongPassword)"},
                      BadInput{"noSuchTable", {"export", "LIB", "无此表"}, 3, "(NoSuchTable)"},
                      BadInput{"sqlOutsideSubset", {"query", "LIB", "select * from 命令库 union select * from 分类表"}, 3,
                               "expected where, group by, order by or the end of the statement, found 'union' at offset 24"},
                      BadInput{"changeThroughQuery", {"query", "LIB", "delete from 命令库"}, 3, "(SqlSyntax)"},
                      BadInput{"checkOnMissingFile", {"check", "/nonexistent/x.mdb"}, 1, "cannot open"},
                      BadInput{"execWithoutStatements", {"exec", "LIB"}, 2, "exec needs SQL, - or --file F"},
                      BadInput{"execWithSqlAndFile", {"exec", "LIB", "-", "--file", "x.sql"}, 2, "not both"},
                      BadInput{"execScriptMissing", {"exec", "LIB", "--file", "/nonexistent/x.sql"}, 3,
                               "cannot open /nonexistent/x.sql"}),
    [](const auto &info) { return std::string(info.param.name); });

// Scripts through exec: from standard input or --file, each statement committed on its own or
// all as one transaction.
struct Script
{
    const char *name;
    std::string text;
    std::vector<std::string> options;
    int status;
    std::string out;        // the whole standard output
    std::string message;    // part of standard error ("" when it must be empty)
    std::string newRows;    // CSV of (命令名, 说明) of the commands the script added
};

void PrintTo(const Script &s, std::ostream *os) { *os << s.name; }

class CliScript : public Cli, public ::testing::WithParamInterface<Script> {};

TEST_P(CliScript, runsUntilTheFirstFailure)
{
    const Script &s = GetParam();
    const auto before = slurp(m_library);
    std::vector<std::string> args{"exec", m_library};
    std::optional<std::string> input = s.text;
    if (s.options.empty() || s.options[0] != "--file") {
        args.push_back("-");
    } else {
        std::ofstream(m_dir / "script.sql", std::ios::binary) << s.text;
        args.push_back("--file");
        args.push_back((m_dir / "script.sql").string());
        input.reset();
    }
    for (std::size_t i = args.size() == 4 ? 1 : 0; i < s.options.size(); ++i)
        args.push_back(s.options[i]);
    const Outcome o = run(args, input);
    EXPECT_EQ(o.status, s.status) << o.err;
    EXPECT_EQ(o.out, s.out);
    if (s.message.empty()) {
        EXPECT_EQ(o.err, "");
    } else {
        EXPECT_NE(o.err.find(s.message), std::string::npos) << o.err;
    }
    const Outcome rows = run({"query", m_library, "select 命令名, 说明 from 命令库 where 命令名 like 'new%'"});
    EXPECT_EQ(rows.out, "命令名,说明\n" + s.newRows);
    if (s.newRows.empty()) {
        EXPECT_EQ(slurp(m_library), before) << "the file is byte for byte as it was";
    }
    EXPECT_FALSE(std::filesystem::exists(m_library + "-journal"));
}

const std::string MemoScript = "insert into 命令库(命令名,中文名,分类,说明,类型) values ('new1','','1','a;\r\nb ''q'';\nc','函数');\n"
                               "-- a comment; not a statement\n"
                               "insert into 命令库(命令名,分类) values ('new2', '2')";
const std::string MemoRows = "\"new1\",\"a;\r\nb 'q';\nc\"\n\"new2\",\n";
const std::string FailingScript = "insert into 命令库(命令名,说明) values ('new1','one;\ntwo');\n"
                                  "  insert into 命令库(命令名,无此列) values ('new2','x');\n"
                                  "insert into 命令库(命令名) values ('new3');\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, CliScript,
    ::testing::Values(
        Script{"memoWithLineBreaksAndSemicolons", MemoScript, {}, 0, "2 statement(s), 2 row(s) changed\n", "", MemoRows},
        Script{"fromAFile", MemoScript, {"--file"}, 0, "2 statement(s), 2 row(s) changed\n", "", MemoRows},
        Script{"oneTransaction", MemoScript, {"--single-transaction"}, 0, "2 statement(s), 2 row(s) changed\n", "", MemoRows},
        Script{"failureKeepsTheStatementsBefore", FailingScript, {}, 3, "",
               "quillbox-mdb: line 3: no column 无此列 (NoSuchColumn); the 1 statement(s) before it stay committed",
               "\"new1\",\"one;\ntwo\"\n"},
        Script{"failureInOneTransactionKeepsNothing", FailingScript, {"--single-transaction"}, 3, "",
               "quillbox-mdb: line 3: no column 无此列 (NoSuchColumn); nothing was committed", ""},
        Script{"unterminatedLiteral", "delete from 命令表 where 命令='len(';\ninsert into 命令库(命令名) values ('new;\n",
               {"--file", "--single-transaction"}, 3, "", "line 2: ", ""},
        // Quotes are doubled wherever they stand; empty text is a quoted empty field.
        Script{"quotesInText",
               "insert into 命令库(命令名,说明) values ('new1','say \"hi\" \"\"');\n"
               "insert into 命令库(命令名,说明) values ('new2','');\ninsert into 命令库(命令名,说明) values ('new3','\"');\n",
               {}, 0, "3 statement(s), 3 row(s) changed\n", "",
               "\"new1\",\"say \"\"hi\"\" \"\"\"\"\"\n\"new2\",\"\"\n\"new3\",\"\"\"\"\n"},
        Script{"selectIsNoChange", "select * from 命令库;", {}, 3, "", "line 1: execute runs insert, update and delete", ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(Cli, checkFailsOnADamagedCopy)
{
    std::vector<std::uint8_t> bytes = Qb::Test::sampleLibrary();
    auto db = Qb::Test::openSample(bytes);
    const std::uint32_t tdef = db->tableDef("命令表").value()->page;
    bytes[tdef * Qb::Jet::PageSize + 16] += 1; // the definition's row count
    const std::string damaged = (m_dir / "damaged.mdb").string();
    std::ofstream(damaged, std::ios::binary).write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    const Outcome o = run({"check", damaged});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.out.find("fault: table 命令表: the definition counts 4 rows but the data pages hold 3"), std::string::npos)
        << o.out;
    EXPECT_NE(o.out.find("FAULTY"), std::string::npos);
}

TEST_F(Cli, passwordOptionOpensProtectedFixture)
{
    const std::string path = Qb::Test::jetFixture("mdbreader-V2000_with-password.mdb");
    if (path.empty())
        GTEST_SKIP() << Qb::Test::NoSharedMessage;
    EXPECT_EQ(run({"tables", path, "--password=password"}).out, "Table1\n");
    EXPECT_EQ(run({"tables", path}).status, 3);
}

} // namespace
