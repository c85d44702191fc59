// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/appsettings.h"
#include "platform/textcodec.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

using namespace Qt::StringLiterals;
using namespace Qb::Settings;

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class tst_AppSettings : public QObject
{
    Q_OBJECT
private slots:
    void defaults_whenNothingIsStored_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("createFile");
        QTest::newRow("absent file") << QByteArray() << false;
        QTest::newRow("empty file") << QByteArray() << true;
        QTest::newRow("sections without these keys")
            << QByteArray("[xitong]\r\nother=1\r\n[shezhi]\r\n\r\n[\xBF\xEC\xBD\xDD\xBC\xFC]\r\n") << true;
    }
    void defaults_whenNothingIsStored()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, createFile);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"mlkpz.ini"_s);
        if (createFile)
            QVERIFY(writeBytes(path, content));
        const AppSettings settings(path);
        QCOMPARE(settings.readBool(Keys::Mlts), false);
        QCOMPARE(settings.readBool(Keys::Zzzq), false);
        QCOMPARE(settings.readBool(Keys::Tstjzwm), false);
        QCOMPARE(settings.readBool(Keys::Gbgz), true);
        QCOMPARE(settings.read(Keys::Kuozhanxiang), QString());
        QCOMPARE(settings.readInt(Keys::Width), 800);
        QCOMPARE(settings.readInt(Keys::Height), 700);
        QCOMPARE(settings.readInt(Keys::Left), 50);
        QCOMPARE(settings.readInt(Keys::Top), 50);
        QCOMPARE(settings.readInt(Keys::ShrinkSpeed), 100);
        QCOMPARE(settings.readBool(Keys::DescriptionWindow), false);
        QCOMPARE(settings.read(Keys::HistoryFile), QString());
        QCOMPARE(settings.read(Keys::LocalDirectories), QDir::currentPath());
        QCOMPARE(settings.read(Keys::CaptureHotkey), u"Ctrl+F12"_s);
        QCOMPARE(settings.read(Keys::SubName), QString());
        QCOMPARE(settings.read(Keys::SubParams), QString());
        QCOMPARE(settings.read(Keys::SubPrefix), QString());
        QCOMPARE(settings.ReadSetting(u"宽度"_s, u"800"_s), u"800"_s);
        QCOMPARE(QFileInfo::exists(path), createFile); // reading never creates the file
    }

    // What a stored value means; "stored" is the exact text after "=" in the file.
    void storedValues_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("asBool");
        QTest::addColumn<int>("asInt");
        QTest::newRow("gbgz=真") << u"gbgz=真"_s << u"xitong"_s << u"真"_s << true << 0;
        QTest::newRow("gbgz=假") << u"gbgz=假"_s << u"xitong"_s << u"假"_s << false << 0;
        QTest::newRow("gbgz= empty replaces the default") << u"gbgz="_s << u"xitong"_s << QString() << false << 0;
        QTest::newRow("gbgz=true is not 真") << u"gbgz=true"_s << u"xitong"_s << u"true"_s << false << 0;
        QTest::newRow("gbgz=真真") << u"gbgz=真真"_s << u"xitong"_s << u"真真"_s << false << 0;
        QTest::newRow("blanks and quotes stripped") << u"gbgz = \"真\" "_s << u"xitong"_s << u"真"_s << true << 0;
        QTest::newRow("宽度=１２０ full-width") << u"宽度=１２０"_s << u"shezhi"_s << u"１２０"_s << false << 120;
        QTest::newRow("宽度= empty gives 0") << u"宽度="_s << u"shezhi"_s << QString() << false << 0;
        QTest::newRow("宽度=1024px") << u"宽度=1024px"_s << u"shezhi"_s << u"1024px"_s << false << 1024;
        QTest::newRow("宽度=wide") << u"宽度=wide"_s << u"shezhi"_s << u"wide"_s << false << 0;
    }
    void storedValues()
    {
        QFETCH(QString, line);
        QFETCH(QString, section);
        QFETCH(QString, text);
        QFETCH(bool, asBool);
        QFETCH(int, asInt);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"mlkpz.ini"_s);
        QVERIFY(writeBytes(path, Qb::Platform::toGbk(u"[" + section + u"]\r\n" + line + u"\r\n")));
        const AppSettings settings(path);
        const Key &key = section == u"xitong"_s ? Keys::Gbgz : Keys::Width;
        QCOMPARE(settings.read(key), text);
        QCOMPARE(settings.readBool(key), asBool);
        QCOMPARE(settings.readInt(key), asInt);
    }

    void textToInteger_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        constexpr int Max = std::numeric_limits<int>::max();
        constexpr int Min = std::numeric_limits<int>::min();
        QTest::newRow("plain") << u"800"_s << 800;
        QTest::newRow("negative") << u"-7"_s << -7;
        QTest::newRow("plus") << u"+5"_s << 5;
        QTest::newRow("full-width digits") << u"１２０"_s << 120;
        QTest::newRow("full-width minus") << u"－７"_s << -7;
        QTest::newRow("full-width plus") << u"＋５"_s << 5;
        QTest::newRow("mixed widths") << u"1２3"_s << 123;
        QTest::newRow("leading blanks") << u" \t\r\n 42"_s << 42;
        QTest::newRow("ideographic space") << u"　12"_s << 12;
        QTest::newRow("trailing text") << u"42abc"_s << 42;
        QTest::newRow("digits stop at a blank") << u"1 2"_s << 1;
        QTest::newRow("leading zeros") << u"007"_s << 7;
        QTest::newRow("empty") << QString() << 0;
        QTest::newRow("letters") << u"abc"_s << 0;
        QTest::newRow("sign alone") << u"-"_s << 0;
        QTest::newRow("blank after sign") << u"- 5"_s << 0;
        QTest::newRow("two signs") << u"--1"_s << 0;
        QTest::newRow("hex is not read") << u"0x10"_s << 0;
        QTest::newRow("other scripts' digits") << u"٣"_s << 0;
        QTest::newRow("largest") << u"2147483647"_s << Max;
        QTest::newRow("smallest") << u"-2147483648"_s << Min;
        QTest::newRow("overflow clamps") << u"2147483648"_s << Max;
        QTest::newRow("negative overflow clamps") << u"-99999999999999999999"_s << Min;
        QTest::newRow("huge digit run") << QString(5000, u'9') << Max;
    }
    void textToInteger()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(Qb::Settings::textToInteger(text), value);
    }

    // Writes one key at a time into the sections of the key table; the bytes on disk are GBK
    // and each section collects its own keys.
    void writes_buildTheFileInGbk()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"mlkpz.ini"_s);
        const AppSettings settings(path);
        QVERIFY(settings.writeBool(Keys::Mlts, true));
        QVERIFY(settings.writeInt(Keys::Width, 1024));
        QVERIFY(settings.write(Keys::HistoryFile, u"/home/u/脚本.py"_s));
        QVERIFY(settings.writeBool(Keys::Gbgz, false));
        QVERIFY(settings.WriteSetting(u"高度"_s, u"640"_s));
        QVERIFY(settings.writeInt(Keys::Kuozhanxiang, -3));
        QVERIFY(settings.writeBool(Keys::Mlts, false));
        QCOMPARE(fileBytes(path), QByteArray("[xitong]\nmlts=\xBC\xD9\ngbgz=\xBC\xD9\nkuozhanxiang=-3\n"
                                             "\n[shezhi]\n\xBF\xED\xB6\xC8=1024\n\xB8\xDF\xB6\xC8=640\n"
                                             "\n[\xBC\xC7\xC2\xBC]\n\xC0\xFA\xCA\xB7\xCE\xC4\xBC\xFE=/home/u/\xBD\xC5\xB1\xBE.py\n"));
        QCOMPARE(settings.readInt(Keys::Height), 640);
        QCOMPARE(settings.ReadSetting(u"宽度"_s, u"800"_s), u"1024"_s);
        QCOMPARE(settings.read(Keys::HistoryFile), u"/home/u/脚本.py"_s);
        QCOMPARE(settings.readInt(Keys::Kuozhanxiang), -3);
        QCOMPARE(settings.readBool(Keys::Gbgz), false);
    }

    // A file written on the original platform: CRLF, GBK, keys in their own order.
    void existingCrlfFile_keepsItsShape()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"mlkpz.ini"_s);
        QVERIFY(writeBytes(path, "[shezhi]\r\n\xBF\xED\xB6\xC8=800\r\n\xB8\xDF\xB6\xC8=700\r\n\r\n"
                                 "[xitong]\r\nMLTS=\xD5\xE6\r\n"));
        const AppSettings settings(path);
        QVERIFY(settings.readBool(Keys::Mlts));
        QVERIFY(settings.writeInt(Keys::Width, 900));
        QVERIFY(settings.writeInt(Keys::Left, 12));
        QVERIFY(settings.writeBool(Keys::Mlts, false));
        QCOMPARE(fileBytes(path), QByteArray("[shezhi]\r\n\xBF\xED\xB6\xC8=900\r\n\xB8\xDF\xB6\xC8=700\r\n"
                                             "\xBA\xE1\xD7\xF8\xB1\xEA=12\r\n\r\n[xitong]\r\nMLTS=\xBC\xD9\r\n"));
    }

    void localDirectories_storedEmptyStaysEmpty()
    {
        QTemporaryDir dir;
        const AppSettings settings(dir.filePath(u"mlkpz.ini"_s));
        QVERIFY(settings.write(Keys::LocalDirectories, QString()));
        QCOMPARE(settings.read(Keys::LocalDirectories), QString());
        QVERIFY(settings.write(Keys::LocalDirectories, u"/a,/b 2,/c"_s));
        QCOMPARE(settings.read(Keys::LocalDirectories), u"/a,/b 2,/c"_s);
    }

    void reads_goToTheFileEveryTime()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"mlkpz.ini"_s);
        const AppSettings settings(path);
        QCOMPARE(settings.read(Keys::CaptureHotkey), u"Ctrl+F12"_s);
        QVERIFY(writeBytes(path, "[\xBF\xEC\xBD\xDD\xBC\xFC]\n\xB2\xB6\xBB\xF1\xB4\xB0\xBF\xDA=Alt+F9\n"));
        QCOMPARE(settings.read(Keys::CaptureHotkey), u"Alt+F9"_s);
        QVERIFY(QFile::remove(path));
        QCOMPARE(settings.read(Keys::CaptureHotkey), u"Ctrl+F12"_s);
    }

    void longValue_isCutWhenRead()
    {
        QTemporaryDir dir;
        const AppSettings settings(dir.filePath(u"mlkpz.ini"_s));
        const QString longPath = u"/"_s + QString(6000, u'长'); // 12,001 GBK bytes
        QVERIFY(settings.write(Keys::HistoryFile, longPath));
        QCOMPARE(settings.read(Keys::HistoryFile), longPath.left(1 + 5119)); // 10,239 bytes
        QVERIFY(settings.write(Keys::SubName, QString(20000, u'x')));
        QCOMPARE(settings.read(Keys::SubName), QString(10239, u'x'));
    }

    void noPath_readsDefaultsAndRefusesWrites()
    {
        const AppSettings settings;
        QCOMPARE(settings.readInt(Keys::Width), 800);
        QVERIFY(!settings.writeInt(Keys::Width, 900));
    }
};

QTEST_GUILESS_MAIN(tst_AppSettings)
#include "tst_appsettings.moc"
