// SPDX-License-Identifier: GPL-3.0-or-later
// The edge docking rules on a recorded fake window: thresholds, the exact animation steps,
// the timer, the left button, restore after a drag, re-entry during an animation and steps of
// 0 or less.
#include "app/appcontext.h"
#include "app/edgebehaviour.h"

#include <QStringList>
#include <QTest>

#include <functional>

using namespace Qb::App;
using namespace Qt::StringLiterals;

namespace {

constexpr int SW = 1280;

QString rectText(const QRect &r)
{
    return u"%1,%2 %3x%4"_s.arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

// Records every change the rules make, in order: a rectangle as "x,y wxh", "delay", "frameless",
// "framed", "timer on" / "timer off", "front", "top on" / "top off".
class FakeWindow : public EdgeWindow
{
public:
    QRect rect;
    bool isMinimised = false;
    bool frameless = false;
    bool timer = true;
    QPoint pointer{640, 1010};
    bool button = false;
    bool alive = true;
    QSize border{0, 0}; // what the normal border adds to the client size
    std::function<void()> duringDelay;
    QStringList log;

    QRect outerRect() const override { return rect; }
    void setOuterRect(const QRect &r) override { rect = r; log << rectText(r); }
    bool minimised() const override { return isMinimised; }
    bool borderNone() const override { return frameless; }
    void setBorderNone(bool none) override { frameless = none; log << (none ? u"frameless"_s : u"framed"_s); }
    bool timerRunning() const override { return timer; }
    void setTimerRunning(bool on) override { timer = on; log << (on ? u"timer on"_s : u"timer off"_s); }
    QPoint pointerPosition() const override { return pointer; }
    bool leftButtonDown() const override { return button; }
    int screenWidth() const override { return SW; }
    QSize normalBorderSize() const override { return border; }
    void bringToForeground() override { log << u"front"_s; }
    void setAlwaysOnTop(bool on) override { log << (on ? u"top on"_s : u"top off"_s); }
    bool delay(int ms) override
    {
        log << (ms == 10 ? u"delay"_s : u"delay %1"_s.arg(ms));
        if (duringDelay)
            duringDelay();
        return alive;
    }
};

// A fake window with its rules; the timer ticks only while it runs, as the real one does.
struct Edge
{
    AppContext context;
    FakeWindow window;
    EdgeBehaviour behaviour{context, window};

    explicit Edge(QRect rect, int step = 100, int normalWidth = 800, int normalHeight = 700)
    {
        context.ShrinkStepX = step;
        context.ShrinkStepY = step * 3;
        context.NormalWidth = normalWidth;
        context.NormalHeight = normalHeight;
        window.rect = rect;
    }
    void tick()
    {
        if (window.timer)
            behaviour.OnShrinkTimer();
    }
    // A strip as a shrink leaves it: no border, timer stopped.
    void makeStrip(QRect strip)
    {
        window.rect = strip;
        window.frameless = true;
        window.timer = false;
    }
};

// Steps written as rectangles each followed by a delay.
QStringList stepped(const QList<QRect> &rects)
{
    QStringList out;
    for (const QRect &r : rects)
        out << rectText(r) << u"delay"_s;
    return out;
}

const QStringList ExpandEnd = {u"framed"_s, u"top on"_s, u"top off"_s};

} // namespace

class tst_EdgeBehaviour : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void shrink_steps_data();
    void shrink_steps();
    void shrink_thresholds_data();
    void shrink_thresholds();
    void shrink_pointerOnEdgeCountsAsInside();
    void shrink_notWhileLeftButtonWasHeldInside();
    void minimised_stopsTimerUntilPointerPassesAtAnEdge();
    void expand_steps_data();
    void expand_steps();
    void expand_notAStrip_data();
    void expand_notAStrip();
    void expand_fromTrayLeavesTimerStopped();
    void cycle_leftEdgeShrinksAndExpandsBack();
    void expand_endsAtNormalOuterSize();
    void moved_restore_data();
    void moved_restore();
    void moved_ownPositionsAreNotADrag();
    void settling_untilNormalSizeReported_data();
    void settling_untilNormalSizeReported();
    void reentry_ignoredWhileAnimating();
    void windowGone_animationStops();
};

