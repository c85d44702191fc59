// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up, LoadSettings and shut-down in their fixed orders.
#include "app/startupsequence.h"

#include "app/appcontext.h"

#include <cmath>

namespace Qb::App {

bool runStartup(StartupSteps &steps)
{
    steps.locateSettings();
    steps.locateDatabase();
    if (!steps.openDatabase())
        return false;
    steps.buildCategoryTree();
    steps.loadSettings();
    if (steps.hintsOn())
        steps.installKeyboardHook();
    steps.subclassMainWindow();
    steps.addTrayIcon();
    steps.setCaption();
    steps.initHotkeyRegistry();
    steps.registerCaptureHotkey();
    steps.reopenLastScript();
    steps.configureEditor();
    steps.loadKeywords();
    steps.restoreFileBrowser();
    return true;
}

void LoadSettings(const Settings::AppSettings &settings, AppContext &context, LoadSettingsTarget &target)
{
    namespace Keys = Settings::Keys;
    target.loadHintWindow();
    if (settings.readBool(Keys::Mlts)) {
        target.checkHintsItem(true);
        context.HintsOn = true;
    }
    if (settings.readBool(Keys::Zzzq))
        target.setAlwaysOnTop(true);
    if (settings.readBool(Keys::Tstjzwm))
        context.AddChineseName = true;
    if (settings.readBool(Keys::Gbgz))
        target.checkCursorTrackingItem(true);
    context.TypeIntoTarget = settings.readBool(Keys::Mbsr);
    context.TypeIntoTargetMethod = settings.readInt(Keys::Mbsrfs);
    context.NormalWidth = settings.readInt(Keys::Width);
    context.NormalHeight = settings.readInt(Keys::Height);
    target.resizeWindow(context.NormalWidth, context.NormalHeight);
    const int left = settings.readInt(Keys::Left);
    const int top = settings.readInt(Keys::Top);
    target.moveWindow(left, top);
    context.ShrinkStepX = settings.readInt(Keys::ShrinkSpeed);
    context.ShrinkStepY = int(std::trunc(double(context.ShrinkStepX) * 3.0));
}

void runShutdown(ShutdownSteps &steps)
{
    steps.closeDatabase();
    if (steps.treeItemSelected())
        steps.rememberCurrentCategory();
    if (steps.keyboardHookInstalled())
        steps.removeKeyboardHook();
    if (steps.hintWindowLoaded())
        steps.destroyHintWindow();
    if (!steps.minimised() && !steps.edgeShrunk())
        steps.storePosition();
}

} // namespace Qb::App
