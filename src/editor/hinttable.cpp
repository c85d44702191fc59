// SPDX-License-Identifier: GPL-3.0-or-later
// 命令表 statements.
#include "editor/hinttable.h"

#include "library/sqlhelper.h"
#include "library/sqlquote.h"

namespace Qb::Editor {

namespace {
const QString Table = QStringLiteral("命令表");
const QString HintColumn = QStringLiteral("命令");
} // namespace

QStringList HintTable::matches(const QString &prefix) const
{
    QStringList values;
    // The condition begins with a space, so the statement carries two before 命令.
    const QString condition = QStringLiteral(" 命令 like ") + Library::sqlQuoted(prefix + u'%');
    m_store.ColumnValues(values, Table, HintColumn, condition);
    return values;
}

AddHintResult HintTable::add(const QString &name, const QString &description)
{
    if (name.isEmpty())
        return AddHintResult::EmptyName;
    if (m_store.Exists(Table, HintColumn, HintColumn + u'=' + Library::sqlQuoted(name)))
        return AddHintResult::Duplicate;
    const QString values = Library::sqlQuoted(name) + u',' + Library::sqlQuoted(description);
    if (!m_store.Insert(Table, QStringLiteral("命令,说明"), values))
        return AddHintResult::Failed;
    return AddHintResult::Added;
}

} // namespace Qb::Editor
