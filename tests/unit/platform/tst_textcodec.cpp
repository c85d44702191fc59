// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/textcodec.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace Qb::Platform;

namespace {
const QChar Replacement(QChar::ReplacementCharacter);
}

class tst_TextCodec : public QObject
{
    Q_OBJECT
private slots:
    void fromGbk_decodes_data()
    {
        QTest::addColumn<QByteArray>("gbk");
        QTest::addColumn<QString>("text");
        QTest::newRow("ascii") << QByteArray("print('x')") << u"print('x')"_s;
        QTest::newRow("chinese") << QByteArray("\xD6\xD0\xCE\xC4=\xD5\xE6") << u"中文=真"_s;
        QTest::newRow("trail byte in ASCII range") << QByteArray("\xB0\x41\xB0\x61\xB0]") << u"癆癮癩"_s;
        QTest::newRow("0x80 is the euro sign") << QByteArray("\x80") << u"€"_s;
        QTest::newRow("0xFF is private use") << QByteArray("a\xFF") << (u"a"_s + QChar(0xF8F5));
        QTest::newRow("full-width digits") << QByteArray("\xA3\xB1\xA3\xB2\xA3\xB0") << u"１２０"_s;
        QTest::newRow("lead byte before a non-trail byte keeps that byte")
            << QByteArray("\x81=1") << (Replacement + u"=1"_s);
        QTest::newRow("lead byte before a letter pairs with it") << QByteArray("\x81" "a") << u"乤"_s;
        QTest::newRow("lead byte before 0x7F") << QByteArray("\x81\x7F") << (Replacement + QChar(0x7F));
        QTest::newRow("lead byte at the end") << QByteArray("ab\xD6") << (u"ab"_s + Replacement);
        QTest::newRow("NUL is kept") << QByteArray("a\0b", 3) << QString(u"a\0b"_s);
        QTest::newRow("empty") << QByteArray() << QString();
    }
    void fromGbk_decodes()
    {
        QFETCH(QByteArray, gbk);
        QFETCH(QString, text);
        QCOMPARE(fromGbk(gbk), text);
        QCOMPARE(QString::fromUtf8(Utf8FromGbk(gbk)), text.left(text.indexOf(QChar(0))));
    }

    void toGbk_encodes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("gbk");
        QTest::addColumn<bool>("lossless");
        QTest::newRow("chinese") << u"宽度=１２０"_s << QByteArray("\xBF\xED\xB6\xC8=\xA3\xB1\xA3\xB2\xA3\xB0") << true;
        QTest::newRow("euro") << u"€5"_s << QByteArray("\x80" "5") << true;
        QTest::newRow("private use U+F8F5") << QString(QChar(0xF8F5)) << QByteArray("\xFF") << true;
        QTest::newRow("question mark itself") << u"a?b"_s << QByteArray("a?b") << true;
        QTest::newRow("emoji is one character") << u"a😀b"_s << QByteArray("a?b") << false;
        QTest::newRow("hangul") << u"한글"_s << QByteArray("??") << false;
        QTest::newRow("lone low surrogate") << (QChar(0xDC00) + u"x"_s) << QByteArray("?x") << false;
        QTest::newRow("lone high surrogate at the end") << (u"x"_s + QChar(0xD800)) << QByteArray("x?") << false;
        QTest::newRow("empty") << QString() << QByteArray() << true;
    }
    void toGbk_encodes()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, gbk);
        QFETCH(bool, lossless);
        QCOMPARE(toGbk(text), gbk);
        QCOMPARE(gbkCanEncode(text), lossless);
        QCOMPARE(GbkFromUtf8(text.toUtf8()), gbk);
    }

    void conversions_stopAtFirstNul_data()
    {
        QTest::addColumn<bool>("fromUtf8");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("output");
        QTest::newRow("GBK to UTF-8") << false << QByteArray("\xD6\xD0\0\xCE\xC4", 5) << u"中"_s.toUtf8();
        QTest::newRow("UTF-8 to GBK") << true << QByteArray("中\0文", 7) << QByteArray("\xD6\xD0");
        QTest::newRow("NUL first") << true << QByteArray("\0abc", 4) << QByteArray();
    }
    void conversions_stopAtFirstNul()
    {
        QFETCH(bool, fromUtf8);
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, output);
        QCOMPARE(fromUtf8 ? GbkFromUtf8(input) : Utf8FromGbk(input), output);
    }

    void GbkFromUtf8_invalidUtf8BecomesQuestionMark_data()
    {
        QTest::addColumn<QByteArray>("utf8");
        QTest::addColumn<QByteArray>("gbk");
        QTest::newRow("stray continuation byte") << QByteArray("a\x80z") << QByteArray("a?z");
        QTest::newRow("cut sequence at the end") << QByteArray("a\xE4\xB8") << QByteArray("a??");
        QTest::newRow("0xFF") << QByteArray("\xFF") << QByteArray("?");
    }
    void GbkFromUtf8_invalidUtf8BecomesQuestionMark()
    {
        QFETCH(QByteArray, utf8);
        QFETCH(QByteArray, gbk);
        QCOMPARE(GbkFromUtf8(utf8), gbk);
    }

    void roundTrip_chineseTextSurvives()
    {
        const QString text = u"# 打开文件\r\nprint('你好，世界！')  # 注释：￥１００\n\tx = \"引号\" + '^!'\n"_s;
        const QByteArray gbk = GbkFromUtf8(text.toUtf8());
        QCOMPARE(gbk.size(), toGbk(text).size());
        QCOMPARE(QString::fromUtf8(Utf8FromGbk(gbk)), text);
    }

    // Every double-byte code that decodes to a character must encode back to the same bytes;
    // a mismatch would silently change a user's text when a script or setting is saved.
    void roundTrip_everyDoubleByteCode()
    {
        int mapped = 0;
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                if (trail == 0x7F)
                    continue;
                QByteArray bytes(2, '\0');
                bytes[0] = char(lead);
                bytes[1] = char(trail);
                const QString text = fromGbk(bytes);
                QCOMPARE(text.size(), 1);
                if (text == Replacement)
                    continue;
                ++mapped;
                if (toGbk(text) != bytes)
                    QFAIL(qPrintable(u"code %1 does not round-trip"_s.arg(QString::fromLatin1(bytes.toHex()))));
            }
        }
        QVERIFY2(mapped >= 21000, qPrintable(QString::number(mapped)));
    }

    void gbkCharLength_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("pos");
        QTest::addColumn<int>("length");
        QTest::newRow("ascii") << QByteArray("ab") << 0 << 1;
        QTest::newRow("double-byte") << QByteArray("\xD6\xD0") << 0 << 2;
        QTest::newRow("trail in ASCII range") << QByteArray("\xB0]") << 0 << 2;
        QTest::newRow("second of two") << QByteArray("a\xD6\xD0") << 1 << 2;
        QTest::newRow("lead at the end") << QByteArray("a\xD6") << 1 << 1;
        QTest::newRow("lead before 0x7F") << QByteArray("\x81\x7F") << 0 << 1;
        QTest::newRow("lead before blank") << QByteArray("\x81 ") << 0 << 1;
        QTest::newRow("0x80 is single") << QByteArray("\x80\x40") << 0 << 1;
        QTest::newRow("0xFF is single") << QByteArray("\xFF\x40") << 0 << 1;
    }
    void gbkCharLength()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, pos);
        QFETCH(int, length);
        QCOMPARE(Qb::Platform::gbkCharLength(bytes, pos), qsizetype(length));
    }
};

QTEST_GUILESS_MAIN(tst_TextCodec)
#include "tst_textcodec.moc"
