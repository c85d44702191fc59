// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers of the engine's write-side tests: temporary directories, external readers (mdbtools,
// the mdb-reader npm package) run on the files the engine writes.
#pragma once

#include "jet/database.h"
#include "jet/storage/pagesource.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <cstdint>
#include <string>
#include <vector>

namespace Qb::Test {

// A fresh directory under the system's temporary directory, removed with its contents.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    std::string path(const std::string &name) const { return (m_dir / name).string(); }

private:
    std::filesystem::path m_dir;
};

// Runs a shell command; its standard output, or nullopt when it exits non-zero.
std::optional<std::string> runCommand(const std::string &command);

bool haveMdbTools();

// The script that prints every user table of a file as JSON through mdb-reader, or "" when
// node or the package is not installed. Arguments: FILE.
std::string mdbReaderScript();

// The script that prints every row of one table through mdb-reader as a JSON object per line
// (keys in column order), or "" when node or the package is not installed. Arguments: FILE TABLE.
std::string mdbReaderRowsScript();

// A page source that passes everything through until `budget` page writes have succeeded;
// then it fails every write, sync and truncate (a dead disk), or only the next write
// (a transient fault) when `transient`. `onFault`, when set, runs instead of failing
// (for example to kill the process at that point).
class FailingPageSource : public Qb::Jet::PageSource
{
public:
    FailingPageSource(std::unique_ptr<Qb::Jet::PageSource> inner, std::size_t budget, bool transient = false,
                      std::function<void()> onFault = {});
    Qb::Jet::Result<std::uint32_t> pageCount() const override { return m_inner->pageCount(); }
    Qb::Jet::Result<std::uint64_t> byteSize() const override { return m_inner->byteSize(); }
    Qb::Jet::Result<void> read(std::uint32_t page, std::span<std::uint8_t> out) const override
    {
        return m_inner->read(page, out);
    }
    Qb::Jet::Result<void> write(std::uint32_t page, std::span<const std::uint8_t> data) override;
    Qb::Jet::Result<void> truncate(std::uint32_t pages) override;
    Qb::Jet::Result<void> sync() override;

    std::size_t writes() const { return m_writes; }
    bool faulted() const { return m_faulted; }

private:
    bool failNow();

    std::unique_ptr<Qb::Jet::PageSource> m_inner;
    std::size_t m_budget;
    bool m_transient;
    std::function<void()> m_onFault;
    std::size_t m_writes = 0;
    bool m_faulted = false;
};

// A page source that passes everything through and tells `onRead` of each page read.
class ReadWatchingSource final : public Qb::Jet::PageSource
{
public:
    ReadWatchingSource(std::unique_ptr<Qb::Jet::PageSource> inner, std::function<void(std::uint32_t page)> onRead)
        : m_inner(std::move(inner)), m_onRead(std::move(onRead)) {}
    Qb::Jet::Result<std::uint32_t> pageCount() const override { return m_inner->pageCount(); }
    Qb::Jet::Result<std::uint64_t> byteSize() const override { return m_inner->byteSize(); }
    Qb::Jet::Result<void> read(std::uint32_t page, std::span<std::uint8_t> out) const override
    {
        m_onRead(page);
        return m_inner->read(page, out);
    }
    Qb::Jet::Result<void> write(std::uint32_t page, std::span<const std::uint8_t> data) override
    {
        return m_inner->write(page, data);
    }
    Qb::Jet::Result<void> truncate(std::uint32_t pages) override { return m_inner->truncate(pages); }
    Qb::Jet::Result<void> sync() override { return m_inner->sync(); }

private:
    std::unique_ptr<Qb::Jet::PageSource> m_inner;
    std::function<void(std::uint32_t)> m_onRead;
};

// Quotes a path for the shell.
std::string shellQuote(const std::string &s);

// Every page of a page source, concatenated.
std::vector<std::uint8_t> sourceBytes(Qb::Jet::PageSource &source);

// The whole file.
std::vector<std::uint8_t> readFile(const std::string &path);

// Walks the index B-tree rooted at `root` in `file`, checking that entries ascend, that every
// node entry equals the last entry of its child, that leaves are linked in order and that
// every page belongs to `tdefPage`. Returns the leaf entries (key + row pointer) in order, or
// a description of the first fault.
struct IndexWalk
{
    std::vector<std::vector<std::uint8_t>> entries;
    std::size_t depth = 0;
    std::size_t pages = 0;
    std::string fault; // empty when sound
};
IndexWalk walkIndex(const std::vector<std::uint8_t> &file, std::uint32_t root, std::uint32_t tdefPage);

// Row slots of every data page owned by `tdefPage`, with their flags (0x8000 deleted,
// 0x4000 overflow pointer).
std::vector<std::uint16_t> slotFlags(const std::vector<std::uint8_t> &file, std::uint32_t tdefPage);

// Every row of `table` as read through the engine, each value as text ("<null>" for NULL),
// in scan order. Empty with `error` set when the query fails.
std::vector<std::vector<std::string>> tableRows(Qb::Jet::Database &db, const std::string &table,
                                                std::string *error = nullptr);

} // namespace Qb::Test
