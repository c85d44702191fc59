// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/x11errortrap.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace Qb::Platform {

namespace {

X11ErrorTrap *innermost = nullptr;
std::vector<Display *> ownDisplays;
XErrorHandler previousHandler = nullptr;
bool handlerInstalled = false;

} // namespace

struct X11ErrorTrapAccess
{
    static bool catchError(Display *display, int code)
    {
        for (X11ErrorTrap *trap = innermost; trap; trap = trap->m_outer) {
            if (trap->m_display == display) {
                if (trap->m_error == 0)
                    trap->m_error = code;
                return true;
            }
        }
        return false;
    }
};

namespace {

int onXError(Display *display, XErrorEvent *event)
{
    if (X11ErrorTrapAccess::catchError(display, event->error_code))
        return 0;
    if (std::ranges::find(ownDisplays, display) != ownDisplays.end()) {
        char text[160] = {};
        XGetErrorText(display, event->error_code, text, sizeof text);
        std::fprintf(stderr, "quillbox: X error ignored: %s (request %d)\n", text, int(event->request_code));
        return 0;
    }
    return previousHandler ? previousHandler(display, event) : 0;
}

void installHandler()
{
    if (handlerInstalled)
        return;
    previousHandler = XSetErrorHandler(onXError);
    handlerInstalled = true;
}

} // namespace

X11ErrorTrap::X11ErrorTrap(_XDisplay *display)
    : m_display(display)
    , m_outer(innermost)
{
    installHandler();
    // Errors of requests made before the trap belong to whoever made them.
    XSync(m_display, False);
    m_error = 0;
    innermost = this;
}

X11ErrorTrap::~X11ErrorTrap()
{
    XSync(m_display, False);
    innermost = m_outer;
}

int X11ErrorTrap::sync()
{
    XSync(m_display, False);
    return m_error;
}

void X11ErrorTrap::adoptDisplay(_XDisplay *display)
{
    installHandler();
    ownDisplays.push_back(display);
}

void X11ErrorTrap::releaseDisplay(_XDisplay *display)
{
    std::erase(ownDisplays, display);
}

} // namespace Qb::Platform
