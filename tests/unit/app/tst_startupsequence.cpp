// SPDX-License-Identifier: GPL-3.0-or-later
// The orders of start-up, LoadSettings and shut-down, and what each depends on.
#include "app/appcontext.h"
#include "app/startupsequence.h"

#include <QFile>
#include <QStringEncoder>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

using namespace Qb::App;
using namespace Qt::StringLiterals;

namespace {

class RecordingStartup : public StartupSteps
{
public:
    QStringList log;
    bool openSucceeds = true;
    bool hints = false;

    void locateSettings() override { log << u"settings"_s; }
    void locateDatabase() override { log << u"database"_s; }
    bool openDatabase() override { log << u"open"_s; return openSucceeds; }
    void buildCategoryTree() override { log << u"tree"_s; }
    void loadSettings() override { log << u"load"_s; }
    bool hintsOn() const override { return hints; }
    void installKeyboardHook() override { log << u"hook"_s; }
    void subclassMainWindow() override { log << u"subclass"_s; }
    void addTrayIcon() override { log << u"tray"_s; }
    void setCaption() override { log << u"caption"_s; }
    void initHotkeyRegistry() override { log << u"hotkeys"_s; }
    void registerCaptureHotkey() override { log << u"capture"_s; }
    void reopenLastScript() override { log << u"script"_s; }
    void configureEditor() override { log << u"editor"_s; }
    void loadKeywords() override { log << u"keywords"_s; }
    void restoreFileBrowser() override { log << u"browser"_s; }
};

class RecordingShutdown : public ShutdownSteps
{
public:
    QStringList log;
    bool selected = false, hook = false, hintWindow = false, isMinimised = false, shrunk = false;

    void closeDatabase() override { log << u"close"_s; }
    bool treeItemSelected() const override { return selected; }
    void rememberCurrentCategory() override { log << u"category"_s; }
    bool keyboardHookInstalled() const override { return hook; }
    void removeKeyboardHook() override { log << u"unhook"_s; }
    bool hintWindowLoaded() const override { return hintWindow; }
    void destroyHintWindow() override { log << u"hintwindow"_s; }
    bool minimised() const override { return isMinimised; }
    bool edgeShrunk() const override { return shrunk; }
    void storePosition() override { log << u"position"_s; }
};

class RecordingTarget : public LoadSettingsTarget
{
public:
    QStringList log;
    void loadHintWindow() override { log << u"hintwindow"_s; }
    void checkHintsItem(bool c) override { log << u"hints="_s + QString::number(c); }
    void setAlwaysOnTop(bool t) override { log << u"ontop="_s + QString::number(t); }
    void checkCursorTrackingItem(bool c) override { log << u"tracking="_s + QString::number(c); }
    void resizeWindow(int w, int h) override { log << u"size=%1x%2"_s.arg(w).arg(h); }
    void moveWindow(int l, int t) override { log << u"pos=%1,%2"_s.arg(l).arg(t); }
};

const QStringList AllStartupSteps = {u"settings"_s, u"database"_s, u"open"_s, u"tree"_s, u"load"_s,
                                     u"subclass"_s, u"tray"_s, u"caption"_s, u"hotkeys"_s,
                                     u"capture"_s, u"script"_s, u"editor"_s, u"keywords"_s,
                                     u"browser"_s};

} // namespace

class tst_StartupSequence : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startup_data();
    void startup();
    void shutdown_data();
    void shutdown();
    void loadSettings_data();
    void loadSettings();
};

void tst_StartupSequence::startup_data()
{
    QTest::addColumn<bool>("opens");
    QTest::addColumn<bool>("hints");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("result");

    QStringList withHook = AllStartupSteps;
    withHook.insert(withHook.indexOf(u"subclass"_s), u"hook"_s);
    QTest::newRow("hints off: no hook") << true << false << AllStartupSteps << true;
    QTest::newRow("hints on: hook right after the settings") << true << true << withHook << true;
    QTest::newRow("open fails: nothing after it runs")
        << false << true << QStringList{u"settings"_s, u"database"_s, u"open"_s} << false;
}

