// SPDX-License-Identifier: GPL-3.0-or-later
// The shell's secondary windows: controls by name, the open/close protocol, Esc and the close
// box, modeless reuse, the 命令添加 resize rule and the 命令说明 close record.
#include "resources/definedwindow.h"
#include "resources/shellwindows.h"
#include "resources/windowdefinitions.h"
#include "settings/appsettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qb::Resources;
using namespace Qt::StringLiterals;

namespace {

// A window that records the protocol stages it sees, in order.
class ProbeWindow : public DefinedWindow
{
public:
    explicit ProbeWindow(QWidget *owner, QStringList *log)
        : DefinedWindow(categoryDefinition(), owner)
        , m_log(log)
    {
        connect(this, &DefinedWindow::shown, this, [this] { *m_log << u"shown"_s; });
        closeOnClick(this, "按钮2");
    }
    ~ProbeWindow() override { *m_log << u"deleted"_s; }

protected:
    void onCreated() override { *m_log << u"created"_s; }
    void onMoved() override { *m_log << u"moved"_s; }
    void onResized() override { *m_log << u"resized"_s; }
    bool onMayClose() override { *m_log << u"mayclose"_s; return true; }
    void onWillBeDestroyed() override { *m_log << u"destroying"_s; }

private:
    QStringList *m_log;
};

struct Expected
{
    const char *name;
    const char *className;
    QString caption;
};

// Runs `action` once the modal window of type W shows up under `owner`.
template<typename W>
void whenOpen(QWidget *owner, std::function<void(W *)> action)
{
    QTimer::singleShot(0, owner, [owner, action] {
        W *w = DefinedWindow::openWindowOf<W>(owner);
        QVERIFY(w);
        QTRY_VERIFY(w->isVisible());
        action(w);
    });
}

} // namespace

class tst_Dialogs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void controls_data();
    void controls();
    void openWindow_eventOrder();
    void closeRoutes_data();
    void closeRoutes();
    void modal_returnsAfterClose();
    void modeless_reopenRaisesTheOpenWindow();
    void enter_doesNotPressUnfocusedButton();
    void commandAdd_resizeRule();
    void description_closeRecordsFalse();
    void description_ownerGoneKeepsRecord();
    void about_versionLabel();
    void settings_controls();
};

void tst_Dialogs::controls_data()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("caption");

    QTest::newRow("命令添加") << 0
                           << QStringList{u"标签1"_s, u"编辑框_命令名"_s, u"标签2"_s, u"编辑框_中文名"_s, u"标签3"_s,
                                          u"组合框_分类"_s, u"标签5"_s, u"组合框_类型"_s, u"标签4"_s,
                                          u"编辑框_说明"_s, u"按钮_添加"_s, u"按钮2"_s}
                           << QSize(464, 343) << u"命令添加"_s;
    QTest::newRow("系统设置") << 1
                           << QStringList{u"选择框4"_s, u"选择框3"_s, u"标签4"_s, u"组合框2"_s, u"标签5"_s,
                                          u"编辑框2"_s, u"标签8"_s, u"选择框5"_s, u"按钮1"_s, u"按钮2"_s}
                           << QSize(332, 176) << u"系统设置"_s;
    QTest::newRow("添加命令提示") << 2
                             << QStringList{u"标签2"_s, u"编辑框1"_s, u"标签3"_s, u"编辑框2"_s, u"标签1"_s,
                                            u"按钮1"_s, u"按钮2"_s}
                             << QSize(338, 200) << QString();
    QTest::newRow("添加分类") << 3
                           << QStringList{u"标签1"_s, u"编辑框2"_s, u"标签5"_s, u"编辑框1"_s, u"按钮1"_s,
                                          u"按钮2"_s}
                           << QSize(380, 259) << u"添加分类"_s;
    QTest::newRow("关于") << 4 << QStringList{u"标签2"_s, u"按钮1"_s} << QSize(378, 152) << u"关于"_s;
    QTest::newRow("命令说明") << 5 << QStringList{u"编辑框1"_s} << QSize(600, 179) << u"命令说明"_s;
}

void tst_Dialogs::controls()
{
    QFETCH(int, window);
    QFETCH(QStringList, names);
    QWidget owner;
    QTemporaryDir dir;
    const Qb::Settings::AppSettings settings(dir.filePath(u"mlkpz.ini"_s));
    std::unique_ptr<DefinedWindow> w;
    switch (window) {
    case 0: w = std::make_unique<CommandAddWindow>(&owner); break;
    case 1: w = std::make_unique<SettingsWindow>(&owner); break;
    case 2: w = std::make_unique<HintEntryWindow>(&owner); break;
    case 3: w = std::make_unique<CategoryWindow>(&owner); break;
    case 4: w = std::make_unique<AboutWindow>(&owner); break;
    default: w = std::make_unique<DescriptionWindow>(&owner, settings); break;
    }
    QTEST(w->size(), "size");
    QTEST(w->windowTitle(), "caption");
    QCOMPARE(w->parentWidget(), &owner);
    const Qb::Resources::WindowDefinition &def = w->definition();
    QCOMPARE(int(def.controls.size()), names.size());
    for (const ControlDefinition &c : def.controls) {
        QWidget *control = w->control(c.name);
        QVERIFY2(control, c.name);
        QCOMPARE(control->geometry(), c.geometry);
        QVERIFY(names.contains(QString::fromUtf8(c.name)));
    }
}

