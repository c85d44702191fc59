// SPDX-License-Identifier: GPL-3.0-or-later
// The 命令添加 dialog: adding and modifying commands.
#pragma once

#include "library/commandeditor.h"
#include "resources/shellwindows.h"

namespace Qb::Library::Ui {

class TreeWidgetItems;

// 命令添加 in add or modify mode over the tree and the command database. Created filled
// (CommandEditor::open); 添加 / 修改 stores through CommandEditor::store and reports each refusal
// with its message. In add mode it stays open after each add with category and type kept and
// the three text boxes emptied; in modify mode a successful update closes it.
class CommandDialog : public Resources::CommandAddWindow
{
    Q_OBJECT
public:
    CommandDialog(QWidget *owner, SqlHelper &store, TreeItems &tree, CommandEditor::Mode mode);

    // The message shown for a store result; empty for the successes.
    static QString messageFor(StoreResult result);

protected:
    void onCreated() override;

private:
    void storeCommand();
    CommandInput input() const;

    SqlHelper &m_store;
    TreeItems &m_tree;
    CommandEditor m_editor;
};

} // namespace Qb::Library::Ui
