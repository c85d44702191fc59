// SPDX-License-Identifier: GPL-3.0-or-later
// Compaction. Layout: docs/jet-format.md, "Compaction".
#include "jet/write/compactor.h"

#include "jet/checker.h"
#include "jet/format/longvalue.h"
#include "jet/storage/filesystem.h"
#include "jet/storage/pagesource.h"
#include "jet/storage/usagemap.h"
#include "jet/write/tablewriter.h"
#include "jet/write/txwriter.h"


namespace Qb::Jet {

namespace {

// Rows written again per statement-sized step, so the pages held in memory stay bounded.
constexpr std::size_t RowsPerStep = 2000;
// Pages copied or written between two progress reports.
constexpr std::uint32_t PagesPerReport = 1024;

// The caller's progress callback, turned into the engine's errors: a request to stop becomes
// Cancelled at the next check.
class Progress
{
public:
    Progress() = default; // reports nowhere
    explicit Progress(const CompactProgress &callback) : m_callback(&callback) {}
    Result<void> at(CompactStep step, std::uint64_t done, std::uint64_t total) const
    {
        if (m_callback && *m_callback && !(*m_callback)(step, done, total))
            return fail(ErrorCode::Cancelled, "compaction cancelled; the file is unchanged");
        return {};
    }

private:
    const CompactProgress *m_callback = nullptr;
};

// Counts the rewrite step's units: every live row once when read and once when written again,
// against the row counts the table definitions give (the total grows if they undercount).
struct RowProgress
{
    const Progress &progress;
    std::uint64_t done = 0;
    std::uint64_t total = 0;
    Result<void> add(std::uint64_t rows)
    {
        done += rows;
        total = std::max(total, done);
        return progress.at(CompactStep::Rewrite, done, total);
    }
};

struct StoredRow
{
    std::vector<RowWriter::Field> fields;
    std::vector<std::optional<Bytes>> longValues;
};

Result<void> readLongValues(JetDatabase &db, const TableDef &table, StoredRow &row, const std::string &where)
{
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        if (!table.columns[i].isLongValue() || row.fields[i].null)
            continue;
        auto value = readLongValue(db.pages(), row.fields[i].bytes);
        if (!value)
            return fail(value.error().code, where + ": " + value.error().message);
        row.longValues[i] = std::move(*value);
    }
    return {};
}

// Text and memo values are stored again in the form a new write would give them, so a file
// written before compression (or by a writer that did not compress) comes out compressed.
void recodeTexts(const TableDef &table, StoredRow &row)
{
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        const ColumnDef &c = table.columns[i];
        const bool compressible = c.extFlags & ColumnCompressedUnicode;
        if (c.type == std::uint8_t(ColumnType::Text) && !row.fields[i].null)
            row.fields[i].bytes = RowWriter::recodeText(row.fields[i].bytes, compressible);
        else if (c.type == std::uint8_t(ColumnType::Memo) && row.longValues[i])
            *row.longValues[i] = RowWriter::recodeText(*row.longValues[i], compressible);
    }
}

Result<std::vector<StoredRow>> liveRows(JetDatabase &db, const TableDef &table, RowProgress &counter)
{
    auto pages = db.dataPages(table);
    if (!pages)
        return std::unexpected(pages.error());
    TableScan scan(db.pages(), table, *pages);
    std::vector<StoredRow> rows;
    for (;;) {
        auto more = scan.next();
        if (!more)
            return std::unexpected(more.error());
        if (!*more) {
            if (auto r = counter.add(rows.size() % RowsPerStep); !r)
                return std::unexpected(r.error());
            return rows;
        }
        auto fields = TableWriter::rowFields(table, scan.row(), scan.where());
        if (!fields)
            return std::unexpected(fields.error());
        StoredRow row{std::move(*fields), std::vector<std::optional<Bytes>>(table.columns.size())};
        if (auto r = readLongValues(db, table, row, scan.where()); !r)
            return std::unexpected(r.error());
        recodeTexts(table, row);
        rows.push_back(std::move(row));
        if (rows.size() % RowsPerStep == 0)
            if (auto r = counter.add(RowsPerStep); !r)
                return std::unexpected(r.error());
    }
}

