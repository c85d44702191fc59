// SPDX-License-Identifier: GPL-3.0-or-later
// A fresh command library in a temporary directory, and raw row access for checking it.
#pragma once

#include "library/sqlhelper.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace Qb::Library {
class TreeItems;
}

namespace Qb::Test {

// "A(B(x) y) C": each item's text, its children in parentheses, siblings separated by blanks.
QString renderTree(const Library::TreeItems &tree, int parent = -1);

// Creates an empty library, opens it, and adds rows with statements of its own (not the
// operations under test). ready() is false, with reason(), when that fails.
class TempLibrary
{
public:
    TempLibrary();

    bool ready() const { return m_ready; }
    QString reason() const { return m_reason; }
    Library::SqlHelper &store() { return m_store; }
    QString path() const { return m_path; }

    // Adds a 分类表 row; false (and reason()) on failure.
    bool addCategory(const QString &name, const QString &number, const QString &parent,
                     const QString &storedDescription = QString());
    // Adds a 命令库 row with the description stored as given (already "^!"-substituted).
    bool addCommand(const QString &name, const QString &chineseName, const QString &category,
                    const QString &storedDescription = QString(), const QString &type = QString());

    // The listed columns of every row matching `condition` (all rows when empty), each row as
    // its values joined by "|", in row order.
    QStringList rows(const QString &table, const QStringList &columns, const QString &condition = QString());
    // Closes and reopens the file, as the next start of the program would.
    bool reopen();

private:
    bool insert(const QString &table, const QString &columns, const QStringList &values);

    QTemporaryDir m_dir;
    QString m_path;
    Library::SqlHelper m_store;
    bool m_ready = false;
    QString m_reason;
};

} // namespace Qb::Test

// Skips the calling test when the library could not be made.
#define QB_REQUIRE_LIBRARY(lib)                                                                    \
    do {                                                                                           \
        if (!(lib).ready())                                                                        \
            QSKIP(qPrintable(QStringLiteral("no writable command library: ") + (lib).reason())); \
    } while (false)
