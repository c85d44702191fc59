// SPDX-License-Identifier: GPL-3.0-or-later
// Creating the native platform layer for the running session.
#pragma once

#include "platform/nativeplatform.h"

#include <memory>

namespace Qb::Platform {

// The X11 layer when Qt runs on xcb with a display and a connection of our own opens, the
// no-op layer otherwise. Prints one line on standard error when the session limits what the
// system-wide services can do (Wayland, XWayland). Never null.
// REQUIRES: a QGuiApplication exists.
std::unique_ptr<NativePlatform> createNativePlatform();

} // namespace Qb::Platform
