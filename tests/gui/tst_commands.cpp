// SPDX-License-Identifier: GPL-3.0-or-later
// The command items of the 命令(&M) menu on a shown tree: the 命令添加 dialog in both modes,
// delete, copy and find, with two categories each holding a command `print`.
#include "tst_categorytree_fixture.h"

#include <QClipboard>
#include <QComboBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

using namespace LibraryGui;

namespace {

// Out(1){ print #打印 }, In(2){ print }  ->  Out0 print1 In2 print3
bool fill(Library &lib)
{
    return lib.category(u"Out"_qs, 1, 0) && lib.category(u"In"_qs, 2, 0)
           && lib.command(u"print"_qs, u"打印"_qs, 1, u"out ^!p^!"_qs, u"过程"_qs)
           && lib.command(u"print"_qs, QString(), 2, u"in p"_qs, u"函数"_qs);
}

const QStringList AllColumns{u"命令名"_qs, u"中文名"_qs, u"分类"_qs, u"说明"_qs, u"类型"_qs};
const QString OutPrint = u"print|打印|1|out ^!p^!|过程"_qs;

template<typename T>
T *child(QWidget *w, const char *name)
{
    return w->findChild<T *>(QString::fromUtf8(name));
}

} // namespace

class tst_CommandsGui : public QObject
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

    void add_staysOpenAndRefusesADuplicate()
    {
        Harness h(*m_lib);
        h.click(3); // print in In: In is preselected
        QVERIFY(h.timerIdle());
        QString category, type, button, duplicate;
        bool openAfterAdd = false, cleared = false;
        whenModal([&](QWidget *d) {
            category = child<QComboBox>(d, "组合框_分类")->currentText();
            type = child<QComboBox>(d, "组合框_类型")->currentText();
            button = child<QPushButton>(d, "按钮_添加")->text();
            child<QLineEdit>(d, "编辑框_命令名")->setText(u"len"_qs);
            child<QLineEdit>(d, "编辑框_中文名")->setText(u"长度"_qs);
            child<QComboBox>(d, "组合框_类型")->setCurrentIndex(2);
            child<QPlainTextEdit>(d, "编辑框_说明")->setPlainText(u"len('x')"_qs);
            child<QPushButton>(d, "按钮_添加")->click();
            openAfterAdd = d->isVisible();
            cleared = child<QLineEdit>(d, "编辑框_命令名")->text().isEmpty()
                      && child<QPlainTextEdit>(d, "编辑框_说明")->toPlainText().isEmpty();
            child<QLineEdit>(d, "编辑框_命令名")->setText(u"print"_qs);
            whenModal([&, d](QWidget *box) {
                duplicate = answerBox(box);
                child<QPushButton>(d, "按钮2")->click();
            });
            child<QPushButton>(d, "按钮_添加")->click();
        });
        h.controller->addCommand();
        QCOMPARE(category, u"In"_qs);
        QCOMPARE(type, u"无"_qs);
        QCOMPARE(button, u"添加"_qs);
        QVERIFY(openAfterAdd);
        QVERIFY(cleared);
        QCOMPARE(duplicate, u"信息：|此命令已经添加过"_qs);
        QCOMPARE(h.item(4)->text(0), u"len #长度"_qs);
        QCOMPARE(h.item(4)->parent(), h.item(2));
        QCOMPARE(m_lib->rows(u"命令库"_qs, AllColumns, u"分类='2'"_qs),
                 (QStringList{u"print||2|in p|函数"_qs, u"len|长度|2|len(^!x^!)|函数"_qs}));
    }
    void modify_changesOnlyTheSelectedPrint()
    {
        Harness h(*m_lib);
        h.click(3);
        QVERIFY(h.timerIdle());
        QString shownDescription, shownType, button;
        whenModal([&](QWidget *d) {
            button = child<QPushButton>(d, "按钮_添加")->text();
            shownDescription = child<QPlainTextEdit>(d, "编辑框_说明")->toPlainText();
            shownType = child<QComboBox>(d, "组合框_类型")->currentText();
            child<QLineEdit>(d, "编辑框_中文名")->setText(u"印"_qs);
            child<QPlainTextEdit>(d, "编辑框_说明")->setPlainText(u"in 'p2'"_qs);
            child<QPushButton>(d, "按钮_添加")->click(); // a successful update closes the dialog
        });
        h.controller->modifyCommand();
        QCOMPARE(button, u"修改"_qs);
        QCOMPARE(shownDescription, u"in p"_qs);
        QCOMPARE(shownType, u"函数"_qs);
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(h.item(3)->text(0), u"print #印"_qs);
        QCOMPARE(h.item(1)->text(0), u"print #打印"_qs);
        QCOMPARE(m_lib->rows(u"命令库"_qs, AllColumns), (QStringList{OutPrint, u"print|印|2|in ^!p2^!|函数"_qs}));
    }
    void modify_withoutACommandSelected_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("message");
        QTest::newRow("nothing selected") << -1 << u"信息：|请选择要修改的命令"_qs;
        QTest::newRow("category selected") << 0 << QString();
    }
    void modify_withoutACommandSelected()
    {
        QFETCH(int, selected);
        Harness h(*m_lib);
        h.controller->items().select(selected);
        QString seen;
        // A dialog opened by mistake would be answered too, so the test ends either way.
        QPointer<QTimer> watch = whenModal([&](QWidget *m) {
            seen = answerBox(m);
            if (seen.isEmpty())
                static_cast<QDialog *>(m)->reject();
        });
        h.controller->modifyCommand();
        delete watch.data();
        QTEST(seen, "message");
    }
    void delete_removesOnlyItsCategorysPrint()
    {
        Harness h(*m_lib);
        h.click(1);
        QVERIFY(h.timerIdle());
        QString question;
        whenModal([&](QWidget *m) { question = answerBox(m, QMessageBox::Yes); });
        h.controller->deleteSelected();
        QCOMPARE(question, u"询问：|确定删除命令“print”吗？"_qs);
        QCOMPARE(h.controller->items().count(), 3);
        QCOMPARE(h.item(2)->text(0), u"print"_qs);
        QCOMPARE(m_lib->rows(u"命令库"_qs, {u"命令名"_qs, u"分类"_qs}), QStringList{u"print|2"_qs});
    }
    void delete_nothingSelectedSays()
    {
        Harness h(*m_lib);
        QString seen;
        whenModal([&](QWidget *m) { seen = answerBox(m); });
        h.controller->deleteSelected();
        QCOMPARE(seen, u"信息：|请选择要删除的命令"_qs);
    }
    void copy_nameOrWholeText()
    {
        Harness h(*m_lib);
        h.click(1);
        h.controller->copyName();
        QCOMPARE(QGuiApplication::clipboard()->text(), u"print"_qs);
        h.controller->copyWithComment();
        QCOMPARE(QGuiApplication::clipboard()->text(), u"print #打印"_qs);
        h.click(2); // a category: its name
        h.controller->copyName();
        QCOMPARE(QGuiApplication::clipboard()->text(), u"In"_qs);
        h.controller->items().select(-1);
        QString seen;
        whenModal([&](QWidget *m) { seen = answerBox(m); });
        h.controller->copyWithComment();
        QCOMPARE(seen, u"信息：|请选择要复制的命令"_qs);
    }
    void find_selectsAndPreviewsWithoutWrapping()
    {
        Harness h(*m_lib);
        // Runs 查找命令 with `text`; a notice it shows is answered into `notice`.
        auto search = [&](const QString &text, QString *notice = nullptr) {
            QString prompt;
            whenModal([&prompt, text, notice](QWidget *m) {
                auto *input = qobject_cast<QInputDialog *>(m);
                prompt = m->windowTitle() + u'|' + input->labelText() + u'|' + input->okButtonText() + u'|'
                         + input->cancelButtonText();
                input->setTextValue(text);
                if (notice)
                    whenModal([notice](QWidget *box) { *notice = answerBox(box); });
                input->accept();
            });
            h.controller->findCommand();
            return prompt;
        };
        QCOMPARE(search(u"打印"_qs), u"请输入：|输入要查找的命令：|确认输入(&O)|取消(&C)"_qs);
        QCOMPARE(h.controller->items().selection(), 1);
        QVERIFY(h.timer->isActive());
        QTRY_COMPARE(h.info->toPlainText(), u"out 'p'"_qs);
        search(u"PRINT"_qs); // the selected item itself matches again
        QCOMPARE(h.controller->items().selection(), 1);
        h.click(3);
        QVERIFY(h.timerIdle());
        QString seen;
        search(u"打印"_qs, &seen); // only behind the selection, never from the top again
        QCOMPARE(seen, u"信息：|没找到命令"_qs);
        QCOMPARE(h.controller->items().selection(), 3);
    }

private:
    std::unique_ptr<Library> m_lib;
};

QTEST_MAIN(tst_CommandsGui)
#include "tst_commands.moc"
