// SPDX-License-Identifier: GPL-3.0-or-later
// Running parsed statements: a statement handed over (its text literals move into the rows)
// writes the same rows as a copy of it handed over while the parsed one stays as it was, long
// memo text and doubled quotes included, through inserts and an update that follows them.
#include "jet/sql/sqlexec.h"

#include "jet/jetdatabase.h"
#include "jet/sql/sqlparser.h"
#include "jet/storage/pagesource.h"
#include "jet/write/emptylibrary.h"
#include "jet/write/txwriter.h"

#include <gtest/gtest.h>

#include <utility>

using namespace Qb::Jet;

namespace {

using Rows = std::vector<std::vector<std::string>>; // every value is text here

// The rows of 命令库 after each statement of `script` ran in a transaction of its own.
Rows rowsAfter(const std::vector<std::string> &script, bool handedOver)
{
    auto db = JetDatabase::open(makeMemoryPageSource(EmptyLibrary::build(45000.0)), "HPQVNRtoka3906",
                                Database::Mode::ReadWrite);
    EXPECT_TRUE(db) << db.error().message;
    for (const std::string &sql : script) {
        auto statement = parseStatement(sql);
        EXPECT_TRUE(statement) << statement.error().message;
        TxWriter tx((*db)->pages());
        StatementChanges changes;
        auto changed = handedOver ? executeStatement(**db, tx, std::move(*statement), changes)
                                  : executeStatement(**db, tx, Statement(std::as_const(*statement)), changes);
        EXPECT_TRUE(changed && *changed == 1) << sql.substr(0, 60);
        EXPECT_TRUE(tx.commit(nullptr));
        EXPECT_TRUE((*db)->invalidate());
    }
    auto cursor = (*db)->query("select 命令名, 说明, 类型 from 命令库");
    EXPECT_TRUE(cursor) << cursor.error().message;
    Rows rows;
    while (cursor && !(*cursor)->atEnd()) {
        auto &row = rows.emplace_back();
        for (std::size_t column = 0; column < 3; ++column)
            row.emplace_back((*cursor)->textView(column).value_or("<not text>"));
        EXPECT_TRUE((*cursor)->next());
    }
    return rows;
}

TEST(ExecuteStatement, handedOverWritesTheRowsACopyWrites)
{
    std::string longText;
    for (int i = 0; i < 300; ++i)
        longText += "    print('第" + std::to_string(i) + "行')  # 注释\r\n";
    const auto quoted = [](std::string text) {
        for (std::size_t at = 0; (at = text.find('\'', at)) != std::string::npos; at += 2)
            text.insert(at, 1, '\'');
        return "'" + text + "'";
    };
    const std::vector<std::string> script = {
        "insert into 命令库(命令名,中文名,分类,说明,类型) values ('print()','打印','1'," + quoted(longText) + ",'函数')",
        "insert into 命令库(命令名,说明,类型) values ('len()','it''s short',2)",
        "update 命令库 set 说明=" + quoted(longText + "x") + ", 类型='方法' where 命令名='print()'"};
    const Rows expected = {{"print()", longText + "x", "方法"}, {"len()", "it's short", "2"}};
    EXPECT_EQ(rowsAfter(script, false), expected);
    EXPECT_EQ(rowsAfter(script, true), expected);
}

} // namespace
