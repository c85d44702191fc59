// SPDX-License-Identifier: GPL-3.0-or-later
// Select execution over a table scan.
#include "jet/sql/selectcursor.h"

#include "jet/format/text.h"
#include "jet/sql/keylookup.h"

#include <algorithm>

#include <charconv>
#include <cstdlib>

namespace Qb::Jet {

namespace {

bool isNumeric(std::uint8_t type)
{
    switch (ColumnType(type)) {
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::Long:
    case ColumnType::Currency:
    case ColumnType::Single:
    case ColumnType::Double: return true;
    default: return false;
    }
}

std::optional<double> parseNumber(const std::string &text)
{
    if (text.empty())
        return std::nullopt;
    char *end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size())
        return std::nullopt;
    return v;
}

double numberOf(const Value &v)
{
    if (const auto *i = std::get_if<std::int64_t>(&v))
        return double(*i);
    if (const auto *d = std::get_if<double>(&v))
        return *d;
    if (const auto *c = std::get_if<Currency>(&v))
        return double(c->units) / 10000.0;
    return 0;
}

} // namespace

SelectCursor::SelectCursor(JetDatabase &db, TableDefRef table, PageListRef pages)
    : m_db(db), m_table(std::move(table)), m_dataPages(pages), m_scan(db.pages(), *m_table, std::move(pages)),
      m_generation(db.generation())
{
}

SelectCursor::~SelectCursor()
{
    if (m_shortScanColumn)
        m_db.noteShortScan(*m_table, *m_shortScanColumn, m_rowsPassed);
}

Result<std::unique_ptr<SelectCursor>> SelectCursor::make(JetDatabase &db, TableDefRef table, PageListRef pages,
                                                   const Statement &statement,
                                                   std::optional<std::vector<RowLocation>> rows)
{
    std::unique_ptr<SelectCursor> c(new SelectCursor(db, std::move(table), std::move(pages)));
    c->m_shortRead = statement.top.has_value();
    const TableDef &def = *c->m_table;
    if (statement.allColumns) {
        for (std::size_t i = 0; i < def.columns.size(); ++i)
            c->m_projection.push_back(i);
    }
    for (const auto &name : statement.columns) {
        const int index = def.findColumn(name);
        if (index < 0)
            return fail(ErrorCode::NoSuchColumn, "no column " + name + " in the table");
        c->m_projection.push_back(std::size_t(index));
    }
    for (std::size_t i : c->m_projection) {
        c->m_names.push_back(def.columns[i].name);
        c->m_foldedNames.push_back(foldedUtf16(def.columns[i].name));
    }
    for (const auto &condition : statement.where)
        if (auto ok = c->compileFilter(condition); !ok)
            return std::unexpected(ok.error());
    auto keyed = rows ? Result<bool>(true) : c->useRealIndex();
    if (rows)
        c->m_keyed = std::move(*rows);
    if (!keyed)
        return std::unexpected(keyed.error());
    if (!*keyed)
        if (auto ok = c->useColumnIndex(); !ok)
            return std::unexpected(ok.error());
    if (auto ok = c->advance(); !ok)
        return std::unexpected(ok.error());
    return c;
}

Result<void> SelectCursor::compileFilter(const Condition &condition)
{
    const int index = m_table->findColumn(condition.column);
    if (index < 0)
        return fail(ErrorCode::NoSuchColumn, "no column " + condition.column + " in the table");
    Filter f;
    f.column = std::size_t(index);
    f.op = condition.op;
    const std::string literal = condition.value.kind == Literal::Kind::Integer
        ? std::to_string(condition.value.integer) : condition.value.text;
    const ColumnDef &column = m_table->columns[f.column];
    if (f.op == Condition::Op::Like) {
        f.like.emplace(literal);
    } else if (isNumeric(column.type)) {
        f.number = parseNumber(literal);
        if (!f.number)
            return fail(ErrorCode::TypeMismatch, "'" + literal + "' is not a number for column " + column.name);
    } else {
        f.folded = foldedUtf16(literal);
    }
    m_filters.push_back(std::move(f));
    return {};
}

// Equality on a Text column compares the stored units directly, without decoding the value.
Result<bool> SelectCursor::matchesText(const RowView &row, const Filter &f)
{
    const ColumnDef &column = m_table->columns[f.column];
    if (column.type == std::uint8_t(ColumnType::Text) && !f.like) {
        auto bytes = row.columnBytes(f.column);
        if (!bytes)
            return std::unexpected(bytes.error());
        if (!*bytes)
            return false;
        std::size_t i = 0;
        const bool whole = forEachStoredUnit(**bytes, [&](char16_t c) {
            return i < f.folded.size() && foldCase(c) == f.folded[i++];
        });
        return whole && i == f.folded.size();
    }
    auto value = decodeColumn(m_db.pages(), *m_table, row, f.column);
    if (!value)
        return std::unexpected(value.error());
    if (isNull(*value))
        return false;
    const std::string text = valueText(*value, column);
    m_scratch = foldedUtf16(text);
    return f.like ? f.like->matches(m_scratch) : m_scratch == f.folded;
}

