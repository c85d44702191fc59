// SPDX-License-Identifier: GPL-3.0-or-later
// The shell's secondary windows on the DefinedWindow base: 关于, 命令说明, 系统设置, 命令添加,
// 添加分类 and 添加命令提示. Each carries its controls and the behaviour that belongs to the
// window itself (closing, resizing, its version label); the Parts that own a dialog's action
// subclass it or connect to its buttons.
#pragma once

#include "resources/definedwindow.h"

#include "platform/uitext.h"
#include "settings/appsettings.h"

class QPlainTextEdit;

namespace Qb::Resources {

// 关于: modal; 按钮1 closes it.
class AboutWindow : public DefinedWindow
{
    Q_OBJECT
public:
    explicit AboutWindow(QWidget *owner);
    static QString versionText() { return QbText::tr("版本：%1").arg(QStringLiteral("1.0.0.0")); }

protected:
    void onCreated() override;
};

// 命令说明: modeless, thin resizable frame at (50, 50) until the main window moves it. Its edit
// box fills the client area. Closing it by the user (close box, Esc) records 提示窗 := "假";
// when the main window goes first it is destroyed without that write.
class DescriptionWindow : public DefinedWindow
{
    Q_OBJECT
public:
    DescriptionWindow(QWidget *owner, const Settings::AppSettings &settings);

    void setDescription(const QString &text);
    QString description() const;

protected:
    void onResized() override;
    bool onMayClose() override;

private:
    Settings::AppSettings m_settings;
};

// 系统设置: modeless; 按钮2 closes it.
class SettingsWindow : public DefinedWindow
{
    Q_OBJECT
public:
    explicit SettingsWindow(QWidget *owner);
};

// 命令添加: modal, resizable. Resized with client size CW × CH: 编辑框_说明 becomes
// (CW − 70) × (CH − 150); 按钮_添加 and 按钮2 move to top CH − 50. 按钮2 closes it.
class CommandAddWindow : public DefinedWindow
{
    Q_OBJECT
public:
    explicit CommandAddWindow(QWidget *owner);

protected:
    void onResized() override;
};

// 添加分类 (also "修改分类说明" when its caller sets that caption): modal; 按钮2 closes it.
class CategoryWindow : public DefinedWindow
{
    Q_OBJECT
public:
    explicit CategoryWindow(QWidget *owner);
};

// 添加命令提示: modal, empty caption, minimise button; 按钮2 closes it.
class HintEntryWindow : public DefinedWindow
{
    Q_OBJECT
public:
    explicit HintEntryWindow(QWidget *owner);
};

// Connects the button named `name` of `window` to CloseWindow.
void closeOnClick(DefinedWindow *window, const char *name);

} // namespace Qb::Resources
