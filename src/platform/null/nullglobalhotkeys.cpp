// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/null/nullglobalhotkeys.h"

namespace Qb::Platform {

std::expected<void, HotkeyError> NullGlobalHotkeys::registerHotkey(int, unsigned, int)
{
    return std::unexpected(HotkeyError::Unavailable);
}

} // namespace Qb::Platform
