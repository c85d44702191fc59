// Helpers of the engine's write-side tests: temporary directories, external readers (mdbtools,
// the mdb-reader npm package) run on the files the engine writes.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace Qb::Test {

// A fresh directory under the system's temporary directory, removed with its contents.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    std::string path(const std::string &name) const { return (m_dir / name).string(); }

private:
    std::filesystem::path m_dir;
};

// Runs a shell command; its standard output, or nullopt when it exits non-zero.
std::optional<std::string> runCommand(const std::string &command);

bool haveMdbTools();

// The script that prints every user table of a file as JSON through mdb-reader, or "" when
// node or the package is not installed. Arguments: FILE.
std::string mdbReaderScript();

// Quotes a path for the shell.
std::string shellQuote(const std::string &s);

} // namespace Qb::Test
