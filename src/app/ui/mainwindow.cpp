// SPDX-License-Identifier: GPL-3.0-or-later
// MainWindow: controls, layout application and the window-level events.
#include "app/ui/mainwindow.h"

#include "platform/uitext.h"

#include "app/appcontext.h"
#include "app/ui/edgecontroller.h"
#include "resources/shellwindows.h"
#include "app/ui/splitterbar.h"
#include "editor/ui/scripteditor.h"
#include "resources/definedwindow.h"
#include "resources/icons.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

namespace Qb::App {

using namespace Qt::StringLiterals;

namespace {

using Resources::ControlDefinition;
using Resources::ControlKind;

QString text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

template<typename W>
W *named(W *widget, const char *name, QRect geometry)
{
    widget->setObjectName(text(name));
    widget->setGeometry(geometry);
    return widget;
}

} // namespace

MainWindow::MainWindow(AppContext &context, QWidget *parent)
    : QMainWindow(parent)
    , m_context(context)
{
    setObjectName(u"MainWindow"_s);
    m_trayHost = QSystemTrayIcon::isSystemTrayAvailable();
    setWindowFlags(normalFlags());
    setWindowIcon(Resources::mainWindowIcon());
    move(50, 50);
    resize(800, 700);
    createControls();
    createTimers();
    createMenus();
    createHiddenMenus();
    createToolbar();
    wireShellActions();
    wireEditor();
    wireLibrary();
    wireHotkeys();
    wireEdge();
    wireBrowser();
    wireHints();
}

MainWindow::~MainWindow()
{
    if (m_created && !m_destroyed)
        OnMainWindowDestroying();
}

void MainWindow::createControls()
{
    m_client = new QWidget(this);
    m_client->setObjectName(u"client"_s);
    m_client->installEventFilter(this);
    setCentralWidget(m_client);
    m_toolbar = named(new QToolBar(m_client), "工具条1", QRect(8, 8, 649, 28));
    m_tabs = named(new QTabWidget(m_client), "选择夹1", QRect(4, 40, 240, 440));
    createCommandPage();
    createScriptPage();
    m_verticalBar = named(new SplitterBar(Qt::Vertical, m_client), "分隔条_纵", QRect(240, 36, 6, 352));
    m_editor = named(new Editor::ScriptEditor(m_client), "代码编辑框1", QRect(248, 36, 536, 444));
    m_editor->setAccessibleName(u"代码编辑框1"_s);
    m_horizontalBar = named(new SplitterBar(Qt::Horizontal, m_client), "分隔条1", QRect(8, 485, 776, 6));
    m_info = named(new QTextEdit(m_client), "编辑框_信息", QRect(5, 495, 784, 134));
    m_info->setAcceptRichText(false);
    m_info->setAccessibleName(u"编辑框_信息"_s);
    m_statusBar = named(new QStatusBar(m_client), "状态条1", QRect(0, 0, 800, 20));
    m_statusBar->setSizeGripEnabled(false);
    for (QLabel *&part : m_statusParts) {
        part = new QLabel(m_statusBar);
        part->setFixedWidth(150);
        m_statusBar->addWidget(part);
    }
    m_hotkeyLabel = named(new QLabel(m_client), "标签1", QRect(0, 376, 40, 32));
    m_hotkeyLabel->setVisible(false);
    for (QWidget *w : {static_cast<QWidget *>(m_tree), static_cast<QWidget *>(m_info)}) {
        w->setContextMenuPolicy(Qt::PreventContextMenu);
        static_cast<QAbstractScrollArea *>(w)->viewport()->setContextMenuPolicy(Qt::PreventContextMenu);
        static_cast<QAbstractScrollArea *>(w)->viewport()->installEventFilter(this);
    }
    connect(m_verticalBar, &SplitterBar::moved, this, [this](int x) {
        m_verticalBar->move(x, m_verticalBar->y());
        LayoutMainWindow(LayoutMode::Full);
    });
    connect(m_horizontalBar, &SplitterBar::moved, this, [this](int y) {
        m_horizontalBar->move(m_horizontalBar->x(), y);
        LayoutMainWindow(LayoutMode::AfterHorizontalSplitter);
    });
    placeStatusBar();
}

void MainWindow::createCommandPage()
{
    auto *page = new QWidget;
    page->setObjectName(u"命令"_s);
    m_tree = named(new QTreeWidget(page), "树型框_分类", QRect(6, 6, 220, 402));
    m_tree->setHeaderHidden(true);
    m_tree->setIconSize(QSize(16, 15));
    m_tree->setAccessibleName(u"树型框_分类"_s);
    m_tabs->addTab(page, QbText::tr("命令"));
}

void MainWindow::createScriptPage()
{
    auto *page = new QWidget;
    page->setObjectName(u"脚本"_s);
    Resources::createControl({.name = "本地目录框", .kind = ControlKind::ComboEditable, .geometry = {6, 7, 182, 22}},
                             page);
    Resources::createControl({.name = "浏览钮", .kind = ControlKind::Button, .caption = QT_TRANSLATE_NOOP("QbText", "浏览"),
                              .geometry = {191, 6, 40, 22}},
                             page);
    m_fileList = Resources::createControl({.name = "上传文件框", .kind = ControlKind::ReportList,
                                           .geometry = {6, 33, 229, 378},
                                           .columns = {{QT_TRANSLATE_NOOP("QbText", "文件名"), 200},
                                                        {QT_TRANSLATE_NOOP("QbText", "大小KB"), 80}}},
                                          page);
    m_tabs->addTab(page, QbText::tr("脚本"));
    m_tabs->setCurrentIndex(0);
}

void MainWindow::createTimers()
{
    m_shrinkTimer = new QTimer(this);
    m_shrinkTimer->setObjectName(u"时钟_收缩"_s);
    m_shrinkTimer->setInterval(50);
    connect(m_shrinkTimer, &QTimer::timeout, this, &MainWindow::OnShrinkTimer);
    m_shrinkTimer->start();
    m_doubleClickTimer = new QTimer(this);
    m_doubleClickTimer->setObjectName(u"时钟_双击判断"_s);
    m_doubleClickTimer->setSingleShot(true);
}

MainLayout MainWindow::currentLayout() const
{
    MainLayout l;
    l.tabs = m_tabs->geometry();
    l.tree = m_tree->geometry();
    l.fileList = m_fileList->geometry();
    l.verticalBar = m_verticalBar->geometry();
    l.editor = m_editor->geometry();
    l.horizontalBar = m_horizontalBar->geometry();
    l.info = m_info->geometry();
    l.statusBarHeight = m_statusBar->height();
    return l;
}

void MainWindow::applyLayout(const MainLayout &l)
{
    m_tabs->setGeometry(l.tabs);
    m_tree->setGeometry(l.tree);
    m_fileList->setGeometry(l.fileList);
    m_verticalBar->setGeometry(l.verticalBar);
    m_editor->setGeometry(l.editor);
    m_horizontalBar->setGeometry(l.horizontalBar);
    m_info->setGeometry(l.info);
}

void MainWindow::placeStatusBar()
{
    const int height = m_statusBar->height();
    m_statusBar->setGeometry(0, m_client->height() - height, m_client->width(), height);
    m_statusBar->raise();
}

void MainWindow::LayoutMainWindow(LayoutMode mode)
{
    applyLayout(App::LayoutMainWindow(currentLayout(), m_client->size(), mode));
    placeStatusBar();
    storeNormalSize();
}

void MainWindow::storeNormalSize()
{
    const SizePersistence store = decideSizePersistence(size(), m_context.NormalWidth, m_context.NormalHeight,
                                                        isMinimized(), isEdgeShrunk(), m_edge && m_edge->sizeSettling());
    if (store.storeWidth) {
        m_context.NormalWidth = width();
        m_context.SettingsFile.writeInt(Settings::Keys::Width, width());
    }
    if (store.storeHeight) {
        m_context.NormalHeight = height();
        m_context.SettingsFile.writeInt(Settings::Keys::Height, height());
    }
}

Qt::WindowFlags MainWindow::normalFlags() const
{
    // With a tray host the tray icon stands in for the taskbar entry, and a tool window stays out
    // of the taskbar. Without one the window keeps its entry so that it stays reachable.
    Qt::WindowFlags flags = m_trayHost ? Qt::Tool : Qt::Window;
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
           | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
    return flags | (windowFlags() & Qt::WindowStaysOnTopHint);
}

void MainWindow::setBorderNone(bool none)
{
    const Qt::WindowFlags onTop = windowFlags() & Qt::WindowStaysOnTopHint;
    applyWindowFlags(none ? (m_trayHost ? Qt::Tool : Qt::Window) | Qt::FramelessWindowHint | onTop : normalFlags());
}

bool MainWindow::isEdgeShrunk() const
{
    return windowFlags().testFlag(Qt::FramelessWindowHint);
}

void MainWindow::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    if (m_created)
        OnMainWindowMoved();
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_created && !m_activatedOnce) {
        m_activatedOnce = true;
        OnMainWindowFirstActivated();
    }
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!m_destroyed && !confirmDiscardScript()) {
        event->ignore();
        return;
    }
    if (!m_destroyed && m_created)
        OnMainWindowDestroying();
    event->accept();
}

void MainWindow::keyPressEvent(QKeyEvent *event)
{
    // An Esc that reaches the window was not taken by the focused control.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The layout works on the client area, so it follows the client's own resize: the window's
    // resize arrives before its layout has given the client its new size.
    if (watched == m_client && event->type() == QEvent::Resize && m_created)
        OnMainWindowResized();
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::RightButton) {
            if (watched == m_tree->viewport())
                popUpAtPointer(menu(u"命令(&M)"_s), mouse->globalPosition().toPoint());
            else if (watched == m_info->viewport())
                popUpAtPointer(menu(u"编框"_s), mouse->globalPosition().toPoint());
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace Qb::App
