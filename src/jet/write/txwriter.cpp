// Statement pages and their commit.
#include "jet/write/txwriter.h"

#include "jet/storage/journal.h"

namespace Qb::Jet {

TxWriter::TxWriter(PageCache &cache) : m_cache(cache)
{
    m_originalCount = m_cache.pageCount().value_or(0);
    m_pageCount = m_originalCount;
}

Result<ByteSpan> TxWriter::read(std::uint32_t page)
{
    if (auto it = m_dirty.find(page); it != m_dirty.end())
        return ByteSpan(it->second->data(), PageSize);
    auto p = m_cache.page(page);
    if (!p)
        return std::unexpected(p.error());
    // The cache may evict the page; keep the bytes alive in the before-image map.
    auto [it, inserted] = m_before.try_emplace(page, **p);
    return ByteSpan(it->second.data(), PageSize);
}

Result<MutableBytes> TxWriter::write(std::uint32_t page)
{
    if (auto it = m_dirty.find(page); it != m_dirty.end())
        return MutableBytes(it->second->data(), PageSize);
    auto original = read(page);
    if (!original)
        return std::unexpected(original.error());
    auto copy = std::make_unique<PageBytes>();
    std::copy(original->begin(), original->end(), copy->begin());
    auto &slot = m_dirty[page] = std::move(copy);
    return MutableBytes(slot->data(), PageSize);
}

std::uint32_t TxWriter::append()
{
    const std::uint32_t page = m_pageCount++;
    m_dirty[page] = std::make_unique<PageBytes>();
    return page;
}

Result<void> TxWriter::writeAll()
{
    PageSource &source = m_cache.source();
    // Pages are appended in order, so every append lands exactly at the end of the file.
    for (const auto &[page, bytes] : m_dirty) {
        if (auto w = source.write(page, std::span<const std::uint8_t>(bytes->data(), PageSize)); !w)
            return w;
    }
    return source.sync();
}

void TxWriter::restore()
{
    PageSource &source = m_cache.source();
    for (const auto &[page, bytes] : m_dirty) {
        if (page >= m_originalCount)
            continue;
        if (auto it = m_before.find(page); it != m_before.end())
            (void)source.write(page, std::span<const std::uint8_t>(it->second.data(), PageSize));
    }
    (void)source.truncate(m_originalCount);
    (void)source.sync();
}

Result<void> TxWriter::commit(Journal *journal)
{
    if (m_dirty.empty())
        return {};
    if (journal) {
        std::map<std::uint32_t, PageBytes> before;
        for (const auto &[page, bytes] : m_dirty)
            if (page < m_originalCount)
                before.emplace(page, m_before.at(page));
        if (auto j = journal->begin(m_originalCount, before); !j) {
            (void)journal->finish();
            m_cache.invalidateAll();
            return j;
        }
    }
    auto written = writeAll();
    if (written && journal)
        written = journal->finish();
    if (!written) {
        restore();
        if (journal)
            (void)journal->recover(m_cache.source());
    }
    m_cache.invalidateAll();
    return written;
}

} // namespace Qb::Jet
