// SPDX-License-Identifier: GPL-3.0-or-later
// The command hints without a display: building the typed prefix, which keys the target still
// receives, paging, choosing (the part not yet typed), hiding, caret tracking and the geometry
// of a drawn page and its hit rectangles.
#include "editor/hintstatemachine.h"

#include <QTest>

using namespace Qb::Editor;
using namespace Qt::StringLiterals;
using Key = HintKeyPress::Key;

Q_DECLARE_METATYPE(std::optional<Qb::Editor::CaretSpot>)

namespace {

// The world as the state machine sees it: a hint table searched like the database does
// (prefix, letters without case, table order) and a record of what was asked of the window
// and the editor.
class FakeActions : public HintActions
{
public:
    QStringList table;
    bool tracking = false;
    std::optional<CaretSpot> caret;

    QStringList searches;
    QStringList inserted;
    QList<QPoint> moves;
    QList<QList<HintLine>> pages;
    QList<bool> shownChanges;
    bool windowShown = false;

    QStringList searchHints(const QString &prefix) override
    {
        searches << prefix;
        QStringList out;
        for (const QString &entry : std::as_const(table))
            if (entry.startsWith(prefix, Qt::CaseInsensitive))
                out << entry;
        return out;
    }
    bool cursorTracking() const override { return tracking; }
    std::optional<CaretSpot> targetCaret() override { return caret; }
    void moveHintWindow(QPoint topLeft) override { moves << topLeft; }
    void showHintWindow() override { windowShown = true; }
    void hideHintWindow() override { windowShown = false; }
    void drawHintPage(const QList<HintLine> &lines) override { pages << lines; }
    void insertText(const QString &text) override { inserted << text; }
    void listShownChanged(bool shown) override { shownChanges << shown; }
};

HintKeyPress press(char c, bool control = false)
{
    if (c >= 'a' && c <= 'z')
        return {Key::Letter, char(c - 'a' + 'A'), 0, control};
    if (c >= '0' && c <= '9')
        return {Key::Digit, 0, c - '0', control};
    switch (c) {
    case ' ': return {Key::Space};
    case '\x1b': return {Key::Escape};
    case '>': return {Key::PageDown};
    case '<': return {Key::PageUp};
    case '\r': return {Key::Return};
    default: return {Key::Other};
    }
}

// Types a key script: letters, digits, ' ' space, '\x1b' Esc, '>' Page Down, '<' Page Up,
// '\r' Return, '^x' Control+x, anything else an unrelated key. Returns the verdicts as a
// string: 'p' passed on, 'w' withheld.
QString type(HintStateMachine &m, const QByteArray &keys)
{
    QString verdicts;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const bool control = keys[i] == '^' && i + 1 < keys.size();
        const char c = control ? keys[++i] : keys[i];
        verdicts += m.keyPressed(press(c, control)) == KeyVerdict::Withhold ? u'w' : u'p';
    }
    return verdicts;
}

QStringList numbered(int count)
{
    QStringList entries;
    for (int i = 1; i <= count; ++i)
        entries << QStringLiteral("pr%1").arg(i, 2, 10, QLatin1Char('0'));
    return entries;
}

} // namespace

class tst_HintStateMachine : public QObject
{
    Q_OBJECT

private slots:
    void keyPress_classifiesQtKeys_data();
    void keyPress_classifiesQtKeys();
    void typing_buildsPrefixAndList_data();
    void typing_buildsPrefixAndList();
    void listKeys_withheldOnlyWhileShown_data();
    void listKeys_withheldOnlyWhileShown();
    void paging_movesByShownPage();
    void choose_insertsTheRestAndHides_data();
    void choose_insertsTheRestAndHides();
    void choose_beyondLastMatch_doesNothingButWithholds();
    void hintsOff_shownListStillReacts();
    void search_databaseError_resetsAndHides();
    void tracking_placesWindowBesideCaret_data();
    void tracking_placesWindowBesideCaret();
    void page_linesNumberedAndColoured();
    void hitRects_clickChoosesUpperLineOnSharedEdge_data();
    void hitRects_clickChoosesUpperLineOnSharedEdge();
    void hitRects_rightEdgeFollowsGbkBytes();
};

