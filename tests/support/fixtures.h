// SPDX-License-Identifier: GPL-3.0-or-later
// Finding the shared reference fixtures; tests skip when the folder is absent (a fresh clone).
#pragma once

#include <string>

namespace Qb::Test {

// The shared reference folder ($QUILLBOX_SHARED), or "" when it does not exist.
std::string sharedDir();

// Absolute path of shared/jet/fixtures/<name>, or "" when the fixture is not there.
std::string jetFixture(const std::string &name);

// The message a test prints when it skips for want of the shared folder.
inline constexpr const char *NoSharedMessage =
    "shared reference folder not found (set QUILLBOX_SHARED); fixture test skipped";

} // namespace Qb::Test
