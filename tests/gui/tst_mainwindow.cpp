// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: controls by name, menus with captions and shortcuts, toolbar click indices,
// Esc, pop-up menus, start-up and shut-down on a temporary program directory, the splitters and
// size persistence.
#include "programwindow_support.h"
#include "resources/shellwindows.h"

#include <QAccessible>
#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

using namespace Qb::App;
using namespace Qt::StringLiterals;
namespace Keys = Qb::Settings::Keys;

namespace {

// A main window on a temporary program directory, started by start().
struct Started : Qb::Test::ProgramWindow
{
    explicit Started(const QByteArray &ini = {}) : ProgramWindow(ini) { create(); }
    bool start() { return window->OnMainWindowCreated(); }
};

QStringList actionNames(const QMenu *menu)
{
    QStringList names;
    for (const QAction *a : menu->actions())
        names << (a->isSeparator() ? u"-"_s : a->menu() ? a->menu()->objectName() : a->objectName());
    return names;
}

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void controls_data();
    void controls();
    void menus_data();
    void menus();
    void shortcuts_data();
    void shortcuts();
    void ctrlF_runsAddCategory();
    void toolbar_clickIndices();
    void escape_closesWhenFocusedControlIgnoresIt();
    void popups_openBelowRightOfPointer();
    void trayMenu_rightAligned();
    void startup_firstRun();
    void startup_storedGeometryAndFlags();
    void startup_damagedDatabaseIsLeftAlone();
    void shutdown_storesPosition_data();
    void shutdown_storesPosition();
    void splitters_dragRelayout();
    void resize_persistsSize();
    void firstActivation_reopensDescriptionUnderWindow();
    void beforeCreated_resizeAndMoveReachNoHandler();
    void tray_leftClickShowsRightClickOffersExit();
};

void tst_MainWindow::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<bool>("accessibleName");
    QTest::newRow("toolbar") << u"工具条1"_s << u"QToolBar"_s << false;
    QTest::newRow("tabs") << u"选择夹1"_s << u"QTabWidget"_s << false;
    QTest::newRow("tree") << u"树型框_分类"_s << u"QTreeWidget"_s << true;
    QTest::newRow("directory box") << u"本地目录框"_s << u"QComboBox"_s << true;
    QTest::newRow("browse") << u"浏览钮"_s << u"QPushButton"_s << false;
    QTest::newRow("file list") << u"上传文件框"_s << u"QTreeWidget"_s << true;
    QTest::newRow("vertical bar") << u"分隔条_纵"_s << u"Qb::App::SplitterBar"_s << false;
    QTest::newRow("editor") << u"代码编辑框1"_s << u"Qb::Editor::ScriptEditor"_s << true;
    QTest::newRow("horizontal bar") << u"分隔条1"_s << u"Qb::App::SplitterBar"_s << false;
    QTest::newRow("info box") << u"编辑框_信息"_s << u"QTextEdit"_s << true;
    QTest::newRow("status bar") << u"状态条1"_s << u"QStatusBar"_s << false;
    QTest::newRow("hotkey label") << u"标签1"_s << u"QLabel"_s << false;
}

void tst_MainWindow::controls()
{
    QFETCH(QString, name);
    Started s;
    const QList<QWidget *> found = s.window->findChildren<QWidget *>(name);
    QCOMPARE(found.size(), 1);
    QTEST(QString::fromLatin1(found.first()->metaObject()->className()), "className");
    QFETCH(bool, accessibleName);
    if (accessibleName)
        QCOMPARE(found.first()->accessibleName(), name);
    auto *tabs = s.window->findChild<QTabWidget *>(u"选择夹1"_s);
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->tabText(0), u"命令"_s);
    QCOMPARE(tabs->tabText(1), u"脚本"_s);
    QCOMPARE(tabs->currentIndex(), 0);
    QVERIFY(s.window->findChild<QTimer *>(u"时钟_收缩"_s)->isActive());
    QCOMPARE(s.window->findChild<QTimer *>(u"时钟_收缩"_s)->interval(), 50);
    QVERIFY(!s.window->findChild<QTimer *>(u"时钟_双击判断"_s)->isActive());
    QVERIFY(!s.window->findChild<QWidget *>(u"标签1"_s)->isVisibleTo(s.window.get()));
}

