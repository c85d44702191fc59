// SPDX-License-Identifier: GPL-3.0-or-later
// The category tree reads a category's commands only when it is expanded or an operation needs
// them, and shows the same tree as one read whole after add, modify, delete, copy and find in
// categories that were never expanded.
#include "tst_categorytree_fixture.h"

#include "library/categoryoperations.h"
#include "library/commandeditor.h"
#include "library/treebuilder.h"

#include <QClipboard>
#include <QComboBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>

using namespace LibraryGui;
using Qb::Library::CommandEditor;
using Qb::Library::FindItemByValue;
using Qb::Library::StoreResult;

namespace {

// Top(1){ Mid(2){ mcmd }, tcmd #中 }, Other(3){ ocmd, o2 }, Empty(4){}
bool fill(Library &lib)
{
    return lib.category(u"Top"_qs, 1, 0) && lib.category(u"Mid"_qs, 2, 1) && lib.category(u"Other"_qs, 3, 0)
           && lib.category(u"Empty"_qs, 4, 0) && lib.command(u"mcmd"_qs, QString(), 2, u"m desc"_qs)
           && lib.command(u"tcmd"_qs, u"中"_qs, 1) && lib.command(u"ocmd"_qs, QString(), 3, u"o desc"_qs)
           && lib.command(u"o2"_qs, QString(), 3);
}

// "A(B(x) y) C" for the widget's items, as the widget holds them now.
QString shown(QTreeWidgetItem *parent)
{
    QStringList parts;
    for (int i = 0; i < parent->childCount(); ++i) {
        QTreeWidgetItem *c = parent->child(i);
        parts.append(c->childCount() ? c->text(0) + u'(' + shown(c) + u')' : c->text(0));
    }
    return parts.join(u' ');
}

// The tree as it shows with every category read: the whole-tree build of the same library.
QString whole(Library &lib)
{
    Qb::Library::CategoryTree tree;
    Qb::Library::buildCategoryTree(lib.store, tree, 0);
    QTreeWidget widget;
    Qb::Library::Ui::TreeWidgetItems items(&widget);
    items.assign(tree);
    return shown(widget.invisibleRootItem());
}

// The tree, its click timer and its controller in a shown window, nothing expanded.
struct OnDemand
{
    explicit OnDemand(Library &lib, qint64 remembered = 0, bool afterFirstPaint = false)
    {
        window.resize(400, 500);
        tree = new QTreeWidget(&window);
        tree->setHeaderHidden(true);
        tree->resize(400, 500);
        controller = new Qb::Library::Ui::CategoryTreeController(tree, &timer, lib.store, {}, &window);
        controller->build(remembered, afterFirstPaint);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }
    QTreeWidgetItem *category(qint64 number) { return items().item(FindItemByValue(items(), number)); }
    Qb::Library::Ui::TreeWidgetItems &items() { return controller->items(); }
    QString all() { return shown(tree->invisibleRootItem()); }
    // Selects the item with a click and expands it with the keyboard, as a user does.
    void expandByKey(QTreeWidgetItem *item)
    {
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
        QTest::keyClick(tree, Qt::Key_Right);
    }

    QWidget window;
    QTreeWidget *tree = nullptr;
    QTimer timer;
    Qb::Library::Ui::CategoryTreeController *controller = nullptr;
};

} // namespace

