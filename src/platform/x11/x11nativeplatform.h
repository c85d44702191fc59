// SPDX-License-Identifier: GPL-3.0-or-later
// The native platform layer on an X11 display.
#pragma once

#include "platform/nativeplatform.h"
#include "platform/x11/x11caretlocator.h"
#include "platform/x11/x11connection.h"
#include "platform/x11/x11globalhotkeys.h"
#include "platform/x11/x11inputmethodmonitor.h"
#include "platform/x11/x11keywatcher.h"
#include "platform/x11/x11textsender.h"
#include "platform/x11/x11windowsystem.h"

#include <memory>

namespace Qb::Platform {

// The hotkey grabs and the window queries share one connection of their own, apart from Qt's,
// so their errors and events never meet Qt's. A service that reads events of its own kind
// (key recording) opens a further X11Connection.
class X11NativePlatform final : public NativePlatform
{
public:
    // nullptr when Qt does not run on xcb with a display or no connection opens.
    static std::unique_ptr<X11NativePlatform> create();
    static bool qtHasDisplay() { return X11Connection::qtHasDisplay(); }

    QString name() const override { return QStringLiteral("x11"); }
    GlobalHotkeys &globalHotkeys() override { return m_hotkeys; }
    WindowSystem &windowSystem() override { return m_windows; }
    KeyWatcher &keyWatcher() override { return m_keys; }
    TextSender &textSender() override { return m_text; }
    CaretLocator &caretLocator() override { return m_carets; }
    InputMethodMonitor &inputMethodMonitor() override { return m_inputMethods; }

private:
    explicit X11NativePlatform(std::unique_ptr<X11Connection> connection);

    std::unique_ptr<X11Connection> m_connection;
    X11GlobalHotkeys m_hotkeys;
    X11WindowSystem m_windows;
    X11KeyWatcher m_keys;        // on connections of its own
    X11TextSender m_text;        // on a connection of its own
    X11CaretLocator m_carets;    // window questions on the shared connection
    X11InputMethodMonitor m_inputMethods;
};

} // namespace Qb::Platform
