// SPDX-License-Identifier: GPL-3.0-or-later
// Row encoding: num_cols, fixed area, variable data, [padding], EOD, variable offsets (last
// first), their count, null mask. Tables without variable columns have no trailer but the mask.
#include "jet/format/rowwriter.h"

#include "jet/format/bytewriter.h"
#include "jet/format/datapagewriter.h"
#include "jet/format/text.h"

#include <algorithm>
#include <bit>
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
    std::vector<std::uint8_t> nullMask((t.maxColumns + 7) / 8, 0);
    std::vector<const Field *> varFields(varCount, nullptr);
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
        std::vector<std::uint16_t> starts;
        starts.reserve(varCount);
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

namespace {

// Characters the one-byte runs can hold.
bool isNarrow(char16_t c) { return c >= 0x01 && c <= 0xFF; }

constexpr std::uint64_t NotNarrow = ~std::uint64_t(0);

// The four characters at `text` as four bytes (the first lowest) when all of them are narrow,
// else NotNarrow: a unit is narrow when its high byte is zero and its low byte is not.
std::uint64_t fourNarrow(const char16_t *text)
{
    std::uint64_t x = 0;
    std::memcpy(&x, text, 8);
    if (std::endian::native != std::endian::little || (x & 0xFF00FF00FF00FF00ull) != 0
        || ((x - 0x0001000100010001ull) & ~x & 0x8000800080008000ull) != 0)
        return NotNarrow;
    x = (x | (x >> 8)) & 0x0000FFFF0000FFFFull;
    return (x | (x >> 16)) & 0xFFFFFFFFull;
}

// Writes the compressed form of `text` (after the marker) to `out`, which has room for two
// bytes a character and one more (the switch before a leading wide run), and returns its
// length; nullopt when a character cannot be stored compressed (a zero byte where a character
// starts switches modes in every reader, so a wide character whose low byte is zero, U+0000,
// U+0100, U+4E00 ..., cannot). Wide characters need the two-byte mode; a run of narrow
// characters between them switches to one byte per character when that saves bytes: between
// two wide runs the two switches cost 2, so runs of 3 or more; at the end one switch, so runs
// of 2 or more; at the start the value is in the one-byte mode already. One pass: bulk loads
// encode every memo through here.
std::optional<std::size_t> compressInto(std::u16string_view text, std::uint8_t *out)
{
    const std::size_t n = text.size();
    std::uint8_t *p = out;
    bool oneByte = true;
    for (std::size_t i = 0; i < n;) {
        if (!isNarrow(text[i])) {
            if (oneByte)
                *p++ = 0x00;
            oneByte = false;
            for (; i < n && !isNarrow(text[i]); ++i) {
                if ((text[i] & 0xFF) == 0)
                    return std::nullopt;
                *p++ = std::uint8_t(text[i]);
                *p++ = std::uint8_t(text[i] >> 8);
            }
            continue;
        }
        // Written one byte a character (after room for the switch) while the run lasts; a run
        // too short to switch for is written again two bytes a character, over the same place.
        // Past the start a narrow run follows a wide one, so a short run finds the two-byte mode.
        std::uint8_t *q = p + (oneByte ? 0 : 1);
        const std::size_t start = i;
        for (std::uint64_t units = 0; i + 4 <= n && (units = fourNarrow(text.data() + i)) != NotNarrow; i += 4, q += 4)
            std::memcpy(q, &units, 4);
        for (; i < n && isNarrow(text[i]); ++i)
            *q++ = std::uint8_t(text[i]);
        if (start == 0 || i - start >= (i == n ? 2u : 3u)) {
            if (!oneByte)
                *p = 0x00;
            oneByte = true;
            p = q;
        } else {
            for (std::size_t k = start; k < i; ++k) {
                *p++ = std::uint8_t(text[k]);
                *p++ = 0x00;
            }
        }
    }
    return std::size_t(p - out);
}

} // namespace

std::vector<std::uint8_t> encodeText(std::u16string_view text, bool compressible)
{
    std::vector<std::uint8_t> out(2 + 2 * text.size() + 1);
    if (compressible) {
        const auto length = compressInto(text, out.data() + 2);
        if (length && 2 + *length < 2 * text.size()) {
            out[0] = 0xFF;
            out[1] = 0xFE;
            out.resize(2 + *length);
            return out;
        }
    }
    out.resize(2 * text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        out[2 * i] = std::uint8_t(text[i]);
        out[2 * i + 1] = std::uint8_t(text[i] >> 8);
    }
    return out;
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
