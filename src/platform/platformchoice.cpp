// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/platformchoice.h"

namespace Qb::Platform {

using namespace Qt::StringLiterals;

PlatformChoice choosePlatform(const QString &qtPlatform, bool x11Display, bool waylandSession)
{
    if (qtPlatform == "xcb"_L1 && x11Display) {
        if (!waylandSession)
            return {PlatformKind::X11, {}};
        return {PlatformKind::X11, u"quillbox: running through XWayland: the system-wide hotkey and "
                                   "command hints do not see native Wayland windows"_s};
    }
    if (qtPlatform.startsWith("wayland"_L1)) {
        return {PlatformKind::Null, u"quillbox: the system-wide hotkey and command hints in other "
                                    "programs need an X11 session (or XWayland); they are off"_s};
    }
    return {PlatformKind::Null, {}};
}

} // namespace Qb::Platform
