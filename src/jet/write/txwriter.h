// The pages one statement changes, held in memory until the statement commits. Reads see the
// statement's own changes; commit journals the original bytes, writes and flushes the pages,
// and on any failure puts the original bytes back, so a failed statement leaves the file as it
// was. Used from one thread, for one statement.
#pragma once

#include "jet/format/bytewriter.h"
#include "jet/storage/pagecache.h"

#include <map>
#include <memory>

namespace Qb::Jet {

class Journal;

class TxWriter
{
public:
    explicit TxWriter(PageCache &cache);

    // The page's current bytes (this statement's version when it changed it).
    Result<ByteSpan> read(std::uint32_t page);
    // A writable copy of the page; later reads return it. Truncated past the end of the file.
    Result<MutableBytes> write(std::uint32_t page);
    // Appends a zeroed page at the end of the file and returns its number.
    std::uint32_t append();
    std::uint32_t pageCount() const { return m_pageCount; }

    // Journals (when `journal` is given), writes and flushes every changed page, then removes
    // the journal. On failure the original pages are restored as far as the source allows (the
    // journal, left in place, restores the rest at the next open).
    Result<void> commit(Journal *journal);

private:
    Result<void> writeAll();
    void restore();

    PageCache &m_cache;
    std::uint32_t m_originalCount = 0;
    std::uint32_t m_pageCount = 0;
    std::map<std::uint32_t, PageBytes> m_before;
    std::map<std::uint32_t, std::unique_ptr<PageBytes>> m_dirty;
};

} // namespace Qb::Jet
