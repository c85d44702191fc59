// SPDX-License-Identifier: GPL-3.0-or-later
// The file browser's listing rules.
#include "browser/listingrules.h"

#include "browser/fileattributes.h"
#include "platform/textcodec.h"

#include <QDirIterator>
#include <QHash>

#include <algorithm>

namespace Qb::Browser {

using namespace Qt::StringLiterals;

namespace {

// The longest extension of a path that does not exist that still makes it a file, in bytes.
constexpr qsizetype ShortExtensionBytes = 3;

// Directories and regular files carry the directory or archive attribute and are taken whatever
// their other bits, so readability is only asked of the rest.
bool isTaken(const QFileInfo &info)
{
    return info.isDir() || info.isFile() || listedEntryAttributes(info) == 0;
}

bool missingPathIsDirectory(const QString &path)
{
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot < 0)
        return true;
    return Platform::toGbk(path.mid(dot + 1)).size() > ShortExtensionBytes;
}

// One id per extension, equal exactly when the extensions match without regard to case.
template<typename List, typename NameOf>
QList<int> extensionKeys(const List &items, NameOf nameOf)
{
    QHash<QString, int> ids;
    QList<int> keys;
    keys.reserve(items.size());
    for (const auto &item : items) {
        const QString folded = groupingExtension(nameOf(item)).toCaseFolded();
        auto id = ids.constFind(folded);
        if (id == ids.cend())
            id = ids.insert(folded, int(ids.size()));
        keys.append(*id);
    }
    return keys;
}

// The grouping walk over items whose extension ids are keys.
template<typename List>
void groupInPlace(List &items, QList<int> keys)
{
    const qsizetype n = items.size();
    qsizetype leader = 0;
    while (leader < n) {
        qsizetype gap = -1;
        for (qsizetype p = leader + 1; p < n; ++p) {
            if (keys[p] != keys[leader]) {
                if (gap < 0)
                    gap = p;
            } else if (gap >= 0) {
                items.swapItemsAt(p, gap);
                keys.swapItemsAt(p, gap);
                ++gap;
            }
        }
        // Without a gap every later name shares the leader's extension: later leaders would
        // find nothing to move.
        if (gap < 0)
            break;
        leader = gap;
    }
}

struct Found
{
    QString folded;   // the name case-folded: the sort key
    ListedEntry entry;
};

} // namespace

QString listingBase(const QString &directoryText)
{
    return directoryText.endsWith(u'/') ? directoryText : directoryText + u'/';
}

QString groupingExtension(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? u"无"_s : name.mid(dot + 1);
}

void GroupByExtension(QStringList &names)
{
    groupInPlace(names, extensionKeys(names, [](const QString &name) -> const QString & { return name; }));
}

bool IsDirectoryEntry(const QString &path)
{
    return IsDirectoryEntry(QFileInfo(path));
}

bool IsDirectoryEntry(const QFileInfo &info)
{
    if (info.exists())
        return info.isDir();
    return missingPathIsDirectory(info.filePath());
}

QString sizeCell(qint64 bytes)
{
    return QString::number(bytes / 1024);
}

QList<ListedEntry> listDirectoryEntries(const QString &base)
{
    QList<Found> found;
    QDirIterator it(base, QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        QString name = info.fileName();
        if (name.startsWith(u'.') || !isTaken(info))
            continue;
        const bool directory = IsDirectoryEntry(info);
        found.append({name.toCaseFolded(), {std::move(name), info, directory}});
    }
    // Ascending without regard to case, then by the exact text so that the order is total; each
    // name is folded once instead of at every comparison.
    std::sort(found.begin(), found.end(), [](const Found &a, const Found &b) {
        return a.folded != b.folded ? a.folded < b.folded : a.entry.name < b.entry.name;
    });

    QList<ListedEntry> rows;
    rows.reserve(found.size());
    for (auto f = found.crbegin(); f != found.crend(); ++f) {
        if (f->entry.directory)
            rows.append(f->entry);
    }
    QList<ListedEntry> files;
    files.reserve(found.size() - rows.size());
    for (const Found &f : found) {
        if (!f.entry.directory)
            files.append(f.entry);
    }
    groupInPlace(files, extensionKeys(files, [](const ListedEntry &entry) -> const QString & { return entry.name; }));
    rows.append(files);
    return rows;
}

} // namespace Qb::Browser
