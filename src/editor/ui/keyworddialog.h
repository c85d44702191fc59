// SPDX-License-Identifier: GPL-3.0-or-later
// 添加关键字: lists, adds and deletes the coloured keywords of 关键字表.
#pragma once

#include "resources/definedwindow.h"

namespace Qb::Library {
class SqlHelper;
}

namespace Qb::Editor {

class ScriptEditor;

// Modeless dialog owned by the main window. Changes reach the table at once; the editor's
// colouring follows only when the dialog is closed with 确定 (or at the next start).
class KeywordDialog : public Qb::Resources::DefinedWindow
{
    Q_OBJECT

public:
    KeywordDialog(QWidget *owner, ScriptEditor &editor, Qb::Library::SqlHelper &store);

    static const Qb::Resources::WindowDefinition &windowDefinition();

protected:
    void onCreated() override;

private:
    void addKeyword();
    void deleteKeyword();
    void reloadAndClose();
    void appendRow(const QString &keyword, const QString &colour);
    void notice(const QString &text);

    ScriptEditor &m_editor;
    Qb::Library::SqlHelper &m_store;
};

} // namespace Qb::Editor
