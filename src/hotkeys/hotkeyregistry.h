// SPDX-License-Identifier: GPL-3.0-or-later
// HotkeyRegistry: the program's system-wide hotkeys by name.
#pragma once

#include "platform/globalhotkeys.h"

#include <QObject>
#include <QString>

#include <expected>
#include <optional>
#include <vector>

namespace Qb::Hotkeys {

// The name of the capture hotkey, and of its settings key [快捷键] 捕获窗口.
inline constexpr QStringView CaptureWindowName = u"捕获窗口";

struct HotkeyEntry
{
    int id;       // 0 for a registration that failed
    QString name; // names need not be unique
};

// One for the whole program, held by AppContext; UI thread only. Ids come from a counter that
// starts at FirstId and counts every attempt, failed ones included. Entries are kept in
// registration order and never withdrawn, except by Init: a changed hotkey leaves the earlier
// combination working until the program ends.
class HotkeyRegistry : public QObject
{
    Q_OBJECT

public:
    static constexpr int FirstId = 0x80E9;

    using QObject::QObject;

    // Binds the registry to the platform's hotkeys (not owned; outlives the registry). Entries
    // of an earlier binding are unregistered and forgotten.
    void Init(Platform::GlobalHotkeys *hotkeys);
    // Takes the next id and registers the combination (HotkeySpec modifiers 0-6, a virtual-key
    // code); appends {id, name}, with id 0 when the registration failed. Returns the id or why
    // it failed. Modifier values outside 0-6 are refused without asking the platform.
    // REQUIRES: Init has run.
    std::expected<int, Platform::HotkeyError> Register(int modifiers, int key, const QString &name);
    // The name of the first entry with this id; empty when there is none.
    QString NameOf(int id) const;
    const std::vector<HotkeyEntry> &entries() const { return m_entries; }

    // HotkeySpec modifiers (1 Ctrl, 2 Shift, 4 Alt and their sums up to 6) as platform
    // HotkeyModifier flags; any other value unchanged.
    static unsigned translateModifiers(int modifiers);

Q_SIGNALS:
    // A combination of this registry was pressed (OnHotkey's notification), on the UI thread.
    void activated(int id);

private:
    Platform::GlobalHotkeys *m_hotkeys = nullptr;
    std::vector<HotkeyEntry> m_entries;
    int m_nextId = FirstId;
};

// The outcome of registering a hotkey text: nothing when the text yields no hotkey (nothing
// was registered), else Register's result.
using TextRegistration = std::optional<std::expected<int, Platform::HotkeyError>>;

// RegisterHotkeyText: ParseHotkey on `text`; when it yields a hotkey, Register it under `name`.
TextRegistration RegisterHotkeyText(HotkeyRegistry &registry, const QString &text, const QString &name);

} // namespace Qb::Hotkeys
