// SPDX-License-Identifier: GPL-3.0-or-later
// The file list's rules: grouping by extension, directories versus files, the size cell and
// the rows of a real directory tree, including entries that cannot be looked up.
#include "browser/fileattributes.h"
#include "browser/listingrules.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qb::Browser;

namespace {

bool makeFile(const QString &path, qint64 size = 0)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(QByteArray(size, 'x')) == size;
}

QStringList rowNames(const QList<ListedEntry> &rows)
{
    QStringList names;
    for (const ListedEntry &row : rows)
        names.append(row.name + (row.directory ? QStringLiteral("/") : QString()));
    return names;
}

// The grouping walk exactly as the rule states it, leader by leader to the last position.
void groupLiterally(QStringList &names)
{
    const auto ext = [](const QString &name) { return groupingExtension(name).toCaseFolded(); };
    qsizetype leader = 0;
    while (leader < names.size()) {
        qsizetype gap = -1;
        for (qsizetype p = leader + 1; p < names.size(); ++p) {
            if (ext(names[p]) != ext(names[leader])) {
                if (gap < 0)
                    gap = p;
            } else if (gap >= 0) {
                names.swapItemsAt(p, gap++);
            }
        }
        leader = gap >= 0 ? gap : leader + 1;
    }
}

// A folder whose own path has a "." (or not), holding files without extensions and folders
// with and without a "." in their names.
struct Tree
{
    QTemporaryDir dir;
    QString root;

    explicit Tree(const QString &folder)
    {
        root = dir.filePath(folder);
        QDir().mkpath(root + QStringLiteral("/lib.d"));
        QDir().mkpath(root + QStringLiteral("/src"));
        QDir().mkpath(root + QStringLiteral("/Docs"));
        for (const char *name : {"Makefile", "LICENSE", "run", "b.txt", "a.py", "c.js", "d.txt", ".profile"})
            makeFile(root + u'/' + QString::fromLatin1(name));
        QDir().mkpath(root + QStringLiteral("/.cache"));
    }
};

} // namespace

class tst_ListingRules : public QObject
{
    Q_OBJECT

private slots:
    void groupByExtension_data();
    void groupByExtension();
    void groupByExtension_matchesTheLiteralWalk();
    void isDirectoryEntry_data();
    void isDirectoryEntry();
    void sizeCell_data();
    void sizeCell();
    void list_directoriesDescendingThenGroupedFiles_data();
    void list_directoriesDescendingThenGroupedFiles();
    void list_namesDifferingInCaseAreBothListed();
    void list_missingOrUnlistableDirectoryIsEmpty_data();
    void list_missingOrUnlistableDirectoryIsEmpty();
    void list_unreadableDirectoryIsEmpty();
    void list_skipsEntriesThatCannotBeLookedUp();
    void attributes_data();
    void attributes();
};

void tst_ListingRules::groupByExtension_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("grouped");
    const auto l = [](std::initializer_list<const char *> items) {
        QStringList list;
        for (const char *item : items)
            list.append(QString::fromUtf8(item));
        return list;
    };
    QTest::newRow("example") << l({"a.py", "b.txt", "c.js", "d.txt"}) << l({"a.py", "b.txt", "d.txt", "c.js"});
    QTest::newRow("empty") << QStringList() << QStringList();
    QTest::newRow("one name") << l({"a.py"}) << l({"a.py"});
    QTest::newRow("one group stays in order") << l({"c.txt", "a.txt", "b.txt"}) << l({"c.txt", "a.txt", "b.txt"});
    QTest::newRow("case is ignored") << l({"a.TXT", "b.py", "c.txt"}) << l({"a.TXT", "c.txt", "b.py"});
    QTest::newRow("swaps reorder the groups") << l({"x.a", "y.b", "z.c", "w.a"}) << l({"x.a", "w.a", "z.c", "y.b"});
    QTest::newRow("last dot decides") << l({"c.tar", "a.tar.gz", "b.gz", "d.tar"})
                                      << l({"c.tar", "d.tar", "b.gz", "a.tar.gz"});
    QTest::newRow("no dot is 无") << l({"Makefile", "a.py", "b.无"}) << l({"Makefile", "b.无", "a.py"});
    QTest::newRow("trailing dot is its own group") << l({"a.", "b", "c."}) << l({"a.", "c.", "b"});
    QTest::newRow("interleaved groups") << l({"1.a", "2.b", "3.a", "4.b", "5.a", "6.b"})
                                        << l({"1.a", "3.a", "5.a", "4.b", "2.b", "6.b"});
}

void tst_ListingRules::groupByExtension()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, grouped);
    GroupByExtension(names);
    QCOMPARE(names, grouped);
}

