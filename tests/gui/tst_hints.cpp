// SPDX-License-Identifier: GPL-3.0-or-later
// Command hints in the started main window, driven by real key and mouse events: typing in the
// program's own editor, the hint window (its kind of window, place, drawing, clicks, dragging,
// caret tracking), the 功能(&G) items and their settings, the 添加命令提示 dialog, another
// program's window through a scripted key watcher, and the start-up and shut-down steps.
#include "messagebox_support.h"
#include "programwindow_support.h"
#include "editor/ui/hintcontroller.h"
#include "editor/ui/hintentrydialog.h"
#include "editor/ui/hintwindow.h"
#include "editor/ui/scripteditor.h"
#include "app/ui/settingsdialog.h"

#include <QCheckBox>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qb::App;
using namespace Qt::StringLiterals;
using Qb::Editor::HintWindow;
using Qb::Hotkeys::TargetWindow;

Q_DECLARE_METATYPE(Qb::Platform::TextSendMethod)

namespace {

constexpr Qb::Platform::WindowId OtherWindow = 0x2a00007;

// A started main window on a temporary program directory, with a scripted native platform, the
// editor focused as the default target.
struct Started : Qb::Test::ProgramWindow
{
    explicit Started(const QByteArray &ini = {}, const QStringList &hints = {u"print("_s, u"private"_s})
        : ProgramWindow(ini)
    {
        useFakePlatform();
        if (!create()->OnMainWindowCreated())
            return;
        for (const QString &hint : hints)
            context.CommandStore.Insert(u"命令表"_s, u"命令,说明"_s, u"'"_s + hint + u"',''"_s);
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
    Qb::Editor::HintController *hints() const { return window->findChild<Qb::Editor::HintController *>(); }
    HintWindow *hintWindow() const
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *hint = qobject_cast<HintWindow *>(w))
                return hint;
        return nullptr;
    }
    QString text() const { return editor()->GetScriptText(); }
    void type(const QString &keys) { QTest::keyClicks(editor(), keys); }
    QAction *item(const char *caption) const { return window->menuAction(QString::fromUtf8(caption)); }
};

// Pixels of `colour` in rows [top, top + 16) of the panel's picture.
int pixelsOf(const QPixmap &picture, QRgb colour, int top)
{
    const QImage image = picture.toImage();
    int count = 0;
    for (int y = top; y < top + 16 && y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
    return count;
}

} // namespace

class tst_Hints : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void hintWindow_kindSizeAndPlace();
    void ownEditor_typingChoosingHiding();
    void ownEditor_pageDrawnInItsColours();
    void tracking_followsCaretOrStays();
    void mouse_clickChoosesDragMovesDoubleClickOutlines();
    void menuItems_switchAndPersist();
    void hintsOff_letterDoNothingShownListStillReacts();
    void otherProgram_recordedKeysWithheldListKeys();
    void otherProgram_recordingOnlyWhenNeeded();
    void intoTarget_sentToTheOtherWindowWithoutFocus_data();
    void intoTarget_sentToTheOtherWindowWithoutFocus();
    void intoTarget_ownEditorAndOptionOffUnchanged();
    void intoTarget_settingsCheckBoxWritesAndActsAtOnce();
    void entryDialog_addsQuotedTextAndRefuses();
    void startupAndShutdown_hookAndWindow();
};

void tst_Hints::hintWindow_kindSizeAndPlace()
{
    Started s;
    HintWindow *w = s.hintWindow();
    QVERIFY(w);
    QCOMPARE(w->objectName(), u"HintWindow"_s);
    QVERIFY(!w->isVisible());
    const Qt::WindowFlags flags = w->windowFlags();
    QVERIFY(flags.testFlag(Qt::FramelessWindowHint));
    QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(flags.testFlag(Qt::WindowDoesNotAcceptFocus));
    QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool); // no taskbar entry
    QCOMPARE(w->size(), QSize(160, 176));
    auto *panel = w->findChild<QWidget *>(u"画板1"_s);
    QVERIFY(panel);
    QCOMPARE(panel->geometry(), QRect(0, 0, 160, 176));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(w->pos(), QPoint(screen.width() / 2 - 80, screen.height() - 176 - 30));
}

