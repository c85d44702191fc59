// SPDX-License-Identifier: GPL-3.0-or-later
// The 脚本 page in the started main window: the remembered directories at start-up, listing a
// temporary tree, double clicks (folders, script.py in the editor, other files to the desktop's
// launcher, a file removed meanwhile), the folder picker and the history it writes, the
// drop-down list that only changes the text, and an image list that stops growing.
#include "programwindow_support.h"
#include "browser/ui/filebrowserpanel.h"
#include "editor/ui/scripteditor.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace Qb::App;
using namespace Qt::StringLiterals;
using Qb::Browser::Ui::FileBrowserPanel;
namespace Keys = Qb::Settings::Keys;

namespace {

bool makeFile(const QString &path, const QByteArray &content = QByteArray())
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A directory tree to browse:
//   projects/  Makefile LICENSE run        lib.d/  inner.txt
//   a.py b.txt c.js d.txt script.py script.PY small.bin (1023 bytes) two.bin (2048 bytes)
struct FileTree
{
    QTemporaryDir dir;
    QString root;

    FileTree()
    {
        root = dir.filePath(u"tree"_s);
        QDir().mkpath(root + u"/projects"_s);
        QDir().mkpath(root + u"/lib.d"_s);
        for (const char *name : {"projects/Makefile", "projects/LICENSE", "projects/run", "lib.d/inner.txt",
                                 "a.py", "b.txt", "c.js", "d.txt", "script.PY"})
            makeFile(path(name));
        makeFile(path("script.py"), "print(1)\r\n");
        makeFile(path("small.bin"), QByteArray(1023, 'x'));
        makeFile(path("two.bin"), QByteArray(2048, 'x'));
    }
    QString path(const char *relative) const { return root + u'/' + QString::fromUtf8(relative); }
};

// A main window started on a temporary program directory whose settings hold the history
// `history` ([shuji] 本地目录; a null text leaves the key out).
struct Browsed : Qb::Test::ProgramWindow
{
    QComboBox *box = nullptr;
    QTreeWidget *list = nullptr;
    FileBrowserPanel *panel = nullptr;
    QStringList messages;
    bool ok = false;

    explicit Browsed(const QString &history)
    {
        if (!history.isNull())
            settings().write(Keys::LocalDirectories, history);
        create();
        box = window->findChild<QComboBox *>(u"本地目录框"_s);
        list = window->findChild<QTreeWidget *>(u"上传文件框"_s);
        panel = window->findChild<FileBrowserPanel *>();
        if (!box || !list || !panel || !window->OnMainWindowCreated())
            return;
        panel->setNotifier([this](const QString &text) { messages.append(text); });
        window->findChild<QTabWidget *>(u"选择夹1"_s)->setCurrentIndex(1);
        window->show();
        ok = QTest::qWaitForWindowExposed(window.get());
    }
    QStringList rows() const
    {
        QStringList names;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            names.append(list->topLevelItem(i)->text(0));
        return names;
    }
    QTreeWidgetItem *row(const QString &name) const
    {
        const QList<QTreeWidgetItem *> found = list->findItems(name, Qt::MatchExactly);
        return found.isEmpty() ? nullptr : found.first();
    }
    int image(const QString &name) const
    {
        return row(name)->data(0, FileBrowserPanel::ImageIndexRole).toInt();
    }
    bool doubleClick(const QString &name) const
    {
        QTreeWidgetItem *item = row(name);
        if (!item)
            return false;
        list->scrollToItem(item);
        // What a real double click delivers: press, release, double click, release (QTest's
        // own double click sends the double-click event alone).
        const QPoint at = list->visualItemRect(item).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
        return true;
    }
};

// Answers the next folder picker once it is open: chooses `directory`, or cancels when it is
// empty. Records the dialog's title.
void answerFolderPicker(const QString &directory, QString *title)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [=] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll->deleteLater();
        *title = dialog->windowTitle();
        if (directory.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->setDirectory(directory);
        static_cast<QDialog *>(dialog)->accept();  // QFileDialog::accept, through the public slot
    });
    poll->start(10);
}

} // namespace

