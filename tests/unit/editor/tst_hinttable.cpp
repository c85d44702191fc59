// SPDX-License-Identifier: GPL-3.0-or-later
// The hint table through the command store: the exact statements of the prefix search and of
// adding an entry (values quoted, so "'" is stored as typed), results in table order, the
// refusals, and a store that fails.
#include "editor/hinttable.h"
#include "jet/database.h"
#include "library/sqlhelper.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qb::Editor;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(Qb::Editor::AddHintResult)

namespace {

struct Library
{
    QTemporaryDir dir;
    Qb::Library::SqlHelper store;
    bool ok = false;

    explicit Library(const QStringList &hints = {})
    {
        const QString path = dir.filePath(u"qbxdb.mdb"_s);
        ok = Qb::Jet::Database::createLibrary(QFile::encodeName(path).toStdString()).has_value()
             && store.Open(path, QString::fromLatin1(Qb::Library::DatabasePassword));
        for (const QString &hint : hints)
            ok = ok && store.Insert(u"命令表"_s, u"命令,说明"_s, u"'"_s + hint + u"','d'"_s);
    }
    QStringList stored()
    {
        QList<QStringList> rows;
        store.TableRows(rows, u"命令表"_s, {u"命令"_s, u"说明"_s}, QString());
        QStringList out;
        for (const QStringList &row : rows)
            out << row.join(u'|');
        return out;
    }
};

} // namespace

class tst_HintTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void matches_prefixStatementAndTableOrder_data();
    void matches_prefixStatementAndTableOrder();
    void add_storesQuotedOrRefuses_data();
    void add_storesQuotedOrRefuses();
    void closedStore_findsNothingAddsNothing();
};

void tst_HintTable::matches_prefixStatementAndTableOrder_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("two in table order") << u"PRI"_s << QStringList{u"private"_s, u"PRINT"_s, u"print("_s};
    QTest::newRow("longer prefix") << u"PRIN"_s << QStringList{u"PRINT"_s, u"print("_s};
    QTest::newRow("non-ASCII rest") << u"LE"_s << QStringList{u"len长度"_s};
    QTest::newRow("none") << u"PRIX"_s << QStringList();
}

void tst_HintTable::matches_prefixStatementAndTableOrder()
{
    QFETCH(QString, prefix);
    Library lib({u"private"_s, u"len长度"_s, u"PRINT"_s, u"print("_s, u"sprint"_s});
    if (!lib.ok)
        QSKIP("the engine cannot create a command library here");
    QTEST(HintTable(lib.store).matches(prefix), "found");
    QCOMPARE(lib.store.lastStatement(), u"select * from 命令表 where  命令 like '"_s + prefix + u"%'"_s);
}

void tst_HintTable::add_storesQuotedOrRefuses_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");
    QTest::addColumn<AddHintResult>("result");
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QString>("lastStatement"); // "" = nothing sent

    const QStringList before{u"print(|d"_s};
    QTest::newRow("new entry") << u"len("_s << u"长度"_s << AddHintResult::Added
                               << QStringList{u"print(|d"_s, u"len(|长度"_s}
                               << u"insert into 命令表(命令,说明) values ('len(','长度')"_s;
    QTest::newRow("quotes stored as typed") << u"it's('x')"_s << u"a 'note'"_s << AddHintResult::Added
                                            << QStringList{u"print(|d"_s, u"it's('x')|a 'note'"_s}
                                            << u"insert into 命令表(命令,说明) values ('it''s(''x'')','a ''note''')"_s;
    QTest::newRow("empty description") << u"len("_s << QString() << AddHintResult::Added
                                       << QStringList{u"print(|d"_s, u"len(|"_s}
                                       << u"insert into 命令表(命令,说明) values ('len(','')"_s;
    QTest::newRow("duplicate as the database compares") << u"PRINT("_s << u"x"_s << AddHintResult::Duplicate << before
                                                        << u"select 命令 from 命令表 where 命令='PRINT('"_s;
    QTest::newRow("empty name sends nothing") << QString() << u"x"_s << AddHintResult::EmptyName << before
                                              << QString();
    QTest::newRow("too long for the column") << QString(256, u'n') << QString() << AddHintResult::Failed << before
                                             << u"insert into 命令表(命令,说明) values ('"_s + QString(256, u'n')
                                                    + u"','')"_s;
}

void tst_HintTable::add_storesQuotedOrRefuses()
{
    QFETCH(QString, name);
    QFETCH(QString, description);
    Library lib({u"print("_s});
    if (!lib.ok)
        QSKIP("the engine cannot create a command library here");
    const QString sentBefore = lib.store.lastStatement();
    QTEST(HintTable(lib.store).add(name, description), "result");
    QFETCH(QString, lastStatement);
    QCOMPARE(lib.store.lastStatement(), lastStatement.isEmpty() ? sentBefore : lastStatement);
    QTEST(lib.stored(), "stored");
}

void tst_HintTable::closedStore_findsNothingAddsNothing()
{
    Qb::Library::SqlHelper closed;
    QVERIFY(HintTable(closed).matches(u"P"_s).isEmpty());
    QCOMPARE(HintTable(closed).add(u"print("_s, QString()), AddHintResult::Failed);
}

QTEST_APPLESS_MAIN(tst_HintTable)
#include "tst_hinttable.moc"
