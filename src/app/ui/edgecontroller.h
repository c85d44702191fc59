// SPDX-License-Identifier: GPL-3.0-or-later
// The widget side of the edge docking: applies EdgeBehaviour's decisions to the main window and
// reports pointer movement over it.
#pragma once

#include "app/edgebehaviour.h"
#include "platform/windowsystem.h"

#include <QMargins>
#include <QObject>

#include <functional>

class QTimer;

namespace Qb::App {

class MainWindow;

// Owned by the main window (a QObject child); UI thread only. Reads and sets the window's outer
// (frame) rectangle, drives the timer 时钟_收缩 (stopped = interval 0, running = 50 ms) and switches
// the border through MainWindow::setBorderNone. A border switch keeps the outer rectangle: the
// client area grows into the frame's place when the border goes and gives it back when it returns.
// The frame's size is the window system's (QWindow::frameMargins, which a window manager updates
// after a change; QWidget::frameGeometry can lag behind it).
//
// The pointer is read from the native platform's window system, or from Qt where that cannot tell
// (offscreen, Wayland: the position Qt knows and the buttons of the last mouse event).
//
// The window system's own resize reports of the main window (spontaneous resize events of its
// native surface) go to EdgeBehaviour, which holds back size persistence while they settle after
// an expand.
//
// Pointer-over detection: once attached, every pointer movement over the main window or any of
// its controls (all of them reach the window's native surface, whatever their mouse tracking) and
// the pointer entering it run ExpandFromEdge(false), unless the window is minimised.
class EdgeController : public QObject, private EdgeWindow
{
    Q_OBJECT

public:
    // `setAlwaysOnTop` is the window's one always-on-top switch.
    EdgeController(MainWindow &window, AppContext &context, QTimer &shrinkTimer,
                   std::function<void(bool)> setAlwaysOnTop);
    ~EdgeController() override;

    // Starts the pointer-over detection (the start-up step that hooks into the main window).
    void attach();

    // Ticks act only once attached and while the window is shown: a hidden window has no
    // pointer to leave it.
    void OnShrinkTimer();
    void ExpandFromEdge(bool fromTray) { m_behaviour.ExpandFromEdge(fromTray); }
    void OnMainWindowMoved() { m_behaviour.OnMainWindowMoved(); }
    bool animating() const { return m_behaviour.animating(); }
    // The window system has yet to confirm the size an expand or restore set: not to be stored.
    bool sizeSettling() const { return m_behaviour.settling(); }

Q_SIGNALS:
    // The settling ended on a report of the size the window has already: no resize follows, so
    // the size is to be judged for storing now.
    void sizeSettled();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QRect outerRect() const override;
    void setOuterRect(const QRect &rect) override;
    bool minimised() const override;
    bool borderNone() const override;
    void setBorderNone(bool none) override;
    bool timerRunning() const override;
    void setTimerRunning(bool running) override;
    QPoint pointerPosition() const override;
    bool leftButtonDown() const override;
    int screenWidth() const override;
    QSize normalBorderSize() const override;
    void bringToForeground() override;
    void setAlwaysOnTop(bool onTop) override;
    bool delay(int ms) override;
    QMargins frameMargins() const;
    Platform::PointerState pointer() const;

    MainWindow &m_window;
    AppContext &m_context;
    QTimer &m_timer;
    std::function<void(bool)> m_setAlwaysOnTop;
    EdgeBehaviour m_behaviour;
    bool m_attached = false;
    QMargins m_border; // the normal border, as last seen before it was taken away
};

} // namespace Qb::App
