// SPDX-License-Identifier: GPL-3.0-or-later
// Opening a database and running selects.
#include "jet/jetdatabase.h"

#include "jet/sql/queryplan.h"
#include "jet/sql/selectcursor.h"
#include "jet/sql/sqlexec.h"
#include "jet/sql/tablescan.h"

#include <algorithm>
#include <fstream>

namespace Qb::Jet {

namespace {

// Classifies a file too short to hold page 0, so a stray text file reads as "not a Jet
// database" rather than "truncated".
Error shortFileError(const std::string &path, std::uint64_t size)
{
    std::vector<std::uint8_t> prefix(std::size_t(std::min<std::uint64_t>(size, 64)));
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char *>(prefix.data()), std::streamsize(prefix.size()));
    if (size == 0)
        return Error{ErrorCode::NotJet, "not a Jet database: the file is empty"};
    if (auto sig = checkSignature(prefix); !sig)
        return sig.error();
    return Error{ErrorCode::Truncated, "truncated: the file has only " + std::to_string(size) + " bytes"};
}

} // namespace

JetDatabase::JetDatabase(std::unique_ptr<PageSource> source, Mode mode) : m_pages(std::move(source)), m_mode(mode) {}

JetDatabase::~JetDatabase()
{
    // Before the journal goes: rolling back may need it.
    m_transaction.reset();
    // A failed commit that could not undo itself is undone now, while this session still knows
    // which of its flushes failed; when that fails too the record stays for the next open.
    if (m_journal && m_journal->unsettled())
        (void)m_journal->recover(m_pages.source());
}

Result<std::unique_ptr<JetDatabase>> JetDatabase::open(std::unique_ptr<PageSource> source, std::string_view password,
                                                       Mode mode)
{
    std::unique_ptr<JetDatabase> db(new JetDatabase(std::move(source), mode));
    if (auto ok = db->load(password); !ok)
        return std::unexpected(ok.error());
    return db;
}

Result<void> JetDatabase::load(std::string_view password)
{
    auto size = m_pages.source().byteSize();
    if (!size)
        return std::unexpected(size.error());
    if (*size == 0)
        return fail(ErrorCode::NotJet, "not a Jet database: the file is empty");
    if (*size < PageSize)
        return fail(ErrorCode::Truncated, "truncated: the file has only " + std::to_string(*size) + " bytes");
    auto page0 = m_pages.page(0);
    if (!page0)
        return std::unexpected(page0.error());
    auto header = decodeHeader(bytesOf(*page0), *size);
    if (!header)
        return std::unexpected(header.error());
    m_header = std::move(*header);
    if (!passwordMatches(m_header, password))
        return fail(ErrorCode::WrongPassword, "the database password does not match");
    auto catalog = readCatalog(m_pages);
    if (!catalog)
        return std::unexpected(catalog.error());
    m_catalog = std::move(*catalog);
    m_lastNamed.reset();
    return {};
}

std::vector<std::string> JetDatabase::tableNames() const
{
    return m_catalog.userTableNames();
}

Result<TableDefRef> JetDatabase::tableDef(std::string_view name)
{
    if (m_lastNamed && m_lastNamed->name == name)
        return tableDefAt(m_lastNamed->page);
    const auto entry = m_catalog.findTable(name);
    if (!entry)
        return fail(ErrorCode::NoSuchTable, "no table " + std::string(name) + " in the database");
    m_lastNamed = NamedTable{std::string(name), entry->tablePage()};
    return tableDefAt(entry->tablePage());
}

// Definitions are made as objects that are not const (below, and by the statements' writers),
// so one that nothing else holds may be moved from.
TableDef JetDatabase::definitionForWriting(TableDefRef def)
{
    if (auto it = m_defs.find(def->page); it != m_defs.end() && it->second.def == def)
        it->second.def.reset();
    if (def.use_count() == 1)
        return std::move(const_cast<TableDef &>(*def));
    return *def;
}

Result<TableDefRef> JetDatabase::tableDefAt(std::uint32_t page)
{
    if (auto it = m_defs.find(page); it != m_defs.end() && it->second.def && definitionCurrent(it->second))
        return it->second.def;
    auto def = readTableDef(m_pages, page);
    if (!def)
        return std::unexpected(def.error());
    TableDefRef ref = std::make_shared<TableDef>(std::move(*def));
    rememberDefinition(ref);
    return ref;
}

