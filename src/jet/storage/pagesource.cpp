// SPDX-License-Identifier: GPL-3.0-or-later
// The file-backed and in-memory page sources.
#include "jet/storage/pagesource.h"

#include "jet/storage/filesystem.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace Qb::Jet {

namespace {

Result<void> checkPageBuffer(std::size_t size)
{
    if (size != PageSize)
        return fail(ErrorCode::IoError, "page buffer is not one page long");
    return {};
}

// A source over an open file; no caching here (the page cache sits above the source).
class FilePageSource final : public PageSource
{
public:
    explicit FilePageSource(std::unique_ptr<File> file) : m_file(std::move(file)) {}

    Result<std::uint32_t> pageCount() const override
    {
        auto size = byteSize();
        if (!size)
            return std::unexpected(size.error());
        const std::uint64_t pages = *size / PageSize;
        if (pages > 0xFFFFFFFFull)
            return fail(ErrorCode::Corrupt, "file too large for a Jet database: " + m_file->path());
        return static_cast<std::uint32_t>(pages);
    }

    Result<std::uint64_t> byteSize() const override { return m_file->size(); }

    Result<void> read(std::uint32_t page, std::span<std::uint8_t> out) const override
    {
        if (auto ok = checkPageBuffer(out.size()); !ok)
            return ok;
        auto whole = readFully(*m_file, std::uint64_t(page) * PageSize, out);
        if (!whole)
            return fail(ErrorCode::IoError, "page " + std::to_string(page) + ": " + whole.error().message);
        if (!*whole)
            return fail(ErrorCode::Truncated, "page " + std::to_string(page) + " lies past the end of " + m_file->path());
        return {};
    }

    // One scattered read for the run; whatever goes wrong with it, the first page is read alone
    // so that its error is the one read() gives.
    Result<std::size_t> readRun(std::uint32_t first, std::span<PageBytes *const> out) const override
    {
        std::vector<std::span<std::uint8_t>> buffers;
        buffers.reserve(out.size());
        for (PageBytes *p : out)
            buffers.emplace_back(p->data(), PageSize);
        auto n = m_file->readScattered(std::uint64_t(first) * PageSize, buffers);
        if (n && *n >= PageSize)
            return *n / PageSize;
        if (auto one = read(first, *out[0]); !one)
            return std::unexpected(one.error());
        return 1;
    }

    Result<void> write(std::uint32_t page, std::span<const std::uint8_t> data) override
    {
        if (auto ok = checkPageBuffer(data.size()); !ok)
            return ok;
        return located(page, writeFully(*m_file, std::uint64_t(page) * PageSize, data));
    }

    // One gathered write for the whole run (the file layer goes on after a short one).
    Result<void> writeRun(std::uint32_t first, std::span<const PageBytes *const> pages) override
    {
        std::vector<ByteRun> runs;
        runs.reserve(pages.size());
        for (const PageBytes *p : pages)
            runs.emplace_back(p->data(), PageSize);
        return located(first, writeFully(*m_file, std::uint64_t(first) * PageSize, runs));
    }

    Result<void> truncate(std::uint32_t pages) override { return m_file->truncate(std::uint64_t(pages) * PageSize); }

    Result<void> sync() override { return m_file->sync(); }

private:
    static Result<void> located(std::uint32_t page, Result<void> r)
    {
        if (!r)
            return fail(r.error().code, "page " + std::to_string(page) + ": " + r.error().message);
        return r;
    }

    std::unique_ptr<File> m_file;
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

Result<std::size_t> PageSource::readRun(std::uint32_t first, std::span<PageBytes *const> out) const
{
    if (auto one = read(first, *out[0]); !one)
        return std::unexpected(one.error());
    return 1;
}

Result<std::unique_ptr<PageSource>> openFilePageSource(const std::string &path, bool writable)
{
    auto file = fileSystem().open(path, writable ? OpenMode::ReadWrite : OpenMode::Read);
    if (!file)
        return std::unexpected(file.error());
    return std::unique_ptr<PageSource>(std::make_unique<FilePageSource>(std::move(*file)));
}

std::unique_ptr<PageSource> makeMemoryPageSource(std::vector<std::uint8_t> initial)
{
    return std::make_unique<MemoryPageSource>(std::move(initial));
}

} // namespace Qb::Jet
