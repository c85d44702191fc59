// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and writing whole files for the script editor: one read, and writes that replace a
// file completely or leave it untouched.
#pragma once

#include <QByteArray>
#include <QString>

#include <expected>

namespace Qb::Editor {

// The file's bytes, or the reason it could not be read (the system's wording).
std::expected<QByteArray, QString> readWholeFile(const QString &path);

// Writes bytes to path through a temporary file beside it that is renamed over the target, so
// the target is either the old file or the complete new one. A target that exists but may not
// be written (a read-only file) is refused rather than replaced. Returns the reason on failure.
std::expected<void, QString> writeWholeFile(const QString &path, const QByteArray &bytes);

} // namespace Qb::Editor
