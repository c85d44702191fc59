// SPDX-License-Identifier: GPL-3.0-or-later
// The input method monitor against stand-in fcitx5 and IBus services on a private bus of the
// test's own (support script fake-im-services.py; IBUS_ADDRESS points IBus's side at the same
// bus): what the report says as the services change, and that nothing is asked or kept once
// watching stops. Skips when dbus-daemon or python3's dbus module is missing.
#include "platform/x11/x11inputmethodmonitor.h"

#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;
using Qb::Platform::InputMethodReport;
using Qb::Platform::X11InputMethodMonitor;

class tst_X11InputMethodMonitor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void report_followsTheServices();

private:
    bool tell(const QByteArray &line);

    QProcess m_bus;
    QProcess m_services;
};

void tst_X11InputMethodMonitor::initTestCase()
{
    if (QStandardPaths::findExecutable(u"dbus-daemon"_s).isEmpty())
        QSKIP("dbus-daemon is not installed");
    if (QProcess::execute(u"/usr/bin/python3"_s, {u"-c"_s, u"import dbus, gi"_s}) != 0)
        QSKIP("python3's dbus and gi modules are not installed");
    m_bus.start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s});
    QVERIFY(m_bus.waitForStarted());
    QVERIFY(QTest::qWaitFor([this] { return m_bus.canReadLine(); }, 10000));
    const QByteArray address = m_bus.readLine().trimmed();
    // Before the first use of the session bus in this process.
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    qputenv("IBUS_ADDRESS", address);
    m_services.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_services.start(u"/usr/bin/python3"_s, {QFINDTESTDATA("fake-im-services.py")});
    QVERIFY(tell({}));
}

void tst_X11InputMethodMonitor::cleanupTestCase()
{
    for (QProcess *p : {&m_services, &m_bus}) {
        p->kill();
        p->waitForFinished();
    }
}

// Sends a line to the stand-in services (none when empty) and waits for their "ready".
bool tst_X11InputMethodMonitor::tell(const QByteArray &line)
{
    if (!line.isEmpty())
        m_services.write(line + '\n');
    if (!QTest::qWaitFor([this] { return m_services.canReadLine(); }, 10000))
        return false;
    return m_services.readLine().trimmed() == "ready";
}

void tst_X11InputMethodMonitor::report_followsTheServices()
{
    X11InputMethodMonitor monitor;
    QSignalSpy changes(&monitor, &X11InputMethodMonitor::reportChanged);
    QCOMPARE(monitor.report(), InputMethodReport{});
    monitor.setWatching(true);
    QTRY_COMPARE(monitor.report(), (InputMethodReport{1, u"xkb:us::eng"_s}));

    // Switched in the background: learnt without refresh() within a few rounds.
    QVERIFY(tell("fcitx 2"));
    QTRY_COMPARE_WITH_TIMEOUT(monitor.report().fcitxState, std::optional<int>(2), 2000);
    QVERIFY(tell("ibus pinyin"));
    QTRY_COMPARE_WITH_TIMEOUT(monitor.report().ibusEngine, std::optional<QString>(u"pinyin"_s), 2000);
    // fcitx5 leaves the bus (and is not started again by being asked).
    QVERIFY(tell("fcitx-"));
    QTRY_COMPARE_WITH_TIMEOUT(monitor.report(), (InputMethodReport{std::nullopt, u"pinyin"_s}), 2000);

    // Stopped: the report is forgotten at once and stays empty.
    monitor.setWatching(false);
    QCOMPARE(monitor.report(), InputMethodReport{});
    const qsizetype signalled = changes.size();
    QVERIFY(tell("ibus xkb:de::ger"));
    QTest::qWait(3 * X11InputMethodMonitor::RefreshMs);
    QCOMPARE(changes.size(), signalled);
    QCOMPARE(monitor.report(), InputMethodReport{});
}

QTEST_GUILESS_MAIN(tst_X11InputMethodMonitor)
#include "tst_x11inputmethodmonitor.moc"
