// SPDX-License-Identifier: GPL-3.0-or-later
// The crash model of the power-cut simulation on small hand-made logs: what a disk may hold
// after a cut, so that a model too kind (never losing, never tearing, trusting a flush that
// failed) cannot pass the engine's crash tests unnoticed.
#include "crashsim_support.h"

#include <gtest/gtest.h>

#include <set>

using namespace Qb::Jet;
using namespace Qb::Test;

namespace {

Op write(int inode, const std::string &name, std::uint64_t offset, std::size_t n, std::uint8_t value)
{
    Op op(OpKind::Write, inode, name);
    op.offset = offset;
    op.bytes.assign(n, value);
    return op;
}

Op sync(int inode, bool failed = false)
{
    Op op(OpKind::Sync, inode, "f");
    op.failed = failed;
    return op;
}

// Every file state the cut can produce over all keep/drop combinations (no tears), as the
// first byte of each 512-byte sector of "f", or "-" when "f" is missing.
std::set<std::string> outcomes(const std::vector<Op> &log, const Files &initial = {{"f", FileBytes(std::vector<std::uint8_t>(1024, 0))}})
{
    std::map<std::string, int> inodes;
    int next = 0;
    for (const auto &[name, bytes] : initial)
        inodes[name] = next++;
    const CrashCut cut(initial, inodes, log, log.size());
    const std::size_t n = cut.candidates().size();
    std::set<std::string> out;
    for (std::size_t mask = 0; mask < (std::size_t(1) << n); ++mask) {
        Choice c{std::vector<bool>(n), {}, ""};
        for (std::size_t i = 0; i < n; ++i)
            c.keep[i] = mask >> i & 1;
        const Files files = cut.build(c);
        auto f = files.find("f");
        if (f == files.end()) {
            out.insert("-");
            continue;
        }
        std::string s;
        for (std::uint64_t at = 0; at < f->second.size(); at += 512) {
            std::uint8_t b;
            f->second.read(at, std::span(&b, 1));
            s += char('0' + b);
        }
        out.insert(s);
    }
    return out;
}

struct ModelCase
{
    const char *name;
    std::vector<Op> log;
    std::set<std::string> expected;
};

class CrashModel : public ::testing::TestWithParam<ModelCase> {};

TEST_P(CrashModel, cutLeavesExactlyTheseStates)
{
    EXPECT_EQ(outcomes(GetParam().log), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    CrashModel, CrashModel,
    ::testing::Values(
        ModelCase{"flushedWriteIsCertain", {write(0, "f", 0, 512, 1), sync(0)}, {"10"}},
        ModelCase{"unflushedWritesInAnyCombination",
                  {write(0, "f", 0, 512, 1), write(0, "f", 512, 512, 2)},
                  {"00", "10", "02", "12"}},
        ModelCase{"laterWriteToTheSameSectorWinsWhenBothLand",
                  {write(0, "f", 0, 512, 1), write(0, "f", 0, 512, 2)},
                  {"00", "10", "20"}},
        ModelCase{"aFailedFlushLeavesItsWritesInDoubtAfterALaterGoodFlush",
                  {write(0, "f", 0, 512, 1), sync(0, true), write(0, "f", 512, 512, 2), sync(0)},
                  {"02", "12"}},
        ModelCase{"aWriteAfterTheFailedFlushOverridesTheDoubtfulOne",
                  {write(0, "f", 0, 512, 1), sync(0, true), write(0, "f", 0, 512, 3), sync(0)},
                  {"30"}},
        ModelCase{"appendAndTruncateUnflushed",
                  {write(0, "f", 1024, 512, 4), [] { Op t(OpKind::Truncate, 0, "f"); t.size = 512; return t; }()},
                  {"00", "004", "0"}}),
    [](const auto &info) { return std::string(info.param.name); });

// Names: a create, rename or removal without a directory flush may be undone; with one it holds.
TEST(CrashModelNames, directoryEntriesNeedADirectoryFlush)
{
    const Files none;
    std::vector<Op> log{Op(OpKind::Create, 0, "f"), write(0, "f", 0, 512, 1), sync(0)};
    EXPECT_EQ(outcomes(log, none), (std::set<std::string>{"-", "1"})) << "the create may be lost with the bytes";
    log.push_back(Op(OpKind::SyncDirectory, -1, "f"));
    EXPECT_EQ(outcomes(log, none), (std::set<std::string>{"1"}));
    log.push_back(Op(OpKind::Remove, 0, "f"));
    EXPECT_EQ(outcomes(log, none), (std::set<std::string>{"-", "1"})) << "an undone removal brings the file back";

    // A rename over an existing file: either name's bytes, never a mixture or nothing.
    const Files old{{"f", FileBytes(std::vector<std::uint8_t>(512, 7))}};
    std::vector<Op> replace{Op(OpKind::Create, 1, "t"), write(1, "t", 0, 512, 5), sync(1), Op(OpKind::Rename, 1, "t", "f")};
    EXPECT_EQ(outcomes(replace, old), (std::set<std::string>{"7", "5"}));
}

// Tears: a torn write keeps exactly the chosen sectors, each whole.
TEST(CrashModelTears, tornWriteKeepsWholeSectorsOnly)
{
    const Files initial{{"f", FileBytes(std::vector<std::uint8_t>(2048, 0))}};
    const std::vector<Op> log{write(0, "f", 100, 1800, 9)};
    const CrashCut cut(initial, {{"f", 0}}, log, 1);
    ASSERT_EQ(cut.candidates().size(), 1u);
    ASSERT_EQ(cut.sectorsOf(0), 4u);
    const Choice torn{{true}, {{false, true, false, true}}, ""};
    const auto bytes = cut.build(torn).at("f").bytes();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const bool written = i >= 100 && i < 1900 && (i / 512 == 1 || i / 512 == 3);
        ASSERT_EQ(bytes[i], written ? 9 : 0) << "byte " << i;
    }
}

} // namespace
