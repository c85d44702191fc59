// Write-side test helpers.
#include "writetest_support.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace Qb::Test {

TempDir::TempDir()
{
    std::random_device rd;
    m_dir = std::filesystem::temp_directory_path() / ("qb-jetwrite-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(m_dir);
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
}

std::string shellQuote(const std::string &s)
{
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::optional<std::string> runCommand(const std::string &command)
{
    FILE *p = ::popen(command.c_str(), "r");
    if (!p)
        return std::nullopt;
    std::string out;
    std::array<char, 4096> buf;
    while (std::size_t n = std::fread(buf.data(), 1, buf.size(), p))
        out.append(buf.data(), n);
    const int status = ::pclose(p);
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return out;
}

bool haveMdbTools()
{
    return runCommand("command -v mdb-export >/dev/null 2>&1").has_value();
}

std::string mdbReaderScript()
{
    const char *source = std::getenv("QUILLBOX_SOURCE");
    if (!source || !runCommand("command -v node >/dev/null 2>&1"))
        return {};
    const auto module = std::filesystem::path(source) / "tests/mdbreader/node_modules/mdb-reader/lib/node/index.js";
    if (!std::filesystem::exists(module))
        return {};
    const auto script = std::filesystem::temp_directory_path()
        / ("qb-jetwrite-mdbreader-" + std::to_string(::getpid()) + ".mjs");
    std::ofstream(script) << "import MDBReader from " << '"' << module.string() << '"' << ";\n"
                          << "import { readFileSync } from 'fs';\n"
                          << "const r = new MDBReader(readFileSync(process.argv[2]));\n"
                          << "const out = {};\n"
                          << "for (const n of r.getTableNames()) {\n"
                          << "  const t = r.getTable(n);\n"
                          << "  out[n] = { columns: t.getColumns().map(c => [c.name, c.type]), rows: t.getData() };\n"
                          << "}\n"
                          << "process.stdout.write(JSON.stringify(out));\n";
    return script.string();
}

} // namespace Qb::Test
