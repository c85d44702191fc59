// SPDX-License-Identifier: GPL-3.0-or-later
// The ordered column index answers "like" and "=" on a Text column with exactly the rows, in
// exactly the order, that a full table scan gives: mixed case, non-ASCII text, entries that are
// prefixes of each other, NULL and empty values, and after every kind of write the engine makes,
// without scanning the table again.
#include "jet/jetdatabase.h"
#include "jet/format/text.h"
#include "jet/sql/likepattern.h"
#include "jet/storage/pagesource.h"
#include "jet/write/emptylibrary.h"
#include "writetest_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>

using namespace Qb::Jet;

namespace {

using Values = std::vector<std::optional<std::string>>;

std::string quoted(const std::string &text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

class ColumnIndexTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto db = JetDatabase::open(makeMemoryPageSource(EmptyLibrary::build(45000.0)), "HPQVNRtoka3906",
                                    Database::Mode::ReadWrite);
        ASSERT_TRUE(db) << db.error().message;
        m_db = std::move(*db);
    }

    void exec(const std::string &sql)
    {
        auto done = m_db->execute(sql);
        ASSERT_TRUE(done) << sql << ": " << done.error().message;
    }
    void insert(const std::optional<std::string> &hint, const std::string &description = "d")
    {
        exec(hint ? "insert into 命令表(命令,说明) values (" + quoted(*hint) + "," + quoted(description) + ")"
                  : "insert into 命令表(说明) values (" + quoted(description) + ")");
    }

    // One column (命令 unless named) of a query's rows, in the order the cursor gives them.
    Values column(const std::string &sql, const std::string &name = "命令")
    {
        Values out;
        auto cursor = m_db->query(sql);
        EXPECT_TRUE(cursor) << sql << ": " << (cursor ? "" : cursor.error().message);
        if (!cursor)
            return out;
        const auto at = std::size_t((*cursor)->columnIndex(name));
        for (; !(*cursor)->atEnd(); (void)(*cursor)->next()) {
            const Value &v = (*cursor)->value(at);
            out.push_back(isNull(v) ? std::nullopt : std::optional(std::get<std::string>(v)));
        }
        return out;
    }

    // What a full scan with the pattern applied to every row gives.
    Values scanned(const std::string &pattern, bool equality)
    {
        const LikePattern like(pattern);
        const std::u16string folded = foldedUtf16(pattern);
        Values out;
        for (const auto &v : column("select * from 命令表"))
            if (v && (equality ? foldedUtf16(*v) == folded : like.matches(foldedUtf16(*v))))
                out.push_back(v);
        return out;
    }

    void expectIndexEqualsScan(const std::vector<std::string> &patterns)
    {
        for (const std::string &p : patterns) {
            EXPECT_EQ(column("select * from 命令表 where  命令 like " + quoted(p)), scanned(p, false)) << "like " << p;
            // Only the indexed column selected: answered from the index without reading rows.
            EXPECT_EQ(column("select 命令 from 命令表 where 命令 like " + quoted(p)), scanned(p, false)) << "like " << p;
            EXPECT_EQ(column("select 命令 from 命令表 where 命令=" + quoted(p)), scanned(p, true)) << "= " << p;
        }
    }

    std::unique_ptr<JetDatabase> m_db;
};

// Prefixes of each other, every case form, Latin-1, Cyrillic and Chinese text, a quote, NULL
// and the empty text, inserted out of order so table order differs from text order.
const std::vector<std::optional<std::string>> Entries{
    "print(", "PRI", "private", "p", "Print", "pr", "prüfen", "PRÜFEN", "Ärger", "ärger", "привет", "ПРИВЕТ",
    "打印", "打", "pr打", std::nullopt, "", "it's", "PRINT(", "zeta", "pri", "print(x)", "pR"};

const std::vector<std::string> Patterns{
    "P%", "PR%", "PRI%", "PRINT(%", "print(x)%", "PRIX%", "pr%", "PRÜ%", "ä%", "Ä%", "ПРИ%", "при%", "打%",
    "打印%", "IT'S%", "%", "", "%int%", "p_i%", "_r%", "pri", "PRINT(", "z%"};

TEST_F(ColumnIndexTest, likeAndEquality_equalTheScan)
{
    for (const auto &e : Entries)
        insert(e);
    expectIndexEqualsScan(Patterns);
    // The index itself, not only the result: PRI% is the four entries in table order.
    EXPECT_EQ(column("select * from 命令表 where  命令 like 'PRI%'"),
              (Values{"print(", "PRI", "private", "Print", "PRINT(", "pri", "print(x)"}));
}

