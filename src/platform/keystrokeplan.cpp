// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/keystrokeplan.h"

#include <QSet>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace Qb::Platform {

KeySymbol keysymForCharacter(char32_t character)
{
    if ((character >= 0x20 && character <= 0x7e) || (character >= 0xa0 && character <= 0xff))
        return KeySymbol(character);
    return 0x1000000u + KeySymbol(character);
}

std::vector<KeySymbol> keysymsForText(const QString &text)
{
    std::vector<KeySymbol> keysyms;
    keysyms.reserve(std::size_t(text.size()));
    const QList<uint> codePoints = text.toUcs4();
    for (qsizetype i = 0; i < codePoints.size(); ++i) {
        const char32_t c = codePoints.at(i);
        if (c == '\r') {
            keysyms.push_back(KeySymReturn);
            if (i + 1 < codePoints.size() && codePoints.at(i + 1) == '\n')
                ++i;
        } else if (c == '\n') {
            keysyms.push_back(KeySymReturn);
        } else if (c == '\t') {
            keysyms.push_back(KeySymTab);
        } else if (c >= 0x20 && c != 0x7f && !(c >= 0x80 && c < 0xa0) && !(c >= 0xd800 && c <= 0xdfff)
                   && c != 0xfffd) {
            keysyms.push_back(keysymForCharacter(c));
        }
    }
    return keysyms;
}

SpareKeycodes::SpareKeycodes(std::vector<KeyCode> spare, std::int64_t reuseAfterMs)
    : m_reuseAfter(reuseAfterMs)
{
    for (KeyCode keycode : spare)
        m_slots.push_back({keycode});
}

std::optional<SpareKeycodes::Loan> SpareKeycodes::lend(KeySymbol keysym, std::int64_t nowMs)
{
    Slot *best = nullptr;
    for (Slot &slot : m_slots) {
        if (slot.keysym == keysym) {
            slot.lastUse = nowMs;
            return Loan{slot.keycode, false};
        }
        if (slot.keysym == 0) {
            if (!best || best->keysym != 0)
                best = &slot;
        } else if (nowMs - slot.lastUse >= m_reuseAfter && (!best || (best->keysym != 0 && slot.lastUse < best->lastUse))) {
            best = &slot;
        }
    }
    if (!best)
        return std::nullopt;
    best->keysym = keysym;
    best->lastUse = nowMs;
    return Loan{best->keycode, true};
}

std::optional<std::int64_t> SpareKeycodes::readyAtMs() const
{
    std::optional<std::int64_t> ready;
    for (const Slot &slot : m_slots) {
        const std::int64_t at = slot.keysym == 0 ? 0 : slot.lastUse + m_reuseAfter;
        if (!ready || at < *ready)
            ready = at;
    }
    return ready;
}

std::vector<KeyCode> SpareKeycodes::mapped() const
{
    std::vector<KeyCode> keycodes;
    for (const Slot &slot : m_slots)
        if (slot.keysym != 0)
            keycodes.push_back(slot.keycode);
    return keycodes;
}

std::optional<std::int64_t> SpareKeycodes::lastUseMs() const
{
    std::optional<std::int64_t> last;
    for (const Slot &slot : m_slots)
        if (slot.keysym != 0 && (!last || slot.lastUse > *last))
            last = slot.lastUse;
    return last;
}

void SpareKeycodes::clear()
{
    for (Slot &slot : m_slots)
        slot.keysym = 0;
}

std::vector<KeyStroke> planStrokes(const std::vector<KeySymbol> &keysyms, std::size_t from, std::size_t limit,
                                   const LayoutLookup &layout, SpareKeycodes &spare, std::int64_t nowMs,
                                   std::size_t &consumed)
{
    std::vector<KeyStroke> strokes;
    std::size_t i = from;
    for (; i < keysyms.size() && strokes.size() < limit; ++i) {
        if (const std::optional<LayoutKey> key = layout(keysyms[i])) {
            strokes.push_back({key->keycode, key->shift, 0});
            continue;
        }
        if (spare.empty())
            continue; // nothing can type it
        const std::optional<SpareKeycodes::Loan> loan = spare.lend(keysyms[i], nowMs);
        if (!loan)
            break; // wait until a spare keycode's time is over
        strokes.push_back({loan->keycode, false, loan->remap ? keysyms[i] : 0});
    }
    consumed = i - from;
    return strokes;
}

std::vector<ModifierStep> neutraliseModifiers(const ModifierState &state)
{
    using K = ModifierStep::Kind;
    std::vector<ModifierStep> steps;
    for (auto it = state.heldModifierKeys.rbegin(); it != state.heldModifierKeys.rend(); ++it)
        steps.push_back({K::ReleaseKey, *it});
    if (state.locked)
        steps.push_back({K::SetLocked, 0});
    if (state.latched)
        steps.push_back({K::SetLatched, 0});
    return steps;
}

std::vector<ModifierStep> restoreModifiers(const ModifierState &state)
{
    using K = ModifierStep::Kind;
    std::vector<ModifierStep> steps;
    if (state.locked)
        steps.push_back({K::SetLocked, state.locked});
    for (KeyCode keycode : state.heldModifierKeys)
        steps.push_back({K::PressKey, keycode});
    // Always: a Shift pressed for a capital may have latched under sticky keys.
    steps.push_back({K::SetLatched, state.latched});
    return steps;
}

bool isTerminalWindowClass(const QString &instanceOrClass)
{
    static const QSet<QString> terminals{
        u"xterm"_s,          u"uxterm"_s,         u"urxvt"_s,          u"rxvt"_s,
        u"urxvt-unicode"_s,  u"gnome-terminal"_s, u"gnome-terminal-server"_s, u"konsole"_s,
        u"xfce4-terminal"_s, u"terminator"_s,     u"tilix"_s,          u"alacritty"_s,
        u"kitty"_s,          u"st"_s,             u"st-256color"_s,    u"lxterminal"_s,
        u"mate-terminal"_s,  u"qterminal"_s,      u"sakura"_s,         u"terminology"_s,
        u"guake"_s,          u"tilda"_s,          u"eterm"_s,          u"kgx"_s,
        u"wezterm"_s,        u"foot"_s,           u"deepin-terminal"_s, u"x-terminal-emulator"_s,
    };
    return terminals.contains(instanceOrClass.toLower());
}

} // namespace Qb::Platform