void tst_Dialogs::openWindow_eventOrder()
{
    QStringList log;
    QWidget owner;
    auto *w = DefinedWindow::OpenWindow<ProbeWindow>(&owner, false, &log);
    QVERIFY(w);
    QCOMPARE(log, (QStringList{u"created"_s, u"moved"_s, u"resized"_s, u"shown"_s}));
    // A later resize reaches the handler again; one that changes nothing does not.
    w->resize(w->size());
    w->setFixedSize(w->width() + 10, w->height());
    QCOMPARE(log.last(), u"resized"_s);
    QCOMPARE(log.count(u"resized"_s), 2);
}

void tst_Dialogs::closeRoutes_data()
{
    QTest::addColumn<int>("route");
    QTest::newRow("Esc in a single-line edit box") << 0;
    QTest::newRow("close box") << 1;
    QTest::newRow("取消 button") << 2;
}

void tst_Dialogs::closeRoutes()
{
    QFETCH(int, route);
    QStringList log;
    QWidget owner;
    owner.show();
    QPointer<ProbeWindow> w = DefinedWindow::OpenWindow<ProbeWindow>(&owner, false, &log);
    QVERIFY(QTest::qWaitForWindowExposed(w));
    auto *edit = w->control<QLineEdit>("编辑框2");
    if (route == 0) {
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Escape);
    } else if (route == 1) {
        w->close();
    } else {
        QTest::mouseClick(w->control<QPushButton>("按钮2"), Qt::LeftButton);
    }
    QTRY_VERIFY(w.isNull());
    QCOMPARE(log.mid(4), (QStringList{u"mayclose"_s, u"destroying"_s, u"deleted"_s}));
}

void tst_Dialogs::modal_returnsAfterClose()
{
    QStringList log;
    QWidget owner;
    owner.show();
    bool sawModal = false;
    whenOpen<ProbeWindow>(&owner, [&](ProbeWindow *w) {
        sawModal = w->isModal() || w->windowModality() != Qt::NonModal;
        QTest::keyClick(w->control<QLineEdit>("编辑框2"), Qt::Key_Escape);
    });
    QCOMPARE(DefinedWindow::OpenWindow<ProbeWindow>(&owner, true, &log), nullptr);
    QVERIFY(sawModal);
    QTRY_VERIFY(log.contains(u"deleted"_s));
    QVERIFY(!DefinedWindow::openWindowOf<ProbeWindow>(&owner));
}

void tst_Dialogs::modeless_reopenRaisesTheOpenWindow()
{
    QWidget owner;
    owner.show();
    auto *first = DefinedWindow::OpenWindow<SettingsWindow>(&owner, false);
    auto *second = DefinedWindow::OpenWindow<SettingsWindow>(&owner, false);
    QCOMPARE(second, first);
    QCOMPARE(owner.findChildren<SettingsWindow *>().size(), 1);
    // Once closed, opening creates a fresh window.
    QPointer<SettingsWindow> guard = first;
    first->CloseWindow();
    QTRY_VERIFY(guard.isNull());
    auto *third = DefinedWindow::OpenWindow<SettingsWindow>(&owner, false);
    QVERIFY(third);
    QCOMPARE(owner.findChildren<SettingsWindow *>().size(), 1);
}

