// SPDX-License-Identifier: GPL-3.0-or-later
// The rollback journal that makes each transaction atomic and durable. Before the first page of
// the database changes, the journal "<database>-journal" receives the original bytes of every
// page the transaction overwrites, a hash of every changed page's new bytes and the file's page
// counts, and is flushed. A journal found when the database is opened is played back unless the
// database already holds every new page (the transaction was complete): either way the file is in
// the state before or after the transaction. The journal file is kept while the database is open
// and its record invalidated after each commit, so a statement creates and removes no file.
// Owned by the open database; one thread.
#pragma once

#include "jet/jeterror.h"
#include "jet/storage/pagesource.h"

#include <map>
#include <memory>
#include <string>

namespace Qb::Jet {

class File;

// What a transaction's commit changes in the file.
struct JournalRecord
{
    std::uint32_t originalCount = 0; // pages before the transaction
    std::uint32_t finalCount = 0;    // pages after it
    // The original bytes of every changed page below originalCount.
    std::map<std::uint32_t, const PageBytes *> before;
    // pageHash() of the new bytes of every changed page. Empty: nothing tells whether the
    // transaction completed, so a crash always rolls it back.
    std::map<std::uint32_t, std::uint64_t> after;
};

// A 64-bit hash of a page's bytes, for telling whether the file holds a page's new version.
std::uint64_t pageHash(const PageBytes &page);

class Journal
{
public:
    explicit Journal(std::string databasePath);
    // Invalidates, flushes and removes the journal file when this object opened it.
    ~Journal();
    Journal(const Journal &) = delete;
    Journal &operator=(const Journal &) = delete;

    const std::string &path() const { return m_path; }

    // Writes and flushes `record` (creating the journal file, and flushing its directory entry,
    // the first time). The database's pages may change once it returns.
    Result<void> begin(const JournalRecord &record);
    // Written before a transaction's new pages (at or past `originalCount`) reach the file
    // ahead of its commit: a crash before the commit cuts the file back to `originalCount`.
    // A later begin() of the same transaction replaces it without a moment of neither.
    Result<void> beginAppending(std::uint32_t originalCount);
    // The commit has written its pages and is about to flush them. Nothing to do: the record
    // was flushed by begin() (except under a deliberate mutation, see setCrashSafetyMutation).
    Result<void> pagesWritten();
    // The transaction is complete (or undone): the record no longer applies. Not flushed: a
    // record found after a crash that the file already satisfies is dropped anyway.
    Result<void> finish();

    // Plays back a journal left by an unfinished transaction and removes the file: restores the
    // original pages and cuts the file to its original size, unless the file holds every new
    // page (and no failed write or flush of this session puts those pages in doubt: see
    // pagesInDoubt()). Removes an incomplete or invalidated journal. No journal: nothing to do.
    // Returns whether a transaction was rolled back.
    Result<bool> recover(PageSource &database);

    // A commit's page writes or flush failed and it could not restore the original pages: the
    // file may show new pages (from the system's cache) that are not on disk, so the record
    // is played back whatever the file seems to hold.
    void pagesInDoubt() { m_pagesInDoubt = true; }

    // For readers that must not write: the database as recover() would leave it, without
    // changing the file. `database` itself when there is nothing to roll back.
    Result<std::unique_ptr<PageSource>> readOnlyView(std::unique_ptr<PageSource> database);

    // Whether the journal file holds a record that a crash now would act on.
    bool pending() const;
    // Whether a record this object wrote was neither finished nor recovered: a commit failed
    // and could not undo itself, so the file must be recovered before it changes again.
    bool unsettled() const { return m_unsettled; }

private:
    Result<void> openFile();
    Result<void> writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes);
    Result<void> flush();

    std::string m_path;
    std::unique_ptr<File> m_file;
    std::uint64_t m_size = 0; // bytes of m_file as far as it is known to reach (no fstat per commit)
    bool m_flushOwed = false; // JournalFlushedAfterPages: begin() left its flush to pagesWritten()
    bool m_directoryFlushed = false; // the journal's name is durable
    bool m_pagesInDoubt = false;
    bool m_appending = false; // a beginAppending() record is in place
    bool m_unsettled = false; // a record is in place that finish() has not cleared
};

// Deliberate faults in the order of the journal's writes, for the crash simulation's test that
// it catches them; None (the default) everywhere else. JournalFlushedAfterPages: a commit's
// record is flushed after its pages were written instead of before. NoDirectoryFlushForJournal:
// the new journal's name is not flushed to its directory.
enum class CrashSafetyMutation { None, JournalFlushedAfterPages, NoDirectoryFlushForJournal };
void setCrashSafetyMutation(CrashSafetyMutation mutation);

// The journal file's name beside a database.
std::string journalPathFor(const std::string &databasePath);

} // namespace Qb::Jet
