// SPDX-License-Identifier: GPL-3.0-or-later
// The program icon from its files, and the toolbar and tree pictures drawn with QPainter:
// simple, legible shapes in a small palette.
#include "resources/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <functional>
#include <map>

namespace Qb::Resources {

namespace {

using Painter = std::function<void(QPainter &)>;

QPixmap drawn(QSize size, const Painter &paint)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size.width() / 16.0, size.height() / 16.0);
    paint(p);
    return pixmap;
}

void folder(QPainter &p)
{
    p.setPen(QColor(0x9a, 0x6b, 0x10));
    p.setBrush(QColor(0xf5, 0xc8, 0x4c));
    p.drawPolygon(QPolygonF({{1, 4}, {6, 4}, {7.5, 5.5}, {15, 5.5}, {15, 14}, {1, 14}}));
}

void disk(QPainter &p)
{
    p.setPen(QColor(0x1f, 0x3a, 0x68));
    p.setBrush(QColor(0x3f, 0x6f, 0xb5));
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4, 2, 8, 5));
    p.setBrush(QColor(0xc8, 0xd4, 0xe8));
    p.drawRect(QRectF(4, 10, 8, 4.5));
}

void diskAs(QPainter &p)
{
    disk(p);
    p.setPen(QPen(QColor(0xd0, 0x40, 0x20), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9, 14), QPointF(15, 8));
}

void scissors(QPainter &p)
{
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(2, 10, 4, 4));
    p.drawEllipse(QRectF(10, 10, 4, 4));
    p.drawLine(QPointF(5.5, 10.5), QPointF(11, 1.5));
    p.drawLine(QPointF(10.5, 10.5), QPointF(5, 1.5));
}

void page(QPainter &p, QRectF rect)
{
    p.setPen(QColor(0x50, 0x50, 0x50));
    p.setBrush(Qt::white);
    p.drawRect(rect);
    p.drawLine(QPointF(rect.left() + 2, rect.top() + 3), QPointF(rect.right() - 2, rect.top() + 3));
    p.drawLine(QPointF(rect.left() + 2, rect.top() + 6), QPointF(rect.right() - 2, rect.top() + 6));
}

void copyPages(QPainter &p)
{
    page(p, QRectF(1.5, 1.5, 8, 10));
    page(p, QRectF(6.5, 4.5, 8, 10));
}

void clipboard(QPainter &p)
{
    p.setPen(QColor(0x6b, 0x4a, 0x1e));
    p.setBrush(QColor(0xc8, 0x96, 0x50));
    p.drawRect(QRectF(2, 2.5, 10, 12));
    page(p, QRectF(7, 6.5, 7.5, 8.5));
    p.setBrush(QColor(0x90, 0x90, 0x90));
    p.drawRect(QRectF(5, 1, 4, 3));
}

void run(QPainter &p)
{
    p.setPen(QColor(0x1d, 0x6b, 0x2a));
    p.setBrush(QColor(0x3c, 0xb0, 0x4f));
    p.drawPolygon(QPolygonF({{4, 2}, {14, 8}, {4, 14}}));
}

void stop(QPainter &p)
{
    p.setPen(QColor(0x8b, 0x1a, 0x1a));
    p.setBrush(QColor(0xd9, 0x3b, 0x3b));
    p.drawRoundedRect(QRectF(3, 3, 10, 10), 1.5, 1.5);
}

void category(QPainter &p)
{
    folder(p);
}

void command(QPainter &p)
{
    p.setPen(QColor(0x30, 0x50, 0x80));
    p.setBrush(QColor(0xe6, 0xee, 0xfa));
    p.drawRect(QRectF(2.5, 1.5, 11, 13));
    p.setPen(QPen(QColor(0x30, 0x70, 0xc0), 1.2));
    p.drawLine(QPointF(5, 5), QPointF(7, 7.5));
    p.drawLine(QPointF(7, 7.5), QPointF(5, 10));
    p.drawLine(QPointF(8, 10.5), QPointF(11, 10.5));
}

} // namespace

QIcon mainWindowIcon()
{
    QIcon icon;
    for (int side : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1x%1.png").arg(side), QSize(side, side));
    return icon;
}

QPixmap toolbarImage(int index)
{
    static const std::map<int, Painter> pictures = {{1, folder},    {2, disk},      {10, diskAs},
                                                    {7, scissors},  {6, copyPages}, {9, clipboard},
                                                    {18, run},      {20, stop}};
    const auto found = pictures.find(index);
    return drawn(QSize(16, 16), found == pictures.end() ? Painter([](QPainter &) {}) : found->second);
}

QList<QPixmap> treeImageList()
{
    QList<QPixmap> images;
    for (int i = 0; i < 13; ++i) {
        const Painter paint = i == CategoryImage ? Painter(category)
                            : i == CommandImage  ? Painter(command)
                                                 : Painter([](QPainter &) {});
        images.append(drawn(QSize(16, 15), paint));
    }
    return images;
}

} // namespace Qb::Resources
