// SPDX-License-Identifier: GPL-3.0-or-later
// The file list's image list and its cache by file type.
#include "browser/ui/fileiconlist.h"

#include "browser/iconrules.h"
#include "browser/ui/shellicon.h"
#include "resources/filetypeimages.h"

#include <QImageReader>

namespace Qb::Browser::Ui {

using namespace Qt::StringLiterals;

FileIconList::FileIconList()
{
    for (const QPixmap &image : Resources::fileTypeImages())
        m_images.append(QIcon(image));
}

int FileIconList::FileIconIndex(const QString &path)
{
    return FileIconIndex(QFileInfo(path));
}

int FileIconList::FileIconIndex(const QFileInfo &info)
{
    using Source = IconChoice::Source;
    const IconChoice choice = chooseFileIcon(info);
    if (choice.source == Source::Fixed)
        return choice.index;
    if (const auto cached = m_indexByKey.constFind(choice.cacheKey); cached != m_indexByKey.cend())
        return *cached;
    const std::optional<QPixmap> made = choice.source == Source::OwnIcon ? ownIcon(info) : shellIcon(info);
    // A failure is remembered too: the same type is not tried again at every listing.
    const int index = made ? append(*made) : choice.index;
    m_indexByKey.insert(choice.cacheKey, index);
    return index;
}

std::optional<QPixmap> FileIconList::ownIcon(const QFileInfo &info) const
{
    // Icon files are read directly. Icons inside programs and icon libraries are not read on
    // this system: those files take the fixed program or file picture.
    if (nameExtension(info.filePath()).compare("ico"_L1, Qt::CaseInsensitive) != 0)
        return std::nullopt;
    QImageReader reader(info.filePath());
    const QImage first = reader.read();
    if (first.isNull())
        return std::nullopt;
    return QPixmap::fromImage(first.scaled(ImageSide, ImageSide, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

std::optional<QPixmap> FileIconList::shellIcon(const QFileInfo &info) const
{
    const QPixmap image = maskedImage(RenderShellIcon(info.filePath(), ImageSide, ImageSide, MaskColour), MaskColour);
    if (image.isNull())
        return std::nullopt;
    return image;
}

int FileIconList::append(const QPixmap &image)
{
    m_images.append(QIcon(image));
    return count() - 1;
}

} // namespace Qb::Browser::Ui
