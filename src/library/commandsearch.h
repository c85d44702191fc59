// SPDX-License-Identifier: GPL-3.0-or-later
// 查找命令 over the whole library, also the categories whose commands the tree has not read.
#pragma once

#include <QString>

namespace Qb::Library {

class SqlHelper;
class TreeItems;

// The search of 查找命令 (findCommand's rule: from the selected item, or the first, on, the
// first command item whose whole text contains `text`, Latin letters without case, never
// wrapping) over the tree as it would be with every category's commands read. The library is
// asked which categories not read yet hold a match ("like" lookups on 命令名 and 中文名); only
// the category of the hit is read, and the hit's index is returned (-1: none).
int findCommandInLibrary(SqlHelper &store, TreeItems &tree, const QString &text);
// Has the library make now the lookups on 命令名, 中文名 and 分类 that the first
// findCommandInLibrary would otherwise make (passes over every command), so that the search
// answers at once: for the find dialog to call while the user types the text.
void prepareCommandSearch(SqlHelper &store);

} // namespace Qb::Library
