// SPDX-License-Identifier: GPL-3.0-or-later
// The aggregates of a select list: count(*), count(col), min, max, sum and avg over the rows of
// a group, NULL values left out (an empty group gives count 0 and NULL for the others).
#pragma once

#include "jet/database.h"
#include "jet/format/tabledef.h"
#include "jet/sql/sqlparser.h"
#include "jet/sql/valueorder.h"

#include <optional>

namespace Qb::Jet {

// The definition of an aggregate's result: count is a Long; min and max keep the column's
// type; sum of Byte, Integer, Long or Yes/No is a whole number, of Currency a Currency, of
// anything else a Double, as is every avg. TypeMismatch for sum or avg of text, dates or binary.
Result<ColumnDef> aggregateDef(SelectItem::Kind kind, const ColumnDef *column, const std::string &name);

class Accumulator
{
public:
    Accumulator(SelectItem::Kind kind, const ColumnDef *column) : m_kind(kind), m_column(column) {}
    void add(const Value &value);
    void addRow() { ++m_count; } // count(*)
    Value result() const;

private:
    SelectItem::Kind m_kind;
    const ColumnDef *m_column;  // null for count(*)
    std::uint64_t m_count = 0;
    std::int64_t m_integer = 0; // whole-number sums
    double m_number = 0;        // other sums and avg
    Value m_best;               // min, max
    OrderValue m_bestOrder;
};

} // namespace Qb::Jet
