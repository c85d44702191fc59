// SPDX-License-Identifier: GPL-3.0-or-later
// The advisory lock that keeps a second writer away from a database: an exclusive lock on the
// file itself (flock on POSIX, see FileSystem::lock), held from opening for writing until the
// database is closed.
#pragma once

#include "jet/jeterror.h"
#include "jet/storage/filesystem.h"

#include <memory>
#include <string>

namespace Qb::Jet {

class FileLock
{
public:
    // Takes the lock without waiting. Locked when another open (in any process) holds it;
    // IoError when the file cannot be opened.
    static Result<FileLock> acquire(const std::string &path);

private:
    explicit FileLock(std::unique_ptr<FileLockHold> hold) : m_hold(std::move(hold)) {}
    std::unique_ptr<FileLockHold> m_hold;
};

} // namespace Qb::Jet