// A build over more rows than it samples: 命令 holds distinct names that share long beginnings
// and end inside one another (so the first rows look unrepeated), then other case forms of
// earlier names; 说明 holds a few values in many case forms. Equal folded texts of different
// stored forms must form one range in table order.
TEST_F(ColumnIndexTest, buildOverManyRows_equalsTheScan)
{
    const std::vector<std::string> forms{"Print", "PRINT", "print", "prínt", "PRÍNT", "打印", ""};
    for (int i = 0; i < 4400; ++i) {
        const std::string name = i < 4200 ? "module.function_" + std::to_string(i % 1400) + std::string(std::size_t(i / 1400), 'x')
                                          : (i % 2 ? "MODULE.FUNCTION_" : "Module.Function_") + std::to_string(i % 40);
        insert(name, forms[std::size_t(i) % forms.size()]);
    }
    expectIndexEqualsScan({"module.function_1%", "MODULE.FUNCTION_12%", "module.function_13x%", "%x", "%xx",
                           "module.function_7", "MODULE.FUNCTION_39", "module.function_139x", "m%", "%"});
    for (const std::string &form : forms) {
        Values expected;
        for (const auto &v : column("select * from 命令表", "说明"))
            if (v && foldedUtf16(*v) == foldedUtf16(form))
                expected.push_back(v);
        EXPECT_EQ(column("select 说明 from 命令表 where 说明=" + quoted(form), "说明"), expected) << "= " << form;
    }
    // Print, PRINT and print: 629 rows each (the accented forms fold apart).
    EXPECT_EQ(column("select 说明 from 命令表 where 说明='print'", "说明").size(), 3 * 629u);
}

TEST_F(ColumnIndexTest, writes_keepTheIndexWithoutRescan)
{
    // Descriptions long enough that the rows nearly fill their page.
    for (const auto &e : Entries)
        insert(e, std::string(130, 'd'));
    std::string wide;
    for (int i = 0; i < 255; ++i)
        wide += "说";
    ASSERT_EQ(column("select * from 命令表 where  命令 like 'PR%'").size(), 12u);
    const std::size_t builds = m_db->columnIndexBuilds();

    const std::vector<std::string> writes{
        "insert into 命令表(命令,说明) values ('prior','new')",
        "insert into 命令表(命令,说明) values ('PRIOR','new upper')",
        "insert into 命令表(说明) values ('null hint')",
        "update 命令表 set 命令='Zprint' where 命令='print('",          // leaves the PR range
        "update 命令表 set 命令='prank' where 命令='zeta'",             // enters it
        "update 命令表 set 命令='pr' where 说明='null hint'",            // NULL becomes text
        "update 命令表 set 说明='" + wide + "' where 命令='pri'",      // the row moves off its full page
        "update 命令表 set 命令='PRI2' where 命令='pri'",                // the moved row's text changes
        "delete from 命令表 where 命令='private'",
        "delete from 命令表 where 命令 like 'ПР%'",
        "insert into 命令表(命令,说明) values ('private','back')",       // may reuse the freed slot
    };
    for (const std::string &sql : writes) {
        SCOPED_TRACE(sql);
        exec(sql);
        expectIndexEqualsScan({"P%", "PR%", "PRI%", "PRIO%", "Z%", "при%", "%", "%ri%"});
    }
    const auto flags = Qb::Test::slotFlags(Qb::Test::sourceBytes(m_db->pages().source()), (*m_db->tableDef("命令表"))->page);
    EXPECT_TRUE(std::ranges::any_of(flags, [](std::uint16_t f) { return (f & 0xC000) == 0x4000; }))
        << "no row was moved, so the moved-row case went untested";
    // The statements that found their rows through "where 命令" used the kept index; only the
    // one that looked for 说明 built an index (on 说明, dropped again by its own write).
    EXPECT_EQ(m_db->columnIndexBuilds(), builds + 1);
}

