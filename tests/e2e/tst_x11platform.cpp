// SPDX-License-Identifier: GPL-3.0-or-later
// The X11 layer against a real X server (run under xvfb-run, no window manager) and the test
// client: the focused window, the window under the pointer, the pointer's position and left
// button, and hotkey grabs with their refusals and presses.
#include "platform/x11/x11nativeplatform.h"

#include <QCursor>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using namespace Qb::Platform;
using namespace Qt::StringLiterals;

namespace {

// A running qb-testclient ($QB_TESTCLIENT) and the window id it reported.
struct Client
{
    QProcess process;
    WindowId id = 0;

    explicit Client(const QStringList &options)
    {
        process.start(qEnvironmentVariable("QB_TESTCLIENT"), options);
        if (process.waitForReadyRead(20000))
            id = process.readLine().trimmed().toULongLong();
    }
    ~Client()
    {
        process.kill();
        process.waitForFinished();
    }
};

bool xdotool(const QStringList &arguments)
{
    return QProcess::execute(u"xdotool"_s, arguments) == 0;
}

} // namespace

class tst_X11Platform : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void focus_followsTheFocusedClient();
    void pointer_givesTheClientOrTheRoot();
    void pointerState_positionAndLeftButtonAnywhere();
    void hotkeys_grabRefuseAndDeliver();

private:
    std::unique_ptr<X11NativePlatform> m_platform;
};

void tst_X11Platform::initTestCase()
{
    if (QGuiApplication::platformName() != "xcb"_L1)
        QSKIP("needs Qt on xcb (run through xvfb-run)");
    m_platform = X11NativePlatform::create();
    QVERIFY(m_platform);
    QVERIFY(!qEnvironmentVariableIsEmpty("QB_TESTCLIENT"));
}

void tst_X11Platform::focus_followsTheFocusedClient()
{
    WindowSystem &windows = m_platform->windowSystem();
    Client first({u"--title"_s, u"first"_s, u"--geometry"_s, u"200x100+100+100"_s, u"--focus"_s});
    QVERIFY(first.id);
    QTRY_COMPARE(windows.focusedWindow(), std::optional<WindowId>(first.id));
    QVERIFY(windows.focusIsIn(first.id));
    Client second({u"--title"_s, u"second"_s, u"--geometry"_s, u"200x100+400+100"_s, u"--focus"_s});
    QVERIFY(second.id);
    QTRY_VERIFY(windows.focusIsIn(second.id));
    QVERIFY(!windows.focusIsIn(first.id));
    QVERIFY(!windows.focusIsIn(0));
    // A window that is gone is no error, just not focused.
    const WindowId gone = second.id;
    second.process.kill();
    second.process.waitForFinished();
    QTRY_VERIFY(!windows.focusIsIn(gone));
}

void tst_X11Platform::pointer_givesTheClientOrTheRoot()
{
    WindowSystem &windows = m_platform->windowSystem();
    Client client({u"--title"_s, u"pointed"_s, u"--geometry"_s, u"200x100+100+300"_s});
    QVERIFY(client.id);
    QVERIFY(xdotool({u"mousemove"_s, u"150"_s, u"350"_s}));
    QTRY_COMPARE(windows.windowUnderPointer(), std::optional<WindowId>(client.id));
    QVERIFY(xdotool({u"mousemove"_s, u"1000"_s, u"900"_s}));
    // Over no window: the root, which is no client.
    QTRY_VERIFY(windows.windowUnderPointer() != std::optional<WindowId>(client.id));
    QVERIFY(windows.windowUnderPointer().has_value());
}

void tst_X11Platform::pointerState_positionAndLeftButtonAnywhere()
{
    // Over the root window, where this program gets no mouse events: the server still tells.
    WindowSystem &windows = m_platform->windowSystem();
    const auto at = [&] { return windows.pointerState().value_or(PointerState{QPoint(-1, -1), false}); };
    QVERIFY(xdotool({u"mousemove"_s, u"321"_s, u"234"_s}));
    QTRY_COMPARE(at().position, QPoint(321, 234));
    QVERIFY(!at().leftButtonDown);
    QVERIFY(xdotool({u"mousedown"_s, u"1"_s}));
    QTRY_VERIFY(at().leftButtonDown);
    QVERIFY(!QGuiApplication::mouseButtons().testFlag(Qt::LeftButton));
    QVERIFY(xdotool({u"mouseup"_s, u"1"_s}));
    QTRY_VERIFY(!at().leftButtonDown);
}

void tst_X11Platform::hotkeys_grabRefuseAndDeliver()
{
    GlobalHotkeys &hotkeys = m_platform->globalHotkeys();
    QSignalSpy pressed(&hotkeys, &GlobalHotkeys::activated);
    QVERIFY(hotkeys.registerHotkey(1, HotkeyModifier::Control, 123));
    QCOMPARE(hotkeys.registerHotkey(2, HotkeyModifier::Control, 123), std::unexpected(HotkeyError::AlreadyHeld));
    QCOMPARE(hotkeys.registerHotkey(3, HotkeyModifier::Control, 0), std::unexpected(HotkeyError::UnknownKey));
    QCOMPARE(hotkeys.registerHotkey(4, 0x70, 113), std::unexpected(HotkeyError::UnsupportedModifiers));
    {
        Client holder({u"--title"_s, u"holder"_s, u"--grab"_s, u"control+F11"_s});
        QVERIFY(holder.id);
        QCOMPARE(hotkeys.registerHotkey(5, HotkeyModifier::Control, 122), std::unexpected(HotkeyError::Taken));
    }
    QVERIFY(xdotool({u"key"_s, u"ctrl+F12"_s, u"F12"_s, u"ctrl+F12"_s}));
    QTRY_COMPARE(pressed.size(), 2);
    QCOMPARE(pressed.at(1).at(0).toInt(), 1);
    // Given back, the combination is free for another client; with the holder gone, the
    // refused combination registers.
    hotkeys.unregisterHotkey(1);
    Client taker({u"--title"_s, u"taker"_s, u"--grab"_s, u"control+F12"_s});
    QVERIFY(taker.id);
    QVERIFY(hotkeys.registerHotkey(6, HotkeyModifier::Control, 122));
}

QTEST_MAIN(tst_X11Platform)
#include "tst_x11platform.moc"
