// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's layout arithmetic: where each control goes after a resize or a splitter
// drag. Pure rectangles, so the rules are tested without a display.
#pragma once

#include <QRect>
#include <QSize>

namespace Qb::App {

enum class LayoutMode {
    Full,                    // window resized or the vertical splitter moved
    AfterHorizontalSplitter, // the horizontal splitter 分隔条1 moved (its top already set)
};

// The geometry of the controls that take part in the layout, in pixels. Tab-page controls
// (tree, file list) are relative to the page; the others to the window's client area.
struct MainLayout
{
    QRect tabs;             // 选择夹1
    QRect tree;             // 树型框_分类
    QRect fileList;         // 上传文件框
    QRect verticalBar;      // 分隔条_纵
    QRect editor;           // 代码编辑框1
    QRect horizontalBar;    // 分隔条1
    QRect info;             // 编辑框_信息
    int statusBarHeight = 20; // 状态条1
};

// The design geometry of these controls.
MainLayout designLayout();

// LayoutMainWindow's arithmetic: the new geometry for a client area of `client` (CW × CH).
// Every value is an integer; negative sizes are returned as they are (the window system clamps
// them).
MainLayout LayoutMainWindow(const MainLayout &current, QSize client, LayoutMode mode);

// Whether a layout pass stores the window size, and what. Sizes are stored only while the
// window has its normal, resizable frame (not edge-shrunk), is not minimised and is not settling
// after an expand from the edge (the window system may still report sizes of the animation,
// EdgeBehaviour::settling); the width only when it changed and is above 122, the height only when
// it changed.
struct SizePersistence
{
    bool storeWidth = false;
    bool storeHeight = false;
};
SizePersistence decideSizePersistence(QSize window, int normalWidth, int normalHeight,
                                      bool minimised, bool edgeShrunk, bool edgeSettling);

// Below this width (inclusive) a resize never becomes the stored width.
inline constexpr int MinimumStoredWidth = 122;

} // namespace Qb::App
