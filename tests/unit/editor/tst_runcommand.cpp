// SPDX-License-Identifier: GPL-3.0-or-later
// The console command lines: which terminal is chosen and how the script path reaches Python.
#include "editor/runcommand.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using Qb::Editor::CommandLine;

class tst_RunCommand : public QObject
{
    Q_OBJECT

private slots:
    void terminalChoice_data();
    void terminalChoice();
    void pathReachesInterpreterUnchanged_data();
    void pathReachesInterpreterUnchanged();
};

void tst_RunCommand::terminalChoice_data()
{
    QTest::addColumn<QString>("override");
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QString>("program");    // "" = no terminal
    QTest::addColumn<QStringList>("options");

    const QStringList all = Qb::Editor::knownTerminals();
    QTest::newRow("override first") << "/opt/t/myterm" << (all + QStringList{"/opt/t/myterm"})
                                    << "/opt/t/myterm" << QStringList{"-e"};
    QTest::newRow("missing override falls through") << "/nowhere/term" << QStringList{"xterm"}
                                                    << "/usr/bin/xterm" << QStringList{"-e"};
    QTest::newRow("debian alternative first") << "" << all << "/usr/bin/x-terminal-emulator"
                                              << QStringList{"-e"};
    QTest::newRow("gnome waits") << "" << QStringList{"gnome-terminal", "xterm"}
                                 << "/usr/bin/gnome-terminal" << QStringList{"--wait", "--"};
    QTest::newRow("konsole") << "" << QStringList{"konsole"} << "/usr/bin/konsole"
                             << QStringList{"--nofork", "-e"};
    QTest::newRow("xfce without server") << "" << QStringList{"xfce4-terminal"} << "/usr/bin/xfce4-terminal"
                                         << QStringList{"--disable-server", "-x"};
    QTest::newRow("known override keeps its option") << "gnome-terminal" << QStringList{"gnome-terminal", "xterm"}
                                                     << "/usr/bin/gnome-terminal" << QStringList{"--wait", "--"};
    QTest::newRow("none") << "" << QStringList{} << "" << QStringList{};
}

void tst_RunCommand::terminalChoice()
{
    QFETCH(QString, override);
    QFETCH(QStringList, installed);
    QFETCH(QString, program);
    QFETCH(QStringList, options);
    const auto find = [&](const QString &name) {
        if (!installed.contains(name))
            return QString();
        return name.contains(u'/') ? name : QStringLiteral("/usr/bin/") + name;
    };
    const CommandLine inner{"/bin/sh", {"-c", "x"}};
    const auto command = Qb::Editor::terminalCommand(override, inner, find);
    if (program.isEmpty()) {
        QVERIFY(!command);
        return;
    }
    QVERIFY(command);
    QCOMPARE(command->program, program);
    QCOMPARE(command->arguments, options + QStringList({"/bin/sh", "-c", "x"}));
}

void tst_RunCommand::pathReachesInterpreterUnchanged_data()
{
    QTest::addColumn<QString>("directoryName");
    QTest::newRow("blank") << "my scripts";
    QTest::newRow("quotes") << "it's \"here\"";
    QTest::newRow("command substitution") << "$(touch INJECTED)";
    QTest::newRow("backticks and semicolon") << "`touch INJECTED`; x";
}

// The inner command runs for real: a stand-in interpreter prints the argument it received.
void tst_RunCommand::pathReachesInterpreterUnchanged()
{
    QFETCH(QString, directoryName);
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const QString dir = temp.path() + u'/' + directoryName;
    QVERIFY(QDir().mkpath(dir));
    const QString file = dir + QStringLiteral("/linshi.py");
    const QString interpreter = temp.path() + QStringLiteral("/fakepython");
    QFile fake(interpreter);
    QVERIFY(fake.open(QIODevice::WriteOnly));
    fake.write("#!/bin/sh\nprintf 'ARG[%s]\\n' \"$1\"\n");
    fake.close();
    fake.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const CommandLine command = Qb::Editor::consoleCommand(interpreter, file);
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("SHELL", "/bin/true"); // the shell that keeps the console open ends at once
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(temp.path());
    process.start(command.program, command.arguments);
    QVERIFY(process.waitForFinished(30000));
    const QString output = QString::fromUtf8(process.readAllStandardOutput());
    QVERIFY2(output.contains(QStringLiteral("ARG[") + file + u']'), qPrintable(output));
    QVERIFY(output.contains(QStringLiteral("退出码 0")));
    QVERIFY(!QFile::exists(temp.path() + QStringLiteral("/INJECTED")));
    QVERIFY(!QFile::exists(dir + QStringLiteral("/INJECTED")));
}

QTEST_GUILESS_MAIN(tst_RunCommand)
#include "tst_runcommand.moc"
