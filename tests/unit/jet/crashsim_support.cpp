// SPDX-License-Identifier: GPL-3.0-or-later
// Memory files, the recording layer and the crash model of the power-cut simulation.
#include "crashsim_support.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

using namespace Qb::Jet;

namespace Qb::Test {

// ---- FileBytes ------------------------------------------------------------------------------

FileBytes::FileBytes(const std::vector<std::uint8_t> &bytes)
{
    write(0, bytes);
}

FileBytes::Block &FileBytes::writable(std::size_t chunk)
{
    auto &slot = m_chunks[chunk];
    if (!slot)
        slot = std::make_shared<Block>();
    else if (slot.use_count() > 1)
        slot = std::make_shared<Block>(*slot);
    return const_cast<Block &>(*slot);
}

void FileBytes::read(std::uint64_t offset, std::span<std::uint8_t> out) const
{
    for (std::size_t done = 0; done < out.size();) {
        const std::uint64_t at = offset + done;
        const std::size_t chunk = std::size_t(at / Chunk), in = std::size_t(at % Chunk);
        const std::size_t n = std::min(out.size() - done, Chunk - in);
        if (chunk < m_chunks.size() && m_chunks[chunk] && at < m_size)
            std::memcpy(out.data() + done, m_chunks[chunk]->data() + in, n);
        else
            std::memset(out.data() + done, 0, n);
        done += n;
    }
}

void FileBytes::write(std::uint64_t offset, ByteRun bytes)
{
    if (bytes.empty())
        return;
    const std::uint64_t end = offset + bytes.size();
    if (end > m_size) {
        m_chunks.resize(std::size_t((end + Chunk - 1) / Chunk));
        m_size = end;
    }
    for (std::size_t done = 0; done < bytes.size();) {
        const std::uint64_t at = offset + done;
        const std::size_t chunk = std::size_t(at / Chunk), in = std::size_t(at % Chunk);
        const std::size_t n = std::min(bytes.size() - done, Chunk - in);
        std::memcpy(writable(chunk).data() + in, bytes.data() + done, n);
        done += n;
    }
}

// Bytes past the size are kept zero, so growing again shows zeros.
void FileBytes::resize(std::uint64_t size)
{
    m_chunks.resize(std::size_t((size + Chunk - 1) / Chunk));
    if (size < m_size && size % Chunk != 0 && m_chunks.back()) {
        Block &last = writable(m_chunks.size() - 1);
        std::fill(last.begin() + std::ptrdiff_t(size % Chunk), last.end(), 0);
    }
    m_size = size;
}

std::vector<std::uint8_t> FileBytes::bytes() const
{
    std::vector<std::uint8_t> out(m_size);
    read(0, out);
    return out;
}

std::uint64_t FileBytes::hash() const
{
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ m_size;
    std::uint64_t w[Chunk / 8];
    for (std::size_t c = 0; c < m_chunks.size(); ++c) {
        if (m_chunks[c])
            std::memcpy(w, m_chunks[c]->data(), Chunk);
        else
            std::memset(w, 0, Chunk);
        for (std::uint64_t x : w) {
            h = (h ^ x) * 0x100000001B3ull;
            h ^= h >> 29;
        }
    }
    return h;
}

// ---- MemoryFileSystem -----------------------------------------------------------------------

namespace {

std::unexpected<Error> osError(const std::string &what, const std::string &path, int err)
{
    return fail(ErrorCode::IoError, what + " " + path + ": " + std::strerror(err));
}

class MemoryFile final : public File
{
public:
    MemoryFile(std::string path, std::shared_ptr<FileBytes> bytes) : File(std::move(path)), m_bytes(std::move(bytes)) {}

