// Journal file: "QBJRNL1\0", u32 page count, u32 record count, records of (u32 page, 4096 bytes),
// then a 64-bit FNV-1a checksum of everything before it. A journal whose checksum does not
// match was cut short while being written, before any database page changed.
#include "jet/storage/journal.h"

#include "jet/format/bytes.h"
#include "jet/format/bytewriter.h"
#include "jet/storage/pagesource.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <unistd.h>
#include <vector>

namespace Qb::Jet {

namespace {

constexpr char Magic[8] = {'Q', 'B', 'J', 'R', 'N', 'L', '1', '\0'};
constexpr std::size_t HeaderSize = 16;
constexpr std::size_t RecordSize = 4 + PageSize;

std::uint64_t fnv1a(std::span<const std::uint8_t> bytes)
{
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (std::uint8_t b : bytes) {
        h ^= b;
        h *= 0x100000001b3ull;
    }
    return h;
}

Error ioError(const std::string &what, const std::string &path)
{
    return Error{ErrorCode::IoError, what + " " + path + ": " + std::strerror(errno)};
}

std::string directoryOf(const std::string &path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : (slash == 0 ? std::string("/") : path.substr(0, slash));
}

Result<void> syncDirectory(const std::string &path)
{
    const int fd = ::open(directoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return std::unexpected(ioError("cannot open the directory of", path));
    const int r = ::fsync(fd);
    ::close(fd);
    if (r != 0)
        return std::unexpected(ioError("cannot flush the directory of", path));
    return {};
}

Result<void> writeFile(const std::string &path, const std::vector<std::uint8_t> &bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return std::unexpected(ioError("cannot create", path));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const Error e = ioError("cannot write", path);
            ::close(fd);
            return std::unexpected(e);
        }
        done += std::size_t(n);
    }
    const bool synced = ::fsync(fd) == 0;
    const Error e = ioError("cannot flush", path);
    ::close(fd);
    if (!synced)
        return std::unexpected(e);
    return {};
}

std::vector<std::uint8_t> encode(std::uint32_t pageCount, const std::map<std::uint32_t, PageBytes> &before)
{
    std::vector<std::uint8_t> out(Magic, Magic + sizeof Magic);
    std::vector<const std::pair<const std::uint32_t, PageBytes> *> kept;
    for (const auto &entry : before)
        if (entry.first < pageCount)
            kept.push_back(&entry);
    append32(out, pageCount);
    append32(out, std::uint32_t(kept.size()));
    out.reserve(HeaderSize + kept.size() * RecordSize + 8);
    for (const auto *entry : kept) {
        append32(out, entry->first);
        out.insert(out.end(), entry->second.begin(), entry->second.end());
    }
    const std::uint64_t sum = fnv1a(out);
    append32(out, std::uint32_t(sum));
    append32(out, std::uint32_t(sum >> 32));
    return out;
}

// Whether `bytes` is a whole journal: magic, sizes that add up, matching checksum.
bool complete(const std::vector<std::uint8_t> &bytes)
{
    if (bytes.size() < HeaderSize + 8 || std::memcmp(bytes.data(), Magic, sizeof Magic) != 0)
        return false;
    const std::uint64_t records = u32(bytes, 12);
    if (bytes.size() != HeaderSize + records * RecordSize + 8)
        return false;
    const std::size_t end = bytes.size() - 8;
    return fnv1a(std::span(bytes.data(), end)) == u64(bytes, end);
}

Result<void> playBack(const std::vector<std::uint8_t> &bytes, PageSource &db)
{
    const std::uint32_t pageCount = u32(bytes, 8);
    const std::uint32_t records = u32(bytes, 12);
    for (std::uint32_t i = 0; i < records; ++i) {
        const std::size_t at = HeaderSize + std::size_t(i) * RecordSize;
        const std::uint32_t page = u32(bytes, at);
        if (auto w = db.write(page, std::span(bytes.data() + at + 4, PageSize)); !w)
            return w;
    }
    if (auto t = db.truncate(pageCount); !t)
        return t;
    return db.sync();
}

// The file seen through a journal's before-images; every change is refused.
class JournalView final : public PageSource
{
public:
    JournalView(std::unique_ptr<PageSource> inner, const std::vector<std::uint8_t> &journal)
        : m_inner(std::move(inner)), m_pageCount(u32(journal, 8))
    {
        for (std::uint32_t i = 0; i < u32(journal, 12); ++i) {
            const std::size_t at = HeaderSize + std::size_t(i) * RecordSize;
            auto &image = m_images[u32(journal, at)];
            std::copy(journal.begin() + std::ptrdiff_t(at + 4), journal.begin() + std::ptrdiff_t(at + 4 + PageSize),
                      image.begin());
        }
    }
    Result<std::uint32_t> pageCount() const override { return m_pageCount; }
    Result<std::uint64_t> byteSize() const override { return std::uint64_t(m_pageCount) * PageSize; }
    Result<void> read(std::uint32_t page, std::span<std::uint8_t> out) const override
    {
        if (page >= m_pageCount)
            return fail(ErrorCode::Truncated, "page " + std::to_string(page) + " is past the end of the file");
        if (auto it = m_images.find(page); it != m_images.end()) {
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
    std::uint32_t m_pageCount;
    std::map<std::uint32_t, PageBytes> m_images;
};

std::vector<std::uint8_t> readWhole(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

} // namespace

std::string journalPathFor(const std::string &databasePath)
{
    return databasePath + "-journal";
}

Journal::Journal(std::string databasePath) : m_path(journalPathFor(databasePath)) {}

Result<void> Journal::begin(std::uint32_t pageCount, const std::map<std::uint32_t, PageBytes> &before)
{
    if (auto w = writeFile(m_path, encode(pageCount, before)); !w)
        return w;
    return syncDirectory(m_path);
}

Result<void> Journal::finish()
{
    if (::unlink(m_path.c_str()) != 0 && errno != ENOENT)
        return std::unexpected(ioError("cannot remove", m_path));
    return syncDirectory(m_path);
}

Result<bool> Journal::recover(PageSource &db)
{
    if (::access(m_path.c_str(), F_OK) != 0)
        return false;
    const std::vector<std::uint8_t> bytes = readWhole(m_path);
    const bool rollBack = complete(bytes);
    if (rollBack) {
        if (auto r = playBack(bytes, db); !r)
            return fail(r.error().code, "rolling back the unfinished statement in " + m_path + ": " + r.error().message);
    }
    if (auto f = finish(); !f)
        return std::unexpected(f.error());
    return rollBack;
}

Result<std::unique_ptr<PageSource>> Journal::readOnlyView(std::unique_ptr<PageSource> database)
{
    const std::vector<std::uint8_t> bytes = readWhole(m_path);
    if (!complete(bytes))
        return database;
    return std::unique_ptr<PageSource>(std::make_unique<JournalView>(std::move(database), bytes));
}

} // namespace Qb::Jet
