// SPDX-License-Identifier: GPL-3.0-or-later
// The file list's images: the twelve pre-loaded type pictures, the desktop's icon drawn into a
// BMP on a background colour, the mask colour made transparent, and the cache that keeps one
// image per type or own-icon file.
#include "browser/ui/fileiconlist.h"
#include "browser/ui/shellicon.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using namespace Qb::Browser::Ui;
using namespace Qt::StringLiterals;

namespace {

bool makeFile(const QString &path, const QByteArray &content = QByteArray())
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

bool makeIcon(const QString &path, QColor colour)
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(colour);
    return image.save(path, "ICO");
}

} // namespace

class tst_FileIcons : public QObject
{
    Q_OBJECT

private slots:
    void typePictures_preloadedInOrder();
    void render_bmpOfTheRequestedSizeOnTheBackground_data();
    void render_bmpOfTheRequestedSizeOnTheBackground();
    void render_nothingForAnEmptySize();
    void maskedImage_maskColourIsTransparent();
    void index_cachedByTypeAndByOwnIconFile();
    void index_failuresUseTheFixedPictures_data();
    void index_failuresUseTheFixedPictures();
};

void tst_FileIcons::typePictures_preloadedInOrder()
{
    const FileIconList images;
    QCOMPARE(images.count(), 12);
    QList<QImage> seen;
    for (int i = 0; i < images.count(); ++i) {
        const QImage picture = images.icon(i).pixmap(32, 32).toImage();
        QCOMPARE(picture.size(), QSize(32, 32));
        QVERIFY2(!seen.contains(picture), qPrintable(QString::number(i)));  // twelve different pictures
        seen.append(picture);
    }
}

void tst_FileIcons::render_bmpOfTheRequestedSizeOnTheBackground_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<quint32>("background");
    QTest::addColumn<QRgb>("corner");
    QTest::newRow("default white") << QSize(32, 32) << 0xFFFFFFu << qRgb(255, 255, 255);
    QTest::newRow("mask colour: palette entry 0") << QSize(32, 32) << 0x01000000u << qRgb(0, 0, 0);
    QTest::newRow("red, not square") << QSize(48, 20) << 0x0000FFu << qRgb(255, 0, 0);
}

void tst_FileIcons::render_bmpOfTheRequestedSizeOnTheBackground()
{
    QFETCH(QSize, size);
    QFETCH(quint32, background);
    QFETCH(QRgb, corner);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"notes.md"_s);
    QVERIFY(makeFile(path, "# notes\n"));
    const QByteArray bmp = RenderShellIcon(path, size.width(), size.height(), background);
    QVERIFY(bmp.startsWith("BM"));
    QCOMPARE(bmp.size(), 54 + size.width() * size.height() * 4);
    const QImage image = QImage::fromData(bmp, "BMP");
    QCOMPARE(image.size(), size);
    // The desktop's file pictures leave the corners free: the background shows there.
    QCOMPARE(image.pixel(0, 0) | 0xFF000000, corner);
    QCOMPARE(image.pixel(size.width() - 1, size.height() - 1) | 0xFF000000, corner);
    bool drawn = false;
    for (int y = 0; y < size.height() && !drawn; ++y) {
        for (int x = 0; x < size.width() && !drawn; ++x)
            drawn = (image.pixel(x, y) | 0xFF000000) != corner;
    }
    QVERIFY(drawn);
}

void tst_FileIcons::render_nothingForAnEmptySize()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"notes.md"_s);
    QVERIFY(makeFile(path));
    QVERIFY(RenderShellIcon(path, 0, 32).isEmpty());
    QVERIFY(RenderShellIcon(path, 32, -1).isEmpty());
    QVERIFY(RenderShellIcon(path).startsWith("BM"));
}

void tst_FileIcons::maskedImage_maskColourIsTransparent()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"notes.md"_s);
    QVERIFY(makeFile(path));
    const QImage image = maskedImage(RenderShellIcon(path, 32, 32, FileIconList::MaskColour), FileIconList::MaskColour)
                             .toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(image.size(), QSize(32, 32));
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    int opaque = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x)
            opaque += qAlpha(image.pixel(x, y)) == 255 ? 1 : 0;
    }
    QVERIFY(opaque > 0);
    QVERIFY(maskedImage(QByteArray("not a picture"), FileIconList::MaskColour).isNull());
}

void tst_FileIcons::index_cachedByTypeAndByOwnIconFile()
{
    QTemporaryDir dir;
    for (const char *name : {"a.js", "b.JS", "c.js", "d.css"})
        QVERIFY(makeFile(dir.filePath(QString::fromLatin1(name))));
    QVERIFY(makeIcon(dir.filePath(u"red.ico"_s), Qt::red));
    QVERIFY(makeIcon(dir.filePath(u"blue.ico"_s), Qt::blue));
    FileIconList images;
    const auto index = [&](const char *name) { return images.FileIconIndex(dir.filePath(QString::fromLatin1(name))); };
    const int js = index("a.js");
    QCOMPARE(js, 12);
    QCOMPARE(index("b.JS"), js);
    QCOMPARE(index("c.js"), js);
    QCOMPARE(index("d.css"), 13);
    const int red = index("red.ico");
    const int blue = index("blue.ico");
    QCOMPARE(red, 14);
    QCOMPARE(blue, 15);
    QCOMPARE(index("red.ico"), red);
    QCOMPARE(images.count(), 16);
    // The icon file's own picture, scaled to the list's size.
    const QImage own = images.icon(red).pixmap(32, 32).toImage();
    QCOMPARE(own.size(), QSize(32, 32));
    QCOMPARE(QColor(own.pixel(16, 16)), QColor(Qt::red));
    QCOMPARE(images.FileIconIndex(dir.path()), 0);
}

void tst_FileIcons::index_failuresUseTheFixedPictures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("index");
    QTest::newRow("exe: no icon read from programs") << "setup.exe" << QByteArray("MZ\x90\x00", 4) << 4;
    QTest::newRow("EXE upper case") << "SETUP.EXE" << QByteArray("MZ") << 5;
    QTest::newRow("icon library") << "set.icl" << QByteArray("MZ") << 5;
    QTest::newRow("broken icon file") << "broken.ico" << QByteArray("\x00\x00\x01\x00\xff\xff", 6) << 5;
    QTest::newRow("table type: no image made") << "lib.dll" << QByteArray("MZ") << 8;
}

void tst_FileIcons::index_failuresUseTheFixedPictures()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(int, index);
    QTemporaryDir dir;
    QVERIFY(makeFile(dir.filePath(name), content));
    FileIconList images;
    QCOMPARE(images.FileIconIndex(dir.filePath(name)), index);
    QCOMPARE(images.FileIconIndex(dir.filePath(name)), index);
    QCOMPARE(images.count(), 12);
}

QTEST_MAIN(tst_FileIcons)
#include "tst_fileicons.moc"
