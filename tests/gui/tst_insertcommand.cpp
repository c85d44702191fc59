// SPDX-License-Identifier: GPL-3.0-or-later
// Double-clicking commands in the tree: the inserted text, Ctrl and the Chinese-name option, the
// "{}" rule, the line end of 流程/过程, and the caret behind the text 200 ms later.
#include "tst_categorytree_fixture.h"

#include <Qsci/qsciscintillabase.h>

using namespace LibraryGui;

namespace {

// C(1){ put{} , sort #排序, run, print }, D(2){ put{}, print }
//   ->  C0 put{}1 sort2 run3 print4 D5 put{}6 print7
bool fill(Library &lib)
{
    return lib.category(u"C"_qs, 1, 0) && lib.category(u"D"_qs, 2, 0)
           && lib.command(u"put{}"_qs, QString(), 1, u"print(^!hello^!)"_qs, u"函数"_qs)
           && lib.command(u"sort"_qs, u"排序"_qs, 1, QString(), u"无"_qs)
           && lib.command(u"run"_qs, QString(), 1, QString(), u"流程"_qs)
           && lib.command(u"print"_qs, QString(), 1, QString(), QString())
           && lib.command(u"put{}"_qs, QString(), 2, u"print(^!other^!)"_qs, u"过程"_qs)
           && lib.command(u"print"_qs, QString(), 2, QString(), u"过程"_qs);
}

long caret(Qb::Editor::ScriptEditor *e)
{
    return e->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS);
}

} // namespace

class tst_InsertCommandGui : public QObject
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

    void doubleClick_inserts_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<bool>("ctrl");
        QTest::addColumn<bool>("option");
        QTest::addColumn<QString>("text");
        QTest::newRow("description command, 函数") << 1 << false << false << u"print('hello')"_qs;
        QTest::newRow("same name in D, 过程") << 6 << false << false << u"print('other')\r\n"_qs;
        QTest::newRow("Chinese name cut") << 2 << false << false << u"sort"_qs;
        QTest::newRow("Ctrl keeps the Chinese name") << 2 << true << false << u"sort #排序"_qs;
        QTest::newRow("option keeps it and ends the line") << 2 << false << true << u"sort #排序\r\n"_qs;
        QTest::newRow("流程 ends the line") << 3 << false << false << u"run\r\n"_qs;
        QTest::newRow("empty type in C") << 4 << false << false << u"print"_qs;
        QTest::newRow("过程 in D") << 7 << false << false << u"print\r\n"_qs;
    }
    void doubleClick_inserts()
    {
        QFETCH(int, item);
        QFETCH(bool, ctrl);
        QFETCH(bool, option);
        QFETCH(QString, text);
        Harness h(*m_lib);
        h.addChineseName = option;
        h.editor->SetScriptText(u"ab"_qs);
        h.editor->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, 1L);
        h.tree->setFocus();
        h.doubleClick(item, ctrl ? Qt::ControlModifier : Qt::NoModifier);
        QCOMPARE(h.editor->GetScriptText(), u"a"_qs + text + u"b"_qs);
        QCOMPARE(h.controller->items().selection(), item); // Ctrl did not toggle the selection
        // 200 ms later the editor has the focus and the caret sits behind the inserted text.
        QTRY_VERIFY(h.editor->hasFocus());
        QCOMPARE(caret(h.editor), long(1 + text.toUtf8().size()));
        QVERIFY(h.timerIdle());
        QVERIFY(h.info->toPlainText().isEmpty()); // the double-click swallowed the preview
    }
    void doubleClick_onCategoryOrEmptySpace_insertsNothing()
    {
        Harness h(*m_lib);
        h.doubleClick(5);
        QCOMPARE(h.editor->GetScriptText(), QString());
        h.tree->clearSelection();
        h.doubleClickAt(QPoint(5, h.tree->viewport()->height() - 3));
        QCOMPARE(h.editor->GetScriptText(), QString());
        QVERIFY(h.controller->clickGate().DoubleClickSeen());
    }

private:
    std::unique_ptr<Library> m_lib;
};

QTEST_MAIN(tst_InsertCommandGui)
#include "tst_insertcommand.moc"
