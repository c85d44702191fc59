// SPDX-License-Identifier: GPL-3.0-or-later
// The twelve type pictures the file browser's image list starts with, drawn in code.
#pragma once

#include <QList>
#include <QPixmap>

namespace Qb::Resources {

// 32 × 32 pictures with transparent backgrounds, in image-list order: 0 directory, 1 picture,
// 2 bitmap, 3 JPEG, 4 program, 5 other file, 6 settings, 7 text, 8 library or database,
// 9 server page, 10 archive, 11 web page.
QList<QPixmap> fileTypeImages();

} // namespace Qb::Resources