TEST_F(ColumnIndexTest, indexBuiltByTheWritesOwnWhereClause_followsTheWrite)
{
    for (const auto &e : Entries)
        insert(e);
    // No index exists yet: the delete's own where clause builds it, then removes a row it names.
    exec("delete from 命令表 where 命令='pr'");
    expectIndexEqualsScan({"PR%", "pr"});
    // The first condition (on 说明) builds an index on 说明 while the statement changes 说明:
    // that index must not survive the write unchanged.
    exec("update 命令表 set 说明='e' where 说明='d' and 命令 like 'PRIN%'");
    EXPECT_EQ(column("select * from 命令表 where 说明='e'"), (Values{"print(", "Print", "PRINT(", "print(x)"}));
    exec("update 命令表 set 命令='xyz' where 说明='e' and 命令 like 'PRINT(%'");
    expectIndexEqualsScan({"PR%", "PRIN%", "X%"});
}

TEST_F(ColumnIndexTest, otherTablesWrites_keepTheIndex)
{
    insert("print(");
    ASSERT_EQ(column("select * from 命令表 where  命令 like 'P%'").size(), 1u);
    const std::size_t builds = m_db->columnIndexBuilds();
    exec("insert into 关键字表(关键字,颜色) values ('self','255')");
    exec("insert into 分类表(分类名,序号,父类,说明) values ('常用','1','0','')");
    EXPECT_EQ(column("select * from 命令表 where  命令 like 'P%'"), (Values{"print("}));
    EXPECT_EQ(m_db->columnIndexBuilds(), builds);
}

TEST_F(ColumnIndexTest, statementChangingThousandsOfRows_rebuildsTheIndex)
{
    for (int i = 0; i < 4200; ++i)
        insert("a" + std::to_string(i));
    ASSERT_EQ(column("select * from 命令表 where  命令 like 'A419%'").size(), 11u);
    const std::size_t builds = m_db->columnIndexBuilds();
    exec("update 命令表 set 命令='B' where 命令 like 'A%'");
    EXPECT_EQ(column("select * from 命令表 where  命令 like 'A%'"), Values{});
    EXPECT_EQ(column("select * from 命令表 where  命令 like 'B%'").size(), 4200u);
    EXPECT_EQ(m_db->columnIndexBuilds(), builds + 1);
}

// A row found through the index is decoded only as its values are read: a damaged memo shows
// as NULL there and ends the cursor with the fault at the next step, never as a silent row.
TEST_F(ColumnIndexTest, damagedValueOfAnIndexedRow_endsTheCursorWithTheFault)
{
    exec("insert into 命令库(命令名,中文名,分类,说明,类型) values ('print','','1','" + std::string(6000, 'm') + "','无')");
    exec("insert into 命令库(命令名,中文名,分类,说明,类型) values ('print','','2','short','无')");
    ASSERT_EQ(column("select * from 命令库 where 命令名='print'").size(), 2u); // builds the index
    // Every long-value row now names a next page past the end of the file.
    PageSource &source = m_db->pages().source();
    std::vector<std::uint8_t> page(PageSize);
    for (std::uint32_t p = 1; p < *source.pageCount(); ++p) {
        ASSERT_TRUE(source.read(p, page));
        if (page[0] != 0x01 || !std::equal(page.begin() + 4, page.begin() + 8, "LVAL"))
            continue;
        for (std::size_t i = 0, n = page[12] | (page[13] << 8); i < n; ++i) {
            const std::size_t start = (page[14 + 2 * i] | (page[15 + 2 * i] << 8)) & 0x1FFF;
            std::fill_n(page.begin() + std::ptrdiff_t(start + 1), 3, 0xEE);
        }
        ASSERT_TRUE(source.write(p, page));
    }
    m_db->pages().invalidateAll();

    auto cursor = m_db->query("select * from 命令库 where 命令名='print'");
    ASSERT_TRUE(cursor) << cursor.error().message;
    Cursor &c = **cursor;
    EXPECT_EQ(std::get<std::string>(c.value(std::size_t(c.columnIndex("命令名")))), "print");
    EXPECT_TRUE(isNull(c.value(std::size_t(c.columnIndex("说明")))));
    const auto next = c.next();
    ASSERT_FALSE(next) << "the damaged memo went unnoticed";
    EXPECT_TRUE(c.atEnd());
}

