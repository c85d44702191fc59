// SPDX-License-Identifier: GPL-3.0-or-later
// Compaction: a copy of a database holding only live rows, packed into the lowest pages, with
// every table definition, index, relationship, query and property kept as it is. The original
// is replaced (or the copy written elsewhere) only once the copy checks clean.
#pragma once

#include "jet/jetdatabase.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Qb::Jet {

struct CompactReport
{
    std::uint32_t pagesBefore = 0;
    std::uint32_t pagesAfter = 0;
    std::uint64_t rows = 0;               // rows written again
    std::vector<std::string> keptAsIs;    // user tables this engine cannot rewrite, with the reason
};

// The steps of compactFile, in the order they run.
enum class CompactStep { CheckOriginal, Copy, Rewrite, CheckCopy, Write, CheckWritten };
constexpr int CompactStepCount = 6;

// How far a compaction is: `done` of `total` units of `step` (pages, or rows while rewriting;
// total 0 while a step's size is not known yet). Called on the compacting thread, at the start
// and end of each step and often within the long ones. Returning false asks the compaction to
// stop: compactFile then fails with Cancelled, the original unchanged and no file left behind.
using CompactProgress = std::function<bool(CompactStep step, std::uint64_t done, std::uint64_t total)>;

// Rewrites every user table of `db` in place: its rows are read, its pages released, and the
// rows stored again in scan order (so readers list them in the same order), taking the lowest
// free pages; the free pages left at the end of the file are cut off. Meant for a database over
// a memory copy: a failure leaves it half done (the caller drops it). No journal is written.
Result<CompactReport> compactDatabase(JetDatabase &db, const CompactProgress &progress = {});

// Compacts the file at `path` (opened with `password`): while holding its writer's lock
// (Locked when another process holds it), it compacts a copy in memory, checks it, writes it to
// a temporary file beside the target, checks that file as it was written and renames it over
// `out`, or over `path` when `out` is empty. Refuses a file that does not check clean and an
// `out` that exists. On any failure the original is unchanged and no file is left behind.
Result<CompactReport> compactFile(const std::string &path, const std::string &out, std::string_view password,
                                  const CompactProgress &progress = {});

} // namespace Qb::Jet
