// SPDX-License-Identifier: GPL-3.0-or-later
// The counting file layer of the write benchmark.
#include "jet_writebench.h"

#include <chrono>

namespace Qb::Bench {

namespace {

using namespace Qb::Jet;

bool isJournal(const std::string &path) { return path.ends_with("-journal"); }

class CountingFile final : public File
{
public:
    CountingFile(std::unique_ptr<File> inner, IoCounts &counts)
        : File(inner->path()), m_inner(std::move(inner)), m_counts(counts), m_journal(isJournal(path()))
    {
        m_end = m_inner->size().value_or(0);
    }

    Result<std::size_t> read(std::uint64_t offset, std::span<std::uint8_t> out) const override
    {
        return m_inner->read(offset, out);
    }

    Result<std::size_t> write(std::uint64_t offset, std::span<const ByteRun> runs) override
    {
        auto n = m_inner->write(offset, runs);
        IoCounts::PerFile &f = m_journal ? m_counts.journal : m_counts.library;
        ++f.writes;
        f.bytes += n.value_or(0);
        if (offset + n.value_or(0) > m_end) {
            m_end = offset + n.value_or(0);
            m_resized = true;
        }
        return n;
    }

    Result<void> sync() override
    {
        const auto start = std::chrono::steady_clock::now();
        auto r = m_inner->sync();
        IoCounts::PerFile &f = m_journal ? m_counts.journal : m_counts.library;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        ++f.syncs;
        f.syncSeconds += seconds;
        if (m_resized) {
            ++f.resizedSyncs;
            f.resizedSyncSeconds += seconds;
        }
        m_resized = !r;
        return r;
    }

    Result<void> truncate(std::uint64_t size) override
    {
        ++m_counts.truncates;
        m_resized = m_resized || size != m_end;
        m_end = size;
        return m_inner->truncate(size);
    }

    Result<std::uint64_t> size() const override { return m_inner->size(); }

private:
    std::unique_ptr<File> m_inner;
    IoCounts &m_counts;
    bool m_journal;
    std::uint64_t m_end = 0; // the file's length
    bool m_resized = false;  // the length changed since the last good flush
};

} // namespace

Result<std::unique_ptr<File>> CountingFileSystem::open(const std::string &path, OpenMode mode, bool *missing)
{
    auto file = m_inner.open(path, mode, missing);
    if (!file)
        return file;
    return std::unique_ptr<File>(std::make_unique<CountingFile>(std::move(*file), m_counts));
}

Result<std::unique_ptr<File>> CountingFileSystem::createUnique(const std::string &prefix, unsigned permissions)
{
    return m_inner.createUnique(prefix, permissions);
}

Result<void> CountingFileSystem::syncDirectory(const std::string &path)
{
    ++m_counts.directorySyncs;
    return m_inner.syncDirectory(path);
}

namespace {

IoCounts combined(const IoCounts &a, const IoCounts &b, int sign)
{
    const auto one = [sign](const IoCounts::PerFile &x, const IoCounts::PerFile &y) {
        return IoCounts::PerFile{x.writes + sign * y.writes,
                                 x.bytes + sign * y.bytes,
                                 x.syncs + sign * y.syncs,
                                 x.syncSeconds + sign * y.syncSeconds,
                                 x.resizedSyncs + sign * y.resizedSyncs,
                                 x.resizedSyncSeconds + sign * y.resizedSyncSeconds};
    };
    return IoCounts{one(a.journal, b.journal), one(a.library, b.library), a.truncates + sign * b.truncates,
                    a.directorySyncs + sign * b.directorySyncs};
}

} // namespace

IoCounts IoCounts::operator-(const IoCounts &o) const
{
    return combined(*this, o, -1);
}

IoCounts &IoCounts::operator+=(const IoCounts &o)
{
    return *this = combined(*this, o, 1);
}

} // namespace Qb::Bench
