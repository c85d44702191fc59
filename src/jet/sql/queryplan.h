// SPDX-License-Identifier: GPL-3.0-or-later
// Running selects of the whole subset, and finding the rows of an update or delete whose where
// clause is beyond the program's shapes. The program's own statements keep their SelectCursor.
#pragma once

#include "jet/jetdatabase.h"
#include "jet/sql/resultcursor.h"
#include "jet/sql/sqlparser.h"
#include "jet/sql/tablescan.h"

#include <memory>
#include <vector>

namespace Qb::Jet {

// Errors: NoSuchTable, NoSuchColumn, TypeMismatch, SqlSyntax (a grouped column missing from
// group by, an order key outside the select list), or a read fault.
Result<std::unique_ptr<ResultCursor>> runSelect(JetDatabase &db, const Statement &statement);

// The header slots of the rows `statement` (an update or delete with a condition) changes.
Result<std::vector<RowLocation>> rowsMatching(JetDatabase &db, const Statement &statement);

} // namespace Qb::Jet
