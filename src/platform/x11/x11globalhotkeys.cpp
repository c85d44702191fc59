// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/x11globalhotkeys.h"

#include "platform/x11/x11connection.h"
#include "platform/x11/x11errortrap.h"
#include "platform/x11/x11keymap.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <algorithm>

namespace Qb::Platform {

namespace {

constexpr unsigned ModifierBits = ShiftMask | ControlMask | Mod1Mask | Mod2Mask | Mod3Mask | Mod4Mask | Mod5Mask;

} // namespace

X11GlobalHotkeys::X11GlobalHotkeys(X11Connection &connection, QObject *parent)
    : GlobalHotkeys(parent)
    , m_connection(connection)
{
    m_masks = X11ModifierMasks::read(m_connection.display());
    m_connection.setEventHandler([this](XEvent &event) { onEvent(event); });
}

unsigned X11GlobalHotkeys::maskOf(unsigned modifiers) const
{
    unsigned mask = 0;
    if (modifiers & HotkeyModifier::Alt)
        mask |= m_masks.alt;
    if (modifiers & HotkeyModifier::Control)
        mask |= ControlMask;
    if (modifiers & HotkeyModifier::Shift)
        mask |= ShiftMask;
    if (modifiers & HotkeyModifier::Win)
        mask |= m_masks.super;
    return mask;
}

std::expected<void, HotkeyError> X11GlobalHotkeys::registerHotkey(int id, unsigned modifiers, int virtualKey)
{
    if (modifiers & ~HotkeyModifier::All)
        return std::unexpected(HotkeyError::UnsupportedModifiers);
    Display *display = m_connection.display();
    const KeySym keysym = keysymOfVirtualKey(virtualKey);
    const unsigned keycode = keysym == NoSymbol ? 0 : XKeysymToKeycode(display, keysym);
    if (keycode == 0)
        return std::unexpected(HotkeyError::UnknownKey);
    const unsigned mask = maskOf(modifiers);
    if (std::ranges::any_of(m_grabs, [&](const Grab &g) { return g.keycode == keycode && g.mask == mask; }))
        return std::unexpected(HotkeyError::AlreadyHeld);
    X11ErrorTrap trap(display);
    for (unsigned lock : m_masks.lockVariants())
        XGrabKey(display, int(keycode), mask | lock, m_connection.rootWindow(), False, GrabModeAsync, GrabModeAsync);
    if (const int error = trap.sync()) {
        // Withdraw the variants that did succeed: a half-held combination would work only in
        // some lock states.
        ungrab(keycode, mask);
        return std::unexpected(error == BadAccess ? HotkeyError::Taken : HotkeyError::UnknownKey);
    }
    m_grabs.push_back({id, keycode, mask});
    return {};
}

void X11GlobalHotkeys::ungrab(unsigned keycode, unsigned mask)
{
    Display *display = m_connection.display();
    X11ErrorTrap trap(display);
    for (unsigned lock : m_masks.lockVariants())
        XUngrabKey(display, int(keycode), mask | lock, m_connection.rootWindow());
    trap.sync();
}

void X11GlobalHotkeys::unregisterHotkey(int id)
{
    const auto grab = std::ranges::find(m_grabs, id, &Grab::id);
    if (grab == m_grabs.end())
        return;
    ungrab(grab->keycode, grab->mask);
    m_grabs.erase(grab);
}

void X11GlobalHotkeys::onEvent(XEvent &event)
{
    if (event.type == MappingNotify) {
        XRefreshKeyboardMapping(&event.xmapping);
        if (event.xmapping.request == MappingModifier)
            m_masks = X11ModifierMasks::read(m_connection.display());
        return;
    }
    if (event.type != KeyPress)
        return;
    const unsigned state = event.xkey.state & ModifierBits & ~(LockMask | m_masks.numLock);
    // Collected first: a receiver may register further hotkeys.
    std::vector<int> pressed;
    for (const Grab &grab : m_grabs) {
        if (grab.keycode == event.xkey.keycode && grab.mask == state)
            pressed.push_back(grab.id);
    }
    for (int id : pressed)
        emit activated(id);
}

} // namespace Qb::Platform
