// SPDX-License-Identifier: GPL-3.0-or-later
// A bounded cache of pages over a PageSource. Readers hold pages through shared pointers, so a
// page stays valid while used even when the cache evicts it. While a transaction is open its
// changed pages shadow the file's (the overlay), so every reader sees the transaction's own
// changes; its commit stores them here. Owned by the database object; not thread-safe (the
// engine is used from one thread).
//
// Misses that follow each other through the file (a table scan, with the long values written
// beside its rows) are read ahead in growing runs, one call to the source per run. The pages of
// such a run go to a small ring of their own instead of the cache proper: a scan of a large
// table neither pushes the pages others use out nor makes the cache grow to its bound, and the
// buffers of pages leaving the ring (or the cache) are reused for the next reads once no reader
// holds them.
#pragma once

#include "jet/format/bytes.h"
#include "jet/storage/pagesource.h"

#include <list>
#include <memory>
#include <unordered_map>
#include <vector>

namespace Qb::Jet {

using PageRef = std::shared_ptr<const PageBytes>;

// The pages an open transaction changed or added (see TxWriter).
class PageOverlay
{
public:
    virtual ~PageOverlay() = default;
    // The transaction's version of the page; null when it did not change it.
    virtual PageRef changedPage(std::uint32_t number) const = 0;
    // Pages in the file as the transaction sees it.
    virtual std::uint32_t overlayPageCount() const = 0;
};

class PageCache
{
public:
    // `capacity` in pages (memory bound: capacity × 4 KiB plus pages still held by readers).
    explicit PageCache(std::unique_ptr<PageSource> source, std::size_t capacity = 4096);

    // The page's bytes (the overlay's version first); Corrupt past the end of the file.
    Result<PageRef> page(std::uint32_t number);
    // The same, but a page read from the source is not kept: a pass over a whole table reads
    // through it without pushing out the pages in use (nor growing the cache to its bound).
    Result<PageRef> pagePassing(std::uint32_t number);
    // Pages in the file (as the overlay sees it while one is set), read once and cached.
    Result<std::uint32_t> pageCount();

    // REQUIRES: no overlay is set, or `overlay` is null. The overlay must outlive its use.
    void setOverlay(const PageOverlay *overlay) { m_overlay = overlay; }
    // After `bytes` were written to the source as page `number`: they are the cached version.
    void store(std::uint32_t number, PageRef bytes);
    // After the source was written to `count` pages.
    void setPageCount(std::uint32_t count);

    // Forget one page / everything (after a write through the source the cache did not see) /
    // only the page count (after the source was cut short).
    void invalidate(std::uint32_t number);
    void invalidateAll();
    void invalidatePageCount() { m_pageCountKnown = false; }

    PageSource &source() { return *m_source; }

private:
    struct Entry
    {
        PageRef page;
        std::list<std::uint32_t>::iterator lru;   // in m_ring when `streamed`, else in m_lru
        bool streamed = false;
        bool reusable = false;                    // a buffer this cache read into
    };
    using Entries = std::unordered_map<std::uint32_t, Entry>;

    Result<PageRef> readMissing(std::uint32_t number, std::uint32_t count);
    std::size_t runLength(std::uint32_t number, std::uint32_t count);
    std::shared_ptr<PageBytes> freshBuffer();
    void insert(std::uint32_t number, PageRef bytes, bool streamed = false, bool reusable = false);
    void erase(Entries::iterator it);
    Result<std::uint32_t> countHolding(std::uint32_t number);
    Result<std::shared_ptr<PageBytes>> readSource(std::uint32_t number);

    std::unique_ptr<PageSource> m_source;
    std::size_t m_capacity;
    Entries m_entries;
    std::list<std::uint32_t> m_lru;  // most recently used first
    std::list<std::uint32_t> m_ring; // read-ahead pages, newest first
    std::vector<std::shared_ptr<PageBytes>> m_spare;
    std::uint32_t m_streamEnd = 0;   // one past the last page the last miss read
    std::size_t m_window = 0;        // the last run's length (0: no read yet)
    std::uint32_t m_pageCount = 0;
    bool m_pageCountKnown = false;
    const PageOverlay *m_overlay = nullptr;
};

inline ByteSpan bytesOf(const PageRef &page) { return ByteSpan(page->data(), page->size()); }

} // namespace Qb::Jet
