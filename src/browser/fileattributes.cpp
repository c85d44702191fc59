// SPDX-License-Identifier: GPL-3.0-or-later
// The browser's attribute bits from the file system.
#include "browser/fileattributes.h"

#include <QFileInfo>
#include <QString>

namespace Qb::Browser {

quint32 fileAttributes(const QFileInfo &info)
{
    if (!info.exists())
        return Attribute::Invalid;
    quint32 bits = 0;
    if (info.isDir())
        bits |= Attribute::Directory;
    else if (info.isFile())
        bits |= Attribute::Archive;
    if (info.fileName().startsWith(u'.') || !info.isReadable())
        bits |= Attribute::Hidden;
    return bits;
}

quint32 fileAttributes(const QString &path)
{
    return fileAttributes(QFileInfo(path));
}

quint32 listedEntryAttributes(const QFileInfo &info)
{
    const quint32 bits = fileAttributes(info);
    return bits == Attribute::Invalid ? Attribute::Hidden : bits;
}

} // namespace Qb::Browser
