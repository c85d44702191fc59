// SPDX-License-Identifier: GPL-3.0-or-later
// The editor control: its configuration read back from the component, insertion at the caret
// with the deferred caret move, keyword colouring, the context menu and the accessibility guard.
#include "editor/keywords.h"
#include "editor/ui/scripteditor.h"

#include <QAccessible>
#include <QAccessibleTextInterface>
#include <QMenu>
#include <QTest>
#include <QTimer>

using Qb::Editor::ScriptEditor;

class tst_ScriptEditor : public QObject
{
    Q_OBJECT

private slots:
    void configuration_data();
    void configuration();
    void fixedConfigurationBeforeStartup();
    void textRoundTrip();
    void insertAtCaret_data();
    void insertAtCaret();
    void insertAtCaret_typingDuringDelayDoesNotShiftCaret();
    void insertAtCaret_secondInsertionWins();
    void keywords_colourListedWordsOnly();
    void keywordList_data();
    void keywordList();
    void contextMenu_chineseCaptions();
    void clipboard_cutCopyPaste();
    void savePoint();
    void viewStartsAtColumnZeroAfterFirstShow();
    void accessibility_offsetsAtAndPastEnd_data();
    void accessibility_offsetsAtAndPastEnd();
    void accessibility_textAndCaret();

private:
    static long send(ScriptEditor &e, unsigned int msg, unsigned long w = 0, long l = 0)
    {
        return e.SendScintilla(msg, w, l);
    }
};

void tst_ScriptEditor::configuration_data()
{
    QTest::addColumn<unsigned int>("message");
    QTest::addColumn<unsigned long>("wParam");
    QTest::addColumn<long>("expected");
    using B = QsciScintillaBase;
    QTest::newRow("lexer python") << uint(B::SCI_GETLEXER) << 0UL << 2L;
    QTest::newRow("keywords blue") << uint(B::SCI_STYLEGETFORE) << 5UL << 0xFF0000L;
    QTest::newRow("single-quoted green") << uint(B::SCI_STYLEGETFORE) << 4UL << 0x00E080L;
    QTest::newRow("operators red") << uint(B::SCI_STYLEGETFORE) << 10UL << 0x0000FFL;
    QTest::newRow("margin 0 width") << uint(B::SCI_GETMARGINWIDTHN) << 0UL << 12L;
    QTest::newRow("margin 0 symbol") << uint(B::SCI_GETMARGINTYPEN) << 0UL << 0L;
    QTest::newRow("margin 1 width") << uint(B::SCI_GETMARGINWIDTHN) << 1UL << 12L;
    QTest::newRow("margin 1 numbers") << uint(B::SCI_GETMARGINTYPEN) << 1UL << 1L;
    QTest::newRow("code page utf8") << uint(B::SCI_GETCODEPAGE) << 0UL << 65001L;
    QTest::newRow("word wrap") << uint(B::SCI_GETWRAPMODE) << 0UL << 1L;
    QTest::newRow("crlf") << uint(B::SCI_GETEOLMODE) << 0UL << 0L;
    QTest::newRow("no horizontal bar") << uint(B::SCI_GETHSCROLLBAR) << 0UL << 0L;
    QTest::newRow("no vertical bar") << uint(B::SCI_GETVSCROLLBAR) << 0UL << 0L;
    QTest::newRow("white space hidden") << uint(B::SCI_GETVIEWWS) << 0UL << 0L;
    QTest::newRow("eol hidden") << uint(B::SCI_GETVIEWEOL) << 0UL << 0L;
    QTest::newRow("caret black") << uint(B::SCI_GETCARETFORE) << 0UL << 0L;
    QTest::newRow("caret line off") << uint(B::SCI_GETCARETLINEVISIBLE) << 0UL << 0L;
    QTest::newRow("caret line white") << uint(B::SCI_GETCARETLINEBACK) << 0UL << 0xFFFFFFL;
    QTest::newRow("indent guides real") << uint(B::SCI_GETINDENTATIONGUIDES) << 0UL << 1L;
    QTest::newRow("caret period") << uint(B::SCI_GETCARETPERIOD) << 0UL << 500L;
    QTest::newRow("caret width") << uint(B::SCI_GETCARETWIDTH) << 0UL << 1L;
    QTest::newRow("writable") << uint(B::SCI_GETREADONLY) << 0UL << 0L;
    QTest::newRow("normal cursor") << uint(B::SCI_GETCURSOR) << 0UL << -1L;
}

