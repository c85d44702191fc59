// SPDX-License-Identifier: GPL-3.0-or-later
// The POSIX file system: positional reads and writes, fdatasync, flock, rename, unlink and
// fsync of the directory. A virtual call per system call is all the indirection costs.
#include "jet/storage/filesystem.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace Qb::Jet {

namespace {

std::unexpected<Error> osError(const std::string &what, const std::string &path, int err = errno)
{
    return fail(ErrorCode::IoError, what + " " + path + ": " + std::strerror(err));
}

class PosixFile final : public File
{
public:
    PosixFile(int fd, std::string path) : File(std::move(path)), m_fd(fd) {}
    ~PosixFile() override { ::close(m_fd); }

    Result<std::size_t> read(std::uint64_t offset, std::span<std::uint8_t> out) const override
    {
        std::size_t done = 0;
        while (done < out.size()) {
            const ssize_t n = ::pread(m_fd, out.data() + done, out.size() - done, off_t(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return osError("cannot read", path());
            if (n == 0)
                break;
            done += std::size_t(n);
        }
        return done;
    }

    Result<std::size_t> readScattered(std::uint64_t offset, std::span<const std::span<std::uint8_t>> outs) const override
    {
        return vectored(outs, [&](const iovec *v, int n) { return ::preadv(m_fd, v, n, off_t(offset)); }, "cannot read");
    }

    Result<std::size_t> write(std::uint64_t offset, std::span<const ByteRun> runs) override
    {
        return vectored(runs, [&](const iovec *v, int n) { return ::pwritev(m_fd, v, n, off_t(offset)); },
                        "cannot write");
    }

    Result<void> sync() override
    {
        if (::fdatasync(m_fd) != 0)
            return osError("cannot flush", path());
        return {};
    }

    Result<void> truncate(std::uint64_t size) override
    {
        if (::ftruncate(m_fd, off_t(size)) != 0)
            return osError("cannot truncate", path());
        return {};
    }

    Result<std::uint64_t> size() const override
    {
        struct stat st {};
        if (::fstat(m_fd, &st) != 0)
            return osError("cannot stat", path());
        return std::uint64_t(st.st_size);
    }

private:
    // One gathered call over the first IOV_MAX buffers, tried again when a signal interrupts it;
    // returns how many bytes moved (fewer than asked is the caller's to go on from).
    template<typename Buffers, typename Call>
    Result<std::size_t> vectored(const Buffers &buffers, Call call, const char *what) const
    {
        std::vector<iovec> vectors;
        vectors.reserve(std::min<std::size_t>(buffers.size(), IOV_MAX));
        for (std::size_t i = 0; i < buffers.size() && i < IOV_MAX; ++i)
            vectors.push_back({const_cast<std::uint8_t *>(buffers[i].data()), buffers[i].size()});
        for (;;) {
            const ssize_t n = call(vectors.data(), int(vectors.size()));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return osError(what, path());
            return std::size_t(n);
        }
    }

    int m_fd;
};

class PosixLock final : public FileLockHold
{
public:
    explicit PosixLock(int fd) : m_fd(fd) {}
    ~PosixLock() override { ::close(m_fd); }

private:
    int m_fd;
};

class PosixFileSystem final : public FileSystem
{
public:
    Result<std::unique_ptr<File>> open(const std::string &path, OpenMode mode, bool *missing) override
    {
        const int flags = mode == OpenMode::Read ? O_RDONLY : mode == OpenMode::ReadWrite ? O_RDWR : O_RDWR | O_CREAT;
        const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
        if (fd < 0) {
            if (missing)
                *missing = errno == ENOENT;
            return osError(mode == OpenMode::Create ? "cannot create" : "cannot open", path);
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            return fail(ErrorCode::IoError, "not a regular file: " + path);
        }
        return std::unique_ptr<File>(std::make_unique<PosixFile>(fd, path));
    }

    Result<std::unique_ptr<File>> createUnique(const std::string &prefix, unsigned permissions) override
    {
        std::string path = prefix + "XXXXXX";
        const int fd = ::mkstemp(path.data());
        if (fd < 0)
            return osError("cannot create a file beside", prefix);
        if (::fchmod(fd, mode_t(permissions & 07777)) != 0) {
            const int err = errno;
            ::close(fd);
            ::unlink(path.c_str());
            return osError("cannot set the permissions of", path, err);
        }
        return std::unique_ptr<File>(std::make_unique<PosixFile>(fd, path));
    }

    Result<unsigned> permissions(const std::string &path, bool *missing) override
    {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            if (missing)
                *missing = errno == ENOENT;
            return osError("cannot read the mode of", path);
        }
        return unsigned(st.st_mode & 07777);
    }

    Result<void> remove(const std::string &path) override
    {
        if (::unlink(path.c_str()) != 0 && errno != ENOENT)
            return osError("cannot remove", path);
        return {};
    }

    Result<void> rename(const std::string &from, const std::string &to) override
    {
        if (::rename(from.c_str(), to.c_str()) != 0)
            return osError("cannot rename " + from + " to", to);
        return {};
    }

    Result<void> syncDirectory(const std::string &path) override
    {
        const std::string dir = directoryOf(path);
        const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return osError("cannot open the directory", dir);
        const int r = ::fsync(fd);
        const int err = errno;
        ::close(fd);
        if (r != 0)
            return osError("cannot flush the directory", dir, err);
        return {};
    }

    // flock() locks belong to the open file description, so a second open of the same file
    // (even in this process) conflicts, and the lock ends with the descriptor.
    Result<std::unique_ptr<FileLockHold>> lock(const std::string &path) override
    {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return osError("cannot open", path);
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int err = errno;
            ::close(fd);
            if (err == EWOULDBLOCK)
                return fail(ErrorCode::Locked, path + " is open for writing elsewhere");
            return osError("cannot lock", path, err);
        }
        return std::unique_ptr<FileLockHold>(std::make_unique<PosixLock>(fd));
    }
};

PosixFileSystem &posix()
{
    static PosixFileSystem fs;
    return fs;
}

FileSystem *g_installed = nullptr;

} // namespace

