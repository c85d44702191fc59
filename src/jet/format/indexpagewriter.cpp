// SPDX-License-Identifier: GPL-3.0-or-later
// Index page images. Entries are kept whole in memory; the shared prefix is the longest common
// prefix of the first and last entry, as Jet writes it.
#include "jet/format/indexpagewriter.h"

#include "jet/format/bytewriter.h"
#include "jet/format/datapage.h"

#include <algorithm>

namespace Qb::Jet {

namespace {

std::size_t sharedPrefix(const RawIndexEntry &a, const RawIndexEntry &b)
{
    const std::size_t limit = std::min(a.size(), b.size()) - 1;
    std::size_t n = 0;
    while (n < limit && a[n] == b[n])
        ++n;
    return n;
}

std::size_t sharedPrefix(const std::vector<RawIndexEntry> &entries)
{
    return entries.size() < 2 ? 0 : sharedPrefix(entries.front(), entries.back());
}

Result<IndexPageImage> corrupt(std::uint32_t page, const std::string &what)
{
    return fail(ErrorCode::Corrupt, "index page " + std::to_string(page) + ": " + what);
}

} // namespace

std::uint32_t IndexPageImage::child(std::size_t i) const
{
    return readBe32(entries[i], entries[i].size() - IndexLayout::ChildPointerBytes);
}

Result<IndexPageImage> decodeIndexPage(ByteSpan p, std::uint32_t number)
{
    if (p.size() != PageSize || (p[0] != PageTypeIndexNode && p[0] != PageTypeIndexLeaf))
        return corrupt(number, "not an index page");
    IndexPageImage img;
    img.leaf = p[0] == PageTypeIndexLeaf;
    img.tdefPage = u32(p, 4);
    img.prev = u32(p, 12);
    img.next = u32(p, 16);
    img.tail = u32(p, 20);
    const std::size_t prefix = u16(p, 24);
    const std::size_t minEntry = IndexLayout::RowPointerBytes + (img.leaf ? 0 : IndexLayout::ChildPointerBytes);
    std::size_t start = 0;
    for (std::size_t bit = 1; bit <= IndexLayout::EntryAreaBytes; ++bit) {
        if (!(p[IndexLayout::BitmapStart + bit / 8] & (1u << (bit % 8))))
            continue;
        RawIndexEntry e;
        if (!img.entries.empty()) {
            if (prefix > img.entries.front().size())
                return corrupt(number, "shared prefix longer than the first entry");
            e.assign(img.entries.front().begin(), img.entries.front().begin() + prefix);
        }
        e.insert(e.end(), p.begin() + IndexLayout::EntriesStart + start, p.begin() + IndexLayout::EntriesStart + bit);
        if (e.size() < minEntry)
            return corrupt(number, "entry shorter than its pointers at offset " + std::to_string(start));
        img.entries.push_back(std::move(e));
        start = bit;
    }
    return img;
}

std::size_t encodedEntryBytes(const std::vector<RawIndexEntry> &entries)
{
    const std::size_t prefix = sharedPrefix(entries);
    std::size_t total = 0;
    for (std::size_t i = 0; i < entries.size(); ++i)
        total += entries[i].size() - (i ? prefix : 0);
    return total;
}

std::size_t encodedEntryBytesAfterInsert(const std::vector<RawIndexEntry> &entries, std::size_t at, std::size_t before)
{
    const std::size_t n = entries.size();
    if (n < 4)
        return encodedEntryBytes(entries);
    const RawIndexEntry &oldFirst = entries[at == 0 ? 1 : 0];
    const RawIndexEntry &oldLast = entries[at == n - 1 ? n - 2 : n - 1];
    const std::size_t prefix = sharedPrefix(entries);
    // Whether it is first or not, the entry takes its bytes past the prefix: a new first entry
    // leaves the old one to lose the prefix instead.
    if (at != 0 && at != n - 1)
        return before + entries[at].size() - prefix;
    return sharedPrefix(oldFirst, oldLast) == prefix ? before + entries[at].size() - prefix : encodedEntryBytes(entries);
}

bool encodeIndexPageInto(const IndexPageImage &img, std::span<std::uint8_t, PageSize> p)
{
    const std::size_t prefix = sharedPrefix(img.entries);
    std::size_t total = 0;
    for (std::size_t i = 0; i < img.entries.size(); ++i)
        total += img.entries[i].size() - (i ? prefix : 0);
    if (total > IndexLayout::EntryAreaBytes)
        return false;
    std::fill(p.begin(), p.end(), 0);
    p[0] = img.leaf ? PageTypeIndexLeaf : PageTypeIndexNode;
    p[1] = 0x01;
    put32(p, 4, img.tdefPage);
    put32(p, 12, img.prev);
    put32(p, 16, img.next);
    put32(p, 20, img.leaf ? 0 : img.tail);
    put16(p, 24, std::uint16_t(prefix));
    std::size_t at = 0;
    for (std::size_t i = 0; i < img.entries.size(); ++i) {
        const RawIndexEntry &e = img.entries[i];
        const std::size_t skip = i ? prefix : 0;
        std::copy(e.begin() + skip, e.end(), p.begin() + IndexLayout::EntriesStart + at);
        at += e.size() - skip;
        p[IndexLayout::BitmapStart + at / 8] |= std::uint8_t(1u << (at % 8));
    }
    put16(p, 2, std::uint16_t(IndexLayout::EntryAreaBytes - at));
    return true;
}

bool encodeAppendedEntry(const IndexPageImage &img, std::size_t entryBytes, std::span<std::uint8_t, PageSize> p)
{
    const std::size_t n = img.entries.size();
    if (!img.leaf || n < 3 || p[0] != PageTypeIndexLeaf || u16(p, 24) != sharedPrefix(img.entries))
        return false;
    const std::size_t prefix = u16(p, 24);
    const RawIndexEntry &e = img.entries.back();
    const std::size_t end = entryBytes;
    if (end < e.size() - prefix)
        return false;
    const std::size_t at = end - (e.size() - prefix);
    const auto marked = [&p](std::size_t bit) { return p[IndexLayout::BitmapStart + bit / 8] & (1u << (bit % 8)); };
    if (end > IndexLayout::EntryAreaBytes || u16(p, 2) != IndexLayout::EntryAreaBytes - at || !marked(at))
        return false;
    std::copy(e.begin() + std::ptrdiff_t(prefix), e.end(), p.begin() + std::ptrdiff_t(IndexLayout::EntriesStart + at));
    p[IndexLayout::BitmapStart + end / 8] |= std::uint8_t(1u << (end % 8));
    put16(p, 2, std::uint16_t(IndexLayout::EntryAreaBytes - end));
    return true;
}

std::optional<PageBytes> encodeIndexPage(const IndexPageImage &img)
{
    PageBytes p;
    if (!encodeIndexPageInto(img, p))
        return std::nullopt;
    return p;
}

RawIndexEntry leafEntry(std::vector<std::uint8_t> key, std::uint32_t page, std::uint8_t row)
{
    appendBe24(key, page);
    key.push_back(row);
    return key;
}

RawIndexEntry nodeEntry(const RawIndexEntry &lastOfChild, std::uint32_t child)
{
    RawIndexEntry e = lastOfChild;
    appendBe32(e, child);
    return e;
}

RawIndexEntry entryWithoutChild(const RawIndexEntry &e)
{
    return RawIndexEntry(e.begin(), e.end() - IndexLayout::ChildPointerBytes);
}

std::vector<std::uint8_t> longKey(std::int32_t value)
{
    std::vector<std::uint8_t> key{0x7F};
    appendBe32(key, std::uint32_t(value) ^ 0x80000000u);
    return key;
}

} // namespace Qb::Jet
