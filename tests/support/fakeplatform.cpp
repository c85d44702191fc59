// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/fakeplatform.h"

#include <algorithm>

namespace Qb::Test {

std::expected<void, Platform::HotkeyError> FakeGlobalHotkeys::registerHotkey(int id, unsigned modifiers, int key)
{
    calls.push_back({id, modifiers, key});
    if (key == 0)
        return std::unexpected(Platform::HotkeyError::UnknownKey);
    if (modifiers & ~Platform::HotkeyModifier::All)
        return std::unexpected(Platform::HotkeyError::UnsupportedModifiers);
    if (takenElsewhere.contains({modifiers, key}))
        return std::unexpected(Platform::HotkeyError::Taken);
    if (std::ranges::any_of(held, [&](const Call &c) { return c.modifiers == modifiers && c.key == key; }))
        return std::unexpected(Platform::HotkeyError::AlreadyHeld);
    held.push_back({id, modifiers, key});
    return {};
}

void FakeGlobalHotkeys::unregisterHotkey(int id)
{
    unregistered.push_back(id);
    std::erase_if(held, [id](const Call &c) { return c.id == id; });
}

} // namespace Qb::Test
