// SPDX-License-Identifier: GPL-3.0-or-later
// quillbox-mdb check: the structure check, one fault per line; exit status 1 on any fault.
#include "cli/command.h"

#include "jet/checker.h"

#include <cstdio>

namespace Qb::Cli {

namespace {

using namespace Qb::Jet;

int runCheck(const Arguments &args)
{
    auto db = Database::open(args.positional[0], args.password, Database::Mode::ReadOnly);
    if (!db) {
        printError(db.error().message + " (" + errorCodeName(db.error().code) + ")");
        return ExitFaults;
    }
    const CheckReport report = checkDatabase(static_cast<JetDatabase &>(**db));
    for (const auto &f : report.faults)
        std::printf("fault: %s\n", f.c_str());
    std::printf("%s: %llu tables, %llu rows, %llu index entries, %llu long values; %zu faults\n",
                report.ok() ? "ok" : "FAULTY", static_cast<unsigned long long>(report.tables),
                static_cast<unsigned long long>(report.rows), static_cast<unsigned long long>(report.indexEntries),
                static_cast<unsigned long long>(report.longValues), report.faults.size());
    return report.ok() ? ExitOk : ExitFaults;
}

} // namespace

void addCheckCommand(std::vector<Command> &commands)
{
    commands.push_back({"check", "check FILE", 1, 1, runCheck});
}

} // namespace Qb::Cli
