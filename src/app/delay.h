// SPDX-License-Identifier: GPL-3.0-or-later
// Delay: waits while the event loop keeps running, so other handlers (timer ticks, pointer
// events, repaints) are served between the steps of an animation.
#pragma once

namespace Qb::App {

// Processes events as they arrive until more than `ms` milliseconds have passed since the call.
// Handlers run re-entrantly during the wait. A request to quit the application ends the wait
// early. `ms` of 0 or less processes the events already pending and returns.
void Delay(int ms);

} // namespace Qb::App
