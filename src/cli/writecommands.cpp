// SPDX-License-Identifier: GPL-3.0-or-later
// The writing commands of quillbox-mdb: create an empty command library; run one insert, update
// or delete statement, or a script of them from standard input or a file.
#include "cli/command.h"

#include "jet/database.h"
#include "jet/sql/statementsplitter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace Qb::Cli {

namespace {

using namespace Qb::Jet;

int runCreate(const Arguments &args)
{
    if (auto r = Database::createLibrary(args.positional[0]); !r)
        return failWith(r.error());
    return ExitOk;
}

// Runs a script's statements as they arrive; each is its own transaction, or all of them one.
class ScriptRun
{
public:
    ScriptRun(Database &db, bool single) : m_db(db), m_single(single) {}

    int run(std::FILE *in, const std::string &name)
    {
        if (m_single)
            if (auto begun = m_db.beginTransaction(); !begun)
                return failWith(begun.error());
        StatementSplitter splitter;
        std::unique_ptr<char[]> buffer(new char[1 << 16]);
        // A statement may be a view of the buffer: each is run before the buffer is read into again.
        while (std::size_t n = std::fread(buffer.get(), 1, 1 << 16, in)) {
            splitter.feed(std::string_view(buffer.get(), n));
            while (auto statement = splitter.next())
                if (!execute(*statement))
                    return failed();
        }
        if (std::ferror(in)) {
            m_error = "cannot read " + name + ": " + std::strerror(errno);
            return failed();
        }
        if (auto last = splitter.finish(); last && !execute(*last))
            return failed();
        if (m_single)
            if (auto committed = m_db.commitTransaction(); !committed)
                return failWith(committed.error());
        std::printf("%llu statement(s), %llu row(s) changed\n", static_cast<unsigned long long>(m_statements),
                    static_cast<unsigned long long>(m_rows));
        return ExitOk;
    }

private:
    bool execute(const StatementSplitter::Statement &statement)
    {
        auto changed = m_db.execute(statement.text);
        if (!changed) {
            m_error = "line " + std::to_string(statement.line) + ": " + changed.error().message + " ("
                + errorCodeName(changed.error().code) + ")";
            return false;
        }
        ++m_statements;
        m_rows += *changed;
        return true;
    }

    // The statements before the failing one stay committed, unless all are one transaction.
    int failed()
    {
        if (m_single) {
            m_db.rollbackTransaction();
            m_error += "; nothing was committed";
        } else if (m_statements) {
            m_error += "; the " + std::to_string(m_statements) + " statement(s) before it stay committed";
        }
        printError(m_error);
        return ExitFailed;
    }

    Database &m_db;
    bool m_single;
    std::uint64_t m_statements = 0;
    std::uint64_t m_rows = 0;
    std::string m_error;
};

int runExec(const Arguments &args)
{
    const bool fromFile = !args.scriptFile.empty();
    if (fromFile == (args.positional.size() == 2)) {
        printError(fromFile ? "exec takes SQL, - or --file F, not both" : "exec needs SQL, - or --file F");
        return ExitUsage;
    }
    auto db = Database::open(args.positional[0], args.password, Database::Mode::ReadWrite);
    if (!db)
        return failWith(db.error());
    if (fromFile || args.positional[1] == "-") {
        std::FILE *in = fromFile ? std::fopen(args.scriptFile.c_str(), "rb") : stdin;
        if (!in)
            return failWith(Error{ErrorCode::IoError, "cannot open " + args.scriptFile + ": " + std::strerror(errno)});
        const int status = ScriptRun(**db, args.singleTransaction).run(in, fromFile ? args.scriptFile : "standard input");
        if (fromFile)
            std::fclose(in);
        return status;
    }
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
    commands.push_back({"exec", "exec FILE (SQL | - | --file F) [--single-transaction]", 1, 2, runExec});
}

} // namespace Qb::Cli
