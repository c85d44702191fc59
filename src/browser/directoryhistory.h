// SPDX-License-Identifier: GPL-3.0-or-later
// The directory history of the file browser, kept in [shuji] 本地目录 as paths joined by ",":
// the first entry is the directory that was current when the history was last written.
#pragma once

#include <QString>
#include <QStringList>

namespace Qb::Browser {

// How many entries of the drop-down list the writer looks at besides the current directory,
// so that at most 12 entries are written.
inline constexpr int HistoryEntriesLookedAt = 11;

struct RestoredHistory
{
    QStringList entries;  // the drop-down list: every non-empty piece, in order
    QString current;      // the first non-empty piece; "" when there is none
};

// Start-up: the stored value split at ",".
RestoredHistory restoreHistory(const QString &stored);

struct SavedHistory
{
    QString value;          // what to write to the settings file
    bool appendCurrent;     // the current directory goes to the end of the drop-down list
};

// After a directory was chosen: the current directory, then every other entry among the first
// HistoryEntriesLookedAt of the list. An entry equal to the current directory (exact text) is
// left out; when the current directory is not among the entries looked at it is added to the
// end of the list.
SavedHistory saveHistory(const QString &current, const QStringList &entries);

} // namespace Qb::Browser
