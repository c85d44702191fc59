// SPDX-License-Identifier: GPL-3.0-or-later
// Script files: encodings kept on save, byte-identical open → save, the NUL cut, unreadable and
// unwritable files, save-as while a file is current, the history key and the unsaved-changes
// question.
#include "editor/ui/scripteditor.h"
#include "editor/ui/scriptfiles.h"
#include "settings/appsettings.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using Qb::Editor::ScriptEditor;
using Qb::Editor::ScriptFiles;
namespace Keys = Qb::Settings::Keys;

namespace {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// One editor with its file operations over a temporary program directory; dialogs and message
// boxes are replaced by scripted answers.
struct Bench
{
    QTemporaryDir dir;
    ScriptEditor editor;
    Qb::Settings::AppSettings settings{dir.path() + QStringLiteral("/mlkpz.ini")};
    QString current;
    ScriptFiles files{editor, settings, current, nullptr};
    QStringList chosen;   // answers of the file dialogs, in order ("" = cancel)
    QList<ScriptFiles::Answer> answers;
    int questions = 0;
    QString question; // the text last asked
    QStringList notices;

    Bench()
    {
        files.setFileChooser([this](ScriptFiles::DialogMode, const QString &) {
            return chosen.isEmpty() ? QString() : chosen.takeFirst();
        });
        files.setQuestion([this](const QString &text) {
            ++questions;
            question = text;
            return answers.isEmpty() ? ScriptFiles::Answer::Cancel : answers.takeFirst();
        });
        files.setNotifier([this](const QString &text) { notices << text; });
    }
    QString path(const QString &name) const { return dir.path() + u'/' + name; }
    QString history() const { return settings.read(Keys::HistoryFile); }
};

} // namespace

class tst_ScriptFiles : public QObject
{
    Q_OBJECT

private slots:
    void openThenSave_data();
    void openThenSave();
    void gbkFileWithCharacterOutsideGbk_savedAsUtf8();
    void unreadableFile_keepsEverything_data();
    void unreadableFile_keepsEverything();
    void failedSave_reportsAndLeavesNoFile();
    void readOnlyFile_refused();
    void saveUntitled_asksForNameAndMakesItCurrent();
    void saveAsWhileCurrent_writesCopyOnly();
    void cancelledDialogs_changeNothing();
    void reopenLastScript_data();
    void reopenLastScript();
    void confirmDiscard_data();
    void confirmDiscard();
    void openOverUnsavedText_cancelKeepsText();
    void fileDialogs_filterSuffixAndLastName();
};

void tst_ScriptFiles::openThenSave_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QByteArray>("afterAppend"); // file after appending "中" and saving

    QTest::newRow("gbk") << QByteArray("# \xd6\xd0\r\n") << QStringLiteral("# 中\r\n")
                         << QByteArray("# \xd6\xd0\r\n\xd6\xd0");
    QTest::newRow("utf8") << QByteArray("# \xe4\xb8\xad\n") << QStringLiteral("# 中\n")
                          << QByteArray("# \xe4\xb8\xad\n\xe4\xb8\xad");
    QTest::newRow("utf8 bom") << QByteArray("\xef\xbb\xbfx\n") << QStringLiteral("x\n")
                              << QByteArray("\xef\xbb\xbfx\n\xe4\xb8\xad");
    QTest::newRow("utf8 outside gbk") << QByteArray("s='\xf0\x9f\x98\x80'") << QStringLiteral("s='😀'")
                                      << QByteArray("s='\xf0\x9f\x98\x80'\xe4\xb8\xad");
    QTest::newRow("nul byte cuts the text") << QByteArray("ab\0cd", 5) << QStringLiteral("ab")
                                            << QByteArray("ab\xd6\xd0");
    // Invalid GBK shows replacement characters; saved unedited the bytes stay, edited the text
    // cannot go back to GBK and is kept as UTF-8.
    QTest::newRow("invalid bytes") << QByteArray("a\x81") << QStringLiteral("a\uFFFD")
                                   << QByteArray("a\xef\xbf\xbd\xe4\xb8\xad");
}

