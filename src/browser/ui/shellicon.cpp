// SPDX-License-Identifier: GPL-3.0-or-later
// Drawing the desktop's file icons into bitmaps.
#include "browser/ui/shellicon.h"

#include "browser/bmpfile.h"
#include "browser/iconrules.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QImage>
#include <QMimeType>
#include <QPainter>
#include <QStyle>

namespace Qb::Browser::Ui {

QIcon desktopFileIcon(const QFileInfo &info)
{
    const QMimeType type = fileType(info);
    for (const QString &name : {type.iconName(), type.genericIconName()}) {
        const QIcon themed = QIcon::fromTheme(name);
        if (!themed.isNull())
            return themed;
    }
    if (info.isFile() || info.isDir()) {
        static const QFileIconProvider provider;
        return provider.icon(info);
    }
    return QApplication::style()->standardIcon(QStyle::SP_FileIcon);
}

QByteArray RenderShellIcon(const QString &path, int width, int height, quint32 background)
{
    if (width <= 0 || height <= 0)
        return {};
    const QIcon icon = desktopFileIcon(QFileInfo(path));
    if (icon.isNull())
        return {};
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor::fromRgb(rgbFromColourValue(background)));
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(QRect(0, 0, width, height), icon.pixmap(QSize(width, height)));
    }
    return bmpFile32(width, height, reinterpret_cast<const quint32 *>(image.constBits()));
}

QPixmap maskedImage(const QByteArray &bmp, quint32 maskColour)
{
    QImage image = QImage::fromData(bmp, "BMP");
    if (image.isNull())
        return {};
    image = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb mask = rgbFromColourValue(maskColour);
    for (int y = 0; y < image.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((row[x] | 0xFF000000) == mask)
                row[x] = 0;
        }
    }
    return QPixmap::fromImage(image);
}

} // namespace Qb::Browser::Ui
