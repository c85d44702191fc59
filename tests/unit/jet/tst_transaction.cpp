// SPDX-License-Identifier: GPL-3.0-or-later
// Several statements as one transaction: they see each other's changes, commit together or leave
// every byte of the file as it was (rolled back, failed, or the database closed first); a long
// one writes its new pages ahead and still commits or rolls back whole.
#include "jet/checker.h"
#include "jet/database.h"
#include "jet/jetdatabase.h"
#include "jet/format/tabledef.h"
#include "jet/sql/tablescan.h"
#include "jet/storage/journal.h"

#include "writetest_support.h"

#include <gtest/gtest.h>

#include <functional>

using namespace Qb::Jet;
using Qb::Test::TempDir;
using Rows = std::vector<std::vector<std::string>>;

namespace {

constexpr const char *Password = "HPQVNRtoka3906";

std::string insertCommand(int i, std::size_t memo = 40)
{
    return "insert into 命令库(命令名,中文名,分类,说明,类型) values ('cmd" + std::to_string(i) + "','名','1','"
        + std::string(memo, char('a' + i % 26)) + "','函数')";
}

class Transaction : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_path = m_dir.path("qbxdb.mdb");
        ASSERT_TRUE(Database::createLibrary(m_path));
        reopen();
        ASSERT_TRUE(m_db->execute(insertCommand(0)));
        m_before = Qb::Test::readFile(m_path);
    }
    void reopen()
    {
        m_db.reset();
        auto db = Database::open(m_path, Password);
        ASSERT_TRUE(db) << db.error().message;
        m_db = std::move(*db);
    }
    JetDatabase &jet() { return static_cast<JetDatabase &>(*m_db); }
    Rows rows() { return Qb::Test::tableRows(*m_db, "命令库"); }
    void expectUnchanged()
    {
        EXPECT_EQ(Qb::Test::readFile(m_path), m_before) << "every byte as before the transaction";
        EXPECT_FALSE(Journal(m_path).pending());
    }

    TempDir m_dir;
    std::string m_path;
    std::unique_ptr<Database> m_db;
    std::vector<std::uint8_t> m_before;
};

TEST_F(Transaction, statementsSeeEachOtherAndCommitTogether)
{
    ASSERT_TRUE(m_db->beginTransaction());
    ASSERT_TRUE(m_db->execute(insertCommand(1)));
    ASSERT_EQ(m_db->execute("update 命令库 set 中文名='改' where ID=2"), 1u) << "the insert is seen";
    ASSERT_EQ(m_db->execute("delete from 命令库 where 命令名='cmd0'"), 1u);
    EXPECT_EQ(rows(), (Rows{{"2", "cmd1", "改", "1", std::string(40, 'b'), "函数"}}));
    EXPECT_EQ(Qb::Test::readFile(m_path), m_before) << "nothing reaches the file before the commit";
    ASSERT_TRUE(m_db->commitTransaction());
    reopen();
    EXPECT_EQ(rows(), (Rows{{"2", "cmd1", "改", "1", std::string(40, 'b'), "函数"}}));
    EXPECT_TRUE(checkDatabase(jet()).ok());
}

// A column index built before the transaction follows its statements, is kept by its commit
// and dropped by its rollback (the rows it named are gone).
TEST_F(Transaction, columnIndexFollowsTheTransaction)
{
    auto named = [&](const std::string &name) {
        auto cursor = m_db->query("select ID from 命令库 where 命令名='" + name + "'");
        EXPECT_TRUE(cursor);
        std::vector<std::string> ids;
        for (; cursor && !(*cursor)->atEnd(); (void)(*cursor)->next())
            ids.push_back(std::to_string(std::get<std::int64_t>((*cursor)->value(0))));
        return ids;
    };
    ASSERT_EQ(named("cmd0"), std::vector<std::string>{"1"});
    for (const bool commit : {false, true}) {
        SCOPED_TRACE(commit ? "committed" : "rolled back");
        const std::size_t builds = jet().columnIndexBuilds();
        ASSERT_TRUE(m_db->beginTransaction());
        ASSERT_TRUE(m_db->execute(insertCommand(1)));
        ASSERT_TRUE(m_db->execute("delete from 命令库 where 命令名='cmd0'"));
        EXPECT_EQ(named("cmd1"), std::vector<std::string>{"2"});
        EXPECT_EQ(named("cmd0"), std::vector<std::string>{});
        EXPECT_EQ(jet().columnIndexBuilds(), builds) << "the index followed the statements";
        if (commit)
            ASSERT_TRUE(m_db->commitTransaction());
        else
            m_db->rollbackTransaction();
        EXPECT_EQ(named("cmd1"), commit ? std::vector<std::string>{"2"} : std::vector<std::string>{});
        EXPECT_EQ(named("cmd0"), commit ? std::vector<std::string>{} : std::vector<std::string>{"1"});
        EXPECT_EQ(jet().columnIndexBuilds(), builds + (commit ? 0 : 1)) << "rebuilt after a rollback only";
    }
}