class tst_FileBrowser : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void startup_listsTheFirstRememberedDirectory();
    void startup_withoutHistoryListsTheWorkingDirectory();
    void startup_missingDirectoryGivesAnEmptyList();
    void doubleClick_entersFolder_data();
    void doubleClick_entersFolder();
    void doubleClick_filesWithoutExtensionAreFiles();
    void doubleClick_scriptPyOpensInTheEditor();
    void doubleClick_otherFilesGoToTheDesktop_data();
    void doubleClick_otherFilesGoToTheDesktop();
    void doubleClick_removedFileIsReportedAndRelisted();
    void browse_listsAndRemembersTheChosenFolder();
    void browse_cancelChangesNothing();
    void dropDown_changesOnlyTheText();
    void relisting_addsNoImages();

private:
    QString opened() const { return QString::fromUtf8(readBytes(m_openedLog)); }

    QTemporaryDir m_bin;
    QString m_openedLog;
};

void tst_FileBrowser::initTestCase()
{
    // The desktop's launcher is replaced by a command that records what it was asked to open.
    m_openedLog = m_bin.filePath(u"opened.log"_s);
    const QString fake = m_bin.filePath(u"xdg-open"_s);
    QVERIFY(makeFile(fake, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + QFile::encodeName(m_openedLog) + "'\n"));
    QVERIFY(QFile::setPermissions(fake, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    qputenv("PATH", QFile::encodeName(m_bin.path()) + ':' + qgetenv("PATH"));
}

void tst_FileBrowser::startup_listsTheFirstRememberedDirectory()
{
    FileTree tree;
    Browsed b(tree.root + u",,"_s + tree.path("projects"));
    QVERIFY(b.ok);
    QCOMPARE(b.box->currentText(), tree.root);
    QCOMPARE(b.box->count(), 2);
    QCOMPARE(b.box->itemText(1), tree.path("projects"));
    QCOMPARE(b.rows(), QStringList({"projects", "lib.d", "a.py", "script.PY", "script.py", "d.txt", "b.txt",
                                    "c.js", "small.bin", "two.bin"}));
    QCOMPARE(b.row(u"projects"_s)->text(1), QString());
    QCOMPARE(b.image(u"projects"_s), 0);
    QCOMPARE(b.image(u"lib.d"_s), 0);
    QCOMPARE(b.image(u"b.txt"_s), 7);
    QCOMPARE(b.row(u"small.bin"_s)->text(1), u"0"_s);
    QCOMPARE(b.row(u"two.bin"_s)->text(1), u"2"_s);
    QVERIFY(b.list->columnWidth(0) > 0);
}

void tst_FileBrowser::startup_withoutHistoryListsTheWorkingDirectory()
{
    FileTree tree;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(tree.path("projects")));
    Browsed b{QString()};
    QDir::setCurrent(previous);
    QVERIFY(b.ok);
    QCOMPARE(b.box->currentText(), tree.path("projects"));
    QCOMPARE(b.rows(), QStringList({"LICENSE", "Makefile", "run"}));
}

void tst_FileBrowser::startup_missingDirectoryGivesAnEmptyList()
{
    FileTree tree;
    Browsed b(tree.path("gone"));
    QVERIFY(b.ok);
    QCOMPARE(b.box->currentText(), tree.path("gone"));
    QCOMPARE(b.list->topLevelItemCount(), 0);
    QVERIFY(b.messages.isEmpty());
}

void tst_FileBrowser::doubleClick_entersFolder_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("no dot") << "projects" << QStringList({"LICENSE", "Makefile", "run"});
    QTest::newRow("dot in the name") << "lib.d" << QStringList({"inner.txt"});
}

