// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/keywords.h"

#include "library/sqlhelper.h"
#include "library/sqlquote.h"

namespace Qb::Editor {

namespace {
const QString Table = QStringLiteral("关键字表");
const QString KeywordColumn = QStringLiteral("关键字");
} // namespace

QByteArray keywordListText(const QList<KeywordRow> &rows)
{
    QByteArray list;
    for (const KeywordRow &row : rows)
        list += row.keyword.toUtf8() + ' ';
    return list;
}

QList<KeywordRow> KeywordTable::rows() const
{
    QList<QStringList> table;
    const QStringList columns{KeywordColumn, QStringLiteral("颜色"), QStringLiteral("类别")};
    QList<KeywordRow> result;
    if (m_store.TableRows(table, Table, columns, QString()) <= 0)
        return result;
    for (const QStringList &row : std::as_const(table))
        result.append({row.value(0), row.value(1)});
    return result;
}

AddKeywordResult KeywordTable::add(const QString &keyword, const QString &colour)
{
    if (keyword.isEmpty())
        return AddKeywordResult::EmptyKeyword;
    const QString condition = KeywordColumn + u'=' + Library::sqlQuoted(keyword);
    if (m_store.Exists(Table, KeywordColumn, condition))
        return AddKeywordResult::Duplicate;
    const QString values = Library::sqlQuoted(keyword) + u',' + Library::sqlQuoted(colour);
    if (!m_store.Insert(Table, QStringLiteral("关键字,颜色"), values))
        return AddKeywordResult::Failed;
    return AddKeywordResult::Added;
}

bool KeywordTable::remove(const QString &keyword)
{
    return m_store.DeleteWhere(Table, KeywordColumn + u'=' + Library::sqlQuoted(keyword));
}

} // namespace Qb::Editor
