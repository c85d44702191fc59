// SPDX-License-Identifier: GPL-3.0-or-later
// The 添加分类 dialog.
#include "library/ui/categorydialog.h"

#include "platform/uitext.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace Qb::Library::Ui {

CategoryDialog::CategoryDialog(QWidget *owner, PendingCategory &pending)
    : CategoryWindow(owner), m_pending(pending)
{
    connect(control<QPushButton>("按钮1"), &QPushButton::clicked, this, &CategoryDialog::confirm);
}

void CategoryDialog::onCreated()
{
    if (!m_pending.name.isEmpty()) {
        auto *name = control<QLineEdit>("编辑框2");
        name->setText(m_pending.name);
        name->setEnabled(false); // the description is changed here, never the name
        setWindowTitle(QbText::tr("修改分类说明"));
        control<QPlainTextEdit>("编辑框1")->setPlainText(m_pending.description);
    }
    m_pending = {};
}

void CategoryDialog::confirm()
{
    m_pending.name = control<QLineEdit>("编辑框2")->text();
    m_pending.description = control<QPlainTextEdit>("编辑框1")->toPlainText();
    CloseWindow();
}

} // namespace Qb::Library::Ui