void tst_MainWindow::menus_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("文件") << u"文件(&W)"_s << QStringList{u"打开"_s, u"保存"_s, u"另存为"_s};
    QTest::newRow("命令") << u"命令(&M)"_s
                        << QStringList{u"添加"_s, u"修改"_s, u"删除"_s, u"复制"_s, u"连注释复制"_s, u"-"_s,
                                       u"添加分类"_s, u"添加子类"_s, u"修改分类说明..."_s, u"重命名"_s, u"-"_s,
                                       u"查找命令"_s, u"添加关键字"_s};
    QTest::newRow("插入") << u"插入(&C)"_s << QStringList{u"函数"_s, u"变量"_s, u"循环"_s, u"条件"_s};
    QTest::newRow("循环") << u"循环"_s << QStringList{u"while"_s, u"for"_s, u"do while"_s};
    QTest::newRow("条件") << u"条件"_s << QStringList{u"if"_s, u"if…else"_s, u"if…elif"_s};
    QTest::newRow("功能") << u"功能(&G)"_s << QStringList{u"系统设置"_s, u"添加命令提示"_s, u"命令提示"_s, u"光标跟踪"_s};
    QTest::newRow("帮助") << u"帮助(&B)"_s << QStringList{u"说明"_s, u"关于"_s};
    QTest::newRow("编框 (hidden)") << u"编框"_s << QStringList{u"复制"_s, u"全选复制"_s, u"-"_s, u"在新窗口中显示"_s};
    QTest::newRow("控制 (hidden)") << u"控制"_s << QStringList{u"退出"_s};
}

void tst_MainWindow::menus()
{
    QFETCH(QString, menu);
    Started s;
    QMenu *m = s.window->menu(menu);
    QVERIFY(m);
    QTEST(actionNames(m), "items");
    QStringList bar;
    for (QAction *a : s.window->menuBar()->actions())
        bar << a->menu()->objectName();
    QCOMPARE(bar, (QStringList{u"文件(&W)"_s, u"命令(&M)"_s, u"插入(&C)"_s, u"功能(&G)"_s, u"帮助(&B)"_s}));
    QVERIFY(s.window->menuAction(u"命令提示"_s)->isCheckable());
    QVERIFY(s.window->menuAction(u"光标跟踪"_s)->isCheckable());
    QVERIFY(s.window->menuAction(u"复制"_s, u"编框"_s) != s.window->menuAction(u"复制"_s));
}

void tst_MainWindow::shortcuts_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("shown");
    QTest::newRow("添加") << u"添加"_s << u"Ctrl+T"_s;
    QTest::newRow("添加分类") << u"添加分类"_s << u"Ctrl+F"_s;
    QTest::newRow("查找命令") << u"查找命令"_s << u"Ctrl+F"_s;
    QTest::newRow("函数") << u"函数"_s << u"Ctrl+H"_s;
    QTest::newRow("变量") << u"变量"_s << u"Ctrl+B"_s;
    QTest::newRow("修改") << u"修改"_s << QString();
}

void tst_MainWindow::shortcuts()
{
    QFETCH(QString, item);
    QFETCH(QString, shown);
    Started s;
    QAction *a = s.window->menuAction(item);
    QVERIFY(a);
    const QString label = a->shortcut().isEmpty() ? a->text().section(u'\t', 1) : a->shortcut().toString();
    QCOMPARE(label, shown);
}

void tst_MainWindow::ctrlF_runsAddCategory()
{
    Started s;
    s.window->show();
    QVERIFY(QTest::qWaitForWindowActive(s.window.get()));
    // Only which item the key reaches is under test: the items' own dialogs stay closed.
    for (const QString &item : {u"添加分类"_s, u"查找命令"_s})
        QObject::disconnect(s.window->menuAction(item), &QAction::triggered, nullptr, nullptr);
    QSignalSpy add(s.window->menuAction(u"添加分类"_s), &QAction::triggered);
    QSignalSpy find(s.window->menuAction(u"查找命令"_s), &QAction::triggered);
    QWidget *tree = s.window->findChild<QWidget *>(u"树型框_分类"_s);
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(add.size(), 1);
    QCOMPARE(find.size(), 0);
}

