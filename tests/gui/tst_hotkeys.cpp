// SPDX-License-Identifier: GPL-3.0-or-later
// The capture hotkey, the target window and the settings dialog 系统设置 in a started main
// window: on the no-op platform of offscreen sessions, and on a fake platform that stands for a
// system with global hotkeys.
#include "programwindow_support.h"
#include "app/ui/settingsdialog.h"
#include "editor/ui/scripteditor.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

using namespace Qb::App;
using namespace Qt::StringLiterals;
using Qb::Hotkeys::TargetWindow;
using Qb::Test::FakeNativePlatform;
namespace Keys = Qb::Settings::Keys;
namespace Mod = Qb::Platform::HotkeyModifier;

namespace {

constexpr Qb::Platform::WindowId OtherProgram = 0x4000001;

// A main window on a temporary program directory, with the given settings file and, unless
// `withFake` is false, a fake platform in place of the session's own; start() starts and shows it.
struct Started : Qb::Test::ProgramWindow
{
    explicit Started(const QByteArray &ini = {}, bool withFake = true) : ProgramWindow(ini)
    {
        if (withFake)
            useFakePlatform();
        create();
    }
    bool start() { return startShown(); }
    QString status() const
    {
        return window->findChild<QStatusBar *>(u"状态条1"_s)->findChildren<QLabel *>().value(0)->text();
    }
    SettingsDialog *openSettings()
    {
        window->menuAction(u"系统设置"_s)->trigger();
        auto *dialog = Qb::Resources::DefinedWindow::openWindowOf<SettingsDialog>(window.get());
        return dialog && QTest::qWaitForWindowExposed(dialog) ? dialog : nullptr;
    }
};

void click(QWidget *widget)
{
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(8, widget->height() / 2));
}

} // namespace

class tst_Hotkeys : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void nullPlatform_startsEditsAndSavesAndSaysWhy();
    void startup_registersTheStoredHotkey_data();
    void startup_registersTheStoredHotkey();
    void capture_followsThePointerAndOwnWindowsRestoreTheEditor();
    void firstActivation_makesTheEditorTheTarget();
    void dialog_filledFromTheStoredHotkey_data();
    void dialog_filledFromTheStoredHotkey();
    void dialog_noModifierAndF8_storesAndRegistersF8();
    void dialog_refusedHotkey_storedAndReported();
    void dialog_closeLeavesTheHotkeyAlone();
    void dialog_checkBoxesWriteAndActAtOnce();
    void dialog_showsTheLiveAlwaysOnTopState();
    void dialog_fieldsHaveAccessibleNames();
};

void tst_Hotkeys::nullPlatform_startsEditsAndSavesAndSaysWhy()
{
    QTemporaryDir scripts;
    const QString script = scripts.filePath(u"a.py"_s);
    QFile file(script);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    Started s("[记录]\n历史文件=" + script.toUtf8() + "\n", false);
    QVERIFY(s.start());
    QCOMPARE(s.context.Native->name(), u"null"_s);
    QCOMPARE(s.status(), u"快捷键 Ctrl+F12 未能注册：需要 X11 会话"_s);
    QCOMPARE(s.context.HotkeyRegistry.entries().size(), 1u);
    QCOMPARE(s.context.HotkeyRegistry.entries().front().id, 0);
    auto *editor = s.window->findChild<Qb::Editor::ScriptEditor *>(u"代码编辑框1"_s);
    editor->setFocus();
    QTest::keyClicks(editor, u"x = 1"_s);
    s.window->menuAction(u"保存"_s)->trigger();
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("x = 1"));
    // The first activation still makes the program's own editor the target.
    s.window->activateWindow();
    QTRY_VERIFY(s.context.TargetWindow.current().isOwnEditor());
}