// Runs `step` on a writer of the table inside one commit (no journal: the database is a copy).
template<typename Step>
Result<void> withWriter(JetDatabase &db, std::uint32_t tablePage, Step &&step)
{
    auto def = db.tableDefAt(tablePage);
    if (!def)
        return std::unexpected(def.error());
    TxWriter tx(db.pages());
    auto writer = TableWriter::make(tx, **def);
    if (!writer)
        return std::unexpected(writer.error());
    if (auto r = step(*writer); !r)
        return r;
    if (auto r = writer->finish(); !r)
        return r;
    auto committed = tx.commit(nullptr);
    auto refreshed = db.invalidate();
    if (!committed)
        return committed;
    return refreshed;
}

// Reads the table's live rows; Unsupported (nothing changed) when one of them has a key this
// engine cannot encode, since the rows could not all be written back.
Result<std::vector<StoredRow>> rowsToRewrite(JetDatabase &db, const TableDef &table, RowProgress &counter)
{
    TxWriter probe(db.pages());
    auto writer = TableWriter::make(probe, table);
    if (!writer)
        return std::unexpected(writer.error());
    auto rows = liveRows(db, table, counter);
    if (!rows)
        return rows;
    for (const StoredRow &row : *rows)
        if (auto ok = writer->keysEncodable(row.fields); !ok)
            return std::unexpected(ok.error());
    return rows;
}

Result<std::uint64_t> rewriteTable(JetDatabase &db, std::uint32_t tablePage, std::vector<StoredRow> rows,
                                   RowProgress &counter)
{
    if (auto r = withWriter(db, tablePage, [](TableWriter &w) { return w.clear(); }); !r)
        return std::unexpected(r.error());
    for (std::size_t first = 0; first < rows.size(); first += RowsPerStep) {
        auto r = withWriter(db, tablePage, [&](TableWriter &w) -> Result<void> {
            for (std::size_t i = first; i < std::min(rows.size(), first + RowsPerStep); ++i) {
                StoredRow &row = rows[i];
                if (auto at = w.insertStored(std::move(row.fields), row.longValues); !at)
                    return std::unexpected(at.error());
                row.longValues.clear();
            }
            return {};
        });
        if (!r)
            return std::unexpected(r.error());
        if (auto c = counter.add(std::min(RowsPerStep, rows.size() - first)); !c)
            return std::unexpected(c.error());
    }
    return rows.size();
}

// Cuts off the pages past the last one the global map marks in use.
Result<void> cutFreeTail(JetDatabase &db)
{
    auto count = db.pages().pageCount();
    if (!count)
        return std::unexpected(count.error());
    auto freePages = readUsageMap(db.pages(), RowPointer{1, 0});
    if (!freePages)
        return std::unexpected(freePages.error());
    std::uint32_t end = *count;
    for (auto it = freePages->pages.rbegin(); it != freePages->pages.rend() && *it == end - 1; ++it)
        --end;
    if (end == *count)
        return {};
    if (auto r = db.pages().source().truncate(end); !r)
        return r;
    return db.invalidate();
}

// Rewrites one user table, or notes in `report` why it is kept as it is.
Result<void> compactTable(JetDatabase &db, const CatalogEntry &entry, RowProgress &counter, CompactReport &report)
{
    auto def = db.tableDefAt(entry.tablePage());
    if (!def)
        return std::unexpected(def.error());
    auto rows = rowsToRewrite(db, **def, counter);
    if (!rows && rows.error().code == ErrorCode::Unsupported) {
        report.keptAsIs.push_back(entry.name + ": " + rows.error().message);
        return {};
    }
    if (!rows)
        return fail(rows.error().code, "table " + entry.name + ": " + rows.error().message);
    auto written = rewriteTable(db, (*def)->page, std::move(*rows), counter);
    if (!written)
        return fail(written.error().code, "table " + entry.name + ": " + written.error().message);
    report.rows += *written;
    return {};
}

} // namespace

