// SPDX-License-Identifier: GPL-3.0-or-later
// A small command library made by the engine itself, as bytes: the four tables with a few rows,
// one command with a memo long enough for a chain of long-value rows. Built once per process.
#pragma once

#include "jet/jetdatabase.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace Qb::Test {

inline constexpr const char *LibraryPassword = "HPQVNRtoka3906";

// The memo stored with the command "print" (5,000 Chinese characters).
const std::string &sampleLongMemo();

const std::vector<std::uint8_t> &sampleLibrary();

// Opens a copy of `bytes` from memory (read-only unless asked); null on failure.
std::unique_ptr<Jet::JetDatabase> openSample(std::vector<std::uint8_t> bytes,
                                             Jet::Database::Mode mode = Jet::Database::Mode::ReadOnly);

} // namespace Qb::Test