void tst_ScriptEditor::configuration()
{
    QFETCH(unsigned int, message);
    QFETCH(unsigned long, wParam);
    QFETCH(long, expected);
    ScriptEditor editor;
    editor.ConfigureForStartup();
    QCOMPARE(send(editor, message, wParam), expected);
}

void tst_ScriptEditor::fixedConfigurationBeforeStartup()
{
    ScriptEditor editor;
    QCOMPARE(send(editor, QsciScintillaBase::SCI_GETMARGINWIDTHN, 1), 0L);
    QVERIFY(send(editor, QsciScintillaBase::SCI_GETLEXER) != 2); // the lexer comes at start-up
    QCOMPARE(send(editor, QsciScintillaBase::SCI_GETCODEPAGE), 65001L);
}

void tst_ScriptEditor::textRoundTrip()
{
    ScriptEditor editor;
    const QString text = QStringLiteral("# 中文\r\nprint('你好')\r\n");
    editor.SetScriptText(text);
    QCOMPARE(editor.GetScriptText(), text);
    QCOMPARE(send(editor, QsciScintillaBase::SCI_GETLENGTH), long(text.toUtf8().size()));
}

void tst_ScriptEditor::insertAtCaret_data()
{
    QTest::addColumn<QString>("initial");
    QTest::addColumn<int>("anchor");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("inserted");
    QTest::addColumn<QString>("result");
    QTest::addColumn<int>("finalCaret");

    const QString ten = QStringLiteral("0123456789abc");
    QTest::newRow("if template at 10") << ten << 10 << 10 << QStringLiteral("if :\r\n  ")
                                       << QStringLiteral("0123456789if :\r\n  abc") << 18;
    QTest::newRow("selection kept, text at caret") << ten << 2 << 5 << QStringLiteral("XY")
                                                   << QStringLiteral("01234XY56789abc") << 7;
    QTest::newRow("caret before anchor") << ten << 8 << 3 << QStringLiteral("Z")
                                         << QStringLiteral("012Z3456789abc") << 4;
    QTest::newRow("chinese counts utf8 bytes") << ten << 0 << 0 << QStringLiteral("中文")
                                               << QStringLiteral("中文0123456789abc") << 6;
    QTest::newRow("indentation not added") << QStringLiteral("    x") << 4 << 4
                                           << QStringLiteral("if :\r\n  ")
                                           << QStringLiteral("    if :\r\n  x") << 12;
}

void tst_ScriptEditor::insertAtCaret()
{
    QFETCH(QString, initial);
    QFETCH(int, anchor);
    QFETCH(int, caret);
    QFETCH(QString, inserted);
    QFETCH(QString, result);
    QFETCH(int, finalCaret);

    ScriptEditor editor;
    editor.show();
    editor.SetScriptText(initial);
    send(editor, QsciScintillaBase::SCI_SETSEL, anchor, caret);
    editor.InsertAtCaret(inserted);

    QCOMPARE(editor.GetScriptText(), result);
    QCOMPARE(editor.LastInsertPos(), caret);
    QCOMPARE(editor.LastInsertLength(), int(inserted.toUtf8().size()));
    // The selected text is not replaced (result above) and the caret does not move until the
    // focus timer fires.
    QCOMPARE(send(editor, QsciScintillaBase::SCI_GETCURRENTPOS), long(caret));
    QVERIFY(editor.focusTimer()->isActive());
    QCOMPARE(editor.focusTimer()->interval(), 200);
    QTRY_VERIFY(!editor.focusTimer()->isActive());
    QCOMPARE(send(editor, QsciScintillaBase::SCI_GETCURRENTPOS), long(finalCaret));
    QVERIFY(editor.hasFocus());
}

void tst_ScriptEditor::insertAtCaret_typingDuringDelayDoesNotShiftCaret()
{
    ScriptEditor editor;
    editor.show();
    editor.activateWindow();
    editor.setFocus();
    QVERIFY(QTest::qWaitForWindowActive(&editor));
    editor.SetScriptText(QStringLiteral("0123456789"));
    send(editor, QsciScintillaBase::SCI_GOTOPOS, 10);
    editor.InsertAtCaret(QStringLiteral("if :\r\n  "));
    QTest::keyClicks(&editor, "ab"); // typed at the old caret before the timer fires
    QVERIFY(editor.focusTimer()->isActive());
    QCOMPARE(editor.GetScriptText(), QStringLiteral("0123456789abif :\r\n  "));
    QTRY_VERIFY(!editor.focusTimer()->isActive());
    QCOMPARE(send(editor, QsciScintillaBase::SCI_GETCURRENTPOS), 18L);
}

