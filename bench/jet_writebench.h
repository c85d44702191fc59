// SPDX-License-Identifier: GPL-3.0-or-later
// Pieces of the write benchmark: the command rows and statements both engines run, and the
// references measured beside the engine (a pwrite + fdatasync loop and SQLite).
#pragma once

#include "jet/storage/filesystem.h"

#include <cstdint>
#include <functional>
#include <string>

struct sqlite3;

namespace Qb::Bench {

// The statements of one kind, numbered from 0; `size` is the library's number of commands.
using StatementText = std::function<std::string(int i)>;

// The rows of a library of `size` commands, as insert statements (command k = 0..size-1).
std::string insertCommand(int k);
// Single-statement edits as the program sends them: an insert of a new command, an update of
// an existing one by ID, a delete of an existing one by name. `count` statements of each kind
// are run on a library of `size` commands (count <= size).
StatementText insertStatements(int size);
StatementText updateStatements(int size, int count);
StatementText deleteStatements(int size, int count);

// Seconds for `count` iterations of pwrite + fdatasync of one 4 KiB page in `dir`.
double floorSeconds(const std::string &dir, int count);

// What the engine asked of the disk: writes (system calls), bytes and flushes of the journal
// and of the library, and the time spent in those flushes; apart, the flushes that followed a
// change of the file's length (the file system commits the new length with the data) and
// their time.
struct IoCounts
{
    struct PerFile
    {
        std::uint64_t writes = 0, bytes = 0, syncs = 0;
        double syncSeconds = 0;
        std::uint64_t resizedSyncs = 0;
        double resizedSyncSeconds = 0;
    };
    PerFile journal, library;
    std::uint64_t truncates = 0, directorySyncs = 0;
    IoCounts operator-(const IoCounts &o) const;
    IoCounts &operator+=(const IoCounts &o);
};

// Passes every call to `inner` (the system's file layer) and counts into `counts`.
class CountingFileSystem final : public Qb::Jet::FileSystem
{
public:
    CountingFileSystem(Qb::Jet::FileSystem &inner, IoCounts &counts) : m_inner(inner), m_counts(counts) {}

    Qb::Jet::Result<std::unique_ptr<Qb::Jet::File>> open(const std::string &path, Qb::Jet::OpenMode mode,
                                                         bool *missing) override;
    Qb::Jet::Result<std::unique_ptr<Qb::Jet::File>> createUnique(const std::string &prefix, unsigned permissions) override;
    Qb::Jet::Result<unsigned> permissions(const std::string &path, bool *missing) override
    {
        return m_inner.permissions(path, missing);
    }
    Qb::Jet::Result<void> remove(const std::string &path) override { return m_inner.remove(path); }
    Qb::Jet::Result<void> rename(const std::string &from, const std::string &to) override
    {
        return m_inner.rename(from, to);
    }
    Qb::Jet::Result<void> syncDirectory(const std::string &path) override;
    Qb::Jet::Result<std::unique_ptr<Qb::Jet::FileLockHold>> lock(const std::string &path) override
    {
        return m_inner.lock(path);
    }

private:
    Qb::Jet::FileSystem &m_inner;
    IoCounts &m_counts;
};

// The disk pattern of a statement at the two-flush limit: a record written at the start of a
// journal file and flushed, pages written at scattered places of a 64 MB file and flushed, then
// a 32-byte write to the journal (its invalidation).
class TwoFlushPattern
{
public:
    explicit TwoFlushPattern(const std::string &dir);
    ~TwoFlushPattern();
    TwoFlushPattern(const TwoFlushPattern &) = delete;
    TwoFlushPattern &operator=(const TwoFlushPattern &) = delete;

    // Seconds for `count` statements of `journalPages` journal pages and `pages` library pages.
    double run(int count, int journalPages, int pages);

private:
    static constexpr long FilePages = 16384;
    std::string m_base;
    int m_fd = -1, m_journal = -1;
    bool m_ok = false;
    std::uint32_t m_spread = 1;
};

// An SQLite database with the same table, filled with `size` commands in one transaction.
// `wal` chooses the write-ahead log; both use synchronous=FULL.
class SqliteLibrary
{
public:
    SqliteLibrary(const std::string &path, bool wal);
    ~SqliteLibrary();
    SqliteLibrary(const SqliteLibrary &) = delete;
    SqliteLibrary &operator=(const SqliteLibrary &) = delete;

    bool fill(int size);
    // Seconds for statements first..first+count-1, each its own transaction; negative on failure.
    double run(int first, int count, const StatementText &statement);
    // Seconds for running `script` (statements ended by ";") as one transaction.
    double runScript(const std::string &script);

private:
    bool exec(const std::string &sql);

    ::sqlite3 *m_db = nullptr;
    std::string m_path;
};

} // namespace Qb::Bench
