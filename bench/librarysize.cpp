// SPDX-License-Identifier: GPL-3.0-or-later
// qb-bench-librarysize: the size of a library of 1,000 commands with 2,000-character ASCII
// descriptions, as the engine writes it (Text and Memo columns flagged for compression, so
// their values are stored compressed), beside the same rows written with the flag cleared
// (plain UTF-16, the form of files written before compression) in the same run.
//   qb-bench-librarysize DIR
// Writes DIR/compressed.mdb and DIR/plain.mdb and prints both sizes, their ratio and the goal.
// librarysize.sh then checks that the independent readers read the compressed file as we do.
#include "jet/format/tdefwriter.h"
#include "jet/jetdatabase.h"
#include "jet/storage/pagesource.h"
#include "jet/write/emptylibrary.h"
#include "jet/write/txwriter.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

using namespace Qb::Jet;

namespace {

constexpr const char *Password = "HPQVNRtoka3906";
constexpr int Commands = 1000;
constexpr std::size_t DescriptionChars = 2000;
constexpr std::uintmax_t GoalBytes = 2'600'000;

// Lines of Python-like ASCII, different for every command.
std::string description(std::mt19937 &random)
{
    static const char *const Pieces[] = {"for item in items:", "    print(item)", "import os", "def run(path):",
                                         "    return open(path).read()", "# keep the last value", "x = [i * 2 for i in range(10)]"};
    std::string text;
    while (text.size() < DescriptionChars)
        text += std::string(Pieces[random() % std::size(Pieces)]) + " " + std::to_string(random() % 1000) + "\r\n";
    text.resize(DescriptionChars);
    return text;
}

bool setCompression(JetDatabase &db, bool on)
{
    for (const char *name : {"分类表", "命令库", "命令表", "关键字表"}) {
        TableDef t = **db.tableDef(name);
        for (ColumnDef &c : t.columns)
            if (c.isText())
                c.extFlags = on ? ColumnCompressedUnicode : 0;
        TxWriter tx(db.pages());
        const auto tdef = TdefWriter::encode(t);
        auto page = tx.write(t.page);
        if (!page || tdef.size() > PageSize)
            return false;
        std::copy(tdef.begin(), tdef.end(), page->begin());
        if (!tx.commit(nullptr) || !db.invalidate())
            return false;
    }
    return true;
}

// The library written to `path` in one transaction; its size, or 0 on failure.
std::uintmax_t writeLibrary(const std::string &path, bool compressed)
{
    auto db = JetDatabase::open(makeMemoryPageSource(EmptyLibrary::build(45000)), Password, Database::Mode::ReadWrite);
    if (!db || (!compressed && !setCompression(**db, false)))
        return 0;
    std::mt19937 random(1000);
    if (!(*db)->beginTransaction())
        return 0;
    for (int k = 0; k < Commands; ++k) {
        const std::string sql = "insert into 命令库(命令名,中文名,分类,说明,类型) values ('command" + std::to_string(k)
                                + "','命令','1','" + description(random) + "','无')";
        if (auto r = (*db)->execute(sql); !r) {
            std::fprintf(stderr, "command %d: %s\n", k, r.error().message.c_str());
            return 0;
        }
    }
    if (!(*db)->commitTransaction() || (!compressed && !setCompression(**db, true)))
        return 0;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    PageSource &source = (*db)->pages().source();
    std::vector<std::uint8_t> page(PageSize);
    for (std::uint32_t p = 0; p < source.pageCount().value_or(0); ++p) {
        if (!source.read(p, page))
            return 0;
        out.write(reinterpret_cast<const char *>(page.data()), std::streamsize(page.size()));
    }
    out.close();
    return out ? std::filesystem::file_size(path) : 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: qb-bench-librarysize DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    std::filesystem::create_directories(dir);
    const std::uintmax_t compressed = writeLibrary(dir + "/compressed.mdb", true);
    const std::uintmax_t plain = writeLibrary(dir + "/plain.mdb", false);
    if (!compressed || !plain)
        return 1;
    std::printf("%d commands with %zu-character ASCII descriptions:\n", Commands, DescriptionChars);
    std::printf("  compressed text (as written now): %10ju bytes\n", compressed);
    std::printf("  plain UTF-16 (same rows, flag cleared): %4ju bytes\n", plain);
    std::printf("  ratio compressed / plain: %.2f\n", double(compressed) / double(plain));
    std::printf("goal, at most %ju bytes: %s\n", GoalBytes, compressed <= GoalBytes ? "met" : "NOT met");
    return 0;
}