void tst_FileBrowser::doubleClick_entersFolder()
{
    QFETCH(QString, folder);
    QFETCH(QStringList, rows);
    FileTree tree;
    Browsed b(tree.root);
    QVERIFY(b.ok);
    QVERIFY(b.doubleClick(folder));
    QCOMPARE(b.box->currentText(), tree.root + u'/' + folder);
    QCOMPARE(b.rows(), rows);
    // Entering a folder is not remembered.
    QCOMPARE(b.settings().read(Keys::LocalDirectories), tree.root);
    QCOMPARE(b.box->count(), 1);
}

void tst_FileBrowser::doubleClick_filesWithoutExtensionAreFiles()
{
    FileTree tree;
    Browsed b(tree.path("projects"));
    QVERIFY(b.ok);
    for (const QString &name : {u"LICENSE"_s, u"Makefile"_s, u"run"_s}) {
        QCOMPARE(b.row(name)->text(1), u"0"_s);
        QVERIFY2(b.image(name) != 0, qPrintable(name));
    }
    QFile::remove(m_openedLog);
    QVERIFY(b.doubleClick(u"Makefile"_s));
    QTRY_COMPARE(opened(), tree.path("projects/Makefile") + u'\n');
    QCOMPARE(b.box->currentText(), tree.path("projects"));
}

void tst_FileBrowser::doubleClick_scriptPyOpensInTheEditor()
{
    FileTree tree;
    Browsed b(tree.root);
    QVERIFY(b.ok);
    QVERIFY(b.doubleClick(u"script.py"_s));
    auto *editor = b.window->findChild<Qb::Editor::ScriptEditor *>(u"代码编辑框1"_s);
    QCOMPARE(editor->GetScriptText(), u"print(1)\r\n"_s);
    QCOMPARE(b.context.CurrentScriptPath, tree.path("script.py"));
    QCOMPARE(b.settings().read(Keys::HistoryFile), tree.path("script.py"));
}

void tst_FileBrowser::doubleClick_otherFilesGoToTheDesktop_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("script.PY: the py test is case-sensitive") << "script.PY";
    QTest::newRow("text file") << "b.txt";
    QTest::newRow("unknown type") << "small.bin";
}

void tst_FileBrowser::doubleClick_otherFilesGoToTheDesktop()
{
    QFETCH(QString, name);
    FileTree tree;
    Browsed b(tree.root);
    QVERIFY(b.ok);
    QFile::remove(m_openedLog);
    QVERIFY(b.doubleClick(name));
    QTRY_COMPARE(opened(), tree.root + u'/' + name + u'\n');
    QCOMPARE(b.window->findChild<Qb::Editor::ScriptEditor *>(u"代码编辑框1"_s)->GetScriptText(), QString());
    QVERIFY(b.context.CurrentScriptPath.isEmpty());
}

void tst_FileBrowser::doubleClick_removedFileIsReportedAndRelisted()
{
    FileTree tree;
    Browsed b(tree.root);
    QVERIFY(b.ok);
    QFile::remove(m_openedLog);
    QVERIFY(QFile::remove(tree.path("b.txt")));
    QVERIFY(QFile::remove(tree.path("script.py")));
    QVERIFY(b.doubleClick(u"b.txt"_s));
    QCOMPARE(b.messages, QStringList({u"“b.txt”已不存在。"_s}));
    QVERIFY(!b.row(u"b.txt"_s));
    QVERIFY(b.doubleClick(u"script.py"_s) == false);  // relisted: the removed script is gone too
    QVERIFY(b.context.CurrentScriptPath.isEmpty());
    QVERIFY(!QFile::exists(m_openedLog));
}

