// SPDX-License-Identifier: GPL-3.0-or-later
// The X11 key watcher against a real X server (run under xvfb-run, no window manager), driven by
// xdotool and the test client: recorded keys named by what they type, with their modifiers and
// the keypad told apart; recording only between start and stop; the list keys kept from the
// focused client in every lock-key state, and every other key still reaching it.
#include "platform/x11/x11nativeplatform.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qb::Platform;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(Qb::Platform::WatchedKeyPress)

namespace {

// A running qb-testclient ($QB_TESTCLIENT) with the focus, logging the keys it receives.
struct Client
{
    QTemporaryDir dir;
    QProcess process;
    WindowId id = 0;

    Client()
    {
        process.start(qEnvironmentVariable("QB_TESTCLIENT"),
                      {u"--title"_s, u"watched"_s, u"--geometry"_s, u"300x200+100+100"_s, u"--focus"_s,
                       u"--keys"_s, dir.filePath(u"keys"_s)});
        if (process.waitForReadyRead(20000))
            id = process.readLine().trimmed().toULongLong();
    }
    ~Client()
    {
        process.kill();
        process.waitForFinished();
    }
    // The keys received so far, modifier keys left out.
    QStringList keys() const
    {
        QFile file(dir.filePath(u"keys"_s));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList out;
        for (const QByteArray &line : file.readAll().split('\n')) {
            static const QList<QByteArray> modifiers{"Shift_L", "Control_L", "Alt_L", "Num_Lock", "Caps_Lock"};
            if (!line.isEmpty() && !modifiers.contains(line))
                out << QString::fromLatin1(line);
        }
        return out;
    }
};

bool xdotool(const QStringList &arguments)
{
    return QProcess::execute(u"xdotool"_s, arguments) == 0;
}

// The presses that name a key or carry a modifier; a modifier key's own press (no key, no
// modifier yet) is left out.
QList<WatchedKeyPress> meaningful(const QSignalSpy &spy)
{
    QList<WatchedKeyPress> out;
    for (const QList<QVariant> &signal : spy) {
        const auto press = signal.at(0).value<WatchedKeyPress>();
        if (press.key != Qt::Key_unknown || press.modifiers != Qt::NoModifier)
            out << press;
    }
    return out;
}

} // namespace

class tst_X11KeyWatcher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void recording_namesKeysByWhatTheyType_data();
    void recording_namesKeysByWhatTheyType();
    void recording_onlyBetweenStartAndStop();
    void recording_stoppedByAReceiver();
    void withholding_listKeysInEveryLockState_data();
    void withholding_listKeysInEveryLockState();

private:
    std::unique_ptr<X11NativePlatform> m_platform;
};

void tst_X11KeyWatcher::initTestCase()
{
    if (QGuiApplication::platformName() != "xcb"_L1)
        QSKIP("needs Qt on xcb (run through xvfb-run)");
    qRegisterMetaType<WatchedKeyPress>();
    m_platform = X11NativePlatform::create();
    QVERIFY(m_platform);
    QVERIFY(!qEnvironmentVariableIsEmpty("QB_TESTCLIENT"));
}

void tst_X11KeyWatcher::recording_namesKeysByWhatTheyType_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    using M = Qt::KeyboardModifiers;
    QTest::newRow("letter") << u"p"_s << int(Qt::Key_P) << M();
    QTest::newRow("capital") << u"shift+p"_s << int(Qt::Key_P) << M(Qt::ShiftModifier);
    QTest::newRow("control letter") << u"ctrl+c"_s << int(Qt::Key_C) << M(Qt::ControlModifier);
    QTest::newRow("alt letter") << u"alt+p"_s << int(Qt::Key_P) << M(Qt::AltModifier);
    QTest::newRow("digit") << u"7"_s << int(Qt::Key_7) << M();
    QTest::newRow("shift+1 types !, no digit") << u"shift+1"_s << int(Qt::Key_unknown) << M(Qt::ShiftModifier);
    QTest::newRow("keypad digit") << u"KP_7"_s << int(Qt::Key_unknown) << M(Qt::KeypadModifier);
    QTest::newRow("space") << u"space"_s << int(Qt::Key_Space) << M();
    QTest::newRow("escape") << u"Escape"_s << int(Qt::Key_Escape) << M();
    QTest::newRow("page down") << u"Next"_s << int(Qt::Key_PageDown) << M();
    QTest::newRow("page up") << u"Prior"_s << int(Qt::Key_PageUp) << M();
    QTest::newRow("return") << u"Return"_s << int(Qt::Key_Return) << M();
}

void tst_X11KeyWatcher::recording_namesKeysByWhatTheyType()
{
    QFETCH(QString, keys);
    KeyWatcher &watcher = m_platform->keyWatcher();
    QSignalSpy spy(&watcher, &KeyWatcher::keyPressed);
    QVERIFY(watcher.startRecording());
    QVERIFY(xdotool({u"key"_s, keys}));
    QTRY_COMPARE(meaningful(spy).size(), 1);
    const WatchedKeyPress press = meaningful(spy).first();
    watcher.stopRecording();
    QTEST(press.key, "key");
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QCOMPARE(press.modifiers & ~Qt::KeyboardModifiers(Qt::GroupSwitchModifier), modifiers);
}

