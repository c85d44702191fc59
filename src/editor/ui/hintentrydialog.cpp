// SPDX-License-Identifier: GPL-3.0-or-later
// 添加命令提示: its 确定 button.
#include "editor/ui/hintentrydialog.h"

#include "platform/uitext.h"

#include "editor/hinttable.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace Qb::Editor {

HintEntryDialog::HintEntryDialog(QWidget *owner, Qb::Library::SqlHelper &store)
    : HintEntryWindow(owner)
    , m_store(store)
{
    connect(control<QPushButton>("按钮1"), &QPushButton::clicked, this, &HintEntryDialog::addEntry);
}

void HintEntryDialog::notice(const QString &text)
{
    QMessageBox::information(this, QbText::tr("信息："), text);
}

void HintEntryDialog::addEntry()
{
    auto *name = control<QLineEdit>("编辑框1");
    auto *description = control<QLineEdit>("编辑框2");
    switch (HintTable(m_store).add(name->text(), description->text())) {
    case AddHintResult::EmptyName:
        return;
    case AddHintResult::Duplicate:
        notice(QbText::tr("此命令已经添加过"));
        return;
    case AddHintResult::Failed:
        notice(QbText::tr("添加失败"));
        return;
    case AddHintResult::Added:
        name->clear();
        description->clear();
        name->setFocus();
        return;
    }
}

} // namespace Qb::Editor
