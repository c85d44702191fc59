// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and writing single values of a GBK INI file, the whole file rewritten atomically.
#include "platform/privateprofile.h"

#include "platform/textcodec.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace Qb::Platform {

namespace {

// One line of the file: [begin, end) is its text without "\n" or "\r\n"; next is where the
// following line starts (the file's size after the last line).
struct Line
{
    qsizetype begin = 0;
    qsizetype end = 0;
    qsizetype next = 0;
};

enum class LineKind { Blank, Section, Entry, Other };

struct ParsedLine
{
    LineKind kind = LineKind::Blank;
    QByteArrayView name;  // section or key name, blanks trimmed
    QByteArrayView value; // entry value, blanks trimmed
};

// Where a key is, or where it would go.
struct Location
{
    bool sectionFound = false;
    Line lastContent;              // last non-blank line of the section, its header at least
    std::optional<Line> entryLine; // the key's line when present
    QByteArrayView entryKey;
    QByteArrayView entryValue;
};

Line lineAt(QByteArrayView content, qsizetype pos)
{
    const qsizetype newline = content.indexOf('\n', pos);
    if (newline < 0)
        return {pos, content.size(), content.size()};
    const bool crlf = newline > pos && content[newline - 1] == '\r';
    return {pos, crlf ? newline - 1 : newline, newline + 1};
}

// "]" can be the trail byte of a double-byte character, so the scan steps by characters.
QByteArrayView sectionName(QByteArrayView afterBracket)
{
    qsizetype close = -1;
    for (qsizetype i = 0; i < afterBracket.size(); i += gbkCharLength(afterBracket, i)) {
        if (afterBracket[i] == ']')
            close = i;
    }
    return (close < 0 ? afterBracket : afterBracket.first(close)).trimmed();
}

// Blanks, "[" at a line start and "=" all lie below 0x40, the smallest trail byte, so plain
// byte searches for them are exact.
ParsedLine parseLine(QByteArrayView text)
{
    text = text.trimmed();
    if (text.isEmpty())
        return {};
    if (text.front() == '[')
        return {LineKind::Section, sectionName(text.sliced(1)), {}};
    const qsizetype equals = text.indexOf('=');
    if (equals < 0)
        return {LineKind::Other, {}, {}};
    return {LineKind::Entry, text.first(equals).trimmed(), text.sliced(equals + 1).trimmed()};
}

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool sameName(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size();) {
        const qsizetype length = gbkCharLength(a, i);
        if (length != gbkCharLength(b, i))
            return false;
        if (length == 2 ? (a[i] != b[i] || a[i + 1] != b[i + 1]) : asciiLower(a[i]) != asciiLower(b[i]))
            return false;
        i += length;
    }
    return true;
}

Location locate(QByteArrayView content, QByteArrayView section, QByteArrayView key)
{
    Location found;
    bool inside = false;
    for (qsizetype pos = 0; pos < content.size();) {
        const Line line = lineAt(content, pos);
        pos = line.next;
        const ParsedLine parsed = parseLine(content.sliced(line.begin, line.end - line.begin));
        if (parsed.kind == LineKind::Section) {
            if (inside)
                break; // only the first section of the name counts
            inside = sameName(parsed.name, section);
            found.sectionFound = inside;
            found.lastContent = line;
            continue;
        }
        if (!inside || parsed.kind == LineKind::Blank)
            continue;
        found.lastContent = line;
        if (parsed.kind == LineKind::Entry && sameName(parsed.name, key)) {
            found.entryLine = line;
            found.entryKey = parsed.name;
            found.entryValue = parsed.value;
            break;
        }
    }
    return found;
}

QByteArrayView withoutQuotes(QByteArrayView value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.sliced(1, value.size() - 2);
    return value;
}

QByteArrayView cutToLimit(QByteArrayView value)
{
    if (value.size() <= ProfileValueMaxBytes)
        return value;
    qsizetype end = 0;
    while (end + gbkCharLength(value, end) <= ProfileValueMaxBytes)
        end += gbkCharLength(value, end);
    return value.first(end);
}