void tst_X11KeyWatcher::recording_onlyBetweenStartAndStop()
{
    KeyWatcher &watcher = m_platform->keyWatcher();
    QSignalSpy spy(&watcher, &KeyWatcher::keyPressed);
    QVERIFY(!watcher.recording());
    QVERIFY(xdotool({u"key"_s, u"a"_s}));
    QVERIFY(watcher.startRecording());
    QVERIFY(watcher.startRecording()); // a second start changes nothing
    QVERIFY(xdotool({u"key"_s, u"b"_s, u"c"_s}));
    QTRY_COMPARE(spy.size(), 2);
    watcher.stopRecording();
    QVERIFY(!watcher.recording());
    QVERIFY(xdotool({u"key"_s, u"d"_s}));
    // A key after the stop would have come in as fast as those before; a restart then shows
    // that the recording itself still works and that "d" was never delivered.
    QVERIFY(watcher.startRecording());
    QVERIFY(xdotool({u"key"_s, u"e"_s}));
    QTRY_COMPARE(spy.size(), 3);
    watcher.stopRecording();
    QCOMPARE(spy.at(0).at(0).value<WatchedKeyPress>().key, int(Qt::Key_B));
    QCOMPARE(spy.at(1).at(0).value<WatchedKeyPress>().key, int(Qt::Key_C));
    QCOMPARE(spy.at(2).at(0).value<WatchedKeyPress>().key, int(Qt::Key_E));
}

// A receiver may stop the recording (the hints do when Esc hides a list with hints off): the
// presses still on their way are dropped, and the next start records again.
void tst_X11KeyWatcher::recording_stoppedByAReceiver()
{
    KeyWatcher &watcher = m_platform->keyWatcher();
    QList<int> received;
    const auto connection = connect(&watcher, &KeyWatcher::keyPressed, this, [&](const WatchedKeyPress &press) {
        received << press.key;
        watcher.stopRecording();
    });
    QVERIFY(watcher.startRecording());
    QVERIFY(xdotool({u"key"_s, u"--delay"_s, u"0"_s, u"a"_s, u"b"_s, u"c"_s}));
    QTRY_VERIFY(!watcher.recording());
    QCOMPARE(received, QList<int>{Qt::Key_A});
    QVERIFY(watcher.startRecording());
    QVERIFY(xdotool({u"key"_s, u"d"_s}));
    QTRY_COMPARE(received.size(), 2);
    QCOMPARE(received.last(), int(Qt::Key_D));
    disconnect(connection);
}

void tst_X11KeyWatcher::withholding_listKeysInEveryLockState_data()
{
    QTest::addColumn<QStringList>("locks");
    QTest::newRow("no lock") << QStringList();
    QTest::newRow("NumLock") << QStringList{u"Num_Lock"_s};
    QTest::newRow("CapsLock") << QStringList{u"Caps_Lock"_s};
    QTest::newRow("both") << QStringList{u"Num_Lock"_s, u"Caps_Lock"_s};
}

void tst_X11KeyWatcher::withholding_listKeysInEveryLockState()
{
    QFETCH(QStringList, locks);
    Client client;
    QVERIFY(client.id);
    QTRY_VERIFY(m_platform->windowSystem().focusIsIn(client.id));
    for (const QString &lock : locks)
        QVERIFY(xdotool({u"key"_s, lock}));
    KeyWatcher &watcher = m_platform->keyWatcher();
    QVERIFY(watcher.withholdListKeys(true));
    QVERIFY(watcher.withholdingListKeys());
    // Withheld: digits (also with Control), space, Escape (also with Shift). Passed: letters,
    // the keypad, Alt with a digit, and the symbol Shift+1 types.
    QVERIFY(xdotool({u"key"_s, u"1"_s, u"a"_s, u"ctrl+2"_s, u"space"_s, u"shift+Escape"_s, u"KP_Add"_s,
                     u"alt+3"_s, u"shift+1"_s, u"b"_s}));
    QTRY_COMPARE(client.keys().size(), 5);
    QStringList expected{u"a"_s, u"KP_Add"_s, u"3"_s, u"exclam"_s, u"b"_s};
    if (locks.contains(u"Caps_Lock"_s))
        expected = {u"A"_s, u"KP_Add"_s, u"3"_s, u"exclam"_s, u"B"_s};
    QCOMPARE(client.keys(), expected);

    QVERIFY(watcher.withholdListKeys(false));
    QVERIFY(!watcher.withholdingListKeys());
    QVERIFY(xdotool({u"key"_s, u"1"_s, u"space"_s}));
    QTRY_COMPARE(client.keys().size(), 7);
    QCOMPARE(client.keys().mid(5), (QStringList{u"1"_s, u"space"_s}));
    for (const QString &lock : locks)
        QVERIFY(xdotool({u"key"_s, lock}));
}

QTEST_MAIN(tst_X11KeyWatcher)
#include "tst_x11keywatcher.moc"