void tst_ScriptEditor::insertAtCaret_secondInsertionWins()
{
    ScriptEditor editor;
    editor.show();
    editor.SetScriptText(QStringLiteral("abc"));
    send(editor, QsciScintillaBase::SCI_GOTOPOS, 3);
    editor.InsertAtCaret(QStringLiteral("XX"));
    send(editor, QsciScintillaBase::SCI_GOTOPOS, 0);
    editor.InsertAtCaret(QStringLiteral("Y"));
    QCOMPARE(editor.LastInsertPos(), 0);
    QCOMPARE(editor.LastInsertLength(), 1);
    QTRY_VERIFY(!editor.focusTimer()->isActive());
    QCOMPARE(send(editor, QsciScintillaBase::SCI_GETCURRENTPOS), 1L);
}

void tst_ScriptEditor::keywords_colourListedWordsOnly()
{
    ScriptEditor editor;
    editor.ConfigureForStartup();
    editor.setKeywordList("print self ");
    editor.SetScriptText(QStringLiteral("print x\nself.y = 'a'\n"));
    send(editor, QsciScintillaBase::SCI_COLOURISE, 0, -1);
    const auto styleAt = [&](long pos) { return send(editor, QsciScintillaBase::SCI_GETSTYLEAT, pos); };
    QCOMPARE(styleAt(0), 5L);  // print
    QCOMPARE(styleAt(6), 11L); // x: identifier, not a keyword
    QCOMPARE(styleAt(8), 5L);  // self
    QCOMPARE(styleAt(12), 10L); // '.' operator
    QCOMPARE(styleAt(17), 4L); // 'a'
    QCOMPARE(editor.keywordList(), QByteArray("print self "));
}

void tst_ScriptEditor::keywordList_data()
{
    QTest::addColumn<QStringList>("keywords");
    QTest::addColumn<QByteArray>("list");
    QTest::newRow("two") << QStringList{"print", "self"} << QByteArray("print self ");
    QTest::newRow("none") << QStringList{} << QByteArray();
    QTest::newRow("order kept") << QStringList{"zeta", "alpha"} << QByteArray("zeta alpha ");
    QTest::newRow("blank inside stays") << QStringList{"a b"} << QByteArray("a b ");
    QTest::newRow("chinese utf8") << QStringList{"打印"} << QByteArray("\xe6\x89\x93\xe5\x8d\xb0 ");
}

void tst_ScriptEditor::keywordList()
{
    QFETCH(QStringList, keywords);
    QFETCH(QByteArray, list);
    QList<Qb::Editor::KeywordRow> rows;
    for (const QString &k : keywords)
        rows.append({k, QStringLiteral("0")});
    QCOMPARE(Qb::Editor::keywordListText(rows), list);
}

void tst_ScriptEditor::contextMenu_chineseCaptions()
{
    ScriptEditor editor;
    editor.SetScriptText(QStringLiteral("abc"));
    std::unique_ptr<QMenu> menu(editor.createContextMenu(nullptr));
    QStringList captions;
    for (QAction *action : menu->actions()) {
        if (!action->isSeparator())
            captions << action->text();
    }
    QCOMPARE(captions, (QStringList{"撤消", "重复", "剪切", "复制", "粘贴", "删除", "选择全部"}));
    // Running 选择全部 then 删除 from the menu acts on the component.
    menu->actions().constLast()->trigger();
    std::unique_ptr<QMenu> second(editor.createContextMenu(nullptr));
    const auto find = [&](const QString &caption) {
        for (QAction *a : second->actions())
            if (a->text() == caption)
                return a;
        return static_cast<QAction *>(nullptr);
    };
    QVERIFY(find(QStringLiteral("删除"))->isEnabled());
    find(QStringLiteral("删除"))->trigger();
    QCOMPARE(editor.GetScriptText(), QString());
    std::unique_ptr<QMenu> third(editor.createContextMenu(nullptr));
    QVERIFY(third->actions().at(0)->isEnabled()); // 撤消 now possible
}

void tst_ScriptEditor::clipboard_cutCopyPaste()
{
    ScriptEditor editor;
    editor.SetScriptText(QStringLiteral("hello world"));
    send(editor, QsciScintillaBase::SCI_SETSEL, 0, 5);
    editor.Copy();
    QCOMPARE(editor.GetScriptText(), QStringLiteral("hello world"));
    send(editor, QsciScintillaBase::SCI_GOTOPOS, 11);
    editor.Paste();
    QCOMPARE(editor.GetScriptText(), QStringLiteral("hello worldhello"));
    send(editor, QsciScintillaBase::SCI_SETSEL, 5, 11);
    editor.Cut();
    QCOMPARE(editor.GetScriptText(), QStringLiteral("hellohello"));
    send(editor, QsciScintillaBase::SCI_GOTOPOS, 0);
    editor.Paste();
    QCOMPARE(editor.GetScriptText(), QStringLiteral(" worldhellohello"));
}

