// SPDX-License-Identifier: GPL-3.0-or-later
// The database open step of start-up.
#include "app/commanddatabase.h"

#include "jet/database.h"
#include "library/sqlhelper.h"

#include <QFile>
#include <QFileInfo>

namespace Qb::App {

QString databasePathIn(const QString &programDirectory)
{
    return programDirectory + QStringLiteral("/") + QString::fromUtf8(Library::DatabaseFileName);
}

bool createDatabaseIfMissing(const QString &path)
{
    // A dangling symbolic link or anything else at the path counts as present: never replaced.
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
        return true;
    return Jet::Database::createLibrary(QFile::encodeName(path).toStdString()).has_value();
}

bool openCommandDatabase(Library::SqlHelper &store, const QString &path)
{
    return store.Open(path, QString::fromLatin1(Library::DatabasePassword));
}

} // namespace Qb::App