void tst_Hints::ownEditor_typingChoosingHiding()
{
    Started s("[xitong]\nmlts=真\ngbgz=假\n");
    QVERIFY(s.show());
    s.type(u"pri"_s);
    HintWindow *w = s.hintWindow();
    QVERIFY(w->isVisible());
    QVERIFY(s.editor()->hasFocus()); // the list never takes the focus
    QCOMPARE(s.hints()->machine().matchList(), (QStringList{u"print("_s, u"private"_s}));
    s.type(u"0"_s);
    QVERIFY(!w->isVisible());
    QCOMPARE(s.text(), u"print("_s); // the rest went in, the digit did not
    QTRY_COMPARE(s.editor()->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS), 6L);

    // Esc hides and is not typed; with no list, digits, space and Esc are the editor's.
    s.type(u" pr"_s);
    QVERIFY(w->isVisible());
    QTest::keyClick(s.editor(), Qt::Key_Escape);
    QVERIFY(!w->isVisible());
    s.type(u"5"_s);
    QCOMPARE(s.text(), u"print( pr5"_s);
    // A letter without match resets the prefix (X finds nothing); the next letter starts anew.
    s.type(u"x"_s);
    QVERIFY(!w->isVisible());
    s.type(u"p"_s);
    QVERIFY(w->isVisible());
    QCOMPARE(s.hints()->machine().typedPrefix(), u"P"_s);
    // Control held: Ctrl+I does not extend the prefix.
    QTest::keyClick(s.editor(), Qt::Key_I, Qt::ControlModifier);
    QCOMPARE(s.hints()->machine().typedPrefix(), u"P"_s);
}

void tst_Hints::ownEditor_pageDrawnInItsColours()
{
    Started s("[xitong]\nmlts=真\n");
    QVERIFY(s.show());
    s.type(u"pri"_s);
    const QPixmap &shown = s.hintWindow()->panel()->shown();
    QVERIFY(pixelsOf(shown, qRgb(0, 0, 255), 0) > 20);    // "0.print(" in blue
    QCOMPARE(pixelsOf(shown, qRgb(128, 128, 0), 0), 0);
    QVERIFY(pixelsOf(shown, qRgb(128, 128, 0), 16) > 20); // "1.private" in olive
    QCOMPARE(pixelsOf(shown, qRgb(0, 0, 255), 16), 0);
    QCOMPARE(pixelsOf(shown, qRgb(0, 0, 0), 40), 0);      // nothing below the two lines
}

void tst_Hints::tracking_followsCaretOrStays()
{
    Started s("[xitong]\nmlts=真\n"); // 光标跟踪 defaults to on
    QVERIFY(s.show());
    Qb::Editor::ScriptEditor *editor = s.editor();
    const auto caretPoint = [editor] {
        const long pos = editor->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS);
        return QPoint(int(editor->SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0UL, pos)),
                      int(editor->SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0UL, pos)));
    };
    editor->SetScriptText(u"x = 1\nyy"_s);
    editor->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, 8UL);
    // The key is seen before the editor handles it: the caret is where the letter goes.
    const QPoint caret = caretPoint();
    QVERIFY(caret.x() != 0 && caret.y() != 0);
    s.type(u"p"_s);
    QCOMPARE(s.hintWindow()->pos(), editor->viewport()->mapToGlobal(caret) + QPoint(10, 20));

    // Off: the window stays where it was, wherever the caret goes.
    QTest::keyClick(editor, Qt::Key_Escape);
    s.item("光标跟踪")->trigger();
    const QPoint before = s.hintWindow()->pos();
    QTest::keyClick(editor, Qt::Key_Return);
    s.type(u"p"_s);
    QCOMPARE(s.hintWindow()->pos(), before);
    // On again: it follows the caret to the next line.
    QTest::keyClick(editor, Qt::Key_Escape);
    s.item("光标跟踪")->trigger();
    QTest::keyClick(editor, Qt::Key_Return);
    const QPoint below = caretPoint();
    s.type(u"p"_s);
    QCOMPARE(s.hintWindow()->pos(), editor->viewport()->mapToGlobal(below) + QPoint(10, 20));
}

