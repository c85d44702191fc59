// SPDX-License-Identifier: GPL-3.0-or-later
// The 插入子程序 and 插入变量 dialogs: the text they insert, the fields remembered in section
// ctjlu (also after 取消 and Esc), and the deferred caret move after the dialog has gone.
#include "editor/ui/scripteditor.h"
#include "editor/ui/subroutinedialog.h"
#include "editor/ui/variabledialog.h"
#include "settings/appsettings.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using Qb::Editor::ScriptEditor;
using Qb::Editor::SubroutineDialog;
using Qb::Editor::VariableDialog;
using Qb::Resources::DefinedWindow;
namespace Keys = Qb::Settings::Keys;

namespace {

// Runs `drive` on the modal dialog once it is up; `open` returns when the dialog has closed.
template<typename W>
void whileOpen(const std::function<void()> &open, const std::function<void(W *)> &drive)
{
    bool driven = false;
    std::function<void()> poll;
    poll = [&] {
        if (auto *w = qobject_cast<W *>(QApplication::activeModalWidget())) {
            driven = true;
            drive(w);
        } else {
            QTimer::singleShot(10, poll);
        }
    };
    QTimer::singleShot(0, poll);
    open();
    QVERIFY(driven);
}

void setField(DefinedWindow *w, const char *name, const QString &text)
{
    w->control<QLineEdit>(name)->setText(text);
}

} // namespace

class tst_TemplatesDialogs : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void subroutine_data();
    void subroutine();
    void subroutine_fieldsKeptAfterClosing_data();
    void subroutine_fieldsKeptAfterClosing();
    void subroutine_tabOrder();
    void variable_data();
    void variable();
    void variable_cancelInsertsNothing();

private:
    void openSubroutine(const std::function<void(SubroutineDialog *)> &drive)
    {
        whileOpen<SubroutineDialog>(
            [this] { DefinedWindow::OpenWindow<SubroutineDialog>(m_owner.get(), true, *m_editor, *m_settings); },
            drive);
    }
    void openVariable(const std::function<void(VariableDialog *)> &drive)
    {
        whileOpen<VariableDialog>(
            [this] { DefinedWindow::OpenWindow<VariableDialog>(m_owner.get(), true, *m_editor); }, drive);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Qb::Settings::AppSettings> m_settings;
    std::unique_ptr<QWidget> m_owner;
    ScriptEditor *m_editor = nullptr;
};

void tst_TemplatesDialogs::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_settings = std::make_unique<Qb::Settings::AppSettings>(m_dir->path() + QStringLiteral("/mlkpz.ini"));
    m_owner = std::make_unique<QWidget>();
    m_editor = new ScriptEditor(m_owner.get());
    m_owner->resize(400, 300);
    m_editor->resize(400, 300);
    m_owner->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_owner.get()));
}

void tst_TemplatesDialogs::subroutine_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parameters");
    QTest::addColumn<bool>("hasReturn");
    QTest::addColumn<QString>("inserted");
    QTest::newRow("no return") << "" << "area" << "w, h" << false
                               << QStringLiteral("def area(w, h)\r\n  \r\n");
    QTest::newRow("return") << "" << "area" << "w, h" << true
                            << QStringLiteral("\r\ndef area(w, h)\r\n  \r\n  return ");
    QTest::newRow("prefix") << "calc_" << "area" << "w, h" << false
                            << QStringLiteral("def calc_area(w, h)\r\n  \r\n");
    QTest::newRow("all empty") << "" << "" << "" << false << QStringLiteral("def ()\r\n  \r\n");
    QTest::newRow("chinese") << "" << "面积" << "宽" << false << QStringLiteral("def 面积(宽)\r\n  \r\n");
}

void tst_TemplatesDialogs::subroutine()
{
    QFETCH(QString, prefix);
    QFETCH(QString, name);
    QFETCH(QString, parameters);
    QFETCH(bool, hasReturn);
    QFETCH(QString, inserted);
    m_editor->SetScriptText(QStringLiteral("# x\r\n"));
    m_editor->SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
    openSubroutine([&](SubroutineDialog *d) {
        QVERIFY(!d->control<QCheckBox>("选择框_有返回值")->isChecked());
        setField(d, "编辑框_前缀", prefix);
        setField(d, "编辑框_子程名", name);
        setField(d, "编辑框_参数", parameters);
        d->control<QCheckBox>("选择框_有返回值")->setChecked(hasReturn);
        d->control<QPushButton>("按钮1")->click();
    });
    QCOMPARE(m_editor->GetScriptText(), QStringLiteral("# x\r\n") + inserted);
    QTRY_VERIFY(!m_editor->focusTimer()->isActive());
    QCOMPARE(m_editor->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS),
             long(QStringLiteral("# x\r\n").size() + inserted.toUtf8().size()));
    QCOMPARE(m_settings->read(Keys::SubName), name);
    QCOMPARE(m_settings->read(Keys::SubParams), parameters);
    QCOMPARE(m_settings->read(Keys::SubPrefix), prefix);
}

