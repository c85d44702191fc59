// SPDX-License-Identifier: GPL-3.0-or-later
// Window queries where no other program's windows can be seen: nothing is ever under the
// pointer or focused, so a capture does nothing and the program's own editor stays the target.
#pragma once

#include "platform/windowsystem.h"

namespace Qb::Platform {

class NullWindowSystem final : public WindowSystem
{
public:
    std::optional<WindowId> windowUnderPointer() override { return std::nullopt; }
    std::optional<WindowId> focusedWindow() override { return std::nullopt; }
    bool focusIsIn(WindowId) override { return false; }
    std::optional<PointerState> pointerState() override { return std::nullopt; }
};

} // namespace Qb::Platform
