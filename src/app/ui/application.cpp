// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/application.h"

#include "platform/uitext.h"

#include "app/appcontext.h"
#include "app/commandline.h"
#include "app/displaychoice.h"
#include "app/singleinstance.h"
#include "app/translation.h"
#include "app/ui/mainwindow.h"
#include "editor/ui/scriptfiles.h"
#include "platform/programdirectory.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>
#include <QTranslator>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <utility>

namespace Qb::App {

using namespace Qt::StringLiterals;

namespace {

// Reports the first paint of any widget of the main window, then ends the program.
class FirstPaintReporter : public QObject
{
public:
    explicit FirstPaintReporter(QWidget *window)
        : QObject(window)
        , m_window(window)
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Paint || m_reported || !watched->isWidgetType()
            || static_cast<QWidget *>(watched)->window() != m_window)
            return false;
        m_reported = true;
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        std::printf("first-paint %lld\n", static_cast<long long>(std::chrono::nanoseconds(now).count()));
        std::fflush(stdout);
        QTimer::singleShot(0, m_window, &QWidget::close);
        return false;
    }

private:
    QWidget *m_window;
    bool m_reported = false;
};

void printTo(std::FILE *stream, const QString &text)
{
    std::fputs(text.toUtf8().constData(), stream);
    std::fflush(stream);
}

// Holds back Qt's messages while the application object connects to the display. When the
// connection fails Qt ends with a fatal message and an abort (a core dump for the user); this
// turns it into one line and exit status 1. After a successful start the held messages are
// passed on unchanged.
class DisplayConnectGuard
{
public:
    DisplayConnectGuard() { s_previous = qInstallMessageHandler(&DisplayConnectGuard::handle); }
    ~DisplayConnectGuard() { release(); }

    void release()
    {
        if (!s_active)
            return;
        s_active = false;
        qInstallMessageHandler(s_previous);
        for (const Held &held : std::as_const(s_held)) {
            const QMessageLogContext context(nullptr, 0, nullptr, held.category.constData());
            qt_message_output(held.type, context, held.text);
        }
        s_held.clear();
    }

private:
    struct Held
    {
        QtMsgType type;
        QByteArray category;
        QString text;
    };

    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        if (type != QtFatalMsg) {
            s_held.append({type, QByteArray(context.category ? context.category : "default"), text});
            return;
        }
        // The platform plugin's first message names the cause ("could not connect to display
        // :5"); the fatal one only says that no platform plugin could be initialised.
        const auto fromPlugin = std::find_if(s_held.cbegin(), s_held.cend(), [](const Held &held) {
            return held.category.startsWith("qt.qpa");
        });
        const QString cause = fromPlugin != s_held.cend() ? fromPlugin->text : text.section(u'\n', 0, 0);
        printTo(stderr, u"quillbox: cannot open a window: %1\n"_s.arg(cause.trimmed()));
        std::_Exit(1);
    }

    static inline QtMessageHandler s_previous = nullptr;
    static inline QList<Held> s_held;
    static inline bool s_active = true;
};

// Sets QT_QPA_PLATFORM for the application object only: scripts and terminals started later
// inherit the user's own environment.
class PlatformOverride
{
public:
    explicit PlatformOverride(const QString &platform)
        : m_saved(qEnvironmentVariableIsSet("QT_QPA_PLATFORM") ? std::optional(qgetenv("QT_QPA_PLATFORM"))
                                                               : std::nullopt)
        , m_active(!platform.isEmpty())
    {
        if (m_active)
            qputenv("QT_QPA_PLATFORM", platform.toUtf8());
    }
    ~PlatformOverride() { restore(); }

    void restore()
    {
        if (!std::exchange(m_active, false))
            return;
        if (m_saved)
            qputenv("QT_QPA_PLATFORM", *m_saved);
        else
            qunsetenv("QT_QPA_PLATFORM");
    }

private:
    std::optional<QByteArray> m_saved;
    bool m_active;
};