void tst_ListingRules::groupByExtension_matchesTheLiteralWalk()
{
    // The walk stops early once a leader finds nothing to move; the result must not change,
    // also when one large group comes last.
    QRandomGenerator random(16);
    const QStringList extensions = {QStringLiteral("py"), QStringLiteral("TXT"), QStringLiteral("txt"),
                                    QStringLiteral("js"), QString(), QStringLiteral("tar.gz")};
    for (int round = 0; round < 50; ++round) {
        QStringList names;
        const int count = random.bounded(1, 200);
        for (int i = 0; i < count; ++i) {
            const QString ext = extensions[random.bounded(qsizetype(round % 7 == 0 ? 2 : extensions.size()))];
            names.append(QString::number(i) + (ext.isEmpty() ? QString() : u'.' + ext));
        }
        QStringList expected = names;
        groupLiterally(expected);
        GroupByExtension(names);
        QCOMPARE(names, expected);
    }
}

void tst_ListingRules::isDirectoryEntry_data()
{
    QTest::addColumn<QString>("path");   // relative paths are made in a temporary folder
    QTest::addColumn<bool>("directory");
    QTest::newRow("file without extension, no dot in the path") << "projects/Makefile" << false;
    QTest::newRow("file without extension, dot in a parent") << "my.projects/Makefile" << false;
    QTest::newRow("file with extension") << "projects/notes.txt" << false;
    QTest::newRow("folder without dot") << "projects/src" << true;
    QTest::newRow("folder with dot") << "projects/lib.d" << true;
    QTest::newRow("link to a folder") << "projects/link-to-src" << true;
    QTest::newRow("missing, short extension") << "/nonexistent-qb/notes.txt" << false;
    QTest::newRow("missing, no dot") << "/nonexistent-qb/dir/readme" << true;
    QTest::newRow("missing, long extension") << "/nonexistent-qb/page.html" << true;
    QTest::newRow("missing, one Chinese character (2 bytes)") << "/nonexistent-qb/x.中" << false;
    QTest::newRow("missing, two Chinese characters (4 bytes)") << "/nonexistent-qb/x.中文" << true;
    QTest::newRow("missing, dot only in a parent") << "/nonexistent-qb/my.dir/run" << true;
}

void tst_ListingRules::isDirectoryEntry()
{
    QFETCH(QString, path);
    QFETCH(bool, directory);
    QTemporaryDir dir;
    for (const char *folder : {"projects/src", "projects/lib.d", "my.projects"})
        QVERIFY(QDir().mkpath(dir.filePath(QString::fromLatin1(folder))));
    for (const char *file : {"projects/Makefile", "my.projects/Makefile", "projects/notes.txt"})
        QVERIFY(makeFile(dir.filePath(QString::fromLatin1(file))));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("projects/src")), dir.filePath(QStringLiteral("projects/link-to-src"))));
    const QString full = path.startsWith(u'/') ? path : dir.filePath(path);
    QCOMPARE(IsDirectoryEntry(full), directory);
}

void tst_ListingRules::sizeCell_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("cell");
    QTest::newRow("empty") << qint64(0) << "0";
    QTest::newRow("1023 bytes") << qint64(1023) << "0";
    QTest::newRow("1024 bytes") << qint64(1024) << "1";
    QTest::newRow("2047 bytes") << qint64(2047) << "1";
    QTest::newRow("2048 bytes") << qint64(2048) << "2";
    QTest::newRow("beyond 4 GB") << qint64(5'000'000'000) << "4882812";
}

void tst_ListingRules::sizeCell()
{
    QFETCH(qint64, bytes);
    QFETCH(QString, cell);
    QCOMPARE(Qb::Browser::sizeCell(bytes), cell);
}

void tst_ListingRules::list_directoriesDescendingThenGroupedFiles_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("no dot in the folder's path") << "projects";
    QTest::newRow("dot in the folder's path") << "my.projects";
}

void tst_ListingRules::list_directoriesDescendingThenGroupedFiles()
{
    QFETCH(QString, folder);
    Tree tree(folder);
    const QStringList expected = {"src/", "lib.d/", "Docs/", "a.py", "b.txt", "d.txt", "c.js", "LICENSE", "Makefile", "run"};
    QCOMPARE(rowNames(listDirectoryEntries(listingBase(tree.root))), expected);
    QCOMPARE(rowNames(listDirectoryEntries(tree.root + u'/')), expected);
}

