// SPDX-License-Identifier: GPL-3.0-or-later
// flock() locks belong to the open file description, so a second open of the same file (even in
// this process) conflicts, and the lock ends with the descriptor, also when the process dies.
#include "jet/storage/filelock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace Qb::Jet {

Result<FileLock> FileLock::acquire(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return fail(ErrorCode::IoError, "cannot open " + path + ": " + std::strerror(errno));
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK)
            return fail(ErrorCode::Locked, path + " is open for writing elsewhere");
        return fail(ErrorCode::IoError, "cannot lock " + path + ": " + std::strerror(err));
    }
    return FileLock(fd);
}

FileLock::FileLock(FileLock &&other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

FileLock &FileLock::operator=(FileLock &&other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

FileLock::~FileLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

} // namespace Qb::Jet