// Random inserts, updates and deletes over a small alphabet of mixed case, so values collide,
// share prefixes and move in and out of ranges; after each statement every one- and two-letter
// prefix gives what the scan gives. Then the same with lookups and writes whose patterns start
// with a wildcard, so the index stays in scan order throughout.
TEST_F(ColumnIndexTest, randomWrites_resultsEqualTheScan)
{
    for (const bool ordered : {true, false}) {
        SCOPED_TRACE(ordered ? "ordered" : "scan order");
        SetUp();
        std::mt19937 random(12);
        const std::string letters = "aAbB";
        const auto word = [&] {
            std::string w;
            for (int n = 1 + int(random() % 4); n > 0; --n)
                w += letters[random() % letters.size()];
            return w;
        };
        std::vector<std::string> patterns;
        for (char a : std::string("ab")) {
            patterns.push_back(ordered ? std::string(1, a) + "%" : "%" + std::string(1, a));
            for (char b : std::string("AB"))
                patterns.push_back(ordered ? std::string{a, b} + "%" : "%" + std::string{a, b} + "%");
        }
        for (int step = 0; step < 150; ++step) {
            const std::string where = ordered ? " where 命令=" + quoted(word()) : " where 命令 like " + quoted("%" + word());
            switch (random() % 4) {
            case 0:
            case 1: insert(word(), std::string(random() % 3 == 0 ? 250 : 1, 'd')); break;
            case 2: exec("update 命令表 set 命令=" + quoted(word()) + where); break;
            default: exec("delete from 命令表" + (ordered ? " where 命令 like " + quoted(word() + "%") : where)); break;
            }
            if (step % 10 != 9)
                continue;
            SCOPED_TRACE("step " + std::to_string(step));
            if (ordered)
                expectIndexEqualsScan(patterns);
            for (const std::string &p : patterns)
                EXPECT_EQ(column("select 命令 from 命令表 where 命令 like " + quoted(p)), scanned(p, false)) << "like " << p;
        }
        const TableDefRef def = *m_db->tableDef("命令表");
        EXPECT_EQ((*m_db->textColumnIndex(*def, std::size_t(def->findColumn("命令")), false))->isOrdered(), ordered);
        EXPECT_EQ(m_db->columnIndexBuilds(), 1u) << "every write kept the index";
    }
}

// A build leaves the entries in scan order; every lookup gives the same rows, in the same order,
// before and after the index is ordered.
TEST_F(ColumnIndexTest, unorderedIndex_answersAsTheOrderedOne)
{
    for (const auto &e : Entries)
        insert(e);
    const TableDefRef def = *m_db->tableDef("命令表");
    const auto column = std::size_t(def->findColumn("命令"));
    auto built = m_db->textColumnIndexes(*def, {column}, false);
    ASSERT_TRUE(built) << built.error().message;
    const TextColumnIndex &index = *built->front();
    ASSERT_FALSE(index.isOrdered());
    using Found = std::vector<std::pair<RowLocation, std::string>>;
    const auto rowsOf = [](const IndexedRows &rows) {
        Found out;
        for (const auto &r : rows.rows)
            out.emplace_back(r.at, std::string(rows.text(r)));
        return out;
    };
    const auto lookUpAll = [&] {
        std::vector<Found> out;
        for (const std::string &p : Patterns) {
            out.push_back(rowsOf(index.matching(LikePattern(p))));
            out.push_back(rowsOf(index.equalTo(foldedUtf16(p))));
        }
        return out;
    };
    const std::vector<Found> unordered = lookUpAll();
    ASSERT_TRUE(m_db->textColumnIndex(*def, column, true));
    ASSERT_TRUE(index.isOrdered());
    EXPECT_EQ(lookUpAll(), unordered);
    EXPECT_EQ(unordered[0].size(), 13u) << "P% finds the thirteen names starting with p";
}

