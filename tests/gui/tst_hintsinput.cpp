// SPDX-License-Identifier: GPL-3.0-or-later
// Command hints in the started main window beside input methods and another program's caret:
// the editor's input-method events with text being composed, the input method services' report
// for another program's window, and the list placed at the caret that the accessibility service
// reports (or beside the pointer), with both services used only while they are needed.
#include "programwindow_support.h"
#include "editor/ui/hintwindow.h"
#include "editor/ui/scripteditor.h"
#include "editor/foreigncaret.h"

#include <QApplication>
#include <QCursor>
#include <QInputMethodEvent>
#include <QTest>

using namespace Qt::StringLiterals;
using Qb::Editor::HintWindow;
using Qb::Hotkeys::TargetWindow;

namespace {

constexpr Qb::Platform::WindowId OtherWindow = 0x2a00007;

struct Started : Qb::Test::ProgramWindow
{
    explicit Started(const QByteArray &ini) : ProgramWindow(ini)
    {
        useFakePlatform();
        if (!create()->OnMainWindowCreated())
            return;
        for (const char *hint : {"print(", "private"})
            context.CommandStore.Insert(u"命令表"_s, u"命令,说明"_s, u"'"_s + QString::fromUtf8(hint) + u"',''"_s);
    }
    bool show()
    {
        window->show();
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            return false;
        editor()->setFocus();
        return QTest::qWaitFor([this] { return editor()->hasFocus(); });
    }
    Qb::Editor::ScriptEditor *editor() const { return window->findChild<Qb::Editor::ScriptEditor *>(u"代码编辑框1"_s); }
    HintWindow *hintWindow() const
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *hint = qobject_cast<HintWindow *>(w))
                return hint;
        return nullptr;
    }
    bool listShown() const { return hintWindow()->isVisible(); }
    void compose(const QString &preedit, const QString &commit = {})
    {
        QInputMethodEvent event(preedit, {});
        event.setCommitString(commit);
        QApplication::sendEvent(editor(), &event);
    }
    void foreignTarget()
    {
        context.TargetWindow.set(TargetWindow::foreign(OtherWindow));
        fake->windows.focus = OtherWindow;
    }
    QAction *item(const char *caption) const { return window->menuAction(QString::fromUtf8(caption)); }
};

} // namespace

class tst_HintsInput : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void editor_preeditKeepsListAway();
    void otherProgram_inputMethodReport();
    void otherProgram_listAtReportedCaretOrPointer();
    void otherProgram_servicesOnlyWhileNeeded();
};

void tst_HintsInput::editor_preeditKeepsListAway()
{
    Started s("[xitong]\nmlts=真\ngbgz=假\n");
    QVERIFY(s.show());
    // While text is being composed, typed letters open no list.
    s.compose(u"p"_s);
    QTest::keyClicks(s.editor(), u"ri"_s);
    QVERIFY(!s.listShown());
    // Committed: the hints work again.
    s.compose({}, u"拼"_s);
    QTest::keyClicks(s.editor(), u"pri"_s);
    QVERIFY(s.listShown());
    // Composing starts while a list shows: it hides, and the digit is the editor's again.
    s.compose(u"n"_s);
    QVERIFY(!s.listShown());
    s.compose({}, QString());
    QTest::keyClicks(s.editor(), u"1"_s);
    QVERIFY2(s.editor()->GetScriptText().endsWith(u"pri1"_s), qPrintable(s.editor()->GetScriptText()));
}

