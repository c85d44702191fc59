// SPDX-License-Identifier: GPL-3.0-or-later
// The command library the program creates when it finds none: a Jet 4 file with the system
// catalog of an engine-made database and the program's four tables, each with an AutoNumber
// primary key, protected by the program's database password.
#pragma once

#include "jet/jeterror.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Qb::Jet::EmptyLibrary {

// The database password every library carries (the program always opens with it).
inline constexpr char16_t Password[] = u"HPQVNRtoka3906";

// The bytes of a new, empty library created at `creationDate` (a Jet day number).
std::vector<std::uint8_t> build(double creationDate);

// Writes build(now) to `path` whole or not at all: a temporary file beside it, flushed, then
// linked into place. Fails (writing nothing) when `path` already exists.
Result<void> write(const std::string &path);

} // namespace Qb::Jet::EmptyLibrary
