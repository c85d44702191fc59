// SPDX-License-Identifier: GPL-3.0-or-later
// CSV and JSON output of select results.
#include "cli/resultwriter.h"

#include "jet/format/rowcodec.h"
#include "jet/sql/valueorder.h"

#include <cmath>
#include <cstring>

namespace Qb::Cli {

namespace {

using namespace Qb::Jet;

bool isBare(const Value &v, const ColumnDef &column)
{
    // A decimal prints as a number; malformed decimal bytes print as (quoted) hex.
    if (const auto *b = std::get_if<Bytes>(&v))
        return column.type == std::uint8_t(ColumnType::Numeric) && b->size() == 17;
    return std::holds_alternative<bool>(v) || std::holds_alternative<std::int64_t>(v)
        || std::holds_alternative<double>(v) || std::holds_alternative<Currency>(v);
}

// Appends `text` quoted, doubling every quote; whole runs between quotes are copied at once.
// Text without a quote (nearly all of it) is copied with its quotes in one step.
void quoted(std::string &line, std::string_view text)
{
    if (text.find('"') == std::string_view::npos) {
        const std::size_t at = line.size();
        line.resize_and_overwrite(at + text.size() + 2, [&](char *data, std::size_t size) {
            data[at] = '"';
            std::memcpy(data + at + 1, text.data(), text.size());
            data[size - 1] = '"';
            return size;
        });
        return;
    }
    line += '"';
    for (std::size_t at = 0;;) {
        const std::size_t quote = text.find('"', at);
        if (quote == std::string_view::npos) {
            line.append(text.substr(at));
            break;
        }
        line.append(text.substr(at, quote + 1 - at));
        line += '"';
        at = quote + 1;
    }
    line += '"';
}

void csvField(std::string &line, const Value &v, const ColumnDef &column)
{
    if (isNull(v))
        return;
    if (const auto *s = std::get_if<std::string>(&v))
        return quoted(line, *s);
    if (isBare(v, column))
        line += valueText(v, column);
    else
        quoted(line, valueText(v, column));
}

bool needsJsonEscape(unsigned char c) { return c == '"' || c == '\\' || c < 0x20; }

void jsonString(std::string &line, std::string_view text)
{
    static const char hex[] = "0123456789abcdef";
    line += '"';
    std::size_t run = 0; // start of the current run of bytes copied as they are
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (!needsJsonEscape(c))
            continue;
        line.append(text.substr(run, i - run));
        run = i + 1;
        if (c == '"' || c == '\\') {
            line += '\\';
            line += char(c);
        } else if (c == '\n') {
            line += "\\n";
        } else if (c == '\r') {
            line += "\\r";
        } else if (c == '\t') {
            line += "\\t";
        } else {
            line += "\\u00";
            line += hex[c >> 4];
            line += hex[c & 15];
        }
    }
    line.append(text.substr(run));
    line += '"';
}

void jsonValue(std::string &line, const Value &v, const ColumnDef &column)
{
    if (isNull(v)) {
        line += "null";
    } else if (const auto *b = std::get_if<bool>(&v)) {
        line += *b ? "true" : "false";
    } else if (const auto *d = std::get_if<double>(&v); d && !std::isfinite(*d)) {
        line += "null";
    } else if (isBare(v, column)) {
        line += valueText(v, column);
    } else {
        jsonString(line, valueText(v, column));
    }
}

std::string headerLine(const ResultCursor &cursor, OutputFormat format)
{
    if (format == OutputFormat::Json)
        return "[";
    std::string line;
    for (std::size_t i = 0; i < cursor.columns().size(); ++i)
        line += (i ? "," : "") + cursor.columns()[i];
    return line + "\n";
}

// Appends the current row to `line`.
void appendRow(std::string &line, const ResultCursor &cursor, OutputFormat format, bool first)
{
    const std::size_t n = cursor.columns().size();
    if (format == OutputFormat::Csv) {
        for (std::size_t i = 0; i < n; ++i) {
            if (i)
                line += ',';
            csvField(line, cursor.value(i), cursor.columnDef(i));
        }
        line += '\n';
        return;
    }
    line += first ? "\n{" : ",\n{";
    for (std::size_t i = 0; i < n; ++i) {
        if (i)
            line += ", ";
        jsonString(line, cursor.columns()[i]);
        line += ": ";
        jsonValue(line, cursor.value(i), cursor.columnDef(i));
    }
    line += '}';
}

Result<std::uint64_t> writeTable(ResultCursor &cursor, std::FILE *out, bool header)
{
    std::vector<std::vector<std::string>> cells;
    std::vector<bool> numeric;
    for (std::size_t i = 0; i < cursor.columns().size(); ++i)
        numeric.push_back(classOf(cursor.columnDef(i)) == ValueClass::Number
                          && cursor.columnDef(i).type != std::uint8_t(ColumnType::DateTime));
    Result<void> read;
    for (; !cursor.atEnd() && read; read = cursor.next()) {
        std::vector<std::string> row;
        for (std::size_t i = 0; i < cursor.columns().size(); ++i)
            row.push_back(valueText(cursor.value(i), cursor.columnDef(i)));
        cells.push_back(std::move(row));
    }
    const std::string text = tableText(cursor.columns(), cells, numeric, header);
    std::fwrite(text.data(), 1, text.size(), out);
    if (!read)
        return std::unexpected(read.error());
    return cells.size();
}

} // namespace

Result<std::uint64_t> writeRows(ResultCursor &cursor, OutputFormat format, std::FILE *out, bool header)
{
    if (format == OutputFormat::Table)
        return writeTable(cursor, out, header);
    std::string text = header || format == OutputFormat::Json ? headerLine(cursor, format) : std::string();
    // Rows go out a megabyte at a time: fewer, larger writes keep the export near the pace of
    // the disk, and memory stays bounded whatever the table's size.
    constexpr std::size_t WriteSize = std::size_t(1) << 20;
    text.reserve(WriteSize + (1 << 16));
    std::uint64_t rows = 0;
    for (; !cursor.atEnd(); ++rows) {
        appendRow(text, cursor, format, rows == 0);
        if (text.size() > WriteSize) {
            std::fwrite(text.data(), 1, text.size(), out);
            text.clear();
        }
        if (auto ok = cursor.next(); !ok) {
            std::fwrite(text.data(), 1, text.size(), out);
            return std::unexpected(ok.error());
        }
    }
    if (format == OutputFormat::Json)
        text += rows ? "\n]\n" : "]\n";
    std::fwrite(text.data(), 1, text.size(), out);
    return rows;
}

} // namespace Qb::Cli
