// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's public face: open or create a Jet 4.0 .mdb file and run the SQL subset the
// program sends. Text crosses this interface as UTF-8.
#pragma once

#include "jet/jeterror.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace Qb::Jet {

class PageSource;

// A column value. Text and memo values are UTF-8; dates are Jet day numbers (days since
// 1899-12-30, fraction = time of day); currency is the raw 1/10000 units; binary, GUID and
// numeric values keep their bytes.
struct Date { double days = 0; };
struct Currency { std::int64_t units = 0; };
using Bytes = std::vector<std::uint8_t>;
using Value = std::variant<std::monostate, bool, std::int64_t, double, std::string, Date, Currency, Bytes>;

inline bool isNull(const Value &v) { return std::holds_alternative<std::monostate>(v); }

// Forward reading over the rows of one statement, in table-scan order. A new cursor stands on
// its first row (atEnd() when there is none).
// A cursor must not outlive its Database. Any write through the Database invalidates every
// cursor open at that moment: it then reports atEnd() and its values read as NULL.
class Cursor
{
public:
    virtual ~Cursor() = default;
    virtual const std::vector<std::string> &columns() const = 0;
    virtual bool atEnd() const = 0;
    // Moves to the next row. A structural fault met while reading ends the cursor with an error.
    // (A row found through a column index is decoded only as its values are read; a fault met
    // then reads as NULL and is the error of the next call to next().)
    virtual Result<void> next() = 0;
    // Back to the first row.
    virtual Result<void> rewind() = 0;
    // The current row's value; NULL when atEnd() or the index is out of range.
    virtual const Value &value(std::size_t column) const = 0;
    // Column index by name, letters compared case-insensitively; -1 when absent.
    virtual int columnIndex(std::string_view name) const = 0;
    // How many rows the cursor will give when that is known in advance (rows found through a
    // column index), for callers that collect them; nullopt otherwise.
    virtual std::optional<std::size_t> expectedRows() const { return std::nullopt; }
    // The current row's value when it is text, without copying it (valid until the cursor
    // moves); nullopt for any other value, NULL included.
    virtual std::optional<std::string_view> textView(std::size_t column) const
    {
        const auto *text = std::get_if<std::string>(&value(column));
        return text ? std::optional<std::string_view>(*text) : std::nullopt;
    }
};

class Database
{
public:
    enum class Mode { ReadOnly, ReadWrite };

    virtual ~Database() = default;

    // Opens a Jet 4 file. Succeeds only when `password` equals the stored database password
    // (any password opens a file without one). ReadWrite takes an advisory lock (Locked when
    // another process holds it) and rolls back an unfinished statement left in the journal.
    static Result<std::unique_ptr<Database>> open(const std::string &path, std::string_view password,
                                                  Mode mode = Mode::ReadWrite);
    // The same over a page source (tests, fault injection). No lock, no journal file.
    static Result<std::unique_ptr<Database>> open(std::unique_ptr<PageSource> source,
                                                  std::string_view password, Mode mode = Mode::ReadWrite);

    // Writes a new, empty command library: the four tables of the program with their ID keys,
    // protected by the program's database password. Fails (and writes nothing) when `path`
    // exists.
    static Result<void> createLibrary(const std::string &path);

    // User tables, in catalog order.
    virtual std::vector<std::string> tableNames() const = 0;

    // Runs a select statement of the supported subset. Text comparisons ("=" and "like" with
    // '%' and '_') ignore letter case, as Jet's do. Errors: SqlSyntax outside the subset,
    // NoSuchTable, NoSuchColumn, TypeMismatch, or a read fault (Corrupt, IoError).
    virtual Result<std::unique_ptr<Cursor>> query(std::string_view sql) = 0;
    // Runs an insert, update or delete statement atomically; returns the number of rows changed.
    // Outside a transaction the statement is durable when this returns.
    virtual Result<std::uint64_t> execute(std::string_view sql) = 0;

    // The statements executed between beginTransaction() and commitTransaction() change the
    // file as one: committed whole (durable when commitTransaction() returns) or not at all;
    // queries in between see their changes. A statement failing inside the transaction rolls all
    // of it back, and every later statement fails until commitTransaction() (which reports the
    // failure) or rollbackTransaction() ends it. Closing the database rolls an open one back.
    // Errors: ReadOnly; Unsupported for a second begin or an end without a begin.
    virtual Result<void> beginTransaction() = 0;
    virtual Result<void> commitTransaction() = 0;
    virtual void rollbackTransaction() = 0;
};

} // namespace Qb::Jet
