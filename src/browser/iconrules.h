// SPDX-License-Identifier: GPL-3.0-or-later
// Which image of the file list's image list a path gets: the fixed type pictures, an icon the
// file carries itself, or the desktop's icon for its type. The images themselves are made by
// the panel (browser/ui); this decides and names the cache entry.
#pragma once

#include <QFileInfo>
#include <QMimeType>
#include <QString>

#include <optional>

namespace Qb::Browser {

// The fixed images, in the order the image list is pre-loaded with them.
namespace FixedImage {
inline constexpr int Directory = 0;
inline constexpr int Picture = 1;      // gif, png; also a link to a "…txt" target
inline constexpr int Bitmap = 2;
inline constexpr int Jpeg = 3;
inline constexpr int Program = 4;      // an "exe" whose icon cannot be made
inline constexpr int OtherFile = 5;    // any other file whose icon cannot be made
inline constexpr int Settings = 6;
inline constexpr int Text = 7;
inline constexpr int Library = 8;      // dll, db
inline constexpr int ServerPage = 9;
inline constexpr int Archive = 10;
inline constexpr int WebPage = 11;
inline constexpr int Count = 12;
} // namespace FixedImage

// The file-type table ";txt 7;ini 6;gif 1;png 1;bmp 2;jpg 3;dll 8;db 8;asp 9;rar 10;htm 11;
// html 11;", looked up without regard to case.
std::optional<int> fileTypeImage(const QString &extension);

// EXE, DLL, ICL, ICO (any case): files that carry their own icon.
bool carriesOwnIcon(const QString &extension);

// The text after the last "." of the path's name (the part after the last "/"); "" when the
// name has none.
QString nameExtension(const QString &path);

struct IconChoice
{
    enum class Source {
        Fixed,     // index is the image
        OwnIcon,   // the file's own icon; cacheKey is its path
        Shell,     // the desktop's icon for the file's type; cacheKey names the type
    };
    Source source = Source::Fixed;
    int index = FixedImage::Directory;  // Fixed: the image; otherwise the image when making fails
    QString cacheKey;
};

// The decision for one path:
//  1. a directory (asked of the file system; for a path that does not exist, one without any
//     ".") gets the directory image;
//  2. an extension in the file-type table gets that image;
//  3. a symbolic link whose target ends in "txt" (any case) gets image 1;
//  4. a file that carries its own icon gets it, cached by its path;
//  5. any other file gets the desktop's icon for its type, cached by its lower-case extension
//     or, for a name without one, by its fileType.
// When making the icon fails the index is 4 for the extension "exe" (exactly), otherwise 5.
IconChoice chooseFileIcon(const QFileInfo &info);

// The MIME type of a file by its name (extensions, and patterns such as Makefile or README), or
// application/x-executable for an executable file that no name pattern matches. Contents are
// never read: a folder such as /usr/bin holds thousands of files without an extension, and
// reading a pipe or a device would wait or consume it.
QMimeType fileType(const QFileInfo &info);

} // namespace Qb::Browser