void tst_StartupSequence::startup()
{
    QFETCH(bool, opens);
    QFETCH(bool, hints);
    RecordingStartup steps;
    steps.openSucceeds = opens;
    steps.hints = hints;
    QTEST(runStartup(steps), "result");
    QTEST(steps.log, "expected");
}

void tst_StartupSequence::shutdown_data()
{
    QTest::addColumn<bool>("selected");
    QTest::addColumn<bool>("hook");
    QTest::addColumn<bool>("hintWindow");
    QTest::addColumn<bool>("minimised");
    QTest::addColumn<bool>("shrunk");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("everything present") << true << true << true << false << false
                                        << QStringList{u"close"_s, u"category"_s, u"unhook"_s,
                                                       u"hintwindow"_s, u"position"_s};
    QTest::newRow("nothing selected, no hook") << false << false << true << false << false
                                               << QStringList{u"close"_s, u"hintwindow"_s, u"position"_s};
    QTest::newRow("minimised: position kept") << true << false << false << true << false
                                              << QStringList{u"close"_s, u"category"_s};
    QTest::newRow("edge-shrunk: position kept") << false << false << false << false << true
                                                << QStringList{u"close"_s};
}

void tst_StartupSequence::shutdown()
{
    RecordingShutdown steps;
    QFETCH(bool, selected);
    QFETCH(bool, hook);
    QFETCH(bool, hintWindow);
    QFETCH(bool, minimised);
    QFETCH(bool, shrunk);
    steps.selected = selected;
    steps.hook = hook;
    steps.hintWindow = hintWindow;
    steps.isMinimised = minimised;
    steps.shrunk = shrunk;
    runShutdown(steps);
    QTEST(steps.log, "expected");
}

void tst_StartupSequence::loadSettings_data()
{
    QTest::addColumn<QString>("ini"); // written to the file in GBK; empty = no file
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("hintsOn");
    QTest::addColumn<bool>("chineseName");
    QTest::addColumn<int>("normalWidth");
    QTest::addColumn<int>("stepX");
    QTest::addColumn<int>("stepY");

    QTest::newRow("no file: defaults")
        << QString() << QStringList{u"hintwindow"_s, u"tracking=1"_s, u"size=800x700"_s, u"pos=50,50"_s}
        << false << false << 800 << 100 << 300;
    QTest::newRow("everything on, full-width width")
        << u"[xitong]\nmlts=真\nzzzq=真\ntstjzwm=真\ngbgz=真\n"
           "[shezhi]\n宽度=１２０\n高度=650\n横坐标=-5\n纵坐标=7\n收缩速度=7\n"_s
        << QStringList{u"hintwindow"_s, u"hints=1"_s, u"ontop=1"_s, u"tracking=1"_s, u"size=120x650"_s,
                       u"pos=-5,7"_s}
        << true << true << 120 << 7 << 21;
    QTest::newRow("only 真 is true; empty gbgz turns tracking off; bad numbers")
        << u"[xitong]\nmlts=假\nzzzq=true\ntstjzwm=1\ngbgz=\n[shezhi]\n宽度=abc\n高度= 42px\n收缩速度=\n"_s
        << QStringList{u"hintwindow"_s, u"size=0x42"_s, u"pos=50,50"_s} << false << false << 0 << 0 << 0;
}

void tst_StartupSequence::loadSettings()
{
    QFETCH(QString, ini);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"mlkpz.ini"_s);
    if (!ini.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QStringEncoder("GBK").encode(ini));
    }
    Qb::Settings::AppSettings settings(path);
    AppContext context;
    RecordingTarget target;
    LoadSettings(settings, context, target);
    QTEST(target.log, "expected");
    QTEST(context.HintsOn, "hintsOn");
    QTEST(context.AddChineseName, "chineseName");
    QTEST(context.NormalWidth, "normalWidth");
    QTEST(context.ShrinkStepX, "stepX");
    QTEST(context.ShrinkStepY, "stepY");
    QCOMPARE(QFile::exists(path), !ini.isEmpty()); // reading never creates the file
}

QTEST_APPLESS_MAIN(tst_StartupSequence)
#include "tst_startupsequence.moc"
