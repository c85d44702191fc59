// SPDX-License-Identifier: GPL-3.0-or-later
// 查找命令 over a tree whose categories read their commands on demand gives the item the
// search over the whole tree gives, and reading every category on demand gives the whole tree.
#include "library/categorytree.h"
#include "library/commandsearch.h"
#include "library/treebuilder.h"
#include "library/treerules.h"

#include "library_support.h"

#include <QTest>

using namespace Qb::Library;
using Qb::Test::renderTree;
using Qb::Test::TempLibrary;

namespace {

// A(1){ A1(3){ gamma, alphabet }, A2(4){ pri nt #打印 }, alpha #甲, Beta }, B(2){ 50%_off },
// E(5){}, D(6){ ALPHA, zeta #乙 }; rows are added out of tree order.
bool fill(TempLibrary &lib)
{
    return lib.addCategory(u"A"_qs, u"1"_qs, u"0"_qs) && lib.addCategory(u"B"_qs, u"2"_qs, u"0"_qs)
           && lib.addCategory(u"A1"_qs, u"3"_qs, u"1"_qs) && lib.addCategory(u"A2"_qs, u"4"_qs, u"1"_qs)
           && lib.addCategory(u"E"_qs, u"5"_qs, u"0"_qs) && lib.addCategory(u"D"_qs, u"6"_qs, u"0"_qs)
           && lib.addCommand(u"ALPHA"_qs, QString(), u"6"_qs) && lib.addCommand(u"alpha"_qs, u"甲"_qs, u"1"_qs)
           && lib.addCommand(u"gamma"_qs, QString(), u"3"_qs) && lib.addCommand(u"50%_off"_qs, QString(), u"2"_qs)
           && lib.addCommand(u"Beta"_qs, QString(), u"1"_qs) && lib.addCommand(u"alphabet"_qs, QString(), u"3"_qs)
           && lib.addCommand(u"pri nt"_qs, u"打印"_qs, u"4"_qs) && lib.addCommand(u"zeta"_qs, u"乙"_qs, u"6"_qs);
}

// The categories alone, each reading its commands from the library when first needed.
CategoryTree onDemand(TempLibrary &lib)
{
    CategoryTree tree;
    buildCategoryItems(lib.store(), tree);
    tree.setCommandReader([&lib](qint64 n) { return readCommands(lib.store(), n); });
    return tree;
}

// "item text in category" for a found index, "none" for -1.
QString described(const TreeItems &tree, int index)
{
    return index < 0 ? u"none"_qs : tree.text(index) + u" in "_qs + tree.text(tree.parent(index));
}

} // namespace

class tst_CommandSearch : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_lib = std::make_unique<TempLibrary>();
        QB_REQUIRE_LIBRARY(*m_lib);
        QVERIFY(fill(*m_lib));
    }
    void cleanup() { m_lib.reset(); }

    void readingEveryCategory_givesTheWholeTree()
    {
        CategoryTree whole;
        buildCategoryTree(m_lib->store(), whole, 0);
        CategoryTree tree = onDemand(*m_lib);
        QCOMPARE(renderTree(tree), u"A(A1 A2) B E D"_qs);
        // In any order of reading, each category's commands follow its sub-categories.
        for (const qint64 n : {3, 1, 6, 4, 2, 5})
            tree.ensureCommands(FindItemByValue(tree, n));
        QCOMPARE(renderTree(tree), renderTree(whole));
        QVERIFY(tree.commandId(FindItemByValue(tree, 1) + 1) == 0); // A1 is a category
        QVERIFY(tree.commandId(tree.count() - 1) > 0);
    }

    void find_givesTheWholeTreesItem_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selected"); // category number, 0 = nothing selected
        QTest::addColumn<QString>("expected");
        QTest::newRow("a sub-category's commands before its parent's") << u"alpha"_qs << 0 << u"alphabet in A1"_qs;
        QTest::newRow("from a sub-category: the parent's own") << u"alpha"_qs << 4 << u"alpha #甲 in A"_qs;
        QTest::newRow("a sub-category ending where its parent ends") << u"t"_qs << 4 << u"pri nt #打印 in A2"_qs;
        QTest::newRow("Latin letters without case") << u"alpha"_qs << 2 << u"ALPHA in D"_qs;
        QTest::newRow("the selected category's own") << u"BETA"_qs << 1 << u"Beta in A"_qs;
        QTest::newRow("Chinese name") << u"乙"_qs << 0 << u"zeta #乙 in D"_qs;
        QTest::newRow("across the separator") << u"t #打"_qs << 0 << u"pri nt #打印 in A2"_qs;
        QTest::newRow("blank inside a name") << u"i n"_qs << 0 << u"pri nt #打印 in A2"_qs;
        QTest::newRow("separator only") << u" #"_qs << 2 << u"zeta #乙 in D"_qs;
        QTest::newRow("like wildcards taken literally") << u"0%_"_qs << 0 << u"50%_off in B"_qs;
        QTest::newRow("a wildcard's match is not a hit") << u"5_%"_qs << 0 << u"none"_qs;
        QTest::newRow("empty text: the first command") << QString() << 2 << u"50%_off in B"_qs;
        QTest::newRow("never wraps") << u"gamma"_qs << 2 << u"none"_qs;
        QTest::newRow("nothing matches") << u"zzz"_qs << 0 << u"none"_qs;
    }
    void find_givesTheWholeTreesItem()
    {
        QFETCH(QString, text);
        QFETCH(int, selected);
        QFETCH(QString, expected);
        CategoryTree whole;
        buildCategoryTree(m_lib->store(), whole, 0);
        whole.select(selected ? FindItemByValue(whole, selected) : -1);
        QCOMPARE(described(whole, findCommand(whole, text)), expected);

        CategoryTree tree = onDemand(*m_lib);
        tree.select(selected ? FindItemByValue(tree, selected) : -1);
        const int found = findCommandInLibrary(m_lib->store(), tree, text);
        QCOMPARE(described(tree, found), expected);
        if (found >= 0)
            QVERIFY(tree.commandsLoaded(tree.parent(found)));
        // Only the category of the hit was read.
        int read = 0;
        for (int i = 0; i < tree.count(); ++i)
            read += tree.isCategory(i) && tree.commandsLoaded(i) ? 1 : 0;
        QVERIFY(read <= 1);
    }

private:
    std::unique_ptr<TempLibrary> m_lib;
};

QTEST_GUILESS_MAIN(tst_CommandSearch)
#include "tst_commandsearch.moc"