    Result<std::size_t> read(std::uint64_t offset, std::span<std::uint8_t> out) const override
    {
        if (offset >= m_bytes->size())
            return std::size_t(0);
        const std::size_t n = std::size_t(std::min<std::uint64_t>(out.size(), m_bytes->size() - offset));
        m_bytes->read(offset, out.first(n));
        return n;
    }
    Result<std::size_t> write(std::uint64_t offset, std::span<const ByteRun> runs) override
    {
        std::size_t done = 0;
        for (ByteRun r : runs) {
            m_bytes->write(offset + done, r);
            done += r.size();
        }
        return done;
    }
    Result<void> sync() override { return {}; }
    Result<void> truncate(std::uint64_t size) override
    {
        m_bytes->resize(size);
        return {};
    }
    Result<std::uint64_t> size() const override { return m_bytes->size(); }

private:
    std::shared_ptr<FileBytes> m_bytes;
};

class MemoryLock final : public FileLockHold
{
public:
    MemoryLock(MemoryFileSystem &fs, std::string path) : m_fs(fs), m_path(std::move(path)) {}
    ~MemoryLock() override { m_fs.unlock(m_path); }

private:
    MemoryFileSystem &m_fs;
    std::string m_path;
};

} // namespace

MemoryFileSystem::MemoryFileSystem(const Files &files)
{
    for (const auto &[name, bytes] : files)
        m_names[name] = std::make_shared<FileBytes>(bytes);
}

Files MemoryFileSystem::files() const
{
    Files out;
    for (const auto &[name, bytes] : m_names)
        out[name] = *bytes;
    return out;
}

std::shared_ptr<FileBytes> MemoryFileSystem::node(const std::string &path) const
{
    auto it = m_names.find(path);
    return it == m_names.end() ? nullptr : it->second;
}

Result<std::unique_ptr<File>> MemoryFileSystem::open(const std::string &path, OpenMode mode, bool *missing)
{
    auto it = m_names.find(path);
    if (it == m_names.end()) {
        if (mode != OpenMode::Create) {
            if (missing)
                *missing = true;
            return osError("cannot open", path, ENOENT);
        }
        it = m_names.emplace(path, std::make_shared<FileBytes>()).first;
    }
    return std::unique_ptr<File>(std::make_unique<MemoryFile>(path, it->second));
}

Result<std::unique_ptr<File>> MemoryFileSystem::createUnique(const std::string &prefix, unsigned)
{
    std::string path;
    do
        path = prefix + std::to_string(100000 + ++m_unique);
    while (m_names.contains(path));
    return open(path, OpenMode::Create, nullptr);
}

Result<unsigned> MemoryFileSystem::permissions(const std::string &path, bool *missing)
{
    if (m_names.contains(path))
        return 0644u;
    if (missing)
        *missing = true;
    return osError("cannot read the mode of", path, ENOENT);
}

Result<void> MemoryFileSystem::remove(const std::string &path)
{
    m_names.erase(path);
    return {};
}

Result<void> MemoryFileSystem::rename(const std::string &from, const std::string &to)
{
    auto it = m_names.find(from);
    if (it == m_names.end())
        return osError("cannot rename " + from + " to", to, ENOENT);
    auto node = it->second;
    m_names.erase(it);
    m_names[to] = std::move(node);
    return {};
}

Result<std::unique_ptr<FileLockHold>> MemoryFileSystem::lock(const std::string &path)
{
    if (!m_names.contains(path))
        return osError("cannot open", path, ENOENT);
    if (!m_locked.insert(path).second)
        return fail(ErrorCode::Locked, path + " is open for writing elsewhere");
    return std::unique_ptr<FileLockHold>(std::make_unique<MemoryLock>(*this, path));
}

// ---- Recording ------------------------------------------------------------------------------

const char *opKindName(OpKind kind)
{
    switch (kind) {
    case OpKind::Write: return "write";
    case OpKind::Sync: return "flush";
    case OpKind::Truncate: return "truncate";
    case OpKind::Create: return "create";
    case OpKind::Rename: return "rename";
    case OpKind::Remove: return "remove";
    case OpKind::SyncDirectory: return "directory flush";
    }
    return "?";
}

const char *faultKindName(FaultKind kind)
{
    switch (kind) {
    case FaultKind::NoSpace: return "ENOSPC on a write";
    case FaultKind::WriteIo: return "EIO on a write";
    case FaultKind::ShortWrite: return "a short write, then ENOSPC";
    case FaultKind::FlushIo: return "EIO on a flush";
    case FaultKind::DirectoryFlushIo: return "EIO on a directory flush";
    case FaultKind::TruncateIo: return "EIO on a truncate";
    case FaultKind::CreateNoSpace: return "ENOSPC on a create";
    case FaultKind::RenameIo: return "EIO on a rename";
    case FaultKind::DeadDisk: return "EIO on every write, flush and truncate from here to the end of the step";
    }
    return "?";
}

bool faultFits(FaultKind kind, OpKind op)
{
    switch (kind) {
    case FaultKind::NoSpace:
    case FaultKind::WriteIo:
    case FaultKind::ShortWrite: return op == OpKind::Write;
    case FaultKind::FlushIo: return op == OpKind::Sync;
    case FaultKind::DirectoryFlushIo: return op == OpKind::SyncDirectory;
    case FaultKind::TruncateIo: return op == OpKind::Truncate;
    case FaultKind::CreateNoSpace: return op == OpKind::Create;
    case FaultKind::RenameIo: return op == OpKind::Rename;
    case FaultKind::DeadDisk: return op == OpKind::Write || op == OpKind::Sync || op == OpKind::Truncate;
    }
    return false;
}

namespace {

int errnoOf(FaultKind kind)
{
    return kind == FaultKind::NoSpace || kind == FaultKind::CreateNoSpace || kind == FaultKind::ShortWrite ? ENOSPC : EIO;
}

class RecordingFile final : public File
{
public:
    RecordingFile(std::unique_ptr<File> inner, int inode, RecordingFileSystem &fs)
        : File(inner->path()), m_inner(std::move(inner)), m_inode(inode), m_fs(fs)
    {
    }

