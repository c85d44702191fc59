// SPDX-License-Identifier: GPL-3.0-or-later
// SqlHelper over the Jet engine: statement texts, result-set handles and value conversions.
#include "library/sqlhelper.h"

#include "jet/database.h"

#include <QDate>
#include <QDateTime>
#include <QFile>

#include <cmath>

namespace Qb::Library {

namespace {

const QString Star = QStringLiteral("*");

QString whereClause(const QString &condition)
{
    return condition.isEmpty() ? QString() : QStringLiteral(" where ") + condition;
}

QString fieldsOrStar(const QString &fields)
{
    return fields.isEmpty() ? Star : fields;
}

// Jet day numbers count from 1899-12-30; the fraction is the time of day.
QString dateText(double days)
{
    const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0));
    const auto ms = static_cast<qint64>(std::llround(days * 86400000.0));
    return epoch.addMSecs(ms).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

QString valueText(const Jet::Value &value)
{
    struct Visitor
    {
        QString operator()(std::monostate) const { return {}; }
        QString operator()(bool b) const { return b ? QStringLiteral("1") : QStringLiteral("0"); }
        QString operator()(std::int64_t n) const { return QString::number(n); }
        QString operator()(double d) const { return QString::number(d, 'g', 15); }
        QString operator()(const std::string &s) const { return QString::fromStdString(s); }
        QString operator()(Jet::Date d) const { return dateText(d.days); }
        QString operator()(Jet::Currency c) const { return QString::number(c.units / 10000.0, 'f', 4); }
        QString operator()(const Jet::Bytes &b) const
        {
            const QByteArray bytes(reinterpret_cast<const char *>(b.data()), qsizetype(b.size()));
            return QString::fromLatin1(bytes.toHex().toUpper());
        }
    };
    return std::visit(Visitor{}, value);
}

// The leading decimal number of a text: blanks, an optional sign, digits and an optional
// fraction; 0 when the text does not start with a number.
double leadingNumber(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    const qsizetype start = i;
    if (i < text.size() && (text.at(i) == u'+' || text.at(i) == u'-'))
        ++i;
    while (i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9')
        ++i;
    if (i < text.size() && text.at(i) == u'.') {
        ++i;
        while (i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9')
            ++i;
    }
    bool ok = false;
    const double number = text.mid(start, i - start).toDouble(&ok);
    return ok ? number : 0.0;
}

double valueNumber(const Jet::Value &value)
{
    if (const auto *n = std::get_if<std::int64_t>(&value))
        return double(*n);
    if (const auto *d = std::get_if<double>(&value))
        return *d;
    if (const auto *b = std::get_if<bool>(&value))
        return *b ? 1.0 : 0.0;
    if (const auto *c = std::get_if<Jet::Currency>(&value))
        return c->units / 10000.0;
    if (const auto *date = std::get_if<Jet::Date>(&value))
        return date->days;
    if (const auto *s = std::get_if<std::string>(&value))
        return leadingNumber(QString::fromStdString(*s));
    return 0.0;
}

QString columnText(const Jet::Cursor &cursor, const QString &column)
{
    const int index = cursor.columnIndex(column.toStdString());
    if (index < 0 || cursor.atEnd())
        return {};
    return valueText(cursor.value(std::size_t(index)));
}

} // namespace

SqlHelper::SqlHelper() = default;

SqlHelper::~SqlHelper()
{
    Close();
}

bool SqlHelper::Open(const QString &path, const QString &password)
{
    Close();
    auto opened = Jet::Database::open(QFile::encodeName(path).toStdString(), password.toStdString());
    if (!opened) {
        m_lastError = QString::fromStdString(opened.error().message);
        return false;
    }
    m_database = std::move(*opened);
    m_lastError.clear();
    return true;
}

void SqlHelper::Close()
{
    m_resultSets.clear();
    m_current = 0;
    m_handedOut.clear();
    m_database.reset();
}

bool SqlHelper::isOpen() const
{
    return m_database != nullptr;
}

bool SqlHelper::execute(const QString &statement)
{
    m_lastStatement = statement;
    if (!m_database) {
        m_lastError = QStringLiteral("no open database");
        return false;
    }
    const auto done = m_database->execute(statement.toStdString());
    m_lastError = done ? QString() : QString::fromStdString(done.error().message);
    return done.has_value();
}

ResultSetHandle SqlHelper::openResultSet(const QString &statement)
{
    m_lastStatement = statement;
    if (!m_database) {
        m_lastError = QStringLiteral("no open database");
        return 0;
    }
    auto opened = m_database->query(statement.toStdString());
    if (!opened) {
        m_lastError = QString::fromStdString(opened.error().message);
        return 0;
    }
    m_lastError.clear();
    const ResultSetHandle handle = m_nextHandle++;
    m_resultSets.emplace(handle, std::move(*opened));
    return handle;
}

void SqlHelper::makeCurrent(ResultSetHandle handle)
{
    // A replaced current result set whose handle no caller ever received can never be closed
    // by a caller; release it now instead of keeping it until the connection closes.
    if (m_current != 0 && m_current != handle && !m_handedOut.contains(m_current))
        m_resultSets.erase(m_current);
    m_current = handle;
}

void SqlHelper::closeHandle(ResultSetHandle handle)
{
    m_resultSets.erase(handle);
    m_handedOut.erase(handle);
    if (handle == m_current)
        m_current = 0;
}

Jet::Cursor *SqlHelper::cursor(ResultSetHandle handle) const
{
    const auto found = m_resultSets.find(handle == 0 ? m_current : handle);
    return found == m_resultSets.end() ? nullptr : found->second.get();
}

bool SqlHelper::Insert(const QString &table, const QString &columns, const QString &values)
{
    return execute(QStringLiteral("insert into ") + table + QStringLiteral("(") + columns
                   + QStringLiteral(") values (") + values + QStringLiteral(")"));
}

bool SqlHelper::Exists(const QString &table, const QString &fields, const QString &condition)
{
    const ResultSetHandle handle = openResultSet(QStringLiteral("select ") + fieldsOrStar(fields)
                                                 + QStringLiteral(" from ") + table
                                                 + QStringLiteral(" where ") + condition);
    makeCurrent(handle);
    const bool found = handle != 0 && !AtEnd(handle);
    if (handle != 0)
        closeHandle(handle);
    m_current = 0;
    return found;
}

bool SqlHelper::AnyRow(const QString &table, const QString &field, const QString &condition)
{
    const ResultSetHandle handle = openResultSet(QStringLiteral("select top 1 ") + field + QStringLiteral(" from ")
                                                 + table + QStringLiteral(" where ") + condition);
    const bool found = handle != 0 && !AtEnd(handle);
    if (handle != 0)
        closeHandle(handle);
    return found;
}

bool SqlHelper::Update(const QString &table, const QString &setClause, const QString &condition)
{
    return execute(QStringLiteral("update ") + table + QStringLiteral(" set ") + setClause
                   + whereClause(condition));
}

ResultSetHandle SqlHelper::Select(const QString &table, const QString &fields, const QString &condition)
{
    const ResultSetHandle handle = openResultSet(QStringLiteral("select ") + fieldsOrStar(fields)
                                                 + QStringLiteral(" from ") + table + whereClause(condition));
    makeCurrent(handle);
    if (handle == 0 || AtEnd(handle))
        return 0;
    m_handedOut.insert(handle);
    return handle;
}

void SqlHelper::CloseResultSet(ResultSetHandle handle)
{
    const ResultSetHandle target = handle == 0 ? m_current : handle;
    if (target != 0)
        closeHandle(target);
}

void SqlHelper::MoveNext(ResultSetHandle handle)
{
    if (Jet::Cursor *c = cursor(handle); c && !c->atEnd())
        (void)c->next();
}

void SqlHelper::MoveFirst(ResultSetHandle handle)
{
    if (Jet::Cursor *c = cursor(handle))
        (void)c->rewind();
}

QString SqlHelper::FieldText(const QString &column, ResultSetHandle handle) const
{
    const Jet::Cursor *c = cursor(handle);
    return c ? columnText(*c, column) : QString();
}

double SqlHelper::FieldNumber(const QString &column, ResultSetHandle handle) const
{
    const Jet::Cursor *c = cursor(handle);
    if (!c || c->atEnd())
        return 0.0;
    const int index = c->columnIndex(column.toStdString());
    return index < 0 ? 0.0 : valueNumber(c->value(std::size_t(index)));
}

bool SqlHelper::AtEnd(ResultSetHandle handle) const
{
    const Jet::Cursor *c = cursor(handle);
    return !c || c->atEnd();
}

int SqlHelper::ColumnValues(QStringList &values, const QString &table, const QString &column,
                            const QString &condition)
{
    values.clear();
    const ResultSetHandle handle = openResultSet(QStringLiteral("select * from ") + table + whereClause(condition));
    if (handle == 0)
        return 0;
    Jet::Cursor *c = cursor(handle);
    // The column is looked up once, not for every row: a hint search may read thousands.
    const int index = c->columnIndex(column.toStdString());
    if (const auto rows = c->expectedRows())
        values.reserve(qsizetype(*rows));
    for (; !c->atEnd(); (void)c->next()) {
        if (index < 0)
            values.append(QString());
        else if (const auto text = c->textView(std::size_t(index)))
            values.append(QString::fromUtf8(text->data(), qsizetype(text->size())));
        else
            values.append(valueText(c->value(std::size_t(index))));
    }
    closeHandle(handle);
    return int(values.size());
}

QString SqlHelper::FirstValue(const QString &table, const QString &column, const QString &condition)
{
    QStringList values;
    return ColumnValues(values, table, column, condition) > 0 ? values.first() : QString();
}

bool SqlHelper::FirstRowValues(const QString &table, const QStringList &columns, const QString &condition,
                               QStringList &values)
{
    values.clear();
    const ResultSetHandle handle = openResultSet(QStringLiteral("select * from ") + table + QStringLiteral(" ")
                                                 + whereClause(condition));
    if (handle == 0)
        return false;
    Jet::Cursor *c = cursor(handle);
    (void)c->rewind();
    const bool found = !c->atEnd();
    for (qsizetype i = 0; found && i < columns.size(); ++i)
        values.append(columnText(*c, columns.at(i)));
    closeHandle(handle);
    return found;
}

int SqlHelper::TableRows(QList<QStringList> &rows, const QString &table, const QStringList &columns,
                         const QString &condition)
{
    rows.clear();
    const ResultSetHandle handle = openResultSet(QStringLiteral("select * from ") + table + whereClause(condition));
    makeCurrent(handle);
    if (handle == 0 || AtEnd(handle))
        return 0;
    Jet::Cursor *c = cursor(handle);
    (void)c->rewind();
    for (; !c->atEnd(); (void)c->next()) {
        QStringList row;
        for (const QString &column : columns)
            row.append(columnText(*c, column));
        rows.append(row);
    }
    closeHandle(handle);
    return int(rows.size());
}

bool SqlHelper::DeleteWhere(const QString &table, const QString &condition)
{
    return execute(QStringLiteral("delete from ") + table + QStringLiteral(" where ") + condition);
}

bool SqlHelper::DeleteAll(const QString &table)
{
    return execute(QStringLiteral("delete from ") + table);
}

} // namespace Qb::Library
