// SPDX-License-Identifier: GPL-3.0-or-later
// Transaction pages and their commit.
#include "jet/write/txwriter.h"

#include "jet/storage/journal.h"

#include <vector>

namespace Qb::Jet {

TxWriter::TxWriter(PageCache &cache) : m_cache(cache)
{
    m_originalCount = m_cache.pageCount().value_or(0);
    m_pageCount = m_originalCount;
    m_cache.setOverlay(this);
}

TxWriter::~TxWriter()
{
    rollback();
}

const TxWriter::Recent *TxWriter::found(std::uint32_t page) const
{
    Recent &recent = recentSlot(page);
    if ((recent.dirty || recent.pin) && recent.page == page)
        return &recent;
    if (const auto it = m_dirty.find(page); it != m_dirty.end())
        recent = {page, &it->second, nullptr};
    else if (const auto pin = m_pins.find(page); pin != m_pins.end())
        recent = {page, nullptr, &pin->second};
    else
        return nullptr;
    return &recent;
}

PageRef TxWriter::changedPage(std::uint32_t number) const
{
    if (const Recent *r = found(number); r && r->dirty)
        return *r->dirty;
    return nullptr;
}

// A page neither changed nor read yet this statement, from the cache.
Result<PageRef> TxWriter::pinned(std::uint32_t page)
{
    auto p = m_cache.page(page);
    if (!p)
        return std::unexpected(p.error());
    // The cache may evict the page; the pin keeps its bytes alive for the statement.
    const PageRef &pin = m_pins.emplace(page, *p).first->second;
    recentSlot(page) = {page, nullptr, &pin};
    return pin;
}

Result<ByteSpan> TxWriter::read(std::uint32_t page)
{
    if (const Recent *r = found(page))
        return r->dirty ? ByteSpan((*r->dirty)->data(), PageSize) : bytesOf(*r->pin);
    auto p = pinned(page);
    if (!p)
        return std::unexpected(p.error());
    return bytesOf(*p);
}

Result<MutableBytes> TxWriter::write(std::uint32_t page)
{
    const Recent *r = found(page);
    if (r && r->dirty)
        return MutableBytes((*r->dirty)->data(), PageSize);
    auto original = r ? Result<PageRef>(*r->pin) : pinned(page);
    if (!original)
        return std::unexpected(original.error());
    if (page < m_originalCount)
        m_before.try_emplace(page, *original);
    else
        ++m_addedHeld;
    const auto &slot = m_dirty[page] = std::make_shared<PageBytes>(**original);
    recentSlot(page) = {page, &slot, nullptr};
    return MutableBytes(slot->data(), PageSize);
}

std::uint32_t TxWriter::append()
{
    const std::uint32_t page = m_pageCount++;
    const auto &slot = m_dirty[page] = std::make_shared<PageBytes>();
    recentSlot(page) = {page, &slot, nullptr};
    ++m_addedHeld;
    return page;
}

namespace {

std::uint64_t mapKey(std::uint32_t page, std::uint8_t row) { return std::uint64_t(page) << 8 | row; }

} // namespace

TxWriter::OpenPages &TxWriter::openPages(std::uint32_t mapPage, std::uint8_t mapRow)
{
    return m_openPages[mapKey(mapPage, mapRow)];
}

void TxWriter::endStatement()
{
    for (Recent &recent : m_recent)
        if (recent.pin)
            recent = {};
    m_pins.clear();
}

// Pages written back unchanged need neither a journal image nor a write.
void TxWriter::dropUnchanged()
{
    forgetRecent();
    for (auto it = m_dirty.begin(); it != m_dirty.end() && it->first < m_originalCount;) {
        const auto before = m_before.find(it->first);
        if (before != m_before.end() && *before->second == *it->second)
            it = m_dirty.erase(it);
        else
            ++it;
    }
}

// Writes the changed pages (only the added ones when `addedOnly`) in runs of neighbours.
Result<void> TxWriter::writeRuns(bool addedOnly)
{
    PageSource &source = m_cache.source();
    std::vector<const PageBytes *> run;
    std::uint32_t first = 0;
    auto flushRun = [&]() -> Result<void> {
        if (run.empty())
            return {};
        auto w = source.writeRun(first, run);
        run.clear();
        return w;
    };
    // Pages are appended in order, so every added page lands at or before the end of the file.
    for (auto it = addedOnly ? m_dirty.lower_bound(m_originalCount) : m_dirty.begin(); it != m_dirty.end(); ++it) {
        if (!run.empty() && it->first != first + run.size())
            if (auto w = flushRun(); !w)
                return w;
        if (run.empty())
            first = it->first;
        run.push_back(it->second.get());
    }
    return flushRun();
}

Result<void> TxWriter::spill(Journal *journal, std::size_t limit)
{
    if (m_addedHeld <= limit)
        return {};
    if (journal && !m_spillJournal) {
        if (auto j = journal->beginAppending(m_originalCount); !j)
            return j;
        m_spillJournal = journal;
    }
    if (auto w = writeRuns(true); !w)
        return w;
    forgetRecent();
    for (auto it = m_dirty.lower_bound(m_originalCount); it != m_dirty.end(); it = m_dirty.erase(it)) {
        m_written[it->first] = pageHash(*it->second);
        m_cache.invalidate(it->first);
    }
    m_addedHeld = 0;
    return {};
}

bool TxWriter::restore()
{
    PageSource &source = m_cache.source();
    bool ok = true;
    for (const auto &[page, bytes] : m_dirty)
        if (page < m_originalCount)
            ok = source.write(page, *m_before.at(page)).has_value() && ok;
    ok = source.truncate(m_originalCount).has_value() && ok;
    return source.sync().has_value() && ok;
}

void TxWriter::close()
{
    forgetRecent();
    m_dirty.clear();
    m_pins.clear();
    m_before.clear();
    m_written.clear();
    m_releasedFloor = 0;
    m_openPages.clear();
    m_addedHeld = 0;
    m_cache.setOverlay(nullptr);
    m_open = false;
}

void TxWriter::rollback()
{
    if (!m_open)
        return;
    if (!m_written.empty()) {
        PageSource &source = m_cache.source();
        const bool cut = source.truncate(m_originalCount).has_value() && source.sync().has_value();
        if (cut && m_spillJournal)
            (void)m_spillJournal->finish();
        m_cache.invalidateAll();
    }
    close();
}

Result<void> TxWriter::commit(Journal *journal)
{
    if (!m_open)
        return fail(ErrorCode::IoError, "the transaction has already ended");
    dropUnchanged();
    if (m_dirty.empty() && m_written.empty()) {
        close();
        return {};
    }
    if (journal) {
        JournalRecord record{m_originalCount, m_pageCount, {}, m_written};
        for (const auto &[page, bytes] : m_dirty) {
            record.after[page] = pageHash(*bytes);
            if (page < m_originalCount)
                record.before.emplace(page, m_before.at(page).get());
        }
        if (auto j = journal->begin(record); !j) {
            rollback();
            (void)journal->finish(); // the file is untouched: no record of this commit may stay
            return j;
        }
    }
    auto written = writeRuns(false);
    if (written && journal)
        written = journal->pagesWritten();
    if (written)
        written = m_cache.source().sync();
    if (!written) {
        // Without a good flush of the original pages, what the file seems to hold proves nothing.
        const bool restored = restore();
        if (journal && restored)
            (void)journal->finish();
        else if (journal)
            journal->pagesInDoubt();
        m_cache.invalidateAll();
        close();
        return written;
    }
    // The pages are durable: a record the journal still held would be found satisfied.
    if (journal)
        (void)journal->finish();
    for (const auto &[page, bytes] : m_dirty)
        m_cache.store(page, bytes);
    m_cache.setPageCount(m_pageCount);
    close();
    return {};
}

} // namespace Qb::Jet