    Result<std::size_t> read(std::uint64_t offset, std::span<std::uint8_t> out) const override
    {
        return m_inner->read(offset, out);
    }

    Result<std::size_t> write(std::uint64_t offset, std::span<const ByteRun> runs) override
    {
        std::vector<std::uint8_t> bytes;
        for (ByteRun r : runs)
            bytes.insert(bytes.end(), r.begin(), r.end());
        if (m_fs.takeOwedNoSpace(m_inode))
            return osError("cannot write", path(), ENOSPC);
        if (m_fs.shortWriteNow(OpKind::Write) && bytes.size() > 1)
            bytes.resize(bytes.size() / 2);
        Op op(OpKind::Write, m_inode, path());
        op.offset = offset;
        op.bytes = bytes;
        if (const int err = m_fs.logOrFail(std::move(op)))
            return osError("cannot write", path(), err);
        const ByteRun all(bytes);
        return m_inner->write(offset, std::span(&all, 1));
    }

    Result<void> sync() override
    {
        if (const int err = m_fs.logOrFail(Op(OpKind::Sync, m_inode, path())))
            return osError("cannot flush", path(), err);
        return m_inner->sync();
    }

    Result<void> truncate(std::uint64_t size) override
    {
        Op op(OpKind::Truncate, m_inode, path());
        op.size = size;
        if (const int err = m_fs.logOrFail(std::move(op)))
            return osError("cannot truncate", path(), err);
        return m_inner->truncate(size);
    }

