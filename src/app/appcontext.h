// AppContext: the process-wide state, created at process start and released at exit.
#pragma once

#include "library/sqlhelper.h"
#include "settings/appsettings.h"

#include <QString>

namespace Qb::App {

// One instance for the whole process, owned by the application entry and handed to the main
// window. UI thread only. Other modules never see AppContext: they take the one field they need
// by reference (SqlHelper &, const AppSettings &, QString &currentScriptPath).
struct AppContext
{
    QString ProgramDirectory;               // where the settings file and the database live
    QString SettingsPath;                   // ProgramDirectory + "/mlkpz.ini"
    Settings::AppSettings SettingsFile;     // typed access to SettingsPath
    QString DatabasePath;                   // ProgramDirectory + "/qbxdb.mdb"
    Library::SqlHelper CommandStore;        // the one database connection
    bool HintsOn = false;                   // command hints enabled
    bool AddChineseName = false;            // option 同时添加中文名
    int NormalWidth = 0;                    // main window size when not edge-shrunk, pixels
    int NormalHeight = 0;
    int ShrinkStepX = 0;                    // shrink animation step, pixels
    int ShrinkStepY = 0;
    quintptr TargetWindow = 0;              // native id of the watched window, 0 = none
    QString CurrentScriptPath;              // script being edited, empty = none
};

} // namespace Qb::App
