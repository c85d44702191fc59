// SPDX-License-Identifier: GPL-3.0-or-later
// The file-backed and in-memory page sources.
#include "jet/storage/pagesource.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <vector>

namespace Qb::Jet {

namespace {

std::string osError(const std::string &what, const std::string &path)
{
    return what + " " + path + ": " + std::strerror(errno);
}

Result<void> checkPageBuffer(std::size_t size)
{
    if (size != PageSize)
        return fail(ErrorCode::IoError, "page buffer is not one page long");
    return {};
}

// A source over an open file descriptor; positional reads and writes, no caching here
// (the page cache sits above the source).
class FilePageSource final : public PageSource
{
public:
    FilePageSource(int fd, std::string path) : m_fd(fd), m_path(std::move(path)) {}
    ~FilePageSource() override { ::close(m_fd); }

    Result<std::uint32_t> pageCount() const override
    {
        auto size = byteSize();
        if (!size)
            return std::unexpected(size.error());
        const std::uint64_t pages = *size / PageSize;
        if (pages > 0xFFFFFFFFull)
            return fail(ErrorCode::Corrupt, "file too large for a Jet database: " + m_path);
        return static_cast<std::uint32_t>(pages);
    }

    Result<std::uint64_t> byteSize() const override
    {
        struct stat st {};
        if (::fstat(m_fd, &st) != 0)
            return fail(ErrorCode::IoError, osError("cannot stat", m_path));
        return static_cast<std::uint64_t>(st.st_size);
    }

    Result<void> read(std::uint32_t page, std::span<std::uint8_t> out) const override
    {
        if (auto ok = checkPageBuffer(out.size()); !ok)
            return ok;
        std::size_t done = 0;
        const off_t base = static_cast<off_t>(page) * static_cast<off_t>(PageSize);
        while (done < PageSize) {
            const ssize_t n = ::pread(m_fd, out.data() + done, PageSize - done, base + static_cast<off_t>(done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return fail(ErrorCode::IoError, osError("cannot read page " + std::to_string(page) + " of", m_path));
            if (n == 0)
                return fail(ErrorCode::Truncated, "page " + std::to_string(page) + " lies past the end of " + m_path);
            done += static_cast<std::size_t>(n);
        }
        return {};
    }

    Result<void> write(std::uint32_t page, std::span<const std::uint8_t> data) override
    {
        if (auto ok = checkPageBuffer(data.size()); !ok)
            return ok;
        std::size_t done = 0;
        const off_t base = static_cast<off_t>(page) * static_cast<off_t>(PageSize);
        while (done < PageSize) {
            const ssize_t n = ::pwrite(m_fd, data.data() + done, PageSize - done, base + static_cast<off_t>(done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return fail(ErrorCode::IoError, osError("cannot write page " + std::to_string(page) + " of", m_path));
            done += static_cast<std::size_t>(n);
        }
        return {};
    }

    // One pwritev per run of up to IOV_MAX pages; a short write goes on page by page.
    Result<void> writeRun(std::uint32_t first, std::span<const PageBytes *const> pages) override
    {
        std::vector<iovec> vectors;
        for (std::size_t done = 0; done < pages.size();) {
            const std::size_t n = std::min<std::size_t>(pages.size() - done, IOV_MAX);
            vectors.clear();
            for (std::size_t i = 0; i < n; ++i)
                vectors.push_back({const_cast<std::uint8_t *>(pages[done + i]->data()), PageSize});
            const off_t at = static_cast<off_t>(first + done) * static_cast<off_t>(PageSize);
            ssize_t written = ::pwritev(m_fd, vectors.data(), int(n), at);
            if (written < 0 && errno != EINTR)
                return fail(ErrorCode::IoError, osError("cannot write page " + std::to_string(first + done) + " of", m_path));
            const std::size_t whole = written > 0 ? std::size_t(written) / PageSize : 0;
            for (std::size_t i = whole; i < n; ++i) // a short write: the rest one by one
                if (auto w = write(std::uint32_t(first + done + i), *pages[done + i]); !w)
                    return w;
            done += n;
        }
        return {};
    }

    Result<void> truncate(std::uint32_t pages) override
    {
        if (::ftruncate(m_fd, static_cast<off_t>(pages) * static_cast<off_t>(PageSize)) != 0)
            return fail(ErrorCode::IoError, osError("cannot truncate", m_path));
        return {};
    }

    // fdatasync also makes a changed file size durable; the rest of the metadata is not needed.
    Result<void> sync() override
    {
        if (::fdatasync(m_fd) != 0)
            return fail(ErrorCode::IoError, osError("cannot sync", m_path));
        return {};
    }

private:
    int m_fd;
    std::string m_path;
};

class MemoryPageSource final : public PageSource
{
public:
    explicit MemoryPageSource(std::vector<std::uint8_t> bytes) : m_bytes(std::move(bytes)) {}

    Result<std::uint32_t> pageCount() const override
    {
        return static_cast<std::uint32_t>(m_bytes.size() / PageSize);
    }
    Result<std::uint64_t> byteSize() const override { return m_bytes.size(); }

    Result<void> read(std::uint32_t page, std::span<std::uint8_t> out) const override
    {
        if (auto ok = checkPageBuffer(out.size()); !ok)
            return ok;
        const std::uint64_t start = std::uint64_t(page) * PageSize;
        if (start + PageSize > m_bytes.size())
            return fail(ErrorCode::Truncated, "page " + std::to_string(page) + " lies past the end of the data");
        std::memcpy(out.data(), m_bytes.data() + start, PageSize);
        return {};
    }

    Result<void> write(std::uint32_t page, std::span<const std::uint8_t> data) override
    {
        if (auto ok = checkPageBuffer(data.size()); !ok)
            return ok;
        const std::uint64_t start = std::uint64_t(page) * PageSize;
        if (start > m_bytes.size())
            return fail(ErrorCode::IoError, "write of page " + std::to_string(page) + " leaves a gap");
        if (start + PageSize > m_bytes.size())
            m_bytes.resize(start + PageSize);
        std::memcpy(m_bytes.data() + start, data.data(), PageSize);
        return {};
    }

    Result<void> truncate(std::uint32_t pages) override
    {
        m_bytes.resize(std::min<std::uint64_t>(m_bytes.size(), std::uint64_t(pages) * PageSize));
        return {};
    }
    Result<void> sync() override { return {}; }

private:
    std::vector<std::uint8_t> m_bytes;
};

} // namespace

Result<void> PageSource::writeRun(std::uint32_t first, std::span<const PageBytes *const> pages)
{
    for (std::size_t i = 0; i < pages.size(); ++i)
        if (auto w = write(std::uint32_t(first + i), *pages[i]); !w)
            return w;
    return {};
}

Result<std::unique_ptr<PageSource>> openFilePageSource(const std::string &path, bool writable)
{
    const int fd = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd < 0)
        return fail(ErrorCode::IoError, osError("cannot open", path));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail(ErrorCode::IoError, "not a regular file: " + path);
    }
    return std::make_unique<FilePageSource>(fd, path);
}

std::unique_ptr<PageSource> makeMemoryPageSource(std::vector<std::uint8_t> initial)
{
    return std::make_unique<MemoryPageSource>(std::move(initial));
}

} // namespace Qb::Jet
