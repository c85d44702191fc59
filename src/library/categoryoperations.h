// SPDX-License-Identifier: GPL-3.0-or-later
// The category operations of the 命令(&M) menu on the tree and the command database.
#pragma once

#include <QString>
#include <QtGlobal>

namespace Qb::Library {

class SqlHelper;
class TreeItems;

enum class AddCategoryResult { Cancelled, Added, Failed };

// Stores a new category numbered NextCategoryNumber under newCategoryPlace and appends its item
// there (the selection stays). An empty name means the dialog was cancelled: nothing happens.
// On failure the tree is unchanged.
AddCategoryResult addCategory(SqlHelper &store, TreeItems &tree, bool subCategory, const QString &name,
                              const QString &description);

// The stored description of the category numbered `number` with "^!" turned back into "'";
// "" when there is none.
QString categoryDescription(SqlHelper &store, qint64 number);
// Replaces the description of exactly the category numbered `number`.
bool setCategoryDescription(SqlHelper &store, qint64 number, const QString &description);

enum class RenameResult { Unchanged, Renamed, Failed, NotACategory };

// The end of an in-place edit of item `index`, whose text was `before` when the edit began and
// is now `after`. Only category items are renamed (by 序号); an unchanged text sends nothing.
// On failure, and for a command item, the item's text is set back to `before`.
RenameResult renameCategory(SqlHelper &store, TreeItems &tree, int index, const QString &before,
                            const QString &after);

// Deletes the category at `index` with its whole subtree, from the last item up: categories by
// 序号, commands by name and owning category. An item whose delete statement fails stays, and so
// do its ancestors within the subtree (no stored row loses its category); the others go on.
// Returns the number of items that stayed.
int deleteCategory(SqlHelper &store, TreeItems &tree, int index);

// The condition that addresses one command: its name within its owning category.
QString commandCondition(const QString &name, qint64 categoryNumber);
// The condition that addresses one category: its 序号.
QString categoryCondition(qint64 number);

} // namespace Qb::Library