Result<bool> SelectCursor::matches(const RowView &row)
{
    for (const Filter &f : m_filters) {
        if (f.answeredByIndex)
            continue;
        Result<bool> ok = false;
        if (f.number) {
            auto value = decodeColumn(m_db.pages(), *m_table, row, f.column);
            if (!value)
                return std::unexpected(value.error());
            ok = !isNull(*value) && numberOf(*value) == *f.number;
        } else {
            ok = matchesText(row, f);
        }
        if (!ok || !*ok)
            return ok;
    }
    return true;
}

Result<bool> SelectCursor::useRealIndex()
{
    std::vector<KeyCondition> conditions;
    for (const Filter &f : m_filters)
        if (f.op == Condition::Op::Equal && !f.like)
            conditions.push_back({f.column, f.number, f.folded});
    if (conditions.empty())
        return false;
    auto rows = lookupByIndex(m_db.pages(), *m_table, conditions);
    if (!rows)
        return std::unexpected(rows.error());
    m_keyed = std::move(*rows);
    return m_keyed.has_value();
}

// The next row an index entry names that a scan would meet: on a data page of the table's
// owned map, in a live slot (overflow pointers followed).
Result<bool> SelectCursor::nextKeyed(ByteSpan &row)
{
    while (m_keyedPos < m_keyed->size()) {
        const RowLocation at = (*m_keyed)[m_keyedPos++];
        if (!std::binary_search(m_dataPages->begin(), m_dataPages->end(), at.page))
            continue;
        // Rows named in key order often follow each other on one page: it is looked up once.
        if (!m_indexPage || m_indexPageNumber != at.page) {
            auto page = m_db.pages().page(at.page);
            if (!page)
                return std::unexpected(page.error());
            m_indexPage = *page;
            m_indexPageNumber = at.page;
        }
        const ByteSpan bytes = bytesOf(m_indexPage);
        if (bytes[0] != PageTypeData || dataPageOwner(bytes) != m_table->page || at.slot >= rowSlotCount(bytes))
            continue;
        auto slot = rowSlot(bytes, at.page, at.slot);
        if (!slot)
            return std::unexpected(slot.error());
        if (slot->deleted())
            continue;
        row = bytes.subspan(slot->start, slot->end - slot->start);
        if (slot->overflow()) {
            auto target = followOverflow(m_db.pages(), row, m_overflowPage);
            if (!target)
                return fail(target.error().code, "row " + std::to_string(at.slot) + " on page "
                                                     + std::to_string(at.page) + ": " + target.error().message);
            row = *target;
        }
        m_location = at;
        return true;
    }
    return false;
}

Result<void> SelectCursor::useColumnIndex()
{
    for (Filter &f : m_filters) {
        if (m_table->columns[f.column].type != std::uint8_t(ColumnType::Text) || f.number)
            continue;
        if (m_shortRead && !m_db.hasTextColumnIndex(*m_table, f.column) && m_db.shortScanAllowed(*m_table, f.column)) {
            m_shortScanColumn = f.column;
            return {};
        }
        // A pattern that starts with a wildcard reads every entry: no order needed.
        const bool forRanges = !f.like || !f.like->literalPrefix().empty();
        auto index = m_db.textColumnIndex(*m_table, f.column, forRanges);
        if (!index)
            return std::unexpected(index.error());
        m_candidates = f.like ? (*index)->matching(*f.like) : (*index)->equalTo(f.folded);
        m_indexColumn = f.column;
        f.answeredByIndex = true;
        return {};
    }
    return {};
}

std::string SelectCursor::where() const
{
    return "row " + std::to_string(m_location.slot) + " on page " + std::to_string(m_location.page);
}

Result<void> SelectCursor::decodeAll(const RowView &row)
{
    for (std::size_t i = 0; i < m_projection.size(); ++i) {
        auto ok = decodeColumnInto(m_db.pages(), *m_table, row, m_projection[i], m_values[i], m_decodeScratch);
        if (!ok)
            return fail(ok.error().code, where() + ": " + ok.error().message);
        m_decoded[i] = true;
    }
    return {};
}

Result<bool> SelectCursor::nextOfScan(ByteSpan &row)
{
    auto more = m_scan.next();
    if (!more || !*more)
        return more;
    ++m_rowsPassed;
    row = m_scan.row();
    m_location = m_scan.location();
    return true;
}

