// SPDX-License-Identifier: GPL-3.0-or-later
// Catching the X errors of chosen requests instead of letting Xlib end the program.
#pragma once

struct _XDisplay;

namespace Qb::Platform {

// Scoped: while it lives, errors caused by requests on `display` are recorded here instead of
// being reported. Traps nest (the innermost trap of a display catches). UI thread only.
class X11ErrorTrap
{
public:
    explicit X11ErrorTrap(_XDisplay *display);
    ~X11ErrorTrap();
    X11ErrorTrap(const X11ErrorTrap &) = delete;
    X11ErrorTrap &operator=(const X11ErrorTrap &) = delete;

    // Waits until the server has handled every request made so far, then returns the X error
    // code of the first error caught since the trap was set (0 = none).
    int sync();

    // Connections of the program's own (X11Connection) are adopted: an error on them that no
    // trap catches is printed on standard error and ignored, where Xlib's default handler would
    // end the process. Errors on other connections go to the handler installed before.
    static void adoptDisplay(_XDisplay *display);
    static void releaseDisplay(_XDisplay *display);

private:
    friend struct X11ErrorTrapAccess;
    _XDisplay *m_display;
    X11ErrorTrap *m_outer;
    int m_error = 0;
};

} // namespace Qb::Platform
