// SPDX-License-Identifier: GPL-3.0-or-later
// Inserting, updating and deleting the rows of one user table inside a statement's TxWriter:
// rows on data pages, memo values, the AutoNumber, row count, usage maps and every index.
// Tables whose indexes this engine cannot keep exact are refused before anything changes.
#pragma once

#include "jet/database.h"
#include "jet/format/rowwriter.h"
#include "jet/format/tabledef.h"
#include "jet/sql/tablescan.h"
#include "jet/write/indexpagecache.h"
#include "jet/write/roomfinder.h"
#include "jet/write/txwriter.h"

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace Qb::Jet {

// Told of each row the writer adds or takes away, with the row's stored fields (one per
// table().columns entry) and its location, at the moments the table's own indexes gain or lose
// the row's entries; an update is a removal of the old fields and an addition of the new ones
// at the same location. In-memory lookup aids follow the table through it. A writer that ever
// moves a row to another location must report it here as a removal and an addition.
class RowObserver
{
public:
    virtual ~RowObserver() = default;
    virtual void rowAdded(RowLocation at, const std::vector<RowWriter::Field> &fields) = 0;
    virtual void rowRemoved(RowLocation at, const std::vector<RowWriter::Field> &fields) = 0;
};

class TableWriter
{
public:
    // Unsupported for a system table or an index with a column type, order or sort order this
    // engine cannot encode. Index pages are decoded through `indexPages` (kept by the caller
    // across statements; not owned) or, without one, through a cache of this writer's own.
    static Result<TableWriter> make(TxWriter &tx, TableDef table, IndexPageCache *indexPages = nullptr);

    // Inserts a row: one value per column (table().columns order); NULL in the AutoNumber column
    // takes the next number. Text/memo values are UTF-8 strings. TooLong when a text exceeds its
    // column. Returns where the row went.
    Result<RowLocation> insert(const std::vector<Value> &values);
    // Sets the given columns (index into table().columns, new value) of the row a table scan
    // finds at `at`. A row that grows moves and leaves an overflow pointer in its place.
    Result<void> update(RowLocation at, const std::vector<std::pair<std::size_t, Value>> &changes);
    // Deletes the row a table scan finds at `at`, with its memo rows and index entries.
    Result<void> remove(RowLocation at);

    // Compaction, first step: every data page, long-value page and index page but the roots
    // returns to the file's free pages; the maps, the row count and the index statistics start
    // again from nothing (index roots become empty leaves). The AutoNumber is kept.
    Result<void> clear();
    // Compaction, second step: appends a row given as its stored fields (as rowFields() reads
    // them), its long values as their whole bytes (stored anew; nullopt for columns without
    // one). The AutoNumber is left as it is.
    Result<RowLocation> insertStored(std::vector<RowWriter::Field> fields,
                                     const std::vector<std::optional<Bytes>> &longValues);

    // Whether every index key of a row given as its stored fields can be encoded (Unsupported
    // naming the column when not): compaction asks before it empties a table.
    Result<void> keysEncodable(const std::vector<RowWriter::Field> &fields);

    // The stored field of every column (table().columns order) of a row's bytes.
    static Result<std::vector<RowWriter::Field>> rowFields(const TableDef &table, ByteSpan row,
                                                           const std::string &where);

    // Stores the row count, AutoNumber and index statistics in the table definition.
    Result<void> finish();

    const TableDef &table() const & { return m_table; }
    // The definition as the writer leaves it, taken from a writer that is done.
    TableDef table() && { return std::move(m_table); }
    // Whether a page joined or left the table's owned-pages map (its data pages changed).
    bool ownedPagesChanged() const { return m_ownedPagesChanged; }
    // Not owned; nullptr (the default) for none.
    void observeRows(RowObserver *observer) { m_observer = observer; }

private:
    struct StoredRow
    {
        RowLocation header;          // the slot a scan finds (the pointer, for a moved row)
        std::optional<RowLocation> moved; // where the row's bytes are, when moved
        std::vector<std::uint8_t> bytes;
    };

    TableWriter(TxWriter &tx, TableDef table, IndexPageCache *indexPages);

    Result<RowWriter::Field> fieldFor(const ColumnDef &column, const Value &value);
    Result<std::optional<RowWriter::Field>> fieldOver(const ColumnDef &column, const RowWriter::Field &old,
                                                      const Value &value);
    // The stored form of a text, valid until the next call on this thread, and its length in
    // UTF-16 units.
    struct StoredText
    {
        ByteSpan bytes;
        std::size_t units = 0;
    };
    static StoredText storedTextOf(std::string_view utf8, bool compressible);
    Result<StoredRow> readRow(RowLocation at);
    Result<std::vector<RowWriter::Field>> fieldsOf(const StoredRow &row);
    Result<std::optional<std::vector<std::uint8_t>>> keyOf(const RealIndexDef &index,
                                                           const std::vector<RowWriter::Field> &fields);
    // Adds or removes (`change`) the row's entry in every index that has a key for it.
    using EntryChange = Result<void> (TableWriter::*)(RealIndexDef &, const std::vector<std::uint8_t> &, RowLocation);
    Result<void> changeEntries(const std::vector<RowWriter::Field> &fields, RowLocation at, EntryChange change);
    Result<void> addEntries(const std::vector<RowWriter::Field> &fields, RowLocation at);
    Result<void> removeEntries(const std::vector<RowWriter::Field> &fields, RowLocation at);
    Result<void> moveEntries(const std::vector<RowWriter::Field> &before, const std::vector<RowWriter::Field> &after,
                             RowLocation at);
    Result<void> addEntry(RealIndexDef &index, const std::vector<std::uint8_t> &key, RowLocation at);
    Result<void> removeEntry(RealIndexDef &index, const std::vector<std::uint8_t> &key, RowLocation at);
    Result<RowLocation> placeRow(ByteSpan row, std::uint16_t flags);
    Result<void> storeRow(const StoredRow &stored, const std::vector<RowWriter::Field> &fields);
    RoomFinder::Space space();
    Result<std::uint32_t> pageWithRoom(std::size_t length);
    Result<void> rowFreed(std::uint32_t page);
    Result<void> dropMovedCopy(RowLocation copy);
    Result<void> releaseLongValues(const std::vector<RowWriter::Field> &fields);
    Result<void> releaseOwned(RowPointer map, std::uint32_t owner, bool index);

    TxWriter &m_tx;
    TableDef m_table;
    std::unique_ptr<IndexPageCache> m_ownIndexPages;
    IndexPageCache *m_indexPages;
    RowObserver *m_observer = nullptr;
    bool m_ownedPagesChanged = false;
    std::size_t m_smallestRow = 0; // bytes; 0 until space() works it out
};

} // namespace Qb::Jet
