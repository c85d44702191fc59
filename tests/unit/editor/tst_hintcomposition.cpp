// SPDX-License-Identifier: GPL-3.0-or-later
// The command hints beside input methods and another program's caret, without a display: the
// state machine's composing rules, which reports count as composing, the composing flag's
// sources (the editor's input-method events, the services while another program is the target),
// and placing the list at a caret that the accessibility service reports in time, beside the
// pointer when it does not.
#include "editor/foreigncaret.h"
#include "editor/hintcomposition.h"
#include "editor/hintstatemachine.h"
#include "support/fakeplatform.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTest>

using namespace Qb::Editor;
using namespace Qt::StringLiterals;
using Qb::Platform::InputMethodReport;
using Key = HintKeyPress::Key;

Q_DECLARE_METATYPE(Qb::Platform::InputMethodReport)

namespace {

class Actions : public HintActions
{
public:
    QStringList searches;
    bool shown = false;
    QStringList searchHints(const QString &prefix) override
    {
        searches << prefix;
        return QStringList{u"print("_s, u"private"_s}.filter(QRegularExpression(u"^"_s + prefix,
                                                                             QRegularExpression::CaseInsensitiveOption));
    }
    bool cursorTracking() const override { return false; }
    std::optional<CaretSpot> targetCaret() override { return std::nullopt; }
    void moveHintWindow(QPoint) override {}
    void showHintWindow() override { shown = true; }
    void hideHintWindow() override { shown = false; }
    void drawHintPage(const QList<HintLine> &) override {}
    void insertText(const QString &) override {}
    void listShownChanged(bool) override {}
};

// Letters and digits typed; '+' composing starts, '-' it ends. Returns the verdicts of the keys
// ('p' passed on, 'w' withheld).
QString type(HintStateMachine &m, const QByteArray &keys)
{
    QString verdicts;
    for (char c : keys) {
        if (c == '+' || c == '-') {
            m.setComposing(c == '+');
            continue;
        }
        const HintKeyPress press = c >= '0' && c <= '9' ? HintKeyPress{Key::Digit, 0, c - '0'}
                                                        : HintKeyPress{Key::Letter, char(c - 'a' + 'A')};
        verdicts += m.keyPressed(press) == KeyVerdict::Withhold ? u'w' : u'p';
    }
    return verdicts;
}

// A list placement as the hint controller makes it: the window already beside the pointer.
struct Placement
{
    Qb::Test::FakeCaretLocator locator;
    QList<QPoint> moves;
    int shows = 0;
    ForeignCaret caret{locator, [this](QPoint p) { moves << p; }, [this] { ++shows; }};

    Placement() { caret.setWanted(true); }
    void search()
    {
        caret.locate(0x2a00007);
        caret.show();
    }
};

} // namespace

class tst_HintComposition : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void composing_lettersFeedNothingShownListHides_data();
    void composing_lettersFeedNothingShownListHides();
    void report_whatComposes_data();
    void report_whatComposes();
    void sources_editorPreeditOrServicesByTarget();
    void caret_answerInTimePlacesAtCaret();
    void caret_noAnswerShowsBesidePointerAfterWait();
    void caret_followsMovesDropsStaleAndHidden();
    void caret_connectedOnlyWhileWanted();
};

void tst_HintComposition::composing_lettersFeedNothingShownListHides_data()
{
    QTest::addColumn<QByteArray>("keys");
    QTest::addColumn<QString>("verdicts");
    QTest::addColumn<QStringList>("searches");
    QTest::addColumn<bool>("shown");

    QTest::newRow("not composing") << "pri1"_ba << u"pppw"_s << QStringList{u"P"_s, u"PR"_s, u"PRI"_s} << false;
    QTest::newRow("composing: no list, digit passes") << "+pri1"_ba << u"pppp"_s << QStringList{} << false;
    QTest::newRow("shown list hides when composing starts, digit passes")
        << "pri+1"_ba << u"pppp"_s << QStringList{u"P"_s, u"PR"_s, u"PRI"_s} << false;
    QTest::newRow("letters while composing do not join the prefix")
        << "p+r-i"_ba << u"ppp"_s << QStringList{u"P"_s, u"I"_s} << false;
    QTest::newRow("composing ends: hints as before") << "+pr-pri"_ba << u"ppppp"_s
                                                     << QStringList{u"P"_s, u"PR"_s, u"PRI"_s} << true;
    QTest::newRow("composing again while composing keeps the list hidden")
        << "+p+r"_ba << u"pp"_s << QStringList{} << false;
}

