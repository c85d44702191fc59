// Questions about the windows of the display: which window is under the pointer, where the
// keyboard focus is, and how a window's id reads for people.
#pragma once

#include <QString>

#include <optional>

namespace Qb::Platform {

// A native window id of the display (an X window id under X11). Never 0 for a real window.
using WindowId = quint64;

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

    // A window's id as it is shown to people: decimal.
    static QString displayId(WindowId id) { return QString::number(id); }
};

} // namespace Qb::Platform