void tst_Hotkeys::startup_registersTheStoredHotkey_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<bool>("attempted");
    QTest::addColumn<unsigned>("modifiers");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("status");
    QTest::newRow("no settings file: Ctrl+F12") << QByteArray() << true << Mod::Control << 123 << QString();
    QTest::newRow("stored F8") << QByteArray("[快捷键]\n捕获窗口=F8\n") << true << 0u << 119 << QString();
    QTest::newRow("taken by another program")
        << QByteArray("[快捷键]\n捕获窗口=Shift+F11\n") << true << Mod::Shift << 122
        << u"快捷键 Shift+F11 未能注册：已被其他程序占用"_s;
    QTest::newRow("no such key") << QByteArray("[快捷键]\n捕获窗口=Ctrl+F99\n") << true << Mod::Control << 0
                                 << u"快捷键 Ctrl+F99 未能注册：没有这个键"_s;
    QTest::newRow("nothing behind the plus") << QByteArray("[快捷键]\n捕获窗口=Ctrl+\n") << false << 0u << 0
                                             << u"快捷键 Ctrl+ 未能注册：格式无效"_s;
    QTest::newRow("a key as the modifier") << QByteArray("[快捷键]\n捕获窗口=F1+F2\n") << false << 0u << 0
                                           << u"快捷键 F1+F2 未能注册：修饰键无效"_s;
}

void tst_Hotkeys::startup_registersTheStoredHotkey()
{
    QFETCH(QByteArray, ini);
    QFETCH(bool, attempted);
    Started s(ini);
    s.fake->hotkeys.takenElsewhere.insert({Mod::Shift, 122});
    QVERIFY(s.start());
    QCOMPARE(s.fake->hotkeys.calls.size(), attempted ? 1u : 0u);
    if (attempted) {
        QCOMPARE(s.fake->hotkeys.calls[0].id, 0x80E9);
        QTEST(s.fake->hotkeys.calls[0].modifiers, "modifiers");
        QTEST(s.fake->hotkeys.calls[0].key, "key");
    }
    QTEST(s.status(), "status");
    // Start-up only reads: the settings file is not created.
    QCOMPARE(QFile::exists(s.dir.filePath(u"mlkpz.ini"_s)), !ini.isEmpty());
}

void tst_Hotkeys::capture_followsThePointerAndOwnWindowsRestoreTheEditor()
{
    Started s;
    QVERIFY(s.start());
    Qb::Test::FakeGlobalHotkeys &hotkeys = s.fake->hotkeys;
    Qb::Hotkeys::TargetWindowState &target = s.context.TargetWindow;
    s.fake->windows.pointer = OtherProgram;
    hotkeys.press(0x80E9);
    QCOMPARE(target.current(), TargetWindow::foreign(OtherProgram));
    QCOMPARE(s.status(), u"已锁定窗口：67108865"_s);
    // Pressed again over the same window: the status bar stays as it is.
    s.window->findChild<QStatusBar *>(u"状态条1"_s)->findChildren<QLabel *>()[0]->clear();
    hotkeys.press(0x80E9);
    QCOMPARE(s.status(), QString());
    // Over the program's own window: its editor is the target again.
    const auto own = Qb::Platform::WindowId(s.window->windowHandle()->winId());
    s.fake->windows.pointer = own;
    hotkeys.press(0x80E9);
    QVERIFY(target.current().isOwnEditor());
    QCOMPARE(s.status(), u"已锁定窗口："_s + QString::number(own));
    // Ids the registry does not know do nothing.
    s.fake->windows.pointer = OtherProgram;
    hotkeys.press(0x80E9 + 5);
    QVERIFY(target.current().isOwnEditor());
}

void tst_Hotkeys::firstActivation_makesTheEditorTheTarget()
{
    Started s;
    QVERIFY(s.window->OnMainWindowCreated());
    QVERIFY(s.context.TargetWindow.current().isNone());
    s.window->show();
    s.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(s.window.get()));
    QTRY_VERIFY(s.context.TargetWindow.current().isOwnEditor());
}

void tst_Hotkeys::dialog_filledFromTheStoredHotkey_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("modifier");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("confirmed"); // stored by 确定 without changes
    QTest::newRow("nothing stored") << QByteArray() << u"Ctrl"_s << u"F12"_s << u"Ctrl+F12"_s;
    QTest::newRow("F9 alone") << QByteArray("[快捷键]\n捕获窗口=F9\n") << QString() << u"F9"_s << u"F9"_s;
    QTest::newRow("kept as typed") << QByteArray("[快捷键]\n捕获窗口=alt+Num+\n") << u"alt"_s << u"Num"_s
                                   << u"alt+Num"_s;
}

