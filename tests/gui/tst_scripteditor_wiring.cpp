// SPDX-License-Identifier: GPL-3.0-or-later
// The editor inside the main window: start-up steps 12-14, the 插入(&C) items, the toolbar
// buttons, 运行, the modal insert dialogs and the unsaved-changes question on closing.
#include "programwindow_support.h"
#include "editor/ui/scripteditor.h"
#include "editor/ui/scriptfiles.h"
#include "editor/ui/subroutinedialog.h"
#include "jet/database.h"
#include "library/sqlhelper.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qb::App;
using Qb::Editor::ScriptEditor;
using Qb::Editor::ScriptFiles;

namespace {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A main window started on a temporary program directory holding a library with the keywords
// print and self, and optionally a remembered script.
struct Started : Qb::Test::ProgramWindow
{
    ScriptEditor *editor = nullptr;
    bool ok = false;

    explicit Started(const QByteArray &script = QByteArray())
    {
        const QString database = path(QStringLiteral("qbxdb.mdb"));
        if (!Qb::Jet::Database::createLibrary(QFile::encodeName(database).toStdString()))
            return;
        {
            Qb::Library::SqlHelper store;
            store.Open(database, QString::fromLatin1(Qb::Library::DatabasePassword));
            store.Insert(QStringLiteral("关键字表"), QStringLiteral("关键字,颜色"), QStringLiteral("'print','0'"));
            store.Insert(QStringLiteral("关键字表"), QStringLiteral("关键字,颜色"), QStringLiteral("'self','0'"));
        }
        if (!script.isNull()) {
            QFile file(scriptPath());
            file.open(QIODevice::WriteOnly);
            file.write(script);
            settings().write(Qb::Settings::Keys::HistoryFile, scriptPath());
        }
        editor = create()->findChild<ScriptEditor *>(QStringLiteral("代码编辑框1"));
        ok = editor && window->OnMainWindowCreated();
        if (ok)
            window->show();
    }
    QString scriptPath() const { return path(QStringLiteral("my script.py")); }
    ScriptFiles *files() const { return window->scriptFiles(); }
};

} // namespace

class tst_ScriptEditorWiring : public QObject
{
    Q_OBJECT

private slots:
    void startup_reopensConfiguresAndLoadsKeywords();
    void insertMenu_templates_data();
    void insertMenu_templates();
    void insertMenu_functionOpensModalDialog();
    void toolbar_clipboardButtons();
    void toolbar_saveButtonsLikeMenuItems();
    void toolbar_runWritesLinshiInProgramDirectory();
    void close_asksAboutUnsavedEdits();
};

void tst_ScriptEditorWiring::startup_reopensConfiguresAndLoadsKeywords()
{
    Started s("print(1)\r\n# \xd6\xd0\r\n");
    QVERIFY(s.ok);
    QCOMPARE(s.editor->GetScriptText(), QStringLiteral("print(1)\r\n# 中\r\n"));
    QCOMPARE(s.context.CurrentScriptPath, s.scriptPath());
    QVERIFY(!s.editor->isModified());
    QCOMPARE(s.editor->SendScintilla(QsciScintillaBase::SCI_GETLEXER), 2L);
    QCOMPARE(s.editor->SendScintilla(QsciScintillaBase::SCI_GETMARGINWIDTHN, 1UL), 12L);
    QCOMPARE(s.editor->keywordList(), QByteArray("print self "));
    s.editor->SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0UL, -1L);
    QCOMPARE(s.editor->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, 0UL), 5L);
}

void tst_ScriptEditorWiring::insertMenu_templates_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("while") << "while" << QByteArray("while :\r\n  ");
    QTest::newRow("for") << "for" << QByteArray("for i in range(,) :\r\n    ");
    QTest::newRow("do while") << "do while" << QByteArray("do()\r\n{\r\n\t\r\n}while();\r\n");
    QTest::newRow("if") << "if" << QByteArray("if :\r\n  ");
    QTest::newRow("if…else") << "if…else" << QByteArray("if \r\n  \r\nelse\r\n  ");
    QTest::newRow("if…elif") << "if…elif" << QByteArray("if :\r\n  \r\nelif :\r\n  \r\nelse:\r\n  ");
}

void tst_ScriptEditorWiring::insertMenu_templates()
{
    QFETCH(QString, item);
    QFETCH(QByteArray, bytes);
    Started s;
    QVERIFY(s.ok);
    QAction *action = s.window->menuAction(item, QStringLiteral("插入(&C)"));
    QVERIFY(action);
    action->trigger();
    QCOMPARE(s.editor->scriptBytes(), bytes);
    QTRY_COMPARE(s.editor->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS), long(bytes.size()));
}

