// The writing commands of quillbox-mdb: create an empty command library, run one insert,
// update or delete statement.
#include "cli/command.h"

#include "jet/database.h"

#include <cstdio>

namespace Qb::Cli {

namespace {

using namespace Qb::Jet;

int runCreate(const Arguments &args)
{
    if (auto r = Database::createLibrary(args.positional[0]); !r)
        return failWith(r.error());
    return ExitOk;
}

int runExec(const Arguments &args)
{
    auto db = Database::open(args.positional[0], args.password, Database::Mode::ReadWrite);
    if (!db)
        return failWith(db.error());
    auto changed = (*db)->execute(args.positional[1]);
    if (!changed)
        return failWith(changed.error());
    std::printf("%llu row(s) changed\n", static_cast<unsigned long long>(*changed));
    return ExitOk;
}

} // namespace

void addWriteCommands(std::vector<Command> &commands)
{
    commands.push_back({"create", "create FILE", 1, 1, runCreate});
    commands.push_back({"exec", "exec FILE SQL", 2, 2, runExec});
}

} // namespace Qb::Cli
