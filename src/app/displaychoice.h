// SPDX-License-Identifier: GPL-3.0-or-later
// Which Qt platform the program starts on, decided before the application object exists.
#pragma once

#include <QString>

#include <functional>

namespace Qb::App {

// The environment variables that decide the display.
struct DisplayEnvironment
{
    QString qpaPlatform;     // QT_QPA_PLATFORM
    QString x11Display;      // DISPLAY
    QString waylandDisplay;  // WAYLAND_DISPLAY
    QString sessionType;     // XDG_SESSION_TYPE

    static DisplayEnvironment current();
};

// What the decision may ask the system; tests give fakes.
struct DisplayProbes
{
    std::function<bool(const QString &display)> x11Reachable;
    std::function<bool()> waylandPluginPresent;

    static DisplayProbes system();
};

struct DisplayChoice
{
    QString platform;  // the value for QT_QPA_PLATFORM; empty: leave Qt's own choice
    QString error;     // not empty: no display can be used; one line without the program name
};

// The rules, in order:
//  1. QT_QPA_PLATFORM set: it is kept (tests use offscreen); only "xcb" without DISPLAY fails.
//  2. A Wayland session (WAYLAND_DISPLAY set, or XDG_SESSION_TYPE "wayland"): xcb through
//     XWayland when DISPLAY answers, so the system-wide hotkeys and key watching work for X
//     clients; otherwise the native Wayland platform when Qt's plugin for it is installed.
//  3. DISPLAY set: Qt's default (xcb). Whether the server answers is left to Qt, whose failure
//     the application entry turns into one line as well.
//  4. Nothing set: an error naming the two variables.
DisplayChoice chooseDisplay(const DisplayEnvironment &env, const DisplayProbes &probes);

} // namespace Qb::App
