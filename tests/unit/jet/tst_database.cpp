// SPDX-License-Identifier: GPL-3.0-or-later
// Opening validates page 0 and the password and refuses anything that is not a whole Jet 4
// file with the reason: not Jet, Jet 3, ACE, encrypted, truncated, damaged catalog.
#include "jet/format/header.h"
#include "samplelibrary_support.h"
#include "support/fixtures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>

using namespace Qb::Jet;
using Qb::Test::sampleLibrary;

namespace {

std::optional<ErrorCode> openError(std::vector<std::uint8_t> bytes, std::string_view password)
{
    auto db = Database::open(makeMemoryPageSource(std::move(bytes)), password, Database::Mode::ReadOnly);
    return db ? std::nullopt : std::optional(db.error().code);
}

// Changes a field of the masked header region: unmask, edit, mask again.
void editHeader(std::vector<std::uint8_t> &b, const std::function<void(std::span<std::uint8_t>)> &edit)
{
    std::span<std::uint8_t> page0(b.data(), PageSize);
    applyHeaderMask(page0);
    edit(page0);
    applyHeaderMask(page0);
}

struct Damage
{
    const char *name;
    std::function<void(std::vector<std::uint8_t> &)> apply;
    ErrorCode expected;
};

class OpenDamaged : public ::testing::TestWithParam<Damage> {};

TEST_P(OpenDamaged, isRefusedWithItsReason)
{
    std::vector<std::uint8_t> bytes = sampleLibrary();
    ASSERT_FALSE(bytes.empty()) << "the engine could not make the sample library";
    GetParam().apply(bytes);
    EXPECT_EQ(openError(std::move(bytes), Qb::Test::LibraryPassword), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Header, OpenDamaged,
    ::testing::Values(
        Damage{"emptyFile", [](auto &b) { b.clear(); }, ErrorCode::NotJet},
        Damage{"textFile", [](auto &b) { std::memcpy(b.data(), "hello, world", 12); }, ErrorCode::NotJet},
        Damage{"otherEngine", [](auto &b) { std::memcpy(b.data() + 4, "MSISAM Database", 15); }, ErrorCode::NotJet},
        Damage{"aceEngine", [](auto &b) { std::memcpy(b.data() + 4, "Standard ACE DB", 15); }, ErrorCode::Ace},
        Damage{"aceVersion", [](auto &b) { b[0x14] = 0x02; }, ErrorCode::Ace},
        Damage{"jet3Version", [](auto &b) { b[0x14] = 0x00; }, ErrorCode::Jet3},
        Damage{"partialLastPage", [](auto &b) { b.resize(b.size() - 1); }, ErrorCode::Truncated},
        Damage{"onlyTwoPages", [](auto &b) { b.resize(2 * PageSize); }, ErrorCode::Truncated},
        Damage{"shorterThanAPage", [](auto &b) { b.resize(300); }, ErrorCode::Truncated},
        Damage{"pagesEncrypted", [](auto &b) { editHeader(b, [](auto p) { p[0x3E] = 0x5A; }); }, ErrorCode::Encrypted},
        Damage{"catalogNotATableDefinition", [](auto &b) { b[2 * PageSize] = 0x01; }, ErrorCode::Corrupt},
        Damage{"catalogDefinitionLoops", [](auto &b) { b[2 * PageSize + 4] = 2; }, ErrorCode::Corrupt},
        Damage{"catalogColumnCountTooLarge",
               [](auto &b) {
                   b[2 * PageSize + 45] = 0xFF;
                   b[2 * PageSize + 46] = 0x0F;
               },
               ErrorCode::Corrupt}),
    [](const auto &info) { return std::string(info.param.name); });

struct PasswordCase
{
    const char *name;
    std::string password;
    bool opens;
};

class LibraryPassword : public ::testing::TestWithParam<PasswordCase> {};

TEST_P(LibraryPassword, mustEqualTheStoredOne)
{
    ASSERT_FALSE(sampleLibrary().empty());
    const auto error = openError(sampleLibrary(), GetParam().password);
    if (GetParam().opens)
        EXPECT_EQ(error, std::nullopt);
    else
        EXPECT_EQ(error, ErrorCode::WrongPassword);
}

INSTANTIATE_TEST_SUITE_P(Cases, LibraryPassword,
                         ::testing::Values(PasswordCase{"programPassword", "HPQVNRtoka3906", true},
                                           PasswordCase{"none", "", false},
                                           PasswordCase{"otherCase", "hpqvnrtoka3906", false},
                                           PasswordCase{"prefix", "HPQVNRtoka390", false},
                                           PasswordCase{"longer", "HPQVNRtoka39066", false}),
                         [](const auto &info) { return std::string(info.param.name); });

struct FixtureOpen
{
    const char *name;
    const char *file;
    const char *password;
    std::optional<ErrorCode> expected;
};

class OpenFixture : public ::testing::TestWithParam<FixtureOpen> {};

TEST_P(OpenFixture, givesTheExpectedOutcome)
{
    const std::string path = Qb::Test::jetFixture(GetParam().file);
    if (path.empty())
        GTEST_SKIP() << Qb::Test::NoSharedMessage;
    auto db = Database::open(path, GetParam().password, Database::Mode::ReadOnly);
    if (!GetParam().expected) {
        EXPECT_TRUE(db) << db.error().message;
        return;
    }
    ASSERT_FALSE(db);
    EXPECT_EQ(db.error().code, *GetParam().expected) << db.error().message;
    EXPECT_NE(db.error().message.find(path), std::string::npos) << "the message names the file";
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, OpenFixture,
    ::testing::Values(FixtureOpen{"jet3", "jackcess-testV1997-JET3-negative.mdb", "", ErrorCode::Jet3},
                      FixtureOpen{"encrypted", "jackcessencrypt-db-enc-RC4-negative.mdb", "", ErrorCode::Encrypted},
                      FixtureOpen{"rightPassword", "mdbreader-V2000_with-password.mdb", "password", std::nullopt},
                      FixtureOpen{"noPassword", "mdbreader-V2000_with-password.mdb", "", ErrorCode::WrongPassword},
                      FixtureOpen{"wrongCase", "mdbreader-V2000_with-password.mdb", "Password", ErrorCode::WrongPassword},
                      FixtureOpen{"unprotectedAnyPassword", "northwind-Mahdisaeidi79.mdb", "whatever", std::nullopt}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(OpenPath, shortOrMissingFilesNameTheReason)
{
    const auto dir = std::filesystem::temp_directory_path() / ("qb-open-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto write = [&](const char *name, const std::string &bytes) {
        std::ofstream((dir / name).string(), std::ios::binary) << bytes;
        return (dir / name).string();
    };
    struct Case { std::string path; ErrorCode code; };
    const Case cases[] = {
        {(dir / "missing.mdb").string(), ErrorCode::IoError},
        {write("empty.mdb", ""), ErrorCode::NotJet},
        {write("text.mdb", "not a database\n"), ErrorCode::NotJet},
        {write("cut.mdb", std::string(reinterpret_cast<const char *>(sampleLibrary().data()), 200)), ErrorCode::Truncated},
    };
    for (const auto &c : cases) {
        auto db = Database::open(c.path, "", Database::Mode::ReadOnly);
        ASSERT_FALSE(db) << c.path;
        EXPECT_EQ(db.error().code, c.code) << c.path << ": " << db.error().message;
        EXPECT_NE(db.error().message.find(c.path), std::string::npos) << db.error().message;
    }
    std::filesystem::remove_all(dir);
}

TEST(OpenHeader, decodesTheStoredFields)
{
    auto db = Qb::Test::openSample(sampleLibrary());
    ASSERT_TRUE(db);
    EXPECT_EQ(db->header().version, 1);
    EXPECT_EQ(db->header().password, std::u16string(u"HPQVNRtoka3906"));
    EXPECT_EQ(db->tableNames(), (std::vector<std::string>{"分类表", "命令库", "命令表", "关键字表"}));
}

} // namespace