void tst_HintStateMachine::keyPress_classifiesQtKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QString>("seen"); // "-" = does not count; else kind and value

    QTest::newRow("letter") << int(Qt::Key_P) << Qt::KeyboardModifiers() << u"letter P"_s;
    QTest::newRow("shifted letter") << int(Qt::Key_P) << Qt::KeyboardModifiers(Qt::ShiftModifier) << u"letter P"_s;
    QTest::newRow("control letter") << int(Qt::Key_C) << Qt::KeyboardModifiers(Qt::ControlModifier) << u"letter C ctrl"_s;
    QTest::newRow("digit") << int(Qt::Key_7) << Qt::KeyboardModifiers() << u"digit 7"_s;
    QTest::newRow("keypad digit") << int(Qt::Key_7) << Qt::KeyboardModifiers(Qt::KeypadModifier) << u"-"_s;
    QTest::newRow("alt letter") << int(Qt::Key_P) << Qt::KeyboardModifiers(Qt::AltModifier) << u"-"_s;
    QTest::newRow("logo key digit") << int(Qt::Key_1) << Qt::KeyboardModifiers(Qt::MetaModifier) << u"-"_s;
    QTest::newRow("symbol of shift+1") << int(Qt::Key_Exclam) << Qt::KeyboardModifiers(Qt::ShiftModifier) << u"other"_s;
    QTest::newRow("space") << int(Qt::Key_Space) << Qt::KeyboardModifiers(Qt::ShiftModifier) << u"space"_s;
    QTest::newRow("escape") << int(Qt::Key_Escape) << Qt::KeyboardModifiers() << u"escape"_s;
    QTest::newRow("page down") << int(Qt::Key_PageDown) << Qt::KeyboardModifiers() << u"pagedown"_s;
    QTest::newRow("page up") << int(Qt::Key_PageUp) << Qt::KeyboardModifiers() << u"pageup"_s;
    QTest::newRow("return") << int(Qt::Key_Return) << Qt::KeyboardModifiers() << u"return"_s;
    QTest::newRow("keypad enter") << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier) << u"-"_s;
    QTest::newRow("backspace") << int(Qt::Key_Backspace) << Qt::KeyboardModifiers() << u"other"_s;
    QTest::newRow("unknown") << int(Qt::Key_unknown) << Qt::KeyboardModifiers() << u"other"_s;
}

void tst_HintStateMachine::keyPress_classifiesQtKeys()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, seen);
    const auto press = hintKeyPress(key, modifiers);
    QString text = u"-"_s;
    if (press) {
        switch (press->key) {
        case Key::Letter: text = u"letter "_s + QChar::fromLatin1(press->letter); break;
        case Key::Digit: text = u"digit "_s + QString::number(press->digit); break;
        case Key::Space: text = u"space"_s; break;
        case Key::Escape: text = u"escape"_s; break;
        case Key::PageDown: text = u"pagedown"_s; break;
        case Key::PageUp: text = u"pageup"_s; break;
        case Key::Return: text = u"return"_s; break;
        case Key::Other: text = u"other"_s; break;
        }
        if (press->control)
            text += u" ctrl"_s;
    }
    QCOMPARE(text, seen);
}

void tst_HintStateMachine::typing_buildsPrefixAndList_data()
{
    QTest::addColumn<QStringList>("table");
    QTest::addColumn<bool>("hintsOn");
    QTest::addColumn<QByteArray>("keys");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QStringList>("matches");
    QTest::addColumn<QStringList>("searches");

    const QStringList table{u"print("_s, u"private"_s, u"len("_s};
    QTest::newRow("pri shows both entries in table order")
        << table << true << QByteArray("pri") << u"PRI"_s << QStringList{u"print("_s, u"private"_s}
        << QStringList{u"P"_s, u"PR"_s, u"PRI"_s};
    QTest::newRow("control held leaves the prefix alone")
        << table << true << QByteArray("pr^c^vi") << u"PRI"_s << QStringList{u"print("_s, u"private"_s}
        << QStringList{u"P"_s, u"PR"_s, u"PRI"_s};
    QTest::newRow("a letter without match resets, the next starts anew")
        << table << true << QByteArray("prixl") << u"L"_s << QStringList{u"len("_s}
        << QStringList{u"P"_s, u"PR"_s, u"PRI"_s, u"PRIX"_s, u"L"_s};
    QTest::newRow("other keys reset nothing")
        << table << true << QByteArray("pr\r;><i") << u"PRI"_s << QStringList{u"print("_s, u"private"_s}
        << QStringList{u"P"_s, u"PR"_s, u"PRI"_s};
    QTest::newRow("hints off: letters change nothing")
        << table << false << QByteArray("pri") << QString() << QStringList() << QStringList();
    QTest::newRow("no entry at all: every letter starts anew")
        << QStringList() << true << QByteArray("ab") << QString() << QStringList()
        << QStringList{u"A"_s, u"B"_s};
}

