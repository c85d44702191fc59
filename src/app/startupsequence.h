// SPDX-License-Identifier: GPL-3.0-or-later
// The fixed orders of start-up, LoadSettings and shut-down. The main window provides each step;
// these functions decide which steps run and in which order, so the order is tested without a
// display.
#pragma once

#include "settings/appsettings.h"

namespace Qb::App {

struct AppContext;

// The steps of the main window's "created" event, in the order they run.
class StartupSteps
{
public:
    virtual ~StartupSteps() = default;
    virtual void locateSettings() = 0;          // SettingsPath
    virtual void locateDatabase() = 0;          // DatabasePath; a missing file is created empty
    virtual bool openDatabase() = 0;            // false: start-up ends here, the process exits
    virtual void buildCategoryTree() = 0;
    virtual void loadSettings() = 0;
    virtual bool hintsOn() const = 0;
    virtual void installKeyboardHook() = 0;     // only when hints are on
    virtual void subclassMainWindow() = 0;
    virtual void addTrayIcon() = 0;
    virtual void setCaption() = 0;
    virtual void initHotkeyRegistry() = 0;
    virtual void registerCaptureHotkey() = 0;
    virtual void reopenLastScript() = 0;
    virtual void configureEditor() = 0;
    virtual void loadKeywords() = 0;
    virtual void restoreFileBrowser() = 0;
};

// Runs the start-up sequence. Returns false when the database could not be opened (nothing
// after that step has run).
bool runStartup(StartupSteps &steps);

// What LoadSettings changes on the main window, in the order it changes it.
class LoadSettingsTarget
{
public:
    virtual ~LoadSettingsTarget() = default;
    virtual void loadHintWindow() = 0;
    virtual void checkHintsItem(bool checked) = 0;       // menu item 命令提示
    virtual void setAlwaysOnTop(bool onTop) = 0;
    virtual void checkCursorTrackingItem(bool checked) = 0; // menu item 光标跟踪
    virtual void resizeWindow(int width, int height) = 0;  // keeps the position
    virtual void moveWindow(int left, int top) = 0;
};

// LoadSettings: reads the keys in their fixed order and applies them to `context` and `target`.
// Only a true 命令提示 or 总在最前 value acts; false values leave things as they are.
void LoadSettings(const Settings::AppSettings &settings, AppContext &context, LoadSettingsTarget &target);

// The steps of the main window's "will be destroyed" event, in the order they run.
class ShutdownSteps
{
public:
    virtual ~ShutdownSteps() = default;
    virtual void closeDatabase() = 0;           // current result set first, then the connection
    virtual bool treeItemSelected() const = 0;
    virtual void rememberCurrentCategory() = 0; // only when a tree item is selected
    virtual bool keyboardHookInstalled() const = 0;
    virtual void removeKeyboardHook() = 0;
    virtual bool hintWindowLoaded() const = 0;
    virtual void destroyHintWindow() = 0;
    virtual bool minimised() const = 0;
    virtual bool edgeShrunk() const = 0;
    virtual void storePosition() = 0;           // only when neither minimised nor edge-shrunk
};

void runShutdown(ShutdownSteps &steps);

} // namespace Qb::App
