#include "app/ui/application.h"

#include "app/appcontext.h"
#include "app/ui/mainwindow.h"
#include "platform/programdirectory.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>

namespace Qb::App {

void showDatabaseOpenFailure()
{
    QMessageBox box(QMessageBox::NoIcon, u"信息："_qs, u"打开命令数据库失败"_qs, QMessageBox::Ok);
    box.setObjectName(u"databaseOpenFailure"_qs);
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
    window.show();
    return app.exec();
}

} // namespace Qb::App
