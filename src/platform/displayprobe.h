// SPDX-License-Identifier: GPL-3.0-or-later
// Questions about the display that can be answered before Qt connects to one.
#pragma once

#include <QString>

namespace Qb::Platform {

// True when an X server listens for `display` (a DISPLAY value such as ":0", "unix:1.0").
// Local displays are tried as the X libraries do: the abstract socket, then the socket file
// <socketDir>/X<n>. A display on another host counts as reachable (its answer is Qt's to
// report). False for a text that is not a display name. Connects and closes at once; never
// blocks on a local socket.
bool x11DisplayReachable(const QString &display, const QString &socketDir = QStringLiteral("/tmp/.X11-unix"));

// True when Qt's platform plugin `name` (e.g. "wayland": libqwayland-*.so) is installed in Qt's
// plugin folder or in a folder of $QT_PLUGIN_PATH.
bool qtPlatformPluginPresent(const QString &name);

} // namespace Qb::Platform
