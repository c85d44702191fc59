// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the command library's widget tests: a created library in a temporary directory and
// a window holding the tree, the click timer, the info box and the editor, wired as the main
// window wires them. Header-only so that it stays out of the other widget tests.
#pragma once

#include "editor/ui/scripteditor.h"
#include "jet/database.h"
#include "library/sqlhelper.h"
#include "library/sqlquote.h"
#include "library/ui/categorytreecontroller.h"

#include <QApplication>
#include <QAbstractButton>
#include <QFile>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <functional>
#include <memory>

namespace LibraryGui {

using Qb::Library::sqlQuoted;

// An empty command library with rows added by plain statements.
class Library
{
public:
    Library()
    {
        m_path = m_dir.filePath(QStringLiteral("qbxdb.mdb"));
        auto made = Qb::Jet::Database::createLibrary(QFile::encodeName(m_path).toStdString());
        m_ready = made && store.Open(m_path, QString::fromLatin1(Qb::Library::DatabasePassword));
    }
    bool ready() const { return m_ready; }
    bool category(const QString &name, int number, int parent, const QString &stored = QString())
    {
        return store.Insert(QStringLiteral("分类表"), QStringLiteral("分类名,序号,父类,说明"),
                            sqlQuoted(name) + u',' + sqlQuoted(QString::number(number)) + u','
                                + sqlQuoted(QString::number(parent)) + u',' + sqlQuoted(stored));
    }
    bool command(const QString &name, const QString &chinese, int category, const QString &stored = QString(),
                 const QString &type = QString())
    {
        return store.Insert(QStringLiteral("命令库"), QStringLiteral("命令名,中文名,分类,说明,类型"),
                            sqlQuoted(name) + u',' + sqlQuoted(chinese) + u',' + sqlQuoted(QString::number(category))
                                + u',' + sqlQuoted(stored) + u',' + sqlQuoted(type));
    }
    // Every row of `table` matching `condition`, the listed columns joined by "|".
    QStringList rows(const QString &table, const QStringList &columns, const QString &condition = QString())
    {
        QList<QStringList> all;
        store.TableRows(all, table, columns, condition);
        QStringList out;
        for (const QStringList &r : all)
            out.append(r.join(u'|'));
        return out;
    }

    Qb::Library::SqlHelper store;

private:
    QTemporaryDir m_dir;
    QString m_path;
    bool m_ready = false;
};

// The tree, its timer, the info box and the editor in one shown window.
class Harness
{
public:
    explicit Harness(Library &lib, qint64 remembered = 0)
    {
        window.resize(500, 600);
        auto *layout = new QVBoxLayout(&window);
        tree = new QTreeWidget(&window);
        tree->setObjectName(QStringLiteral("树型框_分类"));
        tree->setHeaderHidden(true);
        info = new QPlainTextEdit(&window);
        info->setObjectName(QStringLiteral("编辑框_信息"));
        editor = new Qb::Editor::ScriptEditor(&window);
        editor->setObjectName(QStringLiteral("代码编辑框1"));
        for (QWidget *w : {static_cast<QWidget *>(tree), static_cast<QWidget *>(info), static_cast<QWidget *>(editor)})
            layout->addWidget(w);
        timer = new QTimer(&window);
        timer->setObjectName(QStringLiteral("时钟_双击判断"));
        Qb::Library::Ui::CategoryTreeController::Hooks hooks{
            [this](const QString &t) { editor->InsertAtCaret(t); },
            [this](const QString &t) { info->setPlainText(t); },
            [this] { return addChineseName; }};
        controller = new Qb::Library::Ui::CategoryTreeController(tree, timer, lib.store, hooks, &window);
        controller->build(remembered);
        tree->expandAll();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }

    QTreeWidgetItem *item(int index) { return controller->items().item(index); }
    QPoint centre(int index) { return tree->visualItemRect(item(index)).center(); }
    void click(int index, Qt::KeyboardModifiers mods = {})
    {
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, mods, centre(index));
    }
    // What a real double-click delivers: press, release, double-click, release (QTest's own
    // double-click sends the double-click event alone).
    void doubleClick(int index, Qt::KeyboardModifiers mods = {}) { doubleClickAt(centre(index), mods); }
    void doubleClickAt(QPoint pos, Qt::KeyboardModifiers mods = {})
    {
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, mods, pos);
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, mods, pos);
        QTest::mouseRelease(tree->viewport(), Qt::LeftButton, mods, pos);
    }
    // Waits until the click timer has ticked.
    bool timerIdle() { return QTest::qWaitFor([this] { return !timer->isActive(); }, 5000); }

    QWidget window;
    QTreeWidget *tree = nullptr;
    QPlainTextEdit *info = nullptr;
    Qb::Editor::ScriptEditor *editor = nullptr;
    QTimer *timer = nullptr;
    Qb::Library::Ui::CategoryTreeController *controller = nullptr;
    bool addChineseName = false;
};

// Runs `act` on the next modal window (dialog or message box) once it is shown; answers run
// from the event loop while the code under test waits in exec(). The returned watcher may be
// deleted to stop waiting.
inline QTimer *whenModal(std::function<void(QWidget *)> act)
{
    auto *poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        act(modal);
    });
    poll->start(10);
    return poll;
}

// A message box's "caption|text"; presses `button` on it. "" for any other window.
inline QString answerBox(QWidget *modal, QMessageBox::StandardButton button = QMessageBox::Ok)
{
    auto *box = qobject_cast<QMessageBox *>(modal);
    if (!box)
        return {};
    const QString seen = box->windowTitle() + u'|' + box->text();
    if (QAbstractButton *b = box->button(button))
        b->click();
    return seen;
}

} // namespace LibraryGui
