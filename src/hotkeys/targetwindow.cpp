// SPDX-License-Identifier: GPL-3.0-or-later
#include "hotkeys/targetwindow.h"

namespace Qb::Hotkeys {

void TargetWindowState::set(const TargetWindow &target)
{
    if (target == m_current)
        return;
    m_current = target;
    emit changed(m_current);
}

void InitTargetWindow(TargetWindowState &state)
{
    state.set(TargetWindow::ownEditor());
}

std::optional<Platform::WindowId> CaptureWindowUnderPointer(TargetWindowState &state, Platform::WindowSystem &windows,
                                                            const std::function<bool(Platform::WindowId)> &isOwnWindow)
{
    const std::optional<Platform::WindowId> window = windows.windowUnderPointer();
    if (!window)
        return std::nullopt;
    const TargetWindow target = isOwnWindow(*window) ? TargetWindow::ownEditor() : TargetWindow::foreign(*window);
    if (target == state.current())
        return std::nullopt;
    state.set(target);
    return window;
}

bool focusIsInTarget(const TargetWindow &target, Platform::WindowSystem &windows, bool ownEditorFocused)
{
    switch (target.kind()) {
    case TargetWindow::Kind::OwnEditor:
        return ownEditorFocused;
    case TargetWindow::Kind::Foreign:
        return windows.focusIsIn(target.windowId());
    case TargetWindow::Kind::None:
        break;
    }
    return false;
}

} // namespace Qb::Hotkeys
