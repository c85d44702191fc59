// SPDX-License-Identifier: GPL-3.0-or-later
// Quoting of SQL literals and the stored form of descriptions.
#include "library/sqlquote.h"

namespace Qb::Library {

namespace {
const QString Quote = QStringLiteral("'");
const QString StoredQuote = QStringLiteral("^!");
} // namespace

QString sqlQuoted(const QString &value)
{
    QString doubled = value;
    doubled.replace(Quote, QStringLiteral("''"));
    return Quote + doubled + Quote;
}

QString EscapeQuotes(const QString &description)
{
    QString stored = description;
    return stored.replace(Quote, StoredQuote);
}

QString UnescapeQuotes(const QString &stored)
{
    QString description = stored;
    return description.replace(StoredQuote, Quote);
}

} // namespace Qb::Library
