// SPDX-License-Identifier: GPL-3.0-or-later
// The AT-SPI caret lookup: joining the accessibility bus, following the focused text, asking
// for the caret cell.
#include "platform/x11/x11caretlocator.h"

#include "platform/x11/x11connection.h"
#include "platform/x11/x11errortrap.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QMetaObject>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace Qb::Platform {

namespace {
const QString EventObject = QStringLiteral("org.a11y.atspi.Event.Object");
const QString TextInterface = QStringLiteral("org.a11y.atspi.Text");
constexpr quint32 ScreenCoordinates = 0;

QDBusMessage call(const QString &service, const QString &path, const QString &interface, const QString &method,
                  const QVariantList &arguments = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return message;
}
} // namespace

X11CaretLocator::X11CaretLocator(X11Connection *connection, QObject *parent)
    : CaretLocator(parent)
    , m_x11(connection)
{
}

X11CaretLocator::~X11CaretLocator()
{
    leaveBus();
}

void X11CaretLocator::setConnected(bool on)
{
    if (on == m_wanted)
        return;
    m_wanted = on;
    if (!on) {
        leaveBus();
        return;
    }
    QDBusConnection session = QDBusConnection::sessionBus();
    if (!session.isConnected())
        return;
    const int generation = ++m_generation;
    const QDBusPendingCall address = session.asyncCall(
        call(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"), QStringLiteral("org.a11y.Bus"),
             QStringLiteral("GetAddress")));
    auto *watcher = new QDBusPendingCallWatcher(address, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, generation](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<QString> reply = *w;
        if (generation == m_generation && m_wanted && !reply.isError())
            joinBus(reply.value());
    });
}

void X11CaretLocator::joinBus(const QString &address)
{
    m_busName = QStringLiteral("quillbox-a11y-%1").arg(quintptr(this));
    QDBusConnection bus = QDBusConnection::connectToBus(address, m_busName);
    if (!bus.isConnected()) {
        QDBusConnection::disconnectFromBus(m_busName);
        return;
    }
    m_bus = std::make_unique<QDBusConnection>(bus);
    bus.connect(QString(), QString(), EventObject, QStringLiteral("TextCaretMoved"), this,
                SLOT(onCaretMoved(QDBusMessage)));
    bus.connect(QString(), QString(), EventObject, QStringLiteral("StateChanged"), this,
                SLOT(onStateChanged(QDBusMessage)));
    // Programs send only the events some listener registered for.
    for (const char *event : {"object:text-caret-moved", "object:state-changed:focused"}) {
        bus.asyncCall(call(QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("/org/a11y/atspi/registry"),
                           QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("RegisterEvent"),
                           {QString::fromLatin1(event)}));
    }
}

void X11CaretLocator::leaveBus()
{
    ++m_generation;
    m_focus.reset();
    m_pids.clear();
    if (!m_bus)
        return;
    m_bus.reset();
    QDBusConnection::disconnectFromBus(m_busName);
}

void X11CaretLocator::onCaretMoved(const QDBusMessage &event)
{
    m_focus = Focus{event.service(), event.path()};
    emit caretMoved();
}

void X11CaretLocator::onStateChanged(const QDBusMessage &event)
{
    const QVariantList args = event.arguments();
    if (args.size() >= 2 && args.at(0).toString() == u"focused" && args.at(1).toInt() == 1)
        m_focus = Focus{event.service(), event.path()};
}

void X11CaretLocator::answerLater(quint64 request)
{
    QMetaObject::invokeMethod(this, [this, request] { emit caretUnknown(request); }, Qt::QueuedConnection);
}

void X11CaretLocator::requestCaret(quint64 request, WindowId window)
{
    const std::optional<WindowFacts> facts = windowFacts(window);
    if (!m_bus || !m_focus || !facts) {
        answerLater(request);
        return;
    }
    checkOwner(request, *m_focus, *facts);
}

