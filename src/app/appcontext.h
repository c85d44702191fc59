// SPDX-License-Identifier: GPL-3.0-or-later
// AppContext: the process-wide state, created at process start and released at exit.
#pragma once

#include "hotkeys/hotkeyregistry.h"
#include "hotkeys/targetwindow.h"
#include "library/sqlhelper.h"
#include "platform/nativeplatform.h"
#include "settings/appsettings.h"

#include <QString>

#include <memory>

namespace Qb::App {

// One instance for the whole process, owned by the application entry and handed to the main
// window. UI thread only. Other modules never see AppContext: they take the one field they need
// by reference (SqlHelper &, const AppSettings &, QString &currentScriptPath).
struct AppContext
{
    // The window-system services (hotkeys, window queries), created with the main window unless
    // a test has put a fake here first. Declared first so that it outlives its users below.
    std::unique_ptr<Platform::NativePlatform> Native;
    QString ProgramDirectory;               // where the settings file and the database live
    QString SettingsPath;                   // ProgramDirectory + "/mlkpz.ini"
    Settings::AppSettings SettingsFile;     // typed access to SettingsPath
    QString DatabasePath;                   // ProgramDirectory + "/qbxdb.mdb"
    Library::SqlHelper CommandStore;        // the one database connection
    bool HintsOn = false;                   // command hints enabled
    bool AddChineseName = false;            // option 同时添加中文名
    bool TypeIntoTarget = false;            // option 提示输入到目标窗口
    int TypeIntoTargetMethod = 0;           // [xitong] mbsrfs: 0 typing, 1 paste
    int NormalWidth = 0;                    // main window size when not edge-shrunk, pixels
    int NormalHeight = 0;
    int ShrinkStepX = 0;                    // shrink animation step, pixels
    int ShrinkStepY = 0;
    Hotkeys::HotkeyRegistry HotkeyRegistry; // system-wide hotkeys by name
    Hotkeys::TargetWindowState TargetWindow; // the watched window; `changed` tells its readers
    bool LeftButtonHeld = false;            // edge behaviour: the left button was held at the
                                            // last pointer reading inside the window
    QString CurrentScriptPath;              // script being edited, empty = none
};

} // namespace Qb::App
