// SPDX-License-Identifier: GPL-3.0-or-later
// A plain Qt text window for the end-to-end tests: one QPlainTextEdit, titled by the first
// argument, at the geometry of the second (WxH+X+Y). Qt reports its caret on the accessibility
// bus when QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 is set.
#include <QApplication>
#include <QPlainTextEdit>
#include <QRegularExpression>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QPlainTextEdit edit;
    const QStringList args = app.arguments();
    edit.setWindowTitle(args.value(1, QStringLiteral("Qt Text")));
    const QRegularExpressionMatch g =
        QRegularExpression(QStringLiteral("^(\\d+)x(\\d+)\\+(\\d+)\\+(\\d+)$")).match(args.value(2));
    if (g.hasMatch())
        edit.setGeometry(g.captured(3).toInt(), g.captured(4).toInt(), g.captured(1).toInt(), g.captured(2).toInt());
    edit.show();
    return app.exec();
}
