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
    , m_text(X11Connection::open())
    , m_carets(m_connection.get())
{
    // The hints must not take the text they type for keys the user typed.
    QObject::connect(&m_text, &X11TextSender::pressesSent, &m_keys, [this](int count) {
        if (m_keys.recording())
            m_keys.skipOwnPresses(count);
    });
}

} // namespace Qb::Platform
