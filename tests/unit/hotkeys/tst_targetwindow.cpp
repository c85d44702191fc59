// SPDX-License-Identifier: GPL-3.0-or-later
// The target window: its first value, captures under the pointer, and the focus question the
// command hints ask.
#include "hotkeys/targetwindow.h"
#include "support/fakeplatform.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qb::Hotkeys;
using Qb::Platform::WindowId;
using Qb::Test::FakeWindowSystem;

Q_DECLARE_METATYPE(Qb::Hotkeys::TargetWindow)
Q_DECLARE_METATYPE(std::optional<Qb::Platform::WindowId>)

namespace {

constexpr WindowId Own = 0x2000007;
constexpr WindowId OtherA = 0x4000001;
constexpr WindowId OtherB = 0x4000002;
constexpr WindowId Root = 0x1ab;

} // namespace

class tst_TargetWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTargetWindow_makesTheEditorTheTargetOnce();
    void capture_data();
    void capture();
    void focusIsInTarget_data();
    void focusIsInTarget();
};

void tst_TargetWindow::initTargetWindow_makesTheEditorTheTargetOnce()
{
    TargetWindowState state;
    QVERIFY(state.current().isNone());
    QSignalSpy changed(&state, &TargetWindowState::changed);
    InitTargetWindow(state);
    QVERIFY(state.current().isOwnEditor());
    InitTargetWindow(state);
    QCOMPARE(changed.size(), 1);
}

void tst_TargetWindow::capture_data()
{
    QTest::addColumn<TargetWindow>("before");
    QTest::addColumn<std::optional<WindowId>>("pointer");
    QTest::addColumn<TargetWindow>("after");
    QTest::addColumn<std::optional<WindowId>>("shown"); // the id the status bar shows
    using W = std::optional<WindowId>;
    const TargetWindow editor = TargetWindow::ownEditor();
    QTest::newRow("other program from the editor") << editor << W(OtherA) << TargetWindow::foreign(OtherA) << W(OtherA);
    QTest::newRow("same window again: no change") << TargetWindow::foreign(OtherA) << W(OtherA)
                                                   << TargetWindow::foreign(OtherA) << W();
    QTest::newRow("another window") << TargetWindow::foreign(OtherA) << W(OtherB) << TargetWindow::foreign(OtherB)
                                    << W(OtherB);
    QTest::newRow("own window restores the editor") << TargetWindow::foreign(OtherA) << W(Own) << editor << W(Own);
    QTest::newRow("own window while the editor is the target") << editor << W(Own) << editor << W();
    QTest::newRow("before the first activation") << TargetWindow() << W(Own) << editor << W(Own);
    QTest::newRow("the desktop is captured as it is") << editor << W(Root) << TargetWindow::foreign(Root) << W(Root);
    QTest::newRow("nothing can be told (no display)") << TargetWindow::foreign(OtherA) << W()
                                                      << TargetWindow::foreign(OtherA) << W();
}

void tst_TargetWindow::capture()
{
    QFETCH(TargetWindow, before);
    QFETCH(std::optional<WindowId>, pointer);
    QFETCH(TargetWindow, after);
    QFETCH(std::optional<WindowId>, shown);
    TargetWindowState state;
    state.set(before);
    QSignalSpy changed(&state, &TargetWindowState::changed);
    FakeWindowSystem windows;
    windows.pointer = pointer;
    const auto result = CaptureWindowUnderPointer(state, windows, [](WindowId id) { return id == Own; });
    QCOMPARE(result, shown);
    QCOMPARE(state.current(), after);
    QCOMPARE(changed.size(), shown ? 1 : 0);
    if (shown)
        QCOMPARE(changed.at(0).at(0).value<TargetWindow>(), after);
}

void tst_TargetWindow::focusIsInTarget_data()
{
    QTest::addColumn<TargetWindow>("target");
    QTest::addColumn<std::optional<WindowId>>("focus");
    QTest::addColumn<bool>("editorFocused");
    QTest::addColumn<bool>("in");
    using W = std::optional<WindowId>;
    QTest::newRow("none") << TargetWindow() << W(OtherA) << true << false;
    QTest::newRow("editor focused") << TargetWindow::ownEditor() << W(Own) << true << true;
    QTest::newRow("editor, focus elsewhere in the program") << TargetWindow::ownEditor() << W(Own) << false << false;
    QTest::newRow("foreign window focused") << TargetWindow::foreign(OtherA) << W(OtherA) << false << true;
    QTest::newRow("foreign window, another focused") << TargetWindow::foreign(OtherA) << W(OtherB) << true << false;
    QTest::newRow("foreign window closed (no focus)") << TargetWindow::foreign(OtherA) << W() << false << false;
}

void tst_TargetWindow::focusIsInTarget()
{
    QFETCH(TargetWindow, target);
    QFETCH(std::optional<WindowId>, focus);
    QFETCH(bool, editorFocused);
    FakeWindowSystem windows;
    windows.focus = focus;
    QTEST(Qb::Hotkeys::focusIsInTarget(target, windows, editorFocused), "in");
}

QTEST_GUILESS_MAIN(tst_TargetWindow)
#include "tst_targetwindow.moc"
