// SPDX-License-Identifier: GPL-3.0-or-later
// How values enter SQL text: every literal is quoted by one function, and descriptions keep the
// "^!" stand-in for "'" that stored libraries rely on.
#pragma once

#include <QString>

namespace Qb::Library {

// The value as an SQL text literal: between single quotes, every "'" doubled. Every caller that
// builds a statement from a value (names, numbers kept as text, descriptions, hints, keywords)
// passes the value through here, so no value can end the literal and change the statement.
QString sqlQuoted(const QString &value);

// Descriptions (说明 of 分类表 and 命令库) are stored with every "'" written as "^!".
// EscapeQuotes applies that substitution before storing; UnescapeQuotes turns every "^!" back
// into "'" before a description is shown or inserted. The escaped text is still quoted with
// sqlQuoted when it enters a statement.
QString EscapeQuotes(const QString &description);
QString UnescapeQuotes(const QString &stored);

} // namespace Qb::Library
