// SPDX-License-Identifier: GPL-3.0-or-later
// Typing a text as key presses, without a display: the keysyms a text becomes, the keys of a
// layout that type them, the keycodes lent to characters the layout lacks (and when they may be
// lent again), how held and locked modifiers are set aside and put back, and which windows are
// terminals.
#include "platform/keystrokeplan.h"

#include <QTest>

#include <map>

using namespace Qb::Platform;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(std::vector<Qb::Platform::KeySymbol>)
Q_DECLARE_METATYPE(std::vector<Qb::Platform::ModifierStep>)
Q_DECLARE_METATYPE(Qb::Platform::ModifierState)

namespace {

constexpr unsigned ShiftMask = 1, LockMask = 2, Mod2Mask = 16;

// A small US-like layout: a..z at level 0 on keycodes 38.., capitals and "(" at level 1.
std::optional<LayoutKey> usLayout(KeySymbol keysym)
{
    if (keysym >= 'a' && keysym <= 'z')
        return LayoutKey{KeyCode(38 + keysym - 'a'), false};
    if (keysym >= 'A' && keysym <= 'Z')
        return LayoutKey{KeyCode(38 + keysym - 'A'), true};
    static const std::map<KeySymbol, LayoutKey> others{
        {'(', {18, true}}, {')', {19, true}}, {' ', {65, false}}, {KeySymReturn, {36, false}}, {KeySymTab, {23, false}}};
    const auto it = others.find(keysym);
    return it == others.end() ? std::nullopt : std::optional(it->second);
}

std::vector<KeySymbol> syms(std::initializer_list<KeySymbol> list) { return list; }

using K = ModifierStep::Kind;

} // namespace

class tst_KeystrokePlan : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keysymsForText_data();
    void keysymsForText();
    void layoutKeysAndShift();
    void spareKeycodesLentOncePerCharacterAndKeptForTheirTime();
    void withoutSpareKeycodesUntypableCharactersAreSkipped();
    void modifiers_data();
    void modifiers();
    void terminals_data();
    void terminals();
};

void tst_KeystrokePlan::keysymsForText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::vector<KeySymbol>>("expected");
    QTest::newRow("ascii") << u"nt("_s << syms({'n', 't', '('});
    QTest::newRow("CRLF is one Return") << u"a\r\nb"_s << syms({'a', KeySymReturn, 'b'});
    QTest::newRow("LF, lone CR, two LFs") << u"a\nb\rc\n\n"_s
                                         << syms({'a', KeySymReturn, 'b', KeySymReturn, 'c', KeySymReturn, KeySymReturn});
    QTest::newRow("CR CR LF") << u"\r\r\n"_s << syms({KeySymReturn, KeySymReturn});
    QTest::newRow("tab") << u"\tx"_s << syms({KeySymTab, 'x'});
    QTest::newRow("Chinese") << u"打印()"_s << syms({0x1006253, 0x1005370, '(', ')'});
    QTest::newRow("Latin-1 is its own keysym") << u"é×"_s << syms({0xe9, 0xd7});
    QTest::newRow("outside the BMP") << u"a\U0001F600"_s << syms({'a', 0x101f600});
    QTest::newRow("control characters dropped") << u"a\x01\x7f\u0085b"_s << syms({'a', 'b'});
    QTest::newRow("unpaired surrogate dropped") << (u"a"_s + QChar(0xd800) + u"b"_s) << syms({'a', 'b'});
    QTest::newRow("empty") << QString() << syms({});
}

void tst_KeystrokePlan::keysymsForText()
{
    QFETCH(QString, text);
    QFETCH(std::vector<KeySymbol>, expected);
    QCOMPARE(Qb::Platform::keysymsForText(text), expected);
}

void tst_KeystrokePlan::layoutKeysAndShift()
{
    SpareKeycodes spare({200}, 100);
    std::size_t consumed = 0;
    const std::vector<KeySymbol> text = Qb::Platform::keysymsForText(u"PRInt(\n"_s);
    const std::vector<KeyStroke> strokes = planStrokes(text, 3, 100, usLayout, spare, 0, consumed);
    QCOMPARE(consumed, 4u);
    QCOMPARE(strokes.size(), 4u);
    const std::vector<std::pair<int, bool>> expected{{38 + 'n' - 'a', false}, {38 + 't' - 'a', false}, {18, true}, {36, false}};
    for (std::size_t i = 0; i < strokes.size(); ++i) {
        QCOMPARE(int(strokes[i].keycode), expected[i].first);
        QCOMPARE(strokes[i].shift, expected[i].second);
        QCOMPARE(strokes[i].mapTo, 0u);
    }
    // The limit ends a pass early; the next pass goes on from there.
    const std::vector<KeyStroke> first = planStrokes(text, 0, 2, usLayout, spare, 0, consumed);
    QCOMPARE(first.size(), 2u);
    QCOMPARE(consumed, 2u);
}

