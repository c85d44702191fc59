// SPDX-License-Identifier: GPL-3.0-or-later
// Value comparison for conditions and ordering.
#include "jet/sql/valueorder.h"

#include "jet/format/generalsortweights.h"
#include "jet/format/rowcodec.h"
#include "jet/format/text.h"

#include <cstdlib>

namespace Qb::Jet {

namespace {

template <typename T> int sign(const T &a, const T &b) { return a < b ? -1 : b < a ? 1 : 0; }

void setNumber(OrderValue &o, double v)
{
    o.cls = ValueClass::Number;
    o.number = v;
}

void setInteger(OrderValue &o, std::int64_t v)
{
    setNumber(o, double(v));
    o.integer = v;
    o.isInteger = true;
}

void setText(OrderValue &o, std::string_view utf8)
{
    o.cls = ValueClass::Text;
    const std::u16string text = utf8ToUtf16(utf8);
    GeneralSort::appendSortKey(text, o.primary);
    o.folded = text;
    for (char16_t &c : o.folded)
        c = foldCase(c);
}

} // namespace

ValueClass classOf(const ColumnDef &column)
{
    switch (ColumnType(column.type)) {
    case ColumnType::Text:
    case ColumnType::Memo: return ValueClass::Text;
    case ColumnType::Binary:
    case ColumnType::Ole:
    case ColumnType::Guid: return ValueClass::Binary;
    default: return ValueClass::Number;
    }
}

OrderValue OrderValue::of(const Value &value, const ColumnDef &column)
{
    OrderValue o;
    if (const auto *b = std::get_if<bool>(&value))
        setInteger(o, *b ? -1 : 0);
    else if (const auto *i = std::get_if<std::int64_t>(&value))
        setInteger(o, *i);
    else if (const auto *d = std::get_if<double>(&value))
        setNumber(o, *d);
    else if (const auto *c = std::get_if<Currency>(&value))
        setNumber(o, double(c->units) / 10000.0);
    else if (const auto *date = std::get_if<Date>(&value))
        setNumber(o, date->days);
    else if (const auto *s = std::get_if<std::string>(&value))
        setText(o, *s);
    else if (const auto *bytes = std::get_if<Bytes>(&value)) {
        if (column.type == std::uint8_t(ColumnType::Numeric)) {
            setNumber(o, std::strtod(valueText(value, column).c_str(), nullptr));
        } else {
            o.cls = ValueClass::Binary;
            o.primary.assign(bytes->begin(), bytes->end());
        }
    }
    return o;
}

std::optional<int> compare(const OrderValue &a, const OrderValue &b)
{
    if (a.cls == ValueClass::Null || b.cls == ValueClass::Null || a.cls != b.cls)
        return std::nullopt;
    switch (a.cls) {
    case ValueClass::Number:
        return a.isInteger && b.isInteger ? sign(a.integer, b.integer) : sign(a.number, b.number);
    case ValueClass::Text:
        if (const int c = sign(a.primary, b.primary); c != 0)
            return c;
        return sign(a.folded, b.folded);
    default: return sign(a.primary, b.primary);
    }
}

int orderOf(const OrderValue &a, const OrderValue &b)
{
    if (a.cls != b.cls)
        return sign(int(a.cls), int(b.cls));
    return a.cls == ValueClass::Null ? 0 : *compare(a, b);
}

} // namespace Qb::Jet
