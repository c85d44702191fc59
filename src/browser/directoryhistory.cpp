// SPDX-License-Identifier: GPL-3.0-or-later
// The directory history rules.
#include "browser/directoryhistory.h"

#include <algorithm>

namespace Qb::Browser {

RestoredHistory restoreHistory(const QString &stored)
{
    RestoredHistory history;
    for (const QString &piece : stored.split(u',')) {
        if (!piece.isEmpty())
            history.entries.append(piece);
    }
    history.current = history.entries.value(0);
    return history;
}

SavedHistory saveHistory(const QString &current, const QStringList &entries)
{
    SavedHistory saved{current, true};
    const qsizetype looked = std::min<qsizetype>(entries.size(), HistoryEntriesLookedAt);
    for (qsizetype i = 0; i < looked; ++i) {
        if (entries[i] == current)
            saved.appendCurrent = false;
        else
            saved.value += u',' + entries[i];
    }
    return saved;
}

} // namespace Qb::Browser