// "a like 'p' or b like 'q'" is answered from the indexes of both columns (built together) and
// gives what the scan gives, a row that both patterns match once, before and after writes.
TEST_F(ColumnIndexTest, orOfLikes_equalsTheScan)
{
    for (std::size_t i = 0; i < Entries.size(); ++i) {
        const auto &name = Entries[i];
        const auto &chinese = Entries[(i * 5 + 3) % Entries.size()];
        exec("insert into 命令库(" + std::string(name ? "命令名," : "") + (chinese ? "中文名," : "") + "分类) values ("
             + (name ? quoted(*name) + "," : "") + (chinese ? quoted(*chinese) + "," : "") + "'1')");
    }
    const std::vector<std::pair<std::string, std::string>> cases{
        {"%pr%", "%打%"}, {"PRI%", "%印"}, {"%", "%"}, {"%ri%", "%RI%"}, {"zeta", "it's"}, {"_r%", "%x"}, {"%q%", "%q%"}};
    const auto check = [&](bool leadingWildcardsOnly) {
        for (const auto &[a, b] : cases) {
            if (leadingWildcardsOnly && (a[0] != '%' || b[0] != '%'))
                continue;
            const std::string where = " where 命令名 like " + quoted(a) + " or 中文名 like " + quoted(b);
            // The extra alternative no index answers makes it a scan.
            EXPECT_EQ(column("select ID, 命令名 from 命令库" + where, "命令名"),
                      column("select ID, 命令名 from 命令库" + where + " or ID < 0", "命令名"))
                << a << " / " << b;
        }
    };
    // Lookups that read every entry leave the indexes in scan order, and the writes follow them
    // there; the other lookups order them, and later writes follow the ordered entries.
    const auto unordered = [&] {
        const TableDefRef def = *m_db->tableDef("命令库");
        auto indexes = m_db->textColumnIndexes(*def, {std::size_t(def->findColumn("命令名")),
                                                      std::size_t(def->findColumn("中文名"))}, false);
        return indexes && !(*indexes)[0]->isOrdered() && !(*indexes)[1]->isOrdered();
    };
    const std::vector<std::string> writes{"insert into 命令库(命令名,中文名,分类) values ('prq','打q','2')",
                                          "update 命令库 set 中文名='PRIX' where 命令名 like '%zeta'",
                                          "delete from 命令库 where 命令名 like '%RI%'"};
    for (bool leadingOnly : {true, false}) {
        SCOPED_TRACE(leadingOnly ? "scan order" : "ordered");
        check(leadingOnly);
        EXPECT_EQ(unordered(), leadingOnly);
        for (const std::string &sql : writes) {
            exec(sql);
            check(leadingOnly);
        }
        EXPECT_EQ(unordered(), leadingOnly);
        exec("insert into 命令库(命令名,中文名,分类) values ('print(','打印','1')");
    }
    EXPECT_EQ(m_db->columnIndexBuilds(), 2u) << "both columns' indexes, once each, kept by every write";
}

// The two indexes an "or" of two columns needs cost the pages of one scan, not two.
TEST_F(ColumnIndexTest, orOfLikes_buildsBothIndexesByOneScan)
{
    ASSERT_TRUE(m_db->beginTransaction());
    for (int i = 0; i < 600; ++i)
        exec("insert into 命令库(命令名,中文名,分类) values ('name" + std::to_string(i) + "','" + std::string(200, 'n')
             + std::to_string(i) + "','1')");
    ASSERT_TRUE(m_db->commitTransaction());
    const std::vector<std::uint8_t> file = Qb::Test::sourceBytes(m_db->pages().source());
    const auto readsFor = [&](const std::string &where) {
        std::size_t reads = 0;
        auto db = JetDatabase::open(std::make_unique<Qb::Test::ReadWatchingSource>(makeMemoryPageSource(file), [&reads](std::uint32_t) { ++reads; }), "HPQVNRtoka3906",
                                    Database::Mode::ReadOnly);
        EXPECT_TRUE(db);
        reads = 0;
        auto cursor = (*db)->query("select ID from 命令库 where " + where);
        EXPECT_TRUE(cursor && (**cursor).atEnd()) << where;
        EXPECT_EQ((*db)->columnIndexBuilds(), where.find(" or ") == std::string::npos ? 1u : 2u) << where;
        return reads;
    };
    const std::size_t one = readsFor("命令名 like '%none%'");
    ASSERT_GT(one, 30u) << "the fixture is too small to show a second scan";
    EXPECT_EQ(readsFor("命令名 like '%none%' or 中文名 like '%none%'"), one);
}

} // namespace

