#include "app/ui/application.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMainWindow>

namespace Qb::App {

int runApplication(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillbox"));
    QApplication::setApplicationVersion(QStringLiteral(QB_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Python script editor with a personal command library"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(app);

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Quillbox"));
    window.resize(800, 700);
    window.move(50, 50);
    window.show();
    return app.exec();
}

} // namespace Qb::App