void tst_Dialogs::enter_doesNotPressUnfocusedButton()
{
    QWidget owner;
    owner.show();
    auto *w = DefinedWindow::OpenWindow<HintEntryWindow>(&owner, false);
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QSignalSpy ok(w->control<QPushButton>("按钮1"), &QPushButton::clicked);
    auto *edit = w->control<QLineEdit>("编辑框1");
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(ok.size(), 0);
    QVERIFY(w->isVisible());
    QCOMPARE(QApplication::focusWidget(), edit);
    // Tab follows the window's tab order: 编辑框1, 编辑框2, 按钮1, 按钮2.
    QTest::keyClick(edit, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), w->control("编辑框2"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), w->control("按钮1"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(ok.size(), 1);
    w->CloseWindow();
}

void tst_Dialogs::commandAdd_resizeRule()
{
    QWidget owner;
    owner.show();
    auto *w = DefinedWindow::OpenWindow<CommandAddWindow>(&owner, false);
    QVERIFY(w);
    // Laid out once when opened, from the outer size 464 × 343.
    QCOMPARE(w->control("编辑框_说明")->geometry(), QRect(61, 89, 464 - 70, 343 - 150));
    QCOMPARE(w->control("按钮_添加")->geometry(), QRect(130, 343 - 50, 80, 32));
    QCOMPARE(w->control("按钮2")->geometry(), QRect(252, 343 - 50, 80, 32));
    w->resize(600, 500);
    QCOMPARE(w->control("编辑框_说明")->size(), QSize(530, 350));
    QCOMPARE(w->control("按钮_添加")->y(), 450);
    QCOMPARE(w->control("按钮2")->y(), 450);
    QCOMPARE(w->control("编辑框_命令名")->geometry(), QRect(61, 7, 386, 24)); // the rest keeps
    w->CloseWindow();
}

void tst_Dialogs::description_closeRecordsFalse()
{
    QTemporaryDir dir;
    const Qb::Settings::AppSettings settings(dir.filePath(u"mlkpz.ini"_s));
    settings.writeBool(Qb::Settings::Keys::DescriptionWindow, true);
    QWidget owner;
    owner.show();
    QPointer<DescriptionWindow> w = DefinedWindow::OpenWindow<DescriptionWindow>(&owner, false, settings);
    QCOMPARE(w->pos(), QPoint(50, 50));
    QCOMPARE(w->control("编辑框1")->geometry(), QRect(QPoint(0, 0), w->size()));
    w->resize(300, 100);
    QCOMPARE(w->control("编辑框1")->geometry(), QRect(0, 0, 300, 100));
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QTest::keyClick(w->control("编辑框1"), Qt::Key_Escape);
    QTRY_VERIFY(w.isNull());
    QCOMPARE(settings.read(Qb::Settings::Keys::DescriptionWindow), u"假"_s);
}

void tst_Dialogs::description_ownerGoneKeepsRecord()
{
    QTemporaryDir dir;
    const Qb::Settings::AppSettings settings(dir.filePath(u"mlkpz.ini"_s));
    settings.writeBool(Qb::Settings::Keys::DescriptionWindow, true);
    auto owner = std::make_unique<QWidget>();
    owner->show();
    QPointer<DescriptionWindow> w = DefinedWindow::OpenWindow<DescriptionWindow>(owner.get(), false, settings);
    owner.reset();
    QVERIFY(w.isNull());
    QCOMPARE(settings.read(Qb::Settings::Keys::DescriptionWindow), u"真"_s);
}

void tst_Dialogs::about_versionLabel()
{
    QWidget owner;
    owner.show();
    QString label;
    whenOpen<AboutWindow>(&owner, [&](AboutWindow *w) {
        label = w->control<QLabel>("标签2")->text();
        QTest::mouseClick(w->control<QPushButton>("按钮1"), Qt::LeftButton);
    });
    DefinedWindow::OpenWindow<AboutWindow>(&owner, true);
    QCOMPARE(label, u"版本：1.0.0.0"_s);
    QVERIFY(!DefinedWindow::openWindowOf<AboutWindow>(&owner));
}

void tst_Dialogs::settings_controls()
{
    QWidget owner;
    SettingsWindow w(&owner);
    auto *modifier = w.control<QComboBox>("组合框2");
    QVERIFY(modifier->isEditable());
    QStringList items;
    for (int i = 0; i < modifier->count(); ++i)
        items << modifier->itemText(i);
    QCOMPARE(items, (QStringList{u"CTRL"_s, u"SHIFT"_s, u"ALT"_s, u"空"_s}));
    QCOMPARE(w.control<QLineEdit>("编辑框2")->maxLength(), 10);
    QCOMPARE(w.control<QCheckBox>("选择框4")->text(), u"同时添加中文名"_s);
    QCOMPARE(w.control<QCheckBox>("选择框3")->text(), u"窗口总在最前"_s);
    CommandAddWindow add(&owner);
    auto *type = add.control<QComboBox>("组合框_类型");
    QVERIFY(!type->isEditable());
    QCOMPARE(type->count(), 4);
    QCOMPARE(type->itemText(1), u"流程"_s);
    QCOMPARE(add.control<QLineEdit>("编辑框_命令名")->maxLength(), 255);
    HintEntryWindow hint(&owner);
    QCOMPARE(hint.control<QLabel>("标签1")->palette().color(QPalette::WindowText), QColor(96, 96, 96));
    QVERIFY(hint.windowFlags() & Qt::WindowMinimizeButtonHint);
}

QTEST_MAIN(tst_Dialogs)
#include "tst_dialogs.moc"