void tst_Hotkeys::dialog_filledFromTheStoredHotkey()
{
    QFETCH(QByteArray, ini);
    Started s(ini);
    QVERIFY(s.start());
    SettingsDialog *dialog = s.openSettings();
    QVERIFY(dialog);
    QTEST(dialog->control<QComboBox>("组合框2")->currentText(), "modifier");
    QTEST(dialog->control<QLineEdit>("编辑框2")->text(), "key");
    click(dialog->control<QPushButton>("按钮1"));
    QTEST(s.settings().read(Keys::CaptureHotkey), "confirmed");
}

void tst_Hotkeys::dialog_noModifierAndF8_storesAndRegistersF8()
{
    Started s;
    QVERIFY(s.start());
    QPointer<SettingsDialog> dialog = s.openSettings();
    QVERIFY(dialog);
    auto *modifier = dialog->control<QComboBox>("组合框2");
    modifier->setFocus();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(modifier, Qt::Key_Down);
    QCOMPARE(modifier->currentText(), u"空"_s);
    auto *key = dialog->control<QLineEdit>("编辑框2");
    key->setFocus();
    key->selectAll();
    QTest::keyClicks(key, u"F8"_s);
    click(dialog->control<QPushButton>("按钮1"));
    QCOMPARE(s.settings().read(Keys::CaptureHotkey), u"F8"_s);
    QCOMPARE(s.fake->hotkeys.calls.size(), 2u);
    QCOMPARE(s.fake->hotkeys.calls[1].modifiers, 0u);
    QCOMPARE(s.fake->hotkeys.calls[1].key, 119);
    QTRY_VERIFY(dialog.isNull());
    // Both combinations capture until the program ends.
    QCOMPARE(s.fake->hotkeys.held.size(), 2u);
    s.fake->windows.pointer = OtherProgram;
    s.fake->hotkeys.press(0x80EA);
    QCOMPARE(s.context.TargetWindow.current(), TargetWindow::foreign(OtherProgram));
    s.fake->windows.pointer = OtherProgram + 1;
    s.fake->hotkeys.press(0x80E9);
    QCOMPARE(s.context.TargetWindow.current(), TargetWindow::foreign(OtherProgram + 1));
}

void tst_Hotkeys::dialog_refusedHotkey_storedAndReported()
{
    Started s;
    s.fake->hotkeys.takenElsewhere.insert({Mod::Alt, 65});
    QVERIFY(s.start());
    SettingsDialog *dialog = s.openSettings();
    QVERIFY(dialog);
    dialog->control<QComboBox>("组合框2")->setEditText(u"ALT"_s);
    dialog->control<QLineEdit>("编辑框2")->setText(u"A"_s);
    click(dialog->control<QPushButton>("按钮1"));
    QCOMPARE(s.settings().read(Keys::CaptureHotkey), u"ALT+A"_s);
    QCOMPARE(s.status(), u"快捷键 ALT+A 未能注册：已被其他程序占用"_s);
    QCOMPARE(s.context.HotkeyRegistry.entries().back().id, 0);
    // Confirming the combination that works already adds a failed entry and says nothing.
    s.window->findChild<QStatusBar *>(u"状态条1"_s)->findChildren<QLabel *>()[0]->clear();
    dialog = s.openSettings();
    dialog->control<QComboBox>("组合框2")->setEditText(u"ctrl"_s);
    dialog->control<QLineEdit>("编辑框2")->setText(u"f12"_s);
    click(dialog->control<QPushButton>("按钮1"));
    QCOMPARE(s.settings().read(Keys::CaptureHotkey), u"ctrl+f12"_s);
    QCOMPARE(s.status(), QString());
    QCOMPARE(s.context.HotkeyRegistry.entries().size(), 3u);
}

