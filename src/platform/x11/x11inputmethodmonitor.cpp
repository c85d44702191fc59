// SPDX-License-Identifier: GPL-3.0-or-later
// Asking fcitx5 and IBus whether they compose.
#include "platform/x11/x11inputmethodmonitor.h"

#include "platform/x11/x11connection.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QDir>
#include <QFile>

namespace Qb::Platform {

namespace {
QDBusMessage question(const QString &service, const QString &path, const QString &interface, const QString &method,
                      const QVariantList &arguments = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    message.setAutoStartService(false);
    return message;
}

// ~/.config/ibus/bus/<machine id>-unix-<display number>, as the daemon names it.
QString ibusAddressFilePath()
{
    QFile machine(QStringLiteral("/etc/machine-id"));
    if (!machine.open(QIODevice::ReadOnly))
        machine.setFileName(QStringLiteral("/var/lib/dbus/machine-id"));
    if (!machine.isOpen() && !machine.open(QIODevice::ReadOnly))
        return {};
    const QString id = QString::fromLatin1(machine.readAll().trimmed());
    QByteArray display = X11Connection::qtDisplayName();
    display = display.mid(display.indexOf(':') + 1);
    display = display.left(display.indexOf('.') < 0 ? display.size() : display.indexOf('.'));
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/ibus/bus/") + id + QStringLiteral("-unix-") + QString::fromLatin1(display);
}
} // namespace

QString ibusAddressFromFile(const QByteArray &fileText)
{
    for (const QByteArray &line : fileText.split('\n'))
        if (line.startsWith("IBUS_ADDRESS="))
            return QString::fromUtf8(line.mid(13).trimmed());
    return {};
}

QString ibusEngineName(const QVariant &globalEngine)
{
    // (s "IBusEngineDesc", a{sv} attachments, s name, …)
    QVariant value = globalEngine;
    if (value.canConvert<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    if (!value.canConvert<QDBusArgument>())
        return {};
    const QDBusArgument argument = value.value<QDBusArgument>();
    if (argument.currentType() != QDBusArgument::StructureType)
        return {};
    QString typeName, name;
    QVariantMap attachments;
    argument.beginStructure();
    argument >> typeName >> attachments >> name;
    return typeName == u"IBusEngineDesc" ? name : QString();
}

X11InputMethodMonitor::X11InputMethodMonitor(QObject *parent)
    : InputMethodMonitor(parent)
{
    m_timer.setInterval(RefreshMs);
    connect(&m_timer, &QTimer::timeout, this, &X11InputMethodMonitor::refresh);
}

X11InputMethodMonitor::~X11InputMethodMonitor()
{
    closeIbus();
}

void X11InputMethodMonitor::setWatching(bool on)
{
    if (on == m_watching)
        return;
    m_watching = on;
    ++m_generation;
    m_fcitxAsked = m_ibusAsked = false;
    if (on) {
        openIbus();
        refresh();
        m_timer.start();
    } else {
        m_timer.stop();
        closeIbus();
        setReport({});
    }
}

void X11InputMethodMonitor::refresh()
{
    if (!m_watching)
        return;
    if (!m_fcitxAsked)
        askFcitx();
    if (!m_ibusAsked)
        askIbus();
}

void X11InputMethodMonitor::askFcitx()
{
    QDBusConnection session = QDBusConnection::sessionBus();
    if (!session.isConnected())
        return;
    m_fcitxAsked = true;
    whenAnswered(session.asyncCall(question(QStringLiteral("org.fcitx.Fcitx5"), QStringLiteral("/controller"),
                                            QStringLiteral("org.fcitx.Fcitx.Controller1"), QStringLiteral("State"))),
                 [this](const QDBusMessage &reply) {
                     m_fcitxAsked = false;
                     InputMethodReport report = m_report;
                     report.fcitxState = reply.type() == QDBusMessage::ReplyMessage
                         ? std::optional<int>(reply.arguments().value(0).toInt())
                         : std::nullopt;
                     setReport(report);
                 });
}

void X11InputMethodMonitor::askIbus()
{
    if (!m_ibus)
        return;
    m_ibusAsked = true;
    whenAnswered(m_ibus->asyncCall(question(QStringLiteral("org.freedesktop.IBus"), QStringLiteral("/org/freedesktop/IBus"),
                                            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                                            {QStringLiteral("org.freedesktop.IBus"), QStringLiteral("GlobalEngine")})),
                 [this](const QDBusMessage &reply) {
                     m_ibusAsked = false;
                     InputMethodReport report = m_report;
                     report.ibusEngine = reply.type() == QDBusMessage::ReplyMessage
                         ? std::optional<QString>(ibusEngineName(reply.arguments().value(0)))
                         : std::nullopt;
                     setReport(report);
                 });
}

void X11InputMethodMonitor::openIbus()
{
    QString address = qEnvironmentVariable("IBUS_ADDRESS");
    if (address.isEmpty()) {
        QFile file(ibusAddressFilePath());
        if (file.open(QIODevice::ReadOnly))
            address = ibusAddressFromFile(file.read(4096));
    }
    if (address.isEmpty())
        return;
    m_ibusName = QStringLiteral("quillbox-ibus-%1").arg(quintptr(this));
    QDBusConnection bus = QDBusConnection::connectToBus(address, m_ibusName);
    if (bus.isConnected())
        m_ibus = std::make_unique<QDBusConnection>(bus);
    else
        QDBusConnection::disconnectFromBus(m_ibusName);
}

void X11InputMethodMonitor::closeIbus()
{
    if (!m_ibus)
        return;
    m_ibus.reset();
    QDBusConnection::disconnectFromBus(m_ibusName);
}

void X11InputMethodMonitor::setReport(const InputMethodReport &report)
{
    if (report == m_report)
        return;
    m_report = report;
    emit reportChanged(m_report);
}

void X11InputMethodMonitor::whenAnswered(const QDBusPendingCall &call, std::function<void(const QDBusMessage &)> done)
{
    const int generation = m_generation;
    auto *watcher = new QDBusPendingCallWatcher(call, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation, done = std::move(done)](QDBusPendingCallWatcher *w) {
                w->deleteLater();
                if (generation == m_generation)
                    done(w->reply());
            });
}

} // namespace Qb::Platform
