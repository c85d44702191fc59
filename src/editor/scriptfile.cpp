// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/scriptfile.h"

#include "platform/uitext.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace Qb::Editor {

std::expected<QByteArray, QString> readWholeFile(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return std::unexpected(QbText::tr("这是一个目录"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::unexpected(file.errorString());
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::unexpected(file.errorString());
    return bytes;
}

std::expected<void, QString> writeWholeFile(const QString &path, const QByteArray &bytes)
{
    const QFileInfo info(path);
    if (info.isDir())
        return std::unexpected(QbText::tr("这是一个目录"));
    if (info.exists() && !info.isWritable())
        return std::unexpected(QbText::tr("文件是只读的"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return std::unexpected(file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return std::unexpected(reason);
    }
    if (!file.commit())
        return std::unexpected(file.errorString());
    return {};
}

} // namespace Qb::Editor
