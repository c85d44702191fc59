// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a command library with one large 命令库 table for the export benchmark:
//   qb-jet-export-gen OUT.mdb ROWS [CATEGORIES]
// Rows are inserted through the engine's own writer on an in-memory copy, then the file is
// written once. Each row has a short name, a Chinese name, a category number and a memo of
// 100 to 2,000 characters (some long enough for long-value chains).
#include "jet/jetdatabase.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

using namespace Qb::Jet;

namespace {

std::string memoFor(unsigned row)
{
    static const char *const words[] = {"打印", "print", "循环", "value", "函数", "文件", "return", "列表"};
    std::string memo;
    const unsigned length = 100 + (row * 7919u) % 1900u;
    for (unsigned i = 0; memo.size() < length; ++i)
        memo += std::string(words[(row + i) % 8]) + " ";
    return memo;
}

int fail(const std::string &message)
{
    std::fprintf(stderr, "qb-jet-export-gen: %s\n", message.c_str());
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 3)
        return fail("usage: qb-jet-export-gen OUT.mdb ROWS [CATEGORIES]");
    const std::string out = argv[1];
    const unsigned rows = unsigned(std::strtoul(argv[2], nullptr, 10));
    const unsigned categories = argc > 3 ? unsigned(std::strtoul(argv[3], nullptr, 10)) : 500;
    std::remove(out.c_str());
    if (auto made = Database::createLibrary(out); !made)
        return fail(made.error().message);
    std::ifstream in(out, std::ios::binary);
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    auto db = JetDatabase::open(makeMemoryPageSource(std::move(bytes)), "HPQVNRtoka3906", Database::Mode::ReadWrite);
    if (!db)
        return fail(db.error().message);
    for (unsigned i = 0; i < rows; ++i) {
        const std::string sql = "insert into 命令库(命令名,中文名,分类,说明,类型) values ('cmd" + std::to_string(i)
            + "','命令" + std::to_string(i) + "','" + std::to_string(1 + i % categories) + "','" + memoFor(i) + "','无')";
        if (auto ok = (*db)->execute(sql); !ok)
            return fail("row " + std::to_string(i) + ": " + ok.error().message);
    }
    auto &source = (*db)->pages().source();
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    std::vector<std::uint8_t> page(PageSize);
    for (std::uint32_t p = 0; p < source.pageCount().value_or(0); ++p) {
        if (!source.read(p, page))
            return fail("cannot read back page " + std::to_string(p));
        file.write(reinterpret_cast<const char *>(page.data()), std::streamsize(page.size()));
    }
    return file ? 0 : fail("cannot write " + out);
}