void tst_EdgeBehaviour::shrink_steps_data()
{
    QTest::addColumn<QRect>("start");
    QTest::addColumn<int>("step");
    QTest::addColumn<QStringList>("expected");

    const QStringList leftStart = {u"frameless"_s, u"0,100 800x700"_s};
    QList<QRect> leftSteps;
    for (int w = 700; w >= 100; w -= 100)
        leftSteps << QRect(0, 100, w, 700);
    QTest::newRow("left = 3, step 100")
        << QRect(3, 100, 800, 700) << 100
        << leftStart + stepped(leftSteps) + QStringList{u"0,100 2x700"_s, u"timer off"_s};
    QTest::newRow("left = 3, step 7: the last step reaches 2 exactly")
        << QRect(3, 100, 30, 700) << 7
        << QStringList{u"frameless"_s, u"0,100 30x700"_s}
               + stepped({{0, 100, 23, 700}, {0, 100, 16, 700}, {0, 100, 9, 700}, {0, 100, 2, 700}})
               + QStringList{u"timer off"_s};

    QList<QRect> rightSteps;
    for (int k = 1; k <= 7; ++k)
        rightSteps << QRect(476 + 100 * k, 100, 800 - 100 * k, 700);
    rightSteps << QRect(1276, 100, 3, 700); // 100 - 100 is below 2: 3
    QTest::newRow("right edge at SW - 4, step 100")
        << QRect(476, 100, 800, 700) << 100
        << QStringList{u"frameless"_s} + stepped(rightSteps) + QStringList{u"1278,100 2x700"_s, u"timer off"_s};
    QTest::newRow("right edge at SW - 4, step 7")
        << QRect(1250, 100, 26, 700) << 7
        << QStringList{u"frameless"_s}
               + stepped({{1257, 100, 19, 700}, {1264, 100, 12, 700}, {1271, 100, 5, 700}, {1278, 100, 3, 700}})
               + QStringList{u"1278,100 2x700"_s, u"timer off"_s};

    QTest::newRow("top = 4, left = 200, step 100: vertical steps of 300")
        << QRect(200, 4, 800, 700) << 100
        << QStringList{u"frameless"_s, u"200,0 800x700"_s}
               + stepped({{200, 0, 800, 400}, {200, 0, 800, 100}})
               + QStringList{u"200,0 800x2"_s, u"timer off"_s};
    QTest::newRow("top = 4, step 7: vertical steps of 21")
        << QRect(200, 4, 800, 50) << 7
        << QStringList{u"frameless"_s, u"200,0 800x50"_s}
               + stepped({{200, 0, 800, 29}, {200, 0, 800, 8}})
               + QStringList{u"200,0 800x2"_s, u"timer off"_s};

    for (int step : {0, -5}) {
        const QByteArray suffix = ", step " + QByteArray::number(step) + ": at once";
        QTest::newRow(QByteArray("left" + suffix).constData())
            << QRect(3, 100, 800, 700) << step
            << QStringList{u"frameless"_s, u"0,100 800x700"_s, u"0,100 2x700"_s, u"timer off"_s};
        QTest::newRow(QByteArray("right" + suffix).constData())
            << QRect(476, 100, 800, 700) << step
            << QStringList{u"frameless"_s, u"1278,100 2x700"_s, u"timer off"_s};
        QTest::newRow(QByteArray("top" + suffix).constData())
            << QRect(200, 4, 800, 700) << step
            << QStringList{u"frameless"_s, u"200,0 800x700"_s, u"200,0 800x2"_s, u"timer off"_s};
    }
    QTest::newRow("a step beyond the screen: straight to the strip")
        << QRect(476, 100, 800, 700) << std::numeric_limits<int>::max()
        << QStringList{u"frameless"_s, u"1278,100 2x700"_s, u"timer off"_s};
}