bool JetDatabase::definitionCurrent(CachedDefinition &cached)
{
    if (cached.checked == m_generation)
        return true;
    for (std::size_t i = 0; i < cached.bytes.size(); ++i) {
        auto page = m_pages.page(cached.def->pages[i]);
        if (!page || **page != cached.bytes[i])
            return false;
    }
    cached.checked = m_generation;
    return true;
}

// Every statement of a bulk load remembers its table again: the entry's page copies are
// overwritten where they are instead of allocated anew.
void JetDatabase::rememberDefinition(TableDefRef def)
{
    CachedDefinition &cached = m_defs[def->page];
    cached.def = def;
    cached.checked = m_generation;
    cached.bytes.resize(def->pages.size());
    for (std::size_t i = 0; i < def->pages.size(); ++i) {
        auto page = m_pages.page(def->pages[i]);
        if (!page) {
            m_defs.erase(def->page);
            return;
        }
        cached.bytes[i] = **page;
    }
}

Result<PageListRef> JetDatabase::dataPages(const TableDef &table)
{
    if (auto it = m_dataPages.find(table.page); it != m_dataPages.end())
        return it->second;
    auto pages = tableDataPages(m_pages, table);
    if (!pages)
        return std::unexpected(pages.error());
    auto ref = std::make_shared<const std::vector<std::uint32_t>>(std::move(*pages));
    m_dataPages.emplace(table.page, ref);
    return ref;
}

Result<const TextColumnIndex *> JetDatabase::textColumnIndex(const TableDef &table, std::size_t column, bool forRanges)
{
    auto indexes = textColumnIndexes(table, {column}, forRanges);
    if (!indexes)
        return std::unexpected(indexes.error());
    return indexes->front();
}

Result<std::vector<const TextColumnIndex *>> JetDatabase::textColumnIndexes(const TableDef &table,
                                                                            const std::vector<std::size_t> &columns,
                                                                            bool forRanges)
{
    std::vector<std::size_t> missing;
    for (std::size_t column : columns)
        if (!m_textIndexes.contains({table.page, column}) && std::ranges::find(missing, column) == missing.end())
            missing.push_back(column);
    if (!missing.empty()) {
        auto pages = dataPages(table);
        if (!pages)
            return std::unexpected(pages.error());
        auto built = TextColumnIndex::build(m_pages, table, *pages, missing);
        if (!built)
            return std::unexpected(built.error());
        m_columnIndexBuilds += built->size();
        for (TextColumnIndex &index : *built)
            m_textIndexes.emplace(std::pair(table.page, index.column()), std::move(index));
    }
    std::vector<const TextColumnIndex *> out;
    for (std::size_t column : columns) {
        TextColumnIndex &index = m_textIndexes.at({table.page, column});
        if (forRanges)
            index.order();
        out.push_back(&index);
    }
    return out;
}

bool JetDatabase::shortScanAllowed(const TableDef &table, std::size_t column) const
{
    const auto it = m_shortScanRows.find(std::make_pair(table.page, column));
    return it == m_shortScanRows.end() || it->second < std::max<std::uint64_t>(table.rowCount, 1);
}

void JetDatabase::noteShortScan(const TableDef &table, std::size_t column, std::uint64_t rowsPassed)
{
    m_shortScanRows[std::make_pair(table.page, column)] += rowsPassed;
}

std::unique_ptr<ColumnIndexChanges> JetDatabase::indexChangesFor(const TableDef &table) const
{
    // Beyond this many row changes in one statement, rebuilding by one scan is cheaper than
    // inserting each change into the ordered entries.
    constexpr std::size_t MaxRecordedChanges = 4096;
    std::vector<std::size_t> columns;
    for (auto it = m_textIndexes.lower_bound({table.page, 0}); it != m_textIndexes.end() && it->first.first == table.page;
         ++it)
        columns.push_back(it->first.second);
    if (columns.empty())
        return nullptr;
    return std::make_unique<ColumnIndexChanges>(std::move(columns), MaxRecordedChanges);
}

