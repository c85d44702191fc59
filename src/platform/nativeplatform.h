// SPDX-License-Identifier: GPL-3.0-or-later
// The window-system services the features call, gathered in one object chosen at run time:
// X11 when Qt runs on xcb with a display, the no-op services otherwise (Wayland, offscreen).
#pragma once

#include "platform/caretlocator.h"
#include "platform/globalhotkeys.h"
#include "platform/inputmethodmonitor.h"
#include "platform/keywatcher.h"
#include "platform/textsender.h"
#include "platform/windowsystem.h"

#include <QString>

namespace Qb::Platform {

// One instance for the whole program, owned by AppContext (created by createNativePlatform,
// platform/native/nativeplatformfactory.h, or a fake in tests). UI thread only. Each service
// is an interface of its own; a feature adds its service here as one more accessor.
class NativePlatform
{
public:
    virtual ~NativePlatform() = default;
    // "x11" when the system-wide services work, "null" when they are no-ops.
    virtual QString name() const = 0;
    virtual GlobalHotkeys &globalHotkeys() = 0;
    virtual WindowSystem &windowSystem() = 0;
    virtual KeyWatcher &keyWatcher() = 0;
    virtual TextSender &textSender() = 0;
    virtual CaretLocator &caretLocator() = 0;
    virtual InputMethodMonitor &inputMethodMonitor() = 0;
};

} // namespace Qb::Platform
