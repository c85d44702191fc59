// SPDX-License-Identifier: GPL-3.0-or-later
// Which image a path gets (fixed type pictures, own icons, the desktop's icon by type and its
// cache entry) and the BMP form of rendered icons.
#include "browser/bmpfile.h"
#include "browser/iconrules.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace Qb::Browser;
using Source = IconChoice::Source;

namespace {

bool makeFile(const QString &path, const QByteArray &content = QByteArray())
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

quint32 le32(const QByteArray &bytes, int offset)
{
    return qFromLittleEndian<quint32>(bytes.constData() + offset);
}

} // namespace

class tst_IconRules : public QObject
{
    Q_OBJECT

private slots:
    void choose_data();
    void choose();
    void choose_typeKeysAreSharedByFilesOfOneType();
    void table_data();
    void table();
    void bmp_headerAndBottomUpRows();
    void colourValue_data();
    void colourValue();
};

void tst_IconRules::choose_data()
{
    QTest::addColumn<QString>("path");    // relative paths are made in a temporary folder
    QTest::addColumn<int>("source");
    QTest::addColumn<int>("index");       // Fixed: the image; otherwise the image when making fails
    QTest::addColumn<QString>("key");     // "<path>" stands for the full path
    const int fixed = int(Source::Fixed), own = int(Source::OwnIcon), shell = int(Source::Shell);
    QTest::newRow("folder") << "projects/src" << fixed << 0 << "";
    QTest::newRow("folder with dot") << "projects/lib.d" << fixed << 0 << "";
    QTest::newRow("file without extension is not a folder") << "projects/Makefile" << shell << 5
                                                            << "mime:text/x-makefile";
    QTest::newRow("executable without extension") << "projects/run" << shell << 5 << "mime:application/x-executable";
    QTest::newRow("other file without extension") << "projects/LICENSE.d/data" << shell << 5
                                                  << "mime:application/octet-stream";
    QTest::newRow("table: txt, any case") << "projects/notes.TXT" << fixed << 7 << "";
    QTest::newRow("table: png") << "projects/logo.png" << fixed << 1 << "";
    QTest::newRow("table: html") << "projects/index.html" << fixed << 11 << "";
    QTest::newRow("table: dll before own icon") << "projects/lib.DLL" << fixed << 8 << "";
    QTest::newRow("table: db") << "projects/data.db" << fixed << 8 << "";
    QTest::newRow("link to a txt file") << "projects/note-link" << fixed << 1 << "";
    QTest::newRow("link to another file") << "projects/code-link.py" << shell << 5 << ".py";
    QTest::newRow("exe") << "projects/setup.exe" << own << 4 << "<path>";
    QTest::newRow("EXE upper case falls back to 5") << "projects/SETUP.EXE" << own << 5 << "<path>";
    QTest::newRow("ico") << "projects/app.ico" << own << 5 << "<path>";
    QTest::newRow("other extension, by lower case") << "projects/main.JS" << shell << 5 << ".js";
    QTest::newRow("missing, no dot") << "/nonexistent-qb/readme" << fixed << 0 << "";
    QTest::newRow("missing, with extension") << "/nonexistent-qb/x.py" << shell << 5 << ".py";
}

void tst_IconRules::choose()
{
    QFETCH(QString, path);
    QFETCH(int, source);
    QFETCH(int, index);
    QFETCH(QString, key);
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("projects/src"))));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("projects/lib.d"))));
    QVERIFY(makeFile(dir.filePath(QStringLiteral("projects/Makefile")), "all:\n\tcc -o run run.c\n"));
    QVERIFY(makeFile(dir.filePath(QStringLiteral("projects/run")), "#!/bin/sh\n"));
    QVERIFY(QFile::setPermissions(dir.filePath(QStringLiteral("projects/run")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("projects/LICENSE.d"))));
    QVERIFY(makeFile(dir.filePath(QStringLiteral("projects/LICENSE.d/data")), "#!/bin/sh\n"));
    for (const char *name : {"notes.TXT", "logo.png", "index.html", "lib.DLL", "data.db", "setup.exe",
                             "SETUP.EXE", "app.ico", "main.JS", "code.py", "list.txt"})
        QVERIFY(makeFile(dir.filePath(QStringLiteral("projects/") + QString::fromLatin1(name))));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("projects/list.txt")), dir.filePath(QStringLiteral("projects/note-link"))));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("projects/code.py")), dir.filePath(QStringLiteral("projects/code-link.py"))));
    const QString full = path.startsWith(u'/') ? path : dir.filePath(path);
    const IconChoice choice = chooseFileIcon(QFileInfo(full));
    QCOMPARE(int(choice.source), source);
    QCOMPARE(choice.index, index);
    QCOMPARE(choice.cacheKey, key == QStringLiteral("<path>") ? QFileInfo(full).absoluteFilePath() : key);
}

