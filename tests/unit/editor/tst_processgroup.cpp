// SPDX-License-Identifier: GPL-3.0-or-later
// Starting a console in a process group of its own, finding a run's processes by their
// environment mark, and the refusals that keep 停止 away from other processes.
#include "platform/processgroup.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <unistd.h>

using namespace Qb::Platform;

namespace {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Field n (1-based, after the command name) of /proc/<pid>/stat; "" when the process is gone.
QByteArray statField(qint64 pid, int n)
{
    const QByteArray stat = readBytes(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return QByteArray();
    return stat.mid(close + 2).split(' ').value(n - 3);
}

bool alive(qint64 pid)
{
    const QByteArray state = statField(pid, 3);
    return !state.isEmpty() && state != "Z";
}

} // namespace

class tst_ProcessGroup : public QObject
{
    Q_OBJECT

private slots:
    void start_newSessionDetachedWithEnvironmentAndDirectory();
    void start_missingProgramReported();
    void signal_refusesOwnAndSystemGroups();
};

void tst_ProcessGroup::start_newSessionDetachedWithEnvironmentAndDirectory()
{
    QTemporaryDir dir;
    const QByteArray mark = "QB_TEST_MARK=" + QByteArray::number(::getpid()) + "-start";
    const auto pid = startInNewProcessGroup(
        {QStringLiteral("sh"),
         {QStringLiteral("-c"), QStringLiteral("pwd > where.txt; exec sleep 1000")},
         {QString::fromLatin1(mark)},
         dir.path()});
    QVERIFY2(pid, pid ? "" : qPrintable(pid.error()));
    QTRY_VERIFY(!readBytes(dir.filePath(QStringLiteral("where.txt"))).isEmpty());

    QCOMPARE(readBytes(dir.filePath(QStringLiteral("where.txt"))).trimmed(), QFile::encodeName(dir.path()));
    QCOMPARE(processGroupOf(*pid), *pid);                      // leads its own group
    QCOMPARE(statField(*pid, 6).toLongLong(), *pid);          // and its own session
    QVERIFY(statField(*pid, 4).toLongLong() != ::getpid());   // not our child: no zombie for us
    QVERIFY(processGroupExists(*pid));
    QCOMPARE(processesWithEnvironmentEntry(mark), QList<qint64>{*pid});
    QVERIFY(processesWithEnvironmentEntry(mark + "x").isEmpty());

    QVERIFY(signalProcessGroup(*pid, SIGTERM));
    QTRY_VERIFY(!alive(*pid));
}

void tst_ProcessGroup::start_missingProgramReported()
{
    const auto missing = startInNewProcessGroup({QStringLiteral("no-such-program-qb"), {}, {}, QString()});
    QVERIFY(!missing);
    QVERIFY(missing.error().contains(QStringLiteral("no-such-program-qb")));

    QTemporaryDir dir;
    const auto badDirectory = startInNewProcessGroup(
        {QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("true")}, {}, dir.filePath(QStringLiteral("gone"))});
    QVERIFY(!badDirectory);
}

void tst_ProcessGroup::signal_refusesOwnAndSystemGroups()
{
    QVERIFY(!signalProcessGroup(::getpgrp(), 0));
    QVERIFY(!signalProcessGroup(1, 0));
    QVERIFY(!signalProcessGroup(0, 0));
    QVERIFY(!signalProcessGroup(-5, 0));
    QVERIFY(processesWithEnvironmentEntry("PATH=" + qgetenv("PATH")).indexOf(::getpid()) < 0);
}

QTEST_GUILESS_MAIN(tst_ProcessGroup)
#include "tst_processgroup.moc"
