// SPDX-License-Identifier: GPL-3.0-or-later
// Command editing, deletion, description preview and double-click insertion on a real library,
// with two categories each holding a command `print`.
#include "library/categorytree.h"
#include "library/commandeditor.h"
#include "library/commandinsertion.h"
#include "library/treebuilder.h"

#include "library_support.h"

#include <QTest>

using namespace Qb::Library;
using Qb::Test::renderTree;
using Qb::Test::TempLibrary;

Q_DECLARE_METATYPE(Qb::Library::StoreResult)

namespace {

const QString Commands = QStringLiteral("命令库");
const QStringList AllColumns{QStringLiteral("命令名"), QStringLiteral("中文名"), QStringLiteral("分类"),
                             QStringLiteral("说明"), QStringLiteral("类型")};

// Out(1){ print #打印, sort #排序, put{} }, In(2){ print }, Same(3){}, Same(4){}
// indices: Out0 print1 sort2 put{}3 In4 print5 Same6 Same7
bool fillLibrary(TempLibrary &lib)
{
    return lib.addCategory(u"Out"_qs, u"1"_qs, u"0"_qs) && lib.addCategory(u"In"_qs, u"2"_qs, u"0"_qs)
           && lib.addCategory(u"Same"_qs, u"3"_qs, u"0"_qs, u"third"_qs)
           && lib.addCategory(u"Same"_qs, u"4"_qs, u"0"_qs, u"fourth^!s"_qs)
           && lib.addCommand(u"print"_qs, u"打印"_qs, u"1"_qs, u"out ^!print^!"_qs, u"过程"_qs)
           && lib.addCommand(u"sort"_qs, u"排序"_qs, u"1"_qs, QString(), QString())
           && lib.addCommand(u"put{}"_qs, QString(), u"1"_qs, u"put(^!hello^!)"_qs, u"函数"_qs)
           && lib.addCommand(u"print"_qs, QString(), u"2"_qs, u"in print"_qs, u"函数"_qs);
}

const QString Initial = u"Out(print #打印 sort #排序 put{}) In(print) Same Same"_qs;

CategoryTree built(TempLibrary &lib)
{
    CategoryTree tree;
    buildCategoryTree(lib.store(), tree, 0);
    return tree;
}

CommandInput input(qint64 category, const QString &name, const QString &chinese = QString(),
                   const QString &type = u"无"_qs, const QString &description = QString())
{
    return {category, name, chinese, type, description};
}

} // namespace

