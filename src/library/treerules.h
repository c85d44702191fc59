// SPDX-License-Identifier: GPL-3.0-or-later
// Decisions on the category tree that need no database: where a new category goes, and the
// command search.
#pragma once

#include <QString>
#include <QtGlobal>

namespace Qb::Library {

class TreeItems;

// Where a new category goes.
struct NewCategoryPlace
{
    int parentIndex = -1;   // the item it is appended under; -1 = root level
    qint64 parentNumber = 0; // stored as 父类
};

// 添加分类 (subCategory false) makes a sibling of the selected item; 添加子类 (true) a child of
// the selected category, or of a selected command's category. Nothing selected: the root level.
NewCategoryPlace newCategoryPlace(const TreeItems &tree, bool subCategory);

// The search of 查找命令: from the selected item (or the first) on, the first command item whose
// whole text contains `text`, Latin letters compared without case; -1 when none. Never wraps.
// Only the items the tree holds are searched (see findCommandInLibrary for the whole library).
int findCommand(const TreeItems &tree, const QString &text);

// Lower-cases A-Z only: the search ignores the case of Latin letters and nothing else.
QString foldLatin(const QString &text);

} // namespace Qb::Library