void tst_MainWindow::toolbar_clickIndices()
{
    Started s;
    s.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.window.get()));
    // Only the index is under test here: the buttons' own actions (dialogs, a console) stay off.
    QObject::disconnect(s.window.get(), &MainWindow::toolbarButtonClicked, nullptr, nullptr);
    QSignalSpy clicked(s.window.get(), &MainWindow::toolbarButtonClicked);
    const QStringList captions = {u"打开"_s, u"保存"_s, u"另存为"_s, u"-"_s, u"剪切"_s,
                                  u"复制"_s, u"粘贴"_s, u"-"_s, u"运行"_s, u"停止"_s};
    auto *toolbar = s.window->findChild<QToolBar *>(u"工具条1"_s);
    QCOMPARE(toolbar->actions().size(), captions.size());
    for (int i = 0; i < captions.size(); ++i) {
        QAction *a = s.window->toolbarAction(i);
        QCOMPARE(a->isSeparator() ? u"-"_s : a->text(), captions.at(i));
        if (a->isSeparator())
            continue;
        QVERIFY(!a->icon().isNull());
        QTest::mouseClick(toolbar->widgetForAction(a), Qt::LeftButton);
        QCOMPARE(clicked.last().at(0).toInt(), i);
    }
    QCOMPARE(clicked.size(), 8);
}

void tst_MainWindow::escape_closesWhenFocusedControlIgnoresIt()
{
    Started s;
    QVERIFY(s.start());
    s.window->show();
    QVERIFY(QTest::qWaitForWindowActive(s.window.get()));
    QSignalSpy destroying(s.window.get(), &MainWindow::destroying);
    // The combo box's line edit does not take Esc: it reaches the window.
    s.window->findChild<QTabWidget *>(u"选择夹1"_s)->setCurrentIndex(1);
    QWidget *info = s.window->findChild<QWidget *>(u"编辑框_信息"_s);
    info->setFocus();
    QTest::keyClick(info, Qt::Key_Escape);
    QTRY_COMPARE(destroying.size(), 1);
    QVERIFY(!s.window->isVisible());
}

void tst_MainWindow::popups_openBelowRightOfPointer()
{
    Started s;
    s.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.window.get()));
    struct Case { const char *control; QString menu; };
    for (const Case &c : {Case{"树型框_分类", u"命令(&M)"_s}, Case{"编辑框_信息", u"编框"_s}}) {
        auto *area = s.window->findChild<QAbstractScrollArea *>(QString::fromUtf8(c.control));
        QMenu *menu = s.window->menu(c.menu);
        const QPoint at(20, 15);
        QTest::mouseClick(area->viewport(), Qt::RightButton, Qt::NoModifier, at);
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(menu->pos(), area->viewport()->mapToGlobal(at) + QPoint(3, 3));
        menu->hide();
    }
}

void tst_MainWindow::trayMenu_rightAligned()
{
    QCOMPARE(MainWindow::trayMenuPosition(QPoint(500, 400), QSize(80, 30)), QPoint(415, 395));
}

void tst_MainWindow::startup_firstRun()
{
    Started s;
    QVERIFY(s.start());
    QVERIFY(QFile::exists(s.dir.filePath(u"qbxdb.mdb"_s)));
    QVERIFY(s.context.CommandStore.isOpen());
    QCOMPARE(s.window->windowTitle(), u"Quillbox"_s);
    QCOMPARE(s.window->size(), QSize(800, 700));
    QCOMPARE(s.window->pos(), QPoint(50, 50));
    QVERIFY(!s.window->menuAction(u"命令提示"_s)->isChecked());
    QVERIFY(s.window->menuAction(u"光标跟踪"_s)->isChecked());
    QVERIFY(!(s.window->windowFlags() & Qt::WindowStaysOnTopHint));
    QCOMPARE(s.context.NormalWidth, 800);
    QCOMPARE(s.context.ShrinkStepY, 300);
    // The first layout ran and stored nothing: no settings file until something changes.
    QCOMPARE(s.window->findChild<QWidget *>(u"分隔条1"_s)->width(),
             s.window->findChild<QWidget *>(u"代码编辑框1"_s)->parentWidget()->width());
    QVERIFY(!QFile::exists(s.dir.filePath(u"mlkpz.ini"_s)));
}

