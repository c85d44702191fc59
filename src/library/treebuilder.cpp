// SPDX-License-Identifier: GPL-3.0-or-later
// The start-up build of the category tree.
#include "library/treebuilder.h"

#include "library/libraryschema.h"
#include "library/sqlhelper.h"
#include "library/sqlquote.h"

namespace Qb::Library {

namespace {

// The final pre-order: every category followed by its sub-categories' subtrees, then by its
// own commands. Equivalent to adding each category's commands as its last children, visiting
// the categories from the last index down.
std::vector<CategoryTree::Item> withCommands(const CategoryTree &categories,
                                             const std::vector<std::vector<CommandEntry>> &commands)
{
    std::vector<CategoryTree::Item> out;
    std::vector<int> open; // categories whose subtree is still being written
    auto closeCategory = [&] {
        const int c = open.back();
        open.pop_back();
        const int depth = categories.depth(c) + 1;
        for (const CommandEntry &cmd : commands[size_t(c)])
            out.push_back({commandItemText(cmd.name, cmd.chineseName), TreeItems::CommandImage, 0, depth, false});
    };
    for (int i = 0; i < categories.count(); ++i) {
        while (!open.empty() && categories.depth(open.back()) >= categories.depth(i))
            closeCategory();
        out.push_back(categories.items()[size_t(i)]);
        open.push_back(i);
    }
    while (!open.empty())
        closeCategory();
    return out;
}

} // namespace

std::vector<CategoryEntry> readCategories(SqlHelper &store)
{
    std::vector<CategoryEntry> entries;
    const ResultSetHandle h = store.Select(Schema::CategoryTable, QString(), QString());
    if (h == 0) {
        store.CloseResultSet();
        return entries;
    }
    for (; !store.AtEnd(h); store.MoveNext(h)) {
        entries.push_back({store.FieldText(Schema::CategoryName, h),
                           leadingNumber(store.FieldText(Schema::CategoryNumber, h)),
                           leadingNumber(store.FieldText(Schema::CategoryParent, h))});
    }
    store.CloseResultSet(h);
    return entries;
}

namespace {

QString categoryOfCommand(qint64 categoryNumber)
{
    return Schema::CommandCategory + u'=' + sqlQuoted(QString::number(categoryNumber));
}

} // namespace

std::vector<CommandEntry> readCommands(SqlHelper &store, qint64 categoryNumber)
{
    std::vector<CommandEntry> rows;
    const ResultSetHandle h = store.Select(Schema::CommandTable, QString(), categoryOfCommand(categoryNumber));
    if (h == 0) {
        store.CloseResultSet();
        return rows;
    }
    store.MoveFirst(h);
    for (; !store.AtEnd(h); store.MoveNext(h))
        rows.push_back({store.FieldText(Schema::CommandName, h), store.FieldText(Schema::CommandChineseName, h),
                         leadingNumber(store.FieldText(Schema::CommandId, h))});
    store.CloseResultSet(h);
    return rows;
}

bool hasCommands(SqlHelper &store, qint64 categoryNumber)
{
    return store.AnyRow(Schema::CommandTable, Schema::CommandName, categoryOfCommand(categoryNumber));
}

void buildCategoryItems(SqlHelper &store, CategoryTree &tree)
{
    tree.clear();
    std::vector<CategoryTree::Item> items = placedCategoryItems(readCategories(store));
    for (CategoryTree::Item &item : items)
        item.commandsLoaded = false;
    tree.assign(std::move(items));
}

void expandWithAncestors(TreeItems &tree, int index)
{
    for (int i = index; tree.isValid(i); i = tree.parent(i))
        tree.expand(i);
}

void buildCategoryTree(SqlHelper &store, CategoryTree &tree, qint64 rememberedCategory)
{
    tree.clear();
    const std::vector<CategoryEntry> entries = readCategories(store);
    if (entries.empty())
        return;
    CategoryTree categories;
    categories.assign(placedCategoryItems(entries));
    std::vector<std::vector<CommandEntry>> commands(size_t(categories.count()));
    for (int i = categories.count() - 1; i >= 0; --i)
        commands[size_t(i)] = readCommands(store, categories.value(i));
    tree.assign(withCommands(categories, commands));
    if (rememberedCategory != 0)
        expandWithAncestors(tree, FindItemByValue(tree, rememberedCategory));
}

} // namespace Qb::Library