// The ways a transaction ends without its changes.
struct Undo
{
    const char *name;
    std::function<void(std::unique_ptr<Database> &)> end;
};

class TransactionUndone : public Transaction, public ::testing::WithParamInterface<Undo> {};

// New pages are written ahead from the second on, so each ending must also cut the file back.
TEST_P(TransactionUndone, leavesTheFileAsItWas)
{
    jet().setTransactionPageLimit(1);
    ASSERT_TRUE(m_db->beginTransaction());
    for (int i = 1; i <= 3; ++i)
        ASSERT_TRUE(m_db->execute(insertCommand(i, 3000)));
    ASSERT_TRUE(m_db->execute("update 命令库 set 说明='short' where ID=1"));
    ASSERT_GT(Qb::Test::readFile(m_path).size(), m_before.size());
    GetParam().end(m_db);
    expectUnchanged();
    reopen();
    EXPECT_EQ(rows().size(), 1u);
    EXPECT_TRUE(m_db->execute(insertCommand(9))) << "the database takes statements again";
}

INSTANTIATE_TEST_SUITE_P(
    Transaction, TransactionUndone,
    ::testing::Values(Undo{"rolledBack", [](std::unique_ptr<Database> &db) { db->rollbackTransaction(); }},
                      Undo{"statementFailsHalfway", // its memo is stored before the too long type
                           [](std::unique_ptr<Database> &db) {
                               auto failed = db->execute("insert into 命令库(说明,类型) values ('" + std::string(5000, 'x')
                                                         + "','" + std::string(60, 't') + "')");
                               ASSERT_FALSE(failed);
                               EXPECT_EQ(failed.error().code, ErrorCode::TooLong);
                               auto later = db->execute(insertCommand(5));
                               ASSERT_FALSE(later) << "later statements fail until the transaction ends";
                               EXPECT_NE(later.error().message.find("rolled back"), std::string::npos);
                               auto commit = db->commitTransaction();
                               ASSERT_FALSE(commit);
                               EXPECT_EQ(commit.error().code, ErrorCode::TooLong);
                           }},
                      Undo{"databaseClosed", [](std::unique_ptr<Database> &db) { db.reset(); }}),
    [](const auto &info) { return std::string(info.param.name); });

