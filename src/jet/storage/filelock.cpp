// SPDX-License-Identifier: GPL-3.0-or-later
#include "jet/storage/filelock.h"

namespace Qb::Jet {

Result<FileLock> FileLock::acquire(const std::string &path)
{
    auto hold = fileSystem().lock(path);
    if (!hold)
        return std::unexpected(hold.error());
    return FileLock(std::move(*hold));
}

} // namespace Qb::Jet
