// The pointer where no X11 display is available: what Qt itself knows.
#include "platform/pointerstate.h"

#include <QCursor>
#include <QGuiApplication>

namespace Qb::Platform {

PointerState queryPointer()
{
    return {QCursor::pos(), QGuiApplication::mouseButtons().testFlag(Qt::LeftButton)};
}

} // namespace Qb::Platform
