// SPDX-License-Identifier: GPL-3.0-or-later
// System-wide hotkeys where the session has none (Wayland, offscreen, no display).
#pragma once

#include "platform/globalhotkeys.h"

namespace Qb::Platform {

// Registers nothing and says so: every registration fails with Unavailable.
class NullGlobalHotkeys final : public GlobalHotkeys
{
    Q_OBJECT

public:
    using GlobalHotkeys::GlobalHotkeys;
    std::expected<void, HotkeyError> registerHotkey(int id, unsigned modifiers, int virtualKey) override;
    void unregisterHotkey(int) override {}
};

} // namespace Qb::Platform