void tst_EdgeBehaviour::shrink_steps()
{
    QFETCH(QRect, start);
    QFETCH(int, step);
    Edge e(start, step);
    e.context.ShrinkStepY = step == std::numeric_limits<int>::max() ? step : step * 3;
    e.tick();
    QTEST(e.window.log, "expected");
    QVERIFY(e.window.frameless);
    QVERIFY(!e.behaviour.animating());
    e.tick(); // the timer is stopped: a shrunk window stays shrunk
    QTEST(e.window.log, "expected");
}

void tst_EdgeBehaviour::shrink_thresholds_data()
{
    QTest::addColumn<QRect>("start");
    QTest::addColumn<QRect>("strip"); // null: nothing happens and the timer keeps running

    QTest::newRow("right at SW - 4 docks right") << QRect(976, 100, 300, 300) << QRect(1278, 100, 2, 300);
    QTest::newRow("right at SW - 5 stays") << QRect(975, 100, 300, 300) << QRect();
    QTest::newRow("left 4 docks left") << QRect(4, 100, 300, 300) << QRect(0, 100, 2, 300);
    QTest::newRow("left 5 stays") << QRect(5, 100, 300, 300) << QRect();
    QTest::newRow("left below 0 docks left") << QRect(-40, 100, 300, 300) << QRect(0, 100, 2, 300);
    QTest::newRow("top 4 docks up") << QRect(200, 4, 300, 300) << QRect(200, 0, 300, 2);
    QTest::newRow("top 5 stays") << QRect(200, 5, 300, 300) << QRect();
    QTest::newRow("right before left") << QRect(0, 100, 1300, 300) << QRect(1278, 100, 2, 300);
    QTest::newRow("left before top") << QRect(3, 3, 300, 300) << QRect(0, 3, 2, 300);
    QTest::newRow("no bottom edge") << QRect(200, 700, 300, 324) << QRect();
}

void tst_EdgeBehaviour::shrink_thresholds()
{
    QFETCH(QRect, start);
    QFETCH(QRect, strip);
    Edge e(start);
    e.tick();
    if (strip.isNull()) {
        QVERIFY(e.window.log.isEmpty());
        QCOMPARE(e.window.rect, start);
        QVERIFY(e.window.timer);
    } else {
        QCOMPARE(e.window.rect, strip);
        QVERIFY(e.window.frameless);
        QVERIFY(!e.window.timer);
    }
}

void tst_EdgeBehaviour::shrink_pointerOnEdgeCountsAsInside()
{
    Edge e(QRect(3, 100, 300, 300));
    e.window.pointer = QPoint(303, 400); // right = 303, bottom = 400
    e.tick();
    QVERIFY(e.window.log.isEmpty());
    e.window.pointer = QPoint(3, 100);
    e.tick();
    QVERIFY(e.window.log.isEmpty());
    e.window.pointer = QPoint(304, 400);
    e.tick();
    QCOMPARE(e.window.rect, QRect(0, 100, 2, 300));
}

void tst_EdgeBehaviour::shrink_notWhileLeftButtonWasHeldInside()
{
    Edge e(QRect(3, 100, 300, 300));
    const QPoint inside(100, 200), outside(900, 200);
    e.window.pointer = inside;
    e.window.button = true;
    e.tick();
    QVERIFY(e.context.LeftButtonHeld);
    e.window.pointer = outside; // dragged out with the button down
    e.tick();
    e.window.button = false;    // released outside: no inside reading has seen it yet
    e.tick();
    QVERIFY(e.window.log.isEmpty());
    e.window.pointer = inside;
    e.tick();
    QVERIFY(!e.context.LeftButtonHeld);
    e.window.pointer = outside;
    e.tick();
    QCOMPARE(e.window.rect, QRect(0, 100, 2, 300));
}

