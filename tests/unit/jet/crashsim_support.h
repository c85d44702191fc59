// SPDX-License-Identifier: GPL-3.0-or-later
// The power-cut simulation's file layer: files kept in memory (copies share their bytes until
// one of them changes, so a crash state of a 128 MB file is cheap), a recording layer that logs
// every write, flush, truncate, create, rename, removal and directory flush the engine makes and
// can fail one chosen operation, and the crash model that turns a log cut after operation k into
// the files a disk may hold then.
//
// The crash model: a file's bytes are certain up to its last good flush; every later write or
// truncate may or may not be on disk, in any combination, and a write may be torn at 512-byte
// sector boundaries (some of its sectors new, the rest old). A failed flush leaves the writes it
// covered uncertain for good: a later good flush does not make them safe (Linux reports a
// writeback error once and drops the pages' dirty state). A create, rename or removal not
// followed by a good flush of its directory may be undone.
#pragma once

#include "jet/storage/filesystem.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace Qb::Test {

// A file's bytes in shared, copy-on-write chunks (absent chunks read as zeros).
class FileBytes
{
public:
    static constexpr std::size_t Chunk = 16384;

    FileBytes() = default;
    explicit FileBytes(const std::vector<std::uint8_t> &bytes);

    std::uint64_t size() const { return m_size; }
    // Bytes past the end read as zeros.
    void read(std::uint64_t offset, std::span<std::uint8_t> out) const;
    void write(std::uint64_t offset, Jet::ByteRun bytes);
    void resize(std::uint64_t size);
    std::vector<std::uint8_t> bytes() const;
    std::uint64_t hash() const;

private:
    using Block = std::array<std::uint8_t, Chunk>;
    Block &writable(std::size_t chunk);

    std::vector<std::shared_ptr<const Block>> m_chunks;
    std::uint64_t m_size = 0;
};

using Files = std::map<std::string, FileBytes>; // name → bytes

// Files in memory; names are plain strings (one directory). Open files keep their bytes after a
// removal or a rename over them, as on POSIX.
class MemoryFileSystem final : public Jet::FileSystem
{
public:
    MemoryFileSystem() = default;
    explicit MemoryFileSystem(const Files &files);

    Files files() const;
    std::shared_ptr<FileBytes> node(const std::string &path) const;

    Jet::Result<std::unique_ptr<Jet::File>> open(const std::string &path, Jet::OpenMode mode, bool *missing) override;
    Jet::Result<std::unique_ptr<Jet::File>> createUnique(const std::string &prefix, unsigned permissions) override;
    Jet::Result<unsigned> permissions(const std::string &path, bool *missing) override;
    Jet::Result<void> remove(const std::string &path) override;
    Jet::Result<void> rename(const std::string &from, const std::string &to) override;
    Jet::Result<void> syncDirectory(const std::string &) override { return {}; }
    Jet::Result<std::unique_ptr<Jet::FileLockHold>> lock(const std::string &path) override;

    void unlock(const std::string &path) { m_locked.erase(path); }

private:
    std::map<std::string, std::shared_ptr<FileBytes>> m_names;
    std::set<std::string> m_locked;
    unsigned m_unique = 0;
};

// While alive, `fs` is the engine's file system.
class InstalledFileSystem
{
public:
    explicit InstalledFileSystem(Jet::FileSystem &fs) : m_previous(Jet::installFileSystem(&fs)) {}
    ~InstalledFileSystem() { Jet::installFileSystem(m_previous); }
    InstalledFileSystem(const InstalledFileSystem &) = delete;
    InstalledFileSystem &operator=(const InstalledFileSystem &) = delete;

private:
    Jet::FileSystem *m_previous;
};

enum class OpKind { Write, Sync, Truncate, Create, Rename, Remove, SyncDirectory };
const char *opKindName(OpKind kind);

// One logged operation. Files are told apart by inode number (a rename moves the inode).
struct Op
{
    Op(OpKind k, int i = -1, std::string n = {}, std::string t = {}) : kind(k), inode(i), name(std::move(n)), to(std::move(t)) {}

    OpKind kind;
    int inode = -1;                  // Write, Sync, Truncate, Create, Rename (the moved file)
    std::string name, to;            // Create/Remove: name; Rename: name → to
    std::uint64_t offset = 0;        // Write
    std::vector<std::uint8_t> bytes; // Write: the bytes that reached the file
    std::uint64_t size = 0;          // Truncate
    bool failed = false;             // Sync, SyncDirectory: reported an error
};

