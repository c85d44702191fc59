// SPDX-License-Identifier: GPL-3.0-or-later
// Catching the message box a click brings up.
#include "messagebox_support.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

namespace Qb::Test {

QString clickCatchingMessage(QWidget *button)
{
    QString text;
    bool ran = false;
    QTimer::singleShot(0, [&text, &ran] {
        ran = true;
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        const bool notice = box->windowTitle() == QStringLiteral("信息：") && box->buttons().size() == 1;
        text = notice ? box->text() : QStringLiteral("<wrong box>");
        box->accept();
    });
    QTest::mouseClick(button, Qt::LeftButton);
    // Without a box the catcher is still pending: it runs here, while `text` lives.
    if (!QTest::qWaitFor([&ran] { return ran; }))
        return QStringLiteral("<catcher did not run>");
    return text;
}

} // namespace Qb::Test