void tst_ScriptFiles::openThenSave()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    QFETCH(QByteArray, afterAppend);
    Bench b;
    const QString file = b.path(QStringLiteral("a.py"));
    writeBytes(file, bytes);

    QVERIFY(b.files.OpenScript(file));
    QCOMPARE(b.editor.GetScriptText(), shown);
    QCOMPARE(b.current, file);
    QCOMPARE(b.history(), file);
    QVERIFY(!b.editor.isModified());

    QVERIFY(b.files.SaveScript());
    QCOMPARE(readBytes(file), bytes);

    b.editor.SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
    b.editor.InsertAtCaret(QStringLiteral("中"));
    QVERIFY(b.files.SaveScript());
    QCOMPARE(readBytes(file), afterAppend);
    QVERIFY(!b.editor.isModified());
    QCOMPARE(b.questions, 0);
    QVERIFY(b.notices.isEmpty());
}

void tst_ScriptFiles::gbkFileWithCharacterOutsideGbk_savedAsUtf8()
{
    Bench b;
    const QString file = b.path(QStringLiteral("g.py"));
    writeBytes(file, "x='\xd6\xd0'");
    QVERIFY(b.files.OpenScript(file));
    QSignalSpy status(&b.files, &ScriptFiles::statusMessage);
    b.editor.SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
    b.editor.InsertAtCaret(QStringLiteral("😀"));
    QVERIFY(b.files.SaveScript());
    QCOMPARE(readBytes(file), QByteArray("x='\xe4\xb8\xad'\xf0\x9f\x98\x80"));
    QCOMPARE(status.count(), 1);
    QVERIFY(status.at(0).at(0).toString().contains(file));
    QCOMPARE(b.files.currentEncoding(), Qb::Editor::ScriptEncoding::Utf8);
    // Read back as UTF-8: nothing was lost.
    QVERIFY(b.files.OpenScript(file));
    QCOMPARE(b.editor.GetScriptText(), QStringLiteral("x='中'😀"));
}

void tst_ScriptFiles::unreadableFile_keepsEverything_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("missing") << "missing.py";
    QTest::newRow("directory") << "subdir";
}

void tst_ScriptFiles::unreadableFile_keepsEverything()
{
    QFETCH(QString, name);
    Bench b;
    QVERIFY(QDir(b.dir.path()).mkdir(QStringLiteral("subdir")));
    const QString good = b.path(QStringLiteral("good.py"));
    writeBytes(good, "keep = 1\n");
    QVERIFY(b.files.OpenScript(good));

    const QString bad = b.path(name);
    QVERIFY(!b.files.OpenScript(bad));
    QCOMPARE(b.notices.size(), 1);
    QVERIFY2(b.notices.at(0).contains(bad), qPrintable(b.notices.at(0)));
    QCOMPARE(b.editor.GetScriptText(), QStringLiteral("keep = 1\n"));
    QCOMPARE(b.current, good);
    QCOMPARE(b.history(), good);
}

void tst_ScriptFiles::failedSave_reportsAndLeavesNoFile()
{
    Bench b;
    writeBytes(b.path(QStringLiteral("plain")), "not a directory");
    const QString target = b.path(QStringLiteral("plain/x.py")); // its parent is a file
    b.editor.SetScriptText(QStringLiteral("x = 1"));
    b.chosen << target;
    QVERIFY(!b.files.SaveScript());
    QCOMPARE(b.notices.size(), 1);
    QVERIFY(b.notices.at(0).contains(target));
    QCOMPARE(b.current, QString()); // still untitled
    QCOMPARE(b.history(), QString());
    QCOMPARE(QDir(b.dir.path()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{"plain"})); // no temporary file left behind
}

void tst_ScriptFiles::readOnlyFile_refused()
{
    if (::geteuid() == 0)
        QSKIP("running as root: file permissions do not stop writes");
    Bench b;
    const QString file = b.path(QStringLiteral("ro.py"));
    writeBytes(file, "old\n");
    QVERIFY(b.files.OpenScript(file));
    QFile::setPermissions(file, QFile::ReadOwner);
    b.editor.SetScriptText(QStringLiteral("new\n"));
    QVERIFY(!b.files.SaveScript());
    QCOMPARE(b.notices.size(), 1);
    QVERIFY(b.notices.at(0).contains(file));
    QCOMPARE(readBytes(file), QByteArray("old\n"));
    QVERIFY(b.editor.isModified());
}

