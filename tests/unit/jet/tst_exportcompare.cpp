// SPDX-License-Identifier: GPL-3.0-or-later
// Every table of every readable fixture, exported by quillbox-mdb, must hold the same values as
// the independent readers mdbtools (mdb-export) and mdb-reader (node) give for it. Known reader
// limits are tolerated: mdbtools shows empty text and empty binary as NULL, cuts text and binary
// values at the first zero byte, prints GUIDs with a dash missing and mangles characters outside
// the BMP, and prints whole seconds; mdb-reader rounds times to milliseconds (so a millisecond can
// differ by one) and prints GUIDs without braces. Rows are paired regardless of order where the readers place moved rows
// differently.
#include "support/fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

using Cell = std::optional<std::string>; // nullopt = NULL
using Table = std::vector<std::vector<Cell>>;

std::string shellQuote(const std::string &s)
{
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Runs a shell command; its stdout, or nullopt when it fails.
std::optional<std::string> run(const std::string &command)
{
    FILE *p = ::popen(("(" + command + ") 2>/dev/null").c_str(), "r");
    if (!p)
        return std::nullopt;
    std::string out;
    char buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
        out.append(buf, n);
    return ::pclose(p) == 0 ? std::optional(out) : std::nullopt;
}

bool available(const std::string &probe) { return run(probe + " >/dev/null").has_value(); }

// CSV with quoted text (a quoted empty field is empty text) and unquoted NULLs.
Table parseCsv(const std::string &text)
{
    Table rows(1);
    std::string field;
    bool quoted = false, wasQuoted = false;
    auto endField = [&] {
        rows.back().push_back(wasQuoted || !field.empty() ? Cell(field) : std::nullopt);
        field.clear();
        wasQuoted = false;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                field += text[i++];
            else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == '"') {
            quoted = wasQuoted = true;
        } else if (c == ',') {
            endField();
        } else if (c == '\n') {
            endField();
            rows.emplace_back();
        } else if (c != '\r') {
            field += c;
        }
    }
    if (!rows.back().empty() || !field.empty())
        endField();
    else
        rows.pop_back();
    return rows;
}

std::string normalizeGuid(const std::string &s)
{
    std::string out;
    for (char c : s)
        if (std::isxdigit(static_cast<unsigned char>(c)))
            out += char(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

bool looksLikeGuid(const std::string &s)
{
    return (s.size() == 38 && s.front() == '{') || (s.size() == 36 && s[8] == '-' && s[13] == '-');
}

// A date as a count of milliseconds, from "YYYY-MM-DD HH:MM:SS" with an optional ".mmm".
std::optional<long long> dateMillis(const std::string &s)
{
    int y, mo, d, h, mi, se, ms = 0;
    if ((s.size() != 19 && (s.size() != 23 || s[19] != '.'))
        || std::sscanf(s.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &se) != 6
        || (s.size() == 23 && std::sscanf(s.c_str() + 20, "%3d", &ms) != 1))
        return std::nullopt;
    return ((((y * 400LL + mo * 31) + d) * 24 + h) * 3600LL + mi * 60 + se) * 1000 + ms;
}

bool hasNonBmp(const std::string &s)
{
    for (unsigned char c : s)
        if (c >= 0xF0)
            return true;
    return false;
}

bool isHex(const std::string &s)
{
    return !s.empty() && s.size() % 2 == 0
        && std::all_of(s.begin(), s.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); });
}

// mdbtools reads text and binary values as C strings: they end at the first NUL character or
// zero byte, and an empty result shows as NULL.
Cell asMdbtoolsShowsIt(const Cell &ours)
{
    if (!ours)
        return ours;
    std::string v = *ours;
    if (auto nul = v.find('\0'); nul != std::string::npos)
        v.resize(nul);
    if (isHex(v))
        for (std::size_t i = 0; i < v.size(); i += 2)
            if (v.compare(i, 2, "00") == 0) {
                v.resize(i);
                break;
            }
    return v.empty() ? std::nullopt : Cell(v);
}

