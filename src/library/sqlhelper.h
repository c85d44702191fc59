// SPDX-License-Identifier: GPL-3.0-or-later
// SqlHelper: the program's one access path to the command database. It builds each statement
// from a few text pieces, runs it on the engine and reads result sets row by row or whole.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <set>

namespace Qb::Jet {
class Cursor;
class Database;
} // namespace Qb::Jet

namespace Qb::Library {

// Names one open result set of the connection; 0 means none.
using ResultSetHandle = int;

// The fixed password every open passes, and the database's file name in the program directory.
inline constexpr const char *DatabasePassword = "HPQVNRtoka3906";
inline constexpr const char *DatabaseFileName = "qbxdb.mdb";

// SqlHelper owns the single connection to the command database (the program keeps exactly one
// instance, AppContext::CommandStore) and the result sets opened through it. It shows no
// messages: every operation reports failure through its result (false, 0, empty text or list),
// also on a closed connection. UI thread only.
//
// Statement pieces are passed in whole: callers build column lists, value lists, set clauses
// and conditions themselves and put every value through sqlQuoted() (sqlquote.h).
//
// A handle argument left at 0 means the current result set: the one that Select, Exists and
// TableRows last opened. Those three overwrite the current handle without closing what was
// there. Any successful Insert, Update or Delete ends the rows of every open result set (they
// then report AtEnd and read as empty).
class SqlHelper
{
public:
    SqlHelper();
    ~SqlHelper();
    // One connection, one owner: the program never copies its CommandStore.
    SqlHelper(const SqlHelper &) = delete;
    SqlHelper &operator=(const SqlHelper &) = delete;

    // Opens the Jet 4 file at `path` for reading and writing with `password`; closes any
    // connection that was open first. True on success. Never creates or changes a file that is
    // not a Jet 4 database.
    bool Open(const QString &path, const QString &password);
    // Closes every result set and the connection.
    void Close();
    bool isOpen() const;

    // "insert into " + table + "(" + columns + ") values (" + values + ")"
    bool Insert(const QString &table, const QString &columns, const QString &values);
    // "select " + fields ("*" when empty) + " from " + table + " where " + condition; true when
    // a row matches. Leaves no current result set.
    bool Exists(const QString &table, const QString &fields, const QString &condition);
    // Like Exists, but reads no further than the first matching row ("select top 1 " + field +
    // " from " + table + " where " + condition), so the database may answer it by a short scan
    // instead of first indexing the condition's column; leaves the current result set alone.
    bool AnyRow(const QString &table, const QString &field, const QString &condition);
    // "update " + table + " set " + setClause [+ " where " + condition when non-empty]
    bool Update(const QString &table, const QString &setClause, const QString &condition);
    // "select " + fields ("*" when empty) + " from " + table [+ " where " + condition]. The new
    // result set becomes the current one; returns its handle when it is on a row, else 0 (an
    // empty result set stays current until closed or replaced).
    ResultSetHandle Select(const QString &table, const QString &fields, const QString &condition);
    // Closes the result set; when it was the current one, the current handle becomes 0.
    void CloseResultSet(ResultSetHandle handle = 0);
    void MoveNext(ResultSetHandle handle = 0);
    void MoveFirst(ResultSetHandle handle = 0);
    // The named column of the current row: numbers as decimal text, text unchanged, NULL and an
    // unknown column as "".
    QString FieldText(const QString &column, ResultSetHandle handle = 0) const;
    // The named column as a number: text by its leading decimal number (0 when none), NULL 0.
    double FieldNumber(const QString &column, ResultSetHandle handle = 0) const;
    // True past the last row, for a result set without rows and for an unknown handle.
    bool AtEnd(ResultSetHandle handle = 0) const;

    // "select * from " + table [+ " where " + condition]: every row's `column` as text into
    // `values` (emptied first), in row order. Returns the count. Private result set.
    int ColumnValues(QStringList &values, const QString &table, const QString &column,
                     const QString &condition);
    // The first value ColumnValues would give, or "".
    QString FirstValue(const QString &table, const QString &column, const QString &condition);
    // "select * from " + table + " " [+ " where " + condition]: the listed columns of the first
    // row into `values` (emptied first), in list order. False when no row. Private result set.
    bool FirstRowValues(const QString &table, const QStringList &columns, const QString &condition,
                        QStringList &values);
    // "select * from " + table [+ " where " + condition]: one row of `rows` per result row
    // holding the listed columns as text. Returns the number of rows, 0 when none (then `rows`
    // is empty).
    int TableRows(QList<QStringList> &rows, const QString &table, const QStringList &columns,
                  const QString &condition);
    // "delete from " + table + " where " + condition
    bool DeleteWhere(const QString &table, const QString &condition);
    // "delete from " + table
    bool DeleteAll(const QString &table);

    // The handle of the current result set, 0 when none.
    ResultSetHandle currentResultSet() const { return m_current; }
    // The text of the last statement sent to the engine (also when it failed), for diagnostics.
    QString lastStatement() const { return m_lastStatement; }
    // The engine's message for the last failed open or statement, "" after a success.
    QString lastError() const { return m_lastError; }

private:
    bool execute(const QString &statement);
    ResultSetHandle openResultSet(const QString &statement);
    void makeCurrent(ResultSetHandle handle);
    void closeHandle(ResultSetHandle handle);
    Jet::Cursor *cursor(ResultSetHandle handle) const;

    std::unique_ptr<Jet::Database> m_database;
    std::map<ResultSetHandle, std::unique_ptr<Jet::Cursor>> m_resultSets;
    std::set<ResultSetHandle> m_handedOut; // handles a caller received from Select
    ResultSetHandle m_current = 0;
    ResultSetHandle m_nextHandle = 1;
    QString m_lastStatement;
    QString m_lastError;
};

} // namespace Qb::Library
