// SPDX-License-Identifier: GPL-3.0-or-later
// Long-value reading. Layout: docs/jet-format.md, "Long values".
#include "jet/format/longvalue.h"

#include "jet/format/datapage.h"
#include "jet/storage/pagecache.h"

#include <set>

namespace Qb::Jet {

namespace {

std::string rowName(std::uint32_t page, std::uint8_t row)
{
    return "long-value row " + std::to_string(row) + " on page " + std::to_string(page);
}

// The bytes of one LVAL row, kept alive by `holder`.
Result<ByteSpan> lvalRow(PageCache &pages, std::uint32_t page, std::uint8_t row, PageRef &holder)
{
    auto p = pages.page(page);
    if (!p)
        return std::unexpected(p.error());
    holder = *p;
    const ByteSpan bytes = bytesOf(holder);
    if (bytes[0] != PageTypeData || dataPageOwner(bytes) != LongValueOwner)
        return fail(ErrorCode::Corrupt, rowName(page, row) + ": the page is not a long-value page");
    auto slot = rowSlot(bytes, page, row);
    if (!slot)
        return std::unexpected(slot.error());
    return bytes.subspan(slot->start, slot->end - slot->start);
}

Result<void> readChain(PageCache &pages, StoredRowPointer at, std::uint32_t length,
                       std::vector<LongValueRow> *visited, std::vector<std::uint8_t> &out)
{
    out.clear();
    std::set<std::pair<std::uint32_t, std::uint8_t>> seen;
    while (out.size() < length) {
        if (at.page == 0)
            return fail(ErrorCode::Corrupt, "long-value chain ends after " + std::to_string(out.size())
                                                + " of " + std::to_string(length) + " bytes");
        if (!seen.insert({at.page, at.row}).second)
            return fail(ErrorCode::Corrupt, "long-value chain loops at " + rowName(at.page, at.row));
        PageRef holder;
        auto row = lvalRow(pages, at.page, at.row, holder);
        if (!row)
            return std::unexpected(row.error());
        if (visited)
            visited->push_back({at.page, at.row});
        if (row->size() < 4)
            return fail(ErrorCode::Corrupt, rowName(at.page, at.row) + " is too short for a chain link");
        const std::size_t take = std::min<std::size_t>(row->size() - 4, length - out.size());
        out.insert(out.end(), row->begin() + 4, row->begin() + 4 + long(take));
        at = storedRowPointer(*row, 0);
    }
    return {};
}

// The value's bytes where they lie (see longValueBytes); `visited`, when given, receives each
// LVAL row read.
Result<ByteSpan> gatherLongValue(PageCache &pages, ByteSpan field, PageRef &holder, std::vector<std::uint8_t> &scratch,
                                 std::vector<LongValueRow> *visited)
{
    if (field.size() < LongValueHeaderSize)
        return fail(ErrorCode::Corrupt, "a memo or OLE field of " + std::to_string(field.size())
                                            + " bytes is shorter than its 12-byte header");
    const std::uint32_t word = u32(field, 0);
    const std::uint32_t length = word & LongValueLengthMask;
    const StoredRowPointer at = storedRowPointer(field, 4);
    if (word & LongValueInline) {
        if (field.size() - LongValueHeaderSize < length)
            return fail(ErrorCode::Corrupt, "an inline memo states " + std::to_string(length) + " bytes but holds "
                                                + std::to_string(field.size() - LongValueHeaderSize));
        return field.subspan(LongValueHeaderSize, length);
    }
    if (word & LongValueSingleRow) {
        auto row = lvalRow(pages, at.page, at.row, holder);
        if (!row)
            return std::unexpected(row.error());
        if (visited)
            visited->push_back({at.page, at.row});
        if (row->size() < length)
            return fail(ErrorCode::Corrupt, rowName(at.page, at.row) + " holds " + std::to_string(row->size())
                                                + " bytes, fewer than the stated " + std::to_string(length));
        return row->first(length);
    }
    if (auto r = readChain(pages, at, length, visited, scratch); !r)
        return std::unexpected(r.error());
    return ByteSpan(scratch);
}

} // namespace

Result<std::vector<std::uint8_t>> readLongValue(PageCache &pages, ByteSpan field, std::vector<LongValueRow> *visited)
{
    PageRef holder;
    std::vector<std::uint8_t> chain;
    auto bytes = gatherLongValue(pages, field, holder, chain, visited);
    if (!bytes)
        return std::unexpected(bytes.error());
    if (bytes->data() == chain.data())
        return chain;
    return std::vector<std::uint8_t>(bytes->begin(), bytes->end());
}

Result<ByteSpan> longValueBytes(PageCache &pages, ByteSpan field, PageRef &holder, std::vector<std::uint8_t> &scratch)
{
    return gatherLongValue(pages, field, holder, scratch, nullptr);
}

} // namespace Qb::Jet