void tst_EdgeBehaviour::minimised_stopsTimerUntilPointerPassesAtAnEdge()
{
    Edge e(QRect(3, 100, 300, 300));
    e.window.isMinimised = true;
    e.tick();
    QCOMPARE(e.window.log, QStringList{u"timer off"_s});
    e.window.isMinimised = false;
    e.tick(); // the timer no longer ticks
    e.behaviour.ExpandFromEdge(false); // at left = 3: not exactly at an edge
    QCOMPARE(e.window.log, QStringList{u"timer off"_s});
    e.window.rect.moveLeft(0);
    e.behaviour.ExpandFromEdge(false);
    QCOMPARE(e.window.log.last(), u"timer on"_s);
    e.tick();
    QCOMPARE(e.window.rect, QRect(0, 100, 2, 300));
}

void tst_EdgeBehaviour::expand_steps_data()
{
    QTest::addColumn<QRect>("strip");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("normalWidth");
    QTest::addColumn<QStringList>("expected");

    QList<QRect> leftSteps;
    for (int w = 102; w < 800; w += 100)
        leftSteps << QRect(0, 100, w, 700);
    QTest::newRow("left strip, step 100")
        << QRect(0, 100, 2, 700) << 100 << 800
        << QStringList{u"front"_s} + stepped(leftSteps) + QStringList{u"0,100 800x700"_s} + ExpandEnd
               + QStringList{u"timer on"_s};
    QTest::newRow("left strip, step 7")
        << QRect(0, 100, 2, 700) << 7 << 30
        << QStringList{u"front"_s} + stepped({{0, 100, 9, 700}, {0, 100, 16, 700}, {0, 100, 23, 700}})
               + QStringList{u"0,100 30x700"_s} + ExpandEnd + QStringList{u"timer on"_s};

    QList<QRect> rightSteps;
    for (int k = 1; k <= 7; ++k)
        rightSteps << QRect(1277 - 100 * k, 100, 2 + 100 * k, 700);
    QTest::newRow("right strip, step 100")
        << QRect(1278, 100, 2, 700) << 100 << 800
        << QStringList{u"front"_s, u"1277,100 2x700"_s} + stepped(rightSteps)
               + QStringList{u"480,100 800x700"_s} + ExpandEnd + QStringList{u"timer on"_s};
    QTest::newRow("right strip, step 7")
        << QRect(1278, 100, 2, 700) << 7 << 30
        << QStringList{u"front"_s, u"1277,100 2x700"_s}
               + stepped({{1270, 100, 9, 700}, {1263, 100, 16, 700}, {1256, 100, 23, 700}})
               + QStringList{u"1250,100 30x700"_s} + ExpandEnd + QStringList{u"timer on"_s};

    QTest::newRow("right strip, a step lands on SW - NormalWidth: it is the end")
        << QRect(1278, 100, 2, 700) << 100 << 303
        << QStringList{u"front"_s, u"1277,100 2x700"_s}
               + stepped({{1177, 100, 102, 700}, {1077, 100, 202, 700}})
               + QStringList{u"977,100 303x700"_s} + ExpandEnd + QStringList{u"timer on"_s};
    QTest::newRow("left strip, a step lands on NormalWidth: it is the end")
        << QRect(0, 100, 2, 700) << 100 << 202
        << QStringList{u"front"_s} + stepped({{0, 100, 102, 700}}) + QStringList{u"0,100 202x700"_s} + ExpandEnd
               + QStringList{u"timer on"_s};
    QTest::newRow("top strip, step 100: vertical steps of 300")
        << QRect(200, 0, 800, 2) << 100 << 800
        << QStringList{u"front"_s} + stepped({{200, 0, 800, 302}, {200, 0, 800, 602}})
               + QStringList{u"200,0 800x700"_s} + ExpandEnd + QStringList{u"timer on"_s};

    for (int step : {0, -5}) {
        const QByteArray suffix = ", step " + QByteArray::number(step) + ": at once";
        QTest::newRow(QByteArray("left" + suffix).constData())
            << QRect(0, 100, 2, 700) << step << 800
            << QStringList{u"front"_s, u"0,100 800x700"_s} + ExpandEnd + QStringList{u"timer on"_s};
        QTest::newRow(QByteArray("right" + suffix).constData())
            << QRect(1278, 100, 2, 700) << step << 800
            << QStringList{u"front"_s, u"1277,100 2x700"_s, u"480,100 800x700"_s} + ExpandEnd
                   + QStringList{u"timer on"_s};
        QTest::newRow(QByteArray("top" + suffix).constData())
            << QRect(200, 0, 800, 2) << step << 800
            << QStringList{u"front"_s, u"200,0 800x700"_s} + ExpandEnd + QStringList{u"timer on"_s};
    }
}

