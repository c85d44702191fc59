// The pointer on an X11 display, asked from the server: Qt only knows the buttons of events it
// received, and a press on the window manager's frame (a title-bar drag) never reaches it.
#include "platform/pointerstate.h"

#include <QCursor>
#include <QGuiApplication>

#include <X11/Xlib.h>

namespace Qb::Platform {

namespace {

Display *qtDisplay()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
}

} // namespace

PointerState queryPointer()
{
    Display *display = qtDisplay();
    if (!display)
        return {QCursor::pos(), QGuiApplication::mouseButtons().testFlag(Qt::LeftButton)};
    Window root = 0;
    Window child = 0;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &winX, &winY, &mask))
        return {QCursor::pos(), false}; // the pointer is on another screen of the display
    return {QPoint(rootX, rootY), (mask & Button1Mask) != 0};
}

} // namespace Qb::Platform
