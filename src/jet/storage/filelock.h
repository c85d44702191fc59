// SPDX-License-Identifier: GPL-3.0-or-later
// The advisory lock that keeps a second writer away from a database: an exclusive flock on the
// file itself, held from opening for writing until the database is closed.
#pragma once

#include "jet/jeterror.h"

#include <string>

namespace Qb::Jet {

class FileLock
{
public:
    // Takes the lock without waiting. Locked when another open (in any process) holds it;
    // IoError when the file cannot be opened.
    static Result<FileLock> acquire(const std::string &path);

    FileLock(FileLock &&other) noexcept;
    FileLock &operator=(FileLock &&other) noexcept;
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;
    ~FileLock();

private:
    explicit FileLock(int fd) : m_fd(fd) {}
    int m_fd = -1;
};

} // namespace Qb::Jet
