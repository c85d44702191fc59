// SPDX-License-Identifier: GPL-3.0-or-later
// qb-genlibrary: writes a realistic command library of a chosen size for the benchmarks:
//   qb-genlibrary OUT.mdb [--categories N] [--commands N] [--hints N] [--keywords N] [--seed N]
//                 [--large-category N]
// (--large-category N: the first N commands all go to category 1; the others are spread evenly.)
// Categories form a tree (each parent is an earlier category or the root), commands carry
// Chinese names, memo bodies from one line to several kilobytes (some with "^!" quote
// substitutions) and a type; hint entries and coloured keywords complete the file. The rows go
// in through the engine's own statements on an in-memory library; the file is written once,
// whole (temporary file, then rename). The same seed gives the same file contents.
#include "jet/database.h"
#include "jet/write/emptylibrary.h"
#include "jet/jetdatabase.h"
#include "jet/storage/pagesource.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

using namespace Qb::Jet;

namespace {

struct Options
{
    std::string out;
    int categories = 500;
    int commands = 10000;
    int hints = -1;   // default: half the commands
    int keywords = 300;
    int largeCategory = 0;
    unsigned seed = 1;
};

const std::vector<std::string> Han = {"打", "印", "文", "件", "读", "写", "列", "表", "字", "典", "循", "环", "函", "数",
                                      "类", "对", "象", "路", "径", "时", "间", "网", "络", "数", "据", "库", "图", "像",
                                      "排", "序", "查", "找", "替", "换", "正", "则", "日", "志", "线", "程", "进"};
const std::vector<std::string> Words = {"os", "sys", "path", "join", "open", "read", "write", "list", "dict", "append",
                                        "split", "strip", "format", "print", "range", "sorted", "json", "load", "dump",
                                        "time", "sleep", "re", "match", "thread", "start", "socket", "send", "recv"};
const std::vector<std::string> Types = {"无", "流程", "函数", "过程"};

class Generator
{
public:
    explicit Generator(unsigned seed) : m_rnd(seed) {}

    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rnd); }
    template<typename T>
    const T &any(const std::vector<T> &v) { return v[std::size_t(pick(0, int(v.size()) - 1))]; }

    std::string chinese(int chars)
    {
        std::string s;
        for (int i = 0; i < chars; ++i)
            s += any(Han);
        return s;
    }
    std::string identifier() { return any(Words) + "." + any(Words) + "()"; }
    // A body of Python-like lines, quotes written as "^!" the way the program stores them.
    std::string body(int chars)
    {
        std::string s;
        while (int(s.size()) < chars) {
            s += "    " + any(Words) + " = " + any(Words) + "(^!" + any(Words) + "^!)  # " + chinese(pick(1, 6)) + "\r\n";
        }
        return s;
    }
    int bodyLength()
    {
        const int k = pick(0, 99);
        return k < 50 ? pick(0, 120) : k < 85 ? pick(120, 1500) : k < 98 ? pick(1500, 6000) : pick(6000, 30000);
    }

private:
    std::mt19937 m_rnd;
};

bool parse(int argc, char **argv, Options &o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto number = [&](auto &target) {
            if (i + 1 >= argc)
                return false;
            target = static_cast<std::remove_reference_t<decltype(target)>>(std::strtoul(argv[++i], nullptr, 10));
            return true;
        };
        if ((a == "--categories" && number(o.categories)) || (a == "--commands" && number(o.commands))
            || (a == "--hints" && number(o.hints)) || (a == "--keywords" && number(o.keywords))
            || (a == "--seed" && number(o.seed)) || (a == "--large-category" && number(o.largeCategory)))
            continue;
        if (a.starts_with("--") || !o.out.empty())
            return false;
        o.out = a;
    }
    if (o.hints < 0)
        o.hints = o.commands / 2;
    return !o.out.empty() && o.categories > 0;
}

Result<void> run(Database &db, const std::string &sql)
{
    auto r = db.execute(sql);
    if (!r)
        return std::unexpected(r.error());
    return {};
}

Result<void> fill(Database &db, const Options &o, Generator &g)
{
    for (int c = 1; c <= o.categories; ++c) {
        const int parent = c == 1 || g.pick(0, 3) == 0 ? 0 : g.pick(1, c - 1);
        if (auto r = run(db, "insert into 分类表(分类名,序号,父类,说明) values ('" + g.chinese(g.pick(2, 6)) + "','"
                                 + std::to_string(c) + "','" + std::to_string(parent) + "','"
                                 + g.chinese(g.pick(0, 20)) + "')");
            !r)
            return r;
    }
    for (int i = 0; i < o.commands; ++i) {
        if (auto r = run(db, "insert into 命令库(命令名,中文名,分类,说明,类型) values ('" + g.identifier() + std::to_string(i)
                                 + "','" + g.chinese(g.pick(0, 8)) + "','" + std::to_string(i < o.largeCategory ? 1 : g.pick(1, o.categories))
                                 + "','" + g.body(g.bodyLength()) + "','" + g.any(Types) + "')");
            !r)
            return r;
    }
    for (int i = 0; i < o.hints; ++i) {
        if (auto r = run(db, "insert into 命令表(命令,说明) values ('" + g.identifier() + std::to_string(i) + "','"
                                 + g.chinese(g.pick(0, 12)) + "')");
            !r)
            return r;
    }
    for (int i = 0; i < o.keywords; ++i) {
        if (auto r = run(db, "insert into 关键字表(关键字,颜色) values ('" + g.any(Words) + std::to_string(i) + "','"
                                 + std::to_string(g.pick(0, 0xFFFFFF)) + "')");
            !r)
            return r;
    }
    return {};
}

bool writeWhole(const std::string &path, PageSource &source)
{
    const std::string temp = path + ".part";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        std::vector<std::uint8_t> page(PageSize);
        const std::uint32_t pages = source.pageCount().value_or(0);
        for (std::uint32_t p = 0; p < pages && out; ++p) {
            if (!source.read(p, page))
                return false;
            out.write(reinterpret_cast<const char *>(page.data()), std::streamsize(page.size()));
        }
        if (!out.flush())
            return false;
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    return !ec;
}

} // namespace

int main(int argc, char **argv)
{
    Options o;
    if (!parse(argc, argv, o)) {
        std::fputs("usage: qb-genlibrary OUT.mdb [--categories N] [--commands N] [--hints N] [--keywords N] [--seed N]"
                   " [--large-category N]\n",
                   stderr);
        return 2;
    }
    auto db = Database::open(makeMemoryPageSource(EmptyLibrary::build(45000.0)), "HPQVNRtoka3906");
    if (!db) {
        std::fprintf(stderr, "qb-genlibrary: %s\n", db.error().message.c_str());
        return 1;
    }
    Generator g(o.seed);
    if (auto r = fill(**db, o, g); !r) {
        std::fprintf(stderr, "qb-genlibrary: %s\n", r.error().message.c_str());
        return 1;
    }
    if (!writeWhole(o.out, static_cast<JetDatabase &>(**db).pages().source())) {
        std::fprintf(stderr, "qb-genlibrary: cannot write %s\n", o.out.c_str());
        return 1;
    }
    std::printf("%s: %d categories, %d commands, %d hints, %d keywords\n", o.out.c_str(), o.categories, o.commands,
                o.hints, o.keywords);
    return 0;
}
