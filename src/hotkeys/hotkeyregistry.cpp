// SPDX-License-Identifier: GPL-3.0-or-later
#include "hotkeys/hotkeyregistry.h"

#include "hotkeys/hotkeytext.h"

#include <algorithm>

namespace Qb::Hotkeys {

namespace Mod = Platform::HotkeyModifier;

void HotkeyRegistry::Init(Platform::GlobalHotkeys *hotkeys)
{
    if (m_hotkeys) {
        for (const HotkeyEntry &entry : m_entries) {
            if (entry.id != 0)
                m_hotkeys->unregisterHotkey(entry.id);
        }
        disconnect(m_hotkeys, nullptr, this, nullptr);
    }
    m_entries.clear();
    m_hotkeys = hotkeys;
    connect(m_hotkeys, &Platform::GlobalHotkeys::activated, this, &HotkeyRegistry::activated);
}

unsigned HotkeyRegistry::translateModifiers(int modifiers)
{
    switch (modifiers) {
    case 1: return Mod::Control;
    case 2: return Mod::Shift;
    case 4: return Mod::Alt;
    case 3: return Mod::Control | Mod::Shift;
    case 5: return Mod::Control | Mod::Alt;
    case 6: return Mod::Shift | Mod::Alt;
    default: return unsigned(modifiers);
    }
}

std::expected<int, Platform::HotkeyError> HotkeyRegistry::Register(int modifiers, int key, const QString &name)
{
    Q_ASSERT(m_hotkeys);
    const int id = m_nextId++;
    std::expected<void, Platform::HotkeyError> result;
    // A modifier piece that names no modifier gives a key code here; it has no meaning as a
    // modifier and is not handed on.
    if (modifiers < 0 || modifiers > 6)
        result = std::unexpected(Platform::HotkeyError::UnsupportedModifiers);
    else
        result = m_hotkeys->registerHotkey(id, translateModifiers(modifiers), key);
    m_entries.push_back({result ? id : 0, name});
    if (!result)
        return std::unexpected(result.error());
    return id;
}

QString HotkeyRegistry::NameOf(int id) const
{
    const auto entry = std::ranges::find(m_entries, id, &HotkeyEntry::id);
    return entry != m_entries.end() ? entry->name : QString();
}

TextRegistration RegisterHotkeyText(HotkeyRegistry &registry, const QString &text, const QString &name)
{
    const std::optional<HotkeySpec> hotkey = ParseHotkey(text);
    if (!hotkey)
        return std::nullopt;
    return registry.Register(hotkey->modifiers, hotkey->key, name);
}

} // namespace Qb::Hotkeys
