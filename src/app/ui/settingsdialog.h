// SPDX-License-Identifier: GPL-3.0-or-later
// 系统设置: the settings dialog (同时添加中文名, 窗口总在最前, 提示输入到目标窗口 and the capture
// hotkey).
#pragma once

#include "resources/shellwindows.h"
#include "settings/appsettings.h"

#include <functional>

namespace Qb::App {

// Modeless, owned by the main window; filled from the live state each time it opens and
// holding no state of its own. The check boxes write their setting and act the moment they
// are clicked; 确定 registers and stores the hotkey of the two fields, then closes. 关闭, Esc
// and the close box leave the hotkey alone.
class SettingsDialog : public Resources::SettingsWindow
{
    Q_OBJECT

public:
    // What the dialog acts on besides the settings file, provided by the main window.
    struct Host
    {
        std::function<bool()> alwaysOnTop;               // the window's current state
        std::function<void(bool)> setAlwaysOnTop;
        std::function<void(const QString &)> registerCaptureHotkey; // RegisterHotkeyText under 捕获窗口
        bool *typeIntoTarget = nullptr;                  // AppContext's TypeIntoTarget
    };

    // `addChineseName`: AppContext's AddChineseName, which outlives the dialog.
    SettingsDialog(QWidget *owner, const Settings::AppSettings &settings, bool &addChineseName, Host host);

protected:
    void onCreated() override;

private:
    void OnSettingsDialogCreated();
    void OnAddChineseNameClicked(bool ticked);
    void OnAlwaysOnTopClicked(bool ticked);
    void OnTypeIntoTargetClicked(bool ticked);
    void OnSettingsConfirmed();

    Settings::AppSettings m_settings;
    bool &m_addChineseName;
    Host m_host;
};

} // namespace Qb::App
