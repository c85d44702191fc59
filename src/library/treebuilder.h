// SPDX-License-Identifier: GPL-3.0-or-later
// Building the category tree from the command database at start-up.
#pragma once

#include "library/categoryplacement.h"
#include "library/categorytree.h"

namespace Qb::Library {

class SqlHelper;

// Reads 分类表 and, one query per category, 命令库 and fills `tree` (replaced whole): the
// categories placed by placeCategories, each category's commands after its sub-categories in
// result order, then the category numbered `rememberedCategory` expanded with all its ancestors
// (0 or a missing number expands nothing). A failing or empty category query leaves the tree
// empty.
void buildCategoryTree(SqlHelper &store, CategoryTree &tree, qint64 rememberedCategory);

// The categories alone, placed as buildCategoryTree places them, each with its commands not read
// yet (`commandsLoaded` false): what the tree needs to show the window. `tree` is replaced.
void buildCategoryItems(SqlHelper &store, CategoryTree &tree);

// The rows of 分类表 in result order; empty when the query fails or finds none.
std::vector<CategoryEntry> readCategories(SqlHelper &store);
// The commands of one category (statement `select * from 命令库 where 分类='n'`).
std::vector<CommandEntry> readCommands(SqlHelper &store, qint64 categoryNumber);
// Whether any row of 命令库 belongs to the category.
bool hasCommands(SqlHelper &store, qint64 categoryNumber);

// Expands the item and every ancestor up to the root level.
void expandWithAncestors(TreeItems &tree, int index);

} // namespace Qb::Library
