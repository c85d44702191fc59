// SPDX-License-Identifier: GPL-3.0-or-later
// How script files are turned into text and back: GBK by default, UTF-8 when the bytes say so.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace Qb::Editor {

enum class ScriptEncoding { Gbk, Utf8, Utf8WithBom };

struct DecodedScript
{
    QString text;
    ScriptEncoding encoding = ScriptEncoding::Gbk;
};

// Only the bytes before the first NUL count. They are UTF-8 when they start with the UTF-8
// byte-order mark (which is not part of the text) or when they are valid UTF-8 holding at least
// one non-ASCII character; anything else is GBK (every byte sequence decodes).
DecodedScript decodeScript(QByteArrayView bytes);

struct EncodedScript
{
    QByteArray bytes;
    ScriptEncoding encoding = ScriptEncoding::Gbk; // the encoding actually written
    bool fellBackToUtf8 = false; // the text has characters that GBK cannot hold
};

// The file bytes for text in the given encoding (a BOM is written back when the file had one).
// A GBK text that GBK cannot hold completely is written as UTF-8 without a BOM instead, so no
// character is lost.
EncodedScript encodeScript(const QString &text, ScriptEncoding encoding);

// Strict UTF-8 validity: no overlong forms, no surrogates, nothing above U+10FFFF, no
// truncated sequence. Stops at the first error.
bool isValidUtf8(QByteArrayView bytes);

} // namespace Qb::Editor
