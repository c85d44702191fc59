// SPDX-License-Identifier: GPL-3.0-or-later
// The pre-order tree model, its shared helpers and the placement of category rows.
#include "library/categoryplacement.h"
#include "library/categorytree.h"
#include "library/clickgate.h"
#include "library/treerules.h"

#include "library_support.h"

#include <QTest>

#include <algorithm>
#include <deque>
#include <random>

using namespace Qb::Library;
using Qb::Test::renderTree;

namespace {

constexpr int Cat = TreeItems::CategoryImage;
constexpr int Cmd = TreeItems::CommandImage;

// A(1){ A1(3){ x }, y }, B(2)  ->  indices: A0 A1_1 x2 y3 B4
CategoryTree sample()
{
    CategoryTree t;
    const int a = t.append(-1, QStringLiteral("A"), Cat, 1);
    t.append(-1, QStringLiteral("B"), Cat, 2);
    const int a1 = t.append(a, QStringLiteral("A1"), Cat, 3);
    t.append(a, QStringLiteral("y #why"), Cmd, 0);
    t.append(a1, QStringLiteral("x"), Cmd, 0);
    return t;
}

using Rows = QList<std::tuple<const char *, int, int>>;

std::vector<CategoryEntry> entries(const Rows &rows)
{
    std::vector<CategoryEntry> out;
    for (const auto &[name, number, parent] : rows)
        out.push_back({QString::fromUtf8(name), number, parent});
    return out;
}

// Breadth-first from number 0 as the contract states it, for tables whose every parent chain
// reaches the top level: each queued number takes the unplaced entries naming it, in result order.
std::vector<CategoryPlacement> placedBreadthFirst(const std::vector<CategoryEntry> &entries)
{
    std::vector<CategoryPlacement> order;
    std::vector<bool> placed(entries.size(), false);
    std::deque<qint64> queue{0};
    while (!queue.empty()) {
        const qint64 current = queue.front();
        queue.pop_front();
        for (size_t i = 0; i < entries.size(); ++i) {
            if (placed[i] || entries[i].parent != current)
                continue;
            placed[i] = true;
            order.push_back({int(i), current});
            if (entries[i].number != 0)
                queue.push_back(entries[i].number);
        }
    }
    return order;
}

// Each entry of placeCategories' order appended under the first item in pre-order carrying its
// parent's number, as the contract of placedCategoryItems states it.
CategoryTree placedOneByOne(const std::vector<CategoryEntry> &entries)
{
    CategoryTree t;
    for (const CategoryPlacement &p : placeCategories(entries)) {
        const CategoryEntry &e = entries[size_t(p.entry)];
        const int parent = p.parentNumber == 0 ? -1 : FindItemByValue(t, p.parentNumber);
        t.append(parent, e.name, TreeItems::CategoryImage, e.number);
    }
    return t;
}

// Random category tables with shared numbers, missing parents, cycles and number 0.
std::vector<CategoryEntry> randomEntries(std::mt19937 &rnd)
{
    const int n = std::uniform_int_distribution<int>(1, 40)(rnd);
    std::uniform_int_distribution<int> number(0, n / 2 + 3);
    std::uniform_int_distribution<int> parent(0, n + 3);
    std::vector<CategoryEntry> out;
    for (int i = 0; i < n; ++i)
        out.push_back({QString::number(i), number(rnd), rnd() % 3 == 0 ? 0 : parent(rnd)});
    return out;
}

// A table whose parent chains all reach the top level (a parent is 0 or the number of an entry
// made before), with shared numbers, in shuffled result order.
std::vector<CategoryEntry> randomRootedEntries(std::mt19937 &rnd)
{
    const int n = std::uniform_int_distribution<int>(1, 40)(rnd);
    std::uniform_int_distribution<int> number(1, n / 2 + 3);
    std::vector<CategoryEntry> out;
    for (int i = 0; i < n; ++i) {
        const qint64 parent = i == 0 || rnd() % 3 == 0 ? 0 : out[rnd() % out.size()].number;
        out.push_back({QString::number(i), number(rnd), parent});
    }
    std::shuffle(out.begin(), out.end(), rnd);
    return out;
}

} // namespace

