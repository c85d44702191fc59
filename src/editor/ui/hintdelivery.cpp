// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/ui/hintdelivery.h"

#include "hotkeys/targetwindow.h"
#include "platform/nativeplatform.h"

namespace Qb::Editor {

Platform::TextSendMethod textSendMethodFromSetting(int value)
{
    return value == 1 ? Platform::TextSendMethod::Paste : Platform::TextSendMethod::Typing;
}

HintDelivery::HintDelivery(Hotkeys::TargetWindowState &target, Platform::NativePlatform &native)
    : m_target(target)
    , m_native(native)
{
}

bool HintDelivery::deliverToTarget(const QString &text)
{
    const Hotkeys::TargetWindow &target = m_target.current();
    if (!target.isForeign() || !m_intoTarget())
        return false;
    // A platform that cannot reach other programs leaves the text to the editor, so that a
    // choice is never lost.
    return m_native.textSender().sendText(target.windowId(), text, m_method());
}

} // namespace Qb::Editor
