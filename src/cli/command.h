// SPDX-License-Identifier: GPL-3.0-or-later
// The command table of quillbox-mdb: each command names itself, states its arguments and runs
// with the parsed command line. Exit codes are shared by every command.
#pragma once

#include "jet/jeterror.h"

#include <optional>
#include <string>
#include <vector>

namespace Qb::Cli {

enum ExitCode {
    ExitOk = 0,
    ExitFaults = 1,   // the command ran and found problems (check)
    ExitUsage = 2,    // bad command line
    ExitFailed = 3,   // the file could not be opened or the statement failed
};

// The program's own database password; also opens files without a password.
inline constexpr const char *DefaultPassword = "HPQVNRtoka3906";

struct Arguments
{
    std::vector<std::string> positional; // after the command name: FILE, then the rest
    std::string password = DefaultPassword;
    std::string format;                 // csv | json | table; empty: table at a terminal, else csv
    std::optional<bool> header;         // --header / --no-header (CSV and table; default on)
    std::string scriptFile;             // exec --file F
    bool singleTransaction = false;     // exec --single-transaction
};

struct Command
{
    const char *name;
    const char *usage;       // e.g. "export FILE TABLE [--format csv|json]"
    std::size_t minArgs;     // positional arguments, FILE included
    std::size_t maxArgs;
    int (*run)(const Arguments &);
};

// The reading commands: tables, schema, export, query; and the structure check.
void addReadCommands(std::vector<Command> &commands);
void addCheckCommand(std::vector<Command> &commands);
// The writing commands: defined beside the engine's writer.
void addWriteCommands(std::vector<Command> &commands);
// compact: a checked, compacted copy that replaces the original.
void addCompactCommand(std::vector<Command> &commands);

// Prints "quillbox-mdb: <message>" on stderr.
void printError(const std::string &message);
// Prints the engine's error with its code name and returns ExitFailed.
int failWith(const Jet::Error &error);

} // namespace Qb::Cli
