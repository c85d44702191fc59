// SPDX-License-Identifier: GPL-3.0-or-later
// Questions about the windows of the display: which window is under the pointer, where the
// pointer is and which of its buttons are down, where the keyboard focus is, and how a window's
// id reads for people.
#pragma once

#include <QPoint>
#include <QString>

#include <optional>

namespace Qb::Platform {

// A native window id of the display (an X window id under X11). Never 0 for a real window.
using WindowId = quint64;

// The pointer as the whole display sees it.
struct PointerState
{
    QPoint position;                // screen pixels
    bool leftButtonDown = false;
};

// Owned by NativePlatform; UI thread only. Every call is a synchronous round trip to the
// window system; none keeps state between calls.
class WindowSystem
{
public:
    virtual ~WindowSystem() = default;

    // The client window under the mouse pointer: the application's own top-level window, not a
    // window manager's frame around it and not a window inside it. The root window when the
    // pointer is over no window; nothing when the window system cannot tell (no display).
    virtual std::optional<WindowId> windowUnderPointer() = 0;
    // The client window (as above) holding the keyboard focus; nothing when no window has it.
    virtual std::optional<WindowId> focusedWindow() = 0;
    // True when the keyboard focus is in `window` or in a window inside it. Cheap enough to ask
    // for every key press.
    virtual bool focusIsIn(WindowId window) = 0;

    // Where the pointer is and whether its left button is held down, wherever it is: over
    // another program, or over the window manager's frame of this program's window (a title-bar
    // drag never reaches the program as a mouse event). Nothing when the window system cannot
    // tell (no display): the caller then asks its toolkit.
    virtual std::optional<PointerState> pointerState() = 0;

    // A window's id as it is shown to people: decimal.
    static QString displayId(WindowId id) { return QString::number(id); }
};

} // namespace Qb::Platform
