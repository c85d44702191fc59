// SPDX-License-Identifier: GPL-3.0-or-later
// A cursor over the rows of a select whose columns carry a definition, for output by type.
#pragma once

#include "jet/database.h"
#include "jet/format/tabledef.h"

namespace Qb::Jet {

class ResultCursor : public Cursor
{
public:
    // The definition of result column `column`: the table's column, or one made for a computed
    // value (count, sum, avg).
    virtual const ColumnDef &columnDef(std::size_t column) const = 0;
};

} // namespace Qb::Jet
