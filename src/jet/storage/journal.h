// The rollback journal that makes each statement atomic and durable. Before the first page of
// the database changes, the original bytes of every page the statement will overwrite (and the
// file's page count) are written to "<database>-journal" and flushed. The journal is removed
// once the changed pages are flushed; a journal found when the database is opened for writing
// is played back, restoring the file to its state before the unfinished statement.
#pragma once

#include "jet/jeterror.h"
#include "jet/storage/pagecache.h"

#include <map>
#include <memory>
#include <string>

namespace Qb::Jet {

class PageSource;

class Journal
{
public:
    explicit Journal(std::string databasePath);

    const std::string &path() const { return m_path; }

    // Writes and flushes the journal (and its directory entry). `before` maps page numbers to
    // their original bytes; pages at or past `pageCount` are new and need no image.
    Result<void> begin(std::uint32_t pageCount, const std::map<std::uint32_t, PageBytes> &before);

    // Removes the journal: the statement is complete. Flushes the directory.
    Result<void> finish();

    // Plays back a complete journal left by an unfinished statement and removes it; removes an
    // incomplete one (written before any page changed). No journal: nothing to do.
    // Returns whether a statement was rolled back.
    Result<bool> recover(PageSource &database);

    // For readers that must not write: the database as it was before the unfinished statement
    // a complete journal records (the journal's page images over the file, cut to its page
    // count), without changing the file. `database` itself when there is no complete journal.
    Result<std::unique_ptr<PageSource>> readOnlyView(std::unique_ptr<PageSource> database);

private:
    std::string m_path;
};

// The journal file's name beside a database.
std::string journalPathFor(const std::string &databasePath);

} // namespace Qb::Jet