void tst_HintComposition::composing_lettersFeedNothingShownListHides()
{
    QFETCH(QByteArray, keys);
    QFETCH(QString, verdicts);
    QFETCH(QStringList, searches);
    QFETCH(bool, shown);
    Actions actions;
    HintStateMachine machine(actions);
    machine.setHintsOn(true);
    QCOMPARE(type(machine, keys), verdicts);
    QCOMPARE(actions.searches, searches);
    QCOMPARE(machine.listShown(), shown);
    QCOMPARE(actions.shown, machine.listShown());
}

void tst_HintComposition::report_whatComposes_data()
{
    QTest::addColumn<InputMethodReport>("report");
    QTest::addColumn<bool>("composing");
    using R = InputMethodReport;
    QTest::newRow("no service") << R{} << false;
    QTest::newRow("fcitx5 active") << R{2, {}} << true;
    QTest::newRow("fcitx5 inactive") << R{1, {}} << false;
    QTest::newRow("fcitx5 without input context") << R{0, {}} << false;
    QTest::newRow("ibus keyboard layout") << R{{}, u"xkb:us::eng"_s} << false;
    QTest::newRow("ibus pinyin") << R{{}, u"pinyin"_s} << true;
    QTest::newRow("ibus libpinyin") << R{{}, u"libpinyin"_s} << true;
    QTest::newRow("ibus engine unknown") << R{{}, QString()} << false;
    QTest::newRow("ibus layout named like xkb inside") << R{{}, u"m17n:xkb:cn"_s} << true;
    QTest::newRow("fcitx5 inactive, ibus composing") << R{1, u"rime"_s} << true;
}

void tst_HintComposition::report_whatComposes()
{
    QFETCH(InputMethodReport, report);
    QFETCH(bool, composing);
    QCOMPARE(inputMethodComposing(report), composing);
}

void tst_HintComposition::sources_editorPreeditOrServicesByTarget()
{
    Qb::Test::FakeInputMethodMonitor monitor;
    Actions actions;
    HintStateMachine machine(actions);
    HintComposition composition(monitor, machine);

    // The program's editor: its preedit text decides; the services are not watched.
    composition.setTarget(false, false);
    QVERIFY(!monitor.isWatching);
    monitor.set({2, {}});
    QVERIFY(!machine.composing());
    composition.editorInputMethodEvent(true);
    QVERIFY(machine.composing());
    composition.editorInputMethodEvent(false);
    QVERIFY(!machine.composing());

    // Another program's window: the services' report, followed as it changes.
    composition.editorInputMethodEvent(true);
    composition.setTarget(true, true);
    QVERIFY(monitor.isWatching);
    QVERIFY(machine.composing());
    monitor.set({1, {}});
    QVERIFY(!machine.composing());
    monitor.set({1, u"pinyin"_s});
    QVERIFY(machine.composing());
    composition.foreignKeySeen();
    QCOMPARE(monitor.refreshes, 1);

    // Hints off for that window: nothing is watched, nothing composes, nothing is asked.
    composition.setTarget(true, false);
    QVERIFY(!monitor.isWatching);
    QVERIFY(!machine.composing());
    composition.foreignKeySeen();
    QCOMPARE(monitor.refreshes, 1);
}