void tst_EdgeBehaviour::expand_steps()
{
    QFETCH(QRect, strip);
    QFETCH(int, step);
    QFETCH(int, normalWidth);
    Edge e(QRect(), step, normalWidth);
    e.makeStrip(strip);
    e.behaviour.ExpandFromEdge(false);
    QTEST(e.window.log, "expected");
    QVERIFY(!e.window.frameless);
}

void tst_EdgeBehaviour::expand_notAStrip_data()
{
    QTest::addColumn<QRect>("start");
    QTest::addColumn<QStringList>("expected"); // the timer was stopped

    QTest::newRow("left below 0 is moved to 0") << QRect(-20, 100, 800, 700)
                                                << QStringList{u"0,100 800x700"_s, u"timer on"_s};
    QTest::newRow("left = 0") << QRect(0, 100, 800, 700) << QStringList{u"timer on"_s};
    QTest::newRow("reaching the right edge") << QRect(600, 100, 800, 700) << QStringList{u"timer on"_s};
    QTest::newRow("top = 0") << QRect(200, 0, 800, 700) << QStringList{u"timer on"_s};
    QTest::newRow("top = 1: nothing at all") << QRect(200, 1, 800, 700) << QStringList();
    QTest::newRow("left = 3: nothing at all") << QRect(3, 100, 800, 700) << QStringList();
    QTest::newRow("right edge at SW - 1: nothing at all") << QRect(479, 100, 800, 700) << QStringList();
}

void tst_EdgeBehaviour::expand_notAStrip()
{
    QFETCH(QRect, start);
    Edge e(start);
    e.window.timer = false;
    e.behaviour.ExpandFromEdge(false);
    QTEST(e.window.log, "expected");
}

void tst_EdgeBehaviour::expand_fromTrayLeavesTimerStopped()
{
    Edge e{QRect()};
    e.makeStrip(QRect(0, 100, 2, 700));
    e.behaviour.ExpandFromEdge(true);
    QCOMPARE(e.window.rect, QRect(0, 100, 800, 700));
    QVERIFY(!e.window.frameless);
    QVERIFY(!e.window.timer);
    QVERIFY(!e.window.log.contains(u"timer on"_s));
    e.window.pointer = QPoint(900, 300);
    e.tick(); // stays open: no tick runs
    QCOMPARE(e.window.rect, QRect(0, 100, 800, 700));
    e.behaviour.ExpandFromEdge(false); // the pointer passes over it once
    QVERIFY(e.window.timer);
    e.tick();
    QCOMPARE(e.window.rect, QRect(0, 100, 2, 700));
}

void tst_EdgeBehaviour::cycle_leftEdgeShrinksAndExpandsBack()
{
    Edge e(QRect(3, 100, 800, 700));
    e.tick();
    QCOMPARE(e.window.rect, QRect(0, 100, 2, 700));
    e.window.log.clear();
    e.window.pointer = QPoint(1, 300);
    e.behaviour.ExpandFromEdge(false);
    QCOMPARE(e.window.rect, QRect(0, 100, 800, 700));
    QVERIFY(!e.window.frameless);
    QVERIFY(e.window.timer);
    // With 窗口总在最前 on or off, the window is left not on top after the expand.
    QCOMPARE(e.window.log.mid(e.window.log.size() - 4), ExpandEnd + QStringList{u"timer on"_s});
}

