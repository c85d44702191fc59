// SPDX-License-Identifier: GPL-3.0-or-later
// Script file encodings: detection on reading, the encoding kept on writing, the UTF-8 fallback.
#include "editor/scriptcodec.h"

#include <QTest>

using Qb::Editor::ScriptEncoding;

Q_DECLARE_METATYPE(ScriptEncoding)

class tst_ScriptCodec : public QObject
{
    Q_OBJECT

private slots:
    void decode_data();
    void decode();
    void validUtf8_data();
    void validUtf8();
    void encode_data();
    void encode();
    void roundTrip_data();
    void roundTrip();
};

void tst_ScriptCodec::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<ScriptEncoding>("encoding");

    QTest::newRow("ascii is gbk") << QByteArray("print(1)\r\n") << QStringLiteral("print(1)\r\n")
                                  << ScriptEncoding::Gbk;
    QTest::newRow("gbk chinese") << QByteArray("# \xd6\xd0\xce\xc4") << QStringLiteral("# 中文")
                                 << ScriptEncoding::Gbk;
    QTest::newRow("utf8 chinese") << QByteArray("# \xe4\xb8\xad\xe6\x96\x87") << QStringLiteral("# 中文")
                                  << ScriptEncoding::Utf8;
    QTest::newRow("utf8 bom") << QByteArray("\xef\xbb\xbfx=1") << QStringLiteral("x=1")
                              << ScriptEncoding::Utf8WithBom;
    QTest::newRow("bom only") << QByteArray("\xef\xbb\xbf") << QString() << ScriptEncoding::Utf8WithBom;
    QTest::newRow("empty") << QByteArray() << QString() << ScriptEncoding::Gbk;
    QTest::newRow("cut at nul") << QByteArray("ab\0cd", 5) << QStringLiteral("ab") << ScriptEncoding::Gbk;
    QTest::newRow("utf8 before nul, junk after")
        << QByteArray("\xe4\xb8\xad\0\xff\xfe", 6) << QStringLiteral("中") << ScriptEncoding::Utf8;
    QTest::newRow("invalid bytes are gbk") << QByteArray("a\x81") << QStringLiteral("a\uFFFD")
                                           << ScriptEncoding::Gbk;
    // Valid as GBK and as UTF-8 ("涓" in GBK is E6 B6 93...): UTF-8 wins only when valid.
    QTest::newRow("truncated utf8 is gbk") << QByteArray("\xe4\xb8") << QStringLiteral("涓")
                                           << ScriptEncoding::Gbk;
}

void tst_ScriptCodec::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(ScriptEncoding, encoding);
    const auto decoded = Qb::Editor::decodeScript(bytes);
    QCOMPARE(decoded.text, text);
    QCOMPARE(decoded.encoding, encoding);
}

void tst_ScriptCodec::validUtf8_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("valid");
    QTest::newRow("ascii") << QByteArray("abc") << true;
    QTest::newRow("two bytes") << QByteArray("\xc3\xa9") << true;
    QTest::newRow("four bytes") << QByteArray("\xf0\x9f\x98\x80") << true;
    QTest::newRow("overlong two") << QByteArray("\xc0\xaf") << false;
    QTest::newRow("overlong three") << QByteArray("\xe0\x80\xaf") << false;
    QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << false;
    QTest::newRow("above max") << QByteArray("\xf4\x90\x80\x80") << false;
    QTest::newRow("lone continuation") << QByteArray("\x80") << false;
    QTest::newRow("truncated at end") << QByteArray("a\xe4\xb8") << false;
    QTest::newRow("gbk pair") << QByteArray("\xd6\xd0") << false;
}

void tst_ScriptCodec::validUtf8()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, valid);
    QCOMPARE(Qb::Editor::isValidUtf8(bytes), valid);
}

void tst_ScriptCodec::encode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<ScriptEncoding>("encoding");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<ScriptEncoding>("written");
    QTest::addColumn<bool>("fellBack");

    QTest::newRow("gbk") << QStringLiteral("中") << ScriptEncoding::Gbk << QByteArray("\xd6\xd0")
                         << ScriptEncoding::Gbk << false;
    QTest::newRow("outside gbk falls back to utf8")
        << QStringLiteral("中😀") << ScriptEncoding::Gbk << QByteArray("\xe4\xb8\xad\xf0\x9f\x98\x80")
        << ScriptEncoding::Utf8 << true;
    QTest::newRow("utf8 stays") << QStringLiteral("中") << ScriptEncoding::Utf8
                                << QByteArray("\xe4\xb8\xad") << ScriptEncoding::Utf8 << false;
    QTest::newRow("bom stays") << QStringLiteral("x") << ScriptEncoding::Utf8WithBom
                               << QByteArray("\xef\xbb\xbfx") << ScriptEncoding::Utf8WithBom << false;
}

void tst_ScriptCodec::encode()
{
    QFETCH(QString, text);
    QFETCH(ScriptEncoding, encoding);
    QFETCH(QByteArray, bytes);
    QFETCH(ScriptEncoding, written);
    QFETCH(bool, fellBack);
    const auto encoded = Qb::Editor::encodeScript(text, encoding);
    QCOMPARE(encoded.bytes, bytes);
    QCOMPARE(encoded.encoding, written);
    QCOMPARE(encoded.fellBackToUtf8, fellBack);
}

void tst_ScriptCodec::roundTrip_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("gbk") << QByteArray("# \xd6\xd0\xce\xc4\r\nprint('\xc4\xe3\xba\xc3')\r\n");
    QTest::newRow("utf8") << QByteArray("# \xe4\xb8\xad\xe6\x96\x87\nx=1\n");
    QTest::newRow("utf8 bom") << QByteArray("\xef\xbb\xbf# \xe4\xb8\xad\n");
    QTest::newRow("utf8 text outside gbk") << QByteArray("s='\xf0\x9f\x98\x80'\n");
}

void tst_ScriptCodec::roundTrip()
{
    QFETCH(QByteArray, bytes);
    const auto decoded = Qb::Editor::decodeScript(bytes);
    const auto encoded = Qb::Editor::encodeScript(decoded.text, decoded.encoding);
    QCOMPARE(encoded.bytes, bytes);
    QVERIFY(!encoded.fellBackToUtf8);
}

QTEST_GUILESS_MAIN(tst_ScriptCodec)
#include "tst_scriptcodec.moc"