class tst_TreeRules : public QObject
{
    Q_OBJECT
private slots:
    void append_keepsPreOrderAndParents()
    {
        CategoryTree t = sample();
        QCOMPARE(renderTree(t), QStringLiteral("A(A1(x) y #why) B"));
        const QStringList order{u"A"_qs, u"A1"_qs, u"x"_qs, u"y #why"_qs, u"B"_qs};
        for (int i = 0; i < t.count(); ++i)
            QCOMPARE(t.text(i), order[i]);
        QCOMPARE(t.parent(2), 1);
        QCOMPARE(t.parent(3), 0);
        QCOMPARE(t.parent(4), -1);
        QCOMPARE(t.depth(2), 3);
        QCOMPARE(t.subtreeEnd(0), 3);
        QCOMPARE(t.subtreeEnd(1), 2);
        QCOMPARE(t.subtreeEnd(4), 4);
        QCOMPARE(t.append(7, QStringLiteral("bad"), Cat, 9), -1);
    }
    void remove_takesSubtreeAndShiftsSelection()
    {
        CategoryTree t = sample();
        t.select(4);
        QVERIFY(t.remove(1));
        QCOMPARE(renderTree(t), QStringLiteral("A(y #why) B"));
        QCOMPARE(t.selection(), 2);
        QCOMPARE(t.text(t.selection()), QStringLiteral("B"));
        t.select(1);
        QVERIFY(t.remove(0));
        QCOMPARE(t.selection(), -1);
        QVERIFY(!t.remove(5));
    }
    void selectionHelpers_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("currentCategory");
        QTest::addColumn<int>("selectedCommand");
        QTest::newRow("nothing") << -1 << -1 << -1;
        QTest::newRow("top category") << 0 << 0 << -1;
        QTest::newRow("sub-category") << 1 << 1 << -1;
        QTest::newRow("command in sub-category") << 2 << 1 << 2;
        QTest::newRow("command in top category") << 3 << 0 << 3;
    }
    void selectionHelpers()
    {
        QFETCH(int, selected);
        CategoryTree t = sample();
        t.select(selected);
        QTEST(CurrentCategoryIndex(t), "currentCategory");
        QTEST(SelectedCommandIndex(t), "selectedCommand");
    }
    void findItemByValue_andNextNumber()
    {
        CategoryTree t;
        QCOMPARE(NextCategoryNumber(t), qint64(1));
        QCOMPARE(FindItemByValue(t, 1), -1);
        t = sample();
        QCOMPARE(FindItemByValue(t, 3), 1);
        QCOMPARE(FindItemByValue(t, 0), 2); // the first command item
        QCOMPARE(FindItemByValue(t, 9), -1);
        QCOMPARE(NextCategoryNumber(t), qint64(4));
        t.remove(1); // the category holding the largest number: its number is given out again
        QCOMPARE(NextCategoryNumber(t), qint64(3));
    }
    void stripChineseName_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        QTest::newRow("with Chinese name") << u"sort #排序"_qs << u"sort"_qs;
        QTest::newRow("no Chinese name") << u"print"_qs << u"print"_qs;
        QTest::newRow("hash without blank") << u"a#b"_qs << u"a#b"_qs;
        QTest::newRow("cut at the first") << u"a #b #c"_qs << u"a"_qs;
        QTest::newRow("starts with it") << u" #x"_qs << QString();
        QTest::newRow("empty") << QString() << QString();
    }
    void stripChineseName()
    {
        QFETCH(QString, text);
        QTEST(StripChineseName(text), "name");
    }
    void commandItemText_addsChineseNameOnlyWhenPresent()
    {
        QCOMPARE(commandItemText(u"sort"_qs, u"排序"_qs), u"sort #排序"_qs);
        QCOMPARE(commandItemText(u"sort"_qs, QString()), u"sort"_qs);
    }
    void placement_data()
    {
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<QString>("tree");
        QTest::newRow("empty") << Rows{} << QString();
        QTest::newRow("parents first") << Rows{{"A", 1, 0}, {"B", 2, 1}, {"C", 3, 0}} << u"A(B) C"_qs;
        QTest::newRow("child before parent, result order kept")
            << Rows{{"b2", 5, 2}, {"a", 1, 0}, {"b1", 4, 2}, {"b", 2, 0}, {"deep", 6, 4}}
            << u"a b(b2 b1(deep))"_qs;
        QTest::newRow("missing parent at root, its child beneath")
            << Rows{{"kid", 8, 7}, {"lost", 7, 99}, {"top", 1, 0}} << u"top lost(kid)"_qs;
        QTest::newRow("cycle broken at its first row")
            << Rows{{"p", 1, 2}, {"q", 2, 1}, {"top", 3, 0}} << u"top p(q)"_qs;
        QTest::newRow("self parent") << Rows{{"me", 4, 4}} << u"me"_qs;
        QTest::newRow("chain hanging from a cycle")
            << Rows{{"tail", 3, 2}, {"c1", 1, 2}, {"c2", 2, 1}} << u"c1(c2(tail))"_qs;
        QTest::newRow("duplicate number: children under the first")
            << Rows{{"A", 1, 0}, {"A'", 1, 0}, {"kid", 2, 1}} << u"A(kid) A'"_qs;
        QTest::newRow("number 0 is no parent of roots")
            << Rows{{"zero", 0, 0}, {"B", 2, 0}} << u"zero B"_qs;
    }
    void placement()
    {
        QFETCH(Rows, rows);
        CategoryTree t;
        t.assign(placedCategoryItems(entries(rows)));
        QTEST(renderTree(t), "tree");
        QCOMPARE(t.count(), rows.size());
    }
    void placement_sameTreeAsAppendingOneByOne()
    {
        std::mt19937 rnd(20261211);
        for (int round = 0; round < 500; ++round) {
            const std::vector<CategoryEntry> rows = randomEntries(rnd);
            CategoryTree fast;
            fast.assign(placedCategoryItems(rows));
            const CategoryTree slow = placedOneByOne(rows);
            QCOMPARE(fast.count(), slow.count());
            for (int i = 0; i < fast.count(); ++i) {
                QCOMPARE(fast.text(i), slow.text(i));
                QCOMPARE(fast.depth(i), slow.depth(i));
            }
        }
    }
    void placement_breadthFirstInResultOrder()
    {
        std::mt19937 rnd(1211);
        for (int round = 0; round < 500; ++round) {
            const std::vector<CategoryEntry> rows = randomRootedEntries(rnd);
            const std::vector<CategoryPlacement> got = placeCategories(rows);
            const std::vector<CategoryPlacement> want = placedBreadthFirst(rows);
            QCOMPARE(got.size(), want.size());
            for (size_t i = 0; i < got.size(); ++i) {
                QCOMPARE(got[i].entry, want[i].entry);
                QCOMPARE(got[i].parentNumber, want[i].parentNumber);
            }
        }
    }
    void placement_largeCycleEnds()
    {
        std::vector<CategoryEntry> ring;
        for (int i = 1; i <= 300; ++i)
            ring.push_back({QString::number(i), i, i % 300 + 1});
        const auto order = placeCategories(ring);
        QCOMPARE(order.size(), ring.size());
    }
    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("number");
        QTest::newRow("plain") << u"42"_qs << qint64(42);
        QTest::newRow("trailing text") << u"12ab"_qs << qint64(12);
        QTest::newRow("not a number") << u"abc"_qs << qint64(0);
        QTest::newRow("empty") << QString() << qint64(0);
        QTest::newRow("leading blank") << u" 5"_qs << qint64(0);
        QTest::newRow("overflow stops") << u"99999999999999999999999"_qs << qint64(999999999999999999LL);
    }
    void leadingNumber()
    {
        QFETCH(QString, text);
        QTEST(Qb::Library::leadingNumber(text), "number");
    }
    void newCategoryPlace_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<bool>("sub");
        QTest::addColumn<int>("parentIndex");
        QTest::addColumn<qint64>("parentNumber");
        QTest::newRow("add, nothing selected") << -1 << false << -1 << qint64(0);
        QTest::newRow("sub, nothing selected") << -1 << true << -1 << qint64(0);
        QTest::newRow("add beside a top category") << 0 << false << -1 << qint64(0);
        QTest::newRow("add beside a sub-category") << 1 << false << 0 << qint64(1);
        QTest::newRow("sub under a category") << 1 << true << 1 << qint64(3);
        QTest::newRow("sub with a command selected") << 2 << true << 1 << qint64(3);
        QTest::newRow("add with a command selected") << 3 << false << 0 << qint64(1);
    }
    void newCategoryPlace()
    {
        QFETCH(int, selected);
        QFETCH(bool, sub);
        CategoryTree t = sample();
        t.select(selected);
        const NewCategoryPlace place = Qb::Library::newCategoryPlace(t, sub);
        QTEST(place.parentIndex, "parentIndex");
        QTEST(place.parentNumber, "parentNumber");
    }
    void findCommand_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("found");
        QTest::newRow("from the top") << -1 << u"x"_qs << 2;
        QTest::newRow("selected item itself") << 2 << u"x"_qs << 2;
        QTest::newRow("categories skipped") << -1 << u"A"_qs << -1;
        QTest::newRow("Chinese name searched") << -1 << u"why"_qs << 3;
        QTest::newRow("Latin case ignored") << -1 << u"Y #WHY"_qs << 3;
        QTest::newRow("never wraps") << 3 << u"x"_qs << -1;
        QTest::newRow("empty text: first command at start") << 0 << QString() << 2;
        QTest::newRow("nothing matches") << -1 << u"zzz"_qs << -1;
    }
    void findCommand()
    {
        QFETCH(int, selected);
        QFETCH(QString, text);
        CategoryTree t = sample();
        t.select(selected);
        QTEST(Qb::Library::findCommand(t, text), "found");
    }
    void findCommand_foldsOnlyLatinLetters()
    {
        CategoryTree t;
        t.append(-1, u"C"_qs, Cat, 1);
        t.append(0, u"σ"_qs, Cmd, 0);
        QCOMPARE(Qb::Library::findCommand(t, u"Σ"_qs), -1);
    }
    void clickGate_doubleClickSwallowsOneTick()
    {
        ClickGate gate;
        QVERIFY(gate.selectionChanged(ClickGate::Cause::Mouse));
        QVERIFY(!gate.selectionChanged(ClickGate::Cause::Keyboard));
        QVERIFY(!gate.selectionChanged(ClickGate::Cause::Other));
        QVERIFY(gate.timerTicked()); // a plain click shows the description
        gate.doubleClicked();
        QVERIFY(gate.DoubleClickSeen());
        QVERIFY(!gate.timerTicked()); // the tick after the double-click shows nothing
        QVERIFY(!gate.DoubleClickSeen());
        QVERIFY(gate.timerTicked()); // and the next one shows again
    }
};

QTEST_GUILESS_MAIN(tst_TreeRules)
#include "tst_treerules.moc"
