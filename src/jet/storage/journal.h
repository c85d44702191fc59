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
    // The transaction is complete (or undone): the record no longer applies. Not flushed: a
    // record found after a crash that the file already satisfies is dropped anyway.
    Result<void> finish();

    // Plays back a journal left by an unfinished transaction and removes the file: restores the
    // original pages and cuts the file to its original size, unless the file holds every new
    // page. Removes an incomplete or invalidated journal. No journal: nothing to do.
    // Returns whether a transaction was rolled back.
    Result<bool> recover(PageSource &database);

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
    int m_fd = -1;
    bool m_appending = false; // a beginAppending() record is in place
    bool m_unsettled = false; // a record is in place that finish() has not cleared
};

// The journal file's name beside a database.
std::string journalPathFor(const std::string &databasePath);

} // namespace Qb::Jet
