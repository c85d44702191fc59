// SPDX-License-Identifier: GPL-3.0-or-later
// File attributes as the browser's rules test them: fixed bit values, computed from what the file
// system says about a path.
#pragma once

#include <QtGlobal>

class QFileInfo;
class QString;

namespace Qb::Browser {

namespace Attribute {
inline constexpr quint32 Hidden = 0x02;    // name starts with "." or the entry cannot be read
inline constexpr quint32 Directory = 0x10;
inline constexpr quint32 Archive = 0x20;   // set for every regular file
inline constexpr quint32 Mask = 0x37;      // the bits the rules look at
inline constexpr quint32 Invalid = 0xFFFFFFFF; // nothing is at the path
} // namespace Attribute

// The attributes of the entry `info` names, following symbolic links: Directory for a
// directory, Archive for a regular file, no type bit for anything else (pipes, sockets,
// devices); Hidden added when its name starts with "." or it is not readable.
// Attribute::Invalid when nothing is there, or the link leads nowhere (dangling or a loop).
quint32 fileAttributes(const QFileInfo &info);
quint32 fileAttributes(const QString &path);

// The attributes of an entry found while listing a directory: as fileAttributes, except that an
// entry that cannot be looked up (a dangling link, a link loop, a name that does not survive
// the round trip through the file name encoding, an entry removed meanwhile) counts as hidden
// (not readable) instead of carrying every bit.
quint32 listedEntryAttributes(const QFileInfo &info);

} // namespace Qb::Browser
