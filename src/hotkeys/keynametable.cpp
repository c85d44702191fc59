// SPDX-License-Identifier: GPL-3.0-or-later
#include "hotkeys/keynametable.h"

#include <algorithm>
#include <iterator>

namespace Qb::Hotkeys {

namespace {

// clang-format off
constexpr KeyName Table[] = {
    {u"Break", 3},
    {u"Backspace", 8}, {u"退格键", 8}, {u"BKSPACE", 8}, {u"Ba", 8},
    {u"Tab", 9}, {u"Ta", 9},
    {u"Enter", 13}, {u"回车键", 13}, {u"En", 13}, {u"NumEnter", 13},
    {u"Shift", 16}, {u"Sh", 16},
    {u"Ctrl", 17}, {u"Ct", 17},
    {u"Alt", 18}, {u"Al", 18},
    {u"Pause", 19},
    {u"CapsLock", 20}, {u"CAPS", 20}, {u"CL", 20},
    {u"Esc", 27},
    {u"空格键", 32}, {u"空", 32}, {u" ", 32},
    {u"PageUp", 33}, {u"PageDown", 34}, {u"End", 35}, {u"Home", 36},
    {u"左移", 37}, {u"←", 37}, {u"LEFT", 37},
    {u"上移", 38}, {u"↑", 38}, {u"UP", 38},
    {u"右移", 39}, {u"→", 39}, {u"RIGHT", 39},
    {u"下移", 40}, {u"↓", 40}, {u"DOWN", 40},
    {u"Ins", 45},
    {u"Del", 46}, {u"Delete", 46}, {u"删除键", 46},
    {u")", 48}, {u"!", 49}, {u"！", 49}, {u"@", 50}, {u"#", 51}, {u"$", 52},
    {u"%", 53}, {u"^", 54}, {u"&", 55}, {u"*", 56}, {u"(", 57},
    {u"开始菜单键", 92}, {u"快捷菜单键", 93},
    {u"Num0", 96}, {u"Num1", 97}, {u"Num2", 98}, {u"Num3", 99}, {u"Num4", 100},
    {u"Num5", 101}, {u"Num6", 102}, {u"Num7", 103}, {u"Num8", 104}, {u"Num9", 105},
    {u"Num*", 106}, {u"Num+", 107}, {u"Num-", 109}, {u"Num.", 110}, {u"Num/", 111},
    {u"F1", 112}, {u"F2", 113}, {u"F3", 114}, {u"F4", 115}, {u"F5", 116}, {u"F6", 117},
    {u"F7", 118}, {u"F8", 119}, {u"F9", 120}, {u"F10", 121}, {u"F11", 122}, {u"F12", 123},
    {u"NumLock", 144}, {u"ScrollLock", 145},
    {u";", 186}, {u"；", 186}, {u"：", 186}, {u":", 186},
    {u"=", 187}, {u"+", 187},
    {u",", 188}, {u"，", 188}, {u"<", 188},
    {u"-", 189}, {u"_", 189},
    {u".", 190}, {u"。", 190}, {u">", 190},
    {u"/", 191}, {u"?", 191},
    {u"`", 192}, {u"·", 192}, {u"~", 192},
    {u"[", 219}, {u"{", 219},
    {u"\\", 220}, {u"|", 220},
    {u"]", 221}, {u"}", 221},
    {u"'", 222}, {u"’", 222}, {u"‘", 222}, {u"\"", 222}, {u"“", 222}, {u"”", 222},
};
// clang-format on

char16_t foldAscii(char16_t c)
{
    return c >= u'a' && c <= u'z' ? char16_t(c - u'a' + u'A') : c;
}

bool sameName(QStringView a, QStringView b)
{
    return std::ranges::equal(a, b, [](QChar x, QChar y) { return foldAscii(x.unicode()) == foldAscii(y.unicode()); });
}

} // namespace

std::span<const KeyName> KeyNameTable()
{
    return Table;
}

int KeyCodeOf(const QString &name)
{
    if (name.size() == 1) {
        const char16_t c = foldAscii(name.front().unicode());
        if ((c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9'))
            return int(c);
    }
    const auto entry = std::ranges::find_if(Table, [&](const KeyName &k) { return sameName(QStringView(k.name), name); });
    return entry != std::end(Table) ? entry->code : 0;
}

} // namespace Qb::Hotkeys
