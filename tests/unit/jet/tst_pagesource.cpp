// SPDX-License-Identifier: GPL-3.0-or-later
// The file and memory page sources behave alike: whole pages, Truncated past the end,
// appends at the end, truncate and partial trailing pages.
#include "jet/storage/pagesource.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>

using namespace Qb::Jet;

namespace {

std::vector<std::uint8_t> pageFilled(std::uint8_t b) { return std::vector<std::uint8_t>(PageSize, b); }

struct SourceKind
{
    const char *name;
    std::function<std::unique_ptr<PageSource>(const std::vector<std::uint8_t> &)> make;
};

std::unique_ptr<PageSource> makeFileSource(const std::vector<std::uint8_t> &bytes)
{
    static int counter = 0;
    const auto path = std::filesystem::temp_directory_path()
        / ("qb-pagesource-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".bin");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    auto src = openFilePageSource(path.string(), true);
    std::filesystem::remove(path); // the open descriptor keeps the data alive
    return src ? std::move(*src) : nullptr;
}

class PageSourceTest : public ::testing::TestWithParam<SourceKind> {};

TEST_P(PageSourceTest, readsWritesAppendsAndTruncates)
{
    std::vector<std::uint8_t> bytes = pageFilled(1);
    auto second = pageFilled(2);
    bytes.insert(bytes.end(), second.begin(), second.end());
    bytes.resize(bytes.size() + 100, 9); // a trailing partial page
    auto src = GetParam().make(bytes);
    ASSERT_TRUE(src);
    EXPECT_EQ(src->pageCount().value(), 2u);
    EXPECT_EQ(src->byteSize().value(), 2 * PageSize + 100);

    std::vector<std::uint8_t> buf(PageSize);
    ASSERT_TRUE(src->read(1, buf));
    EXPECT_EQ(buf, second);
    auto past = src->read(2, buf);
    ASSERT_FALSE(past);
    EXPECT_EQ(past.error().code, ErrorCode::Truncated);

    ASSERT_TRUE(src->truncate(2));
    ASSERT_TRUE(src->write(2, pageFilled(3)));
    EXPECT_EQ(src->pageCount().value(), 3u);
    ASSERT_TRUE(src->read(2, buf));
    EXPECT_EQ(buf, pageFilled(3));
    ASSERT_TRUE(src->truncate(1));
    EXPECT_EQ(src->pageCount().value(), 1u);
    EXPECT_TRUE(src->sync());
}

TEST_P(PageSourceTest, rejectsWrongBufferSize)
{
    auto src = GetParam().make(pageFilled(0));
    std::vector<std::uint8_t> small(100);
    EXPECT_FALSE(src->read(0, small));
    EXPECT_FALSE(src->write(0, small));
}

INSTANTIATE_TEST_SUITE_P(Kinds, PageSourceTest,
                         ::testing::Values(SourceKind{"memory", [](const auto &b) { return makeMemoryPageSource(b); }},
                                           SourceKind{"file", makeFileSource}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(FilePageSource, missingFileIsAnIoError)
{
    auto src = openFilePageSource("/nonexistent/dir/x.mdb", false);
    ASSERT_FALSE(src);
    EXPECT_EQ(src.error().code, ErrorCode::IoError);
    EXPECT_NE(src.error().message.find("/nonexistent/dir/x.mdb"), std::string::npos);
}

TEST(ErrorCodeName, namesEveryCode)
{
    EXPECT_STREQ(errorCodeName(ErrorCode::Corrupt), "Corrupt");
    EXPECT_STREQ(errorCodeName(ErrorCode::WrongPassword), "WrongPassword");
    EXPECT_STREQ(errorCodeName(ErrorCode::ReadOnly), "ReadOnly");
}

} // namespace

#include "jet/storage/pagecache.h"

namespace {

TEST(PageCache, staysWithinItsCapacityAndKeepsHeldPagesValid)
{
    std::vector<std::uint8_t> bytes;
    for (int p = 0; p < 100; ++p)
        bytes.insert(bytes.end(), PageSize, std::uint8_t(p));
    PageCache cache(makeMemoryPageSource(bytes), 8);
    const PageRef first = cache.page(0).value();
    for (std::uint32_t p = 1; p < 100; ++p)
        ASSERT_EQ((*cache.page(p).value())[0], p);
    EXPECT_EQ((*first)[0], 0) << "a page held by a reader survives eviction";
    auto past = cache.page(100);
    ASSERT_FALSE(past);
    EXPECT_EQ(past.error().code, ErrorCode::Corrupt);
}

TEST(PageCache, invalidateRereadsChangedPages)
{
    auto source = makeMemoryPageSource(std::vector<std::uint8_t>(2 * PageSize, 1));
    PageSource *raw = source.get();
    PageCache cache(std::move(source));
    EXPECT_EQ((*cache.page(1).value())[0], 1);
    ASSERT_TRUE(raw->write(1, std::vector<std::uint8_t>(PageSize, 7)));
    ASSERT_TRUE(raw->write(2, std::vector<std::uint8_t>(PageSize, 9)));
    EXPECT_EQ((*cache.page(1).value())[0], 1) << "cached until invalidated";
    cache.invalidate(1);
    EXPECT_EQ((*cache.page(1).value())[0], 7);
    EXPECT_EQ((*cache.page(2).value())[0], 9) << "the page count is read again";
}

} // namespace

namespace {

// A memory source that reads runs and records each call to it as (first page, pages read).
class RunRecordingSource final : public PageSource
{
public:
    explicit RunRecordingSource(std::vector<std::uint8_t> bytes) : m_inner(makeMemoryPageSource(std::move(bytes))) {}
    Result<std::uint32_t> pageCount() const override { return m_inner->pageCount(); }
    Result<std::uint64_t> byteSize() const override { return m_inner->byteSize(); }
    Result<void> read(std::uint32_t page, std::span<std::uint8_t> out) const override
    {
        calls.emplace_back(page, 1);
        return m_inner->read(page, out);
    }
    Result<std::size_t> readRun(std::uint32_t first, std::span<PageBytes *const> out) const override
    {
        std::size_t n = 0;
        while (n < out.size() && m_inner->read(std::uint32_t(first + n), *out[n]))
            ++n;
        calls.emplace_back(first, n);
        return n ? Result<std::size_t>(n) : fail(ErrorCode::Truncated, "past the end");
    }
    Result<void> write(std::uint32_t page, std::span<const std::uint8_t> data) override { return m_inner->write(page, data); }
    Result<void> truncate(std::uint32_t pages) override { return m_inner->truncate(pages); }
    Result<void> sync() override { return {}; }

    mutable std::vector<std::pair<std::uint32_t, std::size_t>> calls;

private:
    std::unique_ptr<PageSource> m_inner;
};

std::vector<std::uint8_t> numberedPages(int count)
{
    std::vector<std::uint8_t> bytes;
    for (int p = 0; p < count; ++p)
        bytes.insert(bytes.end(), PageSize, std::uint8_t(p));
    return bytes;
}

TEST(PageCache, readsAheadOnlyWhileMissesFollowOneAnother)
{
    auto owned = std::make_unique<RunRecordingSource>(numberedPages(200));
    RunRecordingSource &source = *owned;
    PageCache cache(std::move(owned), 64);
    for (std::uint32_t p = 0; p < 200; ++p)
        ASSERT_EQ((*cache.page(p).value())[0], p);
    EXPECT_LT(source.calls.size(), 15u) << "a scan is read in runs";
    for (std::size_t i = 1; i < source.calls.size(); ++i)
        EXPECT_EQ(source.calls[i].first, source.calls[i - 1].first + source.calls[i - 1].second) << "no page read twice";

    source.calls.clear();
    PageCache fresh(std::make_unique<RunRecordingSource>(numberedPages(200)), 64);
    auto &jumping = static_cast<RunRecordingSource &>(fresh.source());
    for (std::uint32_t p : {150u, 20u, 90u, 3u, 170u, 40u})
        ASSERT_EQ((*fresh.page(p).value())[0], p);
    for (const auto &[first, n] : jumping.calls)
        EXPECT_EQ(n, 1u) << "a jump to page " << first << " reads that page alone";
}

TEST(PageCache, aScanKeepsOtherPagesAndStopsBeforeStoredOnes)
{
    PageCache cache(std::make_unique<RunRecordingSource>(numberedPages(1200)), 16);
    auto &source = static_cast<RunRecordingSource &>(cache.source());
    const auto changed = std::make_shared<PageBytes>();
    changed->fill(0xAA);
    cache.store(10, changed);
    ASSERT_EQ((*cache.page(1100).value())[0], std::uint8_t(1100 % 256)); // a page in use elsewhere
    const PageRef held = cache.page(0).value();
    for (std::uint32_t p = 1; p < 1000; ++p)
        ASSERT_EQ((*cache.page(p).value())[0], p == 10 ? 0xAA : std::uint8_t(p)) << "page " << p;
    EXPECT_EQ((*held)[0], 0) << "a page held by a reader survives the scan's reuse of buffers";
    source.calls.clear();
    EXPECT_EQ((*cache.page(1100).value())[0], std::uint8_t(1100 % 256));
    EXPECT_EQ((*cache.page(10).value())[0], 0xAA);
    EXPECT_TRUE(source.calls.empty()) << "the scan pushed neither the page in use nor the stored one out";
}

TEST(FilePageSource, readsRunsOfWholePagesUpToTheEnd)
{
    std::vector<std::uint8_t> bytes = numberedPages(3);
    bytes.resize(bytes.size() + 100, 9); // a trailing partial page
    auto src = makeFileSource(bytes);
    ASSERT_TRUE(src);
    std::vector<PageBytes> buffers(4);
    std::vector<PageBytes *> out;
    for (auto &b : buffers)
        out.push_back(&b);
    auto n = src->readRun(1, out);
    ASSERT_TRUE(n);
    ASSERT_EQ(*n, 2u);
    EXPECT_EQ(buffers[0][0], 1);
    EXPECT_EQ(buffers[1][PageSize - 1], 2);
    auto past = src->readRun(3, out);
    ASSERT_FALSE(past);
    EXPECT_EQ(past.error().code, ErrorCode::Truncated);
}

} // namespace