QByteArray lineEndingOf(QByteArrayView content)
{
    const qsizetype newline = content.indexOf('\n');
    return (newline > 0 && content[newline - 1] == '\r') ? QByteArray("\r\n") : QByteArray("\n");
}

// REQUIRES: content ends with "\n".
bool endsWithBlankLine(QByteArrayView content)
{
    const QByteArrayView body = content.chopped(1);
    return body.sliced(body.lastIndexOf('\n') + 1).trimmed().isEmpty();
}

QByteArray appendedSection(QByteArrayView content, QByteArrayView section, const QByteArray &entry,
                           const QByteArray &eol)
{
    QByteArray result = content.toByteArray();
    if (!result.isEmpty()) {
        if (!result.endsWith('\n'))
            result += eol;
        if (!endsWithBlankLine(result))
            result += eol;
    }
    return result + '[' + section + ']' + eol + entry + eol;
}

bool validText(const QString &text)
{
    return !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'))
        && !text.contains(QChar(u'\0'));
}

bool validNames(const QString &section, const QString &key)
{
    const QString trimmedKey = key.trimmed();
    return !section.trimmed().isEmpty() && !trimmedKey.isEmpty() && validText(section) && validText(key)
        && !section.contains(QLatin1Char(']')) && !key.contains(QLatin1Char('='))
        && !trimmedKey.startsWith(QLatin1Char('['));
}

std::optional<QByteArray> readWhole(const QString &path)
{
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return content;
}

// QSaveFile writes a temporary file beside the target, syncs it and renames it over the target,
// giving it the target's permissions; any failure leaves the target untouched.
bool writeWhole(const QString &path, const QByteArray &content)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(content) != content.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace

PrivateProfile::PrivateProfile(QString path)
    : m_path(std::move(path))
{
}

std::optional<QByteArray> PrivateProfile::lookup(QByteArrayView content, QByteArrayView section,
                                                 QByteArrayView key)
{
    const Location found = locate(content, section.trimmed(), key.trimmed());
    if (!found.entryLine)
        return std::nullopt;
    return cutToLimit(withoutQuotes(found.entryValue)).toByteArray();
}

QByteArray PrivateProfile::updated(QByteArrayView content, QByteArrayView section, QByteArrayView key,
                                   QByteArrayView value)
{
    section = section.trimmed();
    key = key.trimmed();
    const QByteArray eol = lineEndingOf(content);
    const Location found = locate(content, section, key);
    if (found.entryLine) {
        QByteArray result = content.toByteArray();
        const QByteArray entry = found.entryKey.toByteArray() + '=' + value;
        return result.replace(found.entryLine->begin, found.entryLine->end - found.entryLine->begin, entry);
    }
    const QByteArray entry = key.toByteArray() + '=' + value;
    if (!found.sectionFound)
        return appendedSection(content, section, entry, eol);
    const Line &after = found.lastContent;
    const bool unterminated = after.next == content.size() && !content.endsWith('\n');
    QByteArray result = content.toByteArray();
    return result.insert(after.next, (unterminated ? eol : QByteArray()) + entry + eol);
}

std::optional<QString> PrivateProfile::value(const QString &section, const QString &key) const
{
    const std::optional<QByteArray> content = readWhole(m_path);
    if (!content)
        return std::nullopt;
    const std::optional<QByteArray> found = lookup(*content, toGbk(section), toGbk(key));
    if (!found)
        return std::nullopt;
    return fromGbk(*found);
}

QString PrivateProfile::value(const QString &section, const QString &key, const QString &defaultValue) const
{
    return value(section, key).value_or(defaultValue);
}

bool PrivateProfile::setValue(const QString &section, const QString &key, const QString &value) const
{
    if (m_path.isEmpty() || !validNames(section, key) || !validText(value))
        return false;
    const bool exists = QFileInfo::exists(m_path);
    const std::optional<QByteArray> old = exists ? readWhole(m_path) : QByteArray();
    if (!old)
        return false; // never replace a file whose keys could not be read
    const QByteArray next = updated(*old, toGbk(section), toGbk(key), toGbk(value));
    if (exists && next == *old)
        return true;
    return writeWhole(m_path, next);
}

} // namespace Qb::Platform
