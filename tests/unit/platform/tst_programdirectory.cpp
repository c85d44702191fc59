// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/programdirectory.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using Qb::Platform::programDirectoryFor;

class tst_ProgramDirectory : public QObject
{
    Q_OBJECT
private slots:
    void override_winsAndIsCreated()
    {
        QTemporaryDir tmp;
        const QString home = tmp.path() + QStringLiteral("/my home");
        QCOMPARE(programDirectoryFor(home, tmp.path(), QString(), QString()), home);
        QVERIFY(QFileInfo(home).isDir());
    }
    void writableExeDir_isUsed()
    {
        QTemporaryDir tmp;
        QCOMPARE(programDirectoryFor(QString(), tmp.path(), QString(), QString()), tmp.path());
    }
    void readOnlyExeDir_fallsBackToDataHome()
    {
        if (::geteuid() == 0)
            QSKIP("root can write to any directory; the fallback cannot be observed");
        QTemporaryDir tmp;
        const QString exe = tmp.path() + QStringLiteral("/bin");
        QDir().mkpath(exe);
        QFile::setPermissions(exe, QFile::ReadOwner | QFile::ExeOwner);
        const QString data = tmp.path() + QStringLiteral("/data");
        QCOMPARE(programDirectoryFor(QString(), exe, data, QString()), data + QStringLiteral("/quillbox"));
        QCOMPARE(programDirectoryFor(QString(), exe, QString(), tmp.path()),
                 tmp.path() + QStringLiteral("/.local/share/quillbox"));
    }
    void installedCopy_usesDataHomeEvenWhenWritable()
    {
        // cmake --install --prefix ~/.local, or root running /usr/bin/quillbox: the bin folder
        // is writable but holds programs, not the user's library.
        QTemporaryDir tmp;
        const QString exe = tmp.path() + QStringLiteral("/prefix/bin");
        const QString applications = tmp.path() + QStringLiteral("/prefix/share/applications");
        QDir().mkpath(exe);
        QDir().mkpath(applications);
        QCOMPARE(programDirectoryFor(QString(), exe, QString(), tmp.path()), exe);
        QFile entry(applications + QStringLiteral("/" QB_APP_ID ".desktop"));
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.close();
        const QString data = tmp.path() + QStringLiteral("/data");
        QCOMPARE(programDirectoryFor(QString(), exe, data, tmp.path()), data + QStringLiteral("/quillbox"));
        QVERIFY(QDir(exe).isEmpty());
    }
    void missingExeDir_fallsBackToHome()
    {
        QTemporaryDir tmp;
        QCOMPARE(programDirectoryFor(QString(), QString(), QString(), tmp.path()),
                 tmp.path() + QStringLiteral("/.local/share/quillbox"));
    }
};

QTEST_GUILESS_MAIN(tst_ProgramDirectory)
#include "tst_programdirectory.moc"
