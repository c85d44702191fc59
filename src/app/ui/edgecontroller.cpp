// EdgeController: the main window's geometry, border, timer and pointer for EdgeBehaviour.
#include "app/ui/edgecontroller.h"

#include "app/delay.h"
#include "app/ui/mainwindow.h"

#include <QApplication>
#include <QEvent>
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
    , m_timer(shrinkTimer)
    , m_setAlwaysOnTop(std::move(setAlwaysOnTop))
    , m_pointer(&Platform::queryPointer)
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
    // The filter sits on the application because the window's native surface is replaced each
    // time its border or always-on-top flag changes.
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
    if ((type == QEvent::MouseMove || type == QEvent::Enter) && watched->isWindowType()
        && watched == m_window.windowHandle() && !m_window.isMinimized())
        m_behaviour.ExpandFromEdge(false);
    return false;
}

QRect EdgeController::outerRect() const
{
    return m_window.frameGeometry();
}

void EdgeController::setOuterRect(const QRect &rect)
{
    // The window is placed by its client area: the frame keeps its thickness around it.
    const QRect frame = m_window.frameGeometry();
    const QRect client = m_window.geometry();
    const QPoint offset = client.topLeft() - frame.topLeft();
    const QSize extra = frame.size() - client.size();
    m_window.setGeometry(QRect(rect.topLeft() + offset, rect.size() - extra));
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
    m_window.setBorderNone(none);
    // A strip is narrower than the menu bar and the toolbar allow; an explicit minimum overrides
    // theirs while shrunk, and QSize(0, 0) hands the minimum back to the window's layout.
    m_window.setMinimumSize(none ? QSize(1, 1) : QSize(0, 0));
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

QPoint EdgeController::pointerPosition() const
{
    return m_pointer().position;
}

bool EdgeController::leftButtonDown() const
{
    return m_pointer().leftButtonDown;
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
