// SPDX-License-Identifier: GPL-3.0-or-later
// The modifier bits of the keyboard in use on an X display: which of Mod1…Mod5 Alt, Super and
// NumLock sit on, and the lock-key states a passive grab has to cover.
#pragma once

#include <vector>

struct _XDisplay;

namespace Qb::Platform {

struct X11ModifierMasks
{
    unsigned alt = 0;
    unsigned super = 0;
    unsigned numLock = 0; // 0 when NumLock is on no modifier

    // From the server's modifier mapping; Alt and Super fall back to Mod1 and Mod4 when their
    // keys are on no modifier. Without a mapping (the request failed) the usual bits: Mod1, Mod4
    // and Mod2 for NumLock. Read again after a MappingNotify for the modifiers.
    static X11ModifierMasks read(_XDisplay *display);

    // The lock-key states to grab a combination in: none and CapsLock, and NumLock and both when
    // NumLock is on a modifier.
    std::vector<unsigned> lockVariants() const;
};

} // namespace Qb::Platform
