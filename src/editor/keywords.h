// SPDX-License-Identifier: GPL-3.0-or-later
// The coloured keywords: the lexer's keyword list and the rules for adding and deleting rows
// of 关键字表.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace Qb::Library {
class SqlHelper;
}

namespace Qb::Editor {

// One row of 关键字表 as the keyword dialog lists it.
struct KeywordRow
{
    QString keyword;
    QString colour; // decimal 0x00BBGGRR value as stored
};

// The list handed to the lexer's keyword set 0: every keyword's UTF-8 text followed by one
// space, in the given order (so a non-empty list ends with a space).
QByteArray keywordListText(const QList<KeywordRow> &rows);

enum class AddKeywordResult { EmptyKeyword, Duplicate, Added, Failed };

// 关键字表 through the command store. Borrowed store; UI thread only. Every value enters a
// statement through sqlQuoted, so a keyword holding "'" is stored as typed.
class KeywordTable
{
public:
    explicit KeywordTable(Qb::Library::SqlHelper &store) : m_store(store) {}

    // All rows in table order; empty when the table is empty or cannot be read.
    QList<KeywordRow> rows() const;
    // Adds kw with the colour text unless it is empty or already stored (as the database
    // compares text).
    AddKeywordResult add(const QString &keyword, const QString &colour);
    // Deletes every row holding exactly this keyword; false when the statement failed.
    bool remove(const QString &keyword);

private:
    Qb::Library::SqlHelper &m_store;
};

} // namespace Qb::Editor
