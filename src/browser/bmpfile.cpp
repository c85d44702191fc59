// SPDX-License-Identifier: GPL-3.0-or-later
// Writing 32-bit BMP files.
#include "browser/bmpfile.h"

#include <QtEndian>

#include <iterator>

namespace Qb::Browser {

namespace {

constexpr int FileHeaderSize = 14;
constexpr int InfoHeaderSize = 40;
constexpr quint32 PaletteIndexFlag = 0x01000000;

// The first entries of the default palette; other indices read as black.
constexpr quint32 DefaultPalette[] = {0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000,
                                      0xFF000080, 0xFF800080, 0xFF008080, 0xFFC0C0C0};

void put16(QByteArray &out, quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void put32(QByteArray &out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

} // namespace

QByteArray bmpFile32(int width, int height, const quint32 *pixels)
{
    const quint32 imageBytes = quint32(width) * quint32(height) * 4;
    QByteArray out;
    out.reserve(FileHeaderSize + InfoHeaderSize + int(imageBytes));
    out.append("BM", 2);
    put32(out, FileHeaderSize + InfoHeaderSize + imageBytes);
    put32(out, 0);                                  // two reserved words
    put32(out, FileHeaderSize + InfoHeaderSize);    // offset of the pixel rows
    put32(out, InfoHeaderSize);
    put32(out, quint32(width));
    put32(out, quint32(height));
    put16(out, 1);                                  // planes
    put16(out, 32);                                 // bits per pixel
    put32(out, 0);                                  // no compression
    put32(out, imageBytes);
    put32(out, 0);                                  // resolution, both directions
    put32(out, 0);
    put32(out, 0);                                  // palette: none
    put32(out, 0);
    for (int y = height - 1; y >= 0; --y) {
        const quint32 *row = pixels + qsizetype(y) * width;
        for (int x = 0; x < width; ++x)
            put32(out, row[x] & 0x00FFFFFF);
    }
    return out;
}

quint32 rgbFromColourValue(quint32 value)
{
    if ((value & 0xFF000000) == PaletteIndexFlag) {
        const quint32 index = value & 0xFFFF;
        return index < std::size(DefaultPalette) ? DefaultPalette[index] : DefaultPalette[0];
    }
    const quint32 red = value & 0xFF, green = (value >> 8) & 0xFF, blue = (value >> 16) & 0xFF;
    return 0xFF000000 | (red << 16) | (green << 8) | blue;
}

} // namespace Qb::Browser
