// SPDX-License-Identifier: GPL-3.0-or-later
// The category tree inside the started main window: built at start-up from the program
// directory's library with the remembered category expanded, clicked and double-clicked with the
// mouse, a 命令(&M) item run, and the current category remembered at shut-down.
#include "app/appcontext.h"
#include "app/ui/mainwindow.h"
#include "editor/ui/scripteditor.h"
#include "jet/database.h"
#include "library/sqlquote.h"
#include "settings/appsettings.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>

using namespace Qb::App;
namespace Keys = Qb::Settings::Keys;

namespace {

// Top(1){ Mid(2){ Low(3){ low #低 } } }, Other(4){ other }
bool writeLibrary(const QString &path)
{
    if (!Qb::Jet::Database::createLibrary(QFile::encodeName(path).toStdString()))
        return false;
    Qb::Library::SqlHelper store;
    if (!store.Open(path, QString::fromLatin1(Qb::Library::DatabasePassword)))
        return false;
    using Qb::Library::sqlQuoted;
    auto category = [&](const char *name, const char *number, const char *parent) {
        return store.Insert(u"分类表"_qs, u"分类名,序号,父类,说明"_qs,
                            sqlQuoted(QString::fromUtf8(name)) + u',' + sqlQuoted(QString::fromUtf8(number)) + u','
                                + sqlQuoted(QString::fromUtf8(parent)) + u",'desc'");
    };
    auto command = [&](const char *name, const char *chinese, const char *cat, const char *desc) {
        return store.Insert(u"命令库"_qs, u"命令名,中文名,分类,说明,类型"_qs,
                            sqlQuoted(QString::fromUtf8(name)) + u',' + sqlQuoted(QString::fromUtf8(chinese)) + u','
                                + sqlQuoted(QString::fromUtf8(cat)) + u',' + sqlQuoted(QString::fromUtf8(desc))
                                + u",'过程'");
    };
    return category("Low", "3", "2") && category("Top", "1", "0") && category("Mid", "2", "1")
           && category("Other", "4", "0") && command("low", "低", "3", "low ^!body^!")
           && command("other", "", "4", "other body");
}

template<typename T>
T *named(QWidget *w, const QString &name)
{
    return w->findChild<T *>(name);
}

} // namespace

class tst_CategoryTreeStartup : public QObject
{
    Q_OBJECT
private slots:
    void startedWindow_buildsClicksInsertsAndRemembers()
    {
        QTemporaryDir dir;
        AppContext context;
        context.ProgramDirectory = dir.path();
        QVERIFY(writeLibrary(dir.filePath(u"qbxdb.mdb"_qs)));
        const Qb::Settings::AppSettings settings(dir.filePath(u"mlkpz.ini"_qs));
        QVERIFY(settings.write(Keys::Kuozhanxiang, u"3"_qs));
        auto window = std::make_unique<MainWindow>(context);
        QVERIFY(window->OnMainWindowCreated());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));

        auto *tree = named<QTreeWidget>(window.get(), u"树型框_分类"_qs);
        QVERIFY(tree);
        QCOMPARE(tree->topLevelItemCount(), 2);
        QTreeWidgetItem *top = tree->topLevelItem(0);
        QTreeWidgetItem *low = top->child(0)->child(0);
        QCOMPARE(low->text(0), u"Low"_qs);
        QVERIFY(top->isExpanded() && top->child(0)->isExpanded() && low->isExpanded());
        QVERIFY(!tree->topLevelItem(1)->isExpanded());

        // A mouse click previews the command's description in 编辑框_信息.
        QTreeWidgetItem *command = low->child(0);
        QCOMPARE(command->text(0), u"low #低"_qs);
        const QPoint at = tree->visualItemRect(command).center();
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
        auto *info = named<QTextEdit>(window.get(), u"编辑框_信息"_qs);
        QTRY_COMPARE(info->toPlainText(), u"low 'body'"_qs);

        // A double-click inserts the name, with CR LF for its type 过程, into 代码编辑框1.
        auto *editor = named<Qb::Editor::ScriptEditor>(window.get(), u"代码编辑框1"_qs);
        editor->SetScriptText(QString());
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(editor->GetScriptText(), u"low\r\n"_qs);

        // 删除 on the menu removes the selected command after a Yes.
        QTimer::singleShot(0, [] {
            QTRY_VERIFY(qobject_cast<QMessageBox *>(QApplication::activeModalWidget()));
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            box->button(QMessageBox::Yes)->click();
        });
        window->menuAction(u"删除"_qs, u"命令(&M)"_qs)->trigger();
        QCOMPARE(low->childCount(), 0);

        // Shut-down remembers the current category: the selection's category. (The editor is
        // emptied so that closing asks nothing about an unsaved script.)
        editor->SetScriptText(QString());
        tree->setCurrentItem(tree->topLevelItem(1));
        window->close();
        window.reset();
        QCOMPARE(settings.read(Keys::Kuozhanxiang), u"4"_qs);
        Qb::Library::SqlHelper store;
        QVERIFY(store.Open(dir.filePath(u"qbxdb.mdb"_qs), QString::fromLatin1(Qb::Library::DatabasePassword)));
        QVERIFY(!store.Exists(u"命令库"_qs, QString(), u"命令名='low'"_qs));
        QVERIFY(store.Exists(u"命令库"_qs, QString(), u"命令名='other'"_qs));
    }
};

QTEST_MAIN(tst_CategoryTreeStartup)
#include "tst_categorytreestartup.moc"
