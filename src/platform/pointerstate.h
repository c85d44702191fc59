// The pointer as the whole desktop sees it: where it is and whether its left button is down,
// also while it is over another program's window or this program's window frame.
#pragma once

#include <QPoint>

namespace Qb::Platform {

struct PointerState
{
    QPoint position;        // screen pixels
    bool leftButtonDown = false;
};

// Reads the pointer now. On X11 the server is asked; elsewhere (offscreen, Wayland) the position
// is Qt's cursor position and the button is the state of the last mouse event this program saw.
// REQUIRES: a QGuiApplication exists.
PointerState queryPointer();

} // namespace Qb::Platform
