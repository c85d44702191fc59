// SPDX-License-Identifier: GPL-3.0-or-later
// The pages one transaction changes, held in memory until it commits. While it is open it is the
// page cache's overlay, so every read (its own, cursors', definitions') sees its changes. Commit
// journals the original bytes, writes the changed pages in runs of neighbours, flushes the file
// once and hands the pages to the cache; on any failure the original bytes go back, so a failed
// transaction leaves the file as it was. A long transaction may write its new pages ahead (see
// spill()), keeping its memory bounded. One thread; one open TxWriter per cache at a time.
#pragma once

#include "jet/format/bytewriter.h"
#include "jet/storage/pagecache.h"

#include <array>
#include <map>
#include <memory>

namespace Qb::Jet {

class Journal;

class TxWriter final : public PageOverlay
{
public:
    // Becomes `cache`'s overlay until it commits or rolls back.
    explicit TxWriter(PageCache &cache);
    // Rolls back when neither commit() nor rollback() ran.
    ~TxWriter() override;
    TxWriter(const TxWriter &) = delete;
    TxWriter &operator=(const TxWriter &) = delete;

    // The page's current bytes (this transaction's version when it changed it), valid until
    // endStatement(). Corrupt past the end of the file.
    Result<ByteSpan> read(std::uint32_t page);
    // A writable copy of the page; later reads return it.
    Result<MutableBytes> write(std::uint32_t page);
    // Appends a zeroed page at the end of the file and returns its number.
    std::uint32_t append();
    std::uint32_t pageCount() const { return m_pageCount; }

    // Between the statements of a transaction: lets go of the pages held for reading.
    void endStatement();
    // When more than `limit` added pages are held, writes them to the file ahead of the commit
    // (after `journal`, when given, records that a crash cuts them off again).
    Result<void> spill(Journal *journal, std::size_t limit);

    // Journals (when `journal` is given), writes and flushes every changed page, then clears the
    // journal's record. On failure the original pages are restored as far as the source allows
    // (the journal, left in place, restores the rest at the next open).
    Result<void> commit(Journal *journal);
    // Drops every change; the file is cut back when new pages were written ahead.
    void rollback();

    // What this transaction has learnt of the global map: no page below the floor is a released
    // page. Every allocation searches from it, so a growing file is not walked from its start
    // each time; releasing a page lowers it. PageAlloc keeps it; 0 when unknown.
    std::uint32_t releasedFloor() const { return m_releasedFloor; }
    void setReleasedFloor(std::uint32_t floor) { m_releasedFloor = floor; }

    // What this transaction has learnt of a free-space map (named by the page and row of its
    // usage map row): the lowest pages of it that can take a row (at most Capacity, ascending),
    // each with its room as last seen, and where the search for them stopped (every page of the
    // map below `scanned` that can take a row is held). RoomFinder keeps it; not `known` until it
    // has looked.
    struct OpenPage
    {
        std::uint32_t page = 0;
        std::uint16_t room = 0;
    };
    struct OpenPages
    {
        static constexpr std::size_t Capacity = 8;
        bool known = false;
        std::uint8_t count = 0;
        std::uint32_t scanned = 0;
        std::array<OpenPage, Capacity> pages{};
    };
    OpenPages &openPages(std::uint32_t mapPage, std::uint8_t mapRow);

    PageRef changedPage(std::uint32_t number) const override;
    std::uint32_t overlayPageCount() const override { return m_pageCount; }

private:
    Result<PageRef> pinned(std::uint32_t page);
    // Entries of m_dirty and m_pins found lately, by page number modulo their count: the few
    // pages a statement keeps coming back to (its data page, long-value page, maps, index
    // leaves) are found without a search. An entry's address holds until it leaves its map,
    // which forgets them all.
    struct Recent
    {
        std::uint32_t page = 0;
        const std::shared_ptr<PageBytes> *dirty = nullptr; // the page's version, when changed
        const PageRef *pin = nullptr;                       // else its pin, when read
    };
    const Recent *found(std::uint32_t page) const;
    Recent &recentSlot(std::uint32_t page) const { return m_recent[page % m_recent.size()]; }
    void forgetRecent() const { m_recent.fill({}); }
    void dropUnchanged();
    Result<void> writeRuns(bool addedOnly);
    bool restore();
    void close();

    PageCache &m_cache;
    std::uint32_t m_originalCount = 0;
    std::uint32_t m_pageCount = 0;
    std::map<std::uint32_t, PageRef> m_before;                    // original pages it changed
    std::map<std::uint32_t, std::shared_ptr<PageBytes>> m_dirty;  // its versions, in page order
    std::map<std::uint32_t, PageRef> m_pins;                      // pages read this statement
    std::map<std::uint32_t, std::uint64_t> m_written;             // added pages written ahead: hash
    std::size_t m_addedHeld = 0; // entries of m_dirty at or past m_originalCount
    std::uint32_t m_releasedFloor = 0;
    std::map<std::uint64_t, OpenPages> m_openPages;               // by map row
    mutable std::array<Recent, 64> m_recent{};
    Journal *m_spillJournal = nullptr;
    bool m_open = true;
};

} // namespace Qb::Jet
