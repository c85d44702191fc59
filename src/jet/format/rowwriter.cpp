// SPDX-License-Identifier: GPL-3.0-or-later
// Row encoding: num_cols, fixed area, variable data, [padding], EOD, variable offsets (last
// first), their count, null mask. Tables without variable columns have no trailer but the mask.
#include "jet/format/rowwriter.h"

#include "jet/format/bytewriter.h"
#include "jet/format/datapagewriter.h"
#include "jet/format/text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

namespace Qb::Jet::RowWriter {

namespace {

bool isBoolean(const ColumnDef &c) { return c.type == std::uint8_t(ColumnType::Boolean); }

std::size_t fixedAreaSize(const TableDef &t)
{
    std::size_t size = 0;
    for (const ColumnDef &c : t.columns) {
        if (!c.isFixed() || isBoolean(c))
            continue;
        const std::size_t len = fixedSizeOf(c.type) ? fixedSizeOf(c.type) : c.length;
        size = std::max(size, std::size_t(c.fixedOffset) + len);
    }
    return size;
}

std::size_t varSlotCount(const TableDef &t)
{
    std::size_t n = 0;
    for (const ColumnDef &c : t.columns)
        if (!c.isFixed())
            n = std::max<std::size_t>(n, c.varIndex + 1u);
    return n;
}

void appendTrailer(std::vector<std::uint8_t> &row, const std::vector<std::uint16_t> &varStart,
                   std::uint16_t eod)
{
    append16(row, eod);
    for (std::size_t k = varStart.size(); k-- > 0;)
        append16(row, varStart[k]);
    append16(row, std::uint16_t(varStart.size()));
}

} // namespace

Result<std::vector<std::uint8_t>> encode(const TableDef &t, const std::vector<Field> &fields, std::size_t minLength)
{
    const std::size_t varCount = varSlotCount(t);
    std::size_t varBytes = 0;
    for (const Field &f : fields)
        varBytes += f.bytes.size();
    std::vector<std::uint8_t> row;
    // Room for the whole row at once (fixed bytes counted twice at most): one allocation a row.
    row.reserve(std::max(minLength, 2 + fixedAreaSize(t) + varBytes + 4 + 2 * varCount + (t.maxColumns + 7) / 8));
    append16(row, t.maxColumns);
    row.resize(2 + fixedAreaSize(t), 0);
    // Kept by the thread across rows, so that a bulk load allocates only the rows themselves.
    static thread_local std::vector<std::uint8_t> nullMask;
    static thread_local std::vector<const Field *> varFields;
    static thread_local std::vector<std::uint16_t> starts;
    nullMask.assign((t.maxColumns + 7) / 8, 0);
    varFields.assign(varCount, nullptr);
    for (std::size_t i = 0; i < t.columns.size(); ++i) {
        const ColumnDef &c = t.columns[i];
        const Field &f = fields[i];
        if (f.null)
            continue;
        if (c.number < t.maxColumns)
            nullMask[c.number / 8] |= std::uint8_t(1u << (c.number % 8));
        if (isBoolean(c))
            continue;
        if (c.isFixed())
            std::copy(f.bytes.begin(), f.bytes.end(), row.begin() + 2 + c.fixedOffset);
        else
            varFields[c.varIndex] = &f;
    }
    if (varCount > 0) {
        starts.clear();
        for (const Field *f : varFields) {
            starts.push_back(std::uint16_t(row.size()));
            if (f)
                appendBytes(row, f->bytes);
        }
        const auto eod = std::uint16_t(row.size());
        const std::size_t trailer = 2 + 2 * varCount + 2 + nullMask.size();
        if (row.size() + trailer < minLength)
            row.resize(minLength - trailer, 0);
        appendTrailer(row, starts, eod);
    }
    appendBytes(row, nullMask);
    if (row.size() > DataPageWriter::MaxRowSize)
        return fail(ErrorCode::TooLong, "the row needs " + std::to_string(row.size())
                                            + " bytes; a data page holds at most "
                                            + std::to_string(DataPageWriter::MaxRowSize));
    return row;
}

std::vector<std::uint8_t> encodeText(std::u16string_view text, bool compressible)
{
    return encodeStoredText(text, compressible);
}

std::vector<std::uint8_t> recodeText(ByteSpan stored, bool compressible)
{
    std::u16string text;
    text.reserve(stored.size());
    forEachStoredUnit(stored, [&](char16_t c) {
        text.push_back(c);
        return true;
    });
    return encodeText(text, compressible);
}

namespace {

template<typename T>
std::optional<T> asNumber(const Value &v)
{
    if (auto i = std::get_if<std::int64_t>(&v)) {
        if constexpr (std::is_integral_v<T>) {
            if (*i < std::numeric_limits<T>::min() || *i > std::numeric_limits<T>::max())
                return std::nullopt;
        }
        return T(*i);
    }
    if (auto d = std::get_if<double>(&v)) {
        if constexpr (std::is_integral_v<T>)
            return std::nullopt;
        return T(*d);
    }
    if (auto b = std::get_if<bool>(&v))
        return T(*b ? -1 : 0);
    return std::nullopt;
}

std::vector<std::uint8_t> littleEndian(std::uint64_t v, std::size_t n)
{
    std::vector<std::uint8_t> out(n);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = std::uint8_t(v >> (8 * i));
    return out;
}

Result<Field> mismatch(const ColumnDef &c)
{
    return fail(ErrorCode::TypeMismatch, "value does not fit column " + c.name);
}

} // namespace

Result<Field> encodeFixed(const ColumnDef &c, const Value &value)
{
    if (isNull(value))
        return Field::nullField();
    switch (ColumnType(c.type)) {
    case ColumnType::Boolean: {
        auto b = asNumber<std::int64_t>(value);
        if (!b)
            return mismatch(c);
        return *b ? Field::of({}) : Field::nullField();
    }
    case ColumnType::Byte:
        if (auto n = asNumber<std::uint8_t>(value))
            return Field::of({*n});
        return mismatch(c);
    case ColumnType::Integer:
        if (auto n = asNumber<std::int16_t>(value))
            return Field::of(littleEndian(std::uint16_t(*n), 2));
        return mismatch(c);
    case ColumnType::Long:
        if (auto n = asNumber<std::int32_t>(value))
            return Field::of(littleEndian(std::uint32_t(*n), 4));
        return mismatch(c);
    case ColumnType::Currency:
        if (auto cur = std::get_if<Currency>(&value))
            return Field::of(littleEndian(std::uint64_t(cur->units), 8));
        if (auto n = asNumber<std::int64_t>(value); n && std::abs(*n) < (std::int64_t(1) << 49))
            return Field::of(littleEndian(std::uint64_t(*n * 10000), 8));
        return mismatch(c);
    case ColumnType::Single:
        if (auto n = asNumber<float>(value)) {
            std::uint32_t bits;
            std::memcpy(&bits, &*n, 4);
            return Field::of(littleEndian(bits, 4));
        }
        return mismatch(c);
    case ColumnType::Double:
    case ColumnType::DateTime: {
        std::optional<double> d = asNumber<double>(value);
        if (auto date = std::get_if<Date>(&value))
            d = date->days;
        if (!d)
            return mismatch(c);
        std::uint64_t bits;
        std::memcpy(&bits, &*d, 8);
        return Field::of(littleEndian(bits, 8));
    }
    default:
        if (auto bytes = std::get_if<Bytes>(&value); bytes && bytes->size() == fixedSizeOf(c.type))
            return Field::of(*bytes);
        return mismatch(c);
    }
}

Result<Value> valueFromLiteral(const ColumnDef &c, std::string_view text)
{
    const char *first = text.data();
    const char *last = text.data() + text.size();
    while (first < last && *first == ' ')
        ++first;
    switch (ColumnType(c.type)) {
    case ColumnType::Single:
    case ColumnType::Double: {
        double d = 0;
        const auto r = std::from_chars(first, last, d);
        if (r.ec == std::errc() && r.ptr == last && std::isfinite(d))
            return Value(d);
        break;
    }
    case ColumnType::Boolean: {
        if (text == "true" || text == "True" || text == "-1" || text == "1")
            return Value(std::int64_t(1));
        if (text == "false" || text == "False" || text == "0")
            return Value(std::int64_t(0));
        break;
    }
    default: {
        std::int64_t n = 0;
        const auto r = std::from_chars(first, last, n);
        if (r.ec == std::errc() && r.ptr == last)
            return Value(n);
        break;
    }
    }
    return fail(ErrorCode::TypeMismatch, "'" + std::string(text) + "' is not a value for column " + c.name);
}

} // namespace Qb::Jet::RowWriter
