// Native services on an X11 display. Falls back to the no-op behaviour when the Qt platform is
// not xcb (offscreen tests, Wayland): X11 calls are made only with a live display connection.
#include "platform/nativeplatform.h"

#include <QGuiApplication>

namespace Qb::Platform {

namespace {
class X11NativePlatform final : public NativePlatform
{
public:
    QString name() const override
    {
        const bool xcb = QGuiApplication::platformName() == QLatin1String("xcb");
        return xcb ? QStringLiteral("x11") : QStringLiteral("null");
    }
};
} // namespace

std::unique_ptr<NativePlatform> createNativePlatform()
{
    return std::make_unique<X11NativePlatform>();
}

} // namespace Qb::Platform
