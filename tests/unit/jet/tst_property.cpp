// SPDX-License-Identifier: GPL-3.0-or-later
// Random insert, update and delete statements against an in-memory model: after every batch
// the engine's own reader, mdbtools and mdb-reader show exactly the model's rows and every
// index is a sound B-tree holding one entry per row; new rows and memos reuse freed space, so
// the library stops growing while its row count holds. On the program's library and on a copy
// of a real Access file (Northwind's Order Details, whose indexes split).
#include "jet/checker.h"
#include "jet/database.h"
#include "jet/write/emptylibrary.h"
#include "jet/jetdatabase.h"
#include "jet/storage/pagesource.h"

#include "support/fixtures.h"
#include "writetest_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <set>

using namespace Qb::Jet;
using Qb::Test::TempDir;
using Rows = std::vector<std::vector<std::string>>;

namespace {

constexpr const char *Password = "HPQVNRtoka3906";

unsigned seed()
{
    const char *env = std::getenv("QB_PROPERTY_SEED");
    return env ? unsigned(std::strtoul(env, nullptr, 10)) : 20261210u;
}

std::string sqlQuoted(const std::string &s)
{
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

std::string foldAscii(std::string s)
{
    for (char &c : s)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return s;
}

std::string jsonString(const std::string &s)
{
    std::string out = "\"";
    for (char c : s)
        out += (c == '"' || c == '\\') ? std::string("\\") + c : std::string(1, c);
    return out + "\"";
}

class Random
{
public:
    explicit Random(unsigned s) : m_gen(s) {}
    int range(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_gen); }
    bool chance(int percent) { return range(1, 100) <= percent; }

    // Text of `chars` characters from ASCII letters, digits, blanks, quotes and Chinese.
    std::string text(int chars, bool chinese)
    {
        static const std::vector<std::string> han = {"分", "类", "表", "命", "令", "库", "关", "键", "字", "打", "印", "文"};
        std::string s;
        for (int i = 0; i < chars; ++i) {
            const int k = range(0, 99);
            if (chinese && k < 30)
                s += han[std::size_t(range(0, int(han.size()) - 1))];
            else if (k < 35)
                s += "'";
            else if (k < 42)
                s += " ";
            else
                s += char(k % 2 ? 'a' + k % 26 : 'A' + k % 26);
        }
        return s;
    }
    // Memo lengths from empty to 64 KB, most of them short.
    int memoLength()
    {
        const int k = range(0, 99);
        return k < 30 ? range(0, 30) : k < 60 ? range(31, 700) : k < 85 ? range(700, 4100) : k < 97 ? range(4100, 20000)
                                                                                             : range(20000, 65536);
    }

private:
    std::mt19937 m_gen;
};

struct Command
{
    std::int64_t id;
    std::vector<std::string> fields; // 命令名, 中文名, 分类, 说明, 类型
};

class LibraryModel
{
public:
    std::map<std::int64_t, Command> rows;
    std::int64_t lastId = 0;

