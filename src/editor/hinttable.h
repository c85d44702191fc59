// SPDX-License-Identifier: GPL-3.0-or-later
// The hint table 命令表: the prefix search the hints run for every typed letter, and adding an
// entry from the 添加命令提示 dialog.
#pragma once

#include <QString>
#include <QStringList>

namespace Qb::Library {
class SqlHelper;
}

namespace Qb::Editor {

enum class AddHintResult { EmptyName, Duplicate, Added, Failed };

// 命令表 through the command store. Borrowed store; UI thread only. Every value enters a
// statement through sqlQuoted, so an entry holding "'" is stored as typed.
class HintTable
{
public:
    explicit HintTable(Qb::Library::SqlHelper &store) : m_store(store) {}

    // The 命令 values that begin with `prefix`, letters compared without case, in the
    // database's order: "select * from 命令表 where  命令 like '" + prefix + "%'". Empty when
    // none match or the statement fails.
    QStringList matches(const QString &prefix) const;
    // Adds (name, description) unless the name is empty or already stored (as the database
    // compares text). The table is unchanged unless the result is Added.
    AddHintResult add(const QString &name, const QString &description);

private:
    Qb::Library::SqlHelper &m_store;
};

} // namespace Qb::Editor
