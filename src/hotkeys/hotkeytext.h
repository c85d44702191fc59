// SPDX-License-Identifier: GPL-3.0-or-later
// Hotkey texts ("Ctrl+F12"): parsing into a HotkeySpec, and the settings dialog's splitting
// and joining of its two fields.
#pragma once

#include <QString>

#include <optional>
#include <utility>

namespace Qb::Hotkeys {

// A parsed hotkey text.
struct HotkeySpec
{
    int modifiers = 0; // 0 none, 1 Ctrl, 2 Shift, 4 Alt; for a first piece that names no
                       // modifier, that piece's key code (registration refuses values above 6)
    int key = 0;       // Windows virtual-key code; 0 = no such key

    friend bool operator==(const HotkeySpec &, const HotkeySpec &) = default;
};

// Modifier values of HotkeySpec.
inline constexpr int ModCtrl = 1;
inline constexpr int ModShift = 2;
inline constexpr int ModAlt = 4;

// "Ctrl+F12" -> {1, 123}; "F9" -> {0, 120}. The text is split at every "+" (so key names that
// contain "+" cannot be used behind a modifier); a piece after the last "+" that is empty is
// dropped, and with fewer than two pieces left there is no hotkey. Modifier names "Ctrl",
// "Shift", "ALT" in any letter case; pieces after the second are ignored.
std::optional<HotkeySpec> ParseHotkey(const QString &text);

// The modifier text and the key text of a hotkey text: "Ctrl+F12" -> ("Ctrl", "F12"),
// "F12" -> ("", "F12"), "Ctrl+" -> ("Ctrl", "").
std::pair<QString, QString> SplitHotkeyText(const QString &text);

// The hotkey text of the two fields: the key text alone when the modifier text is empty or
// "空" (the dialog's entry for no modifier), else modifier + "+" + key.
QString ComposeHotkeyText(const QString &modifier, const QString &key);

} // namespace Qb::Hotkeys
