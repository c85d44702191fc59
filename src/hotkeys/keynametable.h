// SPDX-License-Identifier: GPL-3.0-or-later
// Key names as hotkey texts spell them, and the Windows virtual-key codes they stand for.
#pragma once

#include <QString>

#include <span>

namespace Qb::Hotkeys {

struct KeyName
{
    const char16_t *name;
    int code; // Windows virtual-key code
};

// The fixed table of key names, grouped by code. Names of shifted characters ("!", "+") carry
// the code of the key that types them. Single ASCII letters and digits are not in it
// (KeyCodeOf gives them their own code).
std::span<const KeyName> KeyNameTable();

// The virtual-key code of a key name; 0 when there is no such key. A single ASCII letter or
// digit gives its upper-case character code; every other name is looked up in the table,
// exactly, except that ASCII letters match without regard to case ("f12" is F12).
int KeyCodeOf(const QString &name);

} // namespace Qb::Hotkeys