    Rows expected() const
    {
        Rows out;
        for (const auto &[id, c] : rows) {
            std::vector<std::string> r{std::to_string(id)};
            r.insert(r.end(), c.fields.begin(), c.fields.end());
            out.push_back(r);
        }
        return out;
    }
};

const std::vector<std::string> CommandColumns = {"命令名", "中文名", "分类", "说明", "类型"};

// One random statement of the program's shapes, applied to the model when it must succeed.
struct Op
{
    std::string sql;
    bool fails = false;
};

Op randomOp(Random &rnd, LibraryModel &m, std::vector<std::string> &names)
{
    const auto newFields = [&] {
        return std::vector<std::string>{names[std::size_t(rnd.range(0, int(names.size()) - 1))],
                                        rnd.text(rnd.range(0, 8), true), std::to_string(rnd.range(1, 999)),
                                        rnd.text(rnd.memoLength(), rnd.chance(40)),
                                        std::vector<std::string>{"无", "流程", "函数", "过程", ""}[std::size_t(rnd.range(0, 4))]};
    };
    const int k = rnd.range(0, 99);
    if (k < 45 || m.rows.empty()) {
        auto f = newFields();
        if (rnd.chance(3)) // a name longer than its column: refused, nothing changes
            return {"insert into 命令库(命令名,中文名,分类,说明,类型) values (" + sqlQuoted(std::string(256, 'n')) + ",'','1','','无')",
                    true};
        const std::int64_t id = ++m.lastId;
        m.rows[id] = {id, f};
        return {"insert into 命令库(命令名,中文名,分类,说明,类型) values (" + sqlQuoted(f[0]) + "," + sqlQuoted(f[1]) + ","
                + sqlQuoted(f[2]) + "," + sqlQuoted(f[3]) + "," + sqlQuoted(f[4]) + ")"};
    }
    auto it = m.rows.begin();
    std::advance(it, rnd.range(0, int(m.rows.size()) - 1));
    if (k < 70) {
        auto f = newFields();
        it->second.fields = f;
        return {"update 命令库 set 命令名=" + sqlQuoted(f[0]) + ",中文名=" + sqlQuoted(f[1]) + ",分类=" + sqlQuoted(f[2])
                + ",说明=" + sqlQuoted(f[3]) + ",类型=" + sqlQuoted(f[4]) + " where ID=" + std::to_string(it->first)};
    }
    const std::string name = it->second.fields[0];
    if (k < 80) {
        const std::string memo = rnd.text(rnd.memoLength(), rnd.chance(50));
        for (auto &[id, c] : m.rows)
            if (foldAscii(c.fields[0]) == foldAscii(name))
                c.fields[3] = memo;
        return {"update 命令库 set 说明=" + sqlQuoted(memo) + " where 命令名=" + sqlQuoted(name)};
    }
    std::erase_if(m.rows, [&](const auto &e) { return foldAscii(e.second.fields[0]) == foldAscii(name); });
    return {"delete from 命令库 where 命令名=" + sqlQuoted(name)};
}

std::vector<std::string> mdbToolsExpected(const Rows &rows)
{
    std::vector<std::string> out;
    for (const auto &r : rows) {
        std::string record = r[0];
        for (std::size_t i = 1; i < r.size(); ++i)
            record += "\x1f" + (r[i].empty() ? std::string() : "\x02" + r[i] + "\x02");
        out.push_back(record);
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> mdbReaderExpected(const Rows &rows, const std::vector<std::string> &columns)
{
    std::vector<std::string> lines;
    for (const auto &r : rows) {
        std::string line = "{" + jsonString("ID") + ":" + r[0];
        for (std::size_t i = 1; i < r.size(); ++i)
            line += "," + jsonString(columns[i - 1]) + ":" + jsonString(r[i]);
        lines.push_back(line + "}");
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::vector<std::string> sortedRecords(const std::string &text, char separator)
{
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find(separator, at);
        out.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
        at = end == std::string::npos ? text.size() : end + 1;
    }
    std::sort(out.begin(), out.end());
    return out;
}

// "" when the record lists are equal, else the first differing record of each, shortened.
std::string firstDifference(const std::vector<std::string> &actual, const std::vector<std::string> &expected)
{
    for (std::size_t i = 0; i < std::max(actual.size(), expected.size()); ++i) {
        const std::string a = i < actual.size() ? actual[i] : "<none>";
        const std::string e = i < expected.size() ? expected[i] : "<none>";
        if (a == e)
            continue;
        std::size_t at = 0;
        while (at < a.size() && at < e.size() && a[at] == e[at])
            ++at;
        return "record " + std::to_string(i) + " of " + std::to_string(expected.size()) + " differs at byte "
               + std::to_string(at) + ": got [" + a.substr(at > 20 ? at - 20 : 0, 80) + "] want ["
               + e.substr(at > 20 ? at - 20 : 0, 80) + "]";
    }
    return "";
}

// Every real index of the table holds exactly one entry per row and is a sound tree, and the
// engine's structure check finds nothing wrong anywhere in the file.
void expectIndexesExact(JetDatabase &db, const std::string &table, std::size_t rows)
{
    const CheckReport report = checkDatabase(db);
    EXPECT_TRUE(report.ok()) << report.faults.size() << " faults, first: " << report.faults.front();
    const auto file = Qb::Test::sourceBytes(db.pages().source());
    const TableDef t = **db.tableDef(table);
    EXPECT_EQ(t.rowCount, rows);
    for (const RealIndexDef &idx : t.realIndexes) {
        const auto walk = Qb::Test::walkIndex(file, idx.rootPage, t.page);
        EXPECT_EQ(walk.fault, "") << table << " index at " << idx.rootPage;
        EXPECT_EQ(walk.entries.size(), rows) << table << " index at " << idx.rootPage;
    }
}

void expectExternalReadersAgree(JetDatabase &db, const std::string &table, const Rows &rows,
                                const std::vector<std::string> &columns, const std::string &path)
{
    const auto bytes = Qb::Test::sourceBytes(db.pages().source());
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char *>(bytes.data()),
                                                                  std::streamsize(bytes.size()));
    if (Qb::Test::haveMdbTools()) {
        const auto out = Qb::Test::runCommand("mdb-export -H -d \"$(printf '\\037')\" -R \"$(printf '\\036')\" -q \"$(printf '\\002')\" "
                                              + Qb::Test::shellQuote(path) + " " + table);
        ASSERT_TRUE(out);
        EXPECT_EQ(firstDifference(sortedRecords(*out, '\x1e'), mdbToolsExpected(rows)), "") << "mdb-export disagrees";
    }
    if (const std::string script = Qb::Test::mdbReaderRowsScript(); !script.empty()) {
        const auto json = Qb::Test::runCommand("node " + script + " " + Qb::Test::shellQuote(path) + " " + table);
        ASSERT_TRUE(json);
        EXPECT_EQ(firstDifference(sortedRecords(*json, '\n'), mdbReaderExpected(rows, columns)), "")
            << "mdb-reader disagrees";
    }
}

// Rows in ID order: new rows reuse the space of deleted ones, so scan order is not ID order.
Rows byId(Rows rows)
{
    std::sort(rows.begin(), rows.end(), [](const auto &a, const auto &b) { return std::stoll(a[0]) < std::stoll(b[0]); });
    return rows;
}

TEST(Property, randomStatementsOnTheLibraryMatchTheModel)
{
    const unsigned s = seed();
    SCOPED_TRACE("seed " + std::to_string(s) + " (set QB_PROPERTY_SEED to replay)");
    Random rnd(s);
    auto opened = Database::open(makeMemoryPageSource(EmptyLibrary::build(45000)), Password);
    ASSERT_TRUE(opened);
    auto &db = static_cast<JetDatabase &>(**opened);
    LibraryModel model;
    std::vector<std::string> names;
    for (int i = 0; i < 40; ++i)
        names.push_back(rnd.text(rnd.range(1, 12), i % 3 == 0));
    TempDir dir;
    std::uint32_t settledPages = 0;
    const int batches = 8, perBatch = 250;
    for (int b = 0; b < batches; ++b) {
        for (int i = 0; i < perBatch; ++i) {
            const Op op = randomOp(rnd, model, names);
            auto r = db.execute(op.sql);
            ASSERT_EQ(bool(r), !op.fails) << "batch " << b << " op " << i << ": " << op.sql.substr(0, 200)
                                          << (r ? "" : ": " + r.error().message);
        }
        SCOPED_TRACE("after batch " + std::to_string(b));
        const Rows expected = model.expected();
        ASSERT_EQ(byId(Qb::Test::tableRows(db, "命令库")), expected);
        EXPECT_EQ((*db.tableDef("命令库"))->autoNumber, std::uint32_t(model.lastId));
        expectIndexesExact(db, "命令库", expected.size());
        expectExternalReadersAgree(db, "命令库", expected, CommandColumns, dir.path("library.mdb"));
        // Deletes keep pace with inserts here (about 40 rows stay): freed space takes the new
        // rows and memos, so after two batches the file stops growing.
        const std::uint32_t pages = *db.pages().pageCount();
        if (b == 1)
            settledPages = pages;
        if (b > 1) {
            EXPECT_LE(pages, settledPages + settledPages / 2) << "after batch 1: " << settledPages << " pages";
        }
    }
}

// Order Details of the Northwind sample: a composite unique primary key and two more Long
// indexes over 2,155 rows; rows keep valid order and product numbers.
struct Detail
{
    std::int64_t order, product, quantity;
    auto operator<=>(const Detail &) const = default;
};

std::int64_t jsonInteger(const std::string &line, const std::string &key)
{
    const std::size_t at = line.find("\"" + key + "\":");
    return at == std::string::npos ? -1 : std::strtoll(line.c_str() + at + key.size() + 3, nullptr, 10);
}

std::vector<Detail> detailsFromRows(const Rows &rows)
{
    std::vector<Detail> out;
    for (const auto &r : rows)
        out.push_back({std::stoll(r[0]), std::stoll(r[1]), std::stoll(r[3])});
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<Detail> detailsFromCsv(const std::string &csv)
{
    std::vector<Detail> out;
    std::size_t at = csv.find('\n') + 1; // header
    while (at < csv.size()) {
        const std::size_t end = csv.find('\n', at);
        std::vector<std::string> f;
        std::string line = csv.substr(at, end - at), cell;
        for (char c : line + ",") {
            if (c == ',') {
                f.push_back(cell);
                cell.clear();
            } else {
                cell += c;
            }
        }
        out.push_back({std::stoll(f[0]), std::stoll(f[1]), std::stoll(f[3])});
        at = end + 1;
    }
    std::sort(out.begin(), out.end());
    return out;
}

TEST(Property, randomStatementsOnNorthwindOrderDetails)
{
    const std::string fixture = Qb::Test::jetFixture("northwind-Mahdisaeidi79.mdb");
    if (fixture.empty())
        GTEST_SKIP() << Qb::Test::NoSharedMessage;
    const unsigned s = seed();
    SCOPED_TRACE("seed " + std::to_string(s) + " (set QB_PROPERTY_SEED to replay)");
    Random rnd(s);
    auto opened = Database::open(makeMemoryPageSource(Qb::Test::readFile(fixture)), "");
    ASSERT_TRUE(opened) << opened.error().message;
    auto &db = static_cast<JetDatabase &>(**opened);
    const std::string table = "Order Details";
    std::map<std::pair<std::int64_t, std::int64_t>, std::int64_t> model;
    for (const Detail &d : detailsFromRows(Qb::Test::tableRows(db, "[" + table + "]")))
        model[{d.order, d.product}] = d.quantity;
    ASSERT_EQ(model.size(), 2155u);
    const auto indexPages = [&] {
        const TableDef t = **db.tableDef(table);
        std::size_t pages = 0;
        for (const RealIndexDef &idx : t.realIndexes)
            pages += Qb::Test::walkIndex(Qb::Test::sourceBytes(db.pages().source()), idx.rootPage, t.page).pages;
        return pages;
    };
    const std::size_t pagesBefore = indexPages();
    TempDir dir;
    const auto where = [](std::int64_t o, std::int64_t p) {
        return " where OrderID='" + std::to_string(o) + "' and ProductID='" + std::to_string(p) + "'";
    };
    for (int b = 0; b < 5; ++b) {
        for (int i = 0; i < 400; ++i) {
            const int k = rnd.range(0, 99);
            auto it = model.begin();
            std::advance(it, rnd.range(0, int(model.size()) - 1));
            std::string sql;
            bool fails = false;
            if (k < 55) {
                const std::int64_t order = rnd.range(10248, 11077), product = rnd.range(1, 77);
                const std::int64_t quantity = rnd.range(1, 500);
                fails = model.contains({order, product}); // the primary key refuses a second row
                if (!fails)
                    model[{order, product}] = quantity;
                sql = "insert into [" + table + "](OrderID,ProductID,UnitPrice,Quantity,Discount) values ('"
                      + std::to_string(order) + "','" + std::to_string(product) + "','12','" + std::to_string(quantity) + "','0')";
            } else if (k < 80) {
                sql = "delete from [" + table + "]" + where(it->first.first, it->first.second);
                model.erase(it);
            } else {
                const std::int64_t quantity = rnd.range(1, 500);
                sql = "update [" + table + "] set Quantity='" + std::to_string(quantity) + "'"
                      + where(it->first.first, it->first.second);
                it->second = quantity;
            }
            auto r = db.execute(sql);
            ASSERT_EQ(bool(r), !fails) << "batch " << b << " op " << i << ": " << sql << (r ? "" : ": " + r.error().message);
        }
        SCOPED_TRACE("after batch " + std::to_string(b));
        std::vector<Detail> expected;
        for (const auto &[key, q] : model)
            expected.push_back({key.first, key.second, q});
        ASSERT_EQ(detailsFromRows(Qb::Test::tableRows(db, "[" + table + "]")), expected);
        expectIndexesExact(db, table, expected.size());
        const std::string path = dir.path("northwind.mdb");
        const auto bytes = Qb::Test::sourceBytes(db.pages().source());
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
        if (Qb::Test::haveMdbTools()) {
            const auto csv = Qb::Test::runCommand("mdb-export " + Qb::Test::shellQuote(path) + " 'Order Details'");
            ASSERT_TRUE(csv);
            EXPECT_TRUE(detailsFromCsv(*csv) == expected) << "mdb-export disagrees";
        }
        if (const std::string script = Qb::Test::mdbReaderRowsScript(); !script.empty()) {
            const auto json = Qb::Test::runCommand("node " + script + " " + Qb::Test::shellQuote(path) + " 'Order Details'");
            ASSERT_TRUE(json);
            std::vector<Detail> got;
            for (const std::string &line : sortedRecords(*json, '\n'))
                got.push_back({jsonInteger(line, "OrderID"), jsonInteger(line, "ProductID"), jsonInteger(line, "Quantity")});
            std::sort(got.begin(), got.end());
            EXPECT_TRUE(got == expected) << "mdb-reader disagrees";
        }
    }
    EXPECT_GT(indexPages(), pagesBefore) << "the added rows split index pages";
}

} // namespace
