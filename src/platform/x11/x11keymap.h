// SPDX-License-Identifier: GPL-3.0-or-later
// Windows virtual-key codes (the codes hotkey texts are parsed into) as X keysyms.
#pragma once

#include <QString>

namespace Qb::Platform {

// The keysym of the key that carries `virtualKey` on a US-layout keyboard; 0 when there is
// none (0 itself included). Letters give their lower-case keysym, digits the main-row digits,
// the numeric-keypad codes the keypad keysyms.
unsigned long keysymOfVirtualKey(int virtualKey);
// The X name of that keysym ("F12", "KP_Add"), empty when there is none.
QString keysymNameOfVirtualKey(int virtualKey);

} // namespace Qb::Platform