// The index alone, against a plain model, over enough entries that additions split its blocks
// and removals empty and merge them: runs of equal texts spanning blocks, additions at either
// end, everything removed and added again. After each phase every range lookup gives the
// model's rows in scan order, and a removal of an entry that is not there is refused; long
// churn keeps the store of values bounded.
TEST(TextColumnIndexBlocks, manyAdditionsAndRemovals_equalTheModel)
{
    struct Row
    {
        RowLocation at;
        std::string text;
    };
    std::vector<Row> model;
    TextColumnIndex index(0);
    std::mt19937 random(5);
    std::uint32_t nextPage = 1;
    const auto textFor = [&](int kind) {
        switch (kind) {
        case 0: return std::string("same"); // thousands of equal texts
        case 1: return "a" + std::to_string(random() % 3000);
        case 2: return "zz" + std::to_string(nextPage); // always past every other entry
        default: return std::string(1, "AbcDe"[random() % 5]) + std::to_string(random() % 100);
        }
    };
    const auto addOne = [&](int kind) {
        const Row row{{nextPage++, std::uint16_t(random() % 200)}, textFor(kind)};
        index.add(row.at, foldedUtf16(row.text), row.text);
        model.push_back(row);
    };
    const auto removeSome = [&](std::size_t count) {
        for (std::size_t k = 0; k < count && !model.empty(); ++k) {
            const std::size_t i = random() % model.size();
            ASSERT_TRUE(index.remove(model[i].at, foldedUtf16(model[i].text))) << model[i].text;
            ASSERT_FALSE(index.remove(model[i].at, foldedUtf16(model[i].text))) << "removed twice: " << model[i].text;
            model.erase(model.begin() + std::ptrdiff_t(i));
        }
    };
    const auto expectModel = [&](const std::string &phase) {
        SCOPED_TRACE(phase);
        ASSERT_EQ(index.size(), model.size());
        for (const std::string pattern : {"%", "a1%", "a2999%", "same%", "zz%", "b%", "e9%", "%9", "q%"}) {
            const LikePattern like(pattern);
            std::vector<std::pair<RowLocation, std::string>> expected, found;
            for (const Row &r : model)
                if (like.matches(foldedUtf16(r.text)))
                    expected.emplace_back(r.at, r.text);
            std::ranges::sort(expected);
            const IndexedRows rows = index.matching(like);
            for (const auto &row : rows.rows)
                found.emplace_back(row.at, std::string(rows.text(row)));
            EXPECT_EQ(found, expected) << "like " << pattern;
        }
        EXPECT_EQ(index.equalTo(u"same").rows.size(),
                  std::size_t(std::ranges::count(model, std::string("same"), &Row::text)));
    };

    for (int i = 0; i < 6000; ++i)
        addOne(int(random() % 4));
    expectModel("added");
    removeSome(4000);
    expectModel("most removed");
    for (int i = 0; i < 3000; ++i)
        addOne(i % 2 ? 2 : 0);
    expectModel("added at the end and among equal texts");
    removeSome(model.size());
    expectModel("all removed");
    EXPECT_FALSE(index.remove({1, 1}, u"same"));
    for (int i = 0; i < 700; ++i)
        addOne(3);
    expectModel("added again");

    // Values of removed entries are dropped from the index's text store now and then: after
    // churn far beyond the live texts the store stays within twice them (plus its slack) and
    // every value still reads back.
    for (int i = 0; i < 20000; ++i) {
        const Row row{{nextPage++, 1}, "churn" + std::string(40, char('a' + i % 26))};
        index.add(row.at, foldedUtf16(row.text), row.text);
        model.push_back(row);
        removeSome(1);
    }
    expectModel("churned");
    std::size_t live = 0;
    for (const Row &r : model)
        live += r.text.size();
    EXPECT_LE(index.textBytes(), 2 * live + 65536 + 64);
}

// A read of the first rows only ("top 1": does a category have a command?) scans for its
// condition instead of indexing the column, and stops at the first match; once such scans have
// passed as many rows as the table holds, the next one builds the index. The answers are the
// same either way, and a scan sees the engine's own writes.
TEST_F(ColumnIndexTest, shortReads_scanUntilTheyHavePassedTheTable)
{
    for (int i = 0; i < 200; ++i)
        insert("c" + std::to_string(i), "cat" + std::to_string(i % 5));
    const std::size_t builds = m_db->columnIndexBuilds();
    for (int c = 4; c >= 0; --c) {
        EXPECT_EQ(column("select top 1 命令 from 命令表 where 说明='CAT" + std::to_string(c) + "'"),
                  (Values{"c" + std::to_string(c)}));
        EXPECT_EQ(m_db->columnIndexBuilds(), builds) << c;
    }
    insert("late", "new");
    // The new row is the last one: finding it passes every row, which spends the allowance.
    EXPECT_EQ(column("select top 1 命令 from 命令表 where 说明='new'"), (Values{"late"}));
    EXPECT_EQ(m_db->columnIndexBuilds(), builds);
    EXPECT_EQ(column("select top 1 命令 from 命令表 where 说明='none'"), Values{});
    EXPECT_EQ(m_db->columnIndexBuilds(), builds + 1);
    EXPECT_EQ(column("select top 2 命令 from 命令表 where 说明='cat3'"), (Values{"c3", "c8"}));
    EXPECT_EQ(column("select top 1 命令 from 命令表 where 说明='new'"), (Values{"late"}));
    EXPECT_EQ(m_db->columnIndexBuilds(), builds + 1);
}
