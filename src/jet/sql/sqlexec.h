// Running the changing statements (insert, update, delete) of the SQL subset into a
// transaction's pages; the database commits them (one statement, or a whole transaction).
#pragma once

#include "jet/jeterror.h"
#include "jet/sql/sqlparser.h"

#include <cstdint>

namespace Qb::Jet {

class JetDatabase;
class TxWriter;

// Runs `statement` on `db` into `tx`, which must be the open overlay of db.pages(). Returns the
// number of rows inserted, updated or deleted. On an error `tx` may hold part of the statement's
// changes: the caller rolls it back.
Result<std::uint64_t> executeStatement(JetDatabase &db, TxWriter &tx, const Statement &statement);

} // namespace Qb::Jet