void tst_ScriptFiles::saveUntitled_asksForNameAndMakesItCurrent()
{
    Bench b;
    b.editor.SetScriptText(QStringLiteral("# 新\r\n"));
    const QString file = b.path(QStringLiteral("new.py"));
    b.chosen << file;
    QVERIFY(b.files.SaveScript());
    QCOMPARE(readBytes(file), QByteArray("# \xd0\xc2\r\n")); // new files are GBK
    QCOMPARE(b.current, file);
    QCOMPARE(b.history(), file);
    QVERIFY(!b.editor.isModified());
}

void tst_ScriptFiles::saveAsWhileCurrent_writesCopyOnly()
{
    Bench b;
    const QString first = b.path(QStringLiteral("first.py"));
    const QString copy = b.path(QStringLiteral("copy.py"));
    writeBytes(first, "a\n");
    QVERIFY(b.files.OpenScript(first));
    b.editor.SetScriptText(QStringLiteral("b\n"));
    b.chosen << copy;
    QVERIFY(b.files.SaveScriptAs());
    QCOMPARE(readBytes(copy), QByteArray("b\n"));
    QCOMPARE(readBytes(first), QByteArray("a\n"));
    QCOMPARE(b.current, first);
    QCOMPARE(b.history(), first);
    QVERIFY(b.editor.isModified()); // the current file does not hold the text yet
    QVERIFY(b.files.SaveScript());
    QCOMPARE(readBytes(first), QByteArray("b\n"));
}

void tst_ScriptFiles::cancelledDialogs_changeNothing()
{
    Bench b;
    b.editor.SetScriptText(QStringLiteral("text"));
    b.files.openWithDialog();
    QVERIFY(!b.files.SaveScriptAs());
    QVERIFY(!b.files.SaveScript());
    QCOMPARE(b.editor.GetScriptText(), QStringLiteral("text"));
    QCOMPARE(b.current, QString());
    QVERIFY(!QFile::exists(b.settings.path()));
    QVERIFY(b.notices.isEmpty());
}

void tst_ScriptFiles::reopenLastScript_data()
{
    QTest::addColumn<bool>("exists");
    QTest::newRow("file exists") << true;
    QTest::newRow("file gone") << false;
}

void tst_ScriptFiles::reopenLastScript()
{
    QFETCH(bool, exists);
    Bench b;
    const QString file = b.path(QStringLiteral("last.py"));
    if (exists)
        writeBytes(file, "# \xd6\xd0");
    b.settings.write(Keys::HistoryFile, file);
    const QByteArray iniBefore = readBytes(b.settings.path());
    b.current = QStringLiteral("stale");

    b.files.ReopenLastScript();
    QCOMPARE(b.current, exists ? file : QString());
    QCOMPARE(b.editor.GetScriptText(), exists ? QStringLiteral("# 中") : QString());
    QCOMPARE(readBytes(b.settings.path()), iniBefore); // the key is neither rewritten nor removed
    QVERIFY(!b.editor.isModified() || !exists);
    QVERIFY(b.files.confirmDiscardScript());
    QCOMPARE(b.questions, 0);
}

void tst_ScriptFiles::confirmDiscard_data()
{
    QTest::addColumn<bool>("titled");
    QTest::addColumn<QString>("edit");  // "" = no edit
    QTest::addColumn<int>("answer");    // ScriptFiles::Answer
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("proceeds");
    QTest::addColumn<bool>("saved");

    const int yes = int(ScriptFiles::Answer::Yes), no = int(ScriptFiles::Answer::No),
              cancel = int(ScriptFiles::Answer::Cancel);
    QTest::newRow("unchanged file") << true << "" << cancel << false << true << false;
    QTest::newRow("changed file, yes saves") << true << "x" << yes << true << true << true;
    QTest::newRow("changed file, no") << true << "x" << no << true << true << false;
    QTest::newRow("changed file, cancel") << true << "x" << cancel << true << false << false;
    QTest::newRow("untitled empty") << false << "" << cancel << false << true << false;
    QTest::newRow("untitled text, yes saves as") << false << "x" << yes << true << true << true;
    QTest::newRow("untitled text, cancel") << false << "x" << cancel << true << false << false;
}

