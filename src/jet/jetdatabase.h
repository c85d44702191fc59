// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's Database implementation: one open file, its page cache, header, catalog and the
// table definitions decoded so far. Owned by whoever called Database::open; used from one thread.
// The write side builds on the accessors below and calls invalidate() after every change.
#pragma once

#include "jet/format/catalog.h"
#include "jet/sql/columnindex.h"
#include "jet/database.h"
#include "jet/storage/filelock.h"
#include "jet/format/header.h"
#include "jet/storage/journal.h"
#include "jet/storage/pagecache.h"
#include "jet/sql/sqlparser.h"
#include "jet/format/tabledef.h"
#include "jet/write/indexpagecache.h"
#include "jet/write/txwriter.h"

#include <map>
#include <memory>
#include <optional>

namespace Qb::Jet {

using TableDefRef = std::shared_ptr<const TableDef>;
using PageListRef = std::shared_ptr<const std::vector<std::uint32_t>>;

class SelectCursor;
struct StatementChanges;

class JetDatabase final : public Database
{
public:
    // Validates page 0, the password and the catalog. `source` must hold a whole file.
    static Result<std::unique_ptr<JetDatabase>> open(std::unique_ptr<PageSource> source, std::string_view password,
                                                     Mode mode);

    ~JetDatabase() override;

    std::vector<std::string> tableNames() const override;
    Result<std::unique_ptr<Cursor>> query(std::string_view sql) override;
    Result<std::uint64_t> execute(std::string_view sql) override;
    Result<void> beginTransaction() override;
    Result<void> commitTransaction() override;
    void rollbackTransaction() override;

    // Runs an already parsed select.
    Result<std::unique_ptr<SelectCursor>> select(const Statement &statement);

    PageCache &pages() { return m_pages; }
    const DatabaseHeader &header() const { return m_header; }
    Mode mode() const { return m_mode; }
    const Catalog &catalog() const { return m_catalog; }

    // The definition of a local table by name (system tables included), decoded again only
    // when its pages have changed.
    Result<TableDefRef> tableDef(std::string_view name);
    Result<TableDefRef> tableDefAt(std::uint32_t page);
    // The definition for a writer to own and change: taken over when nothing but `def` holds
    // it any more (a statement's writer then needs no copy), copied otherwise. The cache gives
    // it up either way; the writer's result comes back through the statement's changes.
    TableDef definitionForWriting(TableDefRef def);
    // The table's data pages from its owned-pages map, read again after a change to them.
    Result<PageListRef> dataPages(const TableDef &table);

    // The ordered folded text of Text column `column` of `table` (see TextColumnIndex), built
    // on first use and kept across the engine's own writes. Valid until the next write. With
    // `forRanges` it is ordered first (for equality and prefix lookups); a lookup that reads
    // every entry anyway passes false.
    Result<const TextColumnIndex *> textColumnIndex(const TableDef &table, std::size_t column, bool forRanges = true);
    // The same for several Text columns of one table, in the order given: those not built yet
    // are built together by one scan.
    Result<std::vector<const TextColumnIndex *>> textColumnIndexes(const TableDef &table,
                                                                  const std::vector<std::size_t> &columns,
                                                                  bool forRanges);
    // A read that wants only its first rows ("top N") of a Text column without a column index
    // scans instead of building one, as it usually stops after a few rows (whether a category
    // has any command). shortScanAllowed() says whether such scans have passed fewer rows in all
    // than the table holds; once they have, the next read builds the index, so a run of short
    // reads that find little costs at most one pass more than building the index at once.
    bool hasTextColumnIndex(const TableDef &table, std::size_t column) const
    {
        return m_textIndexes.contains(std::make_pair(table.page, column));
    }
    bool shortScanAllowed(const TableDef &table, std::size_t column) const;
    void noteShortScan(const TableDef &table, std::size_t column, std::uint64_t rowsPassed);
    // A recorder for a TableWriter on `table` when that table has column indexes, else nullptr;
    // hand it back to invalidate() once the statement has been committed.
    std::unique_ptr<ColumnIndexChanges> indexChangesFor(const TableDef &table) const;
    // The decoded index pages the writer keeps between statements (each checked against the
    // page's bytes before it is used).
    IndexPageCache &indexPages() { return m_indexPages; }
    // How many column indexes have been built by a table scan so far (for tests and benchmarks:
    // a write that keeps its indexes current does not add to it).
    std::size_t columnIndexBuilds() const { return m_columnIndexBuilds; }

