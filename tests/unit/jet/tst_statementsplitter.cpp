// SPDX-License-Identifier: GPL-3.0-or-later
// Cutting scripts into statements: ";" inside literals and bracketed names, literals across
// lines, comments, a missing last ";", and the line each statement starts on. Every script is
// fed in parts of every size, so each byte ends a part somewhere: where a statement lies whole
// in a part it is a view of it, else a copy, and the two must not differ.
#include "jet/sql/statementsplitter.h"

#include <gtest/gtest.h>

#include <vector>

using Qb::Jet::StatementSplitter;

namespace {

struct Expected
{
    std::size_t line;
    std::string text;
    bool operator==(const Expected &) const = default;
};

void PrintTo(const Expected &e, std::ostream *os) { *os << "line " << e.line << ": [" << e.text << "]"; }

struct Script
{
    const char *name;
    std::string text;
    std::vector<Expected> statements;
};

void PrintTo(const Script &s, std::ostream *os) { *os << s.name; }

std::vector<Expected> split(const std::string &script, std::size_t partSize)
{
    StatementSplitter splitter;
    std::vector<Expected> out;
    for (std::size_t at = 0; at < script.size(); at += partSize) {
        splitter.feed(std::string_view(script).substr(at, partSize));
        while (auto s = splitter.next())
            out.push_back({s->line, std::string(s->text)});
    }
    if (auto last = splitter.finish())
        out.push_back({last->line, std::string(last->text)});
    return out;
}

class Splitting : public ::testing::TestWithParam<Script> {};

TEST_P(Splitting, givesEachStatementWithItsLine)
{
    for (std::size_t partSize = 1; partSize <= GetParam().text.size() + 1; ++partSize)
        EXPECT_EQ(split(GetParam().text, partSize), GetParam().statements) << "fed in parts of " << partSize;
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, Splitting,
    ::testing::Values(
        Script{"twoOnTwoLines", "delete from a;\ndelete from b;\n", {{1, "delete from a"}, {2, "\ndelete from b"}}},
        Script{"lastWithoutSemicolon", "delete from a;\n  delete from b\n", {{1, "delete from a"}, {2, "\n  delete from b\n"}}},
        Script{"semicolonAndLineBreaksInALiteral",
               "insert into t(m) values ('a;\r\nb;\nc');\ndelete from t",
               {{1, "insert into t(m) values ('a;\r\nb;\nc')"}, {4, "\ndelete from t"}}},
        Script{"doubledQuoteStaysInTheLiteral", "update t set m='it''s; ok' where ID=1;x",
               {{1, "update t set m='it''s; ok' where ID=1"}, {1, "x"}}},
        Script{"literalEndingInADoubledQuote", "insert into t(m) values ('''');delete from t",
               {{1, "insert into t(m) values ('''')"}, {1, "delete from t"}}},
        Script{"bracketedNameWithSemicolonAndQuote", "select [a;b'c] from t; delete from t",
               {{1, "select [a;b'c] from t"}, {1, " delete from t"}}},
        Script{"commentsAreLeftOut", "-- first; not a statement\ndelete from a; -- done;\n--\ndelete from b -- no end",
               {{2, "\ndelete from a"}, {4, " \n\ndelete from b "}}},
        Script{"dashesInALiteralAreText", "insert into t(m) values ('--x');", {{1, "insert into t(m) values ('--x')"}}},
        Script{"singleDashIsKept", "update t set n=-1 where ID=2-1;", {{1, "update t set n=-1 where ID=2-1"}}},
        Script{"dashAtTheEndReachesTheParser", "delete from a;\n-", {{1, "delete from a"}, {2, "\n- "}}},
        Script{"emptyPiecesAreNoStatements", " ;\n;;\n\t; -- x\n", {}},
        Script{"unterminatedLiteralReachesTheParser", "delete from a;\ninsert into t(m) values ('open;\n",
               {{1, "delete from a"}, {2, "\ninsert into t(m) values ('open;\n"}}},
        Script{"chineseText", "insert into 命令表(命令) values ('打印；');\n", {{1, "insert into 命令表(命令) values ('打印；')"}}},
        Script{"crlfLinesAndDoubledQuotes", "insert into t(m) values ('a''\r\n'';''');\r\n-- c\r\ndelete from t;",
               {{1, "insert into t(m) values ('a''\r\n'';''')"}, {4, "\r\n\ndelete from t"}}},
        Script{"commentAfterCode", "delete from t--x;\n;x-1--", {{1, "delete from t\n"}, {2, "x-1"}}}),
    [](const auto &info) { return std::string(info.param.name); });

// A part may change once feed() returns, as a reading loop's buffer does, if its statements
// were taken; statements still waiting at the next feed() are copied out of it first.
TEST(SplittingParts, statementsNotTakenOutliveTheirPart)
{
    StatementSplitter splitter;
    std::string part = "delete from a; delete from b; delete";
    splitter.feed(part);
    std::string second = " from c;";
    splitter.feed(second);
    part.assign(part.size(), '?');
    std::vector<std::string> texts;
    while (auto s = splitter.next())
        texts.emplace_back(s->text);
    EXPECT_EQ(texts, (std::vector<std::string>{"delete from a", " delete from b", " delete from c"}));
    EXPECT_FALSE(splitter.finish());
}

} // namespace
