// SPDX-License-Identifier: GPL-3.0-or-later
// The click / double-click state of the category tree.
#include "library/clickgate.h"

namespace Qb::Library {

bool ClickGate::timerTicked()
{
    if (!m_doubleClickSeen)
        return true;
    m_doubleClickSeen = false;
    return false;
}

} // namespace Qb::Library
