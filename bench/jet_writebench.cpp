// Write benchmark of the Jet engine: single-statement inserts of typical command rows, then
// updates by ID and deletes by name, each statement committed on its own, as the program does.
//   qb-bench-jet-write [--count N] [--dir DIR]
// Three runs: the default (rollback journal and flushes), a file without the journal (flushes
// only), and in memory (the engine alone). The journal's cost is the difference of the first two.
#include "jet/database.h"
#include "jet/write/emptylibrary.h"
#include "jet/jetdatabase.h"
#include "jet/storage/pagesource.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace Qb::Jet;

namespace {

constexpr const char *Password = "HPQVNRtoka3906";

std::string body(int i)
{
    std::string s;
    while (s.size() < std::size_t(200 + (i * 37) % 400))
        s += "    path = os.path.join(base, name)  # 拼接路径\r\n";
    return s;
}

struct Phase
{
    const char *name;
    int count;
    double seconds;
};

template<typename Statement>
Phase timed(const char *name, int count, Database &db, Statement statement)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) {
        auto r = db.execute(statement(i));
        if (!r) {
            std::fprintf(stderr, "%s %d failed: %s\n", name, i, r.error().message.c_str());
            std::exit(1);
        }
    }
    return {name, count, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()};
}

void runAll(const char *label, Database &db, int count)
{
    const Phase phases[] = {
        timed("insert", count, db,
              [](int i) {
                  return "insert into 命令库(命令名,中文名,分类,说明,类型) values ('os.path.join" + std::to_string(i)
                         + "()','拼接路径','" + std::to_string(1 + i % 50) + "','" + body(i) + "','函数')";
              }),
        timed("update", count, db,
              [](int i) {
                  return "update 命令库 set 命令名='os.path.join" + std::to_string(i) + "()',中文名='路径',分类='2',说明='"
                         + body(i + 1) + "',类型='过程' where ID=" + std::to_string(i + 1);
              }),
        timed("delete", count, db,
              [](int i) { return "delete from 命令库 where 命令名='os.path.join" + std::to_string(i) + "()'"; }),
    };
    for (const Phase &p : phases)
        std::printf("%-26s %-7s %6d statements %8.2f s %9.1f statements/s\n", label, p.name, p.count, p.seconds,
                    p.count / p.seconds);
}

} // namespace

int main(int argc, char **argv)
{
    int count = 10000;
    std::filesystem::path dir = std::filesystem::temp_directory_path();
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::string(argv[i]) == "--count")
            count = std::atoi(argv[i + 1]);
        else if (std::string(argv[i]) == "--dir")
            dir = argv[i + 1];
    }
    const std::string path = (dir / "qb-bench-jet-write.mdb").string();
    std::filesystem::remove(path);
    if (!Database::createLibrary(path))
        return 1;
    {
        auto db = Database::open(path, Password);
        if (!db)
            return 1;
        runAll("file, journal (default)", **db, count);
    }
    std::filesystem::remove(path);
    (void)Database::createLibrary(path);
    {
        auto source = openFilePageSource(path, true);
        auto db = JetDatabase::open(std::move(*source), Password, Database::Mode::ReadWrite);
        if (!db)
            return 1;
        runAll("file, no journal", **db, count);
    }
    std::filesystem::remove(path);
    auto db = Database::open(makeMemoryPageSource(EmptyLibrary::build(45000)), Password);
    runAll("memory", **db, count);
    return 0;
}
