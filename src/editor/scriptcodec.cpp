// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/scriptcodec.h"

#include "platform/textcodec.h"

namespace Qb::Editor {

namespace {

constexpr char Bom[] = "\xEF\xBB\xBF";

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// Length of the valid sequence that starts at bytes[i], or 0 when it is not valid.
qsizetype sequenceLength(QByteArrayView bytes, qsizetype i)
{
    const auto at = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = at(i);
    qsizetype length = 0;
    unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > bytes.size() || at(i + 1) < low || at(i + 1) > high)
        return 0;
    for (qsizetype k = 2; k < length; ++k) {
        if (!isContinuation(at(i + k)))
            return 0;
    }
    return length;
}

} // namespace

bool isValidUtf8(QByteArrayView bytes)
{
    qsizetype i = 0;
    while (i < bytes.size()) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        const qsizetype length = sequenceLength(bytes, i);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

DecodedScript decodeScript(QByteArrayView bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes = bytes.first(nul);
    if (bytes.startsWith(Bom))
        return {QString::fromUtf8(bytes.sliced(3)), ScriptEncoding::Utf8WithBom};
    const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii && isValidUtf8(bytes))
        return {QString::fromUtf8(bytes), ScriptEncoding::Utf8};
    return {Platform::fromGbk(bytes), ScriptEncoding::Gbk};
}

EncodedScript encodeScript(const QString &text, ScriptEncoding encoding)
{
    switch (encoding) {
    case ScriptEncoding::Gbk:
        if (Platform::gbkCanEncode(text))
            return {Platform::toGbk(text), ScriptEncoding::Gbk, false};
        return {text.toUtf8(), ScriptEncoding::Utf8, true};
    case ScriptEncoding::Utf8:
        return {text.toUtf8(), ScriptEncoding::Utf8, false};
    case ScriptEncoding::Utf8WithBom:
        return {QByteArray(Bom) + text.toUtf8(), ScriptEncoding::Utf8WithBom, false};
    }
    return {};
}

} // namespace Qb::Editor