void tst_Hotkeys::dialog_closeLeavesTheHotkeyAlone()
{
    Started s;
    QVERIFY(s.start());
    for (const char *button : {"按钮2", "Esc"}) {
        QPointer<SettingsDialog> dialog = s.openSettings();
        QVERIFY(dialog);
        auto *key = dialog->control<QLineEdit>("编辑框2");
        key->setText(u"F7"_s);
        if (qstrcmp(button, "Esc") == 0)
            QTest::keyClick(key, Qt::Key_Escape);
        else
            click(dialog->control<QPushButton>(button));
        QTRY_VERIFY(dialog.isNull());
    }
    QVERIFY(!QFile::exists(s.dir.filePath(u"mlkpz.ini"_s)));
    QCOMPARE(s.fake->hotkeys.calls.size(), 1u);
}

void tst_Hotkeys::dialog_checkBoxesWriteAndActAtOnce()
{
    Started s;
    QVERIFY(s.start());
    QPointer<SettingsDialog> dialog = s.openSettings();
    QVERIFY(dialog);
    click(dialog->control<QCheckBox>("选择框4"));
    QCOMPARE(s.settings().read(Keys::Tstjzwm), u"真"_s);
    QVERIFY(s.context.AddChineseName);
    click(dialog->control<QCheckBox>("选择框3"));
    QCOMPARE(s.settings().read(Keys::Zzzq), u"真"_s);
    QVERIFY(s.window->windowFlags() & Qt::WindowStaysOnTopHint);
    QTRY_VERIFY(s.window->isVisible());
    click(dialog->control<QPushButton>("按钮2"));
    QTRY_VERIFY(dialog.isNull());
    // 关闭 undoes nothing; unticking writes 假.
    QVERIFY(s.window->windowFlags() & Qt::WindowStaysOnTopHint);
    dialog = s.openSettings();
    QVERIFY(dialog->control<QCheckBox>("选择框3")->isChecked());
    QVERIFY(dialog->control<QCheckBox>("选择框4")->isChecked());
    click(dialog->control<QCheckBox>("选择框4"));
    click(dialog->control<QCheckBox>("选择框3"));
    QCOMPARE(s.settings().read(Keys::Tstjzwm), u"假"_s);
    QCOMPARE(s.settings().read(Keys::Zzzq), u"假"_s);
    QVERIFY(!s.context.AddChineseName);
    QVERIFY(!(s.window->windowFlags() & Qt::WindowStaysOnTopHint));
    QTRY_VERIFY(s.window->isVisible());
}

void tst_Hotkeys::dialog_showsTheLiveAlwaysOnTopState()
{
    // Stored 真, but the window is no longer on top (as after an expand from an edge strip).
    Started s("[xitong]\nzzzq=真\ntstjzwm=真\n");
    QVERIFY(s.start());
    QVERIFY(s.window->windowFlags() & Qt::WindowStaysOnTopHint);
    s.window->setWindowFlag(Qt::WindowStaysOnTopHint, false);
    SettingsDialog *dialog = s.openSettings();
    QVERIFY(dialog);
    QVERIFY(!dialog->control<QCheckBox>("选择框3")->isChecked());
    QVERIFY(dialog->control<QCheckBox>("选择框4")->isChecked());
    QCOMPARE(s.settings().read(Keys::Zzzq), u"真"_s);
}

void tst_Hotkeys::dialog_fieldsHaveAccessibleNames()
{
    Started s;
    QVERIFY(s.start());
    SettingsDialog *dialog = s.openSettings();
    QVERIFY(dialog);
    const auto accessible = [&](const char *control) {
        return QAccessible::queryAccessibleInterface(dialog->control(control));
    };
    // A label's text reaches the screen reader through the "label for" relation.
    const auto labelOf = [&](const char *control) {
        for (const auto &[other, relation] : accessible(control)->relations(QAccessible::Label))
            return other->object()->objectName();
        return QString();
    };
    QCOMPARE(labelOf("组合框2"), u"标签4"_s);
    QCOMPARE(labelOf("编辑框2"), u"标签8"_s);
    QCOMPARE(accessible("选择框3")->text(QAccessible::Name), u"窗口总在最前"_s);
    QCOMPARE(accessible("按钮1")->text(QAccessible::Name), u"确定"_s);
}

QTEST_MAIN(tst_Hotkeys)
#include "tst_hotkeys.moc"
