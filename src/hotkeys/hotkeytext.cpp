// SPDX-License-Identifier: GPL-3.0-or-later
#include "hotkeys/hotkeytext.h"

#include "hotkeys/keynametable.h"

#include <QStringList>

namespace Qb::Hotkeys {

using namespace Qt::StringLiterals;

namespace {

QStringList pieces(const QString &text)
{
    QStringList parts = text.split(u'+');
    if (parts.size() > 1 && parts.last().isEmpty())
        parts.removeLast();
    return parts;
}

int modifierOf(const QString &piece)
{
    if (piece.compare("Ctrl"_L1, Qt::CaseInsensitive) == 0)
        return ModCtrl;
    if (piece.compare("Shift"_L1, Qt::CaseInsensitive) == 0)
        return ModShift;
    if (piece.compare("ALT"_L1, Qt::CaseInsensitive) == 0)
        return ModAlt;
    return KeyCodeOf(piece);
}

} // namespace

std::optional<HotkeySpec> ParseHotkey(const QString &text)
{
    if (!text.contains(u'+'))
        return HotkeySpec{0, KeyCodeOf(text)};
    const QStringList parts = pieces(text);
    if (parts.size() < 2)
        return std::nullopt;
    return HotkeySpec{modifierOf(parts[0]), KeyCodeOf(parts[1])};
}

std::pair<QString, QString> SplitHotkeyText(const QString &text)
{
    if (!text.contains(u'+'))
        return {QString(), text};
    const QStringList parts = pieces(text);
    return {parts.value(0), parts.value(1)};
}

QString ComposeHotkeyText(const QString &modifier, const QString &key)
{
    if (modifier.isEmpty() || modifier == u"空"_s)
        return key;
    return modifier + u'+' + key;
}

} // namespace Qb::Hotkeys
