// SPDX-License-Identifier: GPL-3.0-or-later
// quillbox-mdb compact: a copy of the library holding only its live rows, checked before it
// replaces the original (or lands at OUT).
#include "cli/command.h"

#include "jet/write/compactor.h"

#include <cstdio>

namespace Qb::Cli {

namespace {

int runCompact(const Arguments &args)
{
    const std::string out = args.positional.size() > 1 ? args.positional[1] : std::string();
    auto report = Jet::compactFile(args.positional[0], out, args.password);
    if (!report)
        return failWith(report.error());
    for (const std::string &table : report->keptAsIs)
        std::printf("kept as it is: %s\n", table.c_str());
    std::printf("%llu rows; %u pages (%llu bytes) before, %u pages (%llu bytes) after\n",
                static_cast<unsigned long long>(report->rows), report->pagesBefore,
                static_cast<unsigned long long>(report->pagesBefore) * 4096, report->pagesAfter,
                static_cast<unsigned long long>(report->pagesAfter) * 4096);
    return ExitOk;
}

} // namespace

void addCompactCommand(std::vector<Command> &commands)
{
    commands.push_back({"compact", "compact FILE [OUT]", 1, 2, runCompact});
}

} // namespace Qb::Cli
