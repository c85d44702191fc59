// SPDX-License-Identifier: GPL-3.0-or-later
// The file browser's type pictures, drawn on a 16-unit grid and scaled to 32 × 32.
#include "resources/filetypeimages.h"

#include <QPainter>
#include <QPolygonF>

#include <functional>

namespace Qb::Resources {

namespace {

using Painter = std::function<void(QPainter &)>;

constexpr int Side = 32;

QPixmap drawn(const Painter &paint)
{
    QPixmap pixmap(Side, Side);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(Side / 16.0, Side / 16.0);
    paint(p);
    return pixmap;
}

// A sheet with a folded top-right corner, the base of the document pictures.
void sheet(QPainter &p, QColor fill = Qt::white)
{
    p.setPen(QPen(QColor(0x55, 0x5b, 0x66), 0.7));
    p.setBrush(fill);
    p.drawPolygon(QPolygonF({{3, 1}, {10, 1}, {13.5, 4.5}, {13.5, 15}, {3, 15}}));
    p.setBrush(QColor(0xd8, 0xdc, 0xe2));
    p.drawPolygon(QPolygonF({{10, 1}, {10, 4.5}, {13.5, 4.5}}));
}

// A coloured band with a short label across the lower half of a sheet.
void band(QPainter &p, QColor colour, const char *label)
{
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRect(QRectF(1.5, 9, 10.5, 5));
    p.setPen(Qt::white);
    QFont font = p.font();
    font.setPixelSize(4);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(1.5, 9, 10.5, 5), Qt::AlignCenter, QString::fromLatin1(label));
}

void directory(QPainter &p)
{
    p.setPen(QPen(QColor(0x9a, 0x6b, 0x10), 0.7));
    p.setBrush(QColor(0xe8, 0xb0, 0x30));
    p.drawPolygon(QPolygonF({{1, 3}, {6, 3}, {7.5, 4.5}, {15, 4.5}, {15, 14}, {1, 14}}));
    p.setBrush(QColor(0xf7, 0xcf, 0x5a));
    p.drawPolygon(QPolygonF({{1, 6.5}, {15, 6.5}, {15, 14}, {1, 14}}));
}

void landscape(QPainter &p, QRectF frame)
{
    p.setPen(QPen(QColor(0x45, 0x55, 0x6b), 0.7));
    p.setBrush(QColor(0xb9, 0xde, 0xf5));
    p.drawRect(frame);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf2, 0xc0, 0x3c));
    p.drawEllipse(QPointF(frame.right() - 3, frame.top() + 3), 1.5, 1.5);
    p.setBrush(QColor(0x3d, 0x9a, 0x4a));
    p.drawPolygon(QPolygonF({{frame.left(), frame.bottom()}, {frame.left() + 4, frame.top() + 4},
                             {frame.left() + 7, frame.bottom() - 3}, {frame.left() + 9, frame.bottom() - 5},
                             {frame.right(), frame.bottom()}}));
}

void picture(QPainter &p)
{
    landscape(p, QRectF(1, 2.5, 14, 11));
}

void bitmap(QPainter &p)
{
    const QColor cells[] = {QColor(0xd9, 0x3b, 0x3b), QColor(0x3c, 0xb0, 0x4f), QColor(0x3b, 0x6f, 0xd9),
                            QColor(0xf2, 0xc0, 0x3c)};
    p.setPen(QPen(QColor(0x45, 0x55, 0x6b), 0.5));
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x) {
            p.setBrush(cells[(x + 2 * y) % 4]);
            p.drawRect(QRectF(2 + 4 * x, 2 + 4 * y, 4, 4));
        }
    }
}

void jpeg(QPainter &p)
{
    landscape(p, QRectF(1, 1.5, 14, 10));
    band(p, QColor(0x8a, 0x3f, 0xb5), "JPG");
}

