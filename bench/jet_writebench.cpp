// SPDX-License-Identifier: GPL-3.0-or-later
// Write benchmark of the Jet engine: durable single-statement inserts, updates by ID and deletes
// by name on libraries of several sizes, each statement its own transaction as the program
// sends them, beside references measured in the same run on the same file system: a loop of
// pwrite + fdatasync of one 4 KiB page (the floor), the disk pattern of a statement at the
// two-flush limit with as many journal and library pages as ours wrote (a rollback journal's
// limit: about half the floor) and SQLite doing the same statements (rollback journal and WAL,
// synchronous=FULL). The engine alone (in memory, no flushes) is shown too, and what each
// statement asked of the disk, counted by a file layer beneath the engine.
//   qb-bench-jet-write [--sizes 1000,10000,100000] [--statements N] [--dir DIR]
//                      [--tool quillbox-mdb --bulk N]
// With --bulk, N commands are loaded through `quillbox-mdb exec FILE - --single-transaction`
// beside SQLite inserting the same rows in one transaction (medians of three rounds, wall-clock
// and processor time).
// Every figure is statements (or rows) per second; a ratio is ours divided by the reference.
#include "jet_writebench.h"

#include "jet/database.h"
#include "jet/jetdatabase.h"
#include "jet/storage/filesystem.h"
#include "jet/storage/pagesource.h"
#include "jet/write/emptylibrary.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace Qb::Jet;
using namespace Qb::Bench;

namespace {

constexpr const char *Password = "HPQVNRtoka3906";
constexpr int Round = 25; // statements per contender in turn

struct Options
{
    std::vector<int> sizes{1000, 10000, 100000};
    int statements = 300;
    std::string dir = std::filesystem::temp_directory_path().string();
    std::string tool;
    int bulk = 0;
};

double seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double runOurs(Database &db, int first, int count, const StatementText &statement)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = first; i < first + count; ++i) {
        auto r = db.execute(statement(i));
        if (!r || *r != 1) {
            std::fprintf(stderr, "statement %d: %s\n", i, r ? "changed no row" : r.error().message.c_str());
            return -1;
        }
    }
    return seconds(start);
}

// A library of `size` commands, made in memory and written to `path` whole.
std::unique_ptr<Database> memoryLibrary(int size)
{
    auto db = Database::open(makeMemoryPageSource(EmptyLibrary::build(45000)), Password);
    if (!db)
        return nullptr;
    for (int k = 0; k < size; ++k)
        if (auto r = (*db)->execute(insertCommand(k)); !r) {
            std::fprintf(stderr, "command %d: %s\n", k, r.error().message.c_str());
            return nullptr;
        }
    return std::move(*db);
}

// The file is flushed before it is measured, or the first timed flush would write all of it.
bool writeFile(const std::string &path, PageSource &source)
{
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        PageBytes page;
        for (std::uint32_t p = 0; p < source.pageCount().value_or(0) && out; ++p) {
            if (!source.read(p, page))
                return false;
            out.write(reinterpret_cast<const char *>(page.data()), std::streamsize(page.size()));
        }
        if (!out.flush())
            return false;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    return synced;
}

std::string rate(int count, double s) { return s > 0 ? std::to_string(int(count / s + 0.5)) : std::string("failed"); }

// Seconds of each contender for one kind of statement.
struct Timings
{
    double floor = 0, twoFlush = 0, rollback = 0, wal = 0, ours = 0, memory = 0;
};

void printLine(int size, const char *kind, int count, const Timings &t)
{
    auto ratio = [&](double reference) { return t.ours > 0 && reference > 0 ? reference / t.ours : 0.0; };
    std::printf("%7d commands %-6s  quillbox %6s/s | floor %6s/s ratio %.2f | two-flush pattern %6s/s ratio %.2f"
                " | sqlite rollback %6s/s ratio %.2f | sqlite wal %6s/s ratio %.2f | engine alone %7s/s\n",
                size, kind, rate(count, t.ours).c_str(), rate(count, t.floor).c_str(), ratio(t.floor),
                rate(count, t.twoFlush).c_str(), ratio(t.twoFlush), rate(count, t.rollback).c_str(), ratio(t.rollback),
                rate(count, t.wal).c_str(), ratio(t.wal), rate(count, t.memory).c_str());
    std::fflush(stdout);
}

