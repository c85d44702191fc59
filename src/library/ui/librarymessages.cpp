// SPDX-License-Identifier: GPL-3.0-or-later
// Message boxes of the command library.
#include "library/ui/librarymessages.h"

#include "platform/uitext.h"

namespace Qb::Library::Ui {

namespace {

void showBox(QWidget *parent, const QString &caption, const QString &text, QMessageBox::Icon icon)
{
    QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace

void showNotice(QWidget *parent, const QString &text, QMessageBox::Icon icon)
{
    showBox(parent, QbText::tr("信息："), text, icon);
}

bool askYesNo(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Question, QbText::tr("询问："), text, QMessageBox::Yes | QMessageBox::No,
                    parent);
    return box.exec() == QMessageBox::Yes;
}

void showUsageNote(QWidget *parent)
{
    showBox(parent, QbText::tr("说明："), QbText::tr("命令名后加“{}”时，双击命令将发送说明内容。"),
            QMessageBox::NoIcon);
}

} // namespace Qb::Library::Ui
