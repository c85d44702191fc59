// SPDX-License-Identifier: GPL-3.0-or-later
// 插入子程序: builds a function definition from prefix, name and parameters.
#pragma once

#include "resources/definedwindow.h"
#include "settings/appsettings.h"

namespace Qb::Editor {

class ScriptEditor;

// Modal dialog owned by the main window. Its three fields live in section ctjlu between uses:
// read when it is created, written back whenever it goes (also after 取消, Esc or the close box).
class SubroutineDialog : public Qb::Resources::DefinedWindow
{
    Q_OBJECT

public:
    SubroutineDialog(QWidget *owner, ScriptEditor &editor, const Qb::Settings::AppSettings &settings);

    static const Qb::Resources::WindowDefinition &windowDefinition();

protected:
    void onCreated() override;
    void onWillBeDestroyed() override;

private:
    void insertAndClose();
    QString fieldText(const char *name) const;

    ScriptEditor &m_editor;
    Qb::Settings::AppSettings m_settings;
};

} // namespace Qb::Editor
