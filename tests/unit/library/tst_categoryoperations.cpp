// SPDX-License-Identifier: GPL-3.0-or-later
// The start-up build and the category operations on a real command library file.
#include "library/categoryoperations.h"
#include "library/categorytree.h"
#include "library/treebuilder.h"

#include "library_support.h"

#include <QTest>

using namespace Qb::Library;
using Qb::Test::renderTree;
using Qb::Test::TempLibrary;

namespace {

const QString Categories = QStringLiteral("分类表");
const QString Commands = QStringLiteral("命令库");
const QStringList CategoryColumns{QStringLiteral("分类名"), QStringLiteral("序号"), QStringLiteral("父类"),
                                  QStringLiteral("说明")};
const QStringList CommandColumns{QStringLiteral("命令名"), QStringLiteral("分类")};

CategoryTree built(TempLibrary &lib, qint64 remembered = 0)
{
    CategoryTree tree;
    buildCategoryTree(lib.store(), tree, remembered);
    return tree;
}

QStringList expandedItems(const CategoryTree &tree)
{
    QStringList out;
    for (int i = 0; i < tree.count(); ++i) {
        if (tree.isExpanded(i))
            out.append(tree.text(i));
    }
    return out;
}

// Top(1){ Mid(2){ Low(3){ low1 }, mid1 }, top1 #一 }, Other(4){ top1 }
bool fillThreeLevels(TempLibrary &lib)
{
    return lib.addCategory(u"Low"_qs, u"3"_qs, u"2"_qs) && lib.addCategory(u"Top"_qs, u"1"_qs, u"0"_qs)
           && lib.addCategory(u"Mid"_qs, u"2"_qs, u"1"_qs) && lib.addCategory(u"Other"_qs, u"4"_qs, u"0"_qs)
           && lib.addCommand(u"top1"_qs, u"一"_qs, u"1"_qs) && lib.addCommand(u"mid1"_qs, QString(), u"2"_qs)
           && lib.addCommand(u"low1"_qs, QString(), u"3"_qs) && lib.addCommand(u"top1"_qs, QString(), u"4"_qs);
}

} // namespace

