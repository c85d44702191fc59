// SPDX-License-Identifier: GPL-3.0-or-later
// qb-bench-jet-query LIBRARY.mdb: what the query engine's index use saves on a large library.
//  1. "where ID between a and b": distinct pages read from the file (each run on a freshly
//     opened database, so nothing is cached) for index ranges of 100 and 1,000 rows, beside the
//     same rows selected by "not (ID < a or ID > b)", which no index serves (a full scan).
//  2. "order by ID" streamed through the primary key, beside the unordered scan of the same
//     columns: median wall and processor time of 5 runs each, taking turns, same run.
// Load (from /proc/loadavg) is printed with the figures: other processes share the machine.
#include "jet/database.h"
#include "jet/jetdatabase.h"
#include "jet/storage/pagesource.h"
#include "enginebench.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

using namespace Qb::Jet;

namespace {

// Passes reads through and remembers which pages were read.
class CountingSource final : public PageSource
{
public:
    explicit CountingSource(std::unique_ptr<PageSource> inner) : m_inner(std::move(inner)) {}
    Result<std::uint32_t> pageCount() const override { return m_inner->pageCount(); }
    Result<std::uint64_t> byteSize() const override { return m_inner->byteSize(); }
    Result<void> read(std::uint32_t page, std::span<std::uint8_t> out) const override
    {
        m_pages->insert(page);
        return m_inner->read(page, out);
    }
    Result<void> write(std::uint32_t, std::span<const std::uint8_t>) override { return fail(ErrorCode::ReadOnly, "bench"); }
    Result<void> truncate(std::uint32_t) override { return fail(ErrorCode::ReadOnly, "bench"); }
    Result<void> sync() override { return {}; }
    std::shared_ptr<std::set<std::uint32_t>> pages() const { return m_pages; }

private:
    std::unique_ptr<PageSource> m_inner;
    std::shared_ptr<std::set<std::uint32_t>> m_pages = std::make_shared<std::set<std::uint32_t>>();
};


struct Run
{
    std::size_t rows = 0;
    std::size_t pages = 0;
    double wall = 0;
    double cpu = 0;
};

// Runs `sql` to the end, reading every value. With `fresh`, on a newly opened database.
Run runQuery(const std::string &path, Database *warm, const std::string &sql)
{
    std::unique_ptr<Database> own;
    std::shared_ptr<std::set<std::uint32_t>> pages;
    if (!warm) {
        auto source = openFilePageSource(path, false);
        if (!source)
            return {};
        auto counting = std::make_unique<CountingSource>(std::move(*source));
        pages = counting->pages();
        auto db = Database::open(std::move(counting), "HPQVNRtoka3906", Database::Mode::ReadOnly);
        if (!db) {
            std::fprintf(stderr, "cannot open %s: %s\n", path.c_str(), db.error().message.c_str());
            return {};
        }
        own = std::move(*db);
        pages->clear(); // what opening read is not the query's
    }
    Database &db = warm ? *warm : *own;
    Run r;
    const auto start = std::chrono::steady_clock::now();
    const double cpu = QbBench::cpuMs();
    auto cursor = db.query(sql);
    if (!cursor) {
        std::fprintf(stderr, "%s: %s\n", sql.c_str(), cursor.error().message.c_str());
        return r;
    }
    std::size_t bytes = 0;
    for (Cursor &c = **cursor; !c.atEnd(); (void)c.next(), ++r.rows)
        for (std::size_t i = 0; i < c.columns().size(); ++i)
            if (const auto *s = std::get_if<std::string>(&c.value(i)))
                bytes += s->size();
    r.wall = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    r.cpu = QbBench::cpuMs() - cpu;
    r.pages = pages ? pages->size() : 0;
    return r;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void pagesRead(const std::string &path, int low, int high)
{
    const std::string range = " from 命令库 where ID between " + std::to_string(low) + " and " + std::to_string(high);
    const std::string scan = " from 命令库 where not (ID < " + std::to_string(low) + " or ID > " + std::to_string(high) + ")";
    const Run indexed = runQuery(path, nullptr, "select ID, 命令名" + range);
    const Run scanned = runQuery(path, nullptr, "select ID, 命令名" + scan);
    std::printf("between %d and %d: %zu rows, %zu pages read (reference, no index: %zu rows, %zu pages), ratio %.4f\n",
                low, high, indexed.rows, indexed.pages, scanned.rows, scanned.pages,
                double(indexed.pages) / double(std::max<std::size_t>(scanned.pages, 1)));
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fputs("usage: qb-bench-jet-query LIBRARY.mdb\n", stderr);
        return 2;
    }
    const std::string path = argv[1];
    std::printf("load %s\n", QbBench::loadAverage().c_str());
    pagesRead(path, 50000, 50099);
    pagesRead(path, 20000, 20999);

    auto db = Database::open(path, "HPQVNRtoka3906", Database::Mode::ReadOnly);
    if (!db)
        return 1;
    std::vector<double> orderedWall, orderedCpu, scanWall, scanCpu;
    std::size_t orderedRows = 0, scanRows = 0;
    runQuery(path, db->get(), "select ID, 命令名, 中文名 from 命令库"); // warm the page cache
    for (int i = 0; i < 5; ++i) {
        const Run scan = runQuery(path, db->get(), "select ID, 命令名, 中文名 from 命令库");
        const Run ordered = runQuery(path, db->get(), "select ID, 命令名, 中文名 from 命令库 order by ID");
        scanWall.push_back(scan.wall);
        scanCpu.push_back(scan.cpu);
        orderedWall.push_back(ordered.wall);
        orderedCpu.push_back(ordered.cpu);
        scanRows = scan.rows;
        orderedRows = ordered.rows;
    }
    std::printf("order by ID: %zu rows, median %.1f ms wall, %.1f ms cpu; reference, unordered scan: %zu rows, "
                "%.1f ms wall, %.1f ms cpu; ratio %.2f wall, %.2f cpu (goal <= 2)\n",
                orderedRows, median(orderedWall), median(orderedCpu), scanRows, median(scanWall), median(scanCpu),
                median(orderedWall) / median(scanWall), median(orderedCpu) / median(scanCpu));
    std::printf("load %s\n", QbBench::loadAverage().c_str());
    return 0;
}