void program(QPainter &p)
{
    p.setPen(QPen(QColor(0x1f, 0x3a, 0x68), 0.7));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1, 2, 14, 12));
    p.setBrush(QColor(0x3b, 0x6f, 0xc4));
    p.drawRect(QRectF(1, 2, 14, 3));
    p.setPen(QPen(QColor(0x3b, 0x6f, 0xc4), 1.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4, 8), QPointF(6, 9.5));
    p.drawLine(QPointF(6, 9.5), QPointF(4, 11));
    p.drawLine(QPointF(7.5, 11.5), QPointF(11, 11.5));
}

void otherFile(QPainter &p)
{
    sheet(p);
}

void settingsFile(QPainter &p)
{
    sheet(p);
    p.setPen(QPen(QColor(0x5a, 0x62, 0x70), 1.6, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 4; ++i) {
        p.save();
        p.translate(8.2, 10);
        p.rotate(45.0 * i);
        p.drawLine(QPointF(-3.2, 0), QPointF(3.2, 0));
        p.restore();
    }
    p.setPen(QPen(QColor(0x5a, 0x62, 0x70), 0.7));
    p.setBrush(QColor(0xb0, 0xb8, 0xc4));
    p.drawEllipse(QPointF(8.2, 10), 2.2, 2.2);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8.2, 10), 0.9, 0.9);
}

void text(QPainter &p)
{
    sheet(p);
    p.setPen(QPen(QColor(0x70, 0x78, 0x86), 0.8));
    for (double y : {6.0, 8.0, 10.0, 12.0})
        p.drawLine(QPointF(5, y), QPointF(y < 7 ? 9 : 11.5, y));
}

void library(QPainter &p)
{
    const QColor side(0x3f, 0x6f, 0xb5), top(0x8f, 0xb4, 0xe6);
    p.setPen(QPen(QColor(0x1f, 0x3a, 0x68), 0.7));
    p.setBrush(side);
    p.drawRect(QRectF(2.5, 3.5, 11, 9.5));
    p.drawEllipse(QRectF(2.5, 10.5, 11, 4));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(2.85, 10, 10.3, 3));
    p.setPen(QPen(QColor(0x1f, 0x3a, 0x68), 0.7));
    p.setBrush(top);
    p.drawEllipse(QRectF(2.5, 1.5, 11, 4));
}

void serverPage(QPainter &p)
{
    sheet(p);
    band(p, QColor(0x2f, 0x8f, 0x83), "<%>");
}

void archive(QPainter &p)
{
    p.setPen(QPen(QColor(0x6b, 0x4a, 0x1e), 0.7));
    p.setBrush(QColor(0xc8, 0x96, 0x50));
    p.drawRect(QRectF(2, 4, 12, 10.5));
    p.setBrush(QColor(0xdd, 0xb0, 0x70));
    p.drawPolygon(QPolygonF({{2, 4}, {4, 1.5}, {12, 1.5}, {14, 4}}));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x50, 0x50, 0x50));
    for (double y = 4.5; y < 12; y += 2)
        p.drawRect(QRectF(7, y, 2, 1));
    p.setBrush(QColor(0xe0, 0xe0, 0xe0));
    p.drawRect(QRectF(6.5, 11.5, 3, 2.5));
}

void webPage(QPainter &p)
{
    sheet(p);
    const QPointF centre(8.2, 10);
    p.setPen(QPen(QColor(0x1f, 0x5f, 0xa8), 0.7));
    p.setBrush(QColor(0xc6, 0xe2, 0xfa));
    p.drawEllipse(centre, 3.6, 3.6);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, 1.5, 3.6);
    p.drawLine(QPointF(centre.x() - 3.6, centre.y()), QPointF(centre.x() + 3.6, centre.y()));
}

} // namespace

QList<QPixmap> fileTypeImages()
{
    const Painter painters[] = {directory, picture, bitmap,     jpeg,       program, otherFile,
                                settingsFile, text, library, serverPage, archive, webPage};
    QList<QPixmap> images;
    for (const Painter &paint : painters)
        images.append(drawn(paint));
    return images;
}

} // namespace Qb::Resources