void tst_Hints::mouse_clickChoosesDragMovesDoubleClickOutlines()
{
    Started s("[xitong]\nmlts=真\ngbgz=假\n");
    QVERIFY(s.show());
    s.type(u"pri"_s);
    HintWindow *w = s.hintWindow();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QWidget *panel = w->panel();

    const auto moveTo = [panel](QPoint at, Qt::MouseButtons held) {
        QMouseEvent move(QEvent::MouseMove, QPointF(at), panel->mapToGlobal(QPointF(at)), Qt::NoButton, held,
                         Qt::NoModifier);
        QApplication::sendEvent(panel, &move);
    };
    // The pointer: a hand over a line, the arrow elsewhere.
    moveTo(QPoint(5, 20), Qt::NoButton);
    QCOMPARE(panel->cursor().shape(), Qt::PointingHandCursor);
    moveTo(QPoint(5, 120), Qt::NoButton);
    QCOMPARE(panel->cursor().shape(), Qt::ArrowCursor);

    // Pressing off the lines and moving drags the window.
    const QPoint start = w->pos();
    QTest::mousePress(panel, Qt::LeftButton, {}, QPoint(80, 120));
    moveTo(QPoint(110, 150), Qt::LeftButton);
    QTest::mouseRelease(panel, Qt::LeftButton, {}, QPoint(110, 150));
    QCOMPARE(w->pos(), start + QPoint(30, 30));
    QVERIFY(w->isVisible());

    // A double click draws the ten outlines again over the page.
    QTest::mouseDClick(panel, Qt::LeftButton, {}, QPoint(80, 170));
    const QImage picture = w->panel()->shown().toImage();
    QCOMPARE(picture.pixel(1, 1) & 0xFFFFFF, 0u);
    QCOMPARE(picture.pixel(150, 145) & 0xFFFFFF, 0u);
    QVERIFY(w->isVisible());

    // The edge the two lines share (y 17) belongs to the upper line.
    QTest::mouseClick(panel, Qt::LeftButton, {}, QPoint(5, 17));
    QVERIFY(!w->isVisible());
    QCOMPARE(s.text(), u"print("_s);
}

void tst_Hints::menuItems_switchAndPersist()
{
    Started s;
    QVERIFY(s.show());
    QVERIFY(!s.hints()->keyboardHookInstalled()); // off at first start: no hook yet
    s.type(u"pri"_s);
    QVERIFY(!s.hintWindow()->isVisible());

    s.item("命令提示")->trigger();
    QVERIFY(s.item("命令提示")->isChecked());
    QVERIFY(s.context.HintsOn);
    QVERIFY(s.hints()->keyboardHookInstalled());
    QCOMPARE(s.settings().read(Qb::Settings::Keys::Mlts), u"真"_s);
    s.type(u"p"_s);
    QVERIFY(s.hintWindow()->isVisible());
    QTest::keyClick(s.editor(), Qt::Key_Escape);

    s.item("命令提示")->trigger();
    QVERIFY(!s.context.HintsOn);
    QVERIFY(s.hints()->keyboardHookInstalled()); // the hook stays
    QCOMPARE(s.settings().read(Qb::Settings::Keys::Mlts), u"假"_s);

    s.item("光标跟踪")->trigger();
    QCOMPARE(s.settings().read(Qb::Settings::Keys::Gbgz), u"假"_s);
    s.item("光标跟踪")->trigger();
    QCOMPARE(s.settings().read(Qb::Settings::Keys::Gbgz), u"真"_s);
}

