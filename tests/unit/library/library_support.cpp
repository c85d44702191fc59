// SPDX-License-Identifier: GPL-3.0-or-later
// Temporary command libraries for the library tests.
#include "library_support.h"

#include "jet/database.h"
#include "library/sqlquote.h"
#include "library/treeitems.h"

#include <QFile>

namespace Qb::Test {

QString renderTree(const Library::TreeItems &tree, int parent)
{
    QStringList parts;
    for (int i = 0; i < tree.count(); ++i) {
        if (tree.parent(i) != parent)
            continue;
        QString part = tree.text(i);
        const QString children = renderTree(tree, i);
        if (!children.isEmpty())
            part += u'(' + children + u')';
        parts.append(part);
    }
    return parts.join(u' ');
}

TempLibrary::TempLibrary()
{
    m_path = m_dir.filePath(QString::fromLatin1(Library::DatabaseFileName));
    if (auto made = Jet::Database::createLibrary(QFile::encodeName(m_path).toStdString()); !made) {
        m_reason = QString::fromStdString(made.error().message);
        return;
    }
    if (!reopen())
        return;
    // The write path is probed once, so that a test fails on its own rows rather than here.
    m_ready = insert(QStringLiteral("关键字表"), QStringLiteral("关键字"), {QStringLiteral("probe")})
              && m_store.DeleteAll(QStringLiteral("关键字表"));
    if (!m_ready)
        m_reason = m_store.lastError();
}

bool TempLibrary::reopen()
{
    m_store.Close();
    if (m_store.Open(m_path, QString::fromLatin1(Library::DatabasePassword)))
        return true;
    m_reason = m_store.lastError();
    return false;
}

bool TempLibrary::insert(const QString &table, const QString &columns, const QStringList &values)
{
    QStringList quoted;
    for (const QString &v : values)
        quoted.append(Library::sqlQuoted(v));
    if (m_store.Insert(table, columns, quoted.join(u',')))
        return true;
    m_reason = m_store.lastError();
    return false;
}

bool TempLibrary::addCategory(const QString &name, const QString &number, const QString &parent,
                              const QString &storedDescription)
{
    return insert(QStringLiteral("分类表"), QStringLiteral("分类名,序号,父类,说明"),
                  {name, number, parent, storedDescription});
}

bool TempLibrary::addCommand(const QString &name, const QString &chineseName, const QString &category,
                             const QString &storedDescription, const QString &type)
{
    return insert(QStringLiteral("命令库"), QStringLiteral("命令名,中文名,分类,说明,类型"),
                  {name, chineseName, category, storedDescription, type});
}

QStringList TempLibrary::rows(const QString &table, const QStringList &columns, const QString &condition)
{
    QList<QStringList> table2d;
    m_store.TableRows(table2d, table, columns, condition);
    QStringList out;
    for (const QStringList &row : table2d)
        out.append(row.join(u'|'));
    return out;
}

} // namespace Qb::Test
