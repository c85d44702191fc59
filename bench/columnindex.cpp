// SPDX-License-Identifier: GPL-3.0-or-later
// qb-bench-column-index LIBRARY.mdb [--runs N]: the engine's text column indexes on a large
// library's command table. For 命令名, 中文名, 分类 and the two names together, each on a freshly
// opened database (the file's pages in the system's cache, none in the engine's): the build's
// median wall and processor time and the heap it keeps (malloc's count of bytes in use, before
// and after), then the same for ordering the built entries; then the "like '%piece%'" lookups a
// find makes over the two name indexes, unordered and ordered, and the find's whole statement,
// the first and the median of N later ones. Load (from
// /proc/loadavg) is printed with the figures: other processes share the machine.
#include "jet/jetdatabase.h"
#include "jet/sql/likepattern.h"
#include "jet/storage/pagesource.h"
#include "enginebench.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <malloc.h>

using namespace Qb::Jet;

namespace {

constexpr const char *Password = "HPQVNRtoka3906";

std::size_t heapInUse() { return mallinfo2().uordblks; }

struct Timing
{
    double wall = 0;
    double cpu = 0;
};

Timing measure(const std::function<void()> &run)
{
    const auto start = std::chrono::steady_clock::now();
    const double cpu = QbBench::cpuMs();
    run();
    return {std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count(), QbBench::cpuMs() - cpu};
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::unique_ptr<JetDatabase> openLibrary(const std::string &path)
{
    auto source = openFilePageSource(path, false);
    if (!source)
        return nullptr;
    auto db = JetDatabase::open(std::move(*source), Password, Database::Mode::ReadOnly);
    if (!db) {
        std::fprintf(stderr, "cannot open %s: %s\n", path.c_str(), db.error().message.c_str());
        return nullptr;
    }
    return std::move(*db);
}

struct BuildFigures
{
    std::vector<double> walls, cpus, orderWalls, orderCpus;
    std::size_t keptUnordered = 0, keptOrdered = 0, entries = 0;
};

// One build of the indexes on `columns` of 命令库 by one scan on a fresh database, then their
// ordering.
bool buildOnce(const std::string &path, const std::vector<std::string> &columns, BuildFigures &f)
{
    auto db = openLibrary(path);
    auto def = db ? db->tableDef("命令库") : Result<TableDefRef>(std::unexpected(Error{}));
    if (!def)
        return false;
    std::vector<std::size_t> wanted;
    for (const std::string &c : columns)
        wanted.push_back(std::size_t((*def)->findColumn(c)));
    (void)db->dataPages(**def);
    const std::size_t before = heapInUse();
    Result<std::vector<const TextColumnIndex *>> built = std::vector<const TextColumnIndex *>();
    const Timing t = measure([&] { built = db->textColumnIndexes(**def, wanted, false); });
    if (!built)
        return false;
    f.keptUnordered = heapInUse() - before;
    const Timing o = measure([&] { built = db->textColumnIndexes(**def, wanted, true); });
    f.keptOrdered = heapInUse() - before;
    f.entries = built->front()->size();
    f.walls.push_back(t.wall);
    f.cpus.push_back(t.cpu);
    f.orderWalls.push_back(o.wall);
    f.orderCpus.push_back(o.cpu);
    return true;
}

bool buildReport(const std::string &path, const std::vector<std::string> &columns, int runs)
{
    BuildFigures f;
    for (int r = 0; r < runs; ++r)
        if (!buildOnce(path, columns, f))
            return false;
    std::string names;
    for (const std::string &c : columns)
        names += (names.empty() ? "" : " + ") + c;
    const double perEntry = double(f.entries * columns.size());
    std::printf("build %s (one scan): median %.1f ms wall, %.1f ms CPU, keeps %.2f MB (%.1f bytes/entry, %zu entries "
                "each)\n    then ordering it: %.1f ms wall, %.1f ms CPU, keeps %.2f MB (%.1f bytes/entry)\n",
                names.c_str(), median(f.walls), median(f.cpus), double(f.keptUnordered) / 1e6,
                double(f.keptUnordered) / perEntry, f.entries, median(f.orderWalls), median(f.orderCpus),
                double(f.keptOrdered) / 1e6, double(f.keptOrdered) / perEntry);
    return true;
}

bool lookupReport(const std::string &path, int runs, bool ordered)
{
    auto db = openLibrary(path);
    auto def = db ? db->tableDef("命令库") : Result<TableDefRef>(std::unexpected(Error{}));
    if (!def)
        return false;
    auto both = db->textColumnIndexes(**def, {std::size_t((*def)->findColumn("命令名")),
                                              std::size_t((*def)->findColumn("中文名"))}, ordered);
    if (!both)
        return false;
    for (const char *piece : {"%sleep%", "%json.dump()77%", "%打印文%", "%no such command%"}) {
        const LikePattern like(piece);
        std::vector<double> walls, cpus;
        std::size_t found = 0;
        for (int r = 0; r < runs; ++r) {
            const Timing t = measure([&] { found = (*both)[0]->matching(like).rows.size() + (*both)[1]->matching(like).rows.size(); });
            walls.push_back(t.wall);
            cpus.push_back(t.cpu);
        }
        std::printf("lookup like '%s' over both (%s): %zu rows, median %.2f ms wall, %.2f ms CPU\n", piece,
                    ordered ? "ordered" : "scan order", found, median(walls), median(cpus));
    }
    return true;
}

// The statement a find makes, read to the end: the first on a fresh database (it builds both
// name indexes), then the median of `runs` more.
bool findQueryReport(const std::string &path, const std::string &piece, int runs)
{
    auto db = openLibrary(path);
    if (!db)
        return false;
    const std::string like = " like '%" + piece + "%'";
    const std::string sql = "select 分类, 命令名, 中文名 from 命令库 where 命令名" + like + " or 中文名" + like;
    std::size_t rows = 0;
    bool ok = true;
    const auto run = [&] {
        auto cursor = db->query(sql);
        ok = cursor.has_value();
        rows = 0;
        for (Cursor &c = **cursor; ok && !c.atEnd(); (void)c.next(), ++rows)
            for (std::size_t i = 0; i < 3; ++i)
                (void)c.value(i);
    };
    const Timing first = measure(run);
    std::vector<double> walls, cpus;
    for (int r = 0; r < runs && ok; ++r) {
        const Timing t = measure(run);
        walls.push_back(t.wall);
        cpus.push_back(t.cpu);
    }
    if (!ok)
        return false;
    std::printf("find statement for '%s' (%zu rows): first %.1f ms wall, %.1f ms CPU; later median %.1f ms wall, "
                "%.1f ms CPU\n", piece.c_str(), rows, first.wall, first.cpu, median(walls), median(cpus));
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2 && !(argc == 4 && std::string(argv[2]) == "--runs")) {
        std::fputs("usage: qb-bench-column-index LIBRARY.mdb [--runs N]\n", stderr);
        return 2;
    }
    const std::string path = argv[1];
    const int runs = argc == 4 ? std::max(1, std::atoi(argv[3])) : 7;
    std::printf("load %s\n", QbBench::loadAverage().c_str());
    openLibrary(path); // the file into the system's cache
    for (const auto &columns : std::vector<std::vector<std::string>>{{"命令名"}, {"中文名"}, {"分类"}, {"命令名", "中文名"}})
        if (!buildReport(path, columns, runs))
            return 1;
    if (!lookupReport(path, runs, false) || !lookupReport(path, runs, true))
        return 1;
    for (const char *piece : {"sleep", "json.dump()77", "打印文"})
        if (!findQueryReport(path, piece, runs))
            return 1;
    std::printf("load %s\n", QbBench::loadAverage().c_str());
    return 0;
}