    // Forgets the catalog, the page lists and the page count (re-read lazily), and ends every
    // open cursor; a definition is decoded again once its pages change. Call after any write. With `table` (the definition page of the
    // one table a statement wrote), the other tables keep their column indexes and that table's
    // follow the recorded `changes`; without `changes`, or when they do not fit an index, that
    // table's are dropped (rebuilt on next use). Without `table` every column index is dropped.
    // Cached pages stay: transactions keep them current, so a write to the page source that
    // bypasses them needs pages().invalidateAll().
    Result<void> invalidate(const ColumnIndexChanges *changes = nullptr, std::uint32_t table = 0);
    // The same without reading the catalog again: after a statement, which changes user tables
    // only (system tables are never written).
    void refreshAfterStatement(const ColumnIndexChanges *changes = nullptr, std::uint32_t table = 0);
    // Increases with every invalidate(); cursors compare it with the value they started with.
    std::uint64_t generation() const { return m_generation; }

    // The write side's hold on the file: the advisory lock and the journal beside it (set by
    // Database::open for files opened for writing; absent for bare page sources).
    void attachFile(std::optional<FileLock> lock, std::unique_ptr<Journal> journal)
    {
        m_lock = std::move(lock);
        m_journal = std::move(journal);
    }
    Journal *journal() { return m_journal.get(); }

    // How many new pages a transaction holds in memory before it writes them to the file ahead
    // of its commit (the memory bound of a long transaction; 8192 pages unless set).
    void setTransactionPageLimit(std::size_t pages) { m_transactionPageLimit = pages; }

private:
    JetDatabase(std::unique_ptr<PageSource> source, Mode mode);
    Result<void> load(std::string_view password);
    Result<std::uint64_t> executeInTransaction(Statement &&statement);
    Result<void> settleJournal();
    void statementDone(const StatementChanges &changes);
    void forgetDefinitions();

    PageCache m_pages;
    Mode m_mode;
    DatabaseHeader m_header;
    Catalog m_catalog;
    // The table a name last found, while the catalog stays the same: every statement of a bulk
    // load names the same one.
    struct NamedTable
    {
        std::string name;
        std::uint32_t page = 0;
    };
    std::optional<NamedTable> m_lastNamed;
    // A decoded definition and the bytes of its pages it stands for: used while the pages still
    // hold them, so a statement's own definition (handed back by its writer) serves the next.
    // The pages are compared once per generation (nothing changes them in between).
    struct CachedDefinition
    {
        TableDefRef def;
        std::vector<PageBytes> bytes;
        std::uint64_t checked = 0; // the generation they were last found current in
    };
    bool definitionCurrent(CachedDefinition &cached);
    void rememberDefinition(TableDefRef def);
    std::map<std::uint32_t, CachedDefinition> m_defs;
    std::map<std::uint32_t, PageListRef> m_dataPages;
    bool applyIndexChanges(const ColumnIndexChanges &changes, std::uint32_t table);
    void keepIndexesCurrent(const ColumnIndexChanges *changes, std::uint32_t table);

    std::map<std::pair<std::uint32_t, std::size_t>, TextColumnIndex> m_textIndexes;
    std::size_t m_columnIndexBuilds = 0;
    std::map<std::pair<std::uint32_t, std::size_t>, std::uint64_t> m_shortScanRows; // rows passed so far
    IndexPageCache m_indexPages;
    std::uint64_t m_generation = 0;
    std::optional<FileLock> m_lock;
    std::unique_ptr<Journal> m_journal;
    // The open transaction, and the failure that ended it early (later statements fail).
    std::unique_ptr<TxWriter> m_transaction;
    std::optional<Error> m_transactionFailure;
    std::size_t m_transactionPageLimit = 8192;
};

} // namespace Qb::Jet
