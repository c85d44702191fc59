// SPDX-License-Identifier: GPL-3.0-or-later
// Adding, describing, renaming and deleting categories.
#include "library/categoryoperations.h"

#include "library/libraryschema.h"
#include "library/sqlhelper.h"
#include "library/sqlquote.h"
#include "library/treeitems.h"
#include "library/treerules.h"

#include <QStringList>

namespace Qb::Library {

QString commandCondition(const QString &name, qint64 categoryNumber)
{
    return Schema::CommandName + u'=' + sqlQuoted(name) + QStringLiteral(" and ") + Schema::CommandCategory
           + u'=' + sqlQuoted(QString::number(categoryNumber));
}

QString categoryCondition(qint64 number)
{
    return Schema::CategoryNumber + u'=' + sqlQuoted(QString::number(number));
}

AddCategoryResult addCategory(SqlHelper &store, TreeItems &tree, bool subCategory, const QString &name,
                              const QString &description)
{
    if (name.isEmpty())
        return AddCategoryResult::Cancelled;
    const qint64 number = NextCategoryNumber(tree);
    const NewCategoryPlace place = newCategoryPlace(tree, subCategory);
    const QString values = QStringList{sqlQuoted(name), sqlQuoted(QString::number(number)),
                                       sqlQuoted(QString::number(place.parentNumber)),
                                       sqlQuoted(EscapeQuotes(description))}
                               .join(u',');
    const QString columns = QStringList{Schema::CategoryName, Schema::CategoryNumber, Schema::CategoryParent,
                                        Schema::CategoryDescription}
                                .join(u',');
    // A sub-category goes after the commands of its parent, as it would had they been read.
    tree.ensureCommands(place.parentIndex);
    if (!store.Insert(Schema::CategoryTable, columns, values))
        return AddCategoryResult::Failed;
    tree.append(place.parentIndex, name, TreeItems::CategoryImage, number);
    return AddCategoryResult::Added;
}

QString categoryDescription(SqlHelper &store, qint64 number)
{
    QStringList values;
    store.ColumnValues(values, Schema::CategoryTable, Schema::CategoryDescription, categoryCondition(number));
    return values.isEmpty() ? QString() : UnescapeQuotes(values.first());
}

bool setCategoryDescription(SqlHelper &store, qint64 number, const QString &description)
{
    return store.Update(Schema::CategoryTable,
                        Schema::CategoryDescription + u'=' + sqlQuoted(EscapeQuotes(description)),
                        categoryCondition(number));
}

RenameResult renameCategory(SqlHelper &store, TreeItems &tree, int index, const QString &before,
                            const QString &after)
{
    if (!tree.isCategory(index)) {
        if (tree.isValid(index))
            tree.setText(index, before);
        return RenameResult::NotACategory;
    }
    if (after == before)
        return RenameResult::Unchanged;
    if (!store.Update(Schema::CategoryTable, Schema::CategoryName + u'=' + sqlQuoted(after),
                      categoryCondition(tree.value(index)))) {
        tree.setText(index, before);
        return RenameResult::Failed;
    }
    tree.setText(index, after);
    return RenameResult::Renamed;
}

namespace {

bool deleteRow(SqlHelper &store, const TreeItems &tree, int i)
{
    if (tree.isCategory(i)) {
        // Commands the tree has not read go in one statement, as their items would have gone.
        if (!tree.commandsLoaded(i)
            && !store.DeleteWhere(Schema::CommandTable, Schema::CommandCategory + u'='
                                                            + sqlQuoted(QString::number(tree.value(i)))))
            return false;
        return store.DeleteWhere(Schema::CategoryTable, categoryCondition(tree.value(i)));
    }
    return store.DeleteWhere(Schema::CommandTable,
                             commandCondition(StripChineseName(tree.text(i)), commandCategoryNumber(tree, i)));
}

} // namespace

int deleteCategory(SqlHelper &store, TreeItems &tree, int index)
{
    if (!tree.isValid(index))
        return 0;
    int kept = 0;
    for (int i = tree.subtreeEnd(index); i >= index; --i) {
        // Descendants are handled first; one that stayed keeps its category too, so that no kept
        // row loses the category it belongs to.
        const bool hasKeptChildren = tree.subtreeEnd(i) > i;
        if (!hasKeptChildren && deleteRow(store, tree, i) && tree.remove(i))
            continue;
        ++kept;
    }
    return kept;
}

} // namespace Qb::Library
