// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own pictures: the main window and tray icon, the toolbar image list and the tree
// image list. The icon is the one the desktop entry names (packaging/icons, compiled in); the
// image lists are drawn in code.
#pragma once

#include <QIcon>
#include <QList>
#include <QPixmap>

namespace Qb::Resources {

// The main window icon in the installed sizes, 16 to 256 pixels; also the tray icon.
QIcon mainWindowIcon();

// Image `index` of the toolbar's 16 × 16 image list. Pictures exist for the images the toolbar
// uses: 1 open, 2 save, 10 save as, 7 cut, 6 copy, 9 paste, 18 run, 20 stop; other indices give
// an empty (transparent) image.
QPixmap toolbarImage(int index);

// The tree's image list: 13 images of 16 × 15 pixels. Image 2 is the category picture, image 12
// the command picture; the others are empty.
QList<QPixmap> treeImageList();
inline constexpr int CategoryImage = 2;
inline constexpr int CommandImage = 12;

} // namespace Qb::Resources
