// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/ui/subroutinedialog.h"

#include "editor/templates.h"
#include "editor/ui/scripteditor.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace Qb::Editor {

namespace {
using K = Qb::Resources::ControlKind;
namespace Keys = Qb::Settings::Keys;

constexpr const char *PrefixEdit = "编辑框_前缀";
constexpr const char *NameEdit = "编辑框_子程名";
constexpr const char *ParametersEdit = "编辑框_参数";
} // namespace

const Qb::Resources::WindowDefinition &SubroutineDialog::windowDefinition()
{
    static const Qb::Resources::WindowDefinition d{
        .name = "插入子程序", .caption = QT_TRANSLATE_NOOP("QbText", "插入子程序"), .size = {338, 219},
        .controls = {
            {.name = "标签4", .kind = K::Label, .caption = QT_TRANSLATE_NOOP("QbText", "前缀："),
             .geometry = {32, 15, 32, 16}},
            {.name = PrefixEdit, .kind = K::LineEdit, .geometry = {70, 10, 146, 22}},
            {.name = "标签2", .kind = K::Label, .caption = QT_TRANSLATE_NOOP("QbText", "子程序名："),
             .geometry = {9, 43, 56, 16}},
            {.name = NameEdit, .kind = K::LineEdit, .geometry = {71, 39, 193, 22}},
            {.name = "标签3", .kind = K::Label, .caption = QT_TRANSLATE_NOOP("QbText", "参数："),
             .geometry = {32, 72, 32, 16}},
            {.name = ParametersEdit, .kind = K::LineEdit, .geometry = {71, 68, 252, 22}},
            {.name = "选择框_有返回值", .kind = K::CheckBox, .caption = QT_TRANSLATE_NOOP("QbText", "有返回值"),
             .geometry = {72, 94, 72, 20}},
            {.name = "按钮1", .kind = K::Button, .caption = QT_TRANSLATE_NOOP("QbText", "确定"),
             .geometry = {80, 125, 72, 32}},
            {.name = "按钮2", .kind = K::Button, .caption = QT_TRANSLATE_NOOP("QbText", "取消"),
             .geometry = {183, 125, 72, 32}},
        },
        .tabOrder = {NameEdit, ParametersEdit, "按钮1", "按钮2"}};
    return d;
}

SubroutineDialog::SubroutineDialog(QWidget *owner, ScriptEditor &editor,
                                   const Qb::Settings::AppSettings &settings)
    : DefinedWindow(windowDefinition(), owner)
    , m_editor(editor)
    , m_settings(settings)
{
    connect(control<QPushButton>("按钮1"), &QPushButton::clicked, this, &SubroutineDialog::insertAndClose);
    connect(control<QPushButton>("按钮2"), &QPushButton::clicked, this, &SubroutineDialog::CloseWindow);
}

QString SubroutineDialog::fieldText(const char *name) const
{
    return control<QLineEdit>(name)->text();
}

void SubroutineDialog::onCreated()
{
    control<QLineEdit>(NameEdit)->setText(m_settings.read(Keys::SubName));
    control<QLineEdit>(ParametersEdit)->setText(m_settings.read(Keys::SubParams));
    control<QLineEdit>(PrefixEdit)->setText(m_settings.read(Keys::SubPrefix));
}

void SubroutineDialog::insertAndClose()
{
    const bool hasReturn = control<QCheckBox>("选择框_有返回值")->isChecked();
    m_editor.InsertAtCaret(subroutineText(fieldText(PrefixEdit), fieldText(NameEdit),
                                          fieldText(ParametersEdit), hasReturn));
    CloseWindow();
}

void SubroutineDialog::onWillBeDestroyed()
{
    m_settings.write(Keys::SubName, fieldText(NameEdit));
    m_settings.write(Keys::SubParams, fieldText(ParametersEdit));
    m_settings.write(Keys::SubPrefix, fieldText(PrefixEdit));
}

} // namespace Qb::Editor
