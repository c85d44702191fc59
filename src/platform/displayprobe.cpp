// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/displayprobe.h"

#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QRegularExpression>

#include <cerrno>
#include <cstddef>
#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace Qb::Platform {

namespace {

// Connects a Unix stream socket to `path` (a leading NUL byte names an abstract socket).
bool unixSocketAnswers(const QByteArray &path)
{
    sockaddr_un address{};
    if (path.isEmpty() || static_cast<size_t>(path.size()) >= sizeof(address.sun_path))
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size());
    const bool connected = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), length) == 0
                           || errno == EINPROGRESS || errno == EAGAIN;
    ::close(fd);
    return connected;
}

} // namespace

bool x11DisplayReachable(const QString &display, const QString &socketDir)
{
    static const QRegularExpression form(QStringLiteral("^(?:([^:/]*)/)?([^:]*):(\\d+)(?:\\.\\d+)?$"));
    const QRegularExpressionMatch match = form.match(display);
    if (!match.hasMatch())
        return false;
    const QString host = match.captured(2);
    if (!host.isEmpty() && host != QLatin1String("unix"))
        return true;
    const QByteArray path = QFile::encodeName(socketDir + QStringLiteral("/X") + match.captured(3));
    return unixSocketAnswers(QByteArray(1, '\0') + path) || unixSocketAnswers(path);
}

bool qtPlatformPluginPresent(const QString &name)
{
    QStringList folders = qEnvironmentVariable("QT_PLUGIN_PATH").split(u':', Qt::SkipEmptyParts);
    folders.append(QLibraryInfo::path(QLibraryInfo::PluginsPath));
    const QStringList patterns{QStringLiteral("libq%1*.so").arg(name)};
    for (const QString &folder : folders) {
        if (!QDir(folder + QStringLiteral("/platforms")).entryList(patterns, QDir::Files).isEmpty())
            return true;
    }
    return false;
}

} // namespace Qb::Platform
