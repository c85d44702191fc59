// SPDX-License-Identifier: GPL-3.0-or-later
// Journal file: a 32-byte header, "QBJRNL2\0", u32 original page count, u32 final page count,
// u32 image count, u32 hash count, u64 checksum of header bytes 0..23 and the body; the body
// holds the hashes, (u32 page, u64 hash) each, then the images, (u32 page, 4096 bytes) each. A
// header whose checksum does not match (cut short while being written, or zeroed after a commit)
// is no record. Files of the earlier format ("QBJRNL1\0", u32 page count, u32 image count, the
// images, u64 FNV-1a checksum of everything before it) are still played back.
#include "jet/storage/journal.h"

#include "jet/format/bytes.h"
#include "jet/format/bytewriter.h"
#include "jet/storage/filesystem.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace Qb::Jet {

namespace {

constexpr char Magic[8] = {'Q', 'B', 'J', 'R', 'N', 'L', '2', '\0'};
constexpr char MagicV1[8] = {'Q', 'B', 'J', 'R', 'N', 'L', '1', '\0'};
constexpr std::size_t HeaderSize = 32;
constexpr std::size_t HashSize = 12;
constexpr std::size_t ImageSize = 4 + PageSize;
constexpr std::uint64_t LargeJournal = 4u << 20; // cut back after a commit that left it larger

// Each step is a bijection of the state, so inputs differing in one word never collide.
std::uint64_t hashBytes(std::span<const std::uint8_t> bytes, std::uint64_t h)
{
    constexpr std::uint64_t K = 0x9E3779B97F4A7C15ull;
    h ^= bytes.size() * K;
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, bytes.data() + i, 8);
        h = (h ^ w) * K;
        h ^= h >> 32;
    }
    std::uint64_t tail = 0;
    if (i < bytes.size())
        std::memcpy(&tail, bytes.data() + i, bytes.size() - i);
    h = (h ^ tail) * K;
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    return h ^ (h >> 32);
}

std::uint64_t fnv1a(std::span<const std::uint8_t> bytes)
{
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (std::uint8_t b : bytes) {
        h ^= b;
        h *= 0x100000001b3ull;
    }
    return h;
}

CrashSafetyMutation g_mutation = CrashSafetyMutation::None;

std::uint64_t checksum(std::span<const std::uint8_t> header, std::span<const std::uint8_t> body)
{
    return hashBytes(body, hashBytes(header.first(24), 0));
}

std::vector<std::uint8_t> encodeBody(const JournalRecord &r)
{
    std::vector<std::uint8_t> body;
    body.reserve(r.after.size() * HashSize + r.before.size() * ImageSize);
    for (const auto &[page, hash] : r.after) {
        append32(body, page);
        append32(body, std::uint32_t(hash));
        append32(body, std::uint32_t(hash >> 32));
    }
    for (const auto &[page, bytes] : r.before) {
        append32(body, page);
        body.insert(body.end(), bytes->begin(), bytes->end());
    }
    return body;
}

std::vector<std::uint8_t> encodeHeader(const JournalRecord &r, std::span<const std::uint8_t> body)
{
    std::vector<std::uint8_t> header(Magic, Magic + sizeof Magic);
    append32(header, r.originalCount);
    append32(header, r.finalCount);
    append32(header, std::uint32_t(r.before.size()));
    append32(header, std::uint32_t(r.after.size()));
    const std::uint64_t sum = checksum(header, body);
    append32(header, std::uint32_t(sum));
    append32(header, std::uint32_t(sum >> 32));
    return header;
}

// A decoded journal: page counts, images and hashes, from either format.
struct Decoded
{
    std::uint32_t originalCount = 0;
    std::uint32_t finalCount = 0;
    std::map<std::uint32_t, PageBytes> images;
    std::map<std::uint32_t, std::uint64_t> after;
};

void takeImages(ByteSpan bytes, std::size_t at, std::uint32_t count, Decoded &d)
{
    for (std::uint32_t i = 0; i < count; ++i, at += ImageSize)
        std::memcpy(d.images[u32(bytes, at)].data(), bytes.data() + at + 4, PageSize);
}

std::optional<Decoded> decodeV1(const File &file, std::uint64_t size)
{
    std::vector<std::uint8_t> bytes(size);
    if (size < 24 || !readFully(file, 0, bytes).value_or(false))
        return std::nullopt;
    const std::uint64_t images = u32(bytes, 12);
    if (size != 16 + images * ImageSize + 8 || fnv1a(std::span(bytes).first(size - 8)) != u64(bytes, size - 8))
        return std::nullopt;
    Decoded d;
    d.originalCount = d.finalCount = u32(bytes, 8);
    takeImages(bytes, 16, std::uint32_t(images), d);
    return d;
}

