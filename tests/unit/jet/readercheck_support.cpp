// SPDX-License-Identifier: GPL-3.0-or-later
// Independent readers over many files. mdb-reader answers each file with, per table, its row
// count and an order-independent checksum of its rows (each cell's column name and value as
// UTF-16 text), computed the same way here from the engine's rows.
#include "readercheck_support.h"

#include "writetest_support.h"

#include "jet/format/text.h"

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

namespace Qb::Test {

namespace {

constexpr const char *Null = "<null>";

std::uint32_t fnvStep(std::uint32_t h, std::uint32_t unit) { return (h ^ unit) * 16777619u; }

std::uint32_t fnvText(std::uint32_t h, const std::string &utf8)
{
    for (char16_t unit : Qb::Jet::utf8ToUtf16(utf8))
        h = fnvStep(h, unit);
    return h;
}

std::string summary(const std::string &name, const TableContent &table)
{
    std::uint32_t sum = 0;
    for (const auto &row : table.rows) {
        std::uint32_t rowSum = 0;
        for (std::size_t c = 0; c < row.size() && c < table.columns.size(); ++c) {
            std::uint32_t h = fnvStep(fnvText(2166136261u, table.columns[c]), 0x1F);
            h = row[c] == Null ? fnvStep(h, 0x1E) : fnvText(h, row[c]);
            rowSum += h;
        }
        sum += rowSum * 0x9E3779B1u;
    }
    return name + ":" + std::to_string(table.rows.size()) + ":" + std::to_string(sum);
}

const char *NodeScript = R"(
import { readFileSync } from "fs";
import { createInterface } from "readline";
const fnv = (h, s) => { for (let i = 0; i < s.length; ++i) h = Math.imul(h ^ s.charCodeAt(i), 16777619); return h; };
for await (const line of createInterface({ input: process.stdin })) {
    const [file, ...tables] = line.split("\t");
    let out = [];
    try {
        const reader = new MDBReader(readFileSync(file));
        for (const name of tables) {
            let sum = 0, count = 0;
            for (const row of reader.getTable(name).getData()) {
                let rowSum = 0;
                for (const [column, value] of Object.entries(row)) {
                    let h = Math.imul(fnv(2166136261, column) ^ 0x1f, 16777619);
                    h = value === null ? Math.imul(h ^ 0x1e, 16777619) : fnv(h, String(value));
                    rowSum = (rowSum + (h >>> 0)) >>> 0;
                }
                sum = (sum + (Math.imul(rowSum, 0x9E3779B1) >>> 0)) >>> 0;
                ++count;
            }
            out.push(`${name}:${count}:${sum}`);
        }
    } catch (e) {
        out = ["mdb-reader failed: " + String(e && e.message).replace(/\s+/g, " ")];
    }
    process.stdout.write(out.join("\t") + "\n");
}
)";

// mdb-export's CSV (quoted text, "" for a quote, NULL unquoted and empty) as rows.
std::vector<std::vector<std::string>> parseCsv(const std::string &text)
{
    std::vector<std::vector<std::string>> rows(1);
    std::string field;
    bool quoted = false, wasQuoted = false;
    auto endField = [&] {
        rows.back().push_back(wasQuoted || !field.empty() ? field : Null);
        field.clear();
        wasQuoted = false;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted && c == '"' && i + 1 < text.size() && text[i + 1] == '"')
            field += text[i++];
        else if (c == '"')
            quoted = !quoted, wasQuoted = true;
        else if (!quoted && c == ',')
            endField();
        else if (!quoted && c == '\n')
            endField(), rows.emplace_back();
        else
            field += c;
    }
    rows.pop_back(); // after the last line break
    if (!rows.empty())
        rows.erase(rows.begin()); // the header line
    return rows;
}

} // namespace

IndependentReaders::IndependentReaders()
{
    m_mdbtools = haveMdbTools();
    const char *source = std::getenv("QUILLBOX_SOURCE");
    if (!source || !runCommand("command -v node >/dev/null 2>&1"))
        return;
    const auto module = std::filesystem::path(source) / "tests/mdbreader/node_modules/mdb-reader/lib/node/index.js";
    if (!std::filesystem::exists(module))
        return;
    m_script = (std::filesystem::temp_directory_path() / ("qb-readercheck-" + std::to_string(::getpid()) + ".mjs")).string();
    std::ofstream(m_script) << "import MDBReader from \"" << module.string() << "\";\n" << NodeScript;
    int in[2], out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0)
        return;
    m_node = ::fork();
    if (m_node == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::close(in[1]);
        ::close(out[0]);
        ::execlp("node", "node", m_script.c_str(), nullptr);
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    m_toNode = ::fdopen(in[1], "w");
    m_fromNode = ::fdopen(out[0], "r");
}

IndependentReaders::~IndependentReaders()
{
    if (m_toNode)
        std::fclose(m_toNode);
    if (m_fromNode)
        std::fclose(m_fromNode);
    if (m_node > 0)
        ::waitpid(m_node, nullptr, 0);
    if (!m_script.empty())
        std::filesystem::remove(m_script);
}

std::string IndependentReaders::names() const
{
    std::string out = m_mdbtools ? "mdbtools" : "";
    if (m_node > 0)
        out += out.empty() ? "mdb-reader" : ", mdb-reader";
    return out;
}

std::string IndependentReaders::check(const std::string &file, const Tables &expected)
{
    std::string fault = m_mdbtools ? checkMdbtools(file, expected) : "";
    if (fault.empty() && m_node > 0)
        fault = checkMdbReader(file, expected);
    return fault;
}

std::string IndependentReaders::checkMdbtools(const std::string &file, const Tables &expected)
{
    for (const auto &[name, table] : expected) {
        const auto csv = runCommand("mdb-export " + shellQuote(file) + " " + shellQuote(name) + " 2>&1");
        if (!csv)
            return "mdb-export fails on table " + name;
        auto theirs = parseCsv(*csv);
        auto ours = table.rows;
        for (auto &row : ours)
            std::replace(row.begin(), row.end(), std::string(), std::string(Null)); // empty text shows as NULL
        std::sort(ours.begin(), ours.end());
        std::sort(theirs.begin(), theirs.end());
        if (ours != theirs)
            return "mdb-export shows other rows of " + name + " (" + std::to_string(theirs.size()) + " rows, the engine "
                + std::to_string(ours.size()) + ")";
    }
    return {};
}

std::string IndependentReaders::checkMdbReader(const std::string &file, const Tables &expected)
{
    std::string request = file, ours;
    for (const auto &[name, table] : expected) {
        request += "\t" + name;
        ours += (ours.empty() ? "" : "\t") + summary(name, table);
    }
    std::fprintf(m_toNode, "%s\n", request.c_str());
    std::fflush(m_toNode);
    char *line = nullptr;
    std::size_t size = 0;
    const ssize_t n = ::getline(&line, &size, m_fromNode);
    std::string theirs = n > 0 ? std::string(line, std::size_t(n) - 1) : "mdb-reader stopped";
    std::free(line);
    return theirs == ours ? std::string() : "mdb-reader shows " + theirs + ", the engine " + ours;
}

} // namespace Qb::Test
