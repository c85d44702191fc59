// SPDX-License-Identifier: GPL-3.0-or-later
// The independent readers (mdbtools' mdb-export, the mdb-reader package under node) run on many
// library files in turn, for tests that leave a file after every crash: each file must open in
// every reader that is installed and show the rows the engine shows. mdb-reader runs as one node
// process for all files.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace Qb::Test {

// A table as the engine shows it: column names and rows of values as tableRows() gives them.
struct TableContent
{
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;
};
using Tables = std::map<std::string, TableContent>;

class IndependentReaders
{
public:
    IndependentReaders();
    ~IndependentReaders();
    IndependentReaders(const IndependentReaders &) = delete;
    IndependentReaders &operator=(const IndependentReaders &) = delete;

    // "mdbtools, mdb-reader", or "" when neither is installed.
    std::string names() const;

    // "" when every installed reader opens `file` and shows, for each table of `expected`, the
    // same rows in any order (mdbtools shows empty text as NULL); otherwise what differs.
    std::string check(const std::string &file, const Tables &expected);

private:
    std::string checkMdbtools(const std::string &file, const Tables &expected);
    std::string checkMdbReader(const std::string &file, const Tables &expected);

    bool m_mdbtools = false;
    pid_t m_node = -1;
    std::FILE *m_toNode = nullptr;
    std::FILE *m_fromNode = nullptr;
    std::string m_script;
};

} // namespace Qb::Test
