// SPDX-License-Identifier: GPL-3.0-or-later
// Row decoding. Layout: docs/jet-format.md, "Row layout" and "Value encodings".
#include "jet/format/rowcodec.h"

#include "jet/format/longvalue.h"
#include "jet/storage/pagecache.h"
#include "jet/format/text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace Qb::Jet {

namespace {

Error rowError(const std::string &what)
{
    return Error{ErrorCode::Corrupt, what};
}

std::string hex(const Bytes &bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (auto b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

// The shortest text that reads back as the same double (or float, for Single columns).
std::string numberText(double v, bool single = false)
{
    if (std::isnan(v) || std::isinf(v))
        return std::isnan(v) ? "NaN" : (v < 0 ? "-Infinity" : "Infinity");
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    for (int precision = 1; precision <= 17; ++precision) {
        char shortBuf[64];
        std::snprintf(shortBuf, sizeof shortBuf, "%.*g", precision, v);
        const bool same = single ? std::strtof(shortBuf, nullptr) == float(v) : std::strtod(shortBuf, nullptr) == v;
        if (same)
            return shortBuf;
    }
    return buf;
}

// "YYYY-MM-DD HH:MM:SS", followed by ".mmm" when the time, rounded to the millisecond, has any.
std::string dateText(double days)
{
    if (!std::isfinite(days) || std::fabs(days) > 3.0e6)
        return numberText(days);
    // Milliseconds since 1899-12-30; negative day numbers count the time part forwards.
    constexpr long long MsPerDay = 86400000;
    const double whole = std::trunc(days);
    const double fraction = std::fabs(days - whole);
    long long ms = std::llround(fraction * double(MsPerDay));
    long long day = static_cast<long long>(whole);
    if (ms >= MsPerDay) {
        ms -= MsPerDay;
        day += days < 0 ? -1 : 1;
    }
    // Civil date from a day count (days since 1970-01-01 = day - 25569).
    long long z = day - 25569 + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    const long long y = yoe + era * 400 + (m <= 2);
    const long long seconds = ms / 1000;
    char buf[96];
    int n = std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u %02lld:%02lld:%02lld", y, m, d, seconds / 3600,
                          (seconds / 60) % 60, seconds % 60);
    if (ms % 1000)
        std::snprintf(buf + n, sizeof buf - std::size_t(n), ".%03lld", ms % 1000);
    return buf;
}

// Numeric: a sign byte (0x80 = negative), then the 128-bit magnitude as four little-endian
// 32-bit words, most significant word first; `scale` digits after the point.
std::string numericText(const Bytes &b, std::uint8_t scale)
{
    if (b.size() < 17)
        return hex(b);
    unsigned __int128 magnitude = 0;
    for (int word = 0; word < 4; ++word)
        magnitude = (magnitude << 32) | u32(ByteSpan(b), 1 + 4 * std::size_t(word));
    std::string digits;
    do {
        digits.insert(digits.begin(), char('0' + int(magnitude % 10)));
        magnitude /= 10;
    } while (magnitude != 0);
    if (scale > 38)
        scale = 38;
    if (digits.size() <= scale)
        digits.insert(0, std::size_t(scale) + 1 - digits.size(), '0');
    if (scale)
        digits.insert(digits.size() - scale, ".");
    return ((b[0] & 0x80) ? "-" : "") + digits;
}

// A GUID in its registry form, {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}: the first three groups
// are stored little-endian.
std::string guidText(const Bytes &b)
{
    if (b.size() != 16)
        return hex(b);
    const Bytes ordered = {b[3], b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]};
    const std::string h = hex(ordered);
    return "{" + h.substr(0, 8) + "-" + h.substr(8, 4) + "-" + h.substr(12, 4) + "-" + h.substr(16, 4) + "-"
        + h.substr(20) + "}";
}

std::string currencyText(std::int64_t units)
{
    const bool negative = units < 0;
    const unsigned long long magnitude = negative ? 0ull - static_cast<unsigned long long>(units)
                                                  : static_cast<unsigned long long>(units);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%s%llu.%04llu", negative ? "-" : "", magnitude / 10000, magnitude % 10000);
    return buf;
}

} // namespace

Result<RowView> RowView::make(const TableDef &table, ByteSpan row)
{
    RowView v(table, row);
    if (row.size() < 2)
        return std::unexpected(rowError("the row is shorter than its column count"));
    v.m_numCols = u16(row, 0);
    const std::size_t maskLen = (std::size_t(v.m_numCols) + 7) / 8;
    if (row.size() < 2 + maskLen)
        return std::unexpected(rowError("the row is shorter than its null mask"));
    v.m_nullMaskStart = row.size() - maskLen;
    v.m_varDataEnd = v.m_nullMaskStart;
    if (table.variableColumns == 0)
        return v;
    if (v.m_nullMaskStart < 4)
        return std::unexpected(rowError("the row has no room for its variable-offset table"));
    v.m_varCount = u16(row, v.m_nullMaskStart - 2);
    const std::size_t tableBytes = 2 * (v.m_varCount + 2); // entries, EOD and the count itself
    if (tableBytes > v.m_nullMaskStart)
        return std::unexpected(rowError("the variable-offset table is larger than the row"));
    const std::size_t eodAt = v.m_nullMaskStart - tableBytes;
    const std::size_t eod = u16(row, eodAt);
    if (eod > eodAt || eod < 2)
        return std::unexpected(rowError("the end of the variable data lies outside the row"));
    v.m_varDataEnd = eodAt;
    return v;
}