void tst_MainWindow::startup_storedGeometryAndFlags()
{
    Started s("[xitong]\nmlts=真\nzzzq=真\ngbgz=假\n[shezhi]\n宽度=640\n高度=480\n横坐标=120\n纵坐标=90\n");
    QVERIFY(s.start());
    QCOMPARE(s.window->size(), QSize(640, 480));
    QCOMPARE(s.window->pos(), QPoint(120, 90));
    QVERIFY(s.window->menuAction(u"命令提示"_s)->isChecked());
    QVERIFY(!s.window->menuAction(u"光标跟踪"_s)->isChecked());
    QVERIFY(s.window->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(s.context.HintsOn);
    // Shown, the description box sits right under the splitter inside the smaller window.
    s.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.window.get()));
    QWidget *bar = s.window->findChild<QWidget *>(u"分隔条1"_s);
    QWidget *info = s.window->findChild<QWidget *>(u"编辑框_信息"_s);
    QTRY_COMPARE(info->y(), bar->y() + bar->height());
    QVERIFY(info->y() < info->parentWidget()->height());
}

void tst_MainWindow::startup_damagedDatabaseIsLeftAlone()
{
    Started s;
    const QByteArray junk = QByteArray("not a database at all ").repeated(500);
    QFile file(s.dir.filePath(u"qbxdb.mdb"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(junk);
    file.close();
    QVERIFY(!s.start());
    QVERIFY(!s.context.CommandStore.isOpen());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), junk);
    QVERIFY(!QFile::exists(s.dir.filePath(u"mlkpz.ini"_s)));
    s.window.reset(); // destroying a window that never started writes nothing either
    QVERIFY(!QFile::exists(s.dir.filePath(u"mlkpz.ini"_s)));
}

void tst_MainWindow::shutdown_storesPosition_data()
{
    QTest::addColumn<int>("state"); // 0 normal, 1 minimised, 2 edge-shrunk
    QTest::addColumn<QString>("left");
    QTest::newRow("normal") << 0 << u"140"_s;
    QTest::newRow("minimised") << 1 << QString();
    QTest::newRow("edge-shrunk") << 2 << QString();
}

void tst_MainWindow::shutdown_storesPosition()
{
    QFETCH(int, state);
    Started s;
    QVERIFY(s.start());
    s.window->show();
    s.window->move(140, 60);
    if (state == 1)
        s.window->showMinimized();
    if (state == 2) {
        s.window->setBorderNone(true);
        QVERIFY(s.window->isEdgeShrunk());
    }
    QSignalSpy destroying(s.window.get(), &MainWindow::destroying);
    s.window->close();
    QCOMPARE(destroying.size(), 1);
    QVERIFY(!s.context.CommandStore.isOpen());
    const QString stored = s.settings().read(u"shezhi"_s, u"横坐标"_s, QString());
    QTEST(stored, "left");
}

