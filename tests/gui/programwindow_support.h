// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the widget tests of the started program: a main window on a temporary program
// directory, with the settings file and the platform a test asks for.
#pragma once

#include "app/appcontext.h"
#include "app/ui/mainwindow.h"
#include "settings/appsettings.h"
#include "support/fakeplatform.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace Qb::Test {

// Writes `utf8` to `path` converted to GBK, as the program stores its settings file; false when
// the file cannot be written.
bool writeGbkFile(const QString &path, const QByteArray &utf8);

// A temporary program directory, the AppContext on it and, once create() is called, the main
// window; a test puts its settings, library or fake platform in place before create(). Members
// are destroyed window first, directory last.
struct ProgramWindow
{
    QTemporaryDir dir;
    App::AppContext context;
    FakeNativePlatform *fake = nullptr; // owned by context.Native; null without useFakePlatform()
    std::unique_ptr<App::MainWindow> window;

    // `ini`: the settings file's text in UTF-8 (empty: no settings file).
    explicit ProgramWindow(const QByteArray &ini = {});

    // REQUIRES: before create(). The fake platform takes the place of the session's own.
    FakeNativePlatform *useFakePlatform();
    App::MainWindow *create();
    // The start-up sequence, then shown and exposed; false when either fails.
    bool startShown();

    QString path(const QString &name) const { return dir.filePath(name); }
    Settings::AppSettings settings() const { return Settings::AppSettings(path(QStringLiteral("mlkpz.ini"))); }
};

} // namespace Qb::Test