void tst_Hints::hintsOff_letterDoNothingShownListStillReacts()
{
    QStringList many;
    for (int i = 1; i <= 12; ++i)
        many << u"pr%1"_s.arg(i, 2, 10, QLatin1Char('0'));
    Started s("[xitong]\nmlts=真\ngbgz=假\n", many);
    QVERIFY(s.show());
    s.type(u"pr"_s);
    s.item("命令提示")->trigger(); // off, the list stays
    s.type(u"x"_s);
    QCOMPARE(s.hints()->machine().typedPrefix(), u"PR"_s);
    QTest::keyClick(s.editor(), Qt::Key_PageDown);
    QCOMPARE(s.hints()->machine().pageFirst(), 10);
    s.type(u"1"_s);
    QCOMPARE(s.text(), u"prx12"_s);
    QVERIFY(!s.hintWindow()->isVisible());
    s.type(u"pr"_s);
    QVERIFY(!s.hintWindow()->isVisible());
}

void tst_Hints::otherProgram_recordedKeysWithheldListKeys()
{
    Started s("[xitong]\nmlts=真\ngbgz=假\n");
    QVERIFY(s.show());
    Qb::Test::FakeKeyWatcher &keys = s.fake->keys;
    s.context.TargetWindow.set(TargetWindow::foreign(OtherWindow));
    s.fake->windows.focus = OtherWindow;
    QVERIFY(keys.isRecording);

    keys.type(Qt::Key_P);
    keys.type(Qt::Key_R, Qt::ShiftModifier);
    keys.type(Qt::Key_I);
    QVERIFY(s.hintWindow()->isVisible());
    QVERIFY(keys.isWithholding); // the digits, space and Esc are taken while the list shows
    keys.type(Qt::Key_1);
    QCOMPARE(s.text(), u"vate"_s); // into this program's editor
    QVERIFY(!s.hintWindow()->isVisible());
    QVERIFY(!keys.isWithholding);

    // Keys that do not count: typed elsewhere, on the keypad, with Alt.
    keys.type(Qt::Key_P, Qt::AltModifier);
    keys.type(Qt::Key_P, Qt::KeypadModifier);
    s.fake->windows.focus = 0x99;
    keys.type(Qt::Key_P);
    QVERIFY(!s.hintWindow()->isVisible());
    // Keys typed in this program's editor no longer count either. (The caret goes behind the
    // inserted text 200 ms after the insertion.)
    QTRY_COMPARE(s.editor()->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS), 4L);
    s.type(u"p"_s);
    QVERIFY(!s.hintWindow()->isVisible());
    QCOMPARE(s.text(), u"vatep"_s);
}

void tst_Hints::otherProgram_recordingOnlyWhenNeeded()
{
    Started s("[xitong]\nmlts=真\ngbgz=假\n");
    QVERIFY(s.show());
    Qb::Test::FakeKeyWatcher &keys = s.fake->keys;
    QVERIFY(!keys.isRecording); // the program's own editor is the target: nothing recorded
    s.context.TargetWindow.set(TargetWindow::foreign(OtherWindow));
    s.fake->windows.focus = OtherWindow;
    QVERIFY(keys.isRecording);
    keys.type(Qt::Key_P);
    s.item("命令提示")->trigger(); // hints off, but a list is shown: still recording
    QVERIFY(keys.isRecording);
    keys.type(Qt::Key_Escape);
    QVERIFY(!keys.isRecording);
    QVERIFY(!keys.isWithholding);
    s.item("命令提示")->trigger();
    QVERIFY(keys.isRecording);
    keys.type(Qt::Key_P);
    QVERIFY(keys.isWithholding);
    // Back to the own editor with a list shown: the grabs go, the editor's keys work.
    s.context.TargetWindow.set(TargetWindow::ownEditor());
    QVERIFY(!keys.isRecording);
    QVERIFY(!keys.isWithholding);
    s.type(u"0"_s);
    QCOMPARE(s.text(), u"print("_s.mid(1));
}

