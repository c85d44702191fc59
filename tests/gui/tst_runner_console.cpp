// SPDX-License-Identifier: GPL-3.0-or-later
// The console of our own that stands in when the system has no terminal emulator: it shows the
// script's output, and 停止 ends the script it runs.
#include "editor/scriptrunner.h"
#include "editor/ui/consolewindow.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using Qb::Editor::ConsoleWindow;
using Qb::Editor::ScriptRunner;

namespace {

bool processAlive(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close > 0 && close + 2 < text.size() && text.at(close + 2) != 'Z';
}

} // namespace

class tst_RunnerConsole : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void noTerminal_outputShownInOwnConsole();
    void noTerminal_stopEndsTheScript();

private:
    void useConsole(ScriptRunner &runner)
    {
        runner.setFallbackConsole([this](const Qb::Platform::DetachedStart &command) {
            m_console = new ConsoleWindow(nullptr);
            return m_console->start(command);
        });
    }
    QString consoleText() const
    {
        return m_console ? m_console->findChild<QPlainTextEdit *>()->toPlainText() : QString();
    }

    QTemporaryDir m_temp;
    QByteArray m_path;
    QPointer<ConsoleWindow> m_console;
};

void tst_RunnerConsole::initTestCase()
{
    QProcess python;
    python.start(QStringLiteral("python3"), {QStringLiteral("-c"), QStringLiteral("import sys; print(sys.executable)")});
    if (!python.waitForFinished(30000) || python.exitCode() != 0)
        QSKIP("python3 is not installed");
    const QString real = QString::fromUtf8(python.readAllStandardOutput()).trimmed();
    // A search path holding python3 and nothing else: no terminal emulator can be found.
    QVERIFY(QFile::link(real, m_temp.filePath(QStringLiteral("python3"))));
    m_path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(m_temp.path()));
    qunsetenv("QUILLBOX_TERMINAL");
    qputenv("SHELL", "/bin/true");
}

void tst_RunnerConsole::cleanupTestCase()
{
    qputenv("PATH", m_path);
}

void tst_RunnerConsole::noTerminal_outputShownInOwnConsole()
{
    QTemporaryDir programDir;
    ScriptRunner runner(programDir.path());
    useConsole(runner);
    QCOMPARE(runner.RunScript(QStringLiteral("print('你好')\n")), ScriptRunner::RunResult::Started);
    QVERIFY(m_console);
    QVERIFY(m_console->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(consoleText().contains(QStringLiteral("你好")), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(consoleText().contains(QStringLiteral("退出码 0")), 30000);
    delete m_console;
}

void tst_RunnerConsole::noTerminal_stopEndsTheScript()
{
    QTemporaryDir programDir;
    ScriptRunner runner(programDir.path());
    useConsole(runner);
    const QString script = QStringLiteral(
        "import os, subprocess, time\n"
        "child = subprocess.Popen(['/bin/sleep', '1000'])\n"
        "open('pids.txt', 'w').write('%d %d' % (os.getpid(), child.pid))\n"
        "while True:\n    time.sleep(0.1)\n");
    QCOMPARE(runner.RunScript(script), ScriptRunner::RunResult::Started);
    QList<qint64> pids;
    const auto readPids = [&] {
        QFile file(programDir.filePath(QStringLiteral("pids.txt")));
        pids.clear();
        if (file.open(QIODevice::ReadOnly))
            for (const QByteArray &part : file.readAll().split(' '))
                if (part.toLongLong() > 0)
                    pids << part.toLongLong();
        return pids.size() == 2;
    };
    QTRY_VERIFY_WITH_TIMEOUT(readPids(), 30000);
    QVERIFY(runner.StopScript());
    QTRY_VERIFY_WITH_TIMEOUT(!processAlive(pids[0]) && !processAlive(pids[1]), 20000);
    delete m_console;
}

QTEST_MAIN(tst_RunnerConsole)
#include "tst_runner_console.moc"