void tst_EdgeBehaviour::expand_endsAtNormalOuterSize()
{
    // Under a window manager the frame adds 2 x 25 to the client's 800 x 700: the window comes
    // back at 802 x 725, so that with its border the client has its stored size again.
    const struct { QRect strip; QRect expanded; } cases[] = {
        {{0, 100, 2, 725}, {0, 100, 802, 725}},
        {{1278, 100, 2, 725}, {478, 100, 802, 725}},
        {{200, 0, 802, 2}, {200, 0, 802, 725}},
    };
    for (const auto &c : cases) {
        Edge e{QRect()};
        e.window.border = QSize(2, 25);
        e.makeStrip(c.strip);
        e.behaviour.ExpandFromEdge(false);
        QCOMPARE(e.window.rect, c.expanded);
    }
    Edge e{QRect()};
    e.window.border = QSize(2, 25);
    e.makeStrip(QRect(300, 100, 2, 725));
    e.behaviour.OnMainWindowMoved();
    QCOMPARE(e.window.rect, QRect(300, 100, 802, 725));
}

void tst_EdgeBehaviour::moved_restore_data()
{
    QTest::addColumn<QRect>("moved");   // where the strip (or window) now is
    QTest::addColumn<bool>("shrunk");
    QTest::addColumn<bool>("minimised");
    QTest::addColumn<QRect>("restored"); // null: nothing happens

    QTest::newRow("left strip dragged right") << QRect(300, 100, 2, 700) << true << false
                                              << QRect(300, 100, 800, 700);
    QTest::newRow("left strip dragged along the edge") << QRect(0, 200, 2, 700) << true << false << QRect();
    QTest::newRow("right strip dragged down") << QRect(1278, 200, 2, 700) << true << false << QRect();
    QTest::newRow("right strip, right = SW - 3") << QRect(1275, 200, 2, 700) << true << false << QRect();
    QTest::newRow("right strip, right = SW - 4") << QRect(1274, 200, 2, 700) << true << false
                                                 << QRect(1274, 200, 800, 700);
    QTest::newRow("dragged to top 2") << QRect(0, 2, 2, 700) << true << false << QRect(0, 2, 800, 700);
    QTest::newRow("dragged to top 3 at the left edge") << QRect(0, 3, 2, 700) << true << false << QRect();
    QTest::newRow("top strip dragged sideways") << QRect(300, 0, 800, 2) << true << false
                                                << QRect(300, 0, 800, 700);
    QTest::newRow("9 pixels wide counts as shrunk") << QRect(300, 100, 9, 700) << false << false
                                                    << QRect(300, 100, 800, 700);
    QTest::newRow("10 by 10 does not") << QRect(300, 100, 10, 10) << false << false << QRect();
    QTest::newRow("minimised") << QRect(300, 100, 2, 700) << true << true << QRect();
}

void tst_EdgeBehaviour::moved_restore()
{
    QFETCH(QRect, moved);
    QFETCH(bool, shrunk);
    QFETCH(bool, minimised);
    QFETCH(QRect, restored);
    Edge e(moved);
    e.window.frameless = shrunk;
    e.window.timer = false;
    e.window.isMinimised = minimised;
    e.behaviour.OnMainWindowMoved();
    if (restored.isNull()) {
        QVERIFY(e.window.log.isEmpty());
        return;
    }
    QStringList expected{rectText(restored)};
    if (shrunk)
        expected << u"framed"_s;
    expected << u"timer on"_s;
    QCOMPARE(e.window.log, expected);
}

void tst_EdgeBehaviour::moved_ownPositionsAreNotADrag()
{
    // In the top-right corner every move of the strip is at top < 3, which restores a strip; the
    // window system reports the animation's moves late, and they must not undo the shrink.
    Edge e(QRect(1000, 0, 276, 300));
    e.tick();
    QCOMPARE(e.window.rect, QRect(1278, 0, 2, 300));
    const QStringList afterShrink = e.window.log;
    e.behaviour.OnMainWindowMoved();
    e.window.rect = QRect(1200, 0, 2, 300); // an intermediate position reported after the end
    e.behaviour.OnMainWindowMoved();
    QCOMPARE(e.window.log, afterShrink);
    e.window.rect = QRect(1278, 1, 2, 300); // a real drag
    e.behaviour.OnMainWindowMoved();
    QCOMPARE(e.window.rect, QRect(1278, 1, 800, 700));
    QVERIFY(!e.window.frameless);
}

