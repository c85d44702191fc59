// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/x11nativeplatform.h"

namespace Qb::Platform {

std::unique_ptr<X11NativePlatform> X11NativePlatform::create()
{
    std::unique_ptr<X11Connection> connection = X11Connection::open();
    if (!connection)
        return nullptr;
    return std::unique_ptr<X11NativePlatform>(new X11NativePlatform(std::move(connection)));
}

X11NativePlatform::X11NativePlatform(std::unique_ptr<X11Connection> connection)
    : m_connection(std::move(connection))
    , m_hotkeys(*m_connection)
    , m_windows(*m_connection)
    , m_keys(X11Connection::open())
{
}

} // namespace Qb::Platform
