// SPDX-License-Identifier: GPL-3.0-or-later
// The no-op native platform: every system-wide service reports itself unavailable and the
// program keeps working in its own editor.
#pragma once

#include "platform/nativeplatform.h"
#include "platform/null/nullglobalhotkeys.h"
#include "platform/null/nullkeywatcher.h"
#include "platform/null/nullwindowsystem.h"

namespace Qb::Platform {

class NullNativePlatform final : public NativePlatform
{
public:
    QString name() const override { return QStringLiteral("null"); }
    GlobalHotkeys &globalHotkeys() override { return m_hotkeys; }
    WindowSystem &windowSystem() override { return m_windows; }
    KeyWatcher &keyWatcher() override { return m_keys; }

private:
    NullGlobalHotkeys m_hotkeys;
    NullWindowSystem m_windows;
    NullKeyWatcher m_keys;
};

} // namespace Qb::Platform
