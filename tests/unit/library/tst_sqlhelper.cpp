// SPDX-License-Identifier: GPL-3.0-or-later
// SqlHelper on a created command library: the statement texts it sends, result sets and their
// handles, the failure result of every operation, value quoting and stored descriptions.
#include "library_support.h"

#include "jet/database.h"
#include "library/sqlhelper.h"
#include "library/sqlquote.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qb::Library;
using namespace Qt::StringLiterals;
using Qb::Test::TempLibrary;

namespace {

const QString Categories = u"分类表"_s;
const QString Commands = u"命令库"_s;
const QString Hints = u"命令表"_s;

// A library with three commands in category 1 and one in category 2.
void fill(TempLibrary &lib)
{
    QVERIFY2(lib.ready(), qPrintable(lib.reason()));
    QVERIFY(lib.addCategory(u"文件"_s, u"1"_s, u"0"_s));
    QVERIFY(lib.addCommand(u"open"_s, u"打开"_s, u"1"_s, u"opens^!x^!"_s, u"函数"_s));
    QVERIFY(lib.addCommand(u"close"_s, QString(), u"1"_s));
    QVERIFY(lib.addCommand(u"read"_s, u"读"_s, u"1"_s, QString(), u"过程"_s));
    QVERIFY(lib.addCommand(u"print"_s, QString(), u"2"_s));
}

} // namespace

class tst_SqlHelper : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void statements_data();
    void statements();
    void select_readLoop();
    void select_noRowStaysCurrentUntilReplaced();
    void exists_leavesNoCurrentResultSet();
    void columnValues_rowOrderAndEmpty();
    void firstRowValues_listedColumnsInOrder();
    void tableRows_rowsAndEmpty();
    void fields_textAndNumbers();
    void failures_data();
    void failures();
    void quoting_nameWithQuoteStoredAndFound();
    void quoting_craftedNameTouchesNothingElse();
    void descriptions_storedWithStandIn();
    void open_refusesWhatIsNotJet4();
};

void tst_SqlHelper::statements_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<QString>("statement");
    QTest::newRow("insert") << 0 << u"insert into 命令表(命令,说明) values ('a','b')"_s;
    QTest::newRow("exists: where always") << 1 << u"select 命令 from 命令表 where 命令='a'"_s;
    QTest::newRow("exists: empty field list") << 2 << u"select * from 命令表 where 命令='a'"_s;
    QTest::newRow("update with condition") << 3 << u"update 命令表 set 说明='c' where 命令='a'"_s;
    QTest::newRow("update without condition") << 4 << u"update 命令表 set 说明='c'"_s;
    QTest::newRow("select: star, no where") << 5 << u"select * from 命令表"_s;
    QTest::newRow("select with fields and condition") << 6 << u"select 命令 from 命令表 where 命令='a'"_s;
    QTest::newRow("column values") << 7 << u"select * from 命令表 where 命令='a'"_s;
    QTest::newRow("first row values: two spaces before where") << 8 << u"select * from 命令库  where 命令名='a'"_s;
    QTest::newRow("first row values without condition") << 9 << u"select * from 命令库 "_s;
    QTest::newRow("table rows") << 10 << u"select * from 关键字表"_s;
    QTest::newRow("delete where") << 11 << u"delete from 命令表 where 命令='a'"_s;
    QTest::newRow("delete all") << 12 << u"delete from 命令表"_s;
}

void tst_SqlHelper::statements()
{
    QFETCH(int, operation);
    TempLibrary lib;
    QVERIFY2(lib.ready(), qPrintable(lib.reason()));
    SqlHelper &s = lib.store();
    QStringList list;
    QList<QStringList> table;
    const QString where = u"命令='a'"_s;
    switch (operation) {
    case 0: QVERIFY(s.Insert(Hints, u"命令,说明"_s, u"'a','b'"_s)); break;
    case 1: s.Exists(Hints, u"命令"_s, where); break;
    case 2: s.Exists(Hints, QString(), where); break;
    case 3: QVERIFY(s.Update(Hints, u"说明='c'"_s, where)); break;
    case 4: QVERIFY(s.Update(Hints, u"说明='c'"_s, QString())); break;
    case 5: s.Select(Hints, QString(), QString()); break;
    case 6: s.Select(Hints, u"命令"_s, where); break;
    case 7: s.ColumnValues(list, Hints, u"命令"_s, where); break;
    case 8: s.FirstRowValues(Commands, {u"说明"_s}, u"命令名='a'"_s, list); break;
    case 9: s.FirstRowValues(Commands, {u"说明"_s}, QString(), list); break;
    case 10: s.TableRows(table, u"关键字表"_s, {u"关键字"_s}, QString()); break;
    case 11: QVERIFY(s.DeleteWhere(Hints, where)); break;
    case 12: QVERIFY(s.DeleteAll(Hints)); break;
    }
    QTEST(s.lastStatement(), "statement");
    QVERIFY2(s.lastError().isEmpty(), qPrintable(s.lastError()));
}