void tst_ScriptEditorWiring::insertMenu_functionOpensModalDialog()
{
    Started s;
    QVERIFY(s.ok);
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<Qb::Editor::SubroutineDialog *>(QApplication::activeModalWidget());
        seen = dialog != nullptr;
        if (dialog)
            dialog->control<QPushButton>("按钮1")->click();
    });
    s.window->menuAction(QStringLiteral("函数"), QStringLiteral("插入(&C)"))->trigger();
    QVERIFY(seen);
    QCOMPARE(s.editor->GetScriptText(), QStringLiteral("def ()\r\n  \r\n"));
}

void tst_ScriptEditorWiring::toolbar_clipboardButtons()
{
    Started s;
    QVERIFY(s.ok);
    s.editor->SetScriptText(QStringLiteral("one two"));
    s.editor->SendScintilla(QsciScintillaBase::SCI_SETSEL, 0UL, 3L);
    s.window->toolbarAction(5)->trigger(); // 复制
    QCOMPARE(s.editor->GetScriptText(), QStringLiteral("one two"));
    s.editor->SendScintilla(QsciScintillaBase::SCI_SETSEL, 3UL, 7L);
    s.window->toolbarAction(4)->trigger(); // 剪切
    QCOMPARE(s.editor->GetScriptText(), QStringLiteral("one"));
    s.window->toolbarAction(6)->trigger(); // 粘贴
    QCOMPARE(s.editor->GetScriptText(), QStringLiteral("one two"));
}

void tst_ScriptEditorWiring::toolbar_saveButtonsLikeMenuItems()
{
    Started s;
    QVERIFY(s.ok);
    QStringList chosen{s.scriptPath()};
    s.files()->setFileChooser([&](ScriptFiles::DialogMode, const QString &) { return chosen.value(0); });
    s.editor->SetScriptText(QStringLiteral("a = 1\r\n"));
    s.window->toolbarAction(1)->trigger(); // 保存: untitled, so save-as
    QCOMPARE(readBytes(s.scriptPath()), QByteArray("a = 1\r\n"));
    QCOMPARE(s.context.CurrentScriptPath, s.scriptPath());

    const QString copy = s.dir.filePath(QStringLiteral("copy.py"));
    chosen = QStringList{copy};
    s.window->toolbarAction(2)->trigger(); // 另存为
    QCOMPARE(readBytes(copy), QByteArray("a = 1\r\n"));
    QCOMPARE(s.context.CurrentScriptPath, s.scriptPath());

    s.window->toolbarAction(0)->trigger(); // 打开 the copy
    QCOMPARE(s.context.CurrentScriptPath, copy);
}

void tst_ScriptEditorWiring::toolbar_runWritesLinshiInProgramDirectory()
{
    qputenv("QUILLBOX_TERMINAL", "/bin/true");
    Started s;
    QVERIFY(s.ok);
    const QString linshi = s.dir.filePath(QStringLiteral("linshi.py"));
    s.window->toolbarAction(8)->trigger(); // 运行 with an empty editor
    QVERIFY(!QFile::exists(linshi));
    s.editor->SetScriptText(QStringLiteral("print('中')\r\n"));
    s.window->toolbarAction(8)->trigger();
    QCOMPARE(readBytes(linshi), QByteArray("print('\xe4\xb8\xad')\r\n"));
    s.window->toolbarAction(9)->trigger(); // 停止: nothing left running, no harm
}

void tst_ScriptEditorWiring::close_asksAboutUnsavedEdits()
{
    Started s("x = 1\r\n");
    QVERIFY(s.ok);
    int asked = 0;
    ScriptFiles::Answer answer = ScriptFiles::Answer::Cancel;
    s.files()->setQuestion([&](const QString &) { ++asked; return answer; });

    s.editor->InsertAtCaret(QStringLiteral("y"));
    QVERIFY(!s.window->close()); // 取消 keeps the window
    QCOMPARE(asked, 1);
    QVERIFY(s.window->isVisible());

    answer = ScriptFiles::Answer::Yes;
    QVERIFY(s.window->close());
    QCOMPARE(asked, 2);
    QCOMPARE(readBytes(s.scriptPath()), QByteArray("yx = 1\r\n"));
}

QTEST_MAIN(tst_ScriptEditorWiring)
#include "tst_scripteditor_wiring.moc"
