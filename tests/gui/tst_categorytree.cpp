// SPDX-License-Identifier: GPL-3.0-or-later
// The category tree driven with the mouse and keyboard: the click timer and its preview, the
// double-click gate, in-place renaming and the category items of the 命令(&M) menu.
#include "tst_categorytree_fixture.h"

#include <QLineEdit>
#include <QPushButton>

using namespace LibraryGui;

namespace {

// Top(1){ Mid(2){ mcmd }, tcmd #中 }, Other(3){ ocmd }  ->  Top0 Mid1 mcmd2 tcmd3 Other4 ocmd5
bool fill(Library &lib)
{
    return lib.category(u"Top"_qs, 1, 0, u"top desc"_qs) && lib.category(u"Mid"_qs, 2, 1)
           && lib.category(u"Other"_qs, 3, 0, u"other^!s"_qs) && lib.command(u"mcmd"_qs, QString(), 2, u"m desc"_qs)
           && lib.command(u"tcmd"_qs, u"中"_qs, 1, u"t desc"_qs) && lib.command(u"ocmd"_qs, QString(), 3, u"o desc"_qs);
}

const QStringList CategoryColumns{u"分类名"_qs, u"序号"_qs, u"父类"_qs, u"说明"_qs};

} // namespace

class tst_CategoryTreeGui : public QObject
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

    void mouseSelection_previewsAfterTheTimer_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("shown");
        QTest::newRow("category, quote restored") << 4 << u"other's"_qs;
        QTest::newRow("command with Chinese name") << 3 << u"t desc"_qs;
        QTest::newRow("nested command") << 2 << u"m desc"_qs;
    }
    void mouseSelection_previewsAfterTheTimer()
    {
        QFETCH(int, item);
        Harness h(*m_lib);
        h.click(item);
        QVERIFY(h.timer->isActive());
        QCOMPARE(h.timer->interval(), 10);
        QFETCH(QString, shown);
        QTRY_COMPARE(h.info->toPlainText(), shown);
    }
    void arrowKeys_startNoTimer()
    {
        Harness h(*m_lib);
        h.click(0);
        QVERIFY(h.timerIdle());
        QCOMPARE(h.info->toPlainText(), u"top desc"_qs);
        QTest::keyClick(h.tree, Qt::Key_Down);
        QCOMPARE(h.controller->items().selection(), 1);
        QVERIFY(!h.timer->isActive());
        QTest::keyClick(h.tree, Qt::Key_Down);
        QVERIFY(!h.timer->isActive());
        QCOMPARE(h.info->toPlainText(), u"top desc"_qs);
    }
    void doubleClick_swallowsTheNextPreviewOnly()
    {
        Harness h(*m_lib);
        h.click(2);
        QVERIFY(h.timerIdle());
        QCOMPARE(h.info->toPlainText(), u"m desc"_qs);
        h.doubleClick(2); // already selected: no selection change, no timer
        QVERIFY(h.controller->clickGate().DoubleClickSeen());
        QCOMPARE(h.editor->GetScriptText(), u"mcmd"_qs);
        h.click(5);
        QVERIFY(h.timerIdle());
        QCOMPARE(h.info->toPlainText(), u"m desc"_qs); // this one is swallowed
        QVERIFY(!h.controller->clickGate().DoubleClickSeen());
        h.click(4);
        QVERIFY(h.timerIdle());
        QCOMPARE(h.info->toPlainText(), u"other's"_qs);
    }
    void doubleClickOnCategory_insertsNothing()
    {
        Harness h(*m_lib);
        h.click(4);
        QVERIFY(h.timerIdle());
        h.doubleClick(4);
        QCOMPARE(h.editor->GetScriptText(), QString());
        QVERIFY(h.controller->clickGate().DoubleClickSeen());
    }
    void rightClick_keepsTheSelection()
    {
        Harness h(*m_lib);
        h.click(2);
        QTest::mouseClick(h.tree->viewport(), Qt::RightButton, {}, h.centre(4));
        QCOMPARE(h.controller->items().selection(), 2);
    }
    void rename_inPlaceStoresByNumber()
    {
        Harness h(*m_lib);
        QVERIFY(!(h.item(2)->flags() & Qt::ItemIsEditable)); // commands are not renamed in place
        QVERIFY(h.item(1)->flags() & Qt::ItemIsEditable);
        h.click(2); // a command selected: its category is renamed
        QVERIFY(h.timerIdle());
        h.controller->rename();
        auto *edit = h.tree->findChild<QLineEdit *>();
        QVERIFY(edit);
        QTRY_VERIFY(edit->isVisible());
        QCOMPARE(edit->text(), u"Mid"_qs);
        edit->setText(u"Middle"_qs);
        QTest::keyClick(edit, Qt::Key_Return);
        QTRY_COMPARE(h.item(1)->text(0), u"Middle"_qs);
        QCOMPARE(m_lib->rows(u"分类表"_qs, {u"分类名"_qs}, u"序号='2'"_qs), QStringList{u"Middle"_qs});
        QCOMPARE(h.item(2)->text(0), u"mcmd"_qs);
    }
    void rename_nothingSelectedSays()
    {
        Harness h(*m_lib);
        QString seen;
        whenModal([&](QWidget *m) { seen = answerBox(m); });
        h.controller->rename();
        QCOMPARE(seen, u"信息：|请选择要重命名的分类"_qs);
    }
    void addSubCategory_throughTheDialog()
    {
        Harness h(*m_lib);
        h.click(2); // a command: the new category goes under its category Mid
        QVERIFY(h.timerIdle());
        whenModal([](QWidget *m) {
            m->findChild<QLineEdit *>(u"编辑框2"_qs)->setText(u"Sub"_qs);
            m->findChild<QPlainTextEdit *>(u"编辑框1"_qs)->setPlainText(u"it's"_qs);
            m->findChild<QPushButton *>(u"按钮1"_qs)->click();
        });
        h.controller->addSubCategory();
        QCOMPARE(h.item(3)->text(0), u"Sub"_qs);
        QCOMPARE(h.item(3)->parent(), h.item(1));
        QCOMPARE(h.controller->items().selection(), 2);
        QCOMPARE(m_lib->rows(u"分类表"_qs, CategoryColumns, u"序号='4'"_qs), QStringList{u"Sub|4|2|it^!s"_qs});
    }
    void addCategory_cancelledAddsNothing()
    {
        Harness h(*m_lib);
        whenModal([](QWidget *m) {
            m->findChild<QLineEdit *>(u"编辑框2"_qs)->setText(u"Never"_qs);
            m->findChild<QPushButton *>(u"按钮2"_qs)->click();
        });
        h.controller->addCategory();
        QCOMPARE(h.controller->items().count(), 6);
        QCOMPARE(m_lib->rows(u"分类表"_qs, CategoryColumns).size(), 3);
    }
    void modifyDescription_ofTheSelectedCategoryOnly()
    {
        QVERIFY(m_lib->category(u"Other"_qs, 9, 0, u"twin"_qs)); // same name, another number
        Harness h(*m_lib);
        h.click(5); // ocmd: its category Other (3)
        QVERIFY(h.timerIdle());
        QString caption, shown;
        bool nameLocked = false;
        whenModal([&](QWidget *m) {
            caption = m->windowTitle();
            nameLocked = !m->findChild<QLineEdit *>(u"编辑框2"_qs)->isEnabled();
            auto *desc = m->findChild<QPlainTextEdit *>(u"编辑框1"_qs);
            shown = desc->toPlainText();
            desc->setPlainText(u"new 'one'"_qs);
            m->findChild<QPushButton *>(u"按钮1"_qs)->click();
        });
        h.controller->modifyCategoryDescription();
        QCOMPARE(caption, u"修改分类说明"_qs);
        QVERIFY(nameLocked);
        QCOMPARE(shown, u"other's"_qs);
        QCOMPARE(m_lib->rows(u"分类表"_qs, {u"序号"_qs, u"说明"_qs}, u"分类名='Other'"_qs),
                 (QStringList{u"3|new ^!one^!"_qs, u"9|twin"_qs}));
    }
    void deleteCategory_asksThenRemovesTheSubtree_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }
    void deleteCategory_asksThenRemovesTheSubtree()
    {
        QFETCH(bool, yes);
        Harness h(*m_lib);
        h.click(0);
        QVERIFY(h.timerIdle());
        QString seen;
        whenModal([&](QWidget *m) { seen = answerBox(m, yes ? QMessageBox::Yes : QMessageBox::No); });
        h.controller->deleteSelected();
        QCOMPARE(seen, u"询问：|确定删除分类“Top”吗?\r\n删除后其子类及其命令项也将被删除。"_qs);
        QCOMPARE(h.controller->items().count(), yes ? 2 : 6);
        const QStringList left = yes ? QStringList{u"Other"_qs} : QStringList{u"Top"_qs, u"Mid"_qs, u"Other"_qs};
        QCOMPARE(m_lib->rows(u"分类表"_qs, {u"分类名"_qs}), left);
        QCOMPARE(m_lib->rows(u"命令库"_qs, {u"命令名"_qs}).size(), yes ? 1 : 3);
    }

private:
    std::unique_ptr<Library> m_lib;
};

QTEST_MAIN(tst_CategoryTreeGui)
#include "tst_categorytree.moc"
