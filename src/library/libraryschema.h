// SPDX-License-Identifier: GPL-3.0-or-later
// Table and column names of the command database that the tree and command operations use.
#pragma once

#include <QString>

namespace Qb::Library::Schema {

inline const QString CategoryTable = QStringLiteral("分类表");
inline const QString CategoryName = QStringLiteral("分类名");
inline const QString CategoryNumber = QStringLiteral("序号");
inline const QString CategoryParent = QStringLiteral("父类");
inline const QString CategoryDescription = QStringLiteral("说明");

inline const QString CommandTable = QStringLiteral("命令库");
inline const QString CommandId = QStringLiteral("ID");
inline const QString CommandName = QStringLiteral("命令名");
inline const QString CommandChineseName = QStringLiteral("中文名");
inline const QString CommandCategory = QStringLiteral("分类");
inline const QString CommandDescription = QStringLiteral("说明");
inline const QString CommandType = QStringLiteral("类型");

} // namespace Qb::Library::Schema