    Result<std::uint64_t> size() const override { return m_inner->size(); }

private:
    std::unique_ptr<File> m_inner;
    int m_inode;
    RecordingFileSystem &m_fs;
};

} // namespace

RecordingFileSystem::RecordingFileSystem(MemoryFileSystem &inner, const Files &initial) : m_inner(inner)
{
    for (const auto &[name, bytes] : initial)
        m_initial[name] = m_nextInode++;
    m_names = m_initial;
}

void RecordingFileSystem::failAt(std::size_t index, FaultKind kind)
{
    m_failIndex = index;
    m_failKind = kind;
    m_faulted = m_healed = false;
}

bool RecordingFileSystem::shortWriteNow(OpKind kind)
{
    return !m_faulted && !m_healed && m_failKind == FaultKind::ShortWrite && m_log.size() >= m_failIndex
        && faultFits(m_failKind, kind);
}

bool RecordingFileSystem::takeOwedNoSpace(int inode)
{
    if (m_owedNoSpace != inode)
        return false;
    m_owedNoSpace = -1;
    return true;
}

int RecordingFileSystem::logOrFail(Op op)
{
    const bool again = m_faulted && m_failKind == FaultKind::DeadDisk;
    if ((!m_faulted || again) && !m_healed && m_log.size() >= m_failIndex && faultFits(m_failKind, op.kind)) {
        m_faulted = true;
        if (m_failKind == FaultKind::ShortWrite) {
            m_owedNoSpace = op.inode;
            m_log.push_back(std::move(op)); // the half that reached the file
            return 0;
        }
        if (op.kind == OpKind::Sync || op.kind == OpKind::SyncDirectory) {
            op.failed = true;
            m_log.push_back(std::move(op));
        }
        return errnoOf(m_failKind);
    }
    m_log.push_back(std::move(op));
    return 0;
}

Result<std::unique_ptr<File>> RecordingFileSystem::wrap(Result<std::unique_ptr<File>> file, int inode)
{
    if (!file)
        return file;
    return std::unique_ptr<File>(std::make_unique<RecordingFile>(std::move(*file), inode, *this));
}

Result<std::unique_ptr<File>> RecordingFileSystem::open(const std::string &path, OpenMode mode, bool *missing)
{
    if (auto it = m_names.find(path); it != m_names.end())
        return wrap(m_inner.open(path, mode, missing), it->second);
    if (mode != OpenMode::Create)
        return m_inner.open(path, mode, missing);
    const int inode = m_nextInode;
    if (const int err = logOrFail(Op(OpKind::Create, inode, path)))
        return osError("cannot create", path, err);
    ++m_nextInode;
    m_names[path] = inode;
    return wrap(m_inner.open(path, mode, missing), inode);
}

Result<std::unique_ptr<File>> RecordingFileSystem::createUnique(const std::string &prefix, unsigned permissions)
{
    auto file = m_inner.createUnique(prefix, permissions);
    if (!file)
        return file;
    const std::string path = (*file)->path();
    const int inode = m_nextInode;
    if (const int err = logOrFail(Op(OpKind::Create, inode, path))) {
        (void)m_inner.remove(path);
        return osError("cannot create a file beside", prefix, err);
    }
    ++m_nextInode;
    m_names[path] = inode;
    return wrap(std::move(file), inode);
}

Result<unsigned> RecordingFileSystem::permissions(const std::string &path, bool *missing)
{
    return m_inner.permissions(path, missing);
}

Result<void> RecordingFileSystem::remove(const std::string &path)
{
    auto it = m_names.find(path);
    if (it == m_names.end())
        return m_inner.remove(path);
    if (const int err = logOrFail(Op(OpKind::Remove, it->second, path)))
        return osError("cannot remove", path, err);
    m_names.erase(it);
    return m_inner.remove(path);
}

Result<void> RecordingFileSystem::rename(const std::string &from, const std::string &to)
{
    auto it = m_names.find(from);
    if (it == m_names.end())
        return m_inner.rename(from, to);
    Op op(OpKind::Rename, it->second, from, to);
    if (const int err = logOrFail(std::move(op)))
        return osError("cannot rename " + from + " to", to, err);
    m_names[to] = it->second;
    m_names.erase(from);
    return m_inner.rename(from, to);
}

Result<void> RecordingFileSystem::syncDirectory(const std::string &path)
{
    if (const int err = logOrFail(Op(OpKind::SyncDirectory, -1, path)))
        return osError("cannot flush the directory", directoryOf(path), err);
    return m_inner.syncDirectory(path);
}

Result<std::unique_ptr<FileLockHold>> RecordingFileSystem::lock(const std::string &path)
{
    return m_inner.lock(path);
}

} // namespace Qb::Test