// What an injected fault does. Write faults hit the first write at or after the chosen
// operation index, flush faults the first flush, and so on: see RecordingFileSystem::failAt.
// DeadDisk: from the chosen operation on, every write, flush and truncate fails with EIO until
// heal() (a disk that went away for the rest of the step).
enum class FaultKind { NoSpace, WriteIo, ShortWrite, FlushIo, DirectoryFlushIo, TruncateIo, CreateNoSpace, RenameIo, DeadDisk };
const char *faultKindName(FaultKind kind);
// Whether `kind` applies to an operation of kind `op`.
bool faultFits(FaultKind kind, OpKind op);

// Passes every call to `inner` and logs the changes. Reads are not logged.
class RecordingFileSystem final : public Jet::FileSystem
{
public:
    // `inner` holds the files that exist when recording starts (`initial`, which get inodes
    // 0, 1, ... in name order).
    RecordingFileSystem(MemoryFileSystem &inner, const Files &initial);

    const std::vector<Op> &log() const { return m_log; }
    const std::map<std::string, int> &initialInodes() const { return m_initial; }
    // The operation numbered `index` (counting logged operations) fails with `kind`; a short
    // write writes half and the file's next write fails with ENOSPC. One fault at a time.
    void failAt(std::size_t index, FaultKind kind);
    bool faulted() const { return m_faulted; }
    // The fault stops (a DeadDisk fails nothing more; an armed fault that has not hit is dropped).
    void heal() { m_healed = true; }

    Jet::Result<std::unique_ptr<Jet::File>> open(const std::string &path, Jet::OpenMode mode, bool *missing) override;
    Jet::Result<std::unique_ptr<Jet::File>> createUnique(const std::string &prefix, unsigned permissions) override;
    Jet::Result<unsigned> permissions(const std::string &path, bool *missing) override;
    Jet::Result<void> remove(const std::string &path) override;
    Jet::Result<void> rename(const std::string &from, const std::string &to) override;
    Jet::Result<void> syncDirectory(const std::string &path) override;
    Jet::Result<std::unique_ptr<Jet::FileLockHold>> lock(const std::string &path) override;

    // For the recording files: logs `op` unless the armed fault hits it; returns the errno to
    // report (0: go on).
    int logOrFail(Op op);
    bool shortWriteNow(OpKind kind);
    bool takeOwedNoSpace(int inode);

private:
    Jet::Result<std::unique_ptr<Jet::File>> wrap(Jet::Result<std::unique_ptr<Jet::File>> file, int inode);

    MemoryFileSystem &m_inner;
    std::map<std::string, int> m_initial;
    std::map<std::string, int> m_names;
    int m_nextInode = 0;
    std::vector<Op> m_log;
    std::size_t m_failIndex = SIZE_MAX;
    FaultKind m_failKind = FaultKind::NoSpace;
    bool m_faulted = false;
    bool m_healed = false;
    int m_owedNoSpace = -1; // inode whose next write fails after a short write
};

// Which uncertain operations a crash state keeps. `keep[i]` belongs to candidates()[i]; a kept
// write with a non-empty `sectors` mask keeps only the sectors marked (the write torn).
struct Choice
{
    std::vector<bool> keep;
    std::vector<std::vector<bool>> sectors;
    std::string describe;
};

// The log cut after its first `cut` operations, as the disk may hold it.
class CrashCut
{
public:
    CrashCut(const Files &initial, const std::map<std::string, int> &inodes, const std::vector<Op> &log, std::size_t cut);

    // The uncertain operations (indexes into the log), in log order.
    const std::vector<std::size_t> &candidates() const { return m_candidates; }
    // How many 512-byte sectors the candidate write touches (0 for other operations).
    std::size_t sectorsOf(std::size_t candidate) const;
    Files build(const Choice &choice) const;

    // The states tried for this cut: none and all kept, every prefix (with its last write whole
    // and torn), and `randomCount` random subsets with random tears.
    std::vector<Choice> choices(std::size_t randomCount, std::mt19937_64 &rnd, std::size_t prefixLimit) const;

private:
    struct Inode
    {
        FileBytes base;                    // bytes certain before the first operation below
        std::vector<std::size_t> ops;      // later writes and truncates, in order
        std::set<std::size_t> uncertain;   // those of ops that may be missing
        std::set<std::size_t> limbo;       // those a failed flush left in doubt for good
    };
    std::map<std::string, int> applyNames(std::map<std::string, int> names, const std::vector<std::size_t> &ops,
                                          const std::map<std::size_t, bool> &kept) const;
    FileBytes build1(const Inode &node, const std::map<std::size_t, bool> &kept,
                     const std::map<std::size_t, const std::vector<bool> *> &torn) const;

    const std::vector<Op> &m_log;
    std::map<int, Inode> m_inodes;
    std::map<std::string, int> m_names;      // durable directory entries
    std::vector<std::size_t> m_pendingNames; // creates, renames, removals not flushed yet
    std::vector<std::size_t> m_candidates;
};

} // namespace Qb::Test
