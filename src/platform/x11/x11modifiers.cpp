// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/x11modifiers.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <initializer_list>

namespace Qb::Platform {

namespace {

// The modifier bit (Mod1Mask…) whose keys include one of `keysyms`, or `fallback`.
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

X11ModifierMasks X11ModifierMasks::read(_XDisplay *display)
{
    XModifierKeymap *map = XGetModifierMapping(display);
    if (!map)
        return {Mod1Mask, Mod4Mask, Mod2Mask};
    X11ModifierMasks masks;
    masks.alt = modifierHolding(display, map, {XK_Alt_L, XK_Alt_R, XK_Meta_L}, Mod1Mask);
    masks.super = modifierHolding(display, map, {XK_Super_L, XK_Super_R}, Mod4Mask);
    masks.numLock = modifierHolding(display, map, {XK_Num_Lock}, 0);
    XFreeModifiermap(map);
    return masks;
}

std::vector<unsigned> X11ModifierMasks::lockVariants() const
{
    if (numLock == 0)
        return {0, LockMask};
    return {0, LockMask, numLock, LockMask | numLock};
}

} // namespace Qb::Platform
