// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/ui/variabledialog.h"

#include "editor/templates.h"
#include "editor/ui/scripteditor.h"

#include <QLineEdit>
#include <QPushButton>

namespace Qb::Editor {

namespace {
using K = Qb::Resources::ControlKind;
} // namespace

const Qb::Resources::WindowDefinition &VariableDialog::windowDefinition()
{
    static const Qb::Resources::WindowDefinition d{
        .name = "插入变量", .caption = QT_TRANSLATE_NOOP("QbText", "插入变量"), .size = {348, 200},
        .controls = {
            {.name = "标签2", .kind = K::Label, .caption = QT_TRANSLATE_NOOP("QbText", "变量名称："),
             .geometry = {10, 38, 56, 16}},
            {.name = "编辑框_名称", .kind = K::LineEdit, .geometry = {72, 34, 160, 22}},
            {.name = "标签3", .kind = K::Label, .caption = QT_TRANSLATE_NOOP("QbText", "变量值："),
             .geometry = {21, 64, 48, 16}},
            {.name = "编辑框_值", .kind = K::LineEdit, .geometry = {72, 60, 249, 22}},
            {.name = "按钮1", .kind = K::Button, .caption = QT_TRANSLATE_NOOP("QbText", "确定"),
             .geometry = {79, 119, 72, 32}},
            {.name = "按钮2", .kind = K::Button, .caption = QT_TRANSLATE_NOOP("QbText", "取消"),
             .geometry = {182, 119, 72, 32}},
        },
        .tabOrder = {"编辑框_名称", "编辑框_值", "按钮1", "按钮2"}};
    return d;
}

VariableDialog::VariableDialog(QWidget *owner, ScriptEditor &editor)
    : DefinedWindow(windowDefinition(), owner)
    , m_editor(editor)
{
    connect(control<QPushButton>("按钮1"), &QPushButton::clicked, this, &VariableDialog::insertAndClose);
    connect(control<QPushButton>("按钮2"), &QPushButton::clicked, this, &VariableDialog::CloseWindow);
}

void VariableDialog::insertAndClose()
{
    m_editor.InsertAtCaret(variableText(control<QLineEdit>("编辑框_名称")->text(),
                                        control<QLineEdit>("编辑框_值")->text()));
    CloseWindow();
}

} // namespace Qb::Editor
