// SPDX-License-Identifier: GPL-3.0-or-later
// The rows and statements of the write benchmark and the references it is measured against.
#include "jet_writebench.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace Qb::Bench {

namespace {

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A description of 200 to 2,000 bytes of Python-like lines with Chinese comments.
std::string body(int k)
{
    const std::size_t length = std::size_t(200 + (k * 7919) % 1800);
    std::string s;
    while (s.size() < length)
        s += "    path = os.path.join(base, name" + std::to_string(k % 97) + ")  # 拼接路径\r\n";
    return s;
}

std::string name(int k) { return "os.path.join" + std::to_string(k) + "()"; }

} // namespace

std::string insertCommand(int k)
{
    return "insert into 命令库(命令名,中文名,分类,说明,类型) values ('" + name(k) + "','拼接路径" + std::to_string(k % 13)
        + "','" + std::to_string(1 + k % 50) + "','" + body(k) + "','函数')";
}

StatementText insertStatements(int size)
{
    return [size](int i) { return insertCommand(size + i); };
}

// Updates and deletes are spread over the whole library, each row touched once.
StatementText updateStatements(int size, int count)
{
    const int step = size / count;
    return [=](int i) {
        const int k = i * step;
        return "update 命令库 set 命令名='" + name(k) + "',中文名='路径',分类='2',说明='" + body(k + 1)
            + "',类型='过程' where ID=" + std::to_string(k + 1);
    };
}

StatementText deleteStatements(int size, int count)
{
    const int step = size / count;
    return [=](int i) { return "delete from 命令库 where 命令名='" + name(i * step + step / 2) + "'"; };
}

double floorSeconds(const std::string &dir, int count)
{
    const std::string path = (std::filesystem::path(dir) / "qb-bench-floor.bin").string();
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return -1;
    char page[4096];
    std::memset(page, 0x5A, sizeof page);
    bool ok = ::pwrite(fd, page, sizeof page, 0) == ssize_t(sizeof page) && ::fsync(fd) == 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; ok && i < count; ++i) {
        page[0] = char(i);
        ok = ::pwrite(fd, page, sizeof page, 0) == ssize_t(sizeof page) && ::fdatasync(fd) == 0;
    }
    const double seconds = secondsSince(start);
    ::close(fd);
    std::filesystem::remove(path);
    return ok ? seconds : -1;
}

TwoFlushPattern::TwoFlushPattern(const std::string &dir)
    : m_base((std::filesystem::path(dir) / "qb-bench-twoflush").string())
{
    m_fd = ::open((m_base + ".bin").c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    m_journal = ::open((m_base + ".journal").c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    std::vector<char> chunk(64 * 4096, 0x5A);
    m_ok = m_fd >= 0 && m_journal >= 0;
    for (long p = 0; m_ok && p < FilePages; p += 64)
        m_ok = ::pwrite(m_fd, chunk.data(), chunk.size(), p * 4096) == ssize_t(chunk.size());
    m_ok = m_ok && ::pwrite(m_journal, chunk.data(), chunk.size(), 0) == ssize_t(chunk.size()) && ::fsync(m_fd) == 0
        && ::fsync(m_journal) == 0;
}

TwoFlushPattern::~TwoFlushPattern()
{
    for (int d : {m_fd, m_journal})
        if (d >= 0)
            ::close(d);
    std::filesystem::remove(m_base + ".bin");
    std::filesystem::remove(m_base + ".journal");
}

double TwoFlushPattern::run(int count, int journalPages, int pages)
{
    journalPages = std::clamp(journalPages, 1, 64);
    std::vector<char> record(std::size_t(journalPages) * 4096, 0x5A);
    const auto start = std::chrono::steady_clock::now();
    bool ok = m_ok;
    for (int i = 0; ok && i < count; ++i) {
        record[0] = char(i);
        ok = ::pwrite(m_journal, record.data(), record.size(), 0) == ssize_t(record.size()) && ::fdatasync(m_journal) == 0;
        for (int k = 0; ok && k < pages; ++k) {
            m_spread = m_spread * 1103515245u + 12345u;
            ok = ::pwrite(m_fd, record.data(), 4096, off_t((m_spread >> 8) % FilePages) * 4096) == 4096;
        }
        ok = ok && ::fdatasync(m_fd) == 0 && ::pwrite(m_journal, record.data(), 32, 0) == 32;
    }
    return ok ? secondsSince(start) : -1;
}

SqliteLibrary::SqliteLibrary(const std::string &path, bool wal) : m_path(path)
{
    for (const char *suffix : {"", "-journal", "-wal", "-shm"})
        std::filesystem::remove(path + suffix);
    if (sqlite3_open(path.c_str(), &m_db) != SQLITE_OK)
        return;
    exec(wal ? "pragma journal_mode=WAL" : "pragma journal_mode=DELETE");
    exec("pragma synchronous=FULL");
    exec("create table 命令库 (ID integer primary key, 命令名 text, 中文名 text, 分类 text, 说明 text, 类型 text)");
}

SqliteLibrary::~SqliteLibrary()
{
    sqlite3_close(m_db);
    for (const char *suffix : {"", "-journal", "-wal", "-shm"})
        std::filesystem::remove(m_path + suffix);
}

bool SqliteLibrary::exec(const std::string &sql)
{
    char *error = nullptr;
    if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &error) == SQLITE_OK)
        return true;
    std::fprintf(stderr, "sqlite: %s\n", error ? error : "failed");
    sqlite3_free(error);
    return false;
}

bool SqliteLibrary::fill(int size)
{
    if (!m_db || !exec("begin"))
        return false;
    for (int k = 0; k < size; ++k)
        if (!exec(insertCommand(k)))
            return false;
    return exec("commit");
}

double SqliteLibrary::run(int first, int count, const StatementText &statement)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = first; i < first + count; ++i)
        if (!exec(statement(i)))
            return -1;
    return secondsSince(start);
}

double SqliteLibrary::runScript(const std::string &script)
{
    const auto start = std::chrono::steady_clock::now();
    if (!exec("begin;\n" + script + "\ncommit;"))
        return -1;
    return secondsSince(start);
}

} // namespace Qb::Bench
