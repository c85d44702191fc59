// SPDX-License-Identifier: GPL-3.0-or-later
// Conversions between GBK (code page 936) and Unicode, for the files that keep GBK: the
// settings file and GBK script files.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace Qb::Platform {

// GBK here is code page 936 as the files were written: 0x80 is "€" and 0xFF is U+F8F5.
//
// Decoding never fails. Each byte that does not begin a valid character becomes U+FFFD; a lead
// byte followed by a byte that cannot end a double-byte character (below 0x40, 0x7F or 0xFF)
// gives U+FFFD and that byte is decoded on its own, so no blank, digit, "=" or line break is
// swallowed; a lead byte at the very end gives U+FFFD. NUL bytes are decoded as U+0000.
QString fromGbk(QByteArrayView gbk);

// Encoding never fails either. A character without a GBK form becomes "?", one "?" per
// character (a surrogate pair is one character; a lone surrogate also gives one "?").
QByteArray toGbk(const QString &text);

// True when every character of text has a GBK form, i.e. toGbk(text) loses nothing.
bool gbkCanEncode(const QString &text);

// GBK bytes in, UTF-8 bytes out; the conversion stops at the first NUL byte of the input
// (the text handed to and taken from the editor component is NUL-terminated).
QByteArray Utf8FromGbk(QByteArrayView gbk);

// UTF-8 bytes in, GBK bytes out; stops at the first NUL byte. Invalid UTF-8 decodes to U+FFFD
// (one per bad byte), which has no GBK form and so becomes "?".
QByteArray GbkFromUtf8(QByteArrayView utf8);

// Length in bytes (1 or 2) of the GBK character that starts at byte pos; 2 exactly when the
// byte at pos is a lead byte (0x81-0xFE) followed by a trail byte (0x40-0x7E, 0x80-0xFE).
// Callers that scan GBK bytes step by this so that a trail byte is never taken for an ASCII
// character. REQUIRES: 0 <= pos < gbk.size().
qsizetype gbkCharLength(QByteArrayView gbk, qsizetype pos);

} // namespace Qb::Platform
