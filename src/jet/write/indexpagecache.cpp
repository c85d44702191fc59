// SPDX-License-Identifier: GPL-3.0-or-later
// The index writer's decoded pages.
#include "jet/write/indexpagecache.h"

#include <algorithm>
#include <vector>

namespace Qb::Jet {

void IndexPageCache::beginOperation()
{
    if (m_untrusted > 0) {
        std::erase_if(m_entries, [](const auto &e) { return !e.second->trusted; });
        m_untrusted = 0;
    }
    if (m_entries.size() <= m_capacity)
        return;
    // Down to three quarters, so the scan for the oldest runs once per many decodes.
    std::vector<std::uint64_t> ages;
    ages.reserve(m_entries.size());
    for (const auto &[page, e] : m_entries)
        ages.push_back(e->used);
    const std::size_t drop = m_entries.size() - m_capacity * 3 / 4;
    std::nth_element(ages.begin(), ages.begin() + std::ptrdiff_t(drop - 1), ages.end());
    const std::uint64_t oldest = ages[drop - 1];
    std::erase_if(m_entries, [&](const auto &e) { return e.second->used <= oldest; });
}

IndexPageCache::Entry &IndexPageCache::entry(std::uint32_t page)
{
    auto &slot = m_entries[page];
    if (!slot) {
        slot = std::make_unique<Entry>(); // untrusted until it holds an image
        ++m_untrusted;
    }
    slot->used = ++m_clock;
    return *slot;
}

Result<IndexPageImage *> IndexPageCache::image(std::uint32_t page, ByteSpan bytes)
{
    if (auto it = m_entries.find(page); it != m_entries.end()) {
        Entry &e = *it->second;
        if (!e.trusted || holds(e, bytes)) {
            e.used = ++m_clock;
            return &e.image;
        }
    }
    auto decoded = decodeIndexPage(bytes, page);
    if (!decoded) {
        forget(page);
        return std::unexpected(decoded.error());
    }
    Entry &e = entry(page);
    e.image = std::move(*decoded);
    // A page of another writer may lay its entries out otherwise (a shorter shared prefix):
    // all of it is kept.
    e.entryBytes = encodedEntryBytes(e.image.entries);
    keep(e, bytes, PageSize);
    trust(e, true);
    return &e.image;
}

IndexPageImage &IndexPageCache::change(std::uint32_t page)
{
    Entry &e = entry(page);
    trust(e, false);
    return e.image;
}

IndexPageImage &IndexPageCache::adopt(std::uint32_t page, IndexPageImage image)
{
    Entry &e = entry(page);
    e.image = std::move(image);
    trust(e, false);
    return e.image;
}

void IndexPageCache::stored(std::uint32_t page, ByteSpan bytes)
{
    Entry &e = entry(page);
    e.entryBytes = IndexLayout::EntryAreaBytes - u16(bytes, 2);
    keep(e, bytes, IndexLayout::EntriesStart + e.entryBytes);
    trust(e, true);
}

std::optional<std::size_t> IndexPageCache::entryBytes(std::uint32_t page) const
{
    const auto it = m_entries.find(page);
    if (it == m_entries.end() || !it->second->trusted)
        return std::nullopt;
    return it->second->entryBytes;
}

void IndexPageCache::forget(std::uint32_t page)
{
    if (auto it = m_entries.find(page); it != m_entries.end()) {
        trust(*it->second, true);
        m_entries.erase(it);
    }
}

// A bulk load compares and keeps a leaf at every insert: of a page it encoded, only the used
// part (the entries end where its free space starts).
void IndexPageCache::keep(Entry &e, ByteSpan bytes, std::size_t used)
{
    e.kept = std::min({bytes.size(), used, std::size_t(PageSize)});
    std::copy(bytes.begin(), bytes.begin() + std::ptrdiff_t(e.kept), e.bytes.begin());
}

bool IndexPageCache::holds(const Entry &e, ByteSpan bytes)
{
    return bytes.size() == PageSize && std::equal(bytes.begin(), bytes.begin() + std::ptrdiff_t(e.kept), e.bytes.begin());
}

void IndexPageCache::trust(Entry &e, bool trusted)
{
    if (e.trusted != trusted)
        m_untrusted = trusted ? m_untrusted - 1 : m_untrusted + 1;
    e.trusted = trusted;
}

} // namespace Qb::Jet