void tst_HintStateMachine::typing_buildsPrefixAndList()
{
    QFETCH(QStringList, table);
    QFETCH(bool, hintsOn);
    QFETCH(QByteArray, keys);
    QFETCH(QString, prefix);
    QFETCH(QStringList, matches);
    QFETCH(QStringList, searches);
    FakeActions world;
    world.table = table;
    HintStateMachine m(world);
    m.setHintsOn(hintsOn);

    QCOMPARE(type(m, keys), QString(keys.size() - keys.count('^'), u'p'));
    QCOMPARE(m.typedPrefix(), prefix);
    QCOMPARE(m.matchList(), matches);
    QCOMPARE(m.listShown(), !matches.isEmpty());
    QCOMPARE(world.windowShown, !matches.isEmpty());
    QCOMPARE(world.searches, searches);
}

void tst_HintStateMachine::listKeys_withheldOnlyWhileShown_data()
{
    QTest::addColumn<QByteArray>("keys");
    QTest::addColumn<QString>("verdicts");
    QTest::addColumn<bool>("shownAfter");

    QTest::newRow("digit, space, Esc without a list") << QByteArray("0 \x1b") << u"ppp"_s << false;
    QTest::newRow("digit chooses") << QByteArray("pr0") << u"ppw"_s << false;
    QTest::newRow("control+digit chooses too") << QByteArray("pr^1") << u"ppw"_s << false;
    QTest::newRow("space chooses") << QByteArray("pr ") << u"ppw"_s << false;
    QTest::newRow("Esc hides, the next Esc passes") << QByteArray("pr\x1b\x1b") << u"ppwp"_s << false;
    QTest::newRow("page keys and Return pass on a list") << QByteArray("pr><\r;") << u"pppppp"_s << true;
}

void tst_HintStateMachine::listKeys_withheldOnlyWhileShown()
{
    QFETCH(QByteArray, keys);
    QFETCH(QString, verdicts);
    QFETCH(bool, shownAfter);
    FakeActions world;
    world.table = QStringList{u"print("_s, u"private"_s};
    HintStateMachine m(world);
    m.setHintsOn(true);

    QCOMPARE(type(m, keys), verdicts);
    QCOMPARE(m.listShown(), shownAfter);
}

void tst_HintStateMachine::paging_movesByShownPage()
{
    FakeActions world;
    world.table = numbered(23);
    HintStateMachine m(world);
    m.setHintsOn(true);
    type(m, "p");
    QCOMPARE(m.pageFirst(), 0);
    QCOMPARE(m.pageCount(), 10);

    const int drawn = int(world.pages.size());
    type(m, "<");
    QCOMPARE(world.pages.size(), drawn); // Page Up on the first page draws nothing
    QCOMPARE(m.pageFirst(), 0);

    struct Step { char key; int first; int count; QString firstLine; };
    const QList<Step> steps{
        {'>', 10, 10, u"0.pr11"_s},
        {'>', 20, 3, u"0.pr21"_s},
        {'>', 23, 0, QString()},       // past the end: an empty page
        {'>', 23, 0, QString()},
        {'<', 13, 10, u"0.pr14"_s},    // back ten entries, not to a page boundary
        {'<', 3, 10, u"0.pr04"_s},
        {'<', 3, 10, u"0.pr04"_s},     // fewer than ten before it: stays
    };
    for (const Step &step : steps) {
        type(m, QByteArray(1, step.key));
        QCOMPARE(m.pageFirst(), step.first);
        QCOMPARE(m.pageCount(), step.count);
        QCOMPARE(world.pages.last().value(0).text, step.firstLine);
    }
    // A letter searches again and starts from the first page.
    type(m, "r");
    QCOMPARE(m.pageFirst(), 0);
    QCOMPARE(m.typedPrefix(), u"PR"_s);
}

