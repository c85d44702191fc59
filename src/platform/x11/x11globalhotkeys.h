// SPDX-License-Identifier: GPL-3.0-or-later
// System-wide hotkeys on X11: passive key grabs on the root window.
#pragma once

#include "platform/globalhotkeys.h"
#include "platform/x11/x11modifiers.h"

#include <vector>

union _XEvent;

namespace Qb::Platform {

class X11Connection;

// Grabs each combination on the root window once per lock-key state (none, CapsLock, NumLock,
// both), so it works whatever the lock keys are. A grab another client holds comes back as
// BadAccess, caught at once (X11ErrorTrap), and the partial grab is withdrawn. Presses arrive
// as events on the connection, which must be used by nothing else that reads events.
class X11GlobalHotkeys final : public GlobalHotkeys
{
    Q_OBJECT

public:
    explicit X11GlobalHotkeys(X11Connection &connection, QObject *parent = nullptr);

    std::expected<void, HotkeyError> registerHotkey(int id, unsigned modifiers, int virtualKey) override;
    void unregisterHotkey(int id) override;

private:
    struct Grab
    {
        int id;
        unsigned keycode;
        unsigned mask; // X modifier mask, lock keys excluded
    };

    unsigned maskOf(unsigned modifiers) const;
    void ungrab(unsigned keycode, unsigned mask);
    void onEvent(_XEvent &event);

    X11Connection &m_connection;
    std::vector<Grab> m_grabs;
    X11ModifierMasks m_masks;
};

} // namespace Qb::Platform
