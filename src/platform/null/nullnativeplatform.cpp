// Native services where no X11 display is available (offscreen, Wayland, tests): every
// system-wide feature reports itself unavailable and the program keeps working in its own editor.
#include "platform/nativeplatform.h"

namespace Qb::Platform {

namespace {
class NullNativePlatform final : public NativePlatform
{
public:
    QString name() const override { return QStringLiteral("null"); }
};
} // namespace

std::unique_ptr<NativePlatform> createNativePlatform()
{
    return std::make_unique<NullNativePlatform>();
}

} // namespace Qb::Platform
