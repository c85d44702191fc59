// SPDX-License-Identifier: GPL-3.0-or-later
// The pure part of typing text into another program's window: which keysyms a text becomes,
// which key of the current layout types each of them, which characters need a key mapped for
// them for the moment, and how the user's held and locked modifiers are set aside and put back.
// No display here; the X11 sender carries the plans out.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace Qb::Platform {

using KeySymbol = std::uint32_t;   // an X keysym
using KeyCode = std::uint8_t;      // an X keycode, 8..255

inline constexpr KeySymbol KeySymReturn = 0xff0d;
inline constexpr KeySymbol KeySymTab = 0xff09;

// The keysym that types one character: Latin-1 characters are their own keysym, every other
// character is its Unicode keysym (0x1000000 + code point).
KeySymbol keysymForCharacter(char32_t character);

// The keysyms of a text in order: "\r\n", "\n" and a lone "\r" are one Return, "\t" is Tab.
// Other control characters and unpaired surrogates are dropped (no key types them).
std::vector<KeySymbol> keysymsForText(const QString &text);

// A key of the current layout and group that types a keysym with no modifier but Shift.
struct LayoutKey
{
    KeyCode keycode = 0;
    bool shift = false;
};

// The layout's key for a keysym, or nothing when the layout has none.
using LayoutLookup = std::function<std::optional<LayoutKey>(KeySymbol)>;

// Keycodes the layout leaves empty, lent to characters the layout has no key for. A keycode
// that was mapped and pressed keeps its keysym for at least `reuseAfterMs`: a program reads the
// keyboard mapping only when it handles the key event, so changing the mapping sooner could
// turn a key still queued for it into another character.
class SpareKeycodes
{
public:
    SpareKeycodes(std::vector<KeyCode> spare, std::int64_t reuseAfterMs);

    struct Loan
    {
        KeyCode keycode = 0;
        bool remap = false;   // the keycode must be mapped to the keysym before it is pressed
    };
    // The keycode for `keysym` at time `nowMs`: the one already mapped to it, else a never-used
    // one, else the least recently used one whose time is over. Nothing when every spare keycode
    // is still within its time (`readyAtMs` then tells when one will be free) or there is none.
    std::optional<Loan> lend(KeySymbol keysym, std::int64_t nowMs);
    std::optional<std::int64_t> readyAtMs() const;
    // The keycodes that carry a keysym now, to be emptied again.
    std::vector<KeyCode> mapped() const;
    // When the last lent key was pressed (nothing when none ever was).
    std::optional<std::int64_t> lastUseMs() const;
    void clear();
    bool empty() const { return m_slots.empty(); }

private:
    struct Slot
    {
        KeyCode keycode;
        KeySymbol keysym = 0;          // 0: empty
        std::int64_t lastUse = 0;
    };
    std::vector<Slot> m_slots;
    std::int64_t m_reuseAfter;
};

// One key to press and release for one keysym.
struct KeyStroke
{
    KeyCode keycode = 0;
    bool shift = false;          // Shift is pressed around it
    KeySymbol mapTo = 0;         // nonzero: map keycode to this keysym first
};

// The strokes for keysyms[from..] until one needs a spare keycode none can give at `nowMs`
// (or the end, or `limit` strokes). `consumed` tells how many keysyms were planned. A keysym
// neither the layout nor a spare keycode can type is skipped only when there is no spare
// keycode at all.
std::vector<KeyStroke> planStrokes(const std::vector<KeySymbol> &keysyms, std::size_t from, std::size_t limit,
                                   const LayoutLookup &layout, SpareKeycodes &spare, std::int64_t nowMs,
                                   std::size_t &consumed);

// The user's modifiers at the start of a send, in X modifier bits.
struct ModifierState
{
    unsigned locked = 0;                 // Caps Lock, NumLock, ...
    unsigned latched = 0;                // sticky keys
    std::vector<KeyCode> heldModifierKeys; // modifier keys that are down
};

// One step of setting the modifiers aside or putting them back.
struct ModifierStep
{
    enum class Kind { ReleaseKey, PressKey, SetLocked, SetLatched };
    Kind kind;
    unsigned value;                      // a keycode, or a modifier mask

    friend bool operator==(const ModifierStep &, const ModifierStep &) = default;
};

// Before typing: the held modifier keys released, locks and latches cleared, so that every key
// types its plain or shifted symbol. Nothing for a state that has none.
std::vector<ModifierStep> neutraliseModifiers(const ModifierState &state);
// After typing: exactly the user's locks, held keys and latches again (latches last, so that
// pressing the held keys back cannot use them up), never one that was not there.
std::vector<ModifierStep> restoreModifiers(const ModifierState &state);

// Whether a window of this WM_CLASS (instance or class name, any case) is a terminal, which
// pastes with Ctrl+Shift+V instead of Ctrl+V.
bool isTerminalWindowClass(const QString &instanceOrClass);

} // namespace Qb::Platform