// What one statement asked of the disk, on average, and the share of its time spent flushing;
// then the library's flushes after a change of its length beside those after writes in place.
void printIo(int size, const char *kind, int count, const IoCounts &io, double ours)
{
    const auto per = [count](std::uint64_t n) { return double(n) / count; };
    const double flushing = ours > 0 ? (io.journal.syncSeconds + io.library.syncSeconds) / ours : 0.0;
    std::printf("%7d commands %-6s  per statement: journal %.2f writes %.1f KB %.2f flushes | library %.2f writes"
                " %.2f pages %.2f flushes | truncates %.2f, directory flushes %.2f | %.0f%% of the time in flushes\n",
                size, kind, per(io.journal.writes), per(io.journal.bytes) / 1024, per(io.journal.syncs),
                per(io.library.writes), per(io.library.bytes) / 4096, per(io.library.syncs), per(io.truncates),
                per(io.directorySyncs), flushing * 100);
    const IoCounts::PerFile &l = io.library;
    const auto ms = [](double s, std::uint64_t n) { return n ? s / double(n) * 1000 : 0.0; };
    const IoCounts::PerFile &j = io.journal;
    std::printf("%7d commands %-6s  library flushes: %llu after a length change %.2f ms each | %llu in place %.2f ms"
                " each | journal flushes %.2f ms each\n",
                size, kind, static_cast<unsigned long long>(l.resizedSyncs), ms(l.resizedSyncSeconds, l.resizedSyncs),
                static_cast<unsigned long long>(l.syncs - l.resizedSyncs),
                ms(l.syncSeconds - l.resizedSyncSeconds, l.syncs - l.resizedSyncs), ms(j.syncSeconds, j.syncs));
    std::fflush(stdout);
}

// The program looks a command up by name (the modify dialog, double-click insertion) before it
// deletes one by name, so the column index on 命令名 is built before the deletes; its one-time
// cost is shown apart.
void firstLookupByName(int size, Database &file, Database &memory)
{
    const auto start = std::chrono::steady_clock::now();
    for (Database *db : {&file, &memory})
        if (auto r = db->query("select ID from 命令库 where 命令名='none'"); !r)
            std::fprintf(stderr, "lookup by name: %s\n", r.error().message.c_str());
    std::printf("%7d commands first lookup by 命令名 (builds its column index, file and memory): %.1f ms\n", size,
                seconds(start) * 1000);
}

// Seconds per statement of each kind at this size (insert, update, delete), for the scaling line.
using Costs = std::vector<double>;

Costs benchSize(const Options &o, int size)
{
    const std::string path = (std::filesystem::path(o.dir) / "qb-bench-jet-write.mdb").string();
    std::filesystem::remove(path);
    auto memory = memoryLibrary(size);
    if (!memory || !writeFile(path, static_cast<JetDatabase &>(*memory).pages().source())) {
        std::fprintf(stderr, "cannot prepare a library of %d commands in %s\n", size, o.dir.c_str());
        return {};
    }
    // Our library's files go through a counting layer over the system's.
    IoCounts counted;
    CountingFileSystem counting(fileSystem(), counted);
    FileSystem *previous = installFileSystem(&counting);
    auto ours = Database::open(path, Password);
    TwoFlushPattern pattern(o.dir);
    SqliteLibrary rollback((std::filesystem::path(o.dir) / "qb-bench-rollback.db").string(), false);
    SqliteLibrary wal((std::filesystem::path(o.dir) / "qb-bench-wal.db").string(), true);
    if (!ours || !rollback.fill(size) || !wal.fill(size)) {
        std::fprintf(stderr, "cannot prepare the libraries of %d commands\n", size);
        ours = std::unexpected(Error{});
        installFileSystem(previous);
        return {};
    }
    const int n = std::min(o.statements, size);
    const std::pair<const char *, StatementText> kinds[] = {
        {"insert", insertStatements(size)}, {"update", updateStatements(size, n)}, {"delete", deleteStatements(size, n)}};
    Costs costs;
    for (const auto &[kind, statement] : kinds) {
        if (std::string_view(kind) == "delete")
            firstLookupByName(size, **ours, *memory);
        // In rounds, so that a disk busy with other work slows every contender alike.
        Timings t;
        IoCounts io;
        for (int first = 0; first < n; first += Round) {
            const int k = std::min(Round, n - first);
            auto add = [](double &sum, double s) { sum = sum < 0 || s < 0 ? -1 : sum + s; };
            add(t.floor, floorSeconds(o.dir, k));
            // The pattern takes the journal's size and the pages of our statements so far
            // (five pages each before the first round).
            const int journalPages = io.journal.syncs ? int((io.journal.bytes / io.journal.syncs + 4095) / 4096) : 5;
            const int pages = io.library.syncs ? int((io.library.bytes / io.library.syncs + 4095) / 4096) : 5;
            add(t.twoFlush, pattern.run(k, journalPages, pages));
            add(t.rollback, rollback.run(first, k, statement));
            add(t.wal, wal.run(first, k, statement));
            const IoCounts before = counted;
            add(t.ours, runOurs(**ours, first, k, statement));
            io += counted - before;
            add(t.memory, runOurs(*memory, first, k, statement));
        }
        printLine(size, kind, n, t);
        printIo(size, kind, n, io, t.ours);
        costs.push_back(t.ours / n);
    }
    ours->reset();
    installFileSystem(previous);
    std::filesystem::remove(path);
    return costs;
}

// Wall-clock and processor seconds of one bulk load; wall < 0 when it failed.
struct BulkTiming
{
    double wall = -1, cpu = 0;
};

// Processor seconds of this process and of the children it has waited for.
double cpuSeconds()
{
    double total = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        ::getrusage(who, &usage);
        for (const timeval &t : {usage.ru_utime, usage.ru_stime})
            total += double(t.tv_sec) + double(t.tv_usec) / 1e6;
    }
    return total;
}

