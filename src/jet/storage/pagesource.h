// SPDX-License-Identifier: GPL-3.0-or-later
// Page-level I/O under the engine. The file-backed source is the real one; the memory source
// serves tests, and a failing source wrapped around either injects I/O faults.
#pragma once

#include "jet/jeterror.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace Qb::Jet {

inline constexpr std::size_t PageSize = 4096; // Jet 4 pages

using PageBytes = std::array<std::uint8_t, PageSize>;

class PageSource
{
public:
    virtual ~PageSource() = default;

    // Number of whole pages. A trailing partial page is not counted (callers report Truncated).
    virtual Result<std::uint32_t> pageCount() const = 0;
    // Size of the underlying data in bytes (to detect trailing partial pages).
    virtual Result<std::uint64_t> byteSize() const = 0;
    // REQUIRES: out.size() == PageSize. Fails with Truncated for a page past the end.
    virtual Result<void> read(std::uint32_t page, std::span<std::uint8_t> out) const = 0;
    // Reads consecutive pages from `first` into `out` (at least one buffer), stopping early at
    // the end of the data or wherever reading on would cost more than it saves; returns how many
    // were read, at least one, or the error read(first) gives. By default one page is read; the
    // file source reads the whole run in one call.
    virtual Result<std::size_t> readRun(std::uint32_t first, std::span<PageBytes *const> out) const;
    // REQUIRES: data.size() == PageSize, page <= pageCount() (page == pageCount() appends).
    virtual Result<void> write(std::uint32_t page, std::span<const std::uint8_t> data) = 0;
    // Writes `pages` to consecutive pages from `first`, as one write() each in order would
    // (a file source hands them to the system in one call). REQUIRES: first <= pageCount().
    virtual Result<void> writeRun(std::uint32_t first, std::span<const PageBytes *const> pages);
    // Shrinks the data to `pages` pages (used when a rollback undoes appended pages).
    virtual Result<void> truncate(std::uint32_t pages) = 0;
    // Makes every write so far durable, the size of the data included.
    virtual Result<void> sync() = 0;
};

// Opens a file for reading (writable == false) or reading and writing.
Result<std::unique_ptr<PageSource>> openFilePageSource(const std::string &path, bool writable);

// A source over bytes held in memory (a copy of `initial`).
std::unique_ptr<PageSource> makeMemoryPageSource(std::vector<std::uint8_t> initial = {});

} // namespace Qb::Jet