// The record in the journal file, when it holds a valid one.
Result<std::optional<Decoded>> decode(const File &file)
{
    auto fileSize = file.size();
    if (!fileSize)
        return std::unexpected(fileSize.error());
    const std::uint64_t size = *fileSize;
    std::uint8_t header[HeaderSize];
    auto got = readFully(file, 0, std::span(header, size < HeaderSize ? std::size_t(size) : HeaderSize));
    if (!got)
        return std::unexpected(got.error());
    if (size >= 24 && std::memcmp(header, MagicV1, 8) == 0)
        return decodeV1(file, size);
    if (size < HeaderSize || std::memcmp(header, Magic, 8) != 0)
        return std::nullopt;
    const ByteSpan h(header, HeaderSize);
    const std::uint64_t bodySize = std::uint64_t(u32(h, 16)) * ImageSize + std::uint64_t(u32(h, 20)) * HashSize;
    if (HeaderSize + bodySize > size)
        return std::nullopt;
    std::vector<std::uint8_t> body(bodySize);
    if (auto b = readFully(file, HeaderSize, body); !b || !*b || checksum(h, body) != u64(h, 24))
        return std::nullopt;
    Decoded d;
    d.originalCount = u32(h, 8);
    d.finalCount = u32(h, 12);
    std::size_t at = 0;
    for (std::uint32_t i = 0; i < u32(h, 20); ++i, at += HashSize)
        d.after[u32(body, at)] = u64(body, at + 4);
    takeImages(body, at, u32(h, 16), d);
    return std::optional(std::move(d));
}

// Whether `db` already holds every new page of the record: the transaction completed.
Result<bool> completeIn(const Decoded &d, const PageSource &db)
{
    auto count = db.pageCount();
    if (!count)
        return std::unexpected(count.error());
    if (d.after.empty() || *count != d.finalCount)
        return false;
    PageBytes page;
    for (const auto &[number, hash] : d.after) {
        if (auto r = db.read(number, page); !r)
            return std::unexpected(r.error());
        if (pageHash(page) != hash)
            return false;
    }
    return true;
}

Result<void> playBack(const Decoded &d, PageSource &db)
{
    for (const auto &[page, bytes] : d.images)
        if (auto w = db.write(page, bytes); !w)
            return w;
    if (auto t = db.truncate(d.originalCount); !t)
        return t;
    return db.sync();
}

// The file seen through a journal's images; every change is refused.
class JournalView final : public PageSource
{
public:
    JournalView(std::unique_ptr<PageSource> inner, Decoded journal) : m_inner(std::move(inner)), m_journal(std::move(journal)) {}
    Result<std::uint32_t> pageCount() const override { return m_journal.originalCount; }
    Result<std::uint64_t> byteSize() const override { return std::uint64_t(m_journal.originalCount) * PageSize; }
    Result<void> read(std::uint32_t page, std::span<std::uint8_t> out) const override
    {
        if (page >= m_journal.originalCount)
            return fail(ErrorCode::Truncated, "page " + std::to_string(page) + " is past the end of the file");
        if (auto it = m_journal.images.find(page); it != m_journal.images.end()) {
            std::copy(it->second.begin(), it->second.end(), out.begin());
            return {};
        }
        return m_inner->read(page, out);
    }
    Result<void> write(std::uint32_t, std::span<const std::uint8_t>) override { return refuse(); }
    Result<void> truncate(std::uint32_t) override { return refuse(); }
    Result<void> sync() override { return refuse(); }

private:
    static Result<void> refuse() { return fail(ErrorCode::ReadOnly, "the file is seen through its journal"); }

    std::unique_ptr<PageSource> m_inner;
    Decoded m_journal;
};

// The record of the journal at `path` that the file does not satisfy yet (nullopt: none); with
// `pagesInDoubt` any valid record, whatever the file holds.
Result<std::optional<Decoded>> unfinished(const std::string &path, const PageSource &db, bool pagesInDoubt = false)
{
    bool missing = false;
    auto file = fileSystem().open(path, OpenMode::Read, &missing);
    if (!file)
        return missing ? Result<std::optional<Decoded>>(std::nullopt) : std::unexpected(file.error());
    auto record = decode(**file);
    if (!record || !*record)
        return record;
    if (pagesInDoubt)
        return record;
    auto complete = completeIn(**record, db);
    if (!complete)
        return std::unexpected(complete.error());
    return *complete ? std::nullopt : std::move(*record);
}

} // namespace

std::uint64_t pageHash(const PageBytes &page)
{
    return hashBytes(page, 0x51B0C5ull);
}

std::string journalPathFor(const std::string &databasePath)
{
    return databasePath + "-journal";
}

void setCrashSafetyMutation(CrashSafetyMutation mutation)
{
    g_mutation = mutation;
}

Journal::Journal(std::string databasePath) : m_path(journalPathFor(databasePath)) {}

Journal::~Journal()
{
    if (!m_file)
        return;
    // A record still needed (a failed commit that could not undo itself) stays for the next open.
    const bool needed = pending();
    if (!needed) {
        (void)finish();
        (void)flush();
    }
    m_file.reset();
    if (!needed)
        (void)fileSystem().remove(m_path);
}

