// SPDX-License-Identifier: GPL-3.0-or-later
// Running the script: linshi.py in UTF-8, a console in a new process group through
// $QUILLBOX_TERMINAL, 停止 ending the most recent run with everything it started.
#include "editor/scriptrunner.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using Qb::Editor::ScriptRunner;

namespace {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Alive and not a zombie waiting for a parent that never reaps.
bool processAlive(qint64 pid)
{
    const QByteArray stat = readBytes(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.isEmpty())
        return false;
    const qsizetype close = stat.lastIndexOf(')');
    return close > 0 && close + 2 < stat.size() && stat.at(close + 2) != 'Z';
}

// A program directory whose name would break a command line pasted together as text.
struct RunBench
{
    QTemporaryDir temp;
    QString programDir;
    QString terminalLog;

    RunBench()
    {
        programDir = temp.path() + QStringLiteral("/my dir $(touch INJECTED) 'q'");
        QDir().mkpath(programDir);
        terminalLog = temp.path() + QStringLiteral("/terminal.log");
        // The stand-in terminal records how it was called and its process group, then runs the
        // command after "-e" as a real terminal would.
        const QString terminal = temp.path() + QStringLiteral("/fake-terminal");
        QFile script(terminal);
        script.open(QIODevice::WriteOnly);
        script.write("#!/bin/sh\n"
                     "{ echo \"pid=$$\"; echo \"pgid=$(cut -d' ' -f5 /proc/$$/stat)\";"
                     " for a in \"$@\"; do echo \"arg=$a\"; done; } > \"$TERMINAL_LOG.tmp\"\n"
                     "mv \"$TERMINAL_LOG.tmp\" \"$TERMINAL_LOG\"\n"
                     "shift\nexec \"$@\"\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("QUILLBOX_TERMINAL", QFile::encodeName(terminal));
        qputenv("TERMINAL_LOG", QFile::encodeName(terminalLog));
        qputenv("SHELL", "/bin/true"); // the shell that keeps a console open ends at once here
    }
    QString file(const QString &name) const { return programDir + u'/' + name; }
    QStringList logLines(const QString &key) const
    {
        QStringList values;
        for (const QString &line : QString::fromUtf8(readBytes(terminalLog)).split(u'\n')) {
            if (line.startsWith(key + u'='))
                values << line.mid(key.size() + 1);
        }
        return values;
    }
};

// A script that starts a child, records both ids in pidFile (a plain name: the script runs in
// the program directory) and loops until it is ended.
QString loopingScript(const QString &pidFile)
{
    return QStringLiteral("import os, subprocess, time\n"
                          "child = subprocess.Popen(['sleep', '1000'])\n"
                          "with open(%1, 'w') as f:\n"
                          "    f.write('%d %d' % (os.getpid(), child.pid))\n"
                          "while True:\n"
                          "    time.sleep(0.1)\n")
        .arg(u'\'' + pidFile + u'\'');
}

// The two ids the looping script records (the file may be read while it is being written).
void waitForPids(const QString &pidFile, QList<qint64> &pids)
{
    const auto read = [&] {
        pids.clear();
        for (const QByteArray &part : readBytes(pidFile).split(' '))
            if (part.toLongLong() > 0)
                pids << part.toLongLong();
        return pids.size() == 2;
    };
    QTRY_VERIFY_WITH_TIMEOUT(read(), 30000);
}

} // namespace

class tst_Runner : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void run_writesUtf8FileAndStartsPythonInNewGroup();
    void run_emptyTextStartsNothing();
    void stop_endsScriptAndItsChild();
    void stop_endsMostRecentRunOnly();
};

void tst_Runner::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty())
        QSKIP("python3 is not installed");
}

