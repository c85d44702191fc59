// SPDX-License-Identifier: GPL-3.0-or-later
// The 添加关键字 dialog over a real command library: listing, adding, refusing duplicates and
// empty input, deleting, and when the editor's colouring follows.
#include "messagebox_support.h"
#include "editor/keywords.h"
#include "editor/ui/keyworddialog.h"
#include "editor/ui/scripteditor.h"
#include "jet/database.h"
#include "library/sqlhelper.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using Qb::Editor::KeywordDialog;
using Qb::Editor::KeywordTable;
using Qb::Resources::DefinedWindow;

namespace {

struct Library
{
    QTemporaryDir dir;
    Qb::Library::SqlHelper store;
    bool ok = false;

    Library()
    {
        const QString path = dir.path() + QStringLiteral("/qbxdb.mdb");
        ok = Qb::Jet::Database::createLibrary(QFile::encodeName(path).toStdString()).has_value()
             && store.Open(path, QString::fromLatin1(Qb::Library::DatabasePassword));
    }
    QStringList keywords()
    {
        QStringList words;
        for (const auto &row : KeywordTable(store).rows())
            words << row.keyword;
        return words;
    }
};

QStringList listed(QTreeWidget *list)
{
    QStringList rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        rows << list->topLevelItem(i)->text(0) + u'|' + list->topLevelItem(i)->text(1);
    return rows;
}

} // namespace

class tst_Keywords : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void add_listsStoresAndClears();
    void add_refusals_data();
    void add_refusals();
    void delete_selectedRowAndNoSelection();
    void delete_lastKeywordThenOkKeepsOldColouring();
    void okReloadsColouring_cancelDoesNot();
    void quoteInKeyword_storedAsTyped();
    void openedAgain_raisesTheSameWindow();

private:
    std::unique_ptr<Library> m_lib;
    std::unique_ptr<QWidget> m_owner;
    Qb::Editor::ScriptEditor *m_editor = nullptr;

    KeywordDialog *open()
    {
        return DefinedWindow::OpenWindow<KeywordDialog>(m_owner.get(), false, *m_editor, m_lib->store);
    }
    void type(KeywordDialog *d, const QString &text) { d->control<QLineEdit>("编辑框_关键字")->setText(text); }
    QPushButton *button(KeywordDialog *d, const char *name) { return d->control<QPushButton>(name); }
};

void tst_Keywords::init()
{
    m_lib = std::make_unique<Library>();
    if (!m_lib->ok)
        QSKIP("the engine cannot create a command library here");
    m_owner = std::make_unique<QWidget>();
    m_editor = new Qb::Editor::ScriptEditor(m_owner.get());
}

void tst_Keywords::add_listsStoresAndClears()
{
    QVERIFY(m_lib->store.Insert(QStringLiteral("关键字表"), QStringLiteral("关键字,颜色"),
                                QStringLiteral("'print','255'")));
    KeywordDialog *d = open();
    QVERIFY(d);
    auto *list = d->control<QTreeWidget>("超级列表框1");
    QCOMPARE(listed(list), QStringList{"print|255"});
    QCOMPARE(list->columnCount(), 2);

    type(d, QStringLiteral("打印"));
    QCOMPARE(Qb::Test::clickCatchingMessage(button(d, "按钮_添加")), QString());
    QCOMPARE(listed(list), (QStringList{"print|255", "打印|0"}));
    QCOMPARE(m_lib->keywords(), (QStringList{"print", "打印"}));
    QCOMPARE(d->control<QLineEdit>("编辑框_关键字")->text(), QString());
    QCOMPARE(d->focusWidget(), d->control<QLineEdit>("编辑框_关键字"));
}

void tst_Keywords::add_refusals_data()
{
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty: nothing, no message") << "" << "";
    QTest::newRow("duplicate") << "self" << "此命令已经添加过";
    QTest::newRow("duplicate as the database compares") << "SELF" << "此命令已经添加过";
}

