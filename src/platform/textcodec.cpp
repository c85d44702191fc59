// SPDX-License-Identifier: GPL-3.0-or-later
// GBK conversions through Qt's named converters (ICU's code page 936 table).
#include "platform/textcodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace Qb::Platform {

namespace {

// QStringConverter::encodingForName does not know GBK; the constructor taking a name does.
constexpr const char *GbkName = "GBK";

QByteArrayView beforeFirstNul(QByteArrayView bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    return nul < 0 ? bytes : bytes.first(nul);
}

bool isLeadByte(unsigned char c)
{
    return c >= 0x81 && c <= 0xFE;
}

bool isTrailByte(unsigned char c)
{
    return c >= 0x40 && c <= 0xFE && c != 0x7F;
}

} // namespace

qsizetype gbkCharLength(QByteArrayView gbk, qsizetype pos)
{
    const auto lead = static_cast<unsigned char>(gbk[pos]);
    if (!isLeadByte(lead) || pos + 1 >= gbk.size())
        return 1;
    return isTrailByte(static_cast<unsigned char>(gbk[pos + 1])) ? 2 : 1;
}

QString fromGbk(QByteArrayView gbk)
{
    QStringDecoder decoder(GbkName);
    QString text = decoder(gbk);
    // The decoder keeps a lead byte at the end as pending state and would drop it silently.
    // A following newline forces it out as U+FFFD; the newline itself is removed again.
    QString tail = decoder(QByteArrayView("\n", 1));
    tail.chop(1);
    return text + tail;
}

QByteArray toGbk(const QString &text)
{
    QStringEncoder encoder(GbkName);
    QByteArray gbk = encoder(text);
    // Same for a high surrogate at the end: force it out as "?".
    QByteArray tail = encoder(QStringView(u"\n"));
    tail.chop(1);
    return gbk + tail;
}

bool gbkCanEncode(const QString &text)
{
    // A lone surrogate at the end would stay pending in the encoder and not count as an error.
    if (!QStringView(text).isValidUtf16())
        return false;
    QStringEncoder encoder(GbkName);
    // The call returns a lazy result: only the conversion to bytes runs the encoder.
    [[maybe_unused]] const QByteArray encoded = encoder(text);
    return !encoder.hasError();
}

QByteArray Utf8FromGbk(QByteArrayView gbk)
{
    return fromGbk(beforeFirstNul(gbk)).toUtf8();
}

QByteArray GbkFromUtf8(QByteArrayView utf8)
{
    return toGbk(QString::fromUtf8(beforeFirstNul(utf8)));
}

} // namespace Qb::Platform