void tst_ListingRules::list_namesDifferingInCaseAreBothListed()
{
    QTemporaryDir dir;
    QVERIFY(makeFile(dir.filePath(QStringLiteral("a.txt"))));
    QVERIFY(makeFile(dir.filePath(QStringLiteral("A.TXT"))));
    QVERIFY(makeFile(dir.filePath(QStringLiteral("b.py"))));
    QCOMPARE(rowNames(listDirectoryEntries(listingBase(dir.path()))), QStringList({"A.TXT", "a.txt", "b.py"}));
}

void tst_ListingRules::list_missingOrUnlistableDirectoryIsEmpty_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("missing") << "missing/folder";
    QTest::newRow("a file") << "a.py";
}

void tst_ListingRules::list_missingOrUnlistableDirectoryIsEmpty()
{
    QFETCH(QString, path);
    QTemporaryDir dir;
    QVERIFY(makeFile(dir.filePath(QStringLiteral("a.py"))));
    QVERIFY(listDirectoryEntries(listingBase(dir.filePath(path))).isEmpty());
}

void tst_ListingRules::list_unreadableDirectoryIsEmpty()
{
    if (::geteuid() == 0)
        QSKIP("running as root: every directory can be read");
    QTemporaryDir dir;
    const QString locked = dir.filePath(QStringLiteral("locked"));
    QVERIFY(QDir().mkpath(locked));
    QVERIFY(makeFile(locked + QStringLiteral("/inside.txt")));
    QVERIFY(::chmod(QFile::encodeName(locked).constData(), 0) == 0);
    const bool empty = listDirectoryEntries(listingBase(locked)).isEmpty();
    ::chmod(QFile::encodeName(locked).constData(), 0700);
    QVERIFY(empty);
}

void tst_ListingRules::list_skipsEntriesThatCannotBeLookedUp()
{
    QTemporaryDir dir;
    const QString base = listingBase(dir.path());
    QVERIFY(makeFile(base + QStringLiteral("kept.txt")));
    QVERIFY(QFile::link(base + QStringLiteral("nowhere"), base + QStringLiteral("dangling.txt")));
    QVERIFY(QFile::link(base + QStringLiteral("loop-b"), base + QStringLiteral("loop-a")));
    QVERIFY(QFile::link(base + QStringLiteral("loop-a"), base + QStringLiteral("loop-b")));
    QVERIFY(::mkfifo(QFile::encodeName(base + QStringLiteral("pipe")).constData(), 0600) == 0);
    const QByteArray badName = QFile::encodeName(base) + "bad\xff\xfe.txt";
    const int fd = ::open(badName.constData(), O_CREAT | O_WRONLY, 0600);
    QVERIFY(fd >= 0);
    ::close(fd);
    const QStringList rows = rowNames(listDirectoryEntries(base));
    ::unlink(badName.constData());
    // The pipe carries no attribute bit at all, which the listing takes; the others cannot be
    // looked up by the name the listing gives, so they count as unreadable and are left out.
    QCOMPARE(rows, QStringList({"kept.txt", "pipe"}));
}

void tst_ListingRules::attributes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<quint32>("listed");
    QTest::addColumn<quint32>("attributes");
    QTest::newRow("folder") << "folder" << Attribute::Directory << Attribute::Directory;
    QTest::newRow("file") << "file.txt" << Attribute::Archive << Attribute::Archive;
    QTest::newRow("dot file") << ".profile" << (Attribute::Archive | Attribute::Hidden)
                              << (Attribute::Archive | Attribute::Hidden);
    QTest::newRow("dot folder") << ".cache" << (Attribute::Directory | Attribute::Hidden)
                                << (Attribute::Directory | Attribute::Hidden);
    QTest::newRow("link to a file") << "link" << Attribute::Archive << Attribute::Archive;
    QTest::newRow("dangling link") << "dangling" << Attribute::Hidden << Attribute::Invalid;
    QTest::newRow("missing") << "missing" << Attribute::Hidden << Attribute::Invalid;
}

void tst_ListingRules::attributes()
{
    QFETCH(QString, name);
    QFETCH(quint32, listed);
    QFETCH(quint32, attributes);
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("folder"))));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral(".cache"))));
    QVERIFY(makeFile(dir.filePath(QStringLiteral("file.txt"))));
    QVERIFY(makeFile(dir.filePath(QStringLiteral(".profile"))));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("file.txt")), dir.filePath(QStringLiteral("link"))));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("nowhere")), dir.filePath(QStringLiteral("dangling"))));
    const QFileInfo info(dir.filePath(name));
    QCOMPARE(fileAttributes(info), attributes);
    QCOMPARE(listedEntryAttributes(info), listed);
}

QTEST_APPLESS_MAIN(tst_ListingRules)
#include "tst_listingrules.moc"