// Two spare keycodes for three different Chinese characters: each is mapped once however
// often it occurs, and a keycode is mapped to a new character only when its time is over, the
// least recently pressed one first.
void tst_KeystrokePlan::spareKeycodesLentOncePerCharacterAndKeptForTheirTime()
{
    SpareKeycodes spare({200, 201}, 100);
    const std::vector<KeySymbol> text = Qb::Platform::keysymsForText(u"打a打印x打字"_s);
    std::size_t consumed = 0;
    std::vector<KeyStroke> strokes = planStrokes(text, 0, 100, usLayout, spare, 0, consumed);
    QCOMPARE(consumed, 6u); // 字 needs a third keycode: the pass stops before it
    QCOMPARE(strokes.size(), 6u);
    QCOMPARE(int(strokes[0].keycode), 200);
    QCOMPARE(strokes[0].mapTo, 0x1006253u);
    QCOMPARE(int(strokes[2].keycode), 200);
    QCOMPARE(strokes[2].mapTo, 0u); // already mapped
    QCOMPARE(int(strokes[3].keycode), 201);
    QCOMPARE(strokes[3].mapTo, 0x1005370u);
    QCOMPARE(int(strokes[5].keycode), 200);
    QCOMPARE(spare.readyAtMs(), std::optional<std::int64_t>(100));

    // Still too early at 99 ms; at 100 ms keycode 201 (印, pressed last at 0, before 打's
    // last press at 50) is lent to 字.
    QCOMPARE(planStrokes(text, 6, 100, usLayout, spare, 99, consumed).size(), 0u);
    QCOMPARE(consumed, 0u);
    QVERIFY(spare.lend(0x1006253, 50).has_value()); // 打 pressed again at 50
    strokes = planStrokes(text, 6, 100, usLayout, spare, 100, consumed);
    QCOMPARE(consumed, 1u);
    QCOMPARE(int(strokes.at(0).keycode), 201);
    QCOMPARE(strokes.at(0).mapTo, 0x1005b57u);
    std::vector<KeyCode> mapped = spare.mapped();
    std::sort(mapped.begin(), mapped.end());
    QCOMPARE(mapped, (std::vector<KeyCode>{200, 201}));
    QCOMPARE(spare.lastUseMs(), std::optional<std::int64_t>(100));
    spare.clear();
    QVERIFY(spare.mapped().empty());
    QCOMPARE(spare.readyAtMs(), std::optional<std::int64_t>(0));
}

void tst_KeystrokePlan::withoutSpareKeycodesUntypableCharactersAreSkipped()
{
    SpareKeycodes none({}, 100);
    std::size_t consumed = 0;
    const std::vector<KeySymbol> text = Qb::Platform::keysymsForText(u"a打b"_s);
    const std::vector<KeyStroke> strokes = planStrokes(text, 0, 100, usLayout, none, 0, consumed);
    QCOMPARE(consumed, 3u);
    QCOMPARE(strokes.size(), 2u);
    QCOMPARE(int(strokes[1].keycode), 38 + 'b' - 'a');
}

void tst_KeystrokePlan::modifiers_data()
{
    QTest::addColumn<ModifierState>("state");
    QTest::addColumn<std::vector<ModifierStep>>("neutralise");
    QTest::addColumn<std::vector<ModifierStep>>("restore");
    QTest::newRow("nothing held") << ModifierState{} << std::vector<ModifierStep>{}
                                  << std::vector<ModifierStep>{{K::SetLatched, 0}};
    QTest::newRow("Caps Lock") << ModifierState{LockMask, 0, {}} << std::vector<ModifierStep>{{K::SetLocked, 0}}
                               << std::vector<ModifierStep>{{K::SetLocked, LockMask}, {K::SetLatched, 0}};
    QTest::newRow("Shift held") << ModifierState{0, 0, {50}} << std::vector<ModifierStep>{{K::ReleaseKey, 50}}
                                << std::vector<ModifierStep>{{K::PressKey, 50}, {K::SetLatched, 0}};
    QTest::newRow("Caps and NumLock, both Shifts, a latch")
        << ModifierState{LockMask | Mod2Mask, ShiftMask, {50, 62}}
        << std::vector<ModifierStep>{{K::ReleaseKey, 62}, {K::ReleaseKey, 50}, {K::SetLocked, 0}, {K::SetLatched, 0}}
        << std::vector<ModifierStep>{{K::SetLocked, LockMask | Mod2Mask},
                                     {K::PressKey, 50},
                                     {K::PressKey, 62},
                                     {K::SetLatched, ShiftMask}};
}

void tst_KeystrokePlan::modifiers()
{
    QFETCH(ModifierState, state);
    QFETCH(std::vector<ModifierStep>, neutralise);
    QFETCH(std::vector<ModifierStep>, restore);
    QVERIFY(neutraliseModifiers(state) == neutralise);
    QVERIFY(restoreModifiers(state) == restore);
}

void tst_KeystrokePlan::terminals_data()
{
    QTest::addColumn<QString>("windowClass");
    QTest::addColumn<bool>("terminal");
    QTest::newRow("xterm") << u"xterm"_s << true;
    QTest::newRow("XTerm class") << u"XTerm"_s << true;
    QTest::newRow("urxvt") << u"URxvt"_s << true;
    QTest::newRow("gnome-terminal") << u"Gnome-terminal"_s << true;
    QTest::newRow("konsole") << u"konsole"_s << true;
    QTest::newRow("xfce4-terminal") << u"Xfce4-terminal"_s << true;
    QTest::newRow("geany") << u"Geany"_s << false;
    QTest::newRow("terminal in a longer name") << u"xtermish"_s << false;
    QTest::newRow("empty") << QString() << false;
}

void tst_KeystrokePlan::terminals()
{
    QFETCH(QString, windowClass);
    QFETCH(bool, terminal);
    QCOMPARE(isTerminalWindowClass(windowClass), terminal);
}

QTEST_GUILESS_MAIN(tst_KeystrokePlan)
#include "tst_keystrokeplan.moc"
