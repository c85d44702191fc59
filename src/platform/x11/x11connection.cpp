// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/x11connection.h"

#include "platform/x11/x11errortrap.h"

#include <QAbstractEventDispatcher>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QtGui/qguiapplication_platform.h>

#include <X11/Xlib.h>

namespace Qb::Platform {

namespace {

Display *qtDisplay()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

} // namespace

bool X11Connection::qtHasDisplay()
{
    return qtDisplay() != nullptr;
}

QByteArray X11Connection::qtDisplayName()
{
    Display *display = qtDisplay();
    return display ? QByteArray(XDisplayString(display)) : QByteArray();
}

std::unique_ptr<X11Connection> X11Connection::open()
{
    const QByteArray name = qtDisplayName();
    if (name.isEmpty())
        return nullptr;
    Display *display = XOpenDisplay(name.constData());
    if (!display)
        return nullptr;
    return std::unique_ptr<X11Connection>(new X11Connection(display));
}

X11Connection::X11Connection(_XDisplay *display)
    : m_display(display)
{
    X11ErrorTrap::adoptDisplay(m_display);
    m_notifier = new QSocketNotifier(ConnectionNumber(m_display), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &X11Connection::onReadable);
    // A reply read by XSync and friends may bring events along into Xlib's queue, where the
    // socket no longer signals them.
    if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &X11Connection::dispatchQueued);
}

X11Connection::~X11Connection()
{
    delete m_notifier;
    X11ErrorTrap::releaseDisplay(m_display);
    XCloseDisplay(m_display);
}

unsigned long X11Connection::rootWindow() const
{
    return DefaultRootWindow(m_display);
}

void X11Connection::setEventHandler(std::function<void(_XEvent &)> handler)
{
    m_eventHandler = std::move(handler);
}

void X11Connection::setReadableHandler(std::function<void()> handler)
{
    m_readableHandler = std::move(handler);
}

void X11Connection::onReadable()
{
    if (m_readableHandler) {
        m_readableHandler();
        return;
    }
    while (XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        if (m_eventHandler)
            m_eventHandler(event);
    }
}

void X11Connection::dispatchQueued()
{
    if (!m_readableHandler && XEventsQueued(m_display, QueuedAlready) > 0)
        onReadable();
}

} // namespace Qb::Platform
