// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/ui/keyworddialog.h"

#include "platform/uitext.h"

#include "editor/keywords.h"
#include "editor/ui/scripteditor.h"
#include "resources/colourpicker.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>

namespace Qb::Editor {

namespace {
using K = Qb::Resources::ControlKind;

constexpr const char *KeywordEdit = "编辑框_关键字";
constexpr const char *KeywordList = "超级列表框1";
} // namespace

const Qb::Resources::WindowDefinition &KeywordDialog::windowDefinition()
{
    static const Qb::Resources::WindowDefinition d{
        .name = "添加关键字", .caption = QT_TRANSLATE_NOOP("QbText", "添加关键字"), .size = {341, 390},
        .controls = {
            {.name = "标签1", .kind = K::Label, .caption = QT_TRANSLATE_NOOP("QbText", "关键字："),
             .geometry = {5, 12, 48, 16}},
            {.name = KeywordEdit, .kind = K::LineEdit, .geometry = {56, 8, 192, 24}},
            {.name = KeywordList, .kind = K::ReportList, .geometry = {0, 42, 264, 312},
             .columns = {{QT_TRANSLATE_NOOP("QbText", "关键字"), 172}, {QT_TRANSLATE_NOOP("QbText", "颜色"), 80}}},
            {.name = "按钮_添加", .kind = K::Button, .caption = QT_TRANSLATE_NOOP("QbText", "添加"),
             .geometry = {269, 9, 56, 24}},
            {.name = "按钮_删除", .kind = K::Button, .caption = QT_TRANSLATE_NOOP("QbText", "删除"),
             .geometry = {269, 43, 56, 24}},
            {.name = "按钮1", .kind = K::Button, .caption = QT_TRANSLATE_NOOP("QbText", "确定"),
             .geometry = {269, 98, 60, 26}},
            {.name = "按钮2", .kind = K::Button, .caption = QT_TRANSLATE_NOOP("QbText", "取消"),
             .geometry = {269, 137, 60, 26}},
            {.name = "标签2", .kind = K::Label, .caption = QT_TRANSLATE_NOOP("QbText", "颜色："),
             .geometry = {271, 217, 33, 20}, .visible = false},
            {.name = "颜色选择器1", .kind = K::ColourPicker, .geometry = {270, 237, 41, 22}, .visible = false},
        }};
    return d;
}

KeywordDialog::KeywordDialog(QWidget *owner, ScriptEditor &editor, Qb::Library::SqlHelper &store)
    : DefinedWindow(windowDefinition(), owner)
    , m_editor(editor)
    , m_store(store)
{
    connect(control<QPushButton>("按钮_添加"), &QPushButton::clicked, this, &KeywordDialog::addKeyword);
    connect(control<QPushButton>("按钮_删除"), &QPushButton::clicked, this, &KeywordDialog::deleteKeyword);
    connect(control<QPushButton>("按钮1"), &QPushButton::clicked, this, &KeywordDialog::reloadAndClose);
    connect(control<QPushButton>("按钮2"), &QPushButton::clicked, this, &KeywordDialog::CloseWindow);
}

void KeywordDialog::onCreated()
{
    for (const KeywordRow &row : KeywordTable(m_store).rows())
        appendRow(row.keyword, row.colour);
}

void KeywordDialog::appendRow(const QString &keyword, const QString &colour)
{
    new QTreeWidgetItem(control<QTreeWidget>(KeywordList), QStringList{keyword, colour});
}

void KeywordDialog::notice(const QString &text)
{
    QMessageBox::information(this, QbText::tr("信息："), text);
}

void KeywordDialog::addKeyword()
{
    auto *edit = control<QLineEdit>(KeywordEdit);
    const QString keyword = edit->text();
    const QString colour = QString::number(control<Qb::Resources::ColourPicker>("颜色选择器1")->colourValue());
    switch (KeywordTable(m_store).add(keyword, colour)) {
    case AddKeywordResult::EmptyKeyword:
        return;
    case AddKeywordResult::Duplicate:
        notice(QbText::tr("此命令已经添加过"));
        return;
    case AddKeywordResult::Failed:
        notice(QbText::tr("添加失败"));
        return;
    case AddKeywordResult::Added:
        appendRow(keyword, colour);
        edit->clear();
        edit->setFocus();
        return;
    }
}

void KeywordDialog::deleteKeyword()
{
    auto *list = control<QTreeWidget>(KeywordList);
    QTreeWidgetItem *item = list->selectedItems().value(0);
    if (!item) {
        notice(QbText::tr("请选择要删除的项目"));
        return;
    }
    if (!KeywordTable(m_store).remove(item->text(0))) {
        notice(QbText::tr("删除失败"));
        return;
    }
    delete item;
    const QTreeWidgetItem *selected = list->selectedItems().value(0);
    const int row = selected ? list->indexOfTopLevelItem(const_cast<QTreeWidgetItem *>(selected)) : -1;
    if (row > 0)
        list->setCurrentItem(list->topLevelItem(row - 1));
}

void KeywordDialog::reloadAndClose()
{
    m_editor.LoadKeywords(m_store);
    CloseWindow();
}

} // namespace Qb::Editor
