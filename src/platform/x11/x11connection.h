// SPDX-License-Identifier: GPL-3.0-or-later
// A connection of the program's own to the X display that Qt runs on, read on the UI thread.
#pragma once

#include <QByteArray>
#include <QObject>

#include <functional>
#include <memory>

struct _XDisplay;
union _XEvent;
class QSocketNotifier;

namespace Qb::Platform {

// Each X11 service that needs its own event stream (hotkey grabs, key recording) opens one.
// Owned by the service or the platform object that opened it; UI thread only. Errors on the
// connection never end the program (X11ErrorTrap::adoptDisplay); requests whose errors matter
// are made inside an X11ErrorTrap.
class X11Connection : public QObject
{
    Q_OBJECT

public:
    // A new connection to the display Qt's xcb platform uses. nullptr when Qt does not run on
    // xcb with a display, or the display refuses another connection.
    static std::unique_ptr<X11Connection> open();
    // True when Qt runs on xcb with a live display connection.
    static bool qtHasDisplay();
    // The name of the display Qt runs on (":0"), empty when qtHasDisplay() is false.
    static QByteArray qtDisplayName();

    ~X11Connection() override;

    _XDisplay *display() const { return m_display; }
    unsigned long rootWindow() const;

    // Every event that arrives on this connection goes to `handler`, on the UI thread: read as
    // soon as the socket is readable (no polling), and events that Xlib queued while waiting
    // for a reply are handed on before the event loop next sleeps.
    void setEventHandler(std::function<void(_XEvent &)> handler);
    // For connections read by other means (an XRecord data connection): `handler` runs whenever
    // the socket is readable, instead of the event handler.
    void setReadableHandler(std::function<void()> handler);

private:
    explicit X11Connection(_XDisplay *display);
    void onReadable();
    void dispatchQueued();

    _XDisplay *m_display;
    QSocketNotifier *m_notifier = nullptr;
    std::function<void(_XEvent &)> m_eventHandler;
    std::function<void()> m_readableHandler;
};

} // namespace Qb::Platform
