// SPDX-License-Identifier: GPL-3.0-or-later
// LayoutMainWindow: the fixed order of steps that keeps the main window's controls arranged.
#include "app/mainlayout.h"

namespace Qb::App {

namespace {

void layoutCommon(MainLayout &l, QSize client)
{
    const int cw = client.width();
    l.fileList.setWidth(l.tabs.width() - 12);
    l.fileList.setHeight(l.tabs.height() - l.fileList.top() - 26);
    l.horizontalBar.moveTop(l.tabs.top() + l.tabs.height());
    l.horizontalBar.setWidth(cw);
    l.editor.moveLeft(l.verticalBar.left() + l.verticalBar.width() + 1);
    l.editor.setWidth(cw - l.verticalBar.left() - l.verticalBar.width() - 2);
    l.editor.setHeight(l.tabs.height());
    l.verticalBar.setHeight(l.editor.height());
}

void layoutAfterHorizontalSplitter(MainLayout &l, QSize client)
{
    l.tabs.setHeight(l.horizontalBar.top() - l.tabs.top() - 2);
    const int infoTop = l.horizontalBar.top() + l.horizontalBar.height();
    l.info.moveTop(infoTop);
    // The description box ends where the status bar begins, so its last lines stay visible.
    l.info.setHeight(client.height() - l.horizontalBar.top() - l.horizontalBar.height() - l.statusBarHeight);
}

void layoutFull(MainLayout &l, QSize client)
{
    l.tabs.setWidth(l.verticalBar.left() - l.tabs.left() - 1);
    // The tab control starts below the toolbar: counting its top keeps the description box inside
    // the client area, above the status bar.
    l.tabs.setHeight(client.height() - l.tabs.top() - l.info.height() - l.horizontalBar.height() - 2
                     - l.statusBarHeight);
    l.tree.setWidth(l.tabs.width() - 12);
    l.tree.setHeight(l.tabs.height() - 31);
    // The description box follows the splitter as the previous pass left it.
    l.info.moveTop(l.horizontalBar.top() + l.horizontalBar.height());
    l.info.setWidth(client.width() - 2);
}

} // namespace

MainLayout designLayout()
{
    MainLayout l;
    l.tabs = QRect(4, 40, 240, 440);
    l.tree = QRect(6, 6, 220, 402);
    l.fileList = QRect(6, 33, 229, 378);
    l.verticalBar = QRect(240, 36, 6, 352);
    l.editor = QRect(248, 36, 536, 444);
    l.horizontalBar = QRect(8, 485, 776, 6);
    l.info = QRect(5, 495, 784, 134);
    l.statusBarHeight = 20;
    return l;
}

MainLayout LayoutMainWindow(const MainLayout &current, QSize client, LayoutMode mode)
{
    MainLayout l = current;
    if (mode == LayoutMode::AfterHorizontalSplitter)
        layoutAfterHorizontalSplitter(l, client);
    else
        layoutFull(l, client);
    layoutCommon(l, client);
    return l;
}

SizePersistence decideSizePersistence(QSize window, int normalWidth, int normalHeight,
                                      bool minimised, bool edgeShrunk, bool edgeSettling)
{
    if (minimised || edgeShrunk || edgeSettling)
        return {};
    SizePersistence p;
    p.storeWidth = window.width() != normalWidth && window.width() > MinimumStoredWidth;
    p.storeHeight = window.height() != normalHeight;
    return p;
}

} // namespace Qb::App
