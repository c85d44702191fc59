// SPDX-License-Identifier: GPL-3.0-or-later
// The shared main-window fixture of the widget tests.
#include "programwindow_support.h"

#include <QFile>
#include <QStringEncoder>
#include <QTest>

namespace Qb::Test {

bool writeGbkFile(const QString &path, const QByteArray &utf8)
{
    QFile file(path);
    const QByteArray bytes = QStringEncoder("GBK").encode(QString::fromUtf8(utf8));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

ProgramWindow::ProgramWindow(const QByteArray &ini)
{
    context.ProgramDirectory = dir.path();
    if (!ini.isEmpty())
        writeGbkFile(path(QStringLiteral("mlkpz.ini")), ini);
}

FakeNativePlatform *ProgramWindow::useFakePlatform()
{
    auto platform = std::make_unique<FakeNativePlatform>();
    fake = platform.get();
    context.Native = std::move(platform);
    return fake;
}

App::MainWindow *ProgramWindow::create()
{
    window = std::make_unique<App::MainWindow>(context);
    return window.get();
}

bool ProgramWindow::startShown()
{
    if (!window->OnMainWindowCreated())
        return false;
    window->show();
    return QTest::qWaitForWindowExposed(window.get());
}

} // namespace Qb::Test
