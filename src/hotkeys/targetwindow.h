// SPDX-License-Identifier: GPL-3.0-or-later
// The target window: the one window whose typing the program watches for command hints.
#pragma once

#include "platform/windowsystem.h"

#include <QObject>

#include <functional>
#include <optional>

namespace Qb::Hotkeys {

// Either nothing (before the main window's first activation), the program's own editor, or a
// window of another program named by its native id. Only the platform layer deals with what
// such an id means.
class TargetWindow
{
public:
    enum class Kind { None, OwnEditor, Foreign };

    TargetWindow() = default;
    static TargetWindow ownEditor() { return TargetWindow(Kind::OwnEditor, 0); }
    static TargetWindow foreign(Platform::WindowId id) { return TargetWindow(Kind::Foreign, id); }

    Kind kind() const { return m_kind; }
    bool isNone() const { return m_kind == Kind::None; }
    bool isOwnEditor() const { return m_kind == Kind::OwnEditor; }
    bool isForeign() const { return m_kind == Kind::Foreign; }
    // The foreign window's id; 0 for the other kinds.
    Platform::WindowId windowId() const { return m_id; }

    friend bool operator==(const TargetWindow &, const TargetWindow &) = default;

private:
    TargetWindow(Kind kind, Platform::WindowId id)
        : m_kind(kind)
        , m_id(id)
    {
    }

    Kind m_kind = Kind::None;
    Platform::WindowId m_id = 0;
};

// The program's one current target, held by AppContext. UI thread only.
class TargetWindowState : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    const TargetWindow &current() const { return m_current; }
    // Replaces the target; `changed` follows when the value differs.
    void set(const TargetWindow &target);

Q_SIGNALS:
    void changed(const Qb::Hotkeys::TargetWindow &target);

private:
    TargetWindow m_current;
};

// InitTargetWindow: the program's own editor becomes the target (the first activation of the
// main window).
void InitTargetWindow(TargetWindowState &state);

// CaptureWindowUnderPointer: the window under the pointer becomes the target. A window of this
// program (`isOwnWindow`) stands for the program's own editor, the default target. Returns the
// id of the window under the pointer when the target changed, nothing when it stayed (the
// pointer is over the current target) or no window could be told.
std::optional<Platform::WindowId> CaptureWindowUnderPointer(TargetWindowState &state, Platform::WindowSystem &windows,
                                                            const std::function<bool(Platform::WindowId)> &isOwnWindow);

// True when the keyboard focus is in `target`: for the program's own editor `ownEditorFocused`
// answers (the caller knows its widgets), for a foreign window the window system; never for none.
bool focusIsInTarget(const TargetWindow &target, Platform::WindowSystem &windows, bool ownEditorFocused);

} // namespace Qb::Hotkeys