void tst_SqlHelper::select_readLoop()
{
    TempLibrary lib;
    fill(lib);
    SqlHelper &s = lib.store();
    const ResultSetHandle h = s.Select(Commands, QString(), u"分类='1'"_s);
    QVERIFY(h != 0);
    QCOMPARE(s.currentResultSet(), h);
    QStringList names;
    while (!s.AtEnd()) {
        names << s.FieldText(u"命令名"_s);
        s.MoveNext();
    }
    QCOMPARE(names, (QStringList{u"open"_s, u"close"_s, u"read"_s}));
    s.MoveNext(); // past the end stays at the end
    QVERIFY(s.AtEnd(h));
    s.MoveFirst(h);
    QCOMPARE(s.FieldText(u"命令名"_s, h), u"open"_s);
    // A second, explicit handle reads independently of the current one.
    const ResultSetHandle other = s.Select(Commands, u"命令名"_s, u"分类='2'"_s);
    QVERIFY(other != 0 && other != h);
    QCOMPARE(s.FieldText(u"命令名"_s), u"print"_s);
    QCOMPARE(s.FieldText(u"命令名"_s, h), u"open"_s);
    s.CloseResultSet(h);
    QVERIFY(s.AtEnd(h));
    QCOMPARE(s.currentResultSet(), other);
    s.CloseResultSet();
    QCOMPARE(s.currentResultSet(), 0);
}

void tst_SqlHelper::select_noRowStaysCurrentUntilReplaced()
{
    TempLibrary lib;
    fill(lib);
    SqlHelper &s = lib.store();
    QCOMPARE(s.Select(Commands, QString(), u"分类='9'"_s), 0);
    QVERIFY(s.currentResultSet() != 0); // the empty result set is the current one
    QVERIFY(s.AtEnd());
    QCOMPARE(s.FieldText(u"命令名"_s), QString());
    const ResultSetHandle h = s.Select(Commands, QString(), u"分类='2'"_s);
    QCOMPARE(s.currentResultSet(), h);
    s.CloseResultSet();
    QCOMPARE(s.currentResultSet(), 0);
}

void tst_SqlHelper::exists_leavesNoCurrentResultSet()
{
    TempLibrary lib;
    fill(lib);
    SqlHelper &s = lib.store();
    QVERIFY(s.Exists(Commands, u"命令名"_s, u"命令名='open' and 分类='1'"_s));
    QCOMPARE(s.currentResultSet(), 0);
    QVERIFY(!s.Exists(Commands, u"命令名"_s, u"命令名='open' and 分类='2'"_s));
    QCOMPARE(s.currentResultSet(), 0);
}

void tst_SqlHelper::columnValues_rowOrderAndEmpty()
{
    TempLibrary lib;
    fill(lib);
    SqlHelper &s = lib.store();
    const ResultSetHandle current = s.Select(Commands, QString(), u"分类='2'"_s);
    QStringList values{u"stale"_s};
    QCOMPARE(s.ColumnValues(values, Commands, u"命令名"_s, u"分类='1'"_s), 3);
    QCOMPARE(values, (QStringList{u"open"_s, u"close"_s, u"read"_s}));
    QCOMPARE(s.ColumnValues(values, Commands, u"命令名"_s, u"分类='7'"_s), 0);
    QVERIFY(values.isEmpty());
    QCOMPARE(s.FirstValue(Commands, u"中文名"_s, u"分类='1'"_s), u"打开"_s);
    QCOMPARE(s.FirstValue(Commands, u"中文名"_s, u"分类='7'"_s), QString());
    QCOMPARE(s.currentResultSet(), current); // private result sets leave the current one alone
    QCOMPARE(s.FieldText(u"命令名"_s), u"print"_s);
}

