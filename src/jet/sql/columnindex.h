// SPDX-License-Identifier: GPL-3.0-or-later
// A per-column lookup aid for the program's text queries: the text of one Text column for every
// row, ordered by its case-folded form, so an equality ("where 分类='n'") or a prefix ("where 命令
// like 'PRI%'") costs a range lookup instead of a pass over all rows, and the column's values of
// the rows found are read without decoding the rows. It lives in memory only (the file keeps
// its schema); built by one table scan on first use and kept current by the engine's own writes
// through ColumnIndexChanges.
#pragma once

#include "jet/storage/pagecache.h"
#include "jet/format/tabledef.h"
#include "jet/sql/tablescan.h"
#include "jet/write/tablewriter.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Qb::Jet {

class LikePattern;

// The rows an index lookup found, in scan order, each with the indexed column's value. The
// values are copied into one buffer as the lookup walks the index, so reading them in scan
// order touches a few contiguous kilobytes instead of the whole index.
struct IndexedRows
{
    struct Row
    {
        RowLocation at;
        std::uint32_t offset = 0;   // of the value in `texts`
        std::uint32_t size = 0;     // UTF-8 bytes
    };
    std::vector<Row> rows;
    std::string texts;

    std::string_view text(const Row &row) const { return std::string_view(texts).substr(row.offset, row.size); }
};

// Folds with Jet's comparison (foldCase on every UTF-16 unit, as the General sort order
// compares text without case). Owned by the database, one per (table, column); single thread.
//
// A build leaves the entries in scan order and orders them on first need (order(); add() too,
// once removals have left many values behind): a lookup that must read every entry anyway
// ("like '%piece%'") reads them in scan order, so a find over a large table never waits for a
// sort. Unordered, every lookup reads all entries; ordered, equalities and prefixes cost a
// range lookup.
class TextColumnIndex
{
public:
    explicit TextColumnIndex(std::size_t column);
    TextColumnIndex(TextColumnIndex &&) noexcept;
    TextColumnIndex &operator=(TextColumnIndex &&) noexcept;
    ~TextColumnIndex();

    // Scans `table` once for all of `columns`, giving their indexes, unordered, in that order.
    // REQUIRES: each is a Text column.
    static Result<std::vector<TextColumnIndex>> build(PageCache &pages, const TableDef &table,
                                                      std::shared_ptr<const std::vector<std::uint32_t>> dataPages,
                                                      const std::vector<std::size_t> &columns);

    std::size_t column() const { return m_column; }
    // Rows with a non-null value.
    std::size_t size() const { return m_size; }
    bool isOrdered() const { return !m_unordered; }
    // Sorts the entries built in scan order (nothing when they are ordered already).
    void order();

    // The rows whose folded text equals `folded`, in scan order.
    IndexedRows equalTo(std::u16string_view folded) const;
    // The rows whose folded text `pattern` matches, in scan order: a range lookup on the
    // pattern's literal start, then the whole pattern on that range (all rows when the pattern
    // starts with a wildcard).
    IndexedRows matching(const LikePattern &pattern) const;

    // Keeping the index current. A row's entry is keyed by its location (the slot a table scan
    // finds) and its folded text. remove() is false when no such entry exists: the index no
    // longer describes the table and must be dropped. Ordered, each moves at most one block's
    // entries; unordered, the index stays in scan order (each moves the rows after the change)
    // until removals have left about as many values behind as there are rows.
    // REQUIRES: `folded` and `text` hold fewer than 65,536 units and bytes (any value that fits
    // in a row does).
    void add(RowLocation at, std::u16string_view folded, std::string_view text);
    bool remove(RowLocation at, std::u16string_view folded);

    // The folded text of a stored Text value (either stored form).
    static std::u16string foldStored(ByteSpan stored);
    // Appends the folded units of a stored Text value to `out`.
    static void appendFolded(ByteSpan stored, std::u16string &out);

    // Bytes held by the UTF-8 texts of the entries (live and those left by removals).
    std::size_t textBytes() const { return m_texts.size(); }

private:
    class Collector;
    void fill(Collector &collector);
    // The rows of the unordered index whose folded text passes `test`, in scan order.
    IndexedRows unorderedRows(const std::function<bool(std::u16string_view)> &test) const;
    // The changes to an unordered index: false and nullopt when it is ordered (or, adding, when
    // it is time to order it).
    bool addUnordered(RowLocation at, std::u16string_view folded, std::string_view text);
    std::optional<bool> removeUnordered(RowLocation at, std::u16string_view folded);