QStringList argumentsOf(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

// --help and --version, answered with no display. Returns the exit code, or nothing to go on.
std::optional<int> answerWithoutDisplay(const CommandLine &line)
{
    switch (line.action) {
    case CommandLine::Action::ShowHelp: printTo(stdout, helpText()); return 0;
    case CommandLine::Action::ShowVersion: printTo(stdout, versionText()); return 0;
    case CommandLine::Action::Error:
        printTo(stderr, u"quillbox: %1\nTry 'quillbox --help' for more information.\n"_s.arg(line.error));
        return 2;
    case CommandLine::Action::Run: break;
    }
    return std::nullopt;
}

void setApplicationIdentity()
{
    // The class of WM_CLASS comes from the application name (the desktop entry's StartupWMClass);
    // the desktop file name is the Wayland app id and lets the shell find the entry's icon.
    QCoreApplication::setApplicationName(u"Quillbox"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(QB_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral(QB_APP_ID));
}

// `quillbox FILE`: FILE is opened as 打开 opens a script, asking first about unsaved changes.
// The desktop entry may hand over several files; a script window holds one.
void openFromCommandLine(MainWindow &window, const QStringList &files)
{
    if (files.isEmpty() || !window.scriptFiles())
        return;
    if (files.size() > 1)
        printTo(stderr, u"quillbox: opens one script at a time; not opened: %1\n"_s.arg(files.mid(1).join(u", "_s)));
    const QString path = QFileInfo(files.first()).absoluteFilePath();
    QTimer::singleShot(0, &window, [&window, path] { window.scriptFiles()->OpenScript(path); });
}

QStringList absolutePaths(const QStringList &files)
{
    QStringList paths;
    for (const QString &file : files)
        paths.append(QFileInfo(file).absoluteFilePath());
    return paths;
}

// A later start handed files over (or none): the window comes to the front, out of the tray,
// a minimised state or an edge, and opens the first file as 打开 does.
void receiveHandOver(MainWindow &window, const QStringList &files)
{
    if (window.isMinimized())
        window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.OnTrayIconEvent(1);
    openFromCommandLine(window, files);
}

// The running instance of this program directory takes the files when it answers; otherwise
// this process listens for later starts itself. A listener that stays silent counts as dead:
// this process then goes on and meets the locked library as before.
bool handedOver(const QString &socketPath, const QStringList &files)
{
    return handOverToRunningInstance(socketPath, absolutePaths(files)) == HandOverResult::Delivered;
}

void listenForLaterStarts(InstanceListener &listener, const QString &socketPath, MainWindow &window)
{
    if (!listener.listen(socketPath)) {
        printTo(stderr, u"quillbox: later starts will open windows of their own: %1\n"_s.arg(listener.error()));
        return;
    }
    QObject::connect(&listener, &InstanceListener::handOver, &window,
                     [&window](const QStringList &files) { receiveHandOver(window, files); });
}

} // namespace

void showDatabaseOpenFailure()
{
    QMessageBox box(QMessageBox::NoIcon, QbText::tr("信息："), QbText::tr("打开命令数据库失败"), QMessageBox::Ok);
    box.setObjectName(u"databaseOpenFailure"_s);
    box.exec();
}

namespace {

// The main window's run, once the application object exists. `socketPath` is where this program
// directory's running instance listens; `handOverFirst` when the files could not be handed
// over before (Qt's own options were on the command line).
int runMainWindow(QApplication &app, const CommandLine &line, const QString &socketPath, bool handOverFirst)
{
    AppContext context;
    context.ProgramDirectory = Platform::programDirectory();
    if (handOverFirst && handedOver(socketPath, line.files))
        return 0;
    MainWindow window(context);
    if (!window.OnMainWindowCreated()) {
        showDatabaseOpenFailure();
        return 0;
    }
    InstanceListener listener;
    listenForLaterStarts(listener, socketPath, window);
    QObject::connect(&window, &MainWindow::destroying, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    if (qEnvironmentVariableIsSet("QUILLBOX_REPORT_FIRST_PAINT"))
        new FirstPaintReporter(&window);
    window.show();
    openFromCommandLine(window, line.files);
    return app.exec();
}

} // namespace

int runApplication(int argc, char *argv[])
{
    const CommandLine early = parseCommandLine(argumentsOf(argc, argv));
    if (early.action == CommandLine::Action::ShowHelp || early.action == CommandLine::Action::ShowVersion)
        return *answerWithoutDisplay(early);
    // Handed over before any display is opened, so that a later start ends at once. With Qt's
    // own options on the line that waits until Qt has taken them out.
    const QString socketPath = instanceSocketPath(Platform::programDirectory());
    if (early.action == CommandLine::Action::Run && handedOver(socketPath, early.files))
        return 0;
    const DisplayChoice display = chooseDisplay(DisplayEnvironment::current(), DisplayProbes::system());
    if (!display.error.isEmpty()) {
        printTo(stderr, u"quillbox: cannot open a window: %1\n"_s.arg(display.error));
        return 1;
    }
    setApplicationIdentity();
    PlatformOverride platform(display.platform);
    DisplayConnectGuard guard;
    QApplication app(argc, argv);
    guard.release();
    platform.restore();
    // The program ends when the main window is destroyed, not when its last window closes.
    QApplication::setQuitOnLastWindowClosed(false);
    QTranslator translator;
    installInterfaceTranslation(translator);

    // Qt has taken its own options (-platform, -display, ...) out of the arguments by now.
    const CommandLine line = parseCommandLine(app.arguments().mid(1));
    if (const std::optional<int> code = answerWithoutDisplay(line))
        return *code;
    return runMainWindow(app, line, socketPath, early.action != CommandLine::Action::Run);
}

} // namespace Qb::App