void tst_HintStateMachine::choose_insertsTheRestAndHides_data()
{
    QTest::addColumn<QStringList>("table");
    QTest::addColumn<QByteArray>("keys");
    QTest::addColumn<QString>("inserted");

    const QStringList pair{u"print("_s, u"private"_s};
    QTest::newRow("0 after pri: the rest of print(") << pair << QByteArray("pri0") << u"nt("_s;
    QTest::newRow("1 after pri: the rest of private") << pair << QByteArray("pri1") << u"vate"_s;
    QTest::newRow("space is the first line") << pair << QByteArray("pri ") << u"nt("_s;
    QTest::newRow("lower-case typing, entry in capitals") << QStringList{u"PRINT"_s} << QByteArray("pr0")
                                                          << u"INT"_s;
    QTest::newRow("whole entry typed: empty rest") << pair << QByteArray("private0") << QString();
    QTest::newRow("non-ASCII rest") << QStringList{u"print打印"_s} << QByteArray("pr0") << u"int打印"_s;
    QTest::newRow("digit on the second page") << numbered(15) << QByteArray("p>2") << u"r13"_s;
}

void tst_HintStateMachine::choose_insertsTheRestAndHides()
{
    QFETCH(QStringList, table);
    QFETCH(QByteArray, keys);
    QFETCH(QString, inserted);
    FakeActions world;
    world.table = table;
    HintStateMachine m(world);
    m.setHintsOn(true);

    QCOMPARE(type(m, keys).right(1), u"w"_s);
    QCOMPARE(world.inserted, QStringList{inserted});
    QVERIFY(!m.listShown());
    QVERIFY(!world.windowShown);
    QCOMPARE(m.typedPrefix(), QString());
    QVERIFY(m.matchList().isEmpty());
    QCOMPARE(world.shownChanges, (QList<bool>{true, false}));
}

void tst_HintStateMachine::choose_beyondLastMatch_doesNothingButWithholds()
{
    FakeActions world;
    world.table = QStringList{u"print("_s, u"private"_s};
    HintStateMachine m(world);
    m.setHintsOn(true);
    QCOMPARE(type(m, "pri29"), u"pppww"_s);
    QVERIFY(world.inserted.isEmpty());
    QVERIFY(m.listShown());
    QCOMPARE(m.typedPrefix(), u"PRI"_s);
    // On the empty page past the end every digit is beyond the last match.
    QCOMPARE(type(m, ">0"), u"pw"_s);
    QVERIFY(world.inserted.isEmpty());
}

void tst_HintStateMachine::hintsOff_shownListStillReacts()
{
    FakeActions world;
    world.table = numbered(12);
    HintStateMachine m(world);
    m.setHintsOn(true);
    type(m, "pr");
    m.setHintsOn(false);
    QCOMPARE(type(m, "x>"), u"pp"_s);
    QCOMPARE(m.typedPrefix(), u"PR"_s);  // the letter is ignored, the page key acts
    QCOMPARE(m.pageFirst(), 10);
    QCOMPARE(type(m, "1"), u"w"_s);
    QCOMPARE(world.inserted, QStringList{u"12"_s});
    QCOMPARE(type(m, "0"), u"p"_s);      // the list is gone: digits reach the target again
}

void tst_HintStateMachine::search_databaseError_resetsAndHides()
{
    FakeActions world;
    world.table = QStringList{u"print("_s};
    HintStateMachine m(world);
    m.setHintsOn(true);
    type(m, "pr");
    world.table.clear(); // the search now yields nothing, as a failing statement does
    type(m, "i");
    QVERIFY(!m.listShown());
    QVERIFY(!world.windowShown);
    QCOMPARE(m.typedPrefix(), QString());
    QCOMPARE(world.shownChanges, (QList<bool>{true, false}));
}

void tst_HintStateMachine::tracking_placesWindowBesideCaret_data()
{
    QTest::addColumn<bool>("tracking");
    QTest::addColumn<std::optional<CaretSpot>>("caret");
    QTest::addColumn<QList<QPoint>>("moves");

    const CaretSpot spot{QPoint(30, 40), QPoint(100, 200)};
    QTest::newRow("caret + client origin + (10, 20)") << true << std::optional(spot)
                                                      << QList<QPoint>{QPoint(140, 260)};
    QTest::newRow("tracking off") << false << std::optional(spot) << QList<QPoint>();
    QTest::newRow("caret x 0 stays") << true << std::optional(CaretSpot{QPoint(0, 40), QPoint(100, 200)})
                                     << QList<QPoint>();
    QTest::newRow("caret y 0 stays") << true << std::optional(CaretSpot{QPoint(30, 0), QPoint(100, 200)})
                                     << QList<QPoint>();
    QTest::newRow("no caret known") << true << std::optional<CaretSpot>() << QList<QPoint>();
}

