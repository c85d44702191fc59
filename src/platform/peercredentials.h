// SPDX-License-Identifier: GPL-3.0-or-later
// Who is at the other end of a local socket, and who we are.
#pragma once

#include <QtGlobal>

#include <optional>

namespace Qb::Platform {

// The real user id of this process.
uint currentUserId();

// The user id of the process connected to the Unix domain socket `descriptor` (SO_PEERCRED),
// or nothing when the system cannot tell.
std::optional<uint> peerUserId(qintptr descriptor);

} // namespace Qb::Platform
