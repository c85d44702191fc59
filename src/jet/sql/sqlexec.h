// SPDX-License-Identifier: GPL-3.0-or-later
// Running the changing statements (insert, update, delete) of the SQL subset into a
// transaction's pages; the database commits them (one statement, or a whole transaction).
#pragma once

#include "jet/jeterror.h"
#include "jet/sql/sqlparser.h"

#include <cstdint>
#include <memory>

namespace Qb::Jet {

class ColumnIndexChanges;
class JetDatabase;
class TxWriter;
struct TableDef;

// What a statement changed, for the database to keep its column indexes current with.
struct StatementChanges
{
    std::uint32_t table = 0;                          // definition page of the table written
    std::unique_ptr<ColumnIndexChanges> indexChanges; // its recorded rows (null: no index followed)
    std::shared_ptr<const TableDef> definition;       // the table's definition as the statement left it
    bool dataPagesChanged = true;                     // false: the table owns the same pages
    ~StatementChanges();
};

// Runs `statement` on `db` into `tx`, which must be the open overlay of db.pages(). Returns the
// number of rows inserted, updated or deleted, and fills `changes`. On an error `tx` may hold
// part of the statement's changes: the caller rolls it back. The statement is taken: its text
// literals move into the rows.
Result<std::uint64_t> executeStatement(JetDatabase &db, TxWriter &tx, Statement &&statement,
                                       StatementChanges &changes);

} // namespace Qb::Jet
