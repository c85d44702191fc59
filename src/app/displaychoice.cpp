// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/displaychoice.h"

#include "platform/displayprobe.h"

namespace Qb::App {

using namespace Qt::StringLiterals;

DisplayEnvironment DisplayEnvironment::current()
{
    return {qEnvironmentVariable("QT_QPA_PLATFORM"), qEnvironmentVariable("DISPLAY"),
            qEnvironmentVariable("WAYLAND_DISPLAY"), qEnvironmentVariable("XDG_SESSION_TYPE")};
}

DisplayProbes DisplayProbes::system()
{
    return {[](const QString &display) { return Platform::x11DisplayReachable(display); },
            [] { return Platform::qtPlatformPluginPresent(u"wayland"_s); }};
}

namespace {

DisplayChoice waylandSession(const DisplayEnvironment &env, const DisplayProbes &probes)
{
    if (!env.x11Display.isEmpty() && probes.x11Reachable(env.x11Display))
        return {u"xcb"_s, {}};
    if (probes.waylandPluginPresent())
        return {u"wayland"_s, {}};
    const QString x11 = env.x11Display.isEmpty()
                            ? u"no XWayland (DISPLAY is unset)"_s
                            : u"the X11 display \"%1\" does not answer"_s.arg(env.x11Display);
    return {{}, u"a Wayland session with %1, and Qt's Wayland platform plugin is not installed "
                "(package qt6-wayland)"_s.arg(x11)};
}

} // namespace

DisplayChoice chooseDisplay(const DisplayEnvironment &env, const DisplayProbes &probes)
{
    if (!env.qpaPlatform.isEmpty()) {
        if (env.qpaPlatform == "xcb"_L1 && env.x11Display.isEmpty())
            return {{}, u"no X11 display: DISPLAY is unset (QT_QPA_PLATFORM is xcb)"_s};
        return {};
    }
    if (!env.waylandDisplay.isEmpty() || env.sessionType == "wayland"_L1)
        return waylandSession(env, probes);
    if (!env.x11Display.isEmpty())
        return {};
    return {{}, u"no X11 or Wayland display: DISPLAY and WAYLAND_DISPLAY are unset"_s};
}

} // namespace Qb::App
