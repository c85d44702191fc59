// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/peercredentials.h"

#include <sys/socket.h>
#include <unistd.h>

namespace Qb::Platform {

uint currentUserId()
{
    return static_cast<uint>(::getuid());
}

std::optional<uint> peerUserId(qintptr descriptor)
{
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0
        || size != sizeof credentials)
        return std::nullopt;
    return static_cast<uint>(credentials.uid);
}

} // namespace Qb::Platform