void tst_Hints::entryDialog_addsQuotedTextAndRefuses()
{
    Started s({}, {});
    QVERIFY(s.show());
    QString duplicate, empty;
    QStringList afterAdd;
    bool focused = false;
    QTimer::singleShot(0, [&] {
        auto *d = qobject_cast<Qb::Editor::HintEntryDialog *>(QApplication::activeModalWidget());
        QVERIFY(d);
        QVERIFY(QTest::qWaitForWindowActive(d));
        auto *name = d->control<QLineEdit>("编辑框1");
        auto *description = d->control<QLineEdit>("编辑框2");
        auto *ok = d->control<QPushButton>("按钮1");
        QTest::keyClicks(name, u"it's("_s);
        QTest::keyClicks(description, u"a 'quoted' note"_s);
        QTest::mouseClick(ok, Qt::LeftButton);
        afterAdd = {name->text(), description->text()};
        focused = d->focusWidget() == name; // the dialog's focus, active or not
        QTest::keyClicks(name, u"IT'S("_s); // the database compares without case
        duplicate = Qb::Test::clickCatchingMessage(ok);
        name->clear();
        empty = Qb::Test::clickCatchingMessage(ok);
        QTest::mouseClick(d->control<QPushButton>("按钮2"), Qt::LeftButton);
    });
    s.item("添加命令提示")->trigger();
    QCOMPARE(afterAdd, (QStringList{QString(), QString()}));
    QVERIFY(focused);
    QCOMPARE(duplicate, u"此命令已经添加过"_s);
    QCOMPARE(empty, QString());
    QList<QStringList> rows;
    s.context.CommandStore.TableRows(rows, u"命令表"_s, {u"命令"_s, u"说明"_s}, QString());
    QCOMPARE(rows, (QList<QStringList>{{u"it's("_s, u"a 'quoted' note"_s}}));
    // The new entry is found by the next letters at once.
    s.item("命令提示")->trigger();
    s.type(u"it"_s);
    QCOMPARE(s.hints()->machine().matchList(), QStringList{u"it's("_s});
}

void tst_Hints::startupAndShutdown_hookAndWindow()
{
    {
        Started s("[xitong]\nmlts=真\n");
        QVERIFY(s.item("命令提示")->isChecked());
        QVERIFY(s.hints()->keyboardHookInstalled());
        QVERIFY(s.hintWindow());
        s.window->close();
        QVERIFY(!s.hints()->keyboardHookInstalled());
        QVERIFY(!s.hintWindow());
    }
    Started off("[xitong]\nmlts=假\ngbgz=\n");
    QVERIFY(!off.item("命令提示")->isChecked());
    QVERIFY(!off.item("光标跟踪")->isChecked());
    QVERIFY(!off.hints()->keyboardHookInstalled());
    QVERIFY(off.hintWindow()); // loaded either way, hidden
}

// With 提示输入到目标窗口 on, a hint chosen in the other program's window (by digit, space or a
// click on its line) goes to the platform's sender for that window, by the stored method, and
// neither the editor nor this program's window changes or takes the focus.
void tst_Hints::intoTarget_sentToTheOtherWindowWithoutFocus_data()
{
    QTest::addColumn<QByteArray>("method");   // the mbsrfs line, if any
    QTest::addColumn<int>("chooseKey");       // 0: a click on the first line
    QTest::addColumn<QString>("sent");
    QTest::addColumn<Qb::Platform::TextSendMethod>("expected");
    using M = Qb::Platform::TextSendMethod;
    QTest::newRow("typing by default, digit 1") << QByteArray() << int(Qt::Key_1) << u"vate"_s << M::Typing;
    QTest::newRow("mbsrfs=0, space") << QByteArray("mbsrfs=0\n") << int(Qt::Key_Space) << u"nt("_s << M::Typing;
    QTest::newRow("mbsrfs=1 pastes") << QByteArray("mbsrfs=1\n") << int(Qt::Key_0) << u"nt("_s << M::Paste;
    QTest::newRow("mbsrfs=7 types") << QByteArray("mbsrfs=7\n") << int(Qt::Key_0) << u"nt("_s << M::Typing;
    QTest::newRow("a click on the line") << QByteArray("mbsrfs=1\n") << 0 << u"nt("_s << M::Paste;
}

