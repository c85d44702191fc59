// SPDX-License-Identifier: GPL-3.0-or-later
// Which native platform layer a session gets, and the one line it says about it.
#pragma once

#include <QString>

namespace Qb::Platform {

enum class PlatformKind { X11, Null };

struct PlatformChoice
{
    PlatformKind kind = PlatformKind::Null;
    QString notice; // one line for standard error, empty when there is nothing to say
};

// `qtPlatform`: QGuiApplication::platformName(); `x11Display`: Qt's X11 display connection
// exists; `waylandSession`: WAYLAND_DISPLAY is set. X11 only with both xcb and a display.
PlatformChoice choosePlatform(const QString &qtPlatform, bool x11Display, bool waylandSession);

} // namespace Qb::Platform
