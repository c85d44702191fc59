// SPDX-License-Identifier: GPL-3.0-or-later
// A bounded cache of pages over a PageSource. Readers hold pages through shared pointers, so a
// page stays valid while used even when the cache evicts it. While a transaction is open its
// changed pages shadow the file's (the overlay), so every reader sees the transaction's own
// changes; its commit stores them here. Owned by the database object; not thread-safe (the
// engine is used from one thread).
#pragma once

#include "jet/format/bytes.h"
#include "jet/storage/pagesource.h"

#include <list>
#include <memory>
#include <unordered_map>

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
        std::list<std::uint32_t>::iterator lru;
    };

    void insert(std::uint32_t number, PageRef bytes);
    Result<std::shared_ptr<PageBytes>> readSource(std::uint32_t number);

    std::unique_ptr<PageSource> m_source;
    std::size_t m_capacity;
    std::unordered_map<std::uint32_t, Entry> m_entries;
    std::list<std::uint32_t> m_lru; // most recently used first
    std::uint32_t m_pageCount = 0;
    bool m_pageCountKnown = false;
    const PageOverlay *m_overlay = nullptr;
};

inline ByteSpan bytesOf(const PageRef &page) { return ByteSpan(page->data(), page->size()); }

} // namespace Qb::Jet