void tst_MainWindow::splitters_dragRelayout()
{
    Started s;
    QVERIFY(s.start());
    s.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.window.get()));
    QWidget *vbar = s.window->findChild<QWidget *>(u"分隔条_纵"_s);
    QWidget *hbar = s.window->findChild<QWidget *>(u"分隔条1"_s);
    QWidget *tabs = s.window->findChild<QWidget *>(u"选择夹1"_s);
    QWidget *editor = s.window->findChild<QWidget *>(u"代码编辑框1"_s);
    QWidget *info = s.window->findChild<QWidget *>(u"编辑框_信息"_s);

    // Drag the vertical bar 60 pixels to the right.
    const int x0 = vbar->x();
    QTest::mousePress(vbar, Qt::LeftButton, {}, QPoint(2, 10));
    QTest::mouseMove(vbar, QPoint(62, 10));
    QTest::mouseRelease(vbar, Qt::LeftButton, {}, QPoint(62, 10));
    QCOMPARE(vbar->x(), x0 + 60);
    QCOMPARE(tabs->width(), vbar->x() - tabs->x() - 1);
    QCOMPARE(editor->x(), vbar->x() + vbar->width() + 1);

    // Drag the horizontal bar to y = 300: it settles 2 pixels higher, the box starts below it.
    const int grab = 3;
    QTest::mousePress(hbar, Qt::LeftButton, {}, QPoint(50, grab));
    QTest::mouseRelease(hbar, Qt::LeftButton, {}, QPoint(50, 300 - hbar->y() + grab));
    QCOMPARE(hbar->y(), 298);
    QCOMPARE(info->y(), 300 + hbar->height());
    QCOMPARE(tabs->height(), 298 - tabs->y());
    QCOMPARE(editor->height(), tabs->height());
}

void tst_MainWindow::resize_persistsSize()
{
    Started s;
    QVERIFY(s.start());
    s.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.window.get()));
    s.window->resize(700, 600);
    QTRY_COMPARE(s.context.NormalWidth, 700);
    QCOMPARE(s.settings().readInt(Keys::Width), 700);
    QCOMPARE(s.settings().readInt(Keys::Height), 600);
    s.window->resize(s.window->minimumSizeHint().width() > 122 ? 700 : 120, 550);
    QTRY_COMPARE(s.context.NormalHeight, 550);
    QCOMPARE(s.settings().readInt(Keys::Width), 700); // 120 is never stored
}

void tst_MainWindow::firstActivation_reopensDescriptionUnderWindow()
{
    Started s("[shezhi]\n提示窗=真\n");
    QVERIFY(s.start());
    QVERIFY(s.window->findChildren<Qb::Resources::DescriptionWindow *>().isEmpty()); // not at creation
    s.window->show();
    s.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(s.window.get()));
    QTRY_COMPARE(s.window->findChildren<Qb::Resources::DescriptionWindow *>().size(), 1);
    auto *description = s.window->findChild<Qb::Resources::DescriptionWindow *>();
    QCOMPARE(description->x(), s.window->x());
    QCOMPARE(description->y(), s.window->y() + s.window->frameGeometry().height());
    // Ending the program keeps the record, so it opens again next time.
    s.window->close();
    QCOMPARE(s.settings().read(Keys::DescriptionWindow), u"真"_s);
}

void tst_MainWindow::beforeCreated_resizeAndMoveReachNoHandler()
{
    Started s;
    s.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.window.get()));
    QWidget *bar = s.window->findChild<QWidget *>(u"分隔条1"_s);
    const QRect designBar = bar->geometry();
    s.window->resize(640, 500);
    s.window->move(200, 100);
    QCoreApplication::processEvents(); // lets the window layout hand the client its new size
    QCOMPARE(bar->geometry(), designBar); // no layout ran
    QCOMPARE(s.context.NormalWidth, 0);
    QVERIFY(!QFile::exists(s.dir.filePath(u"mlkpz.ini"_s)));
}

void tst_MainWindow::tray_leftClickShowsRightClickOffersExit()
{
    Started s;
    QVERIFY(s.start());
    QVERIFY(!s.window->isVisible());
    s.window->OnTrayIconEvent(2); // a double click does nothing
    QVERIFY(!s.window->isVisible());
    s.window->OnTrayIconEvent(1);
    QVERIFY(s.window->isVisible());
    QMenu *control = s.window->menu(u"控制"_s);
    QCursor::setPos(400, 300);
    s.window->OnTrayIconEvent(3);
    QTRY_VERIFY(control->isVisible());
    QCOMPARE(control->pos(), MainWindow::trayMenuPosition(QCursor::pos(), control->sizeHint()));
    QSignalSpy destroying(s.window.get(), &MainWindow::destroying);
    control->hide();
    s.window->menuAction(u"退出"_s)->trigger();
    QCOMPARE(destroying.size(), 1);
    QVERIFY(!s.context.CommandStore.isOpen());
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
