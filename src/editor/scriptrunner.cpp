// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/scriptrunner.h"

#include "platform/uitext.h"

#include "editor/runcommand.h"
#include "editor/scriptfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>
#include <QTimer>

#include <csignal>

#include <unistd.h>

namespace Qb::Editor {

namespace {

constexpr int TerminateAfterMs = 500;
constexpr int KillAfterMs = 1500;

QString findProgram(const QString &name)
{
    if (name.contains(u'/'))
        return QFileInfo(name).isExecutable() ? name : QString();
    return QStandardPaths::findExecutable(name);
}

} // namespace

ScriptRunner::ScriptRunner(QString programDirectory, QObject *parent)
    : QObject(parent)
    , m_programDirectory(std::move(programDirectory))
{
}

QString ScriptRunner::runFilePath() const
{
    return m_programDirectory + QStringLiteral("/linshi.py");
}

ScriptRunner::RunResult ScriptRunner::RunScript(const QString &text)
{
    if (text.isEmpty())
        return RunResult::NothingToRun;
    if (auto written = writeWholeFile(runFilePath(), text.toUtf8()); !written) {
        m_lastError = written.error();
        return RunResult::WriteFailed;
    }
    // The program's own current directory becomes the program directory and stays so.
    QDir::setCurrent(m_programDirectory);
    const QString python = findProgram(QStringLiteral("python3"));
    const CommandLine inner = consoleCommand(python.isEmpty() ? QStringLiteral("python3") : python,
                                             runFilePath());
    const QByteArray marker = "QUILLBOX_RUN=" + QByteArray::number(::getpid()) + '-'
                              + QByteArray::number(++m_runCounter);
    const Platform::DetachedStart start{inner.program, inner.arguments,
                                        {QString::fromLatin1(marker)}, m_programDirectory};
    const auto group = startConsole(start);
    if (!group) {
        m_lastError = group.error();
        return RunResult::StartFailed;
    }
    m_runs.append({*group, marker});
    return RunResult::Started;
}

std::expected<qint64, QString> ScriptRunner::startConsole(const Platform::DetachedStart &inner)
{
    const auto terminal = terminalCommand(qEnvironmentVariable("QUILLBOX_TERMINAL"),
                                          {inner.program, inner.arguments}, findProgram);
    if (!terminal) {
        if (m_fallback)
            return m_fallback(inner);
        return std::unexpected(QbText::tr("找不到终端程序"));
    }
    Platform::DetachedStart start = inner;
    start.program = terminal->program;
    start.arguments = terminal->arguments;
    return Platform::startInNewProcessGroup(start);
}

bool ScriptRunner::runAlive(const Run &run) const
{
    return Platform::processGroupExists(run.group)
           || !Platform::processesWithEnvironmentEntry(run.marker).isEmpty();
}

void ScriptRunner::forgetEndedRuns()
{
    m_runs.removeIf([this](const Run &run) { return !runAlive(run); });
}

QList<qint64> ScriptRunner::runningGroups()
{
    forgetEndedRuns();
    QList<qint64> groups;
    for (const Run &run : std::as_const(m_runs))
        groups.append(run.group);
    return groups;
}

void ScriptRunner::signalRun(const Run &run, int signal) const
{
    QSet<qint64> groups{run.group};
    for (qint64 pid : Platform::processesWithEnvironmentEntry(run.marker)) {
        const qint64 group = Platform::processGroupOf(pid);
        // A marked process that joined our own group is ended alone, never with its group.
        if (group == ::getpgrp())
            ::kill(pid_t(pid), signal);
        else if (group > 1)
            groups.insert(group);
    }
    for (qint64 group : std::as_const(groups))
        Platform::signalProcessGroup(group, signal);
}

bool ScriptRunner::StopScript()
{
    forgetEndedRuns();
    if (m_runs.isEmpty())
        return false;
    const Run run = m_runs.takeLast();
    signalRun(run, SIGINT);
    QTimer::singleShot(TerminateAfterMs, this, [this, run] {
        if (runAlive(run))
            signalRun(run, SIGTERM);
    });
    QTimer::singleShot(KillAfterMs, this, [this, run] {
        if (runAlive(run))
            signalRun(run, SIGKILL);
        emit stopCompleted();
    });
    return true;
}

} // namespace Qb::Editor