void tst_Hints::intoTarget_sentToTheOtherWindowWithoutFocus()
{
    QFETCH(QByteArray, method);
    QFETCH(int, chooseKey);
    QFETCH(QString, sent);
    QFETCH(Qb::Platform::TextSendMethod, expected);
    Started s("[xitong]\nmlts=真\ngbgz=假\nmbsr=真\n" + method);
    QVERIFY(s.show());
    s.type(u"abc"_s);
    Qb::Test::FakeKeyWatcher &keys = s.fake->keys;
    s.context.TargetWindow.set(TargetWindow::foreign(OtherWindow));
    s.fake->windows.focus = OtherWindow;
    keys.type(Qt::Key_P);
    keys.type(Qt::Key_R);
    keys.type(Qt::Key_I);
    QVERIFY(s.hintWindow()->isVisible());
    if (chooseKey)
        keys.type(chooseKey);
    else
        QTest::mouseClick(s.hintWindow()->findChild<QWidget *>(u"画板1"_s), Qt::LeftButton, {}, QPoint(20, 8));
    QCOMPARE(s.fake->text.sent.size(), 1u);
    QCOMPARE(s.fake->text.sent[0].window, OtherWindow);
    QCOMPARE(s.fake->text.sent[0].text, sent);
    QCOMPARE(s.fake->text.sent[0].method, expected);
    QVERIFY(!s.hintWindow()->isVisible());
    QVERIFY(!keys.isWithholding);
    QCOMPARE(s.text(), u"abc"_s);
    QVERIFY(!s.editor()->focusTimer()->isActive()); // no focus step
}

// The option does nothing for the program's own editor; off, a choice in the other window goes
// into the editor as before.
void tst_Hints::intoTarget_ownEditorAndOptionOffUnchanged()
{
    {
        Started s("[xitong]\nmlts=真\ngbgz=假\nmbsr=真\n");
        QVERIFY(s.show());
        s.type(u"pri0"_s);
        QCOMPARE(s.text(), u"print("_s);
        QVERIFY(s.fake->text.sent.empty());
    }
    Started s("[xitong]\nmlts=真\ngbgz=假\nmbsr=假\n");
    QVERIFY(s.show());
    s.context.TargetWindow.set(TargetWindow::foreign(OtherWindow));
    s.fake->windows.focus = OtherWindow;
    s.fake->keys.type(Qt::Key_P);
    s.fake->keys.type(Qt::Key_0);
    QCOMPARE(s.text(), u"rint("_s);
    QVERIFY(s.fake->text.sent.empty());
    QVERIFY(s.editor()->focusTimer()->isActive());
}

void tst_Hints::intoTarget_settingsCheckBoxWritesAndActsAtOnce()
{
    Started s("[xitong]\nmlts=真\ngbgz=假\n");
    QVERIFY(s.show());
    s.item("系统设置")->trigger();
    auto *dialog = Qb::Resources::DefinedWindow::openWindowOf<SettingsDialog>(s.window.get());
    QVERIFY(dialog && QTest::qWaitForWindowExposed(dialog));
    auto *box = dialog->control<QCheckBox>("选择框5");
    QCOMPARE(box->text(), u"提示输入到目标窗口"_s);
    QVERIFY(!box->isChecked());
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    QCOMPARE(s.context.SettingsFile.read(Qb::Settings::Keys::Mbsr), u"真"_s);

    s.context.TargetWindow.set(TargetWindow::foreign(OtherWindow));
    s.fake->windows.focus = OtherWindow;
    s.fake->keys.type(Qt::Key_P);
    s.fake->keys.type(Qt::Key_0);
    QCOMPARE(s.fake->text.sent.size(), 1u);
    QCOMPARE(s.fake->text.sent[0].text, u"rint("_s);
    QCOMPARE(s.text(), QString());

    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    QCOMPARE(s.context.SettingsFile.read(Qb::Settings::Keys::Mbsr), u"假"_s);
    s.fake->keys.type(Qt::Key_P);
    s.fake->keys.type(Qt::Key_0);
    QCOMPARE(s.fake->text.sent.size(), 1u);
    QCOMPARE(s.text(), u"rint("_s);
}

QTEST_MAIN(tst_Hints)
#include "tst_hints.moc"