void tst_ScriptFiles::confirmDiscard()
{
    QFETCH(bool, titled);
    QFETCH(QString, edit);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, proceeds);
    QFETCH(bool, saved);
    Bench b;
    const QString file = b.path(QStringLiteral("s.py"));
    if (titled) {
        writeBytes(file, "base");
        QVERIFY(b.files.OpenScript(file));
    } else {
        b.chosen << file; // the save-as dialog's answer
    }
    if (!edit.isEmpty())
        b.editor.InsertAtCaret(edit);
    b.answers << ScriptFiles::Answer(answer);

    QCOMPARE(b.files.confirmDiscardScript(), proceeds);
    QCOMPARE(b.questions, asked ? 1 : 0);
    QCOMPARE(b.question, asked ? QStringLiteral("脚本已修改，是否保存？") : QString());
    QCOMPARE(QFile::exists(file) && readBytes(file).contains('x'), saved);
}

void tst_ScriptFiles::openOverUnsavedText_cancelKeepsText()
{
    Bench b;
    const QString other = b.path(QStringLiteral("other.py"));
    writeBytes(other, "other");
    b.editor.SetScriptText(QStringLiteral("unsaved work"));
    b.answers << ScriptFiles::Answer::Cancel;
    QVERIFY(!b.files.OpenScript(other));
    QCOMPARE(b.questions, 1);
    QCOMPARE(b.editor.GetScriptText(), QStringLiteral("unsaved work"));
    QCOMPARE(b.current, QString());
    QCOMPARE(b.history(), QString());

    b.answers << ScriptFiles::Answer::No;
    QVERIFY(b.files.OpenScript(other));
    QCOMPARE(b.editor.GetScriptText(), QStringLiteral("other"));
}

// The standard dialogs themselves: the filter of three entries, "py" added on saving, and the
// name chosen last offered again.
void tst_ScriptFiles::fileDialogs_filterSuffixAndLastName()
{
    QTemporaryDir dir;
    ScriptEditor editor;
    Qb::Settings::AppSettings settings(dir.filePath(QStringLiteral("mlkpz.ini")));
    QString current;
    ScriptFiles files(editor, settings, current, nullptr);
    editor.SetScriptText(QStringLiteral("x"));

    QStringList filters;
    QString suffix;
    bool saving = false;
    QString offered;
    const auto answer = [&](const QString &name) {
        QTimer::singleShot(0, [&, name] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            filters = dialog->nameFilters();
            suffix = dialog->defaultSuffix();
            saving = dialog->acceptMode() == QFileDialog::AcceptSave;
            offered = dialog->selectedFiles().value(0);
            if (name.isEmpty()) {
                dialog->reject();
            } else {
                dialog->selectFile(name);
                QMetaObject::invokeMethod(dialog, "accept");
            }
        });
    };
    answer(dir.filePath(QStringLiteral("typed")));
    QVERIFY(files.SaveScriptAs());
    QCOMPARE(filters, (QStringList{"py文件 (*.py)", "文本文件 (*.txt)", "所有文件(*.*) (*)"}));
    QCOMPARE(suffix, QStringLiteral("py"));
    QVERIFY(saving);
    QCOMPARE(current, dir.filePath(QStringLiteral("typed.py")));
    QVERIFY(QFile::exists(current));

    answer(QString());
    files.openWithDialog(); // cancelled
    QVERIFY(!saving);
    QCOMPARE(filters.size(), 3);
    QCOMPARE(offered, dir.filePath(QStringLiteral("typed.py")));
    QCOMPARE(current, dir.filePath(QStringLiteral("typed.py")));
}

QTEST_MAIN(tst_ScriptFiles)
#include "tst_scriptfiles.moc"
