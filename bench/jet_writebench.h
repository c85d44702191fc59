// SPDX-License-Identifier: GPL-3.0-or-later
// Pieces of the write benchmark: the command rows and statements both engines run, and the
// references measured beside the engine (a pwrite + fdatasync loop and SQLite).
#pragma once

#include <functional>
#include <string>

struct sqlite3;

namespace Qb::Bench {

// The statements of one kind, numbered from 0; `size` is the library's number of commands.
using StatementText = std::function<std::string(int i)>;

// The rows of a library of `size` commands, as insert statements (command k = 0..size-1).
std::string insertCommand(int k);
// Single-statement edits as the program sends them: an insert of a new command, an update of
// an existing one by ID, a delete of an existing one by name. `count` statements of each kind
// are run on a library of `size` commands (count <= size).
StatementText insertStatements(int size);
StatementText updateStatements(int size, int count);
StatementText deleteStatements(int size, int count);

// Seconds for `count` iterations of pwrite + fdatasync of one 4 KiB page in `dir`.
double floorSeconds(const std::string &dir, int count);

// An SQLite database with the same table, filled with `size` commands in one transaction.
// `wal` chooses the write-ahead log; both use synchronous=FULL.
class SqliteLibrary
{
public:
    SqliteLibrary(const std::string &path, bool wal);
    ~SqliteLibrary();
    SqliteLibrary(const SqliteLibrary &) = delete;
    SqliteLibrary &operator=(const SqliteLibrary &) = delete;

    bool fill(int size);
    // Seconds for statements first..first+count-1, each its own transaction; negative on failure.
    double run(int first, int count, const StatementText &statement);
    // Seconds for running `script` (statements ended by ";") as one transaction.
    double runScript(const std::string &script);

private:
    bool exec(const std::string &sql);

    ::sqlite3 *m_db = nullptr;
    std::string m_path;
};

} // namespace Qb::Bench
