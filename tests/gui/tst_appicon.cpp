// SPDX-License-Identifier: GPL-3.0-or-later
// The program icon: compiled into the binary from the same files the desktop entry installs,
// in every installed size, and used by the main window.
#include "app/appcontext.h"
#include "app/ui/mainwindow.h"
#include "resources/icons.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_AppIcon : public QObject
{
    Q_OBJECT
private slots:
    void icon_hasEveryInstalledSizeFromTheInstalledFiles()
    {
        const QIcon icon = Qb::Resources::mainWindowIcon();
        const QString source = qEnvironmentVariable("QUILLBOX_SOURCE");
        QVERIFY(!source.isEmpty());
        for (int side : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const QImage shown = icon.pixmap(QSize(side, side)).toImage();
            QCOMPARE(shown.size(), QSize(side, side));
            const QString file = u"%1/packaging/icons/hicolor/%2x%2/apps/quillbox.png"_s.arg(source).arg(side);
            const QImage installed(file);
            QVERIFY2(!installed.isNull(), qPrintable(file));
            QCOMPARE(shown.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                     installed.convertToFormat(QImage::Format_ARGB32_Premultiplied));
        }
    }

    void mainWindow_usesTheIcon()
    {
        QTemporaryDir home;
        Qb::App::AppContext context;
        context.ProgramDirectory = home.path();
        Qb::App::MainWindow window(context);
        const QImage expected = Qb::Resources::mainWindowIcon().pixmap(QSize(48, 48)).toImage();
        QCOMPARE(window.windowIcon().pixmap(QSize(48, 48)).toImage(), expected);
    }
};

QTEST_MAIN(tst_AppIcon)
#include "tst_appicon.moc"
