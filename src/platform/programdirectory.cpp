// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/programdirectory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace Qb::Platform {

namespace {

QString ensured(const QString &path)
{
    QDir().mkpath(path);
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

bool writableDirectory(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    return !path.isEmpty() && QFileInfo(path).isDir() && ::access(native.constData(), W_OK) == 0;
}

// An installed copy (cmake --install, the Debian package) has its desktop entry under the
// prefix it was installed to. Its bin folder holds programs, not a user's library, even when
// the user may write there (root, or a prefix in the home folder).
bool installedCopy(const QString &exeDir)
{
    return QFileInfo::exists(exeDir + QStringLiteral("/../share/applications/" QB_APP_ID ".desktop"));
}

} // namespace

QString programDirectoryFor(const QString &homeOverride, const QString &exeDir,
                            const QString &dataHome, const QString &userHome)
{
    if (!homeOverride.isEmpty())
        return ensured(homeOverride);
    if (writableDirectory(exeDir) && !installedCopy(exeDir))
        return ensured(exeDir);
    const QString base = !dataHome.isEmpty() ? dataHome : userHome + QStringLiteral("/.local/share");
    return ensured(base + QStringLiteral("/quillbox"));
}

QString programDirectory()
{
    // Before the application object exists (a later start handing its files over), the
    // executable is found where Qt itself looks for it.
    const QString exeDir = QCoreApplication::instance()
        ? QCoreApplication::applicationDirPath()
        : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    return programDirectoryFor(qEnvironmentVariable("QUILLBOX_HOME"), exeDir,
                               qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath());
}

} // namespace Qb::Platform