FileSystem &fileSystem()
{
    return g_installed ? *g_installed : posix();
}

FileSystem *installFileSystem(FileSystem *fs)
{
    return std::exchange(g_installed, fs);
}

Result<void> writeFully(File &file, std::uint64_t offset, std::span<const ByteRun> runs)
{
    std::vector<ByteRun> rest(runs.begin(), runs.end());
    std::size_t first = 0;
    while (first < rest.size() && rest[first].empty())
        ++first;
    while (first < rest.size()) {
        auto n = file.write(offset, std::span(rest).subspan(first));
        if (!n)
            return std::unexpected(n.error());
        if (*n == 0)
            return fail(ErrorCode::IoError, "cannot write " + file.path() + ": nothing was written");
        offset += *n;
        for (std::size_t left = *n; left > 0 && first < rest.size();) {
            const std::size_t take = std::min(left, rest[first].size());
            rest[first] = rest[first].subspan(take);
            left -= take;
            if (rest[first].empty())
                ++first;
        }
        while (first < rest.size() && rest[first].empty())
            ++first;
    }
    return {};
}

Result<void> writeFully(File &file, std::uint64_t offset, ByteRun bytes)
{
    return writeFully(file, offset, std::span<const ByteRun>(&bytes, 1));
}

Result<std::size_t> File::readScattered(std::uint64_t offset, std::span<const std::span<std::uint8_t>> outs) const
{
    std::size_t done = 0;
    for (const auto &out : outs) {
        auto n = read(offset + done, out);
        if (!n)
            return done ? Result<std::size_t>(done) : n;
        done += *n;
        if (*n < out.size())
            break;
    }
    return done;
}

Result<bool> readFully(const File &file, std::uint64_t offset, std::span<std::uint8_t> out)
{
    auto n = file.read(offset, out);
    if (!n)
        return std::unexpected(n.error());
    return *n == out.size();
}

std::string directoryOf(const std::string &path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : (slash == 0 ? std::string("/") : path.substr(0, slash));
}

} // namespace Qb::Jet
