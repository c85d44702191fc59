// SPDX-License-Identifier: GPL-3.0-or-later
// Another program's caret on an X11 display, through the AT-SPI accessibility bus (D-Bus).
#pragma once

#include "platform/caretlocator.h"

#include <QHash>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QDBusConnection;
class QDBusMessage;
class QDBusPendingCall;

namespace Qb::Platform {

class X11Connection;

// The accessibility bus's address comes from the session bus (org.a11y.Bus.GetAddress, which
// starts the bus if need be); the connection to it is private to this object and exists only
// while connected. The focused text is followed through the programs' focus and caret-moved
// events (registered with the accessibility registry, which drops the registration when the
// connection closes). A request asks that text's caret offset and character count, then the
// cell at the caret; the text must belong to the process that owns the window (_NET_WM_PID,
// when the window has one) and the cell must lie inside the window. Every D-Bus call is
// asynchronous. The extents are never asked at the offset equal to the text's length (some
// toolkits' accessibility breaks there): the last character's cell is asked instead and the
// caret put at its right edge.
class X11CaretLocator final : public CaretLocator
{
    Q_OBJECT

public:
    // `connection` (may be null: no display) answers the window questions; it outlives this.
    explicit X11CaretLocator(X11Connection *connection, QObject *parent = nullptr);
    ~X11CaretLocator() override;

    void setConnected(bool on) override;
    bool connected() const override { return m_bus != nullptr; }
    void requestCaret(quint64 request, WindowId window) override;

private Q_SLOTS:
    void onCaretMoved(const QDBusMessage &event);
    void onStateChanged(const QDBusMessage &event);

private:
    struct Focus
    {
        QString service; // the program's unique name on the accessibility bus
        QString path;    // its accessible object
    };
    struct WindowFacts
    {
        std::optional<quint32> pid;
        QRect frame; // screen pixels
    };

    void joinBus(const QString &address);
    void leaveBus();
    std::optional<WindowFacts> windowFacts(WindowId window) const;
    void answerLater(quint64 request);
    void checkOwner(quint64 request, const Focus &focus, const WindowFacts &facts);
    void askCaret(quint64 request, const Focus &focus, const WindowFacts &facts);
    void askCell(quint64 request, const Focus &focus, const WindowFacts &facts, int caret, int count);
    void finish(quint64 request, const WindowFacts &facts, std::optional<QRect> cell);
    // Runs `then` with the reply when `call` succeeds, `otherwise` when it fails; ignored when
    // the connection was closed meanwhile.
    void whenAnswered(const QDBusPendingCall &call, std::function<void(const QDBusMessage &)> then,
                      std::function<void()> otherwise);

    X11Connection *m_x11;
    bool m_wanted = false;
    int m_generation = 0;                 // counts joins and leaves: late replies are dropped
    std::unique_ptr<QDBusConnection> m_bus; // only while connected
    QString m_busName;
    std::optional<Focus> m_focus;
    QHash<QString, quint32> m_pids; // unique name → process, for this connection's lifetime
};

} // namespace Qb::Platform