BulkTiming timed(const std::function<bool()> &run)
{
    const double cpu = cpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    const bool ok = run();
    return {ok ? seconds(start) : -1, cpuSeconds() - cpu};
}

// Runs `tool exec FILE - --single-transaction` with `scriptPath` as its standard input.
bool runTool(const std::string &tool, const std::string &file, const std::string &scriptPath)
{
    std::fflush(stdout);
    const pid_t child = ::fork();
    if (child == 0) {
        if (!std::freopen(scriptPath.c_str(), "rb", stdin) || !std::freopen("/dev/null", "w", stdout))
            ::_exit(127);
        ::execl(tool.c_str(), tool.c_str(), "exec", file.c_str(), "-", "--single-transaction", nullptr);
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The medians of the runs, wall and processor time each on its own; a failed run fails all.
BulkTiming median(std::vector<BulkTiming> runs)
{
    if (std::ranges::any_of(runs, [](const BulkTiming &t) { return t.wall < 0; }))
        return {};
    std::ranges::sort(runs, {}, &BulkTiming::wall);
    const double wall = runs[runs.size() / 2].wall;
    std::ranges::sort(runs, {}, &BulkTiming::cpu);
    return {wall, runs[runs.size() / 2].cpu};
}

// Three rounds of both loads in turn, so that other work on the machine slows both alike;
// the medians are compared, by wall-clock and by processor time.
void benchBulk(const Options &o)
{
    const std::filesystem::path dir(o.dir);
    const std::string script = (dir / "qb-bench-bulk.sql").string(), file = (dir / "qb-bench-bulk.mdb").string();
    std::string text;
    for (int k = 0; k < o.bulk; ++k)
        text += insertCommand(k) + ";\n";
    std::ofstream(script, std::ios::binary) << text;
    std::vector<BulkTiming> ours, theirs;
    std::uintmax_t size = 0;
    for (int round = 0; round < 3; ++round) {
        std::filesystem::remove(file);
        const bool created = bool(Database::createLibrary(file));
        ours.push_back(timed([&] { return created && runTool(o.tool, file, script); }));
        size = std::filesystem::exists(file) ? std::filesystem::file_size(file) : 0;
        SqliteLibrary sqlite((dir / "qb-bench-bulk.db").string(), false);
        theirs.push_back(timed([&] { return sqlite.runScript(text) >= 0; }));
    }
    const BulkTiming a = median(ours), b = median(theirs);
    const auto ratio = [](double ourSeconds, double theirSeconds) {
        return ourSeconds > 0 && theirSeconds > 0 ? theirSeconds / ourSeconds : 0.0;
    };
    std::printf("%7d commands bulk    quillbox exec - --single-transaction %6s rows/s (%.2f s, cpu %.2f s, %.0f MB)"
                " | sqlite rollback, one transaction %6s rows/s (%.2f s, cpu %.2f s) ratio %.2f, by cpu %.2f"
                " (medians of 3)\n",
                o.bulk, rate(o.bulk, a.wall).c_str(), a.wall, a.cpu, double(size) / 1e6, rate(o.bulk, b.wall).c_str(),
                b.wall, b.cpu, ratio(a.wall, b.wall), ratio(a.cpu, b.cpu));
    std::filesystem::remove(script);
    std::filesystem::remove(file);
}

bool parse(int argc, char **argv, Options &o)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i], v = argv[i + 1];
        if (a == "--sizes") {
            o.sizes.clear();
            std::stringstream list(v);
            for (std::string item; std::getline(list, item, ',');)
                o.sizes.push_back(std::atoi(item.c_str()));
        } else if (a == "--statements") {
            o.statements = std::atoi(v.c_str());
        } else if (a == "--dir") {
            o.dir = v;
        } else if (a == "--tool") {
            o.tool = v;
        } else if (a == "--bulk") {
            o.bulk = std::atoi(v.c_str());
        } else {
            return false;
        }
    }
    return o.statements > 0 && (argc % 2 == 1);
}

} // namespace

int main(int argc, char **argv)
{
    Options o;
    if (!parse(argc, argv, o)) {
        std::fputs("usage: qb-bench-jet-write [--sizes 1000,10000,100000] [--statements N] [--dir DIR]"
                   " [--tool quillbox-mdb --bulk N]\n",
                   stderr);
        return 2;
    }
    std::printf("write benchmark in %s: %d single-statement transactions per kind and size\n", o.dir.c_str(),
                o.statements);
    std::vector<std::pair<int, Costs>> all;
    for (int size : o.sizes)
        if (auto costs = benchSize(o, size); !costs.empty())
            all.emplace_back(size, costs);
    if (all.size() >= 2) {
        const auto &[small, first] = all.front();
        const auto &[large, last] = all.back();
        std::printf("scaling %d -> %d commands: cost per statement insert x%.2f, update x%.2f, delete x%.2f\n", small,
                    large, last[0] / first[0], last[1] / first[1], last[2] / first[2]);
    }
    if (o.bulk > 0 && !o.tool.empty())
        benchBulk(o);
    return 0;
}