void tst_Keywords::add_refusals()
{
    QFETCH(QString, keyword);
    QFETCH(QString, message);
    QVERIFY(m_lib->store.Insert(QStringLiteral("关键字表"), QStringLiteral("关键字,颜色"),
                                QStringLiteral("'self','0'")));
    KeywordDialog *d = open();
    type(d, keyword);
    QCOMPARE(Qb::Test::clickCatchingMessage(button(d, "按钮_添加")), message);
    QCOMPARE(m_lib->keywords(), QStringList{"self"});
    QCOMPARE(listed(d->control<QTreeWidget>("超级列表框1")), QStringList{"self|0"});
    QCOMPARE(d->control<QLineEdit>("编辑框_关键字")->text(), keyword); // left as typed
    QVERIFY(d->isVisible());
}

void tst_Keywords::delete_selectedRowAndNoSelection()
{
    KeywordDialog *d = open();
    for (const char *word : {"a", "b", "c"}) {
        type(d, QString::fromUtf8(word));
        button(d, "按钮_添加")->click();
    }
    auto *list = d->control<QTreeWidget>("超级列表框1");
    list->clearSelection();
    QCOMPARE(Qb::Test::clickCatchingMessage(button(d, "按钮_删除")), QStringLiteral("请选择要删除的项目"));
    QCOMPARE(m_lib->keywords().size(), 3);

    list->setCurrentItem(list->topLevelItem(1));
    QCOMPARE(Qb::Test::clickCatchingMessage(button(d, "按钮_删除")), QString());
    QCOMPARE(m_lib->keywords(), (QStringList{"a", "c"}));
    QCOMPARE(listed(list), (QStringList{"a|0", "c|0"}));
}

void tst_Keywords::delete_lastKeywordThenOkKeepsOldColouring()
{
    QVERIFY(m_lib->store.Insert(QStringLiteral("关键字表"), QStringLiteral("关键字,颜色"),
                                QStringLiteral("'print','0'")));
    QVERIFY(m_editor->LoadKeywords(m_lib->store));
    KeywordDialog *d = open();
    auto *list = d->control<QTreeWidget>("超级列表框1");
    list->setCurrentItem(list->topLevelItem(0));
    button(d, "按钮_删除")->click();
    QVERIFY(m_lib->keywords().isEmpty());
    button(d, "按钮1")->click();
    QTRY_VERIFY(!DefinedWindow::openWindowOf<KeywordDialog>(m_owner.get()));
    QCOMPARE(m_editor->keywordList(), QByteArray("print ")); // an empty table changes nothing
}

void tst_Keywords::okReloadsColouring_cancelDoesNot()
{
    KeywordDialog *d = open();
    type(d, QStringLiteral("alpha"));
    button(d, "按钮_添加")->click();
    button(d, "按钮2")->click();
    QTRY_VERIFY(!DefinedWindow::openWindowOf<KeywordDialog>(m_owner.get()));
    QCOMPARE(m_editor->keywordList(), QByteArray()); // stored, not yet coloured
    QCOMPARE(m_lib->keywords(), QStringList{"alpha"});

    d = open();
    type(d, QStringLiteral("beta"));
    button(d, "按钮_添加")->click();
    button(d, "按钮1")->click();
    QTRY_VERIFY(!DefinedWindow::openWindowOf<KeywordDialog>(m_owner.get()));
    QCOMPARE(m_editor->keywordList(), QByteArray("alpha beta "));
}

void tst_Keywords::quoteInKeyword_storedAsTyped()
{
    KeywordDialog *d = open();
    type(d, QStringLiteral("it's"));
    QCOMPARE(Qb::Test::clickCatchingMessage(button(d, "按钮_添加")), QString());
    type(d, QStringLiteral("it's"));
    QCOMPARE(Qb::Test::clickCatchingMessage(button(d, "按钮_添加")), QStringLiteral("此命令已经添加过"));
    QCOMPARE(m_lib->keywords(), QStringList{"it's"});
    auto *list = d->control<QTreeWidget>("超级列表框1");
    list->setCurrentItem(list->topLevelItem(0));
    QCOMPARE(Qb::Test::clickCatchingMessage(button(d, "按钮_删除")), QString());
    QVERIFY(m_lib->keywords().isEmpty());
}

void tst_Keywords::openedAgain_raisesTheSameWindow()
{
    KeywordDialog *first = open();
    QCOMPARE(open(), first);
    QCOMPARE(m_owner->findChildren<KeywordDialog *>().size(), 1);
}

QTEST_MAIN(tst_Keywords)
#include "tst_keywords.moc"