void tst_SqlHelper::firstRowValues_listedColumnsInOrder()
{
    TempLibrary lib;
    fill(lib);
    SqlHelper &s = lib.store();
    QStringList values{u"stale"_s};
    QVERIFY(s.FirstRowValues(Commands, {u"说明"_s, u"类型"_s}, u"命令名='open'"_s, values));
    QCOMPARE(values, (QStringList{u"opens^!x^!"_s, u"函数"_s}));
    QVERIFY(s.FirstRowValues(Commands, {u"类型"_s, u"no such column"_s}, u"命令名='close'"_s, values));
    QCOMPARE(values, (QStringList{QString(), QString()})); // NULL and a missing column read as ""
    QVERIFY(!s.FirstRowValues(Commands, {u"说明"_s}, u"命令名='nothing'"_s, values));
    QVERIFY(values.isEmpty());
}

void tst_SqlHelper::tableRows_rowsAndEmpty()
{
    TempLibrary lib;
    fill(lib);
    SqlHelper &s = lib.store();
    QList<QStringList> rows{{u"stale"_s}};
    QCOMPARE(s.TableRows(rows, u"关键字表"_s, {u"关键字"_s, u"颜色"_s}, QString()), 0);
    QVERIFY(rows.isEmpty());
    QCOMPARE(s.TableRows(rows, Commands, {u"中文名"_s, u"命令名"_s}, u"分类='1'"_s), 3);
    QCOMPARE(rows, (QList<QStringList>{{u"打开"_s, u"open"_s}, {QString(), u"close"_s}, {u"读"_s, u"read"_s}}));
    QCOMPARE(s.currentResultSet(), 0);
}

void tst_SqlHelper::fields_textAndNumbers()
{
    TempLibrary lib;
    fill(lib);
    QVERIFY(lib.addCategory(u"数字"_s, u"12abc"_s, u" -3.5x"_s));
    SqlHelper &s = lib.store();
    QVERIFY(s.Select(Commands, QString(), u"命令名='close'"_s) != 0);
    bool ok = false;
    QVERIFY(s.FieldText(u"ID"_s).toLongLong(&ok) > 0 && ok); // AutoNumber as decimal text
    QCOMPARE(s.FieldNumber(u"ID"_s), s.FieldText(u"ID"_s).toDouble());
    QCOMPARE(s.FieldText(u"中文名"_s), QString()); // NULL
    QCOMPARE(s.FieldNumber(u"中文名"_s), 0.0);
    QCOMPARE(s.FieldText(u"id"_s), s.FieldText(u"ID"_s)); // column names ignore letter case
    s.CloseResultSet();
    QVERIFY(s.Select(Categories, QString(), u"分类名='数字'"_s) != 0);
    QCOMPARE(s.FieldNumber(u"序号"_s), 12.0);
    QCOMPARE(s.FieldNumber(u"父类"_s), -3.5);
    QCOMPARE(s.FieldNumber(u"分类名"_s), 0.0); // no leading number
    s.CloseResultSet();
}

void tst_SqlHelper::failures_data()
{
    QTest::addColumn<bool>("closed"); // true: on a closed connection; false: a rejected statement
    QTest::newRow("rejected statements") << false;
    QTest::newRow("closed connection") << true;
}

void tst_SqlHelper::failures()
{
    QFETCH(bool, closed);
    TempLibrary lib;
    fill(lib);
    SqlHelper &s = lib.store();
    const QString table = closed ? Commands : u"no_such_table"_s;
    if (closed)
        s.Close();
    QStringList list{u"stale"_s};
    QList<QStringList> rows{{u"stale"_s}};
    QVERIFY(!s.Insert(table, u"命令名"_s, u"'x'"_s));
    QVERIFY(!s.Update(table, u"命令名='x'"_s, QString()));
    QVERIFY(!s.DeleteWhere(table, u"命令名='open'"_s));
    QVERIFY(!s.DeleteAll(table));
    QCOMPARE(s.Select(table, QString(), QString()), 0);
    QVERIFY(!s.Exists(table, QString(), u"命令名='open'"_s));
    QCOMPARE(s.ColumnValues(list, table, u"命令名"_s, QString()), 0);
    QVERIFY(list.isEmpty());
    list = {u"stale"_s};
    QVERIFY(!s.FirstRowValues(table, {u"命令名"_s}, QString(), list));
    QVERIFY(list.isEmpty());
    QCOMPARE(s.TableRows(rows, table, {u"命令名"_s}, QString()), 0);
    QVERIFY(rows.isEmpty());
    QVERIFY(s.AtEnd());
    QCOMPARE(s.FieldText(u"命令名"_s), QString());
    QVERIFY(!s.lastError().isEmpty());
    if (!closed) // nothing was changed by the rejected statements
        QCOMPARE(lib.rows(Commands, {u"命令名"_s}).size(), 4);
}

