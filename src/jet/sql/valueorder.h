// SPDX-License-Identifier: GPL-3.0-or-later
// Comparing column values as conditions and "order by" do: numbers, currency, decimals, dates
// and Yes/No by value (Yes is -1, as Jet counts it), text in the General sort order (letter case
// ignored, ties between texts differing only in case broken by nothing: they are equal), binary
// values bytewise. NULL compares with nothing.
#pragma once

#include "jet/database.h"
#include "jet/format/tabledef.h"

#include <optional>
#include <string>

namespace Qb::Jet {

// What a value compares as.
enum class ValueClass { Null, Number, Text, Binary };

// A value prepared for many comparisons: text's sort key computed once.
struct OrderValue
{
    ValueClass cls = ValueClass::Null;
    double number = 0;
    std::int64_t integer = 0;    // exact form of whole numbers (isInteger)
    bool isInteger = false;
    std::string primary;         // Text: General sort-order weights; Binary: the bytes
    std::u16string folded;       // Text: the case-folded text

    static OrderValue of(const Value &value, const ColumnDef &column);
};

// The class a column's values compare as.
ValueClass classOf(const ColumnDef &column);

// -1, 0 or 1; nullopt when either is NULL or the classes differ.
std::optional<int> compare(const OrderValue &a, const OrderValue &b);

// A total order for sorting: NULL first, then by class, then compare().
int orderOf(const OrderValue &a, const OrderValue &b);

} // namespace Qb::Jet
