// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/processgroup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace Qb::Platform {

namespace {

// argv/envp storage built before fork: nothing after fork may allocate.
struct CStrings
{
    std::vector<QByteArray> storage;
    std::vector<char *> pointers;

    explicit CStrings(const QStringList &items)
    {
        for (const QString &item : items)
            storage.push_back(QFile::encodeName(item));
        for (QByteArray &item : storage)
            pointers.push_back(item.data());
        pointers.push_back(nullptr);
    }
};

bool readAll(int fd, void *buffer, size_t size)
{
    auto *bytes = static_cast<char *>(buffer);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

// Runs in the grandchild: only async-signal-safe calls.
[[noreturn]] void execGrandchild(const char *path, char *const argv[], char *const envp[],
                                 const char *directory, int nullInput, int errorPipe)
{
    ::setsid();
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGPIPE, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
    ::dup2(nullInput, STDIN_FILENO);
    if (directory[0] != '\0' && ::chdir(directory) != 0) {
        const int error = errno;
        (void)!::write(errorPipe, &error, sizeof error);
        ::_exit(127);
    }
    ::execve(path, argv, envp);
    const int error = errno;
    (void)!::write(errorPipe, &error, sizeof error);
    ::_exit(127);
}

QStringList environmentWith(const QStringList &extra)
{
    QStringList entries = QProcessEnvironment::systemEnvironment().toStringList();
    for (const QString &entry : extra) {
        const QString name = entry.section(u'=', 0, 0) + u'=';
        entries.removeIf([&](const QString &e) { return e.startsWith(name); });
        entries.append(entry);
    }
    return entries;
}

QString resolvedProgram(const QString &program)
{
    if (program.contains(u'/'))
        return QFileInfo(program).isExecutable() ? program : QString();
    return QStandardPaths::findExecutable(program);
}

} // namespace

std::expected<qint64, QString> startInNewProcessGroup(const DetachedStart &start)
{
    const QString path = resolvedProgram(start.program);
    if (path.isEmpty())
        return std::unexpected(QStringLiteral("%1: %2").arg(start.program, QString::fromLocal8Bit(std::strerror(ENOENT))));
    const QByteArray nativePath = QFile::encodeName(path);
    const QByteArray directory = QFile::encodeName(start.workingDirectory);
    CStrings argv(QStringList{start.program} + start.arguments);
    CStrings envp(environmentWith(start.extraEnvironment));

    int pidPipe[2], errorPipe[2];
    const int nullInput = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (nullInput < 0 || ::pipe2(pidPipe, O_CLOEXEC) != 0 || ::pipe2(errorPipe, O_CLOEXEC) != 0)
        return std::unexpected(QString::fromLocal8Bit(std::strerror(errno)));

    const pid_t child = ::fork();
    if (child == 0) {
        const pid_t grandchild = ::fork();
        if (grandchild == 0)
            execGrandchild(nativePath.constData(), argv.pointers.data(), envp.pointers.data(),
                           directory.constData(), nullInput, errorPipe[1]);
        const qint64 id = grandchild;
        (void)!::write(pidPipe[1], &id, sizeof id);
        ::_exit(grandchild > 0 ? 0 : 1);
    }
    ::close(pidPipe[1]);
    ::close(errorPipe[1]);
    ::close(nullInput);
    qint64 id = -1;
    int error = 0;
    const bool gotId = child > 0 && readAll(pidPipe[0], &id, sizeof id) && id > 0;
    const bool execFailed = gotId && readAll(errorPipe[0], &error, sizeof error);
    ::close(pidPipe[0]);
    ::close(errorPipe[0]);
    if (child > 0) {
        while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    if (!gotId)
        return std::unexpected(QString::fromLocal8Bit(std::strerror(child < 0 ? errno : EAGAIN)));
    if (execFailed)
        return std::unexpected(QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(error))));
    return id;
}

bool processGroupExists(qint64 group)
{
    return group > 1 && (::kill(-pid_t(group), 0) == 0 || errno == EPERM);
}

bool signalProcessGroup(qint64 group, int signal)
{
    if (group < 2 || group == ::getpgrp())
        return false;
    return ::kill(-pid_t(group), signal) == 0;
}

qint64 processGroupOf(qint64 pid)
{
    return ::getpgid(pid_t(pid));
}

QList<qint64> processesWithEnvironmentEntry(const QByteArray &entry)
{
    QList<qint64> found;
    const uid_t me = ::getuid();
    const QStringList names = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        bool numeric = false;
        const qint64 pid = name.toLongLong(&numeric);
        if (!numeric || pid == ::getpid())
            continue;
        const QByteArray dir = "/proc/" + name.toLatin1();
        struct stat info;
        if (::stat(dir.constData(), &info) != 0 || info.st_uid != me)
            continue;
        QFile environ(QString::fromLatin1(dir + "/environ"));
        if (!environ.open(QIODevice::ReadOnly))
            continue;
        if (environ.readAll().split('\0').contains(entry))
            found.append(pid);
    }
    return found;
}

} // namespace Qb::Platform