void tst_SqlHelper::quoting_nameWithQuoteStoredAndFound()
{
    TempLibrary lib;
    fill(lib);
    SqlHelper &s = lib.store();
    const QString name = u"it's"_s;
    QCOMPARE(sqlQuoted(name), u"'it''s'"_s);
    QVERIFY2(s.Insert(Hints, u"命令,说明"_s, sqlQuoted(name) + u","_s + sqlQuoted(u"a 'b'"_s)),
             qPrintable(s.lastError()));
    QVERIFY(s.Exists(Hints, u"命令"_s, u"命令="_s + sqlQuoted(name)));
    QCOMPARE(s.FirstValue(Hints, u"说明"_s, u"命令="_s + sqlQuoted(name)), u"a 'b'"_s);
    QVERIFY(s.Update(Hints, u"命令="_s + sqlQuoted(u"'"_s), u"命令="_s + sqlQuoted(name)));
    QVERIFY(s.Exists(Hints, QString(), u"命令="_s + sqlQuoted(u"'"_s)));
    QVERIFY(s.DeleteWhere(Hints, u"命令="_s + sqlQuoted(u"'"_s)));
    QVERIFY(!s.Exists(Hints, QString(), u"命令="_s + sqlQuoted(u"'"_s)));
}

void tst_SqlHelper::quoting_craftedNameTouchesNothingElse()
{
    TempLibrary lib;
    fill(lib);
    SqlHelper &s = lib.store();
    const QString crafted = u"x' or '1'='1"_s;
    QVERIFY(!s.Exists(Commands, QString(), u"命令名="_s + sqlQuoted(crafted)));
    QVERIFY(s.Update(Commands, u"中文名="_s + sqlQuoted(u"改"_s), u"命令名="_s + sqlQuoted(crafted)));
    QVERIFY(s.DeleteWhere(Commands, u"命令名="_s + sqlQuoted(crafted)));
    QCOMPARE(lib.rows(Commands, {u"命令名"_s, u"中文名"_s}),
             (QStringList{u"open|打开"_s, u"close|"_s, u"read|读"_s, u"print|"_s}));
    // Stored as a name, it is found and removed like any other.
    QVERIFY(s.Insert(Commands, u"命令名,分类"_s, sqlQuoted(crafted) + u","_s + sqlQuoted(u"1"_s)));
    QVERIFY(s.DeleteWhere(Commands, u"命令名="_s + sqlQuoted(crafted)));
    QCOMPARE(lib.rows(Commands, {u"命令名"_s}).size(), 4);
}

void tst_SqlHelper::descriptions_storedWithStandIn()
{
    TempLibrary lib;
    fill(lib);
    SqlHelper &s = lib.store();
    const QString description = u"print('hi') # 它's"_s;
    QVERIFY(s.Update(Commands, u"说明="_s + sqlQuoted(EscapeQuotes(description)), u"命令名='close'"_s));
    QVERIFY(lib.reopen());
    const QString stored = s.FirstValue(Commands, u"说明"_s, u"命令名='close'"_s);
    QCOMPARE(stored, u"print(^!hi^!) # 它^!s"_s);
    QCOMPARE(UnescapeQuotes(stored), description);
}

void tst_SqlHelper::open_refusesWhatIsNotJet4()
{
    QTemporaryDir dir;
    SqlHelper s;
    const QString missing = dir.filePath(u"none.mdb"_s);
    QVERIFY(!s.Open(missing, QString::fromLatin1(DatabasePassword)));
    QVERIFY(!QFile::exists(missing));
    const QString junkPath = dir.filePath(u"junk.mdb"_s);
    const QByteArray junk = QByteArray(4096 * 3, 'j');
    QFile file(junkPath);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(junk);
    file.close();
    QVERIFY(!s.Open(junkPath, QString::fromLatin1(DatabasePassword)));
    QVERIFY(!s.isOpen());
    QVERIFY(!s.lastError().isEmpty());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), junk);
    // A created library opens with the fixed password.
    const QString good = dir.filePath(u"qbxdb.mdb"_s);
    QVERIFY(Qb::Jet::Database::createLibrary(QFile::encodeName(good).toStdString()).has_value());
    QVERIFY(s.Open(good, QString::fromLatin1(DatabasePassword)));
    QVERIFY(s.isOpen());
}

QTEST_APPLESS_MAIN(tst_SqlHelper)
#include "tst_sqlhelper.moc"
