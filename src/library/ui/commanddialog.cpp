// SPDX-License-Identifier: GPL-3.0-or-later
// The 命令添加 dialog.
#include "library/ui/commanddialog.h"

#include "platform/uitext.h"

#include "library/ui/librarymessages.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace Qb::Library::Ui {

CommandDialog::CommandDialog(QWidget *owner, SqlHelper &store, TreeItems &tree, CommandEditor::Mode mode)
    : CommandAddWindow(owner), m_store(store), m_tree(tree), m_editor(mode)
{
    connect(control<QPushButton>("按钮_添加"), &QPushButton::clicked, this, &CommandDialog::storeCommand);
}

QString CommandDialog::messageFor(StoreResult result)
{
    switch (result) {
    case StoreResult::NoCategory: return QbText::tr("请选择分类");
    case StoreResult::NoName: return QbText::tr("请输入命令名");
    case StoreResult::Duplicate: return QbText::tr("此命令已经添加过");
    case StoreResult::AddFailed: return QbText::tr("添加失败");
    case StoreResult::UpdateFailed: return QbText::tr("修改失败");
    case StoreResult::Added:
    case StoreResult::Updated: break;
    }
    return {};
}

void CommandDialog::onCreated()
{
    const bool modify = m_editor.mode() == CommandEditor::Mode::Modify;
    control<QPushButton>("按钮_添加")->setText(modify ? QbText::tr("修改") : QbText::tr("添加"));
    const CommandDialogContents c = m_editor.open(m_store, m_tree);
    auto *categories = control<QComboBox>("组合框_分类");
    for (const CategoryChoice &choice : c.categories)
        categories->addItem(choice.name, choice.number);
    categories->setCurrentIndex(c.selectedCategory);
    control<QComboBox>("组合框_类型")->setCurrentIndex(c.selectedType);
    if (!modify)
        return;
    control<QLineEdit>("编辑框_命令名")->setText(c.name);
    control<QLineEdit>("编辑框_中文名")->setText(c.chineseName);
    control<QPlainTextEdit>("编辑框_说明")->setPlainText(c.description);
}

CommandInput CommandDialog::input() const
{
    const auto *categories = control<QComboBox>("组合框_分类");
    return {categories->currentIndex() < 0 ? 0 : categories->currentData().toLongLong(),
            control<QLineEdit>("编辑框_命令名")->text(), control<QLineEdit>("编辑框_中文名")->text(),
            Library::commandTypes().value(control<QComboBox>("组合框_类型")->currentIndex()),
            control<QPlainTextEdit>("编辑框_说明")->toPlainText()};
}

void CommandDialog::storeCommand()
{
    const StoreResult result = m_editor.store(m_store, m_tree, input());
    if (result == StoreResult::Updated) {
        CloseWindow();
        return;
    }
    if (result == StoreResult::Added) {
        control<QLineEdit>("编辑框_命令名")->clear();
        control<QLineEdit>("编辑框_中文名")->clear();
        control<QPlainTextEdit>("编辑框_说明")->clear();
        return;
    }
    showNotice(this, messageFor(result));
}

} // namespace Qb::Library::Ui
