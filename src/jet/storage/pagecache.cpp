// SPDX-License-Identifier: GPL-3.0-or-later
// The bounded page cache.
#include "jet/storage/pagecache.h"

#include <algorithm>

namespace Qb::Jet {

namespace {
constexpr std::size_t MaxRun = 32;      // pages read ahead at most (128 KiB)
constexpr std::size_t RingPages = 256;  // read-ahead pages kept (1 MiB)
constexpr std::size_t SpareLimit = 2 * MaxRun;
} // namespace

PageCache::PageCache(std::unique_ptr<PageSource> source, std::size_t capacity)
    : m_source(std::move(source)), m_capacity(capacity < 8 ? 8 : capacity)
{
}

Result<PageRef> PageCache::page(std::uint32_t number)
{
    if (m_overlay)
        if (PageRef changed = m_overlay->changedPage(number))
            return changed;
    if (auto it = m_entries.find(number); it != m_entries.end()) {
        // A read-ahead page keeps its place: the ring lets go of a scan's pages in the order read.
        if (!it->second.streamed)
            m_lru.splice(m_lru.begin(), m_lru, it->second.lru);
        return it->second.page;
    }
    auto count = countHolding(number);
    if (!count)
        return std::unexpected(count.error());
    return readMissing(number, *count);
}

Result<PageRef> PageCache::pagePassing(std::uint32_t number)
{
    if (m_overlay)
        if (PageRef changed = m_overlay->changedPage(number))
            return changed;
    if (auto it = m_entries.find(number); it != m_entries.end())
        return it->second.page;
    auto bytes = readSource(number);
    if (!bytes)
        return std::unexpected(bytes.error());
    return PageRef(std::move(*bytes));
}

// The file's page count, or Corrupt when `number` lies past its end.
Result<std::uint32_t> PageCache::countHolding(std::uint32_t number)
{
    auto count = pageCount();
    if (!count)
        return std::unexpected(count.error());
    if (number >= *count)
        return fail(ErrorCode::Corrupt, "page " + std::to_string(number) + " lies past the end of the file ("
                                            + std::to_string(*count) + " pages)");
    return count;
}

// One page read into a buffer of its own, kept by nobody but the caller.
Result<std::shared_ptr<PageBytes>> PageCache::readSource(std::uint32_t number)
{
    if (auto count = countHolding(number); !count)
        return std::unexpected(count.error());
    auto bytes = std::make_shared<PageBytes>();
    if (auto ok = m_source->read(number, *bytes); !ok)
        return std::unexpected(ok.error());
    return bytes;
}

// How many pages from `number` the next read takes: one for a miss that does not follow the
// last, a run twice as long as the last for one that does (a gap shorter than the run is
// allowed: the pages between may have been cached), never past the end or over a cached page.
std::size_t PageCache::runLength(std::uint32_t number, std::uint32_t count)
{
    const bool follows = m_window > 0 && number >= m_streamEnd && number - m_streamEnd < m_window;
    m_window = follows ? std::min(m_window * 2, MaxRun) : 1;
    std::size_t n = std::min<std::size_t>(m_window, count - number);
    for (std::size_t i = 1; i < n; ++i)
        if (m_entries.contains(std::uint32_t(number + i)))
            return i;
    return n;
}

Result<PageRef> PageCache::readMissing(std::uint32_t number, std::uint32_t count)
{
    const std::size_t n = runLength(number, count);
    const bool streamed = m_window > 1;
    std::shared_ptr<PageBytes> run[MaxRun];
    PageBytes *buffers[MaxRun];
    for (std::size_t i = 0; i < n; ++i) {
        run[i] = freshBuffer();
        buffers[i] = run[i].get();
    }
    auto read = m_source->readRun(number, std::span<PageBytes *const>(buffers, n));
    const std::size_t got = read ? std::min(*read, n) : 0;
    for (std::size_t i = got; i < n; ++i)
        if (m_spare.size() < SpareLimit)
            m_spare.push_back(std::move(run[i]));
    if (!read)
        return std::unexpected(read.error());
    m_streamEnd = std::uint32_t(number + got);
    for (std::size_t i = 0; i < got; ++i)
        insert(std::uint32_t(number + i), run[i], streamed, true);
    return PageRef(std::move(run[0]));
}

std::shared_ptr<PageBytes> PageCache::freshBuffer()
{
    if (m_spare.empty())
        return std::make_shared<PageBytes>();
    auto buffer = std::move(m_spare.back());
    m_spare.pop_back();
    return buffer;
}

void PageCache::insert(std::uint32_t number, PageRef bytes, bool streamed, bool reusable)
{
    std::list<std::uint32_t> &list = streamed ? m_ring : m_lru;
    if (list.size() >= (streamed ? RingPages : m_capacity))
        erase(m_entries.find(list.back()));
    list.push_front(number);
    m_entries.emplace(number, Entry{std::move(bytes), list.begin(), streamed, reusable});
}

// Forgets the entry; its buffer is kept for a later read when nobody else holds it.
void PageCache::erase(Entries::iterator it)
{
    Entry &e = it->second;
    (e.streamed ? m_ring : m_lru).erase(e.lru);
    if (e.reusable && e.page.use_count() == 1 && m_spare.size() < SpareLimit)
        m_spare.push_back(std::const_pointer_cast<PageBytes>(std::move(e.page)));
    m_entries.erase(it);
}

Result<std::uint32_t> PageCache::pageCount()
{
    if (m_overlay)
        return m_overlay->overlayPageCount();
    if (!m_pageCountKnown) {
        auto count = m_source->pageCount();
        if (!count)
            return count;
        m_pageCount = *count;
        m_pageCountKnown = true;
    }
    return m_pageCount;
}

void PageCache::store(std::uint32_t number, PageRef bytes)
{
    if (auto it = m_entries.find(number); it != m_entries.end()) {
        Entry &e = it->second;
        m_lru.splice(m_lru.begin(), e.streamed ? m_ring : m_lru, e.lru);
        e.page = std::move(bytes);
        e.streamed = false;
        e.reusable = false;
        return;
    }
    insert(number, std::move(bytes));
}

void PageCache::setPageCount(std::uint32_t count)
{
    m_pageCount = count;
    m_pageCountKnown = true;
}

void PageCache::invalidate(std::uint32_t number)
{
    if (auto it = m_entries.find(number); it != m_entries.end())
        erase(it);
    m_pageCountKnown = false;
}

void PageCache::invalidateAll()
{
    m_entries.clear();
    m_lru.clear();
    m_ring.clear();
    m_pageCountKnown = false;
}

} // namespace Qb::Jet
