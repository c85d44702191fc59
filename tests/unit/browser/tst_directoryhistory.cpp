// SPDX-License-Identifier: GPL-3.0-or-later
// The directory history of [shuji] 本地目录: restoring the drop-down list at start-up and the
// value written after a directory was chosen.
#include "browser/directoryhistory.h"

#include <QTest>

using namespace Qb::Browser;

namespace {

QStringList numbered(int count)
{
    QStringList entries;
    for (int i = 1; i <= count; ++i)
        entries.append(QStringLiteral("/d%1").arg(i));
    return entries;
}

} // namespace

class tst_DirectoryHistory : public QObject
{
    Q_OBJECT

private slots:
    void restore_data();
    void restore();
    void save_data();
    void save();
    void save_browsingSequenceKeepsTheListInOrder();
};

void tst_DirectoryHistory::restore_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("current");
    QTest::newRow("empty piece dropped") << "/a,,/b" << QStringList({"/a", "/b"}) << "/a";
    QTest::newRow("leading empty pieces") << ",,/x" << QStringList({"/x"}) << "/x";
    QTest::newRow("one directory") << "/home/ana" << QStringList({"/home/ana"}) << "/home/ana";
    QTest::newRow("empty value") << "" << QStringList() << "";
    QTest::newRow("only commas") << ",," << QStringList() << "";
    QTest::newRow("blanks are kept") << " /a, /b" << QStringList({" /a", " /b"}) << " /a";
}

void tst_DirectoryHistory::restore()
{
    QFETCH(QString, stored);
    QFETCH(QStringList, entries);
    QFETCH(QString, current);
    const RestoredHistory history = restoreHistory(stored);
    QCOMPARE(history.entries, entries);
    QCOMPARE(history.current, current);
}

void tst_DirectoryHistory::save_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("appendCurrent");
    QTest::newRow("new directory") << "/work" << QStringList({"/a", "/b"}) << "/work,/a,/b" << true;
    QTest::newRow("known directory") << "/b" << QStringList({"/a", "/b", "/work"}) << "/b,/a,/work" << false;
    QTest::newRow("empty list") << "/x" << QStringList() << "/x" << true;
    QTest::newRow("exact text only") << "/A" << QStringList({"/a", "/A/"}) << "/A,/a,/A/" << true;
    QTest::newRow("at most 12 written") << "/x" << numbered(13)
                                        << "/x," + numbered(11).join(u',') << true;
    QTest::newRow("current among the first 11") << "/d11" << numbered(13)
                                                << "/d11," + numbered(10).join(u',') << false;
    QTest::newRow("current beyond the first 11") << "/d12" << numbered(13)
                                                 << "/d12," + numbered(11).join(u',') << true;
}

void tst_DirectoryHistory::save()
{
    QFETCH(QString, current);
    QFETCH(QStringList, entries);
    QFETCH(QString, value);
    QFETCH(bool, appendCurrent);
    const SavedHistory saved = saveHistory(current, entries);
    QCOMPARE(saved.value, value);
    QCOMPARE(saved.appendCurrent, appendCurrent);
}

void tst_DirectoryHistory::save_browsingSequenceKeepsTheListInOrder()
{
    // Stored "/a,,/b"; browsing to /work, then to /b.
    QStringList list = restoreHistory(QStringLiteral("/a,,/b")).entries;
    const auto browse = [&list](const QString &to) {
        const SavedHistory saved = saveHistory(to, list);
        if (saved.appendCurrent)
            list.append(to);
        return saved.value;
    };
    QCOMPARE(browse(QStringLiteral("/work")), QStringLiteral("/work,/a,/b"));
    QCOMPARE(list, QStringList({"/a", "/b", "/work"}));
    QCOMPARE(browse(QStringLiteral("/b")), QStringLiteral("/b,/a,/work"));
    QCOMPARE(list, QStringList({"/a", "/b", "/work"}));
    // The value written restores with the directory just chosen as the current one.
    QCOMPARE(restoreHistory(browse(QStringLiteral("/a"))).current, QStringLiteral("/a"));
}

QTEST_APPLESS_MAIN(tst_DirectoryHistory)
#include "tst_directoryhistory.moc"