// The definition a statement's writer leaves is used by the next statement instead of being
// read again, and so is the table's list of data pages when no page joined or left it: after
// each step, in and out of a transaction, committed or rolled back, both must be what reading
// the pages gives. Long descriptions make rows spill onto new pages and empty old ones.
TEST_F(Transaction, keptDefinitionAndPageList_equalWhatThePagesHold)
{
    const auto expectCurrent = [&](const std::string &step) {
        auto kept = jet().tableDef("命令库");
        ASSERT_TRUE(kept) << step;
        auto read = readTableDef(jet().pages(), (*kept)->page);
        ASSERT_TRUE(read) << step;
        EXPECT_TRUE(**kept == *read) << step << ": row count " << (*kept)->rowCount << " kept, " << read->rowCount
                                     << " on the page; AutoNumber " << (*kept)->autoNumber << " kept, "
                                     << read->autoNumber << " on the page";
        auto keptPages = jet().dataPages(**kept);
        auto readPages = tableDataPages(jet().pages(), *read);
        ASSERT_TRUE(keptPages && readPages) << step;
        EXPECT_EQ(**keptPages, *readPages) << step;
    };
    for (int i = 10; i < 50; ++i)
        ASSERT_TRUE(m_db->execute("insert into 命令库(命令名,中文名) values ('n" + std::to_string(i) + "','short')"));
    expectCurrent("filled");
    const std::vector<std::pair<std::string, std::function<void()>>> steps{
        {"insert", [&] { ASSERT_TRUE(m_db->execute(insertCommand(1))); }},
        {"update", [&] { ASSERT_EQ(m_db->execute("update 命令库 set 中文名='改' where ID=2"), 1u); }},
        {"update of no row", [&] { ASSERT_EQ(m_db->execute("update 命令库 set 中文名='改' where ID=99"), 0u); }},
        {"insert with its own ID", [&] {
             ASSERT_TRUE(m_db->execute("insert into 命令库(ID,命令名) values (400,'forty')"));
         }},
        {"transaction, committed", [&] {
             ASSERT_TRUE(m_db->beginTransaction());
             ASSERT_TRUE(m_db->execute(insertCommand(2)));
             expectCurrent("inside the transaction");
             ASSERT_EQ(m_db->execute("delete from 命令库 where 命令名='cmd0'"), 1u);
             ASSERT_TRUE(m_db->commitTransaction());
         }},
        {"transaction, rolled back", [&] {
             ASSERT_TRUE(m_db->beginTransaction());
             ASSERT_TRUE(m_db->execute(insertCommand(3)));
             ASSERT_TRUE(m_db->execute(insertCommand(4)));
             m_db->rollbackTransaction();
         }},
        {"failed statement", [&] { ASSERT_FALSE(m_db->execute("insert into 命令库(ID,命令名) values (400,'twice')")); }},
        {"delete", [&] { ASSERT_EQ(m_db->execute("delete from 命令库 where ID=400"), 1u); }},
        {"rows grown onto new pages", [&] {
             const std::string wide = "update 命令库 set 中文名='" + std::string(250, 'y') + "' where 命令名 like ";
             ASSERT_EQ(m_db->execute(wide + "'n2%'"), 10u);
             ASSERT_EQ(m_db->execute(wide + "'n3%'"), 10u);
         }},
        {"rows of whole pages deleted", [&] { ASSERT_EQ(m_db->execute("delete from 命令库 where 命令名 like 'n%'"), 40u); }},
    };
    for (const auto &[step, run] : steps) {
        run();
        expectCurrent(step);
    }
    reopen();
    expectCurrent("reopened");
    EXPECT_TRUE(checkDatabase(jet()).ok());
}

TEST_F(Transaction, wrongUseIsRefused)
{
    EXPECT_EQ(m_db->commitTransaction().error().code, ErrorCode::Unsupported);
    ASSERT_TRUE(m_db->beginTransaction());
    EXPECT_EQ(m_db->beginTransaction().error().code, ErrorCode::Unsupported);
    m_db->rollbackTransaction();
    auto reader = Database::open(m_path, Password, Database::Mode::ReadOnly);
    ASSERT_TRUE(reader);
    EXPECT_EQ((*reader)->beginTransaction().error().code, ErrorCode::ReadOnly);
}

// With a small page limit the new pages go to the file between statements; the commit and the
// rollback still take the transaction whole.
TEST_F(Transaction, longTransactionWritesAheadAndEndsWhole)
{
    jet().setTransactionPageLimit(4);
    for (const bool commit : {false, true}) {
        SCOPED_TRACE(commit ? "committed" : "rolled back");
        ASSERT_TRUE(m_db->beginTransaction());
        for (int i = 1; i <= 40; ++i)
            ASSERT_TRUE(m_db->execute(insertCommand(i, 5000)));
        ASSERT_TRUE(m_db->execute("update 命令库 set 说明='' where ID=3"));
        EXPECT_GT(Qb::Test::readFile(m_path).size(), m_before.size() + 20 * PageSize) << "pages written ahead";
        EXPECT_EQ(rows().size(), 41u);
        if (!commit) {
            m_db->rollbackTransaction();
            expectUnchanged();
            continue;
        }
        ASSERT_TRUE(m_db->commitTransaction());
    }
    reopen();
    const Rows all = rows();
    ASSERT_EQ(all.size(), 41u);
    EXPECT_EQ(all[2][4], "");
    EXPECT_EQ(all[40][4], std::string(5000, char('a' + 40 % 26)));
    const CheckReport report = checkDatabase(jet());
    EXPECT_TRUE(report.ok()) << report.faults.front();
}

} // namespace