void tst_ScriptEditor::savePoint()
{
    ScriptEditor editor;
    editor.SetScriptText(QStringLiteral("x"));
    QVERIFY(editor.isModified());
    editor.markSaved();
    QVERIFY(!editor.isModified());
    editor.InsertAtCaret(QStringLiteral("y"));
    QVERIFY(editor.isModified());
    send(editor, QsciScintillaBase::SCI_UNDO);
    QVERIFY(!editor.isModified());
}

void tst_ScriptEditor::viewStartsAtColumnZeroAfterFirstShow()
{
    ScriptEditor editor;
    editor.ConfigureForStartup();
    send(editor, QsciScintillaBase::SCI_SETWRAPMODE, 0); // long lines scroll sideways
    editor.SetScriptText(QString(400, u'x'));
    send(editor, QsciScintillaBase::SCI_GOTOPOS, 400); // scrolls while the widget has no size
    editor.resize(300, 200);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    QTRY_COMPARE(send(editor, QsciScintillaBase::SCI_GETXOFFSET), 0L);
}

void tst_ScriptEditor::accessibility_offsetsAtAndPastEnd_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("ascii") << QStringLiteral("print(1)\nx");
    QTest::newRow("chinese") << QStringLiteral("中文\n字");
    QTest::newRow("empty") << QString();
}

// The component's own accessible text interface crashes for an offset equal to the length.
void tst_ScriptEditor::accessibility_offsetsAtAndPastEnd()
{
    QFETCH(QString, text);
    ScriptEditor editor;
    editor.resize(300, 200);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    editor.SetScriptText(text);
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(&editor);
    QVERIFY(iface);
    QAccessibleTextInterface *textIface = iface->textInterface();
    QVERIFY(textIface);
    const int length = int(text.size());
    QCOMPARE(textIface->characterCount(), length);
    for (int offset : {length, length + 1, length + 1000, -1}) {
        QVERIFY(textIface->characterRect(offset).isEmpty());
        int start = -5, end = -5;
        QCOMPARE(textIface->textAtOffset(offset, QAccessible::CharBoundary, &start, &end), QString());
        QVERIFY(start >= 0 && start <= length && end == start);
        textIface->textAfterOffset(offset, QAccessible::WordBoundary, &start, &end);
        textIface->textBeforeOffset(offset, QAccessible::LineBoundary, &start, &end);
        QCOMPARE(textIface->text(offset, offset + 3), offset >= 0 ? QString() : text.left(2));
        textIface->setCursorPosition(offset);
        QVERIFY(textIface->cursorPosition() >= 0 && textIface->cursorPosition() <= length);
    }
    if (length > 0) {
        const QRect first = textIface->characterRect(0);
        QVERIFY(!first.isEmpty());
        const QRect last = textIface->characterRect(length - 1);
        QVERIFY(!last.isEmpty());
        QVERIFY(last != first); // each offset gets its own extents
        QCOMPARE(textIface->offsetAtPoint(first.center()), 0);
    }
}

void tst_ScriptEditor::accessibility_textAndCaret()
{
    ScriptEditor editor;
    editor.SetScriptText(QStringLiteral("中文 word\nline2"));
    QAccessibleTextInterface *t = QAccessible::queryAccessibleInterface(&editor)->textInterface();
    QVERIFY(t);
    int start = 0, end = 0;
    QCOMPARE(t->textAtOffset(4, QAccessible::WordBoundary, &start, &end), QStringLiteral("word"));
    QCOMPARE(t->textAtOffset(9, QAccessible::LineBoundary, &start, &end), QStringLiteral("line2"));
    QCOMPARE(t->textAtOffset(1, QAccessible::CharBoundary, &start, &end), QStringLiteral("文"));
    t->setCursorPosition(2);
    QCOMPARE(send(editor, QsciScintillaBase::SCI_GETCURRENTPOS), 6L); // two 3-byte characters
    QCOMPARE(t->cursorPosition(), 2);
    t->setSelection(0, 1, 3);
    int s = 0, e = 0;
    t->selection(0, &s, &e);
    QCOMPARE(s, 1);
    QCOMPARE(e, 3);
    QCOMPARE(t->selectionCount(), 1);
}

QTEST_MAIN(tst_ScriptEditor)
#include "tst_scripteditor.moc"
