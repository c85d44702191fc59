// SPDX-License-Identifier: GPL-3.0-or-later
// Running the editor's script in a console and ending that console again.
#pragma once

#include "platform/processgroup.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <expected>
#include <functional>

namespace Qb::Editor {

// Writes the script to linshi.py in the program directory (UTF-8, the encoding Python 3 reads
// by default) and starts a console running it in a new process group. Every run is marked
// with an environment entry of its own, so that 停止 also finds the processes a terminal
// emulator starts outside that group (in a session of their own, or through a terminal
// server). Owned by the main window's editor wiring; UI thread only.
class ScriptRunner : public QObject
{
    Q_OBJECT

public:
    using Starter = std::function<std::expected<qint64, QString>(const Platform::DetachedStart &)>;

    enum class RunResult { NothingToRun, Started, WriteFailed, StartFailed };

    explicit ScriptRunner(QString programDirectory, QObject *parent = nullptr);

    // Used when no terminal emulator exists: shows the command's output and takes its input
    // in a console of our own; returns the process group it started.
    void setFallbackConsole(Starter starter) { m_fallback = std::move(starter); }

    // An empty text writes and starts nothing. The run uses the text, not the current file.
    // This process's current directory becomes the program directory (it stays so).
    RunResult RunScript(const QString &text);
    // The reason of the last WriteFailed or StartFailed.
    QString lastError() const { return m_lastError; }
    QString runFilePath() const;

    // Ends the most recent run still going, with everything it started: interrupt, then
    // terminate after a short grace, then kill what is still there. False when nothing runs.
    bool StopScript();
    // Process groups of runs not yet ended, oldest first.
    QList<qint64> runningGroups();

signals:
    // A stop has sent its last signal (the processes may take a moment to go).
    void stopCompleted();

private:
    struct Run
    {
        qint64 group = 0;
        QByteArray marker; // "QUILLBOX_RUN=<token>"
    };

    std::expected<qint64, QString> startConsole(const Platform::DetachedStart &inner);
    void forgetEndedRuns();
    bool runAlive(const Run &run) const;
    void signalRun(const Run &run, int signal) const;

    QString m_programDirectory;
    Starter m_fallback;
    QList<Run> m_runs;
    QString m_lastError;
    int m_runCounter = 0;
};

} // namespace Qb::Editor
