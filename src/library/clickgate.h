// SPDX-License-Identifier: GPL-3.0-or-later
// Telling a single click on the category tree from a double-click.
#pragma once

namespace Qb::Library {

// Tells a click from a double-click on the tree. A mouse selection starts the 10 ms click
// timer; a double-click marks itself seen; the timer's tick shows the description unless a
// double-click was seen since, which it then forgets. Owned by the main window; UI thread.
class ClickGate
{
public:
    enum class Cause { Keyboard = 0, Mouse = 1, Other = 2 };
    static constexpr int ClickDelayMs = 10;

    // True when the click timer is to be started.
    bool selectionChanged(Cause cause) const { return cause == Cause::Mouse; }
    void doubleClicked() { m_doubleClickSeen = true; }
    // True when the tick should show the description.
    bool timerTicked();
    bool DoubleClickSeen() const { return m_doubleClickSeen; }

private:
    bool m_doubleClickSeen = false;
};

} // namespace Qb::Library