bool JetDatabase::applyIndexChanges(const ColumnIndexChanges &changes, std::uint32_t table)
{
    if (changes.overflowed())
        return false;
    for (std::size_t k = 0; k < changes.columns().size(); ++k) {
        auto it = m_textIndexes.find({table, changes.columns()[k]});
        if (it == m_textIndexes.end())
            return false;
        for (const ColumnIndexChanges::Change &change : changes.changes()) {
            const auto &value = change.values[k];
            if (!value)
                continue;
            if (change.added)
                it->second.add(change.at, value->folded, value->text);
            else if (!it->second.remove(change.at, value->folded))
                return false;
        }
    }
    return true;
}

void JetDatabase::keepIndexesCurrent(const ColumnIndexChanges *changes, std::uint32_t table)
{
    if (table == 0) {
        m_textIndexes.clear();
        return;
    }
    // A write changes the rows of its own table only: the other tables' indexes stay as they are.
    const bool applied = changes && applyIndexChanges(*changes, table);
    // An index of the table that the recorder did not follow (one the statement's own where
    // clause built) is dropped too, as are all of them when the changes could not be applied.
    std::erase_if(m_textIndexes, [&](const auto &entry) {
        const auto &[tablePage, column] = entry.first;
        return tablePage == table
            && (!applied || std::ranges::find(changes->columns(), column) == changes->columns().end());
    });
}

void JetDatabase::forgetDefinitions()
{
    ++m_generation;
    m_pages.invalidatePageCount();
    m_dataPages.clear();
}

void JetDatabase::refreshAfterStatement(const ColumnIndexChanges *changes, std::uint32_t table)
{
    forgetDefinitions();
    keepIndexesCurrent(changes, table);
}

// A statement changes its own table only: the other tables keep their page lists, and so does
// its own when its writer neither added nor released a page of it.
void JetDatabase::statementDone(const StatementChanges &changes)
{
    auto pageLists = std::move(m_dataPages);
    refreshAfterStatement(changes.indexChanges.get(), changes.table);
    if (changes.definition)
        rememberDefinition(changes.definition);
    if (changes.dataPagesChanged)
        pageLists.erase(changes.table);
    m_dataPages = std::move(pageLists);
}

Result<void> JetDatabase::invalidate(const ColumnIndexChanges *changes, std::uint32_t table)
{
    refreshAfterStatement(changes, table);
    auto catalog = readCatalog(m_pages);
    if (!catalog)
        return std::unexpected(catalog.error());
    m_catalog = std::move(*catalog);
    m_lastNamed.reset();
    return {};
}

Result<std::unique_ptr<SelectCursor>> JetDatabase::select(const Statement &statement)
{
    auto def = tableDef(statement.table);
    if (!def)
        return std::unexpected(def.error());
    auto pages = dataPages(**def);
    if (!pages)
        return std::unexpected(pages.error());
    return SelectCursor::make(*this, *def, *pages, statement);
}

Result<std::unique_ptr<Cursor>> JetDatabase::query(std::string_view sql)
{
    auto statement = parseStatement(sql);
    if (!statement)
        return std::unexpected(statement.error());
    if (statement->kind != StatementKind::Select)
        return fail(ErrorCode::SqlSyntax, "query runs select statements only; use execute for changes");
    auto cursor = runSelect(*this, *statement);
    if (!cursor)
        return std::unexpected(cursor.error());
    return std::unique_ptr<Cursor>(std::move(*cursor));
}

Result<std::uint64_t> JetDatabase::execute(std::string_view sql)
{
    auto statement = parseStatement(sql);
    if (!statement)
        return std::unexpected(statement.error());
    if (statement->kind == StatementKind::Select)
        return fail(ErrorCode::SqlSyntax, "execute runs insert, update and delete; use query for select");
    if (m_mode == Mode::ReadOnly)
        return fail(ErrorCode::ReadOnly, "the database is open read-only");
    if (m_transaction)
        return executeInTransaction(std::move(*statement));
    if (auto settled = settleJournal(); !settled)
        return std::unexpected(settled.error());
    TxWriter tx(m_pages);
    StatementChanges changes;
    auto changed = executeStatement(*this, tx, std::move(*statement), changes);
    if (!changed) {
        tx.rollback();
        refreshAfterStatement();
        return changed;
    }
    auto committed = tx.commit(m_journal.get());
    // A failed commit leaves the file as the journal restores it: no column index is trusted.
    if (!committed) {
        refreshAfterStatement();
        return std::unexpected(committed.error());
    }
    statementDone(changes);
    return changed;
}