class tst_LazyTreeGui : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_lib = std::make_unique<Library>();
        if (!m_lib->ready() || !fill(*m_lib))
            QSKIP("could not create the command library");
    }
    void cleanup() { m_lib.reset(); }

    void commands_areReadOnlyOnExpansion()
    {
        OnDemand t(*m_lib);
        QCOMPARE(t.all(), u"Top(Mid) Other Empty"_qs);
        // Unread categories show their arrow; once the tree has painted, the empty one loses its.
        QCOMPARE(t.category(3)->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
        QTRY_COMPARE(t.category(4)->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless);
        QCOMPARE(t.category(3)->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
        QCOMPARE(t.all(), u"Top(Mid) Other Empty"_qs);
        t.expandByKey(t.category(3));
        QVERIFY(t.category(3)->isExpanded());
        QCOMPARE(t.all(), u"Top(Mid) Other(ocmd o2) Empty"_qs);
        // The others keep their arrow and are still unread.
        QCOMPARE(t.category(1)->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
        QVERIFY(!t.items().commandsLoaded(FindItemByValue(t.items(), 1)));
        t.expandByKey(t.category(1));
        t.expandByKey(t.category(2));
        QCOMPARE(t.all(), whole(*m_lib));
        // Collapsing and expanding again reads nothing twice.
        t.category(3)->setExpanded(false);
        t.category(3)->setExpanded(true);
        QCOMPARE(t.all(), whole(*m_lib));
        QVERIFY(t.items().commandId(t.items().indexOf(t.category(3)->child(0))) > 0);
    }
    void remembered_isReadWithItsAncestors()
    {
        OnDemand t(*m_lib, 2);
        QCOMPARE(t.all(), u"Top(Mid(mcmd) tcmd #中) Other Empty"_qs);
        QVERIFY(t.category(1)->isExpanded() && t.category(2)->isExpanded() && !t.category(3)->isExpanded());
    }
    void remembered_ofALargeLibrary_isReadOnceTheTreeHasPainted()
    {
        OnDemand t(*m_lib, 2, true);
        QVERIFY(t.tree->isVisible());
        QTRY_VERIFY(t.category(2)->isExpanded());
        QVERIFY(t.category(1)->isExpanded() && !t.category(3)->isExpanded());
        QCOMPARE(t.all(), u"Top(Mid(mcmd) tcmd #中) Other Empty"_qs);
    }
    void largeLibrary_emptyCategoriesOnScreenLoseTheirArrowUnread()
    {
        // Empty categories 10..69 below the others: the last ones start off screen.
        for (int n = 10; n < 70; ++n)
            QVERIFY(m_lib->category(u"E"_qs + QString::number(n), n, 0));
        OnDemand t(*m_lib, 0, true);
        QTRY_COMPARE(t.category(4)->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless);
        QCOMPARE(t.category(3)->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
        QTreeWidgetItem *last = t.category(69);
        QVERIFY(t.tree->visualItemRect(last).top() >= t.tree->viewport()->height());
        QCOMPARE(last->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
        // Nothing was read to find that out.
        for (const qint64 n : {1, 2, 3})
            QVERIFY(!t.items().commandsLoaded(FindItemByValue(t.items(), n)));
        t.tree->scrollToBottom();
        QTRY_COMPARE(last->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless);
        QCOMPARE(t.category(3)->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
        // The first read settles the rest, and the tree is the one read whole.
        t.tree->scrollToTop();
        t.expandByKey(t.category(3));
        QVERIFY(!t.items().commandsLoaded(FindItemByValue(t.items(), 1)));
        t.expandByKey(t.category(1));
        t.expandByKey(t.category(2));
        QCOMPARE(t.all(), whole(*m_lib));
    }
    void add_intoAnUnexpandedCategory_endsItsList()
    {
        OnDemand t(*m_lib);
        t.items().select(FindItemByValue(t.items(), 3));
        CommandEditor add(CommandEditor::Mode::Add);
        QCOMPARE(add.open(m_lib->store, t.items()).selectedCategory, 2);
        QCOMPARE(add.store(m_lib->store, t.items(), {3, u"new"_qs, u"新"_qs, u"无"_qs, QString()}), StoreResult::Added);
        QCOMPARE(add.store(m_lib->store, t.items(), {3, u"ocmd"_qs, QString(), u"无"_qs, QString()}),
                 StoreResult::Duplicate);
        t.category(3)->setExpanded(true);
        QCOMPARE(t.all(), u"Top(Mid) Other(ocmd o2 new #新) Empty"_qs);
        // A sub-category added under an unread category goes after its commands.
        t.items().select(FindItemByValue(t.items(), 2));
        QCOMPARE(Qb::Library::addCategory(m_lib->store, t.items(), true, u"Sub"_qs, QString()),
                 Qb::Library::AddCategoryResult::Added);
        t.category(2)->setExpanded(true);
        QCOMPARE(t.category(2)->parent()->text(0), u"Top"_qs);
        QCOMPARE(shown(t.category(2)), u"mcmd Sub"_qs);
        t.category(1)->setExpanded(true);
        QCOMPARE(t.all(), u"Top(Mid(mcmd Sub) tcmd #中) Other(ocmd o2 new #新) Empty"_qs);
    }
    void modify_intoAnUnexpandedCategory_movesTheItemOnce()
    {
        OnDemand t(*m_lib, 2);
        t.items().select(t.items().indexOf(t.category(2)->child(0))); // mcmd
        CommandEditor modify(CommandEditor::Mode::Modify);
        QCOMPARE(modify.open(m_lib->store, t.items()).name, u"mcmd"_qs);
        QCOMPARE(modify.store(m_lib->store, t.items(), {3, u"mcmd"_qs, QString(), u"无"_qs, u"m desc"_qs}),
                 StoreResult::Updated);
        QCOMPARE(shown(t.category(2)), QString());
        t.category(3)->setExpanded(true);
        QCOMPARE(shown(t.category(3)), u"ocmd o2 mcmd"_qs);
        // The stored order may differ (the row can move into freed space); the tree keeps the
        // moved command last, as a tree read whole at start-up would.
        QCOMPARE(m_lib->rows(u"命令库"_qs, {u"分类"_qs}, u"命令名='mcmd'"_qs), QStringList{u"3"_qs});
    }
    // Once an expansion has made the library's lookup by category, the writes that follow keep
    // it: a tree built afresh on the same connection reads every category as it now is.
    void writesAfterTheFirstRead_showInATreeBuiltAfresh()
    {
        {
            OnDemand t(*m_lib);
            t.category(3)->setExpanded(true);
            t.items().select(FindItemByValue(t.items(), 4));
            CommandEditor add(CommandEditor::Mode::Add);
            (void)add.open(m_lib->store, t.items());
            QCOMPARE(add.store(m_lib->store, t.items(), {4, u"e1"_qs, QString(), u"无"_qs, QString()}),
                     StoreResult::Added);
            t.items().select(t.items().indexOf(t.category(3)->child(0))); // ocmd
            CommandEditor modify(CommandEditor::Mode::Modify);
            QCOMPARE(modify.open(m_lib->store, t.items()).name, u"ocmd"_qs);
            QCOMPARE(modify.store(m_lib->store, t.items(), {1, u"ocmd"_qs, QString(), u"无"_qs, u"o desc"_qs}),
                     StoreResult::Updated);
        }
        const auto expandedAfresh = [&] {
            OnDemand t(*m_lib);
            for (qint64 n : {1, 2, 3, 4})
                if (QTreeWidgetItem *c = t.category(n))
                    c->setExpanded(true);
            return t.all();
        };
        QCOMPARE(expandedAfresh(), u"Top(Mid(mcmd) tcmd #中 ocmd) Other(o2) Empty(e1)"_qs);
        {
            OnDemand t(*m_lib);
            t.items().select(FindItemByValue(t.items(), 3));
            whenModal([&](QWidget *m) { (void)answerBox(m, QMessageBox::Yes); });
            t.controller->deleteSelected();
        }
        QCOMPARE(expandedAfresh(), u"Top(Mid(mcmd) tcmd #中 ocmd) Empty(e1)"_qs);
    }
    void deleteCategory_removesUnreadCommands()
    {
        OnDemand t(*m_lib);
        t.items().select(FindItemByValue(t.items(), 1));
        QString question;
        whenModal([&](QWidget *m) { question = answerBox(m, QMessageBox::Yes); });
        t.controller->deleteSelected();
        QVERIFY(question.startsWith(u"询问：|确定删除分类“Top”"_qs));
        QCOMPARE(t.all(), u"Other Empty"_qs);
        QCOMPARE(m_lib->rows(u"命令库"_qs, {u"命令名"_qs}), (QStringList{u"ocmd"_qs, u"o2"_qs}));
        QCOMPARE(m_lib->rows(u"分类表"_qs, {u"分类名"_qs}), (QStringList{u"Other"_qs, u"Empty"_qs}));
    }
    void findAndCopy_inAnUnexpandedCategory()
    {
        OnDemand t(*m_lib);
        whenModal([](QWidget *m) {
            auto *input = qobject_cast<QInputDialog *>(m);
            input->setTextValue(u"O2"_qs);
            input->accept();
        });
        t.controller->findCommand();
        const int found = t.items().selection();
        QCOMPARE(t.items().text(found), u"o2"_qs);
        QCOMPARE(t.items().text(t.items().parent(found)), u"Other"_qs);
        QVERIFY(t.category(3)->isExpanded()); // revealed
        QVERIFY(!t.items().commandsLoaded(FindItemByValue(t.items(), 1)));
        QVERIFY(t.timer.isActive());
        t.controller->copyName();
        QCOMPARE(QGuiApplication::clipboard()->text(), u"o2"_qs);
        QCOMPARE(t.all(), u"Top(Mid) Other(ocmd o2) Empty"_qs);
    }

private:
    std::unique_ptr<Library> m_lib;
};

QTEST_MAIN(tst_LazyTreeGui)
#include "tst_lazytree.moc"
