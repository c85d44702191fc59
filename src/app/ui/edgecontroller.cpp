// SPDX-License-Identifier: GPL-3.0-or-later
// EdgeController: the main window's geometry, border, timer and pointer for EdgeBehaviour.
#include "app/ui/edgecontroller.h"

#include "app/appcontext.h"
#include "app/delay.h"
#include "app/ui/mainwindow.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QResizeEvent>
#include <QScreen>
#include <QTimer>
#include <QWindow>

namespace Qb::App {

namespace {

constexpr int TimerInterval = 50;

} // namespace

EdgeController::EdgeController(MainWindow &window, AppContext &context, QTimer &shrinkTimer,
                               std::function<void(bool)> setAlwaysOnTop)
    : QObject(&window)
    , m_window(window)
    , m_context(context)
    , m_timer(shrinkTimer)
    , m_setAlwaysOnTop(std::move(setAlwaysOnTop))
    , m_behaviour(context, *this)
{
}

EdgeController::~EdgeController()
{
    if (m_attached)
        qApp->removeEventFilter(this);
}

void EdgeController::attach()
{
    if (m_attached)
        return;
    m_attached = true;
    // The window's native surface, which every pointer event over it reaches, is created only
    // when the window is first shown: the filter sits on the application and picks it out.
    qApp->installEventFilter(this);
}

void EdgeController::OnShrinkTimer()
{
    if (m_attached && m_window.isVisible())
        m_behaviour.OnShrinkTimer();
}

bool EdgeController::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    // The filter sees the report before the widget takes the reported size.
    if (type == QEvent::Resize && event->spontaneous() && watched == m_window.windowHandle()) {
        const QSize reported = static_cast<QResizeEvent *>(event)->size();
        if (m_behaviour.clientSizeReported(reported) && reported == m_window.size())
            Q_EMIT sizeSettled();
    }
    if ((type == QEvent::MouseMove || type == QEvent::Enter) && watched->isWindowType()
        && watched == m_window.windowHandle() && !m_window.isMinimized())
        m_behaviour.ExpandFromEdge(false);
    return false;
}

QMargins EdgeController::frameMargins() const
{
    const QWindow *native = m_window.windowHandle();
    return native && !m_window.isEdgeShrunk() ? native->frameMargins() : QMargins();
}

QRect EdgeController::outerRect() const
{
    return m_window.geometry().marginsAdded(frameMargins());
}

void EdgeController::setOuterRect(const QRect &rect)
{
    m_window.setGeometry(rect.marginsRemoved(frameMargins()));
}

bool EdgeController::minimised() const
{
    return m_window.isMinimized();
}

bool EdgeController::borderNone() const
{
    return m_window.isEdgeShrunk();
}

void EdgeController::setBorderNone(bool none)
{
    const QRect outer = outerRect();
    if (none)
        m_border = frameMargins();
    m_window.setBorderNone(none);
    // A strip is narrower than the menu bar and the toolbar allow; an explicit minimum overrides
    // theirs while shrunk, and QSize(0, 0) hands the minimum back to the window's layout.
    m_window.setMinimumSize(none ? QSize(1, 1) : QSize(0, 0));
    // The window manager draws the returning frame around the client area where it is placed.
    m_window.setGeometry(none ? outer : outer.marginsRemoved(m_border));
}

QSize EdgeController::normalBorderSize() const
{
    const QMargins border = m_window.isEdgeShrunk() ? m_border : frameMargins();
    return {border.left() + border.right(), border.top() + border.bottom()};
}

bool EdgeController::timerRunning() const
{
    return m_timer.isActive();
}

void EdgeController::setTimerRunning(bool running)
{
    if (running)
        m_timer.start(TimerInterval);
    else
        m_timer.stop();
}

Platform::PointerState EdgeController::pointer() const
{
    if (m_context.Native) {
        if (const auto state = m_context.Native->windowSystem().pointerState())
            return *state;
    }
    return {QCursor::pos(), QGuiApplication::mouseButtons().testFlag(Qt::LeftButton)};
}

QPoint EdgeController::pointerPosition() const
{
    return pointer().position;
}

bool EdgeController::leftButtonDown() const
{
    return pointer().leftButtonDown;
}

int EdgeController::screenWidth() const
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().width() : 0;
}

void EdgeController::bringToForeground()
{
    m_window.raise();
    m_window.activateWindow();
}

void EdgeController::setAlwaysOnTop(bool onTop)
{
    m_setAlwaysOnTop(onTop);
}

bool EdgeController::delay(int ms)
{
    Delay(ms);
    return m_window.isVisible();
}

} // namespace Qb::App
