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

// The modifier mask (Mod1Mask…) whose keys include one of `keysyms`, or `fallback`.
unsigned modifierHolding(Display *display, const XModifierKeymap *map, std::initializer_list<KeySym> keysyms,
                         unsigned fallback)
{
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int k = 0; k < map->max_keypermod; ++k) {
            const KeyCode code = map->modifiermap[modifier * map->max_keypermod + k];
            if (code == 0)
                continue;
            for (KeySym keysym : keysyms) {
                if (XKeysymToKeycode(display, keysym) == code)
                    return 1u << modifier;
            }
        }
    }
    return fallback;
}

} // namespace

X11GlobalHotkeys::X11GlobalHotkeys(X11Connection &connection, QObject *parent)
    : GlobalHotkeys(parent)
    , m_connection(connection)
{
    readModifierMapping();
    m_connection.setEventHandler([this](XEvent &event) { onEvent(event); });
}

void X11GlobalHotkeys::readModifierMapping()
{
    Display *display = m_connection.display();
    XModifierKeymap *map = XGetModifierMapping(display);
    if (!map) {
        m_altMask = Mod1Mask, m_superMask = Mod4Mask, m_numLockMask = Mod2Mask;
        return;
    }
    m_altMask = modifierHolding(display, map, {XK_Alt_L, XK_Alt_R, XK_Meta_L}, Mod1Mask);
    m_superMask = modifierHolding(display, map, {XK_Super_L, XK_Super_R}, Mod4Mask);
    m_numLockMask = modifierHolding(display, map, {XK_Num_Lock}, 0);
    XFreeModifiermap(map);
}

unsigned X11GlobalHotkeys::maskOf(unsigned modifiers) const
{
    unsigned mask = 0;
    if (modifiers & HotkeyModifier::Alt)
        mask |= m_altMask;
    if (modifiers & HotkeyModifier::Control)
        mask |= ControlMask;
    if (modifiers & HotkeyModifier::Shift)
        mask |= ShiftMask;
    if (modifiers & HotkeyModifier::Win)
        mask |= m_superMask;
    return mask;
}

std::vector<unsigned> X11GlobalHotkeys::lockVariants() const
{
    if (m_numLockMask == 0)
        return {0, LockMask};
    return {0, LockMask, m_numLockMask, LockMask | m_numLockMask};
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
    for (unsigned lock : lockVariants())
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
    for (unsigned lock : lockVariants())
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
            readModifierMapping();
        return;
    }
    if (event.type != KeyPress)
        return;
    const unsigned state = event.xkey.state & ModifierBits & ~(LockMask | m_numLockMask);
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
