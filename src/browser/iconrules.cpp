// SPDX-License-Identifier: GPL-3.0-or-later
// The file list's icon decision.
#include "browser/iconrules.h"

#include <QMimeDatabase>

namespace Qb::Browser {

using namespace Qt::StringLiterals;

namespace {

struct TableEntry
{
    QLatin1StringView extension;
    int image;
};

constexpr TableEntry FileTypeTable[] = {
    {"txt"_L1, FixedImage::Text},     {"ini"_L1, FixedImage::Settings},  {"gif"_L1, FixedImage::Picture},
    {"png"_L1, FixedImage::Picture},  {"bmp"_L1, FixedImage::Bitmap},    {"jpg"_L1, FixedImage::Jpeg},
    {"dll"_L1, FixedImage::Library},  {"db"_L1, FixedImage::Library},    {"asp"_L1, FixedImage::ServerPage},
    {"rar"_L1, FixedImage::Archive},  {"htm"_L1, FixedImage::WebPage},   {"html"_L1, FixedImage::WebPage},
};

constexpr QLatin1StringView OwnIconExtensions[] = {"exe"_L1, "dll"_L1, "icl"_L1, "ico"_L1};

bool linksToText(const QFileInfo &info)
{
    return info.isSymLink() && info.symLinkTarget().right(3).compare("txt"_L1, Qt::CaseInsensitive) == 0;
}

QString shellTypeKey(const QFileInfo &info, const QString &extension)
{
    if (!extension.isEmpty())
        return u'.' + extension.toLower();
    return u"mime:"_s + fileType(info).name();
}

} // namespace

QMimeType fileType(const QFileInfo &info)
{
    static const QMimeDatabase types;
    const QMimeType byName = types.mimeTypeForFile(info, QMimeDatabase::MatchExtension);
    if (!byName.isDefault() || !info.isFile() || !info.isExecutable())
        return byName;
    return types.mimeTypeForName(u"application/x-executable"_s);
}

std::optional<int> fileTypeImage(const QString &extension)
{
    for (const TableEntry &entry : FileTypeTable) {
        if (extension.compare(entry.extension, Qt::CaseInsensitive) == 0)
            return entry.image;
    }
    return std::nullopt;
}

bool carriesOwnIcon(const QString &extension)
{
    for (QLatin1StringView own : OwnIconExtensions) {
        if (extension.compare(own, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString nameExtension(const QString &path)
{
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot + 1);
}

IconChoice chooseFileIcon(const QFileInfo &info)
{
    using Source = IconChoice::Source;
    const bool exists = info.exists();
    if ((exists && info.isDir()) || (!exists && !info.filePath().contains(u'.')))
        return {Source::Fixed, FixedImage::Directory, {}};
    const QString extension = nameExtension(info.filePath());
    if (const std::optional<int> image = fileTypeImage(extension))
        return {Source::Fixed, *image, {}};
    if (linksToText(info))
        return {Source::Fixed, FixedImage::Picture, {}};
    const int fallback = extension == "exe"_L1 ? FixedImage::Program : FixedImage::OtherFile;
    if (carriesOwnIcon(extension))
        return {Source::OwnIcon, fallback, info.absoluteFilePath()};
    return {Source::Shell, fallback, shellTypeKey(info, extension)};
}

} // namespace Qb::Browser
