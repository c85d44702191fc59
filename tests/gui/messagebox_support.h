// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the widget tests: clicking a button that may bring up a message box.
#pragma once

#include <QString>

class QWidget;

namespace Qb::Test {

// Clicks `button` with the mouse and returns the text of the message box the click brings up,
// closing the box; "" when none comes up, "<wrong box>" when the box is not a notice (caption
// "信息：", one button). Returns only once the catcher has run, so it never meets a later box.
QString clickCatchingMessage(QWidget *button);

} // namespace Qb::Test