class tst_CommandOperations : public QObject
{
    Q_OBJECT
private slots:
    void open_addModeListsCategoriesAndPreselects()
    {
        TempLibrary lib;
        QB_REQUIRE_LIBRARY(lib);
        QVERIFY(fillLibrary(lib));
        CategoryTree tree = built(lib);
        tree.select(5); // print in In
        CommandEditor editor(CommandEditor::Mode::Add);
        const CommandDialogContents c = editor.open(lib.store(), tree);
        QCOMPARE(c.categories.size(), size_t(4));
        QCOMPARE(c.categories[3].name, u"Same"_qs);
        QCOMPARE(c.categories[3].number, qint64(4));
        QCOMPARE(c.selectedCategory, 1);
        QCOMPARE(c.name, QString());
        QCOMPARE(c.selectedType, 0);
        tree.select(-1);
        QCOMPARE(editor.open(lib.store(), tree).selectedCategory, -1);
    }
    void open_modifyLoadsTheSelectedCategorysRow_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("chinese");
        QTest::addColumn<QString>("description");
        QTest::addColumn<int>("type");
        QTest::newRow("print in Out") << 1 << u"打印"_qs << u"out 'print'"_qs << 3;
        QTest::newRow("print in In") << 5 << QString() << u"in print"_qs << 2;
        QTest::newRow("empty type reads as 无") << 2 << u"排序"_qs << QString() << 0;
    }
    void open_modifyLoadsTheSelectedCategorysRow()
    {
        QFETCH(int, selected);
        TempLibrary lib;
        QB_REQUIRE_LIBRARY(lib);
        QVERIFY(fillLibrary(lib));
        CategoryTree tree = built(lib);
        tree.select(selected);
        CommandEditor editor(CommandEditor::Mode::Modify);
        const CommandDialogContents c = editor.open(lib.store(), tree);
        QVERIFY(editor.hasLoadedRow());
        QCOMPARE(c.name, StripChineseName(tree.text(selected)));
        QTEST(c.chineseName, "chinese");
        QTEST(c.description, "description");
        QTEST(c.selectedType, "type");
        QCOMPARE(c.categories[size_t(c.selectedCategory)].number, commandCategoryNumber(tree, selected));
    }
    void store_add_data()
    {
        QTest::addColumn<qint64>("category");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("chinese");
        QTest::addColumn<StoreResult>("result");
        QTest::addColumn<QString>("tree");
        QTest::newRow("no category") << qint64(0) << u"x"_qs << QString() << StoreResult::NoCategory << Initial;
        QTest::newRow("no name") << qint64(2) << QString() << QString() << StoreResult::NoName << Initial;
        QTest::newRow("duplicate in category") << qint64(2) << u"print"_qs << QString() << StoreResult::Duplicate
                                               << Initial;
        QTest::newRow("same name elsewhere") << qint64(3) << u"print"_qs << QString() << StoreResult::Added
                                             << u"Out(print #打印 sort #排序 put{}) In(print) Same(print) Same"_qs;
        QTest::newRow("with Chinese name") << qint64(2) << u"len"_qs << u"长度"_qs << StoreResult::Added
                                           << u"Out(print #打印 sort #排序 put{}) In(print len #长度) Same Same"_qs;
        QTest::newRow("quote in name") << qint64(4) << u"it's"_qs << QString() << StoreResult::Added
                                       << u"Out(print #打印 sort #排序 put{}) In(print) Same Same(it's)"_qs;
        QTest::newRow("name too long") << qint64(2) << QString(256, u'n') << QString() << StoreResult::AddFailed
                                       << Initial;
    }
    void store_add()
    {
        QFETCH(qint64, category);
        QFETCH(QString, name);
        QFETCH(QString, chinese);
        TempLibrary lib;
        QB_REQUIRE_LIBRARY(lib);
        QVERIFY(fillLibrary(lib));
        CategoryTree tree = built(lib);
        CommandEditor editor(CommandEditor::Mode::Add);
        editor.open(lib.store(), tree);
        const StoreResult result = editor.store(lib.store(), tree, input(category, name, chinese, u"流程"_qs, u"a 'b'"_qs));
        QTEST(result, "result");
        QTEST(renderTree(tree), "tree");
        QVERIFY(lib.reopen());
        QCOMPARE(renderTree(built(lib)), renderTree(tree));
        if (result == StoreResult::Added) {
            QCOMPARE(lib.rows(Commands, AllColumns, u"分类='"_qs + QString::number(category) + u"'"_qs).last(),
                     name + u"|"_qs + chinese + u"|"_qs + QString::number(category) + u"|a ^!b^!|流程"_qs);
        }
    }
    void store_modifyChangesOnlyTheLoadedRow()
    {
        TempLibrary lib;
        QB_REQUIRE_LIBRARY(lib);
        QVERIFY(fillLibrary(lib));
        CategoryTree tree = built(lib);
        tree.select(5); // print in In
        CommandEditor editor(CommandEditor::Mode::Modify);
        editor.open(lib.store(), tree);
        QCOMPARE(editor.store(lib.store(), tree, input(2, u"print"_qs, u"打"_qs, u"过程"_qs, u"new 'one'"_qs)),
                 StoreResult::Updated);
        QCOMPARE(renderTree(tree), u"Out(print #打印 sort #排序 put{}) In(print #打) Same Same"_qs);
        QCOMPARE(lib.rows(Commands, AllColumns, u"命令名='print'"_qs),
                 (QStringList{u"print|打印|1|out ^!print^!|过程"_qs, u"print|打|2|new ^!one^!|过程"_qs}));
    }
    void store_modifyMovesBetweenSameNamedCategories()
    {
        TempLibrary lib;
        QB_REQUIRE_LIBRARY(lib);
        QVERIFY(fillLibrary(lib));
        QVERIFY(lib.addCommand(u"mv"_qs, QString(), u"3"_qs));
        CategoryTree tree = built(lib);
        tree.select(7); // mv in the first Same
        CommandEditor editor(CommandEditor::Mode::Modify);
        editor.open(lib.store(), tree);
        QCOMPARE(editor.store(lib.store(), tree, input(4, u"mv"_qs)), StoreResult::Updated);
        QCOMPARE(renderTree(tree), u"Out(print #打印 sort #排序 put{}) In(print) Same Same(mv)"_qs);
        QCOMPARE(lib.rows(Commands, {u"分类"_qs}, u"命令名='mv'"_qs), QStringList{u"4"_qs});
    }
    void store_modifyRefusals_data()
    {
        QTest::addColumn<bool>("dropRow");
        QTest::addColumn<qint64>("category");
        QTest::addColumn<QString>("name");
        QTest::addColumn<StoreResult>("result");
        QTest::newRow("row gone since") << true << qint64(1) << u"print"_qs << StoreResult::UpdateFailed;
        QTest::newRow("renamed onto a sibling") << false << qint64(1) << u"sort"_qs << StoreResult::Duplicate;
        QTest::newRow("moved onto a same name") << false << qint64(2) << u"print"_qs << StoreResult::Duplicate;
        QTest::newRow("name too long") << false << qint64(1) << QString(256, u'p') << StoreResult::UpdateFailed;
    }
    void store_modifyRefusals()
    {
        QFETCH(bool, dropRow);
        QFETCH(qint64, category);
        QFETCH(QString, name);
        TempLibrary lib;
        QB_REQUIRE_LIBRARY(lib);
        QVERIFY(fillLibrary(lib));
        if (dropRow)
            QVERIFY(lib.store().DeleteWhere(Commands, u"命令名='print' and 分类='1'"_qs));
        CategoryTree tree = built(lib);
        if (dropRow)
            tree.append(0, u"print #打印"_qs, TreeItems::CommandImage, 0); // still shown from before
        tree.select(dropRow ? 3 : 1);
        CommandEditor editor(CommandEditor::Mode::Modify);
        editor.open(lib.store(), tree);
        QCOMPARE(editor.hasLoadedRow(), !dropRow);
        const QStringList before = lib.rows(Commands, AllColumns);
        const QString treeBefore = renderTree(tree);
        QTEST(editor.store(lib.store(), tree, input(category, name)), "result");
        QCOMPARE(lib.rows(Commands, AllColumns), before);
        QCOMPARE(renderTree(tree), treeBefore);
    }
    void deleteCommand_removesOnlyItsCategorysRow()
    {
        TempLibrary lib;
        QB_REQUIRE_LIBRARY(lib);
        QVERIFY(fillLibrary(lib));
        CategoryTree tree = built(lib);
        QCOMPARE(deleteCommand(lib.store(), tree, 1), DeleteCommandResult::Deleted);
        QCOMPARE(renderTree(tree), u"Out(sort #排序 put{}) In(print) Same Same"_qs);
        QCOMPARE(lib.rows(Commands, {u"命令名"_qs, u"分类"_qs}, u"命令名='print'"_qs), QStringList{u"print|2"_qs});
        lib.store().Close();
        QCOMPARE(deleteCommand(lib.store(), tree, 1), DeleteCommandResult::DeleteFailed);
        QCOMPARE(tree.count(), 7);
    }
    void preview_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("found");
        QTest::newRow("print in Out") << 1 << u"out 'print'"_qs << true;
        QTest::newRow("print in In") << 5 << u"in print"_qs << true;
        QTest::newRow("first Same") << 6 << u"third"_qs << true;
        QTest::newRow("second Same") << 7 << u"fourth's"_qs << true;
        QTest::newRow("empty description shows empty") << 2 << QString() << true;
        QTest::newRow("nothing selected") << -1 << QString() << false;
    }
    void preview()
    {
        QFETCH(int, selected);
        QFETCH(bool, found);
        TempLibrary lib;
        QB_REQUIRE_LIBRARY(lib);
        QVERIFY(fillLibrary(lib));
        CategoryTree tree = built(lib);
        tree.select(selected);
        const std::optional<QString> shown = descriptionPreview(lib.store(), tree);
        QCOMPARE(shown.has_value(), found);
        if (found)
            QTEST(*shown, "shown");
    }
    void insertion_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<bool>("ctrl");
        QTest::addColumn<bool>("chinese");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain, type 过程") << 1 << false << false << u"print\r\n"_qs;
        QTest::newRow("same name, type 函数") << 5 << false << false << u"print"_qs;
        QTest::newRow("Chinese name cut") << 2 << false << false << u"sort"_qs;
        QTest::newRow("Ctrl keeps Chinese name") << 2 << true << false << u"sort #排序"_qs;
        QTest::newRow("option keeps it and ends the line") << 2 << false << true << u"sort #排序\r\n"_qs;
        QTest::newRow("description command") << 3 << false << false << u"put('hello')"_qs;
        QTest::newRow("description command with option") << 3 << false << true << u"put('hello')\r\n"_qs;
    }
    void insertion()
    {
        QFETCH(int, selected);
        QFETCH(bool, ctrl);
        QFETCH(bool, chinese);
        TempLibrary lib;
        QB_REQUIRE_LIBRARY(lib);
        QVERIFY(fillLibrary(lib));
        CategoryTree tree = built(lib);
        tree.select(selected);
        const Insertion ins = insertionFor(lib.store(), tree, ctrl, chinese);
        QCOMPARE(ins.kind, Insertion::Kind::Text);
        QTEST(ins.text, "text");
    }
    void insertion_edgeNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("text");
        QTest::newRow("exactly {}") << u"{}"_qs << u"流程"_qs << u"body\r\n"_qs;
        QTest::newRow("one character") << u"}"_qs << u"无"_qs << u"}"_qs;
        QTest::newRow("quote in name") << u"a'{}"_qs << u"函数"_qs << u"body"_qs;
    }
    void insertion_edgeNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, type);
        TempLibrary lib;
        QB_REQUIRE_LIBRARY(lib);
        QVERIFY(lib.addCategory(u"C"_qs, u"1"_qs, u"0"_qs));
        QVERIFY(lib.addCommand(name, QString(), u"1"_qs, u"body"_qs, type));
        CategoryTree tree = built(lib);
        tree.select(1);
        QTEST(insertionFor(lib.store(), tree, false, false).text, "text");
    }
    void insertion_withoutRowOrCommand()
    {
        TempLibrary lib;
        QB_REQUIRE_LIBRARY(lib);
        QVERIFY(fillLibrary(lib));
        CategoryTree tree = built(lib);
        tree.append(6, u"ghost{} #鬼"_qs, TreeItems::CommandImage, 0); // no row behind it
        tree.select(7);
        const Insertion ghost = insertionFor(lib.store(), tree, false, false);
        QCOMPARE(ghost.kind, Insertion::Kind::Text);
        QCOMPARE(ghost.text, u"ghost{}"_qs);
        tree.select(0);
        QCOMPARE(insertionFor(lib.store(), tree, false, false).kind, Insertion::Kind::Nothing);
    }
};

QTEST_GUILESS_MAIN(tst_CommandOperations)
#include "tst_commandoperations.moc"
