// SPDX-License-Identifier: GPL-3.0-or-later
// MainWindow: the hotkeys wiring. The native platform, the capture hotkey's registration and
// its presses, the target window and the settings dialog 系统设置.
#include "app/ui/mainwindow.h"

#include "platform/uitext.h"

#include "app/appcontext.h"
#include "app/ui/settingsdialog.h"
#include "hotkeys/hotkeyregistry.h"
#include "hotkeys/targetwindow.h"
#include "platform/native/nativeplatformfactory.h"

#include <QGuiApplication>
#include <QLabel>
#include <QWindow>

#include <algorithm>
#include <cstdio>

namespace Qb::App {

using namespace Qt::StringLiterals;
using Platform::HotkeyError;

namespace {

// With QUILLBOX_REPORT_HOTKEYS set, registrations, presses and the status texts they cause are
// also printed on standard output, one line each, for the end-to-end tests.
void report(const QString &line)
{
    static const bool on = qEnvironmentVariableIsSet("QUILLBOX_REPORT_HOTKEYS");
    if (!on)
        return;
    std::fputs(line.toUtf8().append('\n').constData(), stdout);
    std::fflush(stdout);
}

// The status text for a capture hotkey that does not work; empty when it works. A combination
// the program holds already still works.
QString registrationNotice(const QString &text, const Hotkeys::TextRegistration &result)
{
    const QString failed = QbText::tr("快捷键 %1 未能注册：").arg(text);
    if (!result)
        return failed + QbText::tr("格式无效");
    if (*result)
        return {};
    switch (result->error()) {
    case HotkeyError::Taken: return failed + QbText::tr("已被其他程序占用");
    case HotkeyError::Unavailable: return failed + QbText::tr("需要 X11 会话");
    case HotkeyError::UnknownKey: return failed + QbText::tr("没有这个键");
    case HotkeyError::UnsupportedModifiers: return failed + QbText::tr("修饰键无效");
    case HotkeyError::AlreadyHeld: break;
    }
    return {};
}

} // namespace

void MainWindow::wireHotkeys()
{
    if (!m_context.Native)
        m_context.Native = Platform::createNativePlatform();
    connect(&m_context.HotkeyRegistry, &Hotkeys::HotkeyRegistry::activated, this, &MainWindow::OnHotkey);
}

void MainWindow::startupInitHotkeyRegistry()
{
    m_context.HotkeyRegistry.Init(&m_context.Native->globalHotkeys());
}

void MainWindow::startupRegisterCaptureHotkey()
{
    registerCaptureHotkeyText(m_context.SettingsFile.read(Settings::Keys::CaptureHotkey));
}

void MainWindow::registerCaptureHotkeyText(const QString &text)
{
    const Hotkeys::TextRegistration result =
        Hotkeys::RegisterHotkeyText(m_context.HotkeyRegistry, text, Hotkeys::CaptureWindowName.toString());
    report(u"hotkey-register "_s + text + u' ' + QString::number(result && *result ? **result : 0));
    const QString notice = registrationNotice(text, result);
    if (!notice.isEmpty())
        showHotkeyStatus(notice);
}

void MainWindow::OnHotkey(int id)
{
    report(u"hotkey "_s + QString::number(id));
    if (m_context.HotkeyRegistry.NameOf(id) == Hotkeys::CaptureWindowName)
        CaptureWindowUnderPointer();
}

void MainWindow::CaptureWindowUnderPointer()
{
    const auto window = Hotkeys::CaptureWindowUnderPointer(m_context.TargetWindow, m_context.Native->windowSystem(),
                                                           [this](quint64 id) { return isOwnWindow(id); });
    if (window)
        showHotkeyStatus(QbText::tr("已锁定窗口：") + Platform::WindowSystem::displayId(*window));
}

bool MainWindow::isOwnWindow(quint64 id) const
{
    const QWindowList windows = QGuiApplication::topLevelWindows();
    return std::ranges::any_of(windows, [id](QWindow *w) { return w->handle() && w->winId() == id; });
}

void MainWindow::showHotkeyStatus(const QString &text)
{
    m_statusParts[0]->setText(text);
    m_statusParts[0]->setToolTip(text);
    report(u"status "_s + text);
}

bool MainWindow::alwaysOnTop() const
{
    return windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void MainWindow::openSettingsDialog()
{
    SettingsDialog::Host host{
        .alwaysOnTop = [this] { return alwaysOnTop(); },
        .setAlwaysOnTop = [this](bool onTop) { setAlwaysOnTop(onTop); },
        .registerCaptureHotkey = [this](const QString &text) { registerCaptureHotkeyText(text); },
        .typeIntoTarget = &m_context.TypeIntoTarget,
    };
    Resources::DefinedWindow::OpenWindow<SettingsDialog>(this, false, m_context.SettingsFile, m_context.AddChineseName,
                                                         std::move(host));
}

} // namespace Qb::App
