// SPDX-License-Identifier: GPL-3.0-or-later
// The icon-drawing bitmap helper: the desktop's icon for a file, drawn into a bitmap.
#pragma once

#include <QByteArray>
#include <QFileInfo>
#include <QIcon>
#include <QPixmap>
#include <QString>

namespace Qb::Browser::Ui {

// The desktop's icon for the type of the file at info: the icon theme's picture for its MIME
// type, else the style's file or folder picture. Never reads from a pipe or device.
// REQUIRES: a QApplication exists (UI thread).
QIcon desktopFileIcon(const QFileInfo &info);

// The desktop's icon for path stretched over a width × height bitmap filled with background
// (a colour value as bmpfile.h reads it; 0x01000000 is black), returned in BMP file form with
// 32 bits per pixel. "" when width or height is not positive or there is no icon.
QByteArray RenderShellIcon(const QString &path, int width = 32, int height = 32,
                           quint32 background = 0xFFFFFF);

// A BMP picture as an image-list entry whose pixels of the colour maskColour (a colour value
// as above) are transparent. A null pixmap when bmp is not a readable picture.
QPixmap maskedImage(const QByteArray &bmp, quint32 maskColour);

} // namespace Qb::Browser::Ui
