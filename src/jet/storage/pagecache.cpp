// SPDX-License-Identifier: GPL-3.0-or-later
// The bounded page cache.
#include "jet/storage/pagecache.h"

namespace Qb::Jet {

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
        m_lru.splice(m_lru.begin(), m_lru, it->second.lru);
        return it->second.page;
    }
    auto bytes = readSource(number);
    if (!bytes)
        return std::unexpected(bytes.error());
    insert(number, *bytes);
    return PageRef(std::move(*bytes));
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

Result<std::shared_ptr<PageBytes>> PageCache::readSource(std::uint32_t number)
{
    auto count = pageCount();
    if (!count)
        return std::unexpected(count.error());
    if (number >= *count)
        return fail(ErrorCode::Corrupt, "page " + std::to_string(number) + " lies past the end of the file ("
                                            + std::to_string(*count) + " pages)");
    auto bytes = std::make_shared<PageBytes>();
    if (auto ok = m_source->read(number, *bytes); !ok)
        return std::unexpected(ok.error());
    return bytes;
}

void PageCache::insert(std::uint32_t number, PageRef bytes)
{
    if (m_entries.size() >= m_capacity) {
        m_entries.erase(m_lru.back());
        m_lru.pop_back();
    }
    m_lru.push_front(number);
    m_entries.emplace(number, Entry{std::move(bytes), m_lru.begin()});
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
        it->second.page = std::move(bytes);
        m_lru.splice(m_lru.begin(), m_lru, it->second.lru);
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
    if (auto it = m_entries.find(number); it != m_entries.end()) {
        m_lru.erase(it->second.lru);
        m_entries.erase(it);
    }
    m_pageCountKnown = false;
}

void PageCache::invalidateAll()
{
    m_entries.clear();
    m_lru.clear();
    m_pageCountKnown = false;
}

} // namespace Qb::Jet
