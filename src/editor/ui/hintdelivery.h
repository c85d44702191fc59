// SPDX-License-Identifier: GPL-3.0-or-later
// Where a chosen hint's remainder goes: into the program's own editor, or, when the option
// 提示输入到目标窗口 is on and another program's window is the target, into that window.
#pragma once

#include "platform/textsender.h"

#include <QString>

#include <functional>

namespace Qb::Hotkeys {
class TargetWindowState;
}

namespace Qb::Platform {
class NativePlatform;
}

namespace Qb::Editor {

// The stored choice of [xitong] mbsrfs: "1" pastes, anything else types.
Platform::TextSendMethod textSendMethodFromSetting(int value);

// Owned by the hint controller; UI thread only. Borrows the target and the platform.
class HintDelivery
{
public:
    HintDelivery(Hotkeys::TargetWindowState &target, Platform::NativePlatform &native);

    // The option and the method as they are now (read each time a hint is chosen).
    void setIntoTarget(std::function<bool()> intoTarget) { m_intoTarget = std::move(intoTarget); }
    void setMethod(std::function<Platform::TextSendMethod()> method) { m_method = std::move(method); }

    // Sends `text` to the other program's window when it is the target and the option is on:
    // true when the text went there (the caller then leaves its editor and the focus alone),
    // false when the text belongs in the program's own editor.
    bool deliverToTarget(const QString &text);

private:
    Hotkeys::TargetWindowState &m_target;
    Platform::NativePlatform &m_native;
    std::function<bool()> m_intoTarget = [] { return false; };
    std::function<Platform::TextSendMethod()> m_method = [] { return Platform::TextSendMethod::Typing; };
};

} // namespace Qb::Editor
