// SPDX-License-Identifier: GPL-3.0-or-later
// The file list's image list: the twelve type pictures, then every icon made at run time.
#pragma once

#include <QFileInfo>
#include <QHash>
#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QString>

#include <optional>

namespace Qb::Browser::Ui {

// Owned by the file browser panel; UI thread only. Images are 32 × 32. An icon made from a file
// or from the desktop is appended once per cache entry (the file's type, or the path of a file
// that carries its own icon) and reused by every later listing, so the list stays bounded by
// the number of types and own-icon files seen. Images are never removed.
class FileIconList
{
public:
    static constexpr int ImageSide = 32;
    // The mask colour the desktop's icons are drawn on (black) and made transparent with.
    static constexpr quint32 MaskColour = 0x01000000;

    FileIconList();

    int count() const { return int(m_images.size()); }
    // REQUIRES: 0 <= index < count().
    QIcon icon(int index) const { return m_images[index]; }

    // The image index for the full path (see chooseFileIcon in browser/iconrules.h), making and
    // appending the image the first time its cache entry is needed.
    int FileIconIndex(const QString &path);
    int FileIconIndex(const QFileInfo &info);

private:
    std::optional<QPixmap> ownIcon(const QFileInfo &info) const;
    std::optional<QPixmap> shellIcon(const QFileInfo &info) const;
    int append(const QPixmap &image);

    QList<QIcon> m_images;
    QHash<QString, int> m_indexByKey;
};

} // namespace Qb::Browser::Ui
