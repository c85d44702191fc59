// SPDX-License-Identifier: GPL-3.0-or-later
// The message boxes of the command library: notices "信息：", questions "询问：".
#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

namespace Qb::Library::Ui {

// A notice with one OK button and the caption "信息："; no icon unless given.
void showNotice(QWidget *parent, const QString &text, QMessageBox::Icon icon = QMessageBox::NoIcon);
// A Yes/No question with the question icon and the caption "询问："; true only for Yes.
bool askYesNo(QWidget *parent, const QString &text);
// 帮助(&B) → 说明: the "{}" rule, caption "说明：".
void showUsageNote(QWidget *parent);

} // namespace Qb::Library::Ui
