// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/x11windowsystem.h"

#include "platform/x11/x11connection.h"
#include "platform/x11/x11errortrap.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>

namespace Qb::Platform {

namespace {

constexpr int MaxDepth = 64; // a guard against a looping tree while windows change under us

} // namespace

X11WindowSystem::X11WindowSystem(X11Connection &connection)
    : m_connection(connection)
    , m_wmState(XInternAtom(connection.display(), "WM_STATE", False))
{
}

std::optional<std::vector<unsigned long>> X11WindowSystem::pointerPath()
{
    Display *display = m_connection.display();
    X11ErrorTrap trap(display);
    std::vector<unsigned long> path;
    Window window = m_connection.rootWindow();
    for (int depth = 0; depth < MaxDepth; ++depth) {
        Window root = 0, child = 0;
        int rootX, rootY, x, y;
        unsigned mask;
        if (!XQueryPointer(display, window, &root, &child, &rootX, &rootY, &x, &y, &mask) || child == None)
            break;
        path.push_back(child);
        window = child;
    }
    if (trap.sync() != 0)
        return std::nullopt;
    return path;
}

bool X11WindowSystem::hasWmState(unsigned long window)
{
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char *data = nullptr;
    const int status = XGetWindowProperty(m_connection.display(), window, m_wmState, 0, 0, False, AnyPropertyType,
                                          &type, &format, &items, &after, &data);
    if (data)
        XFree(data);
    return status == Success && type != None;
}

std::optional<unsigned long> X11WindowSystem::clientAmong(const std::vector<unsigned long> &chain,
                                                          unsigned long fallback)
{
    X11ErrorTrap trap(m_connection.display());
    const auto client = std::ranges::find_if(chain, [this](unsigned long w) { return hasWmState(w); });
    const unsigned long window = client != chain.end() ? *client : fallback;
    if (trap.sync() != 0)
        return std::nullopt;
    return window;
}

std::optional<WindowId> X11WindowSystem::windowUnderPointer()
{
    const auto path = pointerPath();
    if (!path)
        return std::nullopt;
    if (path->empty())
        return m_connection.rootWindow();
    return clientAmong(*path, path->front());
}

std::optional<unsigned long> X11WindowSystem::focusWindow()
{
    Window focus = None;
    int revert = 0;
    {
        X11ErrorTrap trap(m_connection.display());
        XGetInputFocus(m_connection.display(), &focus, &revert);
        if (trap.sync() != 0)
            return std::nullopt;
    }
    if (focus != PointerRoot)
        return focus;
    const auto path = pointerPath();
    if (!path)
        return std::nullopt;
    return path->empty() ? m_connection.rootWindow() : path->back();
}

std::optional<std::vector<unsigned long>> X11WindowSystem::ancestry(unsigned long window)
{
    Display *display = m_connection.display();
    X11ErrorTrap trap(display);
    std::vector<unsigned long> chain;
    const Window rootWindow = m_connection.rootWindow();
    for (int depth = 0; depth < MaxDepth && window != rootWindow && window != None; ++depth) {
        chain.push_back(window);
        Window root = 0, parent = 0;
        Window *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display, window, &root, &parent, &children, &count))
            return std::nullopt;
        if (children)
            XFree(children);
        window = parent;
    }
    if (trap.sync() != 0)
        return std::nullopt;
    return chain;
}

std::optional<WindowId> X11WindowSystem::focusedWindow()
{
    const auto focus = focusWindow();
    if (!focus || *focus == None)
        return std::nullopt;
    if (*focus == m_connection.rootWindow())
        return *focus;
    const auto chain = ancestry(*focus);
    if (!chain || chain->empty())
        return std::nullopt;
    return clientAmong(*chain, chain->back());
}

bool X11WindowSystem::focusIsIn(WindowId window)
{
    const auto focus = focusWindow();
    if (!focus || *focus == None || window == 0)
        return false;
    if (window == m_connection.rootWindow())
        return true;
    const auto chain = ancestry(*focus);
    return chain && std::ranges::find(*chain, window) != chain->end();
}

std::optional<PointerState> X11WindowSystem::pointerState()
{
    Display *display = m_connection.display();
    X11ErrorTrap trap(display);
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned mask = 0;
    // False when the pointer is on another screen of the display: its position is unknown here.
    const bool sameScreen = XQueryPointer(display, m_connection.rootWindow(), &root, &child, &rootX, &rootY, &x, &y,
                                          &mask);
    if (trap.sync() != 0 || !sameScreen)
        return std::nullopt;
    return PointerState{QPoint(rootX, rootY), (mask & Button1Mask) != 0};
}

} // namespace Qb::Platform
