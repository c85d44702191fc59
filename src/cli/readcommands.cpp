// SPDX-License-Identifier: GPL-3.0-or-later
// The reading commands of quillbox-mdb: tables, schema, export, query.
#include "cli/command.h"
#include "cli/resultwriter.h"

#include "jet/jetdatabase.h"
#include "jet/sql/queryplan.h"

#include <cstdio>

#include <unistd.h>

namespace Qb::Cli {

namespace {

using namespace Qb::Jet;

Result<std::unique_ptr<JetDatabase>> openReadOnly(const Arguments &args)
{
    auto db = Database::open(args.positional[0], args.password, Database::Mode::ReadOnly);
    if (!db)
        return std::unexpected(db.error());
    return std::unique_ptr<JetDatabase>(static_cast<JetDatabase *>(db->release()));
}

int runTables(const Arguments &args)
{
    auto db = openReadOnly(args);
    if (!db)
        return failWith(db.error());
    for (const auto &name : (*db)->tableNames())
        std::printf("%s\n", name.c_str());
    return ExitOk;
}

std::string indexLine(const TableDef &def, const LogicalIndexDef &index, const std::string &table)
{
    const RealIndexDef &real = def.realIndexes[index.realIndex];
    std::string columns;
    for (const auto &ic : real.columns) {
        std::string name = "#" + std::to_string(ic.columnNumber);
        for (const auto &c : def.columns)
            if (c.number == ic.columnNumber)
                name = c.name;
        columns += (columns.empty() ? "[" : ", [") + name + "]" + (ic.ascending ? "" : " DESC");
    }
    const char *kind = index.kind == 0x01 ? " -- primary key" : index.kind == 0x02 ? " -- foreign key" : "";
    return std::string("CREATE ") + ((real.flags & 0x01) ? "UNIQUE " : "") + "INDEX [" + index.name + "] ON ["
        + table + "] (" + columns + ");" + kind + "\n";
}

int runSchema(const Arguments &args)
{
    auto db = openReadOnly(args);
    if (!db)
        return failWith(db.error());
    for (const auto &table : (*db)->tableNames()) {
        auto def = (*db)->tableDef(table);
        if (!def)
            return failWith(def.error());
        std::string text = "CREATE TABLE [" + table + "] (\n";
        for (std::size_t i = 0; i < (*def)->columns.size(); ++i)
            text += "    [" + (*def)->columns[i].name + "] " + typeName((*def)->columns[i])
                + (i + 1 < (*def)->columns.size() ? ",\n" : "\n");
        text += ");\n";
        for (const auto &index : (*def)->logicalIndexes)
            text += indexLine(**def, index, table);
        std::printf("%s\n", text.c_str());
    }
    return ExitOk;
}

OutputFormat formatOf(const Arguments &args)
{
    if (args.format == "json")
        return OutputFormat::Json;
    if (args.format == "table" || (args.format.empty() && isatty(STDOUT_FILENO)))
        return OutputFormat::Table;
    return OutputFormat::Csv;
}

int writeSelect(JetDatabase &db, const Statement &statement, const Arguments &args)
{
    auto cursor = runSelect(db, statement);
    if (!cursor)
        return failWith(cursor.error());
    auto rows = writeRows(**cursor, formatOf(args), stdout, args.header.value_or(true));
    std::fflush(stdout);
    if (!rows)
        return failWith(rows.error());
    return ExitOk;
}

int runExport(const Arguments &args)
{
    auto db = openReadOnly(args);
    if (!db)
        return failWith(db.error());
    Statement statement;
    statement.table = args.positional[1];
    statement.allColumns = true;
    return writeSelect(**db, statement, args);
}

int runQuery(const Arguments &args)
{
    auto db = openReadOnly(args);
    if (!db)
        return failWith(db.error());
    auto statement = parseStatement(args.positional[1]);
    if (!statement)
        return failWith(statement.error());
    if (statement->kind != StatementKind::Select)
        return failWith(Error{ErrorCode::SqlSyntax, "query runs select statements; use exec for changes"});
    return writeSelect(**db, *statement, args);
}

} // namespace

void printError(const std::string &message)
{
    std::fprintf(stderr, "quillbox-mdb: %s\n", message.c_str());
}

int failWith(const Jet::Error &error)
{
    printError(error.message + " (" + Jet::errorCodeName(error.code) + ")");
    return ExitFailed;
}

void addReadCommands(std::vector<Command> &commands)
{
    commands.push_back({"tables", "tables FILE", 1, 1, runTables});
    commands.push_back({"schema", "schema FILE", 1, 1, runSchema});
    commands.push_back({"export", "export FILE TABLE [--format csv|json|table] [--[no-]header]", 2, 2, runExport});
    commands.push_back({"query", "query FILE SQL [--format csv|json|table] [--[no-]header]", 2, 2, runQuery});
}

} // namespace Qb::Cli
