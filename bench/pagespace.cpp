// SPDX-License-Identifier: GPL-3.0-or-later
// qb-bench-pagespace: where a library's space goes. For each file named, its size and, apart
// for table data pages and long-value pages, how many there are and the bytes a row could still
// use on them (deleted rows' bytes counted as free), so a writer's page filling can be compared
// between builds on the same script.
//   qb-bench-pagespace FILE...
#include "jet/format/datapage.h"
#include "jet/format/datapagewriter.h"
#include "jet/storage/pagesource.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <vector>

using namespace Qb::Jet;

namespace {

struct Tally
{
    std::uint64_t pages = 0;
    std::uint64_t freeBytes = 0;
};

void printTally(const char *kind, const Tally &t)
{
    const double total = double(t.pages) * PageSize;
    std::printf("  %-10s %8llu pages %9.2f MB, free %9.2f MB (%.1f%%)\n", kind,
                static_cast<unsigned long long>(t.pages), total / 1e6, double(t.freeBytes) / 1e6,
                total > 0 ? 100.0 * double(t.freeBytes) / total : 0.0);
}

bool report(const char *path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot open %s\n", path);
        return false;
    }
    Tally data, longValues;
    std::uint64_t pages = 0;
    std::array<std::uint8_t, PageSize> page{};
    while (in.read(reinterpret_cast<char *>(page.data()), PageSize)) {
        ++pages;
        if (page[0] != PageTypeData)
            continue;
        Tally &t = dataPageOwner(page) == LongValueOwner ? longValues : data;
        ++t.pages;
        // compactedRoom() leaves out the slot a new row needs; the page's free bytes include it.
        const std::size_t room = DataPageWriter::compactedRoom(page);
        t.freeBytes += room > 0 ? room + 2 : 0;
    }
    std::printf("%s: %llu bytes, %llu pages\n", path, static_cast<unsigned long long>(pages * PageSize),
                static_cast<unsigned long long>(pages));
    printTally("data", data);
    printTally("long value", longValues);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: qb-bench-pagespace FILE...\n");
        return 2;
    }
    bool ok = true;
    for (int i = 1; i < argc; ++i)
        ok = report(argv[i]) && ok;
    return ok ? 0 : 1;
}