void tst_HintComposition::caret_answerInTimePlacesAtCaret()
{
    Placement p;
    p.search();
    QCOMPARE(p.locator.requests.size(), 1u);
    QCOMPARE(p.locator.requests.back().second, Qb::Platform::WindowId(0x2a00007));
    QCOMPARE(p.shows, 0); // the list waits for the answer
    p.locator.answer(QPoint(300, 120));
    QCOMPARE(p.moves, QList<QPoint>{QPoint(310, 140)});
    QCOMPARE(p.shows, 1);
    QTest::qWait(ForeignCaret::AnswerWaitMs * 2);
    QCOMPARE(p.shows, 1); // shown once

    // A program that says it knows no caret: shown at once, beside the pointer.
    Placement unknown;
    unknown.search();
    unknown.locator.answerUnknown();
    QCOMPARE(unknown.shows, 1);
    QVERIFY(unknown.moves.isEmpty());
}

void tst_HintComposition::caret_noAnswerShowsBesidePointerAfterWait()
{
    Placement p;
    QElapsedTimer clock;
    clock.start();
    p.search();
    QVERIFY(QTest::qWaitFor([&] { return p.shows == 1; }, 2000));
    QVERIFY2(clock.elapsed() >= ForeignCaret::AnswerWaitMs - 5, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(p.moves.isEmpty());

    // Not yet on the bus (its address is still being asked): nothing to wait for.
    Placement early;
    early.locator.isConnected = false;
    early.search();
    QCOMPARE(early.shows, 1);
    QVERIFY(early.locator.requests.empty());
}

void tst_HintComposition::caret_followsMovesDropsStaleAndHidden()
{
    Placement p;
    p.search();
    p.locator.answer(QPoint(300, 120));
    // The program handles the letter after the key was seen: its caret moves and is followed,
    // also by an answer after the wait.
    p.locator.moveCaret();
    QCOMPARE(p.locator.requests.size(), 2u);
    QTest::qWait(ForeignCaret::AnswerWaitMs * 2);
    p.locator.answer(QPoint(308, 120));
    QCOMPARE(p.moves.last(), QPoint(318, 140));
    // An answer to an earlier question than the one applied is dropped.
    p.locator.moveCaret();
    p.locator.moveCaret();
    const quint64 older = p.locator.requests[2].first;
    emit p.locator.caretFound(p.locator.requests[3].first, QRect(316, 120, 8, 16));
    emit p.locator.caretFound(older, QRect(200, 50, 8, 16));
    QCOMPARE(p.moves.last(), QPoint(326, 140));
    QCOMPARE(p.shows, 1);

    // Hidden: nothing followed, a late answer moves nothing and shows nothing.
    p.locator.moveCaret();
    p.caret.cancel();
    p.locator.answer(QPoint(400, 400));
    p.locator.moveCaret();
    QCOMPARE(p.moves.last(), QPoint(326, 140));
    QCOMPARE(p.locator.requests.size(), 5u);
    QTest::qWait(ForeignCaret::AnswerWaitMs * 2);
    QCOMPARE(p.shows, 1);
}

void tst_HintComposition::caret_connectedOnlyWhileWanted()
{
    Qb::Test::FakeCaretLocator locator;
    int shows = 0;
    ForeignCaret caret(locator, [](QPoint) {}, [&] { ++shows; });
    QVERIFY(!locator.isConnected);
    caret.setWanted(true);
    QVERIFY(locator.isConnected);
    caret.setWanted(true);
    QCOMPARE(locator.connectionChanges, 1);
    caret.locate(7);
    caret.show();
    // Dropped while a list waits: the list is not shown by an answer that comes after.
    caret.setWanted(false);
    QVERIFY(!locator.isConnected);
    locator.answer(QPoint(50, 50));
    QTest::qWait(ForeignCaret::AnswerWaitMs * 2);
    QCOMPARE(shows, 0);
}

QTEST_GUILESS_MAIN(tst_HintComposition)
#include "tst_hintcomposition.moc"
