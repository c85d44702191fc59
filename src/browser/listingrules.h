// SPDX-License-Identifier: GPL-3.0-or-later
// The rules of the file browser's list: which entries are directories, the order of the rows,
// the grouping of files by extension and the size cell. No widgets: the panel forwards here.
#pragma once

#include <QFileInfo>
#include <QList>
#include <QString>
#include <QStringList>

namespace Qb::Browser {

// The directory part every row's path starts from: the directory text with "/" appended when
// it does not already end with one ("" gives "/").
QString listingBase(const QString &directoryText);

// The text after the last "." of name; "无" when name has no ".". Used for grouping only.
QString groupingExtension(const QString &name);

// Reorders names in place so that every extension group (groupingExtension, compared without
// regard to case) is contiguous. A leader walks the list; names of the leader's extension found
// after another extension are swapped forward into the gap, so the order of the groups follows
// from the swaps, not from the alphabet: a.py, b.txt, c.js, d.txt gives a.py, b.txt, d.txt,
// c.js.
void GroupByExtension(QStringList &names);

// True when the full path is to be listed as a directory. A path that exists is a directory
// exactly when the file system says so. A path that does not exist is a file when it has a "."
// and the text after its last "." is at most 3 bytes long (in the settings file's code page),
// otherwise a directory.
bool IsDirectoryEntry(const QString &path);
bool IsDirectoryEntry(const QFileInfo &info);

// The 大小KB cell: whole kilobytes, truncated ("0" below 1024 bytes).
QString sizeCell(qint64 bytes);

struct ListedEntry
{
    QString name;        // the row text, without directory
    QFileInfo info;      // base + name, as found while listing
    bool directory = false;
};

// The rows of one directory, in row order: the names are sorted ascending without regard to
// case (then by the exact text), the directories come first in descending order, then the
// files grouped by extension. base is listingBase() of the directory text. Entries whose name starts
// with "." are left out, and so are entries that carry neither the directory nor the archive
// attribute while carrying some other bit (see listedEntryAttributes). A directory that does
// not exist or cannot be read gives no rows.
QList<ListedEntry> listDirectoryEntries(const QString &base);

} // namespace Qb::Browser
