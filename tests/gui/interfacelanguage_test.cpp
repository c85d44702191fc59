// SPDX-License-Identifier: GPL-3.0-or-later
// The interface language follows the locale: registered once per locale (tests/gui/CMakeLists.txt)
// with QB_EXPECT_LANGUAGE naming the language expected ("en", or "zh" for the Chinese source
// texts). The program's own translation is installed as the program installs it.
#include "app/translation.h"
#include "app/ui/mainwindow.h"
#include "programwindow_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QTreeWidget>

using namespace Qt::StringLiterals;
using Qb::Test::ProgramWindow;

namespace {

bool english()
{
    return qEnvironmentVariable("QB_EXPECT_LANGUAGE") == "en"_L1;
}

QString withoutMnemonic(QString text)
{
    return text.remove(u'&');
}

// The texts a user reads in `root` and its children: window titles, labels, buttons, tabs,
// column headers, menu items, drop-down list items. Editable boxes, the library tree's items and
// the editor hold the user's own data and values, so they are left out.
QStringList visibleTexts(QWidget *root)
{
    QStringList texts{root->windowTitle()};
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    widgets.prepend(root);
    for (QWidget *w : std::as_const(widgets)) {
        if (auto *label = qobject_cast<QLabel *>(w))
            texts << label->text();
        if (auto *button = qobject_cast<QAbstractButton *>(w))
            texts << button->text();
        if (auto *tabs = qobject_cast<QTabWidget *>(w))
            for (int i = 0; i < tabs->count(); ++i)
                texts << tabs->tabText(i);
        if (auto *tree = qobject_cast<QTreeWidget *>(w))
            for (int i = 0; i < tree->columnCount(); ++i)
                texts << tree->headerItem()->text(i);
        if (auto *combo = qobject_cast<QComboBox *>(w); combo && !combo->isEditable()
                                                          && combo->objectName() != u"组合框_分类"_s)
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
        for (QAction *action : w->actions())
            texts << action->text() << action->iconText();
    }
    return texts;
}

QStringList chineseAmong(const QStringList &texts)
{
    static const QRegularExpression cjk(u"[\\x{3000}-\\x{303f}\\x{4e00}-\\x{9fff}\\x{ff00}-\\x{ffef}]"_s);
    QStringList found;
    for (const QString &text : texts)
        if (text.contains(cjk))
            found << text;
    found.removeDuplicates();
    return found;
}

// Triggers `action` and returns the caption and text of the message box it brings up.
QString catchMessageBox(QAction *action)
{
    QString seen;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            seen = box->windowTitle() + u'|' + box->text();
            box->done(0);
        }
    });
    poll.start(20);
    action->trigger();
    return seen;
}

} // namespace

class tst_InterfaceLanguage : public QObject
{
    Q_OBJECT

private slots:
    void menuBar();
    void settingsDialog();
    void messageBox();
    void nothingChineseLeftInEnglish();
};

void tst_InterfaceLanguage::menuBar()
{
    ProgramWindow p;
    p.useFakePlatform();
    QVERIFY(p.create() && p.startShown());
    QStringList titles;
    for (QAction *action : p.window->menuBar()->actions())
        titles << withoutMnemonic(action->text());
    const QStringList expected = english()
        ? QStringList{u"File"_s, u"Command"_s, u"Insert"_s, u"Function"_s, u"Help"_s}
        : QStringList{u"文件(W)"_s, u"命令(M)"_s, u"插入(C)"_s, u"功能(G)"_s, u"帮助(B)"_s};
    QCOMPARE(titles, expected);
    // Items are found by their Chinese object names in every language.
    QAction *open = p.window->menuAction(u"打开"_s, u"文件(&W)"_s);
    QVERIFY(open);
    QCOMPARE(open->text(), english() ? u"Open"_s : u"打开"_s);
    QCOMPARE(p.window->menuAction(u"退出"_s)->text(), english() ? u"Quit"_s : u"退出"_s);
}

void tst_InterfaceLanguage::settingsDialog()
{
    ProgramWindow p;
    p.useFakePlatform();
    QVERIFY(p.create() && p.startShown());
    p.window->menuAction(u"系统设置"_s)->trigger();
    QWidget *dialog = nullptr;
    QTRY_VERIFY((dialog = p.window->findChild<QWidget *>(u"系统设置"_s)) && dialog->isVisible());
    const auto text = [dialog](const char *name) {
        return dialog->findChild<QAbstractButton *>(QString::fromUtf8(name))->text();
    };
    QCOMPARE(dialog->windowTitle(), english() ? u"Settings"_s : u"系统设置"_s);
    QCOMPARE(text("选择框3"), english() ? u"Always on top"_s : u"窗口总在最前"_s);
    QCOMPARE(text("按钮1"), english() ? u"OK"_s : u"确定"_s);
    QCOMPARE(dialog->findChild<QLabel *>(u"标签4"_s)->text(), english() ? u"Capture key:"_s : u"锁定编辑框键："_s);
    // The modifier box's items are values composed into the stored hotkey: the same everywhere.
    QCOMPARE(dialog->findChild<QComboBox *>(u"组合框2"_s)->itemText(3), u"空"_s);
}

void tst_InterfaceLanguage::messageBox()
{
    ProgramWindow p;
    p.useFakePlatform();
    QVERIFY(p.create() && p.startShown());
    QCOMPARE(catchMessageBox(p.window->menuAction(u"说明"_s)),
             english() ? u"Usage:|When a command name ends in “{}”, double-clicking the command sends its description."_s
                       : u"说明：|命令名后加“{}”时，双击命令将发送说明内容。"_s);
}

// Under English no text the user reads is left in Chinese: the main window with its menus
// (the tray menu among them), toolbar and tabs, and the settings dialog.
void tst_InterfaceLanguage::nothingChineseLeftInEnglish()
{
    if (!english())
        QSKIP("the Chinese interface is the source texts");
    ProgramWindow p;
    p.useFakePlatform();
    QVERIFY(p.create() && p.startShown());
    QStringList texts = visibleTexts(p.window.get());
    for (QMenu *menu : p.window->findChildren<QMenu *>())
        texts << menu->title() << visibleTexts(menu);
    p.window->menuAction(u"系统设置"_s)->trigger();
    QWidget *dialog = nullptr;
    QTRY_VERIFY((dialog = p.window->findChild<QWidget *>(u"系统设置"_s)));
    texts << visibleTexts(dialog);
    const QStringList left = chineseAmong(texts);
    QVERIFY2(left.isEmpty(), qPrintable(u"shown untranslated: "_s + left.join(u" | "_s)));
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTranslator translator;
    const QString language = Qb::App::installInterfaceTranslation(translator);
    const QString expected = qEnvironmentVariable("QB_EXPECT_LANGUAGE");
    if ((expected == "en"_L1) != (language == "en"_L1)) {
        qCritical("interface language %s, expected %s", qPrintable(language), qPrintable(expected));
        return 1;
    }
    tst_InterfaceLanguage test;
    return QTest::qExec(&test, argc, argv);
}

#include "interfacelanguage_test.moc"