void tst_FileBrowser::browse_listsAndRemembersTheChosenFolder()
{
    // Remembered: the tree, then lib.d; browsing to projects, then to lib.d.
    FileTree tree;
    Browsed b(tree.root + u',' + tree.path("lib.d"));
    QVERIFY(b.ok);
    auto *button = b.window->findChild<QPushButton *>(u"浏览钮"_s);
    QString title;
    answerFolderPicker(tree.path("projects"), &title);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(title, u"选择本地目录"_s);
    QCOMPARE(b.box->currentText(), tree.path("projects"));
    QCOMPARE(b.rows(), QStringList({"LICENSE", "Makefile", "run"}));
    QCOMPARE(b.settings().read(Keys::LocalDirectories),
             QStringList({tree.path("projects"), tree.root, tree.path("lib.d")}).join(u','));
    const QStringList entries = {tree.root, tree.path("lib.d"), tree.path("projects")};
    QCOMPARE(b.box->count(), 3);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(b.box->itemText(i), entries[i]);

    answerFolderPicker(tree.path("lib.d"), &title);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(b.rows(), QStringList({"inner.txt"}));
    QCOMPARE(b.settings().read(Keys::LocalDirectories),
             QStringList({tree.path("lib.d"), tree.root, tree.path("projects")}).join(u','));
    QCOMPARE(b.box->count(), 3);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(b.box->itemText(i), entries[i]);
}

void tst_FileBrowser::browse_cancelChangesNothing()
{
    FileTree tree;
    Browsed b(tree.root);
    QVERIFY(b.ok);
    const QStringList before = b.rows();
    QString title;
    answerFolderPicker(QString(), &title);
    QTest::mouseClick(b.window->findChild<QPushButton *>(u"浏览钮"_s), Qt::LeftButton);
    QCOMPARE(title, u"选择本地目录"_s);
    QCOMPARE(b.box->currentText(), tree.root);
    QCOMPARE(b.rows(), before);
    QCOMPARE(b.box->count(), 1);
    QCOMPARE(b.settings().read(Keys::LocalDirectories), tree.root);
}

void tst_FileBrowser::dropDown_changesOnlyTheText()
{
    FileTree tree;
    Browsed b(tree.root + u',' + tree.path("projects"));
    QVERIFY(b.ok);
    const QStringList before = b.rows();
    b.box->setFocus();
    QTest::keyClick(b.box, Qt::Key_Down);
    QCOMPARE(b.box->currentText(), tree.path("projects"));
    QCOMPARE(b.rows(), before);
    // A row still means the file it shows, in the directory that was listed.
    QFile::remove(m_openedLog);
    QVERIFY(b.doubleClick(u"b.txt"_s));
    QTRY_COMPARE(opened(), tree.path("b.txt") + u'\n');
    QVERIFY(b.messages.isEmpty());
}

void tst_FileBrowser::relisting_addsNoImages()
{
    FileTree tree;
    for (int i = 0; i < 20; ++i) {
        makeFile(tree.root + QStringLiteral("/n%1.js").arg(i));
        makeFile(tree.root + QStringLiteral("/n%1.css").arg(i));
    }
    Browsed b(tree.root);
    QVERIFY(b.ok);
    QCOMPARE(b.list->topLevelItemCount(), 50);
    const int first = b.panel->images().count();
    // The twelve fixed pictures, then one each for bin, js, css and py (of any case) at most.
    QVERIFY2(first <= 12 + 4, qPrintable(QString::number(first)));
    for (int i = 0; i < 3; ++i)
        b.panel->ListDirectory();
    QCOMPARE(b.panel->images().count(), first);
    // The extensionless files of projects: a makefile and two empty files.
    QVERIFY(b.doubleClick(u"projects"_s));
    const int second = b.panel->images().count();
    QVERIFY2(second <= first + 2, qPrintable(QString::number(second)));
    b.box->setEditText(tree.root);
    b.panel->ListDirectory();
    b.box->setEditText(tree.path("projects"));
    b.panel->ListDirectory();
    QCOMPARE(b.panel->images().count(), second);
}

QTEST_MAIN(tst_FileBrowser)
#include "tst_filebrowser.moc"
