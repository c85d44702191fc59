// SPDX-License-Identifier: GPL-3.0-or-later
// The no-op native platform: every system-wide service reports itself unavailable and the
// program keeps working in its own editor.
#pragma once

#include "platform/nativeplatform.h"
#include "platform/null/nullcaretlocator.h"
#include "platform/null/nullglobalhotkeys.h"
#include "platform/null/nullinputmethodmonitor.h"
#include "platform/null/nullkeywatcher.h"
#include "platform/null/nulltextsender.h"
#include "platform/null/nullwindowsystem.h"

namespace Qb::Platform {

class NullNativePlatform final : public NativePlatform
{
public:
    QString name() const override { return QStringLiteral("null"); }
    GlobalHotkeys &globalHotkeys() override { return m_hotkeys; }
    WindowSystem &windowSystem() override { return m_windows; }
    KeyWatcher &keyWatcher() override { return m_keys; }
    TextSender &textSender() override { return m_text; }
    CaretLocator &caretLocator() override { return m_carets; }
    InputMethodMonitor &inputMethodMonitor() override { return m_inputMethods; }

private:
    NullGlobalHotkeys m_hotkeys;
    NullWindowSystem m_windows;
    NullKeyWatcher m_keys;
    NullTextSender m_text;
    NullCaretLocator m_carets;
    NullInputMethodMonitor m_inputMethods;
};

} // namespace Qb::Platform