Result<CompactReport> compactDatabase(JetDatabase &db, const CompactProgress &callback)
{
    CompactReport report;
    report.pagesBefore = db.pages().pageCount().value_or(0);
    const std::vector<CatalogEntry> entries = db.catalog().entries;
    const Progress progress(callback);
    RowProgress counter{progress};
    for (const CatalogEntry &entry : entries)
        if (entry.isTable() && entry.isUserTable())
            if (auto def = db.tableDefAt(entry.tablePage()))
                counter.total += 2 * std::uint64_t((*def)->rowCount);
    if (auto r = progress.at(CompactStep::Rewrite, 0, counter.total); !r)
        return std::unexpected(r.error());
    for (const CatalogEntry &entry : entries) {
        if (!entry.isTable() || !entry.isUserTable())
            continue;
        if (auto r = compactTable(db, entry, counter, report); !r)
            return std::unexpected(r.error());
    }
    if (auto r = cutFreeTail(db); !r)
        return std::unexpected(r.error());
    report.pagesAfter = db.pages().pageCount().value_or(0);
    return report;
}

namespace {


Result<std::vector<std::uint8_t>> sourceBytes(PageSource &source, const Progress &progress)
{
    auto count = source.pageCount();
    if (!count)
        return std::unexpected(count.error());
    std::vector<std::uint8_t> bytes(std::size_t(*count) * PageSize);
    for (std::uint32_t p = 0; p < *count; ++p) {
        if (p % PagesPerReport == 0)
            if (auto r = progress.at(CompactStep::Copy, p, *count); !r)
                return std::unexpected(r.error());
        if (auto r = source.read(p, std::span(bytes.data() + std::size_t(p) * PageSize, PageSize)); !r)
            return std::unexpected(r.error());
    }
    if (auto r = progress.at(CompactStep::Copy, *count, *count); !r)
        return std::unexpected(r.error());
    return bytes;
}

Result<void> checkClean(JetDatabase &db, const std::string &what)
{
    const CheckReport check = checkDatabase(db);
    if (check.ok())
        return {};
    return fail(ErrorCode::Corrupt, what + " has " + std::to_string(check.faults.size())
                                        + " faults (first: " + check.faults.front() + ")");
}

// Checks `db` as the step `step`; a database with faults is refused.
Result<void> checkStep(JetDatabase &db, const std::string &what, const Progress &progress, CompactStep step)
{
    if (auto r = progress.at(step, 0, 1); !r)
        return r;
    if (auto r = checkClean(db, what); !r)
        return r;
    return progress.at(step, 1, 1);
}

// Writes `bytes` to `file` in runs of PagesPerReport pages, reporting after each.
Result<void> writeReporting(File &file, const std::vector<std::uint8_t> &bytes, const Progress &progress)
{
    const std::uint64_t pages = bytes.size() / PageSize;
    constexpr std::size_t Run = std::size_t(PagesPerReport) * PageSize;
    for (std::size_t at = 0; at < bytes.size(); at += Run) {
        if (auto r = progress.at(CompactStep::Write, at / PageSize, pages); !r)
            return r;
        const std::size_t length = std::min(Run, bytes.size() - at);
        if (auto r = writeFully(file, at, std::span(bytes.data() + at, length)); !r)
            return r;
    }
    if (auto r = file.sync(); !r)
        return r;
    return progress.at(CompactStep::Write, pages, pages);
}

// Writes `bytes` to a new file beside `target` with the permission bits `permissions`, flushed;
// returns its path. A failure or a cancel leaves no file behind.
Result<std::string> writeTemporary(const std::string &target, const std::vector<std::uint8_t> &bytes, unsigned permissions,
                                   const Progress &progress)
{
    FileSystem &fs = fileSystem();
    auto file = fs.createUnique(target + ".compact-", permissions);
    if (!file)
        return std::unexpected(file.error());
    const std::string path = (*file)->path();
    auto written = writeReporting(**file, bytes, progress);
    file->reset();
    if (!written) {
        (void)fs.remove(path);
        return std::unexpected(written.error());
    }
    return path;
}

// Opens the written copy as a reader would and checks it.
Result<void> checkStep(const std::string &path, std::string_view password, const Progress &progress)
{
    auto opened = Database::open(path, password, Database::Mode::ReadOnly);
    if (!opened)
        return std::unexpected(opened.error());
    return checkStep(static_cast<JetDatabase &>(**opened), "the compacted copy " + path, progress,
                     CompactStep::CheckWritten);
}

// The compacted, checked bytes of the open database `db`.
Result<CompactReport> compactCopy(JetDatabase &db, std::string_view password, const CompactProgress &callback,
                                  std::vector<std::uint8_t> &packed)
{
    const Progress progress(callback);
    auto bytes = sourceBytes(db.pages().source(), progress);
    if (!bytes)
        return std::unexpected(bytes.error());
    auto copy = JetDatabase::open(makeMemoryPageSource(std::move(*bytes)), password, Database::Mode::ReadWrite);
    if (!copy)
        return std::unexpected(copy.error());
    auto report = compactDatabase(**copy, callback);
    if (!report)
        return std::unexpected(report.error());
    if (auto r = checkStep(**copy, "the compacted copy", progress, CompactStep::CheckCopy); !r)
        return std::unexpected(r.error());
    auto result = sourceBytes((*copy)->pages().source(), Progress());
    if (!result)
        return std::unexpected(result.error());
    packed = std::move(*result);
    return report;
}

// Puts the written copy at `target` once it checks clean as a reader opens it.
Result<void> replaceWith(const std::string &temporary, const std::string &target, std::string_view password,
                         const Progress &progress)
{
    FileSystem &fs = fileSystem();
    auto placed = checkStep(temporary, password, progress);
    if (placed)
        placed = fs.rename(temporary, target);
    if (!placed) {
        (void)fs.remove(temporary);
        return placed;
    }
    return fs.syncDirectory(target);
}

} // namespace

