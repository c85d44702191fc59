// SPDX-License-Identifier: GPL-3.0-or-later
// MainWindow: the menu bar, the hidden pop-up menus and the toolbar, and the actions the shell
// itself handles.
#include "app/ui/mainwindow.h"

#include "app/appcontext.h"
#include "platform/uitext.h"
#include "resources/icons.h"

#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QToolBar>

namespace Qb::App {

using namespace Qt::StringLiterals;

namespace {

QString text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

QMenu *newMenu(const char *caption, QWidget *parent)
{
    auto *menu = new QMenu(QbText::tr(caption), parent);
    menu->setObjectName(text(caption));
    return menu;
}

} // namespace

QAction *MainWindow::addMenuItem(QMenu *menu, const char *caption, const char *shortcut)
{
    QAction *action = menu->addAction(QbText::tr(caption));
    action->setObjectName(text(caption));
    if (shortcut)
        action->setShortcut(QKeySequence(text(shortcut)));
    return action;
}

void MainWindow::createMenus()
{
    QMenu *file = newMenu(QT_TRANSLATE_NOOP("QbText", "文件(&W)"), this);
    for (const char *item : {QT_TRANSLATE_NOOP("QbText", "打开"), QT_TRANSLATE_NOOP("QbText", "保存"),
                             QT_TRANSLATE_NOOP("QbText", "另存为")})
        addMenuItem(file, item);

    QMenu *command = newMenu(QT_TRANSLATE_NOOP("QbText", "命令(&M)"), this);
    addMenuItem(command, QT_TRANSLATE_NOOP("QbText", "添加"), "Ctrl+T");
    for (const char *item : {QT_TRANSLATE_NOOP("QbText", "修改"), QT_TRANSLATE_NOOP("QbText", "删除"),
                             QT_TRANSLATE_NOOP("QbText", "复制"), QT_TRANSLATE_NOOP("QbText", "连注释复制")})
        addMenuItem(command, item);
    command->addSeparator();
    addMenuItem(command, QT_TRANSLATE_NOOP("QbText", "添加分类"), "Ctrl+F");
    for (const char *item : {QT_TRANSLATE_NOOP("QbText", "添加子类"), QT_TRANSLATE_NOOP("QbText", "修改分类说明..."),
                             QT_TRANSLATE_NOOP("QbText", "重命名")})
        addMenuItem(command, item);
    command->addSeparator();
    // 查找命令 shows Ctrl+F too, but the key belongs to 添加分类, the first item that has it.
    QAction *find = addMenuItem(command, QT_TRANSLATE_NOOP("QbText", "查找命令"));
    find->setText(QbText::tr("查找命令") + u"\tCtrl+F"_s);
    addMenuItem(command, QT_TRANSLATE_NOOP("QbText", "添加关键字"));

    QMenu *insert = newMenu(QT_TRANSLATE_NOOP("QbText", "插入(&C)"), this);
    addMenuItem(insert, QT_TRANSLATE_NOOP("QbText", "函数"), "Ctrl+H");
    addMenuItem(insert, QT_TRANSLATE_NOOP("QbText", "变量"), "Ctrl+B");
    QMenu *loops = newMenu(QT_TRANSLATE_NOOP("QbText", "循环"), insert);
    for (const char *item : {"while", "for", "do while"})
        addMenuItem(loops, item);
    insert->addMenu(loops);
    QMenu *conditions = newMenu(QT_TRANSLATE_NOOP("QbText", "条件"), insert);
    for (const char *item : {"if", "if…else", "if…elif"})
        addMenuItem(conditions, item);
    insert->addMenu(conditions);

    QMenu *functions = newMenu(QT_TRANSLATE_NOOP("QbText", "功能(&G)"), this);
    addMenuItem(functions, QT_TRANSLATE_NOOP("QbText", "系统设置"));
    addMenuItem(functions, QT_TRANSLATE_NOOP("QbText", "添加命令提示"));
    addMenuItem(functions, QT_TRANSLATE_NOOP("QbText", "命令提示"))->setCheckable(true);
    addMenuItem(functions, QT_TRANSLATE_NOOP("QbText", "光标跟踪"))->setCheckable(true);

    QMenu *help = newMenu(QT_TRANSLATE_NOOP("QbText", "帮助(&B)"), this);
    addMenuItem(help, QT_TRANSLATE_NOOP("QbText", "说明"));
    addMenuItem(help, QT_TRANSLATE_NOOP("QbText", "关于"));

    for (QMenu *m : {file, command, insert, functions, help}) {
        menuBar()->addMenu(m);
        m_menus.append(m);
    }
}

void MainWindow::createHiddenMenus()
{
    QMenu *infoMenu = newMenu(QT_TRANSLATE_NOOP("QbText", "编框"), this);
    addMenuItem(infoMenu, QT_TRANSLATE_NOOP("QbText", "复制"));
    addMenuItem(infoMenu, QT_TRANSLATE_NOOP("QbText", "全选复制"));
    infoMenu->addSeparator();
    addMenuItem(infoMenu, QT_TRANSLATE_NOOP("QbText", "在新窗口中显示"));
    QMenu *control = newMenu(QT_TRANSLATE_NOOP("QbText", "控制"), this);
    addMenuItem(control, QT_TRANSLATE_NOOP("QbText", "退出"));
    m_menus << infoMenu << control;
}

void MainWindow::createToolbar()
{
    m_toolbar->setIconSize(QSize(16, 16));
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    const struct { const char *caption; int image; } buttons[] = {
        {QT_TRANSLATE_NOOP("QbText", "打开"), 1}, {QT_TRANSLATE_NOOP("QbText", "保存"), 2},
        {QT_TRANSLATE_NOOP("QbText", "另存为"), 10}, {nullptr, 0},
        {QT_TRANSLATE_NOOP("QbText", "剪切"), 7}, {QT_TRANSLATE_NOOP("QbText", "复制"), 6},
        {QT_TRANSLATE_NOOP("QbText", "粘贴"), 9}, {nullptr, 0},
        {QT_TRANSLATE_NOOP("QbText", "运行"), 18}, {QT_TRANSLATE_NOOP("QbText", "停止"), 20},
    };
    for (const auto &button : buttons) {
        if (!button.caption) {
            m_toolbar->addSeparator();
            continue;
        }
        QAction *action = m_toolbar->addAction(QIcon(Resources::toolbarImage(button.image)),
                                             QbText::tr(button.caption));
        action->setObjectName(text(button.caption));
    }
    connect(m_toolbar, &QToolBar::actionTriggered, this, [this](QAction *action) {
        emit toolbarButtonClicked(int(m_toolbar->actions().indexOf(action)));
    });
}

QAction *MainWindow::menuAction(const QString &objectName, const QString &menuName) const
{
    for (QMenu *m : m_menus) {
        if (!menuName.isEmpty() && m->objectName() != menuName)
            continue;
        if (auto *action = m->findChild<QAction *>(objectName))
            return action;
        for (QMenu *sub : m->findChildren<QMenu *>()) {
            if (auto *action = sub->findChild<QAction *>(objectName))
                return action;
        }
    }
    return nullptr;
}

QMenu *MainWindow::menu(const QString &objectName) const
{
    for (QMenu *m : m_menus) {
        if (m->objectName() == objectName)
            return m;
        if (auto *sub = m->findChild<QMenu *>(objectName))
            return sub;
    }
    return nullptr;
}

QAction *MainWindow::toolbarAction(int index) const
{
    const QList<QAction *> actions = m_toolbar->actions();
    return index >= 0 && index < actions.size() ? actions.at(index) : nullptr;
}

void MainWindow::wireShellActions()
{
    connect(menuAction(u"系统设置"_s), &QAction::triggered, this, &MainWindow::openSettingsWindow);
    connect(menuAction(u"说明"_s), &QAction::triggered, this, &MainWindow::showUsageNote);
    connect(menuAction(u"关于"_s), &QAction::triggered, this, &MainWindow::showAbout);
    connect(menuAction(u"复制"_s, u"编框"_s), &QAction::triggered, this, [this] { copyInfoSelection(false); });
    connect(menuAction(u"全选复制"_s), &QAction::triggered, this, [this] { copyInfoSelection(true); });
    connect(menuAction(u"在新窗口中显示"_s), &QAction::triggered, this, &MainWindow::ShowDescriptionWindow);
    connect(menuAction(u"退出"_s), &QAction::triggered, this, &QWidget::close);
}

void MainWindow::showUsageNote()
{
    QMessageBox box(QMessageBox::NoIcon, QbText::tr("说明："), QbText::tr("命令名后加“{}”时，双击命令将发送说明内容。"),
                    QMessageBox::Ok, this);
    box.exec();
}

void MainWindow::popUpAtPointer(QMenu *menu, QPoint globalPos)
{
    if (menu)
        menu->popup(globalPos + QPoint(3, 3));
}

QPoint MainWindow::trayMenuPosition(QPoint cursor, QSize size)
{
    // Right-aligned: the menu's right edge and top sit at the pointer less (5, 5).
    return QPoint(cursor.x() - 5 - size.width(), cursor.y() - 5);
}

} // namespace Qb::App
