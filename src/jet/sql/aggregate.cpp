// SPDX-License-Identifier: GPL-3.0-or-later
// Aggregate results.
#include "jet/sql/aggregate.h"

namespace Qb::Jet {

namespace {

bool isWholeNumber(const ColumnDef &c)
{
    switch (ColumnType(c.type)) {
    case ColumnType::Boolean:
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::Long: return true;
    default: return false;
    }
}

ColumnDef madeColumn(ColumnType type, const std::string &name)
{
    ColumnDef c;
    c.type = std::uint8_t(type);
    c.name = name;
    return c;
}

} // namespace

Result<ColumnDef> aggregateDef(SelectItem::Kind kind, const ColumnDef *column, const std::string &name)
{
    if (kind == SelectItem::Kind::CountAll || kind == SelectItem::Kind::Count)
        return madeColumn(ColumnType::Long, name);
    if (kind == SelectItem::Kind::Min || kind == SelectItem::Kind::Max) {
        ColumnDef c = *column;
        c.name = name;
        return c;
    }
    if (classOf(*column) != ValueClass::Number || column->type == std::uint8_t(ColumnType::DateTime))
        return fail(ErrorCode::TypeMismatch, name + ": column " + column->name + " holds no numbers");
    if (kind == SelectItem::Kind::Sum && isWholeNumber(*column))
        return madeColumn(ColumnType::Long, name);
    if (kind == SelectItem::Kind::Sum && column->type == std::uint8_t(ColumnType::Currency))
        return madeColumn(ColumnType::Currency, name);
    return madeColumn(ColumnType::Double, name);
}

void Accumulator::add(const Value &value)
{
    if (isNull(value))
        return;
    ++m_count;
    if (m_kind == SelectItem::Kind::Count)
        return;
    if (m_kind == SelectItem::Kind::Min || m_kind == SelectItem::Kind::Max) {
        OrderValue o = OrderValue::of(value, *m_column);
        const int c = m_count == 1 ? 0 : orderOf(o, m_bestOrder);
        if (m_count == 1 || (m_kind == SelectItem::Kind::Min ? c < 0 : c > 0)) {
            m_best = value;
            m_bestOrder = std::move(o);
        }
        return;
    }
    if (const auto *c = std::get_if<Currency>(&value)) {
        m_integer += c->units;
        m_number += double(c->units) / 10000.0;
        return;
    }
    const OrderValue o = OrderValue::of(value, *m_column);
    if (o.isInteger)
        m_integer += o.integer;
    m_number += o.number;
}

Value Accumulator::result() const
{
    switch (m_kind) {
    case SelectItem::Kind::CountAll:
    case SelectItem::Kind::Count: return std::int64_t(m_count);
    case SelectItem::Kind::Min:
    case SelectItem::Kind::Max: return m_best;
    default: break;
    }
    if (m_count == 0)
        return Value{};
    if (m_kind == SelectItem::Kind::Avg)
        return m_number / double(m_count);
    if (isWholeNumber(*m_column))
        return m_integer;
    if (m_column->type == std::uint8_t(ColumnType::Currency))
        return Currency{m_integer};
    return m_number;
}

} // namespace Qb::Jet