Result<void> Journal::openFile()
{
    if (!m_file) {
        auto file = fileSystem().open(m_path, OpenMode::Create);
        if (!file)
            return std::unexpected(file.error());
        auto size = (*file)->size();
        if (!size)
            return std::unexpected(size.error());
        m_file = std::move(*file);
        m_size = *size;
    }
    // Once per open database: the entry must survive a power loss before any page relies on it.
    // Until a directory flush has succeeded, every record tries again.
    if (m_directoryFlushed || g_mutation == CrashSafetyMutation::NoDirectoryFlushForJournal)
        return {};
    if (auto synced = fileSystem().syncDirectory(m_path); !synced)
        return synced;
    m_directoryFlushed = true;
    return {};
}

Result<void> Journal::writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes)
{
    // Counted before the write: a failed one may still have lengthened the file.
    m_size = std::max<std::uint64_t>(m_size, offset + bytes.size());
    return writeFully(*m_file, offset, bytes);
}

Result<void> Journal::flush()
{
    return m_file->sync();
}

Result<void> Journal::begin(const JournalRecord &record)
{
    if (auto o = openFile(); !o)
        return o;
    const std::vector<std::uint8_t> body = encodeBody(record);
    const std::vector<std::uint8_t> header = encodeHeader(record, body);
    m_unsettled = true; // from the first byte written: the record may be whole on disk
    if (m_appending) {
        // The appending record stays valid until the new header lands on the body beneath it.
        if (auto w = writeAt(HeaderSize, body); !w)
            return w;
        if (auto f = flush(); !f)
            return f;
        if (auto w = writeAt(0, header); !w)
            return w;
    } else {
        std::vector<std::uint8_t> whole = header;
        whole.insert(whole.end(), body.begin(), body.end());
        if (auto w = writeAt(0, whole); !w)
            return w;
    }
    m_appending = false;
    if (g_mutation == CrashSafetyMutation::JournalFlushedAfterPages) {
        m_flushOwed = true;
        return {};
    }
    return flush();
}

Result<void> Journal::pagesWritten()
{
    if (!m_flushOwed)
        return {};
    m_flushOwed = false;
    return flush();
}

Result<void> Journal::beginAppending(std::uint32_t originalCount)
{
    if (auto o = openFile(); !o)
        return o;
    JournalRecord record;
    record.originalCount = record.finalCount = originalCount;
    m_unsettled = true;
    if (auto w = writeAt(0, encodeHeader(record, {})); !w)
        return w;
    m_appending = true;
    return flush();
}

Result<void> Journal::finish()
{
    m_appending = m_flushOwed = false;
    if (!m_file)
        return {};
    const std::uint8_t zeros[HeaderSize] = {};
    if (auto w = writeAt(0, zeros); !w)
        return w;
    m_unsettled = false;
    if (m_size > LargeJournal && m_file->truncate(HeaderSize))
        m_size = HeaderSize;
    return {};
}

bool Journal::pending() const
{
    if (m_file) {
        auto record = decode(*m_file);
        return record && *record;
    }
    auto file = fileSystem().open(m_path, OpenMode::Read);
    if (!file)
        return false;
    auto record = decode(**file);
    return record && *record;
}

Result<bool> Journal::recover(PageSource &db)
{
    auto record = unfinished(m_path, db, m_pagesInDoubt);
    if (!record)
        return std::unexpected(record.error());
    if (*record) {
        if (auto r = playBack(**record, db); !r)
            return fail(r.error().code, "rolling back the unfinished statement in " + m_path + ": " + r.error().message);
    }
    // The record no longer applies; it is cleared before the file goes, so a removal lost in a
    // power failure does not bring it back. The next record goes into a new file.
    m_file.reset();
    m_appending = m_unsettled = m_flushOwed = m_directoryFlushed = m_pagesInDoubt = false;
    bool missing = false;
    auto file = fileSystem().open(m_path, OpenMode::ReadWrite, &missing);
    if (!file && !missing)
        return std::unexpected(file.error());
    if (file) {
        const std::uint8_t zeros[HeaderSize] = {};
        auto cleared = writeFully(**file, 0, zeros);
        if (cleared)
            cleared = (*file)->sync();
        file->reset();
        if (!cleared)
            return fail(ErrorCode::IoError, "cannot clear " + m_path + ": " + cleared.error().message);
        if (auto removed = fileSystem().remove(m_path); !removed)
            return std::unexpected(removed.error());
    }
    return record->has_value();
}

Result<std::unique_ptr<PageSource>> Journal::readOnlyView(std::unique_ptr<PageSource> database)
{
    auto record = unfinished(m_path, *database);
    if (!record)
        return std::unexpected(record.error());
    if (!*record)
        return database;
    return std::unique_ptr<PageSource>(std::make_unique<JournalView>(std::move(database), std::move(**record)));
}

} // namespace Qb::Jet