// Whether the other reader's cell shows the same value as ours.
bool sameValue(const Cell &ours, const Cell &theirs, bool mdbtools)
{
    if (mdbtools && (!theirs || (ours && (isHex(*ours) || ours->find('\0') != std::string::npos)))
        && asMdbtoolsShowsIt(ours) == theirs)
        return true;
    if (!ours || !theirs)
        return !ours && !theirs;
    const std::string &a = *ours, &b = *theirs;
    if (a == b || (mdbtools && hasNonBmp(a)))
        return true;
    if (looksLikeGuid(a))
        return normalizeGuid(a) == normalizeGuid(mdbtools ? std::string() : b)
            || (mdbtools && b == [&] { // mdb-export -b hex prints the GUID's text as hex
                   std::string hex;
                   static const char digits[] = "0123456789ABCDEF";
                   std::string text = a;
                   text.erase(24, 1); // mdbtools drops the fourth dash
                   for (unsigned char c : text) {
                       hex += digits[c >> 4];
                       hex += digits[c & 15];
                   }
                   return hex;
               }());
    // mdbtools prints whole seconds; mdb-reader keeps milliseconds (its value is rounded to one).
    if (auto da = dateMillis(a), db = dateMillis(b); da && db)
        return std::llabs(*da - *db) <= (mdbtools ? 999 : 1);
    // Numbers may be printed with fewer digits (mdbtools rounds DBL_MAX past the double range).
    char *ea = nullptr, *eb = nullptr;
    const long double na = std::strtold(a.c_str(), &ea), nb = std::strtold(b.c_str(), &eb);
    if (!a.empty() && !b.empty() && *ea == 0 && *eb == 0)
        return std::fabs(na - nb) <= 1e-6L * std::max(1.0L, std::fabs(na));
    return false;
}

bool sameRow(const std::vector<Cell> &ours, const std::vector<Cell> &theirs, bool mdbtools)
{
    if (ours.size() != theirs.size())
        return false;
    for (std::size_t c = 0; c < ours.size(); ++c)
        if (!sameValue(ours[c], theirs[c], mdbtools))
            return false;
    return true;
}

std::string rowText(const std::vector<Cell> &row)
{
    std::string out;
    for (const auto &cell : row)
        out += (out.empty() ? "" : " | ") + cell.value_or("NULL");
    return out;
}

// Rows are compared in order; rows that differ are then paired regardless of order, because
// the other readers list overflow rows where the moved row sits, not where the table scan
// meets it.
void compareTables(const Table &ours, const Table &theirs, bool mdbtools, const std::string &what)
{
    ASSERT_EQ(ours.size(), theirs.size()) << what << ": row count (header included)";
    ASSERT_FALSE(ours.empty()) << what;
    EXPECT_EQ(rowText(ours[0]), rowText(theirs[0])) << what << ": column names";
    std::vector<std::size_t> mine, other;
    for (std::size_t r = 1; r < ours.size(); ++r)
        if (!sameRow(ours[r], theirs[r], mdbtools)) {
            mine.push_back(r);
            other.push_back(r);
        }
    for (std::size_t r : mine) {
        auto match = std::find_if(other.begin(), other.end(),
                                  [&](std::size_t o) { return sameRow(ours[r], theirs[o], mdbtools); });
        if (match == other.end()) {
            ADD_FAILURE() << what << ": no row of the other reader matches our row " << r << ": " << rowText(ours[r])
                          << "\n  (in the same position they have: " << rowText(theirs[r]) << ")";
            continue;
        }
        other.erase(match);
    }
}

struct Fixture
{
    const char *file;
    const char *password;
};

void PrintTo(const Fixture &f, std::ostream *os) { *os << f.file; }

class ExportCompare : public ::testing::TestWithParam<Fixture> {};

