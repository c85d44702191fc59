// SPDX-License-Identifier: GPL-3.0-or-later
// Decoded index pages kept between the index writer's calls, statements and transactions, so a
// row change decodes the pages on its path only when they changed some other way.
#pragma once

#include "jet/format/indexpagewriter.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>

namespace Qb::Jet {

// Each image is trusted only while the page holds exactly the bytes it was decoded from or
// encoded to, as far as decoding reads them (the header, the entry bitmap and the entries; the
// unused end of the entry area of a page it stored is neither kept nor compared): a page changed
// behind the writer's back (a rolled-back transaction, a journal played back, a page released
// and used again, a root emptied by compaction) no longer matches and is decoded again. Images are changed in place between change() and stored(); pointers
// stay valid until the next beginOperation(). Owned by the database (or by one table writer);
// one thread. Memory: about capacity × (4 KiB + the decoded entries).
class IndexPageCache
{
public:
    explicit IndexPageCache(std::size_t capacity = 256) : m_capacity(capacity) {}

    // Before each insert, removal or lookup of the writer: drops images left half changed by a
    // call that failed, and the least recently used ones beyond the capacity.
    void beginOperation();

    // The image of `page`, whose current bytes are `bytes`: the cached one when it matches them
    // or is being changed in this operation, else decoded anew. Corrupt as decodeIndexPage.
    Result<IndexPageImage *> image(std::uint32_t page, ByteSpan bytes);
    // The image of `page` is about to change in place (REQUIRES: image() or adopt() returned it
    // in this operation); it is not trusted until stored().
    IndexPageImage &change(std::uint32_t page);
    // A new page's image, not trusted until stored().
    IndexPageImage &adopt(std::uint32_t page, IndexPageImage image);
    // The page now holds `bytes`, encoded from its image by encodeIndexPageInto or
    // encodeAppendedEntry (so its free space is exact).
    void stored(std::uint32_t page, ByteSpan bytes);
    // encodedEntryBytes() of the page's image while it is trusted (kept from its decoding or
    // from the bytes it was stored as), so the writer need not walk a leaf's entries to learn
    // whether one more fits; nullopt while the image is being changed or is not cached.
    std::optional<std::size_t> entryBytes(std::uint32_t page) const;
    void forget(std::uint32_t page);

private:
    struct Entry
    {
        PageBytes bytes{};
        IndexPageImage image;
        std::size_t entryBytes = 0; // of the image, while trusted
        std::size_t kept = 0;       // how many of `bytes` are the page's
        bool trusted = false;
        std::uint64_t used = 0;
    };
    Entry &entry(std::uint32_t page);
    void trust(Entry &e, bool trusted);
    // Keeps the first `used` bytes of the page the entry's image was decoded from or encoded to.
    static void keep(Entry &e, ByteSpan bytes, std::size_t used);
    static bool holds(const Entry &e, ByteSpan bytes);

    std::size_t m_capacity;
    std::uint64_t m_clock = 0;
    std::size_t m_untrusted = 0; // entries between change() or adopt() and stored()
    std::unordered_map<std::uint32_t, std::unique_ptr<Entry>> m_entries;
};

} // namespace Qb::Jet