// The next row of the scan (or of those a real index named) that meets every condition, decoded.
Result<bool> SelectCursor::nextScanned()
{
    for (;;) {
        ByteSpan bytes;
        auto more = m_keyed ? nextKeyed(bytes) : nextOfScan(bytes);
        if (!more || !*more)
            return more;
        auto row = RowView::make(*m_table, bytes);
        if (!row)
            return fail(row.error().code, where() + ": " + row.error().message);
        auto hit = matches(*row);
        if (!hit)
            return fail(hit.error().code, where() + ": " + hit.error().message);
        if (!*hit)
            continue;
        if (auto ok = decodeAll(*row); !ok)
            return std::unexpected(ok.error());
        return true;
    }
}

// The next index candidate that meets the other conditions. Its row is read here only when
// another condition needs it.
Result<bool> SelectCursor::nextIndexed()
{
    const bool othersToTest = m_filters.size() > 1;
    while (m_candidatePos < m_candidates->rows.size()) {
        m_location = m_candidates->rows[m_candidatePos++].at;
        if (!othersToTest)
            return true;
        auto bytes = rowAt(m_db.pages(), *m_table, m_location, m_rowPage);
        if (!bytes)
            return std::unexpected(bytes.error());
        if (!*bytes)
            continue;
        auto row = RowView::make(*m_table, **bytes);
        if (!row)
            return fail(row.error().code, where() + ": " + row.error().message);
        auto hit = matches(*row);
        if (!hit)
            return fail(hit.error().code, where() + ": " + hit.error().message);
        if (*hit) {
            m_row = *row;
            return true;
        }
    }
    return false;
}

Result<void> SelectCursor::advance()
{
    m_atEnd = true;
    m_values.resize(m_projection.size());
    m_decoded.assign(m_projection.size(), false);
    m_row.reset();
    auto more = m_candidates ? nextIndexed() : nextScanned();
    if (!more)
        return std::unexpected(more.error());
    m_atEnd = !*more;
    return {};
}

Result<void> SelectCursor::loadRow() const
{
    auto bytes = rowAt(m_db.pages(), *m_table, m_location, m_rowPage);
    if (!bytes)
        return std::unexpected(bytes.error());
    if (!*bytes)
        return fail(ErrorCode::Corrupt, where() + ": the column index names a row that is not there");
    auto row = RowView::make(*m_table, **bytes);
    if (!row)
        return fail(row.error().code, where() + ": " + row.error().message);
    m_row = *row;
    return {};
}

const Value &SelectCursor::decodeLazily(std::size_t column) const
{
    static const Value Null;
    const std::size_t tableColumn = m_projection[column];
    if (m_candidates && tableColumn == m_indexColumn) {
        m_values[column] = std::string(indexedText());
        m_decoded[column] = true;
        return m_values[column];
    }
    if (!m_row) {
        if (auto loaded = loadRow(); !loaded) {
            m_lateFault = loaded.error();
            return Null;
        }
    }
    auto value = decodeColumn(m_db.pages(), *m_table, *m_row, tableColumn);
    if (!value) {
        m_lateFault = Error{value.error().code, where() + ": " + value.error().message};
        return Null;
    }
    m_values[column] = std::move(*value);
    m_decoded[column] = true;
    return m_values[column];
}

Result<void> SelectCursor::next()
{
    if (stale()) {
        m_atEnd = true;
        return {};
    }
    if (m_lateFault) {
        m_atEnd = true;
        return std::unexpected(*std::exchange(m_lateFault, std::nullopt));
    }
    if (m_atEnd)
        return {};
    return advance();
}

Result<void> SelectCursor::rewind()
{
    if (stale())
        return {};
    m_lateFault.reset();
    m_scan.rewind();
    m_candidatePos = 0;
    m_keyedPos = 0;
    return advance();
}

std::optional<std::size_t> SelectCursor::expectedRows() const
{
    // Other conditions may still drop candidates.
    if (m_candidates && m_filters.size() == 1)
        return m_candidates->rows.size();
    return std::nullopt;
}

std::optional<std::string_view> SelectCursor::textView(std::size_t column) const
{
    // The indexed column of a row found through the index: straight from the index.
    if (!atEnd() && m_candidates && column < m_projection.size() && m_projection[column] == m_indexColumn)
        return indexedText();
    return Cursor::textView(column);
}

const Value &SelectCursor::value(std::size_t column) const
{
    static const Value Null;
    if (atEnd() || column >= m_values.size())
        return Null;
    return m_decoded[column] ? m_values[column] : decodeLazily(column);
}

int SelectCursor::columnIndex(std::string_view name) const
{
    const std::u16string wanted = foldedUtf16(name);
    for (std::size_t i = 0; i < m_foldedNames.size(); ++i)
        if (m_foldedNames[i] == wanted)
            return int(i);
    return -1;
}

} // namespace Qb::Jet