TEST_P(ExportCompare, everyTableMatchesIndependentReaders)
{
    const std::string path = Qb::Test::jetFixture(GetParam().file);
    if (path.empty())
        GTEST_SKIP() << Qb::Test::NoSharedMessage;
    const bool haveMdbtools = available("mdb-export --version");
    const bool haveMdbReader =
        available("cd " + shellQuote(QB_MDBREADER_DIR) + " && node --input-type=module -e \"await import('mdb-reader')\"");
    if (!haveMdbtools && !haveMdbReader)
        GTEST_SKIP() << "neither mdbtools nor node with mdb-reader is installed";
    const std::string tool = shellQuote(QB_MDB_TOOL);
    const std::string pw = GetParam().password;
    const auto names = run(tool + " tables " + shellQuote(path) + " --password " + shellQuote(pw));
    ASSERT_TRUE(names);
    if (haveMdbtools) {
        const auto theirNames = run("mdb-tables -1 " + shellQuote(path));
        ASSERT_TRUE(theirNames);
        EXPECT_EQ(*names, *theirNames);
    }
    // The user tables, then Jet's own system tables, which every Jet 4 file has.
    std::vector<std::string> tables;
    std::size_t start = 0;
    for (std::size_t nl; (nl = names->find('\n', start)) != std::string::npos; start = nl + 1)
        tables.push_back(names->substr(start, nl - start));
    for (const char *system : {"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships"})
        tables.push_back(system);
    for (const std::string &table : tables) {
        const auto ours = run(tool + " export " + shellQuote(path) + " " + shellQuote(table) + " --password " + shellQuote(pw));
        ASSERT_TRUE(ours) << table;
        const Table mine = parseCsv(*ours);
        if (haveMdbtools) {
            const auto theirs = run("mdb-export -b hex -T '%Y-%m-%d %H:%M:%S' -D '%Y-%m-%d %H:%M:%S' " + shellQuote(path)
                                    + " " + shellQuote(table));
            ASSERT_TRUE(theirs) << table;
            compareTables(mine, parseCsv(*theirs), true, table + " (mdbtools)");
        }
        if (haveMdbReader) {
            // The JSON form of the same export parses and holds the same number of rows.
            const auto count = run(tool + " export " + shellQuote(path) + " " + shellQuote(table) + " --format json --password "
                                   + shellQuote(pw) + " | node -e 'console.log(JSON.parse(require(\"fs\").readFileSync(0, \"utf8\")).length)'");
            ASSERT_TRUE(count) << table << ": the JSON export does not parse";
            EXPECT_EQ(std::stoul(*count), mine.size() - 1) << table << " (JSON rows)";
            const auto theirs = run("node " + shellQuote(QB_MDBREADER_EXPORT) + " " + shellQuote(path) + " "
                                    + shellQuote(table) + (pw.empty() ? "" : " " + shellQuote(pw)));
            ASSERT_TRUE(theirs) << table;
            compareTables(mine, parseCsv(*theirs), false, table + " (mdb-reader)");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, ExportCompare,
    ::testing::Values(Fixture{"jackcess-empty-v2000.mdb", ""}, Fixture{"jackcess-adox_jet4.mdb", ""},
                      Fixture{"jackcess-compIndexTestV2000.mdb", ""}, Fixture{"jackcess-test2V2000.mdb", ""},
                      Fixture{"jackcess-delTestV2000.mdb", ""}, Fixture{"jackcess-overflowTestV2000.mdb", ""},
                      Fixture{"jackcess-indexTestV2000.mdb", ""}, Fixture{"jackcess-testUnicodeCompV2003.mdb", ""},
                      Fixture{"mdbreader-V2000_with-password.mdb", "password"},
                      Fixture{"zblogasp-data-2013-chinese.mdb", ""}, Fixture{"northwind-Mahdisaeidi79.mdb", ""},
                      Fixture{"linq2db-TestData.mdb", ""}),
    [](const auto &info) {
        std::string name = info.param.file;
        name = name.substr(0, name.find('.'));
        for (char &c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    });

} // namespace
