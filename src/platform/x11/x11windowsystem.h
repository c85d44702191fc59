// SPDX-License-Identifier: GPL-3.0-or-later
// Window queries on X11: the client window under the pointer and the focused window.
#pragma once

#include "platform/windowsystem.h"

#include <vector>

namespace Qb::Platform {

class X11Connection;

// Client windows are told apart from window-manager frames by the WM_STATE property that a
// window manager puts on the windows it manages; without a window manager the top-level
// windows (children of the root) are the clients.
class X11WindowSystem final : public WindowSystem
{
public:
    explicit X11WindowSystem(X11Connection &connection);

    std::optional<WindowId> windowUnderPointer() override;
    std::optional<WindowId> focusedWindow() override;
    bool focusIsIn(WindowId window) override;
    std::optional<PointerState> pointerState() override;

private:
    // Root's child under the pointer, its child under the pointer, … down to the deepest.
    // Nothing when a window vanished on the way.
    std::optional<std::vector<unsigned long>> pointerPath();
    // The window holding the focus (the deepest window under the pointer when the focus
    // follows the pointer); 0 when none, nothing on error.
    std::optional<unsigned long> focusWindow();
    // `window` and its ancestors up to, not including, the root; nothing on error.
    std::optional<std::vector<unsigned long>> ancestry(unsigned long window);
    bool hasWmState(unsigned long window);
    // The first window of `chain` that has WM_STATE, else `fallback`; nothing when the server
    // reported an error meanwhile (a window vanished).
    std::optional<unsigned long> clientAmong(const std::vector<unsigned long> &chain, unsigned long fallback);

    X11Connection &m_connection;
    unsigned long m_wmState = 0;
};

} // namespace Qb::Platform
