// The file browser's listing rules.
#include "browser/listingrules.h"

#include "browser/fileattributes.h"
#include "platform/textcodec.h"

#include <QDirIterator>

#include <algorithm>

namespace Qb::Browser {

using namespace Qt::StringLiterals;

namespace {

// The longest extension of a path that does not exist that still makes it a file, in bytes.
constexpr qsizetype ShortExtensionBytes = 3;

bool isTaken(quint32 attributes)
{
    return (attributes & (Attribute::Directory | Attribute::Archive)) != 0 || attributes == 0;
}

bool missingPathIsDirectory(const QString &path)
{
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot < 0)
        return true;
    return Platform::toGbk(path.mid(dot + 1)).size() > ShortExtensionBytes;
}

// The grouping walk over any list whose items give their name through nameOf.
template<typename List, typename NameOf>
void groupInPlace(List &items, NameOf nameOf)
{
    // Case-folded once: the walk compares every name with its leader many times.
    QStringList keys;
    keys.reserve(items.size());
    for (const auto &item : items)
        keys.append(groupingExtension(nameOf(item)).toCaseFolded());
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
    groupInPlace(names, [](const QString &name) { return name; });
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

bool nameLess(const QString &a, const QString &b)
{
    const int folded = a.compare(b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
}

QList<ListedEntry> listDirectoryEntries(const QString &base)
{
    QList<ListedEntry> found;
    QDirIterator it(base, QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString name = info.fileName();
        if (name.startsWith(u'.') || !isTaken(listedEntryAttributes(info)))
            continue;
        found.append({name, info, IsDirectoryEntry(info)});
    }
    std::sort(found.begin(), found.end(),
              [](const ListedEntry &a, const ListedEntry &b) { return nameLess(a.name, b.name); });

    QList<ListedEntry> rows;
    for (auto entry = found.crbegin(); entry != found.crend(); ++entry) {
        if (entry->directory)
            rows.append(*entry);
    }
    QList<ListedEntry> files;
    for (const ListedEntry &entry : found) {
        if (!entry.directory)
            files.append(entry);
    }
    groupInPlace(files, [](const ListedEntry &entry) -> const QString & { return entry.name; });
    rows.append(files);
    return rows;
}

} // namespace Qb::Browser