Result<std::uint64_t> JetDatabase::executeInTransaction(Statement &&statement)
{
    if (m_transactionFailure)
        return fail(m_transactionFailure->code, "the transaction was rolled back after an earlier failure: "
                                                    + m_transactionFailure->message);
    StatementChanges changes;
    auto changed = executeStatement(*this, *m_transaction, std::move(statement), changes);
    m_transaction->endStatement();
    if (changed)
        if (auto spilled = m_transaction->spill(m_journal.get(), m_transactionPageLimit); !spilled)
            changed = std::unexpected(spilled.error());
    if (!changed) {
        m_transaction->rollback();
        m_transactionFailure = changed.error();
        refreshAfterStatement();
        return changed;
    }
    // The column indexes follow the transaction's rows at once; a rollback drops them.
    statementDone(changes);
    return changed;
}

Result<void> JetDatabase::beginTransaction()
{
    if (m_mode == Mode::ReadOnly)
        return fail(ErrorCode::ReadOnly, "the database is open read-only");
    if (m_transaction)
        return fail(ErrorCode::Unsupported, "a transaction is already open");
    if (auto settled = settleJournal(); !settled)
        return settled;
    m_transaction = std::make_unique<TxWriter>(m_pages);
    return {};
}

// A commit that failed and could not undo itself left its record in the journal: it is played
// back before the file changes again, and changes are refused while that fails.
Result<void> JetDatabase::settleJournal()
{
    if (!m_journal || !m_journal->unsettled())
        return {};
    auto recovered = m_journal->recover(m_pages.source());
    m_pages.invalidateAll();
    auto refreshed = invalidate();
    if (!recovered)
        return fail(ErrorCode::IoError, "an earlier failed change could not be undone yet: " + recovered.error().message);
    return refreshed;
}

Result<void> JetDatabase::commitTransaction()
{
    if (!m_transaction)
        return fail(ErrorCode::Unsupported, "no transaction is open");
    auto committed = m_transactionFailure
        ? Result<void>(fail(m_transactionFailure->code, "the transaction was rolled back: " + m_transactionFailure->message))
        : m_transaction->commit(m_journal.get());
    m_transaction.reset();
    m_transactionFailure.reset();
    if (committed)
        forgetDefinitions(); // the column indexes have followed every statement
    else
        refreshAfterStatement();
    return committed;
}

void JetDatabase::rollbackTransaction()
{
    if (!m_transaction)
        return;
    m_transaction.reset();
    m_transactionFailure.reset();
    refreshAfterStatement();
}

Result<std::unique_ptr<Database>> Database::open(std::unique_ptr<PageSource> source, std::string_view password,
                                                 Mode mode)
{
    auto db = JetDatabase::open(std::move(source), password, mode);
    if (!db)
        return std::unexpected(db.error());
    return std::unique_ptr<Database>(std::move(*db));
}

Result<std::unique_ptr<Database>> Database::open(const std::string &path, std::string_view password, Mode mode)
{
    // Writing: the lock first (a second writer is refused), then the journal of an unfinished
    // statement is played back before anything is read.
    std::optional<FileLock> lock;
    if (mode == Mode::ReadWrite) {
        auto acquired = FileLock::acquire(path);
        if (!acquired)
            return std::unexpected(acquired.error());
        lock = std::move(*acquired);
    }
    auto source = openFilePageSource(path, mode == Mode::ReadWrite);
    if (!source)
        return std::unexpected(source.error());
    auto journal = std::make_unique<Journal>(path);
    if (mode == Mode::ReadWrite) {
        if (auto recovered = journal->recover(**source); !recovered)
            return std::unexpected(recovered.error());
    } else {
        // A reader sees the state before an unfinished statement without touching the file.
        auto view = journal->readOnlyView(std::move(*source));
        if (!view)
            return std::unexpected(view.error());
        source = std::move(*view);
    }
    auto size = (*source)->byteSize();
    if (size && *size < PageSize) {
        const Error error = shortFileError(path, *size);
        return fail(error.code, path + ": " + error.message);
    }
    auto db = JetDatabase::open(std::move(*source), password, mode);
    if (!db)
        return fail(db.error().code, path + ": " + db.error().message);
    if (mode == Mode::ReadWrite)
        (*db)->attachFile(std::move(lock), std::move(journal));
    return std::unique_ptr<Database>(std::move(*db));
}

} // namespace Qb::Jet