void tst_HintStateMachine::tracking_placesWindowBesideCaret()
{
    QFETCH(bool, tracking);
    QFETCH(std::optional<CaretSpot>, caret);
    QFETCH(QList<QPoint>, moves);
    FakeActions world;
    world.table = QStringList{u"print("_s};
    world.tracking = tracking;
    world.caret = caret;
    HintStateMachine m(world);
    m.setHintsOn(true);
    type(m, "p");
    QCOMPARE(world.moves, moves);
    QVERIFY(world.windowShown);
}

void tst_HintStateMachine::page_linesNumberedAndColoured()
{
    const QList<HintLine> lines = hintPageLines(numbered(12), 0);
    QCOMPARE(lines.size(), 10);
    for (int k = 0; k < 10; ++k) {
        QCOMPARE(lines[k].text, QString::number(k) + u".pr"_s + QStringLiteral("%1").arg(k + 1, 2, 10, QLatin1Char('0')));
        QCOMPARE(lines[k].position, QPoint(0, 16 * k));
        QCOMPARE(lines[k].colour, k == 0 ? 0x0000FFu : 0x808000u);
    }
    const QList<HintLine> last = hintPageLines(numbered(12), 10);
    QCOMPARE(last.size(), 2);
    QCOMPARE(last[0].text, u"0.pr11"_s);
    QCOMPARE(last[0].colour, 0x0000FFu);
    QVERIFY(hintPageLines(numbered(12), 12).isEmpty());
}

void tst_HintStateMachine::hitRects_clickChoosesUpperLineOnSharedEdge_data()
{
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<QString>("inserted"); // empty: nothing chosen, the window is dragged

    // Two lines "print(" and "private": rectangles (1,1)-(72,17) and (1,17)-(84,33).
    QTest::newRow("inside the first line") << QPoint(5, 8) << u"nt("_s;
    QTest::newRow("shared edge y 17: the upper line") << QPoint(5, 17) << u"nt("_s;
    QTest::newRow("just below the edge: the lower line") << QPoint(5, 18) << u"vate"_s;
    QTest::newRow("left edge included") << QPoint(1, 1) << u"nt("_s;
    QTest::newRow("left of the lines") << QPoint(0, 8) << QString();
    QTest::newRow("right edge of the first line included") << QPoint(72, 8) << u"nt("_s;
    QTest::newRow("past the first line's text") << QPoint(73, 8) << QString();
    QTest::newRow("below the drawn lines") << QPoint(5, 40) << QString();
}

void tst_HintStateMachine::hitRects_clickChoosesUpperLineOnSharedEdge()
{
    QFETCH(QPoint, point);
    QFETCH(QString, inserted);
    FakeActions world;
    world.table = QStringList{u"print("_s, u"private"_s};
    HintStateMachine m(world);
    m.setHintsOn(true);
    type(m, "pri");
    QCOMPARE(m.overLine(point), !inserted.isEmpty());
    QCOMPARE(m.pointerPressed(point), !inserted.isEmpty());
    QCOMPARE(world.inserted, inserted.isEmpty() ? QStringList() : QStringList{inserted});
}

void tst_HintStateMachine::hitRects_rightEdgeFollowsGbkBytes()
{
    FakeActions world;
    world.table = QStringList{u"p打印"_s, u"pr"_s};
    HintStateMachine m(world);
    m.setHintsOn(true);
    type(m, "p");
    QCOMPARE(m.hitRects().rect(1).right(), 12 * 5);  // 1 + 2 × 2 GBK bytes
    QCOMPARE(m.hitRects().rect(2).right(), 12 * 2);
    QCOMPARE(m.hitRects().rect(3).right(), 150);      // untouched lines keep the panel width − 10
    m.hitRects().reset(160);                          // a double click redraws the outlines
    QCOMPARE(m.hitRects().rect(1), QRect(QPoint(1, 1), QPoint(150, 17)));
    QCOMPARE(m.hitRects().rect(10), QRect(QPoint(1, 145), QPoint(150, 161)));
}

QTEST_APPLESS_MAIN(tst_HintStateMachine)
#include "tst_hintstatemachine.moc"
