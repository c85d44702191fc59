// SPDX-License-Identifier: GPL-3.0-or-later
// 插入变量: builds a variable assignment from a name and a value.
#pragma once

#include "resources/definedwindow.h"

namespace Qb::Editor {

class ScriptEditor;

// Modal dialog owned by the main window; keeps nothing between openings.
class VariableDialog : public Qb::Resources::DefinedWindow
{
    Q_OBJECT

public:
    VariableDialog(QWidget *owner, ScriptEditor &editor);

    static const Qb::Resources::WindowDefinition &windowDefinition();

private:
    void insertAndClose();

    ScriptEditor &m_editor;
};

} // namespace Qb::Editor
