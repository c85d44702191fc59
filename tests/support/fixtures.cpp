// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/fixtures.h"

#include <cstdlib>
#include <filesystem>

namespace Qb::Test {

std::string sharedDir()
{
    const char *env = std::getenv("QUILLBOX_SHARED");
    if (!env || !*env || !std::filesystem::is_directory(env))
        return {};
    return env;
}

std::string jetFixture(const std::string &name)
{
    const std::string dir = sharedDir();
    if (dir.empty())
        return {};
    const std::string path = dir + "/jet/fixtures/" + name;
    return std::filesystem::exists(path) ? path : std::string();
}

} // namespace Qb::Test