void tst_IconRules::choose_typeKeysAreSharedByFilesOfOneType()
{
    QTemporaryDir dir;
    QVERIFY(makeFile(dir.filePath(QStringLiteral("a.py"))));
    QVERIFY(makeFile(dir.filePath(QStringLiteral("B.PY"))));
    QVERIFY(makeFile(dir.filePath(QStringLiteral("one.ico"))));
    QVERIFY(makeFile(dir.filePath(QStringLiteral("two.ico"))));
    const auto key = [&dir](const char *name) {
        return chooseFileIcon(QFileInfo(dir.filePath(QString::fromLatin1(name)))).cacheKey;
    };
    QCOMPARE(key("a.py"), key("B.PY"));
    QVERIFY(key("one.ico") != key("two.ico"));
}

void tst_IconRules::table_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<int>("image");      // -1: not in the table
    QTest::addColumn<bool>("ownIcon");
    QTest::newRow("txt") << "txt" << 7 << false;
    QTest::newRow("ini") << "Ini" << 6 << false;
    QTest::newRow("gif") << "GIF" << 1 << false;
    QTest::newRow("bmp") << "bmp" << 2 << false;
    QTest::newRow("jpg") << "jpg" << 3 << false;
    QTest::newRow("jpeg is not jpg") << "jpeg" << -1 << false;
    QTest::newRow("asp") << "asp" << 9 << false;
    QTest::newRow("rar") << "rar" << 10 << false;
    QTest::newRow("htm") << "htm" << 11 << false;
    QTest::newRow("dll") << "dll" << 8 << true;
    QTest::newRow("icl") << "ICL" << -1 << true;
    QTest::newRow("empty") << "" << -1 << false;
    QTest::newRow("part of a name is not enough") << "tx" << -1 << false;
}

void tst_IconRules::table()
{
    QFETCH(QString, extension);
    QFETCH(int, image);
    QFETCH(bool, ownIcon);
    QCOMPARE(fileTypeImage(extension).value_or(-1), image);
    QCOMPARE(carriesOwnIcon(extension), ownIcon);
}

void tst_IconRules::bmp_headerAndBottomUpRows()
{
    // Two rows of three: red green blue over white black grey.
    const quint32 pixels[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF000000, 0x80808080};
    const QByteArray bmp = bmpFile32(3, 2, pixels);
    QCOMPARE(bmp.size(), 54 + 3 * 2 * 4);
    QCOMPARE(bmp.left(2), QByteArray("BM"));
    QCOMPARE(le32(bmp, 2), quint32(bmp.size()));
    QCOMPARE(le32(bmp, 10), 54u);
    QCOMPARE(le32(bmp, 14), 40u);
    QCOMPARE(le32(bmp, 18), 3u);
    QCOMPARE(le32(bmp, 22), 2u);
    QCOMPARE(qFromLittleEndian<quint16>(bmp.constData() + 26), quint16(1));
    QCOMPARE(qFromLittleEndian<quint16>(bmp.constData() + 28), quint16(32));
    QCOMPARE(le32(bmp, 30), 0u);
    QCOMPARE(le32(bmp, 34), 24u);
    // The bottom row comes first, each pixel as B, G, R, 0.
    QCOMPARE(bmp.mid(54, 12), QByteArray("\xff\xff\xff\x00\x00\x00\x00\x00\x80\x80\x80\x00", 12));
    QCOMPARE(bmp.mid(66, 12), QByteArray("\x00\x00\xff\x00\x00\xff\x00\x00\xff\x00\x00\x00", 12));
}

void tst_IconRules::colourValue_data()
{
    QTest::addColumn<quint32>("value");
    QTest::addColumn<quint32>("rgb");
    QTest::newRow("white") << 0xFFFFFFu << 0xFFFFFFFFu;
    QTest::newRow("red is the low byte") << 0x0000FFu << 0xFFFF0000u;
    QTest::newRow("blue is the third byte") << 0xFF0000u << 0xFF0000FFu;
    QTest::newRow("palette entry 0 is black") << 0x01000000u << 0xFF000000u;
}

void tst_IconRules::colourValue()
{
    QFETCH(quint32, value);
    QFETCH(quint32, rgb);
    QCOMPARE(rgbFromColourValue(value), rgb);
}

QTEST_APPLESS_MAIN(tst_IconRules)
#include "tst_iconrules.moc"
