// SPDX-License-Identifier: GPL-3.0-or-later
// Private-profile (INI) files in GBK: read one value, write one value.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace Qb::Platform {

// The longest value a read returns, in GBK bytes (a 10,240-byte buffer with its terminator).
inline constexpr qsizetype ProfileValueMaxBytes = 10239;

// One INI file, addressed by path; nothing is cached, every call reads the file.
//
// Format rules (all scanning is on GBK characters, so a trail byte is never taken for "[",
// "]" or a letter):
//  - lines end in LF or CRLF; blanks (space, tab, CR, VT, FF) around a line are ignored;
//  - "[name]" starts a section; the name is the text up to the last "]", blanks trimmed;
//  - "key=value" inside a section; the key is the text before the first "=", blanks trimmed;
//    lines without "=" are kept but never match a key;
//  - section and key names compare case-insensitively for ASCII letters only;
//  - the first section of a name and the first key of a name in it are the ones used;
//  - a read strips the blanks around the value, then one pair of enclosing quotes (both "'" or
//    both '"'), then cuts it to ProfileValueMaxBytes bytes; the cut never splits a double-byte
//    character, so a value may come back one byte shorter than the limit.
//
// Writing:
//  - an existing key line is replaced in place by "key=value" (the file's spelling of the key);
//  - a new key goes directly after the last non-blank line of its section, so blank lines that
//    separate it from the next section stay where they are;
//  - a new section goes at the end of the file, after one blank line, with its key;
//  - the file's line ending (that of its first line) is kept; a new file uses LF;
//  - the file is created when missing (its directory is not); it is written whole to a
//    temporary file in the same directory, synced and renamed over the old one, keeping the
//    old file's permissions, so a failed write leaves the old file byte-identical (a directory
//    that cannot take the temporary file therefore makes writes fail even to a writable file);
//  - a write through a symbolic link replaces the link's target and keeps the link;
//  - text without a GBK form is stored as "?" (see toGbk).
class PrivateProfile
{
public:
    explicit PrivateProfile(QString path);

    QString path() const { return m_path; }

    // The value, or nothing when the file, the section or the key is absent (an unreadable
    // file counts as absent). A present key with an empty value gives an empty text.
    std::optional<QString> value(const QString &section, const QString &key) const;
    QString value(const QString &section, const QString &key, const QString &defaultValue) const;

    // False when nothing was written: empty names, a section name with "]", a key with "=" or
    // starting with "[", a name or value with CR, LF or NUL (they would break the line
    // structure), an existing file that cannot be read, or any failure to write and rename.
    bool setValue(const QString &section, const QString &key, const QString &value) const;

    // The same rules on the file's bytes, for callers and tests that hold the content.
    static std::optional<QByteArray> lookup(QByteArrayView content, QByteArrayView section,
                                            QByteArrayView key);
    // REQUIRES: names and value pass the checks of setValue.
    static QByteArray updated(QByteArrayView content, QByteArrayView section, QByteArrayView key,
                              QByteArrayView value);

private:
    QString m_path;
};

} // namespace Qb::Platform
