// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/native/nativeplatformfactory.h"

#include "platform/null/nullnativeplatform.h"
#include "platform/platformchoice.h"
#include "platform/x11/x11nativeplatform.h"

#include <QGuiApplication>

#include <cstdio>

namespace Qb::Platform {

std::unique_ptr<NativePlatform> createNativePlatform()
{
    const PlatformChoice choice = choosePlatform(QGuiApplication::platformName(), X11NativePlatform::qtHasDisplay(),
                                                 !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"));
    if (!choice.notice.isEmpty())
        std::fprintf(stderr, "%s\n", choice.notice.toLocal8Bit().constData());
    if (choice.kind == PlatformKind::X11) {
        if (std::unique_ptr<NativePlatform> x11 = X11NativePlatform::create())
            return x11;
    }
    return std::make_unique<NullNativePlatform>();
}

} // namespace Qb::Platform