void tst_HintsInput::otherProgram_inputMethodReport()
{
    Started s("[xitong]\nmlts=真\ngbgz=假\n");
    QVERIFY(s.show());
    Qb::Test::FakeKeyWatcher &keys = s.fake->keys;
    Qb::Test::FakeInputMethodMonitor &ims = s.fake->inputMethods;
    s.foreignTarget();
    QVERIFY(ims.isWatching);
    ims.set({2, {}});
    keys.type(Qt::Key_P);
    keys.type(Qt::Key_R);
    QVERIFY(!s.listShown());
    QVERIFY(!keys.isWithholding); // the digit goes to the input method's candidates
    QVERIFY(ims.refreshes >= 2);  // asked again after each key, in the background
    // Switched to English: as before; switched on again while the list shows: it hides.
    ims.set({1, {}});
    keys.type(Qt::Key_P);
    QVERIFY(s.listShown());
    QVERIFY(keys.isWithholding);
    ims.set({1, u"pinyin"_s});
    QVERIFY(!s.listShown());
    QVERIFY(!keys.isWithholding);
    ims.set({1, u"xkb:us::eng"_s});
    keys.type(Qt::Key_P);
    QVERIFY(s.listShown());
}

void tst_HintsInput::otherProgram_listAtReportedCaretOrPointer()
{
    Started s("[xitong]\nmlts=真\ngbgz=真\n");
    QVERIFY(s.show());
    Qb::Test::FakeKeyWatcher &keys = s.fake->keys;
    Qb::Test::FakeCaretLocator &carets = s.fake->carets;
    s.foreignTarget();
    QVERIFY(carets.isConnected);
    QCursor::setPos(600, 500);
    const QPoint pointer = QCursor::pos();

    // Answered: the list appears at the caret + (10, 20), and follows it.
    keys.type(Qt::Key_P);
    QCOMPARE(carets.requests.size(), 1u);
    QCOMPARE(carets.requests.back().second, OtherWindow);
    QVERIFY(!s.listShown()); // waiting for the answer
    carets.answer(QPoint(240, 130));
    QVERIFY(s.listShown());
    QCOMPARE(s.hintWindow()->pos(), QPoint(250, 150));
    carets.moveCaret();
    carets.answer(QPoint(248, 130));
    QCOMPARE(s.hintWindow()->pos(), QPoint(258, 150));

    // No answer within the wait: beside the pointer.
    keys.type(Qt::Key_Escape);
    keys.type(Qt::Key_P);
    QVERIFY(!s.listShown());
    QTRY_VERIFY_WITH_TIMEOUT(s.listShown(), 2000);
    QCOMPARE(s.hintWindow()->pos(), pointer + QPoint(10, 20));

    // Hidden before the answer came: it shows nothing when it comes.
    keys.type(Qt::Key_Escape);
    keys.type(Qt::Key_P);
    keys.type(Qt::Key_Escape);
    carets.answer(QPoint(100, 100));
    QTest::qWait(Qb::Editor::ForeignCaret::AnswerWaitMs * 2);
    QVERIFY(!s.listShown());
}

void tst_HintsInput::otherProgram_servicesOnlyWhileNeeded()
{
    Started s("[xitong]\nmlts=真\ngbgz=真\n");
    QVERIFY(s.show());
    Qb::Test::FakeCaretLocator &carets = s.fake->carets;
    Qb::Test::FakeInputMethodMonitor &ims = s.fake->inputMethods;
    // The program's own editor: neither the accessibility bus nor the input methods are asked.
    QTest::keyClicks(s.editor(), u"pri"_s);
    QVERIFY(!carets.isConnected);
    QVERIFY(!ims.isWatching);
    QVERIFY(carets.requests.empty());
    QTest::keyClick(s.editor(), Qt::Key_Escape);

    s.foreignTarget();
    QVERIFY(carets.isConnected);
    QVERIFY(ims.isWatching);
    s.item("命令提示")->trigger(); // hints off
    QVERIFY(!carets.isConnected);
    QVERIFY(!ims.isWatching);
    s.item("命令提示")->trigger();
    QVERIFY(carets.isConnected);
    s.context.TargetWindow.set(TargetWindow::ownEditor());
    QVERIFY(!carets.isConnected);
    QVERIFY(!ims.isWatching);
    s.foreignTarget();
    s.window.reset(); // shut-down
    QVERIFY(!carets.isConnected);
    QVERIFY(!ims.isWatching);
}

QTEST_MAIN(tst_HintsInput)
#include "tst_hintsinput.moc"
