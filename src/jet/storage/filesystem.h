// SPDX-License-Identifier: GPL-3.0-or-later
// The files beneath the engine: the database, its journal, its lock and compaction's temporary
// copy. Every open, write, flush, truncate, rename, removal and directory flush goes through the
// process's FileSystem: the POSIX one unless a test installs another (one that records every
// operation with its bytes, keeps files in memory, or fails a chosen operation). The engine's
// crash safety rests on the order of these calls alone, so a replacement sees all it needs.
// One thread at a time per file; the installed file system must outlive every file it opened.
#pragma once

#include "jet/jeterror.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace Qb::Jet {

using ByteRun = std::span<const std::uint8_t>;

class File
{
public:
    virtual ~File() = default;
    const std::string &path() const { return m_path; }

    // Reads up to out.size() bytes at `offset`; fewer only at the end of the file.
    virtual Result<std::size_t> read(std::uint64_t offset, std::span<std::uint8_t> out) const = 0;
    // Fills the buffers one after another from `offset`, as read() into each in turn would, and
    // returns the bytes read in all (fewer at the end of the file, or when the system gave
    // less: read on from there). The POSIX file does it in one scattered read.
    virtual Result<std::size_t> readScattered(std::uint64_t offset, std::span<const std::span<std::uint8_t>> outs) const;
    // Writes the runs one after another from `offset` (one gathered write); returns how many
    // bytes reached the file, which may be fewer than asked (a short write: go on from there).
    virtual Result<std::size_t> write(std::uint64_t offset, std::span<const ByteRun> runs) = 0;
    // Makes the bytes written so far and the file's size durable (fdatasync). After a failure
    // the writes since the last good flush are in an unknown state, whatever a later flush says.
    virtual Result<void> sync() = 0;
    virtual Result<void> truncate(std::uint64_t size) = 0;
    virtual Result<std::uint64_t> size() const = 0;

protected:
    explicit File(std::string path) : m_path(std::move(path)) {}

private:
    std::string m_path;
};

// An exclusive advisory lock; released when destroyed (also when the process dies).
class FileLockHold
{
public:
    virtual ~FileLockHold() = default;
};

enum class OpenMode {
    Read,        // an existing regular file, reading only
    ReadWrite,   // an existing regular file
    Create,      // read-write, created (empty) when missing
};

class FileSystem
{
public:
    virtual ~FileSystem() = default;

    // IoError naming the path and the system's reason; for a missing file with Read or
    // ReadWrite the message says so and `missing` (when given) is set.
    virtual Result<std::unique_ptr<File>> open(const std::string &path, OpenMode mode, bool *missing = nullptr) = 0;
    // A new file beside `prefix` ("<prefix>XXXXXX"), with the permission bits `permissions`.
    virtual Result<std::unique_ptr<File>> createUnique(const std::string &prefix, unsigned permissions) = 0;
    // The permission bits of an existing file; IoError (and `missing` set) when there is none.
    virtual Result<unsigned> permissions(const std::string &path, bool *missing = nullptr) = 0;
    // A missing file is no error.
    virtual Result<void> remove(const std::string &path) = 0;
    virtual Result<void> rename(const std::string &from, const std::string &to) = 0;
    // Makes the names in the directory holding `path` durable (created, renamed, removed).
    virtual Result<void> syncDirectory(const std::string &path) = 0;
    // Locked when another holder (any process, or another hold in this one) has it.
    virtual Result<std::unique_ptr<FileLockHold>> lock(const std::string &path) = 0;
};

// The process's file system (POSIX unless one was installed).
FileSystem &fileSystem();
// Installs `fs` (nullptr: back to POSIX); returns the one it replaces (nullptr for POSIX). For
// tests: the engine must not be using a file while the file system changes beneath it.
FileSystem *installFileSystem(FileSystem *fs);

// Writes every byte of `runs` from `offset`, going on after short writes.
Result<void> writeFully(File &file, std::uint64_t offset, std::span<const ByteRun> runs);
Result<void> writeFully(File &file, std::uint64_t offset, ByteRun bytes);
// Reads exactly out.size() bytes; false when the file ends first.
Result<bool> readFully(const File &file, std::uint64_t offset, std::span<std::uint8_t> out);

// The directory part of a path ("." for a bare name).
std::string directoryOf(const std::string &path);

} // namespace Qb::Jet
