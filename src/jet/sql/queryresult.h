// SPDX-License-Identifier: GPL-3.0-or-later
// Inside the query engine: the plan of one select (see queryplan.cpp) and the building of its
// result (queryresult.cpp).
#pragma once

#include "jet/jetdatabase.h"
#include "jet/sql/condition.h"
#include "jet/sql/resultcursor.h"
#include "jet/sql/selectcursor.h"
#include "jet/sql/sqlparser.h"

#include <memory>
#include <optional>
#include <vector>

namespace Qb::Jet {

struct Plan
{
    static Result<Plan> make(JetDatabase &db, const Statement &statement);
    Plan(TableDefRef t, PageListRef p)
        : table(std::move(t)), pages(std::move(p)), columns(std::make_unique<SourceColumns>(*table))
    {
    }

    Result<void> compileCondition();
    Result<void> narrow(JetDatabase &db, std::optional<std::size_t> orderColumn, bool descending);
    // The source cursor over `columns`, once every column the statement reads is added.
    Result<std::unique_ptr<SelectCursor>> open(JetDatabase &db);

    TableDefRef table;
    PageListRef pages;
    std::unique_ptr<SourceColumns> columns;       // what the source cursor selects
    Statement source;                             // the source cursor's statement
    std::vector<ExprRef> parts;                   // the where clause's conjuncts
    std::optional<CompiledCondition> condition;   // the conjuncts the source does not test
    std::optional<std::vector<RowLocation>> rows; // the rows an index range named
    bool inOrder = false;                         // `rows` are in the order of the one order key
};

// A select beyond the program's shapes.
Result<std::unique_ptr<ResultCursor>> runQuery(JetDatabase &db, const Statement &statement);

} // namespace Qb::Jet
