// SPDX-License-Identifier: GPL-3.0-or-later
// System-wide hotkeys: key combinations that reach the program wherever the keyboard focus is.
#pragma once

#include <QObject>

#include <expected>

namespace Qb::Platform {

// Modifier flags of a registration. The values are those of the hotkey registrations the stored
// settings were written for (Alt 1, Control 2, Shift 4, Win 8), so translated values keep their
// meaning on every platform.
namespace HotkeyModifier {
inline constexpr unsigned Alt = 1;
inline constexpr unsigned Control = 2;
inline constexpr unsigned Shift = 4;
inline constexpr unsigned Win = 8;
inline constexpr unsigned All = Alt | Control | Shift | Win;
} // namespace HotkeyModifier

enum class HotkeyError {
    Unavailable,          // this session offers no system-wide hotkeys (no X11 display)
    Taken,                // another program holds the combination
    AlreadyHeld,          // this program holds the combination already, under another id
    UnknownKey,           // the key code names no key of this keyboard (0 included)
    UnsupportedModifiers, // modifier bits outside HotkeyModifier::All
};

// The system-wide hotkeys of the program. Owned by NativePlatform; UI thread only.
class GlobalHotkeys : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~GlobalHotkeys() override = default;

    // Takes the combination for the whole display under `id` (the caller's id, not 0).
    // `modifiers`: HotkeyModifier flags; `virtualKey`: a Windows virtual-key code (F12 = 123,
    // letters their upper-case code). The combination works whatever the lock keys (CapsLock,
    // NumLock) are. A combination this program holds already fails with AlreadyHeld, as a
    // second registration would on the system the codes come from; the first one keeps working.
    virtual std::expected<void, HotkeyError> registerHotkey(int id, unsigned modifiers, int virtualKey) = 0;
    // Gives the combination of `id` back; unknown ids are ignored.
    virtual void unregisterHotkey(int id) = 0;

Q_SIGNALS:
    // A registered combination was pressed: once per press (key repeat included), on the UI
    // thread, in the order the presses happened.
    void activated(int id);
};

} // namespace Qb::Platform