    // An entry holds no string: its folded key and its UTF-8 value are runs of the index's two
    // stores, shared with its neighbour when equal.
    struct Entry
    {
        RowLocation at;
        std::uint32_t keyOffset = 0;  // UTF-16 units into m_keys
        std::uint32_t textOffset = 0; // bytes into m_texts
        std::uint16_t keySize = 0;
        std::uint16_t textSize = 0;
    };
    // A run of neighbouring entries in (folded, at) order. Blocks are never empty and hold at
    // most MaxBlock entries, so a change moves at most one block's entries, not the whole index,
    // while a lookup bisects few blocks and a range reads entries that sit side by side.
    using Block = std::vector<Entry>;
    static constexpr std::size_t MaxBlock = 2048;
    struct Position
    {
        std::size_t block = 0;
        std::size_t entry = 0;
    };

    bool before(const Entry &e, std::u16string_view folded, RowLocation at) const;
    // The first entry not below (folded, at); {m_blocks.size(), 0} when there is none.
    Position lowerBound(std::u16string_view folded, RowLocation at) const;
    // Calls `visit` on the entries from `from` on while it returns true.
    template<typename Visit>
    void forEachFrom(Position from, Visit &&visit) const;
    void splitBlock(std::size_t block);
    void mergeIfSmall(std::size_t block);
    std::u16string_view keyOf(const Entry &e) const { return std::u16string_view(m_keys).substr(e.keyOffset, e.keySize); }
    std::string_view textOf(const Entry &e) const { return std::string_view(m_texts).substr(e.textOffset, e.textSize); }
    // Appends the key and text of a new entry to the stores, first packing them in entry order
    // when most of either belongs to removed entries (or an offset would not fit 32 bits).
    void store(Entry &entry, std::u16string_view folded, std::string_view text);
    void pack();

    std::size_t m_column = 0;    // index into TableDef::columns
    std::vector<Block> m_blocks; // in order: every entry of a block is below those of the next
    std::size_t m_size = 0;
    // The entries' folded keys and UTF-8 values, in entry order after a build or a pack. The
    // live counts add up the entries' sizes (shared runs counted once per entry), so removals
    // leave at most about as much dead space as there is live before a pack reclaims it.
    std::u16string m_keys;
    std::string m_texts;
    std::size_t m_liveKeyUnits = 0;
    std::size_t m_liveTextBytes = 0;
    // Set until the index is ordered: the build's values and rows in scan order (the blocks and
    // stores above are empty meanwhile).
    std::unique_ptr<Collector> m_unordered;
};

// Collects, during one statement, the changes a TableWriter makes to the rows of its table,
// reduced to the columns that have a TextColumnIndex, so the database can bring those indexes
// up to date once the statement has been committed. Beyond `limit` changes it stops recording
// and tells the database to rebuild instead.
class ColumnIndexChanges final : public RowObserver
{
public:
    struct IndexedValue
    {
        std::u16string folded;
        std::string text;                    // UTF-8 (only kept for additions)
    };
    struct Change
    {
        bool added = false;                  // false: removed
        RowLocation at;
        std::vector<std::optional<IndexedValue>> values; // per column of `columns`, nullopt = NULL
    };

    ColumnIndexChanges(std::vector<std::size_t> columns, std::size_t limit)
        : m_columns(std::move(columns)), m_limit(limit) {}

    void rowAdded(RowLocation at, const std::vector<RowWriter::Field> &fields) override;
    void rowRemoved(RowLocation at, const std::vector<RowWriter::Field> &fields) override;

    const std::vector<std::size_t> &columns() const { return m_columns; }
    const std::vector<Change> &changes() const { return m_changes; }
    bool overflowed() const { return m_overflowed; }

private:
    void record(bool added, RowLocation at, const std::vector<RowWriter::Field> &fields);

    std::vector<std::size_t> m_columns;
    std::size_t m_limit;
    std::vector<Change> m_changes;
    bool m_overflowed = false;
};

} // namespace Qb::Jet