class tst_CategoryOperations : public QObject
{
    Q_OBJECT
private slots:
    void build_emptyLibraryGivesEmptyTree()
    {
        TempLibrary lib;
        QB_REQUIRE_LIBRARY(lib);
        QVERIFY(lib.addCommand(u"stray"_qs, QString(), u"1"_qs)); // commands need categories
        const CategoryTree tree = built(lib, 1);
        QCOMPARE(tree.count(), 0);
        QCOMPARE(lib.store().currentResultSet(), 0);
    }
    void build_childBeforeParentCommandsAfterSubcategories()
    {
        TempLibrary lib;
        QB_REQUIRE_LIBRARY(lib);
        QVERIFY(fillThreeLevels(lib));
        QVERIFY(lib.addCommand(u"mid2"_qs, u"二"_qs, u"2"_qs));
        const CategoryTree tree = built(lib);
        QCOMPARE(renderTree(tree), u"Top(Mid(Low(low1) mid1 mid2 #二) top1 #一) Other(top1)"_qs);
        QCOMPARE(tree.image(0), TreeItems::CategoryImage);
        QCOMPARE(tree.value(1), qint64(2));
        QCOMPARE(tree.image(3), TreeItems::CommandImage);
        QCOMPARE(tree.value(3), qint64(0));
        QVERIFY(expandedItems(tree).isEmpty());
        QCOMPARE(lib.store().currentResultSet(), 0);
    }
    void build_brokenParentChainsStillBuild()
    {
        TempLibrary lib;
        QB_REQUIRE_LIBRARY(lib);
        QVERIFY(lib.addCategory(u"cycA"_qs, u"5"_qs, u"6"_qs));
        QVERIFY(lib.addCategory(u"cycB"_qs, u"6"_qs, u"5"_qs));
        QVERIFY(lib.addCategory(u"orphanKid"_qs, u"8"_qs, u"7"_qs));
        QVERIFY(lib.addCategory(u"orphan"_qs, u"7"_qs, u"99"_qs));
        QVERIFY(lib.addCategory(u"text parent"_qs, u"9"_qs, u"abc"_qs));
        QVERIFY(lib.addCommand(u"inCycle"_qs, QString(), u"6"_qs));
        const CategoryTree tree = built(lib);
        QCOMPARE(renderTree(tree), u"text parent orphan(orphanKid) cycA(cycB(inCycle))"_qs);
    }
    void build_expandsRememberedCategory_data()
    {
        QTest::addColumn<qint64>("remembered");
        QTest::addColumn<QStringList>("expanded");
        QTest::newRow("nested") << qint64(3) << QStringList{u"Top"_qs, u"Mid"_qs, u"Low"_qs};
        QTest::newRow("top level") << qint64(4) << QStringList{u"Other"_qs};
        QTest::newRow("missing") << qint64(42) << QStringList{};
        QTest::newRow("none") << qint64(0) << QStringList{};
    }
    void build_expandsRememberedCategory()
    {
        QFETCH(qint64, remembered);
        TempLibrary lib;
        QB_REQUIRE_LIBRARY(lib);
        QVERIFY(fillThreeLevels(lib));
        QTEST(expandedItems(built(lib, remembered)), "expanded");
    }
    void addCategory_placesAndNumbers_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<bool>("sub");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QString>("tree");
        const QString base = u"Top(Mid(Low(low1) mid1) top1 #一) Other(top1)"_qs;
        QTest::newRow("nothing selected") << -1 << false << u"0"_qs << base + u" New"_qs;
        QTest::newRow("beside a top category") << 0 << false << u"0"_qs << base + u" New"_qs;
        QTest::newRow("beside a sub-category")
            << 1 << false << u"1"_qs << u"Top(Mid(Low(low1) mid1) top1 #一 New) Other(top1)"_qs;
        QTest::newRow("sub under a category")
            << 2 << true << u"3"_qs << u"Top(Mid(Low(low1 New) mid1) top1 #一) Other(top1)"_qs;
        QTest::newRow("sub with a command selected")
            << 4 << true << u"2"_qs << u"Top(Mid(Low(low1) mid1 New) top1 #一) Other(top1)"_qs;
        QTest::newRow("sibling with a command selected")
            << 4 << false << u"2"_qs << u"Top(Mid(Low(low1) mid1 New) top1 #一) Other(top1)"_qs;
    }
    void addCategory_placesAndNumbers()
    {
        QFETCH(int, selected);
        QFETCH(bool, sub);
        TempLibrary lib;
        QB_REQUIRE_LIBRARY(lib);
        QVERIFY(fillThreeLevels(lib));
        CategoryTree tree = built(lib);
        tree.select(selected);
        QCOMPARE(addCategory(lib.store(), tree, sub, u"New"_qs, u"it's new"_qs), AddCategoryResult::Added);
        QTEST(renderTree(tree), "tree");
        QCOMPARE(tree.selection(), selected < 0 ? -1 : tree.selection()); // unchanged item stays selected
        QFETCH(QString, parent);
        QCOMPARE(lib.rows(Categories, CategoryColumns, u"序号='5'"_qs), QStringList{u"New|5|"_qs + parent + u"|it^!s new"_qs});
    }
    void addCategory_numbersFromOneAndReusesFreedLargest()
    {
        TempLibrary lib;
        QB_REQUIRE_LIBRARY(lib);
        CategoryTree tree;
        QCOMPARE(addCategory(lib.store(), tree, false, u"one"_qs, QString()), AddCategoryResult::Added);
        QCOMPARE(addCategory(lib.store(), tree, false, u"two"_qs, QString()), AddCategoryResult::Added);
        QCOMPARE(lib.rows(Categories, {u"分类名"_qs, u"序号"_qs, u"父类"_qs}), (QStringList{u"one|1|0"_qs, u"two|2|0"_qs}));
        tree.select(1);
        QCOMPARE(deleteCategory(lib.store(), tree, 1), 0);
        QCOMPARE(addCategory(lib.store(), tree, false, u"again"_qs, QString()), AddCategoryResult::Added);
        QCOMPARE(lib.rows(Categories, {u"序号"_qs}, u"分类名='again'"_qs), QStringList{u"2"_qs});
    }
    void addCategory_cancelledOrFailingChangesNothing()
    {
        TempLibrary lib;
        QB_REQUIRE_LIBRARY(lib);
        CategoryTree tree;
        QCOMPARE(addCategory(lib.store(), tree, false, QString(), u"desc"_qs), AddCategoryResult::Cancelled);
        QCOMPARE(addCategory(lib.store(), tree, false, QString(51, u'x'), QString()), AddCategoryResult::Failed);
        QCOMPARE(tree.count(), 0);
        QVERIFY(lib.rows(Categories, CategoryColumns).isEmpty());
        // A quote in a name is an ordinary character, not the end of the statement.
        QCOMPARE(addCategory(lib.store(), tree, false, u"it's"_qs, QString()), AddCategoryResult::Added);
        QCOMPARE(lib.rows(Categories, {u"分类名"_qs}), QStringList{u"it's"_qs});
    }
    void description_addressesOneCategoryOfTwoSameNamed()
    {
        TempLibrary lib;
        QB_REQUIRE_LIBRARY(lib);
        QVERIFY(lib.addCategory(u"Same"_qs, u"1"_qs, u"0"_qs, u"first^!s"_qs));
        QVERIFY(lib.addCategory(u"Same"_qs, u"2"_qs, u"0"_qs, u"second"_qs));
        QCOMPARE(categoryDescription(lib.store(), 1), u"first's"_qs);
        QCOMPARE(categoryDescription(lib.store(), 2), u"second"_qs);
        QCOMPARE(categoryDescription(lib.store(), 3), QString());
        QVERIFY(setCategoryDescription(lib.store(), 2, u"changed 'quoted'"_qs));
        QCOMPARE(lib.rows(Categories, {u"序号"_qs, u"说明"_qs}),
                 (QStringList{u"1|first^!s"_qs, u"2|changed ^!quoted^!"_qs}));
    }
    void rename_storesCategoriesOnly()
    {
        TempLibrary lib;
        QB_REQUIRE_LIBRARY(lib);
        QVERIFY(fillThreeLevels(lib));
        CategoryTree tree = built(lib);
        const QString sent = lib.store().lastStatement();
        QCOMPARE(renameCategory(lib.store(), tree, 1, u"Mid"_qs, u"Mid"_qs), RenameResult::Unchanged);
        QCOMPARE(lib.store().lastStatement(), sent); // nothing sent
        tree.setText(1, u"Middle"_qs);
        QCOMPARE(renameCategory(lib.store(), tree, 1, u"Mid"_qs, u"Middle"_qs), RenameResult::Renamed);
        QCOMPARE(lib.rows(Categories, {u"分类名"_qs}, u"序号='2'"_qs), QStringList{u"Middle"_qs});
        tree.setText(3, u"renamed"_qs);
        QCOMPARE(renameCategory(lib.store(), tree, 3, u"low1"_qs, u"renamed"_qs), RenameResult::NotACategory);
        QCOMPARE(tree.text(3), u"low1"_qs);
        QCOMPARE(lib.rows(Commands, {u"命令名"_qs}, u"分类='3'"_qs), QStringList{u"low1"_qs});
    }
    void rename_failureRestoresText()
    {
        TempLibrary lib;
        QB_REQUIRE_LIBRARY(lib);
        QVERIFY(fillThreeLevels(lib));
        CategoryTree tree = built(lib);
        const QString tooLong(51, u'n');
        tree.setText(0, tooLong);
        QCOMPARE(renameCategory(lib.store(), tree, 0, u"Top"_qs, tooLong), RenameResult::Failed);
        QCOMPARE(tree.text(0), u"Top"_qs);
        QCOMPARE(lib.rows(Categories, {u"分类名"_qs}, u"序号='1'"_qs), QStringList{u"Top"_qs});
    }
    void deleteCategory_removesSubtreeOnly()
    {
        TempLibrary lib;
        QB_REQUIRE_LIBRARY(lib);
        QVERIFY(fillThreeLevels(lib));
        CategoryTree tree = built(lib);
        tree.select(0);
        QCOMPARE(deleteCategory(lib.store(), tree, 0), 0);
        QCOMPARE(renderTree(tree), u"Other(top1)"_qs);
        QCOMPARE(lib.rows(Categories, {u"分类名"_qs}), QStringList{u"Other"_qs});
        // The same-named command of the other category stays, in the file and in the tree.
        QCOMPARE(lib.rows(Commands, CommandColumns), QStringList{u"top1|4"_qs});
        QVERIFY(lib.reopen());
        QCOMPARE(renderTree(built(lib)), u"Other(top1)"_qs);
    }
    void deleteCategory_failingStatementsKeepItemsAndAncestors()
    {
        TempLibrary lib;
        QB_REQUIRE_LIBRARY(lib);
        QVERIFY(fillThreeLevels(lib));
        CategoryTree tree = built(lib);
        lib.store().Close(); // every statement fails from here on
        QCOMPARE(deleteCategory(lib.store(), tree, 0), 6);
        QCOMPARE(renderTree(tree), u"Top(Mid(Low(low1) mid1) top1 #一) Other(top1)"_qs);
    }
};

QTEST_GUILESS_MAIN(tst_CategoryOperations)
#include "tst_categoryoperations.moc"