void tst_EdgeBehaviour::reentry_ignoredWhileAnimating()
{
    Edge clean(QRect(3, 100, 800, 700));
    clean.tick();
    clean.window.pointer = QPoint(1, 300);
    clean.behaviour.ExpandFromEdge(false);

    Edge e(QRect(3, 100, 800, 700));
    int nested = 0;
    e.window.duringDelay = [&] {
        ++nested;
        QVERIFY(e.behaviour.animating());
        e.behaviour.OnShrinkTimer();
        e.behaviour.ExpandFromEdge(false);
        e.behaviour.ExpandFromEdge(true);
        e.behaviour.OnMainWindowMoved();
    };
    e.tick();
    e.window.pointer = QPoint(1, 300);
    e.behaviour.ExpandFromEdge(false);
    QVERIFY(nested > 0);
    QCOMPARE(e.window.log, clean.window.log);
}

void tst_EdgeBehaviour::windowGone_animationStops()
{
    Edge e(QRect(3, 100, 800, 700));
    int delays = 0;
    e.window.duringDelay = [&] {
        if (++delays == 2)
            e.window.alive = false;
    };
    e.tick();
    QCOMPARE(e.window.log, QStringList({u"frameless"_s, u"0,100 800x700"_s, u"0,100 700x700"_s, u"delay"_s,
                                        u"0,100 600x700"_s, u"delay"_s}));
    QVERIFY(!e.behaviour.animating());
}

void tst_EdgeBehaviour::settling_untilNormalSizeReported_data()
{
    QTest::addColumn<bool>("restore"); // the strip is dragged away instead of expanded
    QTest::addColumn<QList<QSize>>("reports");
    QTest::addColumn<QList<bool>>("settlingAfter");

    // The client is 800 x 700 with a 2 x 25 frame; borderless, the animation set 802 x 725 and
    // the steps between it and the strip.
    QTest::newRow("borderless size reported late, then the normal size")
        << false << QList<QSize>{{802, 725}, {800, 700}} << QList<bool>{true, false};
    QTest::newRow("an animation step reported late")
        << false << QList<QSize>{{502, 725}, {802, 725}, {800, 700}} << QList<bool>{true, true, false};
    QTest::newRow("a size of the window manager's own ends it")
        << false << QList<QSize>{{790, 690}} << QList<bool>{false};
    QTest::newRow("restore after a drag") << true << QList<QSize>{{802, 725}, {800, 700}} << QList<bool>{true, false};
}

void tst_EdgeBehaviour::settling_untilNormalSizeReported()
{
    QFETCH(bool, restore);
    QFETCH(QList<QSize>, reports);
    QFETCH(QList<bool>, settlingAfter);
    Edge e(QRect(3, 100, 802, 725));
    e.window.border = QSize(2, 25);
    e.behaviour.clientSizeReported(QSize(800, 700));
    e.tick();
    QCOMPARE(e.window.rect, QRect(0, 100, 2, 725));
    QVERIFY(!e.behaviour.settling()); // shrunk: nothing is stored anyway
    if (restore) {
        e.window.rect.moveTo(300, 150);
        e.behaviour.OnMainWindowMoved();
    } else {
        e.behaviour.ExpandFromEdge(false);
    }
    QCOMPARE(e.window.rect.size(), QSize(802, 725));
    QVERIFY(e.behaviour.settling());
    for (qsizetype i = 0; i < reports.size(); ++i) {
        const bool ended = e.behaviour.clientSizeReported(reports[i]);
        QCOMPARE(e.behaviour.settling(), settlingAfter[i]);
        QCOMPARE(ended, !settlingAfter[i]);
    }
    // Settled, a later report of an animation size is the user's own resize.
    QVERIFY(!e.behaviour.clientSizeReported(QSize(802, 725)));
    QVERIFY(!e.behaviour.settling());
}

QTEST_GUILESS_MAIN(tst_EdgeBehaviour)
#include "tst_edgebehaviour.moc"
