// A bounded cache of pages over a PageSource. Readers hold pages through shared pointers, so a
// page stays valid while used even when the cache evicts it. Owned by the database object; not
// thread-safe (the engine is used from one thread).
#pragma once

#include "jet/format/bytes.h"
#include "jet/storage/pagesource.h"

#include <array>
#include <list>
#include <memory>
#include <unordered_map>

namespace Qb::Jet {

using PageBytes = std::array<std::uint8_t, PageSize>;
using PageRef = std::shared_ptr<const PageBytes>;

class PageCache
{
public:
    // `capacity` in pages (memory bound: capacity × 4 KiB plus pages still held by readers).
    explicit PageCache(std::unique_ptr<PageSource> source, std::size_t capacity = 4096);

    // The page's bytes; Truncated past the end of the file.
    Result<PageRef> page(std::uint32_t number);
    // Pages in the file, read once and cached until invalidateAll().
    Result<std::uint32_t> pageCount();

    // Forget one page / everything (after a write through the source).
    void invalidate(std::uint32_t number);
    void invalidateAll();

    PageSource &source() { return *m_source; }

private:
    struct Entry
    {
        PageRef page;
        std::list<std::uint32_t>::iterator lru;
    };

    std::unique_ptr<PageSource> m_source;
    std::size_t m_capacity;
    std::unordered_map<std::uint32_t, Entry> m_entries;
    std::list<std::uint32_t> m_lru; // most recently used first
    std::uint32_t m_pageCount = 0;
    bool m_pageCountKnown = false;
};

inline ByteSpan bytesOf(const PageRef &page) { return ByteSpan(page->data(), page->size()); }

} // namespace Qb::Jet