void tst_TemplatesDialogs::subroutine_fieldsKeptAfterClosing_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("取消") << "cancel";
    QTest::newRow("Esc") << "escape";
    QTest::newRow("close box") << "close";
}

void tst_TemplatesDialogs::subroutine_fieldsKeptAfterClosing()
{
    QFETCH(QString, how);
    openSubroutine([&](SubroutineDialog *d) {
        setField(d, "编辑框_前缀", QStringLiteral("p_"));
        setField(d, "编辑框_子程名", QStringLiteral("名字"));
        setField(d, "编辑框_参数", QStringLiteral("a, b"));
        d->control<QCheckBox>("选择框_有返回值")->setChecked(true);
        if (how == u"cancel")
            d->control<QPushButton>("按钮2")->click();
        else if (how == u"escape")
            QTest::keyClick(d->control<QLineEdit>("编辑框_子程名"), Qt::Key_Escape);
        else
            d->close();
    });
    QCOMPARE(m_editor->GetScriptText(), QString());
    QCOMPARE(m_settings->read(Keys::SubName), QStringLiteral("名字"));
    openSubroutine([&](SubroutineDialog *d) {
        QCOMPARE(d->control<QLineEdit>("编辑框_前缀")->text(), QStringLiteral("p_"));
        QCOMPARE(d->control<QLineEdit>("编辑框_子程名")->text(), QStringLiteral("名字"));
        QCOMPARE(d->control<QLineEdit>("编辑框_参数")->text(), QStringLiteral("a, b"));
        QVERIFY(!d->control<QCheckBox>("选择框_有返回值")->isChecked()); // not remembered
        d->control<QPushButton>("按钮2")->click();
    });
}

void tst_TemplatesDialogs::subroutine_tabOrder()
{
    openSubroutine([&](SubroutineDialog *d) {
        QCOMPARE(d->size(), QSize(338, 219));
        QCOMPARE(d->windowTitle(), QStringLiteral("插入子程序"));
        QStringList order;
        QWidget *w = d->control<QLineEdit>("编辑框_子程名");
        for (int i = 0; i < 4; ++i) {
            order << w->objectName();
            w = w->nextInFocusChain();
            while (!(w->focusPolicy() & Qt::TabFocus))
                w = w->nextInFocusChain();
        }
        QCOMPARE(order, (QStringList{"编辑框_子程名", "编辑框_参数", "按钮1", "按钮2"}));
        d->control<QPushButton>("按钮2")->click();
    });
}

void tst_TemplatesDialogs::variable_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("inserted");
    QTest::newRow("assignment") << "x" << "1" << QStringLiteral("x=1\r\n");
    QTest::newRow("empty value") << "x" << "" << QStringLiteral("x=\r\n");
    QTest::newRow("chinese") << "名" << "'值'" << QStringLiteral("名='值'\r\n");
}

void tst_TemplatesDialogs::variable()
{
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(QString, inserted);
    openVariable([&](VariableDialog *d) {
        QCOMPARE(d->control<QLineEdit>("编辑框_名称")->text(), QString());
        QCOMPARE(d->control<QLineEdit>("编辑框_值")->text(), QString());
        setField(d, "编辑框_名称", name);
        setField(d, "编辑框_值", value);
        d->control<QPushButton>("按钮1")->click();
    });
    QCOMPARE(m_editor->GetScriptText(), inserted);
    QTRY_COMPARE(m_editor->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS), long(inserted.toUtf8().size()));
}

void tst_TemplatesDialogs::variable_cancelInsertsNothing()
{
    openVariable([&](VariableDialog *d) {
        setField(d, "编辑框_名称", QStringLiteral("x"));
        QTest::keyClick(d->control<QLineEdit>("编辑框_名称"), Qt::Key_Escape);
    });
    QCOMPARE(m_editor->GetScriptText(), QString());
    QVERIFY(!m_editor->focusTimer()->isActive());
}

QTEST_MAIN(tst_TemplatesDialogs)
#include "tst_templatesdialogs.moc"