std::optional<X11CaretLocator::WindowFacts> X11CaretLocator::windowFacts(WindowId window) const
{
    if (!m_x11)
        return std::nullopt;
    Display *display = m_x11->display();
    X11ErrorTrap trap(display);
    WindowFacts facts;
    XWindowAttributes attributes{};
    Window child = 0;
    int x = 0, y = 0;
    if (!XGetWindowAttributes(display, window, &attributes)
        || !XTranslateCoordinates(display, window, m_x11->rootWindow(), 0, 0, &x, &y, &child))
        return std::nullopt;
    facts.frame = QRect(x, y, attributes.width, attributes.height);
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char *data = nullptr;
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items, &after, &data)
            == Success
        && type == XA_CARDINAL && format == 32 && items == 1)
        facts.pid = quint32(*reinterpret_cast<unsigned long *>(data));
    if (data)
        XFree(data);
    if (trap.sync() != 0)
        return std::nullopt;
    return facts;
}

void X11CaretLocator::checkOwner(quint64 request, const Focus &focus, const WindowFacts &facts)
{
    if (!facts.pid) {
        askCaret(request, focus, facts);
        return;
    }
    if (const auto known = m_pids.constFind(focus.service); known != m_pids.constEnd()) {
        if (*known == *facts.pid)
            askCaret(request, focus, facts);
        else
            answerLater(request);
        return;
    }
    const QDBusPendingCall pid = m_bus->asyncCall(
        call(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
             QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetConnectionUnixProcessID"), {focus.service}));
    whenAnswered(
        pid,
        [=, this](const QDBusMessage &reply) {
            const quint32 owner = reply.arguments().value(0).toUInt();
            m_pids.insert(focus.service, owner);
            if (owner == *facts.pid)
                askCaret(request, focus, facts);
            else
                emit caretUnknown(request);
        },
        [=, this] { emit caretUnknown(request); });
}

void X11CaretLocator::askCaret(quint64 request, const Focus &focus, const WindowFacts &facts)
{
    // The caret offset, then the length of the text.
    const auto property = [this, focus](const char *name) {
        return m_bus->asyncCall(call(focus.service, focus.path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                     QStringLiteral("Get"), {TextInterface, QString::fromLatin1(name)}));
    };
    const auto value = [](const QDBusMessage &reply) {
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    };
    whenAnswered(
        property("CaretOffset"),
        [=, this](const QDBusMessage &caretReply) {
            const int caret = value(caretReply).toInt();
            if (caret < 0 || !m_bus) {
                emit caretUnknown(request);
                return;
            }
            whenAnswered(
                property("CharacterCount"),
                [=, this](const QDBusMessage &countReply) {
                    askCell(request, focus, facts, caret, value(countReply).toInt());
                },
                [=, this] { emit caretUnknown(request); });
        },
        [=, this] { emit caretUnknown(request); });
}

void X11CaretLocator::askCell(quint64 request, const Focus &focus, const WindowFacts &facts, int caret, int count)
{
    // At the end of the text the caret stands at the right edge of the last character.
    const bool atEnd = caret >= count;
    if (atEnd && count == 0) {
        emit caretUnknown(request);
        return;
    }
    const int offset = atEnd ? count - 1 : caret;
    const QDBusPendingCall extents = m_bus->asyncCall(call(focus.service, focus.path, TextInterface,
                                                           QStringLiteral("GetCharacterExtents"),
                                                           {offset, ScreenCoordinates}));
    whenAnswered(
        extents,
        [=, this](const QDBusMessage &reply) {
            const QVariantList v = reply.arguments();
            if (v.size() < 4) {
                emit caretUnknown(request);
                return;
            }
            QRect cell(v.at(0).toInt(), v.at(1).toInt(), v.at(2).toInt(), v.at(3).toInt());
            if (atEnd)
                cell = QRect(cell.x() + cell.width(), cell.y(), 0, cell.height());
            finish(request, facts, cell);
        },
        [=, this] { emit caretUnknown(request); });
}

void X11CaretLocator::finish(quint64 request, const WindowFacts &facts, std::optional<QRect> cell)
{
    if (cell && facts.frame.contains(cell->topLeft()))
        emit caretFound(request, *cell);
    else
        emit caretUnknown(request);
}

void X11CaretLocator::whenAnswered(const QDBusPendingCall &pending, std::function<void(const QDBusMessage &)> then,
                                   std::function<void()> otherwise)
{
    const int generation = m_generation;
    auto *watcher = new QDBusPendingCallWatcher(pending, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation, then = std::move(then), otherwise = std::move(otherwise)](QDBusPendingCallWatcher *w) {
                w->deleteLater();
                if (generation != m_generation)
                    return;
                if (w->isError())
                    otherwise();
                else
                    then(w->reply());
            });
}

} // namespace Qb::Platform
