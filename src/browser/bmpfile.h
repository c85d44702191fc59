// SPDX-License-Identifier: GPL-3.0-or-later
// Device-independent bitmaps in file form: what RenderShellIcon returns.
#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace Qb::Browser {

// A BMP file of a 32-bit bitmap: the file header ("BM", file size, pixel offset 54), a
// BITMAPINFOHEADER (width, positive height: rows bottom-up, 1 plane, 32 bits, no compression)
// and the pixel rows. pixels holds width * height values 0xAARRGGBB, top row first, as QImage
// keeps them; each is written as the bytes B, G, R, 0. REQUIRES: width, height > 0.
QByteArray bmpFile32(int width, int height, const quint32 *pixels);

// A colour value as the rules give it (0x00BBGGRR; 0x01000000 + n is entry n of the default
// palette, of which entry 0, black, is the one the program uses) as 0xFFRRGGBB.
quint32 rgbFromColourValue(quint32 value);

} // namespace Qb::Browser
