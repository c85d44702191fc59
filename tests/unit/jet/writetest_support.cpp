// SPDX-License-Identifier: GPL-3.0-or-later
// Write-side test helpers.
#include "writetest_support.h"

#include "jet/format/indexpagewriter.h"
#include "jet/storage/pagesource.h"

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

namespace {

std::string writeScript(const std::string &name, const std::string &body)
{
    const char *source = std::getenv("QUILLBOX_SOURCE");
    if (!source || !runCommand("command -v node >/dev/null 2>&1"))
        return {};
    const auto module = std::filesystem::path(source) / "tests/mdbreader/node_modules/mdb-reader/lib/node/index.js";
    if (!std::filesystem::exists(module))
        return {};
    const auto script = std::filesystem::temp_directory_path()
        / ("qb-jetwrite-" + name + "-" + std::to_string(::getpid()) + ".mjs");
    std::ofstream(script) << "import MDBReader from " << '"' << module.string() << '"' << ";\n"
                          << "import { readFileSync } from 'fs';\n" << body;
    return script.string();
}

} // namespace

std::string mdbReaderRowsScript()
{
    return writeScript("rows", "const r = new MDBReader(readFileSync(process.argv[2]));\n"
                               "for (const row of r.getTable(process.argv[3]).getData())\n"
                               "  process.stdout.write(JSON.stringify(row) + '\\n');\n");
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

namespace Qb::Test {

std::vector<std::uint8_t> sourceBytes(Qb::Jet::PageSource &source)
{
    std::vector<std::uint8_t> out;
    const std::uint32_t n = source.pageCount().value_or(0);
    out.resize(std::size_t(n) * Qb::Jet::PageSize);
    for (std::uint32_t p = 0; p < n; ++p)
        (void)source.read(p, std::span(out.data() + std::size_t(p) * Qb::Jet::PageSize, Qb::Jet::PageSize));
    return out;
}

std::vector<std::uint8_t> readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

namespace {

using Entry = std::vector<std::uint8_t>;

struct Walker
{
    const std::vector<std::uint8_t> &file;
    std::uint32_t tdef;
    IndexWalk out;
    std::vector<std::uint32_t> leaves;

    std::optional<Qb::Jet::IndexPageImage> load(std::uint32_t page)
    {
        if ((std::size_t(page) + 1) * Qb::Jet::PageSize > file.size())
            return std::nullopt;
        auto img = Qb::Jet::decodeIndexPage(std::span(file.data() + std::size_t(page) * Qb::Jet::PageSize,
                                                      Qb::Jet::PageSize), page);
        if (!img || img->tdefPage != tdef)
            return std::nullopt;
        return *img;
    }

    // Returns the subtree's last entry; records faults.
    std::optional<Entry> visit(std::uint32_t page, std::size_t depth)
    {
        out.depth = std::max(out.depth, depth + 1);
        ++out.pages;
        auto img = load(page);
        if (!img || depth > 16) {
            out.fault = "page " + std::to_string(page) + " is not an index page of the table";
            return std::nullopt;
        }
        if (img->leaf) {
            leaves.push_back(page);
            for (const Entry &e : img->entries) {
                if (!out.entries.empty() && !(out.entries.back() < e))
                    out.fault = "entries out of order on page " + std::to_string(page);
                out.entries.push_back(e);
            }
            if (img->entries.empty() && depth > 0)
                out.fault = "empty leaf " + std::to_string(page) + " below the root";
            return img->entries.empty() ? std::optional<Entry>() : img->entries.back();
        }
        std::optional<Entry> last;
        for (std::size_t i = 0; i < img->entries.size(); ++i) {
            last = visit(img->child(i), depth + 1);
            if (!last || *last != Qb::Jet::entryWithoutChild(img->entries[i]))
                out.fault = "node " + std::to_string(page) + " entry " + std::to_string(i) + " is not its child's last";
        }
        if (img->tail)
            last = visit(img->tail, depth + 1);
        if (img->tail && img->entries.empty())
            out.fault = "node " + std::to_string(page) + " holds a lone child as its tail";
        if (!img->tail && img->entries.size() > 1)
            out.fault = "node " + std::to_string(page) + " has no tail";
        return last;
    }

    void checkLinks()
    {
        for (std::size_t i = 0; i < leaves.size(); ++i) {
            auto img = load(leaves[i]);
            const std::uint32_t prev = i ? leaves[i - 1] : 0;
            const std::uint32_t next = i + 1 < leaves.size() ? leaves[i + 1] : 0;
            if (img && (img->prev != prev || img->next != next))
                out.fault = "leaf " + std::to_string(leaves[i]) + " is linked out of order";
        }
    }
};

} // namespace

IndexWalk walkIndex(const std::vector<std::uint8_t> &file, std::uint32_t root, std::uint32_t tdefPage)
{
    Walker w{file, tdefPage, {}, {}};
    w.visit(root, 0);
    if (w.out.fault.empty())
        w.checkLinks();
    return w.out;
}

std::vector<std::uint16_t> slotFlags(const std::vector<std::uint8_t> &file, std::uint32_t tdefPage)
{
    std::vector<std::uint16_t> flags;
    for (std::size_t off = 0; off + Qb::Jet::PageSize <= file.size(); off += Qb::Jet::PageSize) {
        const std::uint8_t *p = file.data() + off;
        const std::uint32_t owner = p[4] | (p[5] << 8) | (p[6] << 16) | (std::uint32_t(p[7]) << 24);
        if (p[0] != 0x01 || owner != tdefPage || off == 0)
            continue;
        const std::size_t n = p[12] | (p[13] << 8);
        for (std::size_t i = 0; i < n && 14 + 2 * i + 1 < Qb::Jet::PageSize; ++i)
            flags.push_back(std::uint16_t((p[14 + 2 * i] | (p[15 + 2 * i] << 8)) & 0xE000));
    }
    return flags;
}

} // namespace Qb::Test

namespace Qb::Test {

std::vector<std::vector<std::string>> tableRows(Qb::Jet::Database &db, const std::string &table, std::string *error)
{
    std::vector<std::vector<std::string>> rows;
    auto cursor = db.query("select * from " + table);
    if (!cursor) {
        if (error)
            *error = cursor.error().message;
        return rows;
    }
    auto &c = **cursor;
    while (!c.atEnd()) {
        std::vector<std::string> row;
        for (std::size_t i = 0; i < c.columns().size(); ++i) {
            const Qb::Jet::Value &v = c.value(i);
            if (auto s = std::get_if<std::string>(&v))
                row.push_back(*s);
            else if (auto n = std::get_if<std::int64_t>(&v))
                row.push_back(std::to_string(*n));
            else if (Qb::Jet::isNull(v))
                row.push_back("<null>");
            else
                row.push_back("<value>");
        }
        rows.push_back(std::move(row));
        if (auto n = c.next(); !n) {
            if (error)
                *error = n.error().message;
            break;
        }
    }
    return rows;
}

} // namespace Qb::Test

namespace Qb::Test {

FailingPageSource::FailingPageSource(std::unique_ptr<Qb::Jet::PageSource> inner, std::size_t budget, bool transient,
                                     std::function<void()> onFault)
    : m_inner(std::move(inner)), m_budget(budget), m_transient(transient), m_onFault(std::move(onFault))
{
}

bool FailingPageSource::failNow()
{
    if (m_faulted && !m_transient)
        return true;
    if (m_writes < m_budget || m_faulted)
        return false;
    if (m_onFault)
        m_onFault();
    m_faulted = true;
    return true;
}

Qb::Jet::Result<void> FailingPageSource::write(std::uint32_t page, std::span<const std::uint8_t> data)
{
    if (failNow())
        return Qb::Jet::fail(Qb::Jet::ErrorCode::IoError, "injected write fault on page " + std::to_string(page));
    ++m_writes;
    return m_inner->write(page, data);
}

Qb::Jet::Result<void> FailingPageSource::truncate(std::uint32_t pages)
{
    if (m_faulted && !m_transient)
        return Qb::Jet::fail(Qb::Jet::ErrorCode::IoError, "injected truncate fault");
    return m_inner->truncate(pages);
}

Qb::Jet::Result<void> FailingPageSource::sync()
{
    if (m_faulted && !m_transient)
        return Qb::Jet::fail(Qb::Jet::ErrorCode::IoError, "injected sync fault");
    return m_inner->sync();
}

} // namespace Qb::Test
