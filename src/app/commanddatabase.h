// SPDX-License-Identifier: GPL-3.0-or-later
// Opening the command database at start-up: locate it, create it empty when missing, connect.
#pragma once

#include <QString>

namespace Qb::Library {
class SqlHelper;
}

namespace Qb::App {

// The database path in `programDirectory`.
QString databasePathIn(const QString &programDirectory);

// When no file exists at `path`, writes the built-in empty command library there; an existing
// file is never touched, whatever it contains. Returns false when a missing file could not be
// created (the open that follows then fails).
bool createDatabaseIfMissing(const QString &path);

// Opens `store` on `path` with the fixed database password. False when the file is missing,
// not a Jet 4 database, damaged, locked or protected by another password; the file is then
// left exactly as it was.
bool openCommandDatabase(Library::SqlHelper &store, const QString &path);

} // namespace Qb::App
