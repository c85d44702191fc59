// SPDX-License-Identifier: GPL-3.0-or-later
// Starting a program in a process group of its own and ending such groups (POSIX).
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <expected>

namespace Qb::Platform {

struct DetachedStart
{
    QString program;              // a name looked up on PATH or a path
    QStringList arguments;        // passed as they are, one argv entry each (no shell)
    QStringList extraEnvironment; // "NAME=value" entries added to this process's environment
    QString workingDirectory;     // "" = this process's current directory
};

// Starts the program as the leader of a new session and process group, detached: it is not a
// child of this process (no zombie is left when it ends, and it outlives this process). Its
// standard input is /dev/null; output and errors go where ours go. Returns its process id,
// which is also its process group id, or the reason it could not be started.
std::expected<qint64, QString> startInNewProcessGroup(const DetachedStart &start);

// True while any process of the group exists.
bool processGroupExists(qint64 group);
// Sends signal to every process of the group; false when the group does not exist. Refuses
// (false) group ids below 2 and this process's own group.
bool signalProcessGroup(qint64 group, int signal);
// The process group of pid, or -1 when the process is gone.
qint64 processGroupOf(qint64 pid);

// Processes of this user whose environment holds exactly the entry "NAME=value" (read from
// /proc; processes whose environment cannot be read are skipped). This process is excluded.
QList<qint64> processesWithEnvironmentEntry(const QByteArray &entry);

} // namespace Qb::Platform
