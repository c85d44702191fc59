// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/privateprofile.h"
#include "platform/textcodec.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace Qt::StringLiterals;
using Qb::Platform::PrivateProfile;
using Qb::Platform::ProfileValueMaxBytes;

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

// A soft file-size limit for this process: writes beyond it fail with EFBIG instead of
// delivering SIGXFSZ. Restored when the guard goes out of scope.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool active() const { return m_active; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_active = false;
};

} // namespace

class tst_PrivateProfile : public QObject
{
    Q_OBJECT
private slots:
    void lookup_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("simple") << QByteArray("[xitong]\nmlts=\xD5\xE6\n") << QByteArray("xitong") << QByteArray("mlts") << true << QByteArray("\xD5\xE6");
        QTest::newRow("CRLF") << QByteArray("[s]\r\nk=abc\r\nx=1\r\n") << QByteArray("s") << QByteArray("k") << true << QByteArray("abc");
        QTest::newRow("ASCII names ignore case") << QByteArray("[XiTong]\nMLTS=1\n") << QByteArray("xitong") << QByteArray("mlts") << true << QByteArray("1");
        QTest::newRow("blanks around names and value") << QByteArray("  [ s ]\t\n \t k  =  a b \t\n") << QByteArray("s") << QByteArray("k") << true << QByteArray("a b");
        QTest::newRow("double quotes stripped") << QByteArray("[s]\nk=\" a \"\n") << QByteArray("s") << QByteArray("k") << true << QByteArray(" a ");
        QTest::newRow("single quotes stripped") << QByteArray("[s]\nk='x'\n") << QByteArray("s") << QByteArray("k") << true << QByteArray("x");
        QTest::newRow("only one pair of quotes") << QByteArray("[s]\nk=\"\"x\"\"\n") << QByteArray("s") << QByteArray("k") << true << QByteArray("\"x\"");
        QTest::newRow("mismatched quotes kept") << QByteArray("[s]\nk=\"x'\n") << QByteArray("s") << QByteArray("k") << true << QByteArray("\"x'");
        QTest::newRow("lone quote kept") << QByteArray("[s]\nk=\"\n") << QByteArray("s") << QByteArray("k") << true << QByteArray("\"");
        QTest::newRow("empty value is present") << QByteArray("[s]\nk=\n") << QByteArray("s") << QByteArray("k") << true << QByteArray();
        QTest::newRow("value with =") << QByteArray("[s]\nk=a=b\n") << QByteArray("s") << QByteArray("k") << true << QByteArray("a=b");
        QTest::newRow("no final line break") << QByteArray("[s]\nk=1") << QByteArray("s") << QByteArray("k") << true << QByteArray("1");
        QTest::newRow("key in another section") << QByteArray("[a]\nk=1\n[b]\nx=2\n") << QByteArray("b") << QByteArray("k") << false << QByteArray();
        QTest::newRow("missing section") << QByteArray("[a]\nk=1\n") << QByteArray("b") << QByteArray("k") << false << QByteArray();
        QTest::newRow("key before any section") << QByteArray("k=1\n[s]\n") << QByteArray("s") << QByteArray("k") << false << QByteArray();
        QTest::newRow("first section of a name wins") << QByteArray("[s]\nk=1\n[S]\nk=2\n") << QByteArray("s") << QByteArray("k") << true << QByteArray("1");
        QTest::newRow("first key of a name wins") << QByteArray("[s]\nk=1\nK=2\n") << QByteArray("s") << QByteArray("k") << true << QByteArray("1");
        QTest::newRow("line without = never matches") << QByteArray("[s]\nk\nk=2\n") << QByteArray("s") << QByteArray("k") << true << QByteArray("2");
        QTest::newRow("text after ]") << QByteArray("[s] ; note\nk=1\n") << QByteArray("s") << QByteArray("k") << true << QByteArray("1");
        QTest::newRow("header without ]") << QByteArray("[s\nk=1\n") << QByteArray("s") << QByteArray("k") << true << QByteArray("1");
        QTest::newRow("chinese names") << QByteArray("[\xBC\xC7\xC2\xBC]\n\xC0\xFA\xCA\xB7\xCE\xC4\xBC\xFE=/a/\xBD\xC5.py\n")
                                       << QByteArray("\xBC\xC7\xC2\xBC") << QByteArray("\xC0\xFA\xCA\xB7\xCE\xC4\xBC\xFE") << true << QByteArray("/a/\xBD\xC5.py");
        // 癆 (B0 41) and 癮 (B0 61) differ only in a trail byte that looks like "A" / "a".
        QTest::newRow("trail bytes are not case-folded") << QByteArray("[s]\n\xB0\x41=1\n") << QByteArray("s") << QByteArray("\xB0\x61") << false << QByteArray();
        QTest::newRow("same double-byte name matches") << QByteArray("[s]\n\xB0\x41=1\n") << QByteArray("s") << QByteArray("\xB0\x41") << true << QByteArray("1");
        // 癩 is B0 5D: its trail byte is "]".
        QTest::newRow("trail byte ] in a section name") << QByteArray("[\xB0]]\nk=1\n") << QByteArray("\xB0]") << QByteArray("k") << true << QByteArray("1");
        QTest::newRow("NUL and garbage lines around") << QByteArray("\0\0\xFF\xFE=\x81\n[s]\n\x81\x81\x81\0=\n=\nk=ok\n", 25)
                                                      << QByteArray("s") << QByteArray("k") << true << QByteArray("ok");
        QTest::newRow("invalid GBK value returned as is") << QByteArray("[s]\nk=\x81 \xFF\x81\n") << QByteArray("s") << QByteArray("k") << true << QByteArray("\x81 \xFF\x81");
        QTest::newRow("empty content") << QByteArray() << QByteArray("s") << QByteArray("k") << false << QByteArray();
    }
    void lookup()
    {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, section);
        QFETCH(QByteArray, key);
        QFETCH(bool, found);
        QFETCH(QByteArray, value);
        const std::optional<QByteArray> result = PrivateProfile::lookup(content, section, key);
        QCOMPARE(result.has_value(), found);
        if (found)
            QCOMPARE(*result, value);
    }

    void lookup_cutsLongValues_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray wide = QByteArray("\xD6\xD0").repeated(6000); // 中, 12,000 bytes
        QTest::newRow("exactly the limit") << QByteArray(ProfileValueMaxBytes, 'x') << QByteArray(ProfileValueMaxBytes, 'x');
        QTest::newRow("one byte over") << QByteArray(ProfileValueMaxBytes + 1, 'x') << QByteArray(ProfileValueMaxBytes, 'x');
        QTest::newRow("far over") << QByteArray(50000, 'x') << QByteArray(ProfileValueMaxBytes, 'x');
        QTest::newRow("double-byte character not split") << wide << wide.left(ProfileValueMaxBytes - 1);
        QTest::newRow("odd start ends on a whole character") << ("a" + wide) << ("a" + wide.left(ProfileValueMaxBytes - 1));
        QTest::newRow("quotes stripped before the cut") << ('"' + QByteArray(ProfileValueMaxBytes, 'x') + '"') << QByteArray(ProfileValueMaxBytes, 'x');
    }
    void lookup_cutsLongValues()
    {
        QFETCH(QByteArray, value);
        QFETCH(QByteArray, expected);
        const QByteArray content = "[s]\nk=" + value + "\nnext=1\n";
        QCOMPARE(PrivateProfile::lookup(content, "s", "k").value_or("<absent>"), expected);
        QCOMPARE(PrivateProfile::lookup(content, "s", "next").value_or("<absent>"), QByteArray("1"));
    }

    void updated_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("new file") << QByteArray() << QByteArray("s") << QByteArray("k") << QByteArray("[s]\nk=v\n");
        QTest::newRow("replace in place") << QByteArray("[s]\na=1\nk=old\nb=2\n") << QByteArray("s") << QByteArray("k") << QByteArray("[s]\na=1\nk=v\nb=2\n");
        QTest::newRow("replace keeps spelling and CRLF") << QByteArray("[S]\r\n  K = old \r\nx=1\r\n") << QByteArray("s") << QByteArray("k") << QByteArray("[S]\r\nK=v\r\nx=1\r\n");
        QTest::newRow("replace the last line without break") << QByteArray("[s]\nk=old") << QByteArray("s") << QByteArray("k") << QByteArray("[s]\nk=v");
        QTest::newRow("append after the last key, not after blank lines")
            << QByteArray("[s]\na=1\n\n\n[t]\nb=2\n") << QByteArray("s") << QByteArray("k") << QByteArray("[s]\na=1\nk=v\n\n\n[t]\nb=2\n");
        QTest::newRow("append to a section with only its header")
            << QByteArray("[s]\n\n[t]\n") << QByteArray("s") << QByteArray("k") << QByteArray("[s]\nk=v\n\n[t]\n");
        QTest::newRow("append to the right section of a same-named key")
            << QByteArray("[t]\nk=1\n[s]\na=1\n") << QByteArray("s") << QByteArray("k") << QByteArray("[t]\nk=1\n[s]\na=1\nk=v\n");
        QTest::newRow("append when the last line has no break") << QByteArray("[s]\na=1") << QByteArray("s") << QByteArray("k") << QByteArray("[s]\na=1\nk=v\n");
        QTest::newRow("append in a CRLF file") << QByteArray("[s]\r\na=1\r\n\r\n[t]\r\n") << QByteArray("s") << QByteArray("k") << QByteArray("[s]\r\na=1\r\nk=v\r\n\r\n[t]\r\n");
        QTest::newRow("new section after a blank line") << QByteArray("[s]\na=1\n") << QByteArray("t") << QByteArray("k") << QByteArray("[s]\na=1\n\n[t]\nk=v\n");
        QTest::newRow("new section, file without final break") << QByteArray("[s]\na=1") << QByteArray("t") << QByteArray("k") << QByteArray("[s]\na=1\n\n[t]\nk=v\n");
        QTest::newRow("new section, file ends with a blank line") << QByteArray("[s]\na=1\n\n") << QByteArray("t") << QByteArray("k") << QByteArray("[s]\na=1\n\n[t]\nk=v\n");
        QTest::newRow("new section in a CRLF file") << QByteArray("[s]\r\na=1\r\n") << QByteArray("t") << QByteArray("k") << QByteArray("[s]\r\na=1\r\n\r\n[t]\r\nk=v\r\n");
        QTest::newRow("trail byte ] in a section name") << QByteArray("[\xB0]]\na=1\n") << QByteArray("\xB0]") << QByteArray("k") << QByteArray("[\xB0]]\na=1\nk=v\n");
        QTest::newRow("garbage lines stay byte-identical")
            << QByteArray("\0\xFF\x81\n[s]\nk=1\n\xFE\xFE\xFE", 17) << QByteArray("s") << QByteArray("k") << QByteArray("\0\xFF\x81\n[s]\nk=v\n\xFE\xFE\xFE", 17);
    }
    void updated()
    {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, section);
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, expected);
        const QByteArray result = PrivateProfile::updated(content, section, key, "v");
        QCOMPARE(result, expected);
        QCOMPARE(PrivateProfile::lookup(result, section, key).value_or("<absent>"), QByteArray("v"));
    }

    void value_absentOrUnreadableFileIsAbsent()
    {
        QTemporaryDir dir;
        QVERIFY(!PrivateProfile(dir.filePath(u"missing.ini"_s)).value(u"s"_s, u"k"_s));
        QVERIFY(!PrivateProfile(dir.path()).value(u"s"_s, u"k"_s));
        QVERIFY(!PrivateProfile(QString()).value(u"s"_s, u"k"_s));
        QCOMPARE(PrivateProfile(dir.path()).value(u"s"_s, u"k"_s, u"dflt"_s), u"dflt"_s);
    }

    void setValue_createsGbkFileAndReadsBack()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"mlkpz.ini"_s);
        const PrivateProfile profile(path);
        QVERIFY(profile.setValue(u"记录"_s, u"历史文件"_s, u"/home/用户/脚本 1.py"_s));
        QVERIFY(profile.setValue(u"xitong"_s, u"mlts"_s, u"真"_s));
        QVERIFY(profile.setValue(u"XITONG"_s, u"Mlts"_s, u"假"_s));
        QCOMPARE(fileBytes(path), QByteArray("[\xBC\xC7\xC2\xBC]\n\xC0\xFA\xCA\xB7\xCE\xC4\xBC\xFE=/home/\xD3\xC3\xBB\xA7/\xBD\xC5\xB1\xBE 1.py\n"
                                             "\n[xitong]\nmlts=\xBC\xD9\n"));
        QCOMPARE(profile.value(u"记录"_s, u"历史文件"_s).value_or(u"<absent>"_s), u"/home/用户/脚本 1.py"_s);
        QCOMPARE(profile.value(u"xitong"_s, u"MLTS"_s).value_or(u"<absent>"_s), u"假"_s);
        QVERIFY(profile.setValue(u"s"_s, u"k"_s, u"a😀b"_s));
        QCOMPARE(profile.value(u"s"_s, u"k"_s).value_or(u"<absent>"_s), u"a?b"_s);
    }

    void setValue_rejectsTextThatBreaksLines_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("empty section") << QString() << u"k"_s << u"v"_s;
        QTest::newRow("blank key") << u"s"_s << u"  "_s << u"v"_s;
        QTest::newRow("] in section") << u"a]b"_s << u"k"_s << u"v"_s;
        QTest::newRow("= in key") << u"s"_s << u"a=b"_s << u"v"_s;
        QTest::newRow("key starting with [") << u"s"_s << u" [k"_s << u"v"_s;
        QTest::newRow("line break in key") << u"s"_s << u"k\nx"_s << u"v"_s;
        QTest::newRow("line break in section") << u"s\r\n[t"_s << u"k"_s << u"v"_s;
        QTest::newRow("LF in value") << u"s"_s << u"k"_s << u"v\n[xitong]\nmlts=真"_s;
        QTest::newRow("CR in value") << u"s"_s << u"k"_s << u"a\rb"_s;
        QTest::newRow("NUL in value") << u"s"_s << u"k"_s << QString(u"a\0b"_s);
    }
    void setValue_rejectsTextThatBreaksLines()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"a.ini"_s);
        const QByteArray old("[s]\r\nk=1\r\n");
        QVERIFY(writeBytes(path, old));
        QVERIFY(!PrivateProfile(path).setValue(section, key, value));
        QCOMPARE(fileBytes(path), old);
    }

    void setValue_failedWriteLeavesOldFile_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("file larger than the process may write") << u"size limit"_s;
        QTest::newRow("target is a directory") << u"directory"_s;
        QTest::newRow("directory missing") << u"no directory"_s;
    }
    void setValue_failedWriteLeavesOldFile()
    {
        QFETCH(QString, fault);
        QTemporaryDir dir;
        QString path = dir.filePath(u"mlkpz.ini"_s);
        const QByteArray old = "[s]\r\nk=1\r\nbig=" + QByteArray(64 * 1024, 'x') + "\r\n";
        QVERIFY(writeBytes(path, old));
        bool written = true;
        if (fault == u"size limit"_s) {
            const FileSizeLimit limit(16 * 1024);
            QVERIFY(limit.active());
            written = PrivateProfile(path).setValue(u"s"_s, u"k"_s, u"2"_s);
        } else if (fault == u"directory"_s) {
            path = dir.filePath(u"sub"_s);
            QVERIFY(QDir(dir.path()).mkdir(u"sub"_s));
            written = PrivateProfile(path).setValue(u"s"_s, u"k"_s, u"2"_s);
            QVERIFY(QFileInfo(path).isDir());
        } else {
            written = PrivateProfile(dir.filePath(u"gone/mlkpz.ini"_s)).setValue(u"s"_s, u"k"_s, u"2"_s);
            QVERIFY(!QFileInfo::exists(dir.filePath(u"gone"_s)));
        }
        QVERIFY(!written);
        QCOMPARE(fileBytes(dir.filePath(u"mlkpz.ini"_s)), old);
        const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
        QCOMPARE(left, QStringList{u"mlkpz.ini"_s});
    }

    void setValue_keepsPermissionsAndSymlink()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(u"real.ini"_s);
        const QString link = dir.filePath(u"mlkpz.ini"_s);
        QVERIFY(writeBytes(target, "[s]\nk=1\n"));
        const auto mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
        QVERIFY(QFile::setPermissions(target, mode));
        QVERIFY(QFile::link(target, link));
        QVERIFY(PrivateProfile(link).setValue(u"s"_s, u"k"_s, u"2"_s));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(fileBytes(target), QByteArray("[s]\nk=2\n"));
        QCOMPARE(QFile::permissions(target) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser), mode);
    }

    // Damaged files must not hide the keys that are still intact, and a write must carry the
    // damaged bytes over unchanged.
    void badInput_otherKeysStillWork_data()
    {
        QTest::addColumn<QByteArray>("damage");
        QByteArray garbage(4096, '\0');
        for (int i = 0; i < garbage.size(); ++i)
            garbage[i] = char((i * 7919 + 13) % 256);
        QTest::newRow("invalid GBK") << QByteArray("bad=\x81\x20\xFF\x80\x81\n\x81\x81\x81=\xFE\n");
        QTest::newRow("binary garbage with NULs") << garbage + '\n';
        QTest::newRow("10 MB line") << QByteArray(10 * 1024 * 1024, 'x') + '\n';
        QTest::newRow("10 MB line starting with [") << '[' + QByteArray("\xB0]").repeated(5 * 1024 * 1024) + '\n';
        QTest::newRow("10 MB value") << "big=" + QByteArray(10 * 1024 * 1024, 'y') + '\n';
    }
    void badInput_otherKeysStillWork()
    {
        QFETCH(QByteArray, damage);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"mlkpz.ini"_s);
        const QByteArray before("[a]\nfirst=1\n");
        const QByteArray after("[s]\nk=\xD5\xE6\n");
        QVERIFY(writeBytes(path, before + damage + after));
        const PrivateProfile profile(path);
        QCOMPARE(profile.value(u"a"_s, u"first"_s).value_or(u"<absent>"_s), u"1"_s);
        QCOMPARE(profile.value(u"s"_s, u"k"_s).value_or(u"<absent>"_s), u"真"_s);
        QVERIFY(profile.setValue(u"a"_s, u"first"_s, u"2"_s));
        QVERIFY(profile.setValue(u"s"_s, u"k"_s, u"假"_s));
        QCOMPARE(fileBytes(path), QByteArray("[a]\nfirst=2\n") + damage + QByteArray("[s]\nk=\xBC\xD9\n"));
    }
};

QTEST_GUILESS_MAIN(tst_PrivateProfile)
#include "tst_privateprofile.moc"
