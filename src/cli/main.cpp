// SPDX-License-Identifier: GPL-3.0-or-later
// quillbox-mdb: command-line access to .mdb files through the program's own Jet engine.
#include "cli/command.h"

#include <cstdio>
#include <string_view>

namespace {

using namespace Qb::Cli;

std::vector<Command> commandTable()
{
    std::vector<Command> commands;
    addReadCommands(commands);
    addCheckCommand(commands);
    addWriteCommands(commands);
    addCompactCommand(commands);
    return commands;
}

void printUsage(const std::vector<Command> &commands)
{
    std::fputs("usage: quillbox-mdb COMMAND FILE [ARGS] [--password PW]\ncommands:\n", stderr);
    for (const auto &c : commands)
        std::fprintf(stderr, "  %s\n", c.usage);
    std::fprintf(stderr, "--password defaults to the program's own database password, which also opens\n"
                         "files without a password. exec - reads statements from standard input (--file F\n"
                         "from F), each ended by ';' outside a text literal and committed on its own, or\n"
                         "all as one with --single-transaction; it stops at the first failing statement.\n"
                         "Exit status: 0 ok, 1 faults found, 2 usage, 3 failure.\n"
                         "--format table (aligned columns) is the default when standard output is a\n"
                         "terminal, csv otherwise; --header/--no-header switch the line of column names.\n"
                         "SQL (keywords in any case, [bracketed names], 'text' with '' for a quote):\n"
                         "  select [distinct] [top N] *|item[, ...] from T [where C] [group by col, ...]\n"
                         "         [order by col|position [asc|desc], ...]\n"
                         "    item: col [as name] | count(*) | count|min|max|sum|avg(col) [as name]\n"
                         "  insert into T (col, ...) values (value, ...)\n"
                         "  update T set col = value[, ...] [where C]      delete from T [where C]\n"
                         "  C: A = B, <>, <, <=, >, >=; A is [not] null; A [not] in (v, ...);\n"
                         "     A [not] between v and v; A [not] like 'p%%_'; not, and, or, ( )\n"
                         "  values: 'text', 12, -1.5, #2001-01-11 01:11:21#, true, false, null\n"
                         "Text compares in the General sort order, letter case ignored.\n");
}

// Splits options from positional arguments; false on a malformed option.
bool parseArguments(int argc, char *argv[], Arguments &args)
{
    for (int i = 2; i < argc; ++i) {
        const std::string_view a = argv[i];
        auto option = [&](std::string_view name, std::string &target) {
            if (a == name && i + 1 < argc) {
                target = argv[++i];
                return true;
            }
            if (a.starts_with(std::string(name) + "=")) {
                target = std::string(a.substr(name.size() + 1));
                return true;
            }
            return false;
        };
        if (option("--password", args.password) || option("--format", args.format) || option("--file", args.scriptFile))
            continue;
        if (a == "--header" || a == "--no-header") {
            args.header = a == "--header";
            continue;
        }
        if (a == "--single-transaction") {
            args.singleTransaction = true;
            continue;
        }
        if (a.starts_with("--")) {
            printError("unknown option " + std::string(a));
            return false;
        }
        args.positional.emplace_back(a);
    }
    if (!args.format.empty() && args.format != "csv" && args.format != "json" && args.format != "table") {
        printError("--format must be csv, json or table");
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    const std::vector<Command> commands = commandTable();
    if (argc < 2 || std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h") {
        printUsage(commands);
        return argc < 2 ? ExitUsage : ExitOk;
    }
    for (const auto &c : commands) {
        if (std::string_view(argv[1]) != c.name)
            continue;
        Arguments args;
        if (!parseArguments(argc, argv, args))
            return ExitUsage;
        if (args.positional.size() < c.minArgs || args.positional.size() > c.maxArgs) {
            std::fprintf(stderr, "usage: quillbox-mdb %s\n", c.usage);
            return ExitUsage;
        }
        return c.run(args);
    }
    printError("unknown command " + std::string(argv[1]));
    printUsage(commands);
    return ExitUsage;
}