Result<CompactReport> compactFile(const std::string &path, const std::string &out, std::string_view password,
                                  const CompactProgress &callback)
{
    FileSystem &fs = fileSystem();
    const std::string target = out.empty() ? path : out;
    if (bool missing = false; !out.empty() && (fs.permissions(out, &missing) || !missing))
        return fail(ErrorCode::IoError, out + " exists; compact writes a new file");
    // Held to the end: no statement of another process runs while the copy is made or renamed.
    auto original = Database::open(path, password, Database::Mode::ReadWrite);
    if (!original)
        return std::unexpected(original.error());
    auto permissions = fs.permissions(path);
    if (!permissions)
        return std::unexpected(permissions.error());
    auto &db = static_cast<JetDatabase &>(**original);
    const Progress progress(callback);
    if (auto r = checkStep(db, path, progress, CompactStep::CheckOriginal); !r)
        return r.error().code == ErrorCode::Corrupt ? fail(r.error().code, r.error().message + "; it is not compacted")
                                                    : std::unexpected(r.error());
    std::vector<std::uint8_t> packed;
    auto report = compactCopy(db, password, callback, packed);
    if (!report)
        return report;
    auto temporary = writeTemporary(target, packed, *permissions, progress);
    if (!temporary)
        return std::unexpected(temporary.error());
    if (auto r = replaceWith(*temporary, target, password, progress); !r)
        return std::unexpected(r.error());
    return report;
}

} // namespace Qb::Jet
