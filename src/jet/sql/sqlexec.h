// Running the changing statements (insert, update, delete) of the SQL subset: each statement is
// one transaction, committed whole through the journal or not at all.
#pragma once

#include "jet/jeterror.h"
#include "jet/sql/sqlparser.h"

#include <cstdint>

namespace Qb::Jet {

class JetDatabase;
class Journal;

// Runs `statement` on `db`; `journal` may be null (a database on a page source without a file).
// Returns the number of rows inserted, updated or deleted. On any error nothing has changed.
// Afterwards the database's caches are refreshed (open cursors end).
Result<std::uint64_t> executeStatement(JetDatabase &db, const Statement &statement, Journal *journal);

} // namespace Qb::Jet
