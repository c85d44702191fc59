#include "app/ui/application.h"

#include "app/appcontext.h"
#include "app/ui/mainwindow.h"
#include "platform/programdirectory.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <QTimer>

#include <chrono>
#include <cstdio>

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

} // namespace

void showDatabaseOpenFailure()
{
    QMessageBox box(QMessageBox::NoIcon, u"信息："_s, u"打开命令数据库失败"_s, QMessageBox::Ok);
    box.setObjectName(u"databaseOpenFailure"_s);
    box.exec();
}

int runApplication(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillbox"));
    QApplication::setApplicationVersion(QStringLiteral(QB_VERSION));
    // The program ends when the main window is destroyed, not when its last window closes.
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Python script editor with a personal command library"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(app);

    AppContext context;
    context.ProgramDirectory = Platform::programDirectory();
    MainWindow window(context);
    if (!window.OnMainWindowCreated()) {
        showDatabaseOpenFailure();
        return 0;
    }
    QObject::connect(&window, &MainWindow::destroying, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    if (qEnvironmentVariableIsSet("QUILLBOX_REPORT_FIRST_PAINT"))
        new FirstPaintReporter(&window);
    window.show();
    return app.exec();
}

} // namespace Qb::App