Result<RowView> RowView::make(const TableDef &table, ByteSpan row, const std::string &where)
{
    auto view = make(table, row);
    if (!view)
        return fail(view.error().code, where + ": " + view.error().message);
    return view;
}

bool RowView::isSet(std::uint16_t columnNumber) const
{
    if (columnNumber >= m_numCols)
        return false;
    return (m_row[m_nullMaskStart + columnNumber / 8] >> (columnNumber % 8)) & 1;
}

Result<std::optional<ByteSpan>> RowView::columnBytes(std::size_t index) const
{
    const ColumnDef &c = m_table->columns[index];
    if (c.type == std::uint8_t(ColumnType::Boolean) || !isSet(c.number))
        return std::optional<ByteSpan>();
    if (c.isFixed()) {
        const std::size_t size = fixedSizeOf(c.type) ? fixedSizeOf(c.type) : c.length;
        const std::size_t start = 2 + std::size_t(c.fixedOffset);
        if (start + size > m_varDataEnd)
            return fail(ErrorCode::Corrupt, "column " + c.name + " lies outside its row");
        return std::optional<ByteSpan>(m_row.subspan(start, size));
    }
    if (c.varIndex >= m_varCount)
        return std::optional<ByteSpan>();
    const std::size_t entryAt = m_nullMaskStart - 4 - 2 * std::size_t(c.varIndex);
    const std::size_t start = u16(m_row, entryAt);
    const std::size_t end = u16(m_row, entryAt - 2); // the next entry, or EOD for the last
    if (start > end || end > m_varDataEnd)
        return fail(ErrorCode::Corrupt, "column " + c.name + " has variable offsets "
                                            + std::to_string(start) + ".." + std::to_string(end)
                                            + " outside its row");
    return std::optional<ByteSpan>(m_row.subspan(start, end - start));
}

Result<Value> decodeColumn(PageCache &pages, const TableDef &table, const RowView &row, std::size_t index)
{
    const ColumnDef &c = table.columns[index];
    if (c.type == std::uint8_t(ColumnType::Boolean))
        return Value(row.isSet(c.number));
    auto field = row.columnBytes(index);
    if (!field)
        return std::unexpected(field.error());
    if (!*field)
        return Value();
    const ByteSpan b = **field;
    const bool fixedFits = b.size() >= fixedSizeOf(c.type);
    if (!fixedFits)
        return fail(ErrorCode::Corrupt, "column " + c.name + " holds fewer bytes than its type needs");
    switch (ColumnType(c.type)) {
    case ColumnType::Byte: return Value(std::int64_t(b[0]));
    case ColumnType::Integer: return Value(std::int64_t(i16(b, 0)));
    case ColumnType::Long: return Value(std::int64_t(i32(b, 0)));
    case ColumnType::Currency: return Value(Currency{i64(b, 0)});
    case ColumnType::Single: return Value(double(f32(b, 0)));
    case ColumnType::Double: return Value(f64(b, 0));
    case ColumnType::DateTime: return Value(Date{f64(b, 0)});
    case ColumnType::Text: return Value(decodeText(b));
    case ColumnType::Memo:
    case ColumnType::Ole: {
        auto bytes = readLongValue(pages, b);
        if (!bytes)
            return fail(bytes.error().code, "column " + c.name + ": " + bytes.error().message);
        if (c.type == std::uint8_t(ColumnType::Memo))
            return Value(decodeText(*bytes));
        return Value(std::move(*bytes));
    }
    default: return Value(Bytes(b.begin(), b.end()));
    }
}

Result<void> decodeColumnInto(PageCache &pages, const TableDef &table, const RowView &row, std::size_t index,
                              Value &out, DecodeScratch &scratch)
{
    const ColumnDef &c = table.columns[index];
    if (!c.isText()) {
        auto value = decodeColumn(pages, table, row, index);
        if (!value)
            return std::unexpected(value.error());
        out = std::move(*value);
        return {};
    }
    auto field = row.columnBytes(index);
    if (!field)
        return std::unexpected(field.error());
    if (!*field) {
        out = Value();
        return {};
    }
    ByteSpan stored = **field;
    if (c.type == std::uint8_t(ColumnType::Memo)) {
        auto bytes = longValueBytes(pages, stored, scratch.page, scratch.chain);
        if (!bytes)
            return fail(bytes.error().code, "column " + c.name + ": " + bytes.error().message);
        stored = *bytes;
    }
    if (!std::holds_alternative<std::string>(out))
        out = std::string();
    decodeTextInto(stored, std::get<std::string>(out));
    return {};
}

std::string valueText(const Value &value, const ColumnDef &column)
{
    return std::visit(
        [&](const auto &v) -> std::string {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>)
                return {};
            else if constexpr (std::is_same_v<T, bool>)
                return v ? "1" : "0";
            else if constexpr (std::is_same_v<T, std::int64_t>)
                return std::to_string(v);
            else if constexpr (std::is_same_v<T, double>)
                return column.type == std::uint8_t(ColumnType::Single) ? numberText(v, true) : numberText(v);
            else if constexpr (std::is_same_v<T, std::string>)
                return v;
            else if constexpr (std::is_same_v<T, Date>)
                return dateText(v.days);
            else if constexpr (std::is_same_v<T, Currency>)
                return currencyText(v.units);
            else if (column.type == std::uint8_t(ColumnType::Numeric))
                return numericText(v, column.scale);
            else if (column.type == std::uint8_t(ColumnType::Guid))
                return guidText(v);
            else
                return hex(v);
        },
        value);
}

} // namespace Qb::Jet