void tst_Runner::run_writesUtf8FileAndStartsPythonInNewGroup()
{
    RunBench bench;
    ScriptRunner runner(bench.programDir);
    const QString script = QStringLiteral("# 中文\nopen('ran.txt', 'w', encoding='utf-8').write('你好')\n");
    QCOMPARE(runner.RunScript(script), ScriptRunner::RunResult::Started);

    QCOMPARE(runner.runFilePath(), bench.file(QStringLiteral("linshi.py")));
    QCOMPARE(readBytes(runner.runFilePath()), script.toUtf8());
    QTRY_COMPARE_WITH_TIMEOUT(QString::fromUtf8(readBytes(bench.file(QStringLiteral("ran.txt")))),
                              QStringLiteral("你好"), 30000);
    // The terminal is the leader of a group of its own; the file reaches it as one argument.
    const QStringList pid = bench.logLines(QStringLiteral("pid"));
    QCOMPARE(bench.logLines(QStringLiteral("pgid")), pid);
    QVERIFY(pid.value(0).toLongLong() != ::getpgrp());
    const QStringList args = bench.logLines(QStringLiteral("arg"));
    QCOMPARE(args.value(0), QStringLiteral("-e"));
    QCOMPARE(args.constLast(), runner.runFilePath());
    QVERIFY(QFileInfo(args.value(args.size() - 2)).fileName().startsWith(QStringLiteral("python3")));
    QVERIFY(!QFile::exists(bench.temp.path() + QStringLiteral("/INJECTED")));
    QVERIFY(!QFile::exists(bench.file(QStringLiteral("INJECTED"))));
    QCOMPARE(QDir::currentPath(), QDir(bench.programDir).canonicalPath());
}

void tst_Runner::run_emptyTextStartsNothing()
{
    RunBench bench;
    ScriptRunner runner(bench.programDir);
    QCOMPARE(runner.RunScript(QString()), ScriptRunner::RunResult::NothingToRun);
    QVERIFY(!QFile::exists(runner.runFilePath()));
    QVERIFY(!QFile::exists(bench.terminalLog));
    QVERIFY(runner.runningGroups().isEmpty());
    QVERIFY(!runner.StopScript());
}

void tst_Runner::stop_endsScriptAndItsChild()
{
    RunBench bench;
    ScriptRunner runner(bench.programDir);
    QCOMPARE(runner.RunScript(loopingScript(QStringLiteral("pids.txt"))), ScriptRunner::RunResult::Started);
    QList<qint64> pids;
    waitForPids(bench.file(QStringLiteral("pids.txt")), pids);
    QCOMPARE(pids.size(), 2);
    QVERIFY(processAlive(pids[0]) && processAlive(pids[1]));

    QVERIFY(runner.StopScript());
    QTRY_VERIFY_WITH_TIMEOUT(!processAlive(pids[0]) && !processAlive(pids[1]), 20000);
    QVERIFY(processAlive(::getpid()));
}

void tst_Runner::stop_endsMostRecentRunOnly()
{
    RunBench bench;
    ScriptRunner runner(bench.programDir);
    QCOMPARE(runner.RunScript(loopingScript(QStringLiteral("first.txt"))), ScriptRunner::RunResult::Started);
    QList<qint64> first, second;
    waitForPids(bench.file(QStringLiteral("first.txt")), first);
    QCOMPARE(first.size(), 2);
    QCOMPARE(runner.RunScript(loopingScript(QStringLiteral("second.txt"))), ScriptRunner::RunResult::Started);
    waitForPids(bench.file(QStringLiteral("second.txt")), second);
    QCOMPARE(second.size(), 2);

    QVERIFY(runner.StopScript());
    QTRY_VERIFY_WITH_TIMEOUT(!processAlive(second[0]) && !processAlive(second[1]), 20000);
    QVERIFY(processAlive(first[0]) && processAlive(first[1]));

    QVERIFY(runner.StopScript());
    QTRY_VERIFY_WITH_TIMEOUT(!processAlive(first[0]) && !processAlive(first[1]), 20000);
}

QTEST_GUILESS_MAIN(tst_Runner)
#include "tst_runner.moc"
