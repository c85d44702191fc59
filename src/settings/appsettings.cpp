// SPDX-License-Identifier: GPL-3.0-or-later
// Typed access to mlkpz.ini on top of the private-profile file.
#include "settings/appsettings.h"

#include "platform/privateprofile.h"

#include <QDir>

#include <algorithm>
#include <cstring>
#include <limits>

namespace Qb::Settings {

namespace {

const QString SettingSection = QStringLiteral("shezhi");

QString text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

bool isKey(const Key &key, const Key &other)
{
    return std::strcmp(key.section, other.section) == 0 && std::strcmp(key.name, other.name) == 0;
}

// The standard conversion skips white space, and full-width text counts as its ASCII form, so
// the ideographic space U+3000 is skipped as well.
bool isLeadingBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f' || c == u'\x3000';
}

// The digit's value, or -1.
int digitValue(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'\xFF10' && c <= u'\xFF19')
        return c.unicode() - 0xFF10;
    return -1;
}

} // namespace

// Values beyond the int range clamp to its ends (a window size or category number that large
// is nonsense anyway, and clamping keeps the sign the text shows).
int textToInteger(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && isLeadingBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'\xFF0D' || text[i] == u'+' || text[i] == u'\xFF0B')) {
        negative = text[i] == u'-' || text[i] == u'\xFF0D';
        ++i;
    }
    constexpr qint64 Limit = qint64(std::numeric_limits<int>::max()) + 1;
    qint64 magnitude = 0;
    for (; i < text.size() && digitValue(text[i]) >= 0; ++i)
        magnitude = std::min(magnitude * 10 + digitValue(text[i]), Limit);
    const qint64 value = negative ? -magnitude : magnitude;
    return int(std::clamp<qint64>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

AppSettings::AppSettings(QString path)
    : m_path(std::move(path))
{
}

QString AppSettings::read(const Key &key) const
{
    const std::optional<QString> stored =
        Platform::PrivateProfile(m_path).value(text(key.section), text(key.name));
    if (stored)
        return *stored;
    if (isKey(key, Keys::LocalDirectories))
        return QDir::currentPath();
    return text(key.defaultValue);
}

bool AppSettings::readBool(const Key &key) const
{
    return read(key) == text(TrueText);
}

int AppSettings::readInt(const Key &key) const
{
    return textToInteger(read(key));
}

bool AppSettings::write(const Key &key, const QString &value) const
{
    return write(text(key.section), text(key.name), value);
}

bool AppSettings::writeBool(const Key &key, bool value) const
{
    return write(key, text(value ? TrueText : FalseText));
}

bool AppSettings::writeInt(const Key &key, int value) const
{
    return write(key, QString::number(value));
}

QString AppSettings::read(const QString &section, const QString &key, const QString &defaultValue) const
{
    return Platform::PrivateProfile(m_path).value(section, key, defaultValue);
}

bool AppSettings::write(const QString &section, const QString &key, const QString &value) const
{
    return Platform::PrivateProfile(m_path).setValue(section, key, value);
}

QString AppSettings::ReadSetting(const QString &key, const QString &defaultValue) const
{
    return read(SettingSection, key, defaultValue);
}

bool AppSettings::WriteSetting(const QString &key, const QString &value) const
{
    return write(SettingSection, key, value);
}

} // namespace Qb::Settings
