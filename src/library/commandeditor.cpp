// SPDX-License-Identifier: GPL-3.0-or-later
// Filling and storing the 命令添加 dialog, deleting and finding commands.
#include "library/commandeditor.h"

#include "library/categoryoperations.h"
#include "library/categoryplacement.h"
#include "library/libraryschema.h"
#include "library/sqlhelper.h"
#include "library/sqlquote.h"
#include "library/treeitems.h"

namespace Qb::Library {

QStringList commandTypes()
{
    return {QStringLiteral("无"), QStringLiteral("流程"), QStringLiteral("函数"), QStringLiteral("过程")};
}

namespace {

void readCategoryChoices(SqlHelper &store, const TreeItems &tree, CommandDialogContents &out)
{
    const ResultSetHandle h = store.Select(Schema::CategoryTable, QString(), QString());
    if (h == 0) {
        store.CloseResultSet();
        return;
    }
    const int current = CurrentCategoryIndex(tree);
    const qint64 preselect = tree.isValid(current) ? tree.value(current) : 0;
    for (; !store.AtEnd(h); store.MoveNext(h)) {
        const qint64 number = leadingNumber(store.FieldText(Schema::CategoryNumber, h));
        if (out.selectedCategory < 0 && preselect != 0 && number == preselect)
            out.selectedCategory = int(out.categories.size());
        out.categories.push_back({store.FieldText(Schema::CategoryName, h), number});
    }
    store.CloseResultSet(h);
}

QString typeOrDefault(const QString &type)
{
    return type.isEmpty() ? commandTypes().first() : type;
}

} // namespace

CommandDialogContents CommandEditor::open(SqlHelper &store, const TreeItems &tree)
{
    CommandDialogContents out;
    m_loadedId = 0;
    readCategoryChoices(store, tree, out);
    const int selected = SelectedCommandIndex(tree);
    if (m_mode == Mode::Modify && selected >= 0) {
        out.name = StripChineseName(tree.text(selected));
        loadCommand(store, out.name, commandCategoryNumber(tree, selected), out);
    }
    return out;
}

bool CommandEditor::loadCommand(SqlHelper &store, const QString &name, qint64 category,
                                CommandDialogContents &out)
{
    const QStringList columns{Schema::CommandId, Schema::CommandChineseName, Schema::CommandDescription,
                              Schema::CommandType};
    QStringList values;
    if (!store.FirstRowValues(Schema::CommandTable, columns, commandCondition(name, category), values)
        || values.size() < columns.size())
        return false;
    m_loadedId = leadingNumber(values[0]);
    m_loadedName = name;
    m_loadedCategory = category;
    out.chineseName = values[1];
    out.description = UnescapeQuotes(values[2]);
    out.selectedType = int(commandTypes().indexOf(typeOrDefault(values[3])));
    return m_loadedId != 0;
}

StoreResult CommandEditor::store(SqlHelper &store, TreeItems &tree, const CommandInput &input)
{
    if (input.categoryNumber == 0)
        return StoreResult::NoCategory;
    if (input.name.isEmpty())
        return StoreResult::NoName;
    return m_mode == Mode::Add ? add(store, tree, input) : modify(store, tree, input);
}

namespace {

QString setOrValues(const CommandInput &in, bool asSetClause)
{
    const QStringList columns{Schema::CommandName, Schema::CommandChineseName, Schema::CommandCategory,
                              Schema::CommandDescription, Schema::CommandType};
    const QStringList values{sqlQuoted(in.name), sqlQuoted(in.chineseName),
                             sqlQuoted(QString::number(in.categoryNumber)),
                             sqlQuoted(EscapeQuotes(in.description)), sqlQuoted(in.type)};
    if (!asSetClause)
        return values.join(u',');
    QStringList pairs;
    for (qsizetype i = 0; i < columns.size(); ++i)
        pairs.append(columns[i] + u'=' + values[i]);
    return pairs.join(u',');
}

bool existsInCategory(SqlHelper &store, const CommandInput &in)
{
    return store.Exists(Schema::CommandTable, Schema::CommandName, commandCondition(in.name, in.categoryNumber));
}

} // namespace

StoreResult CommandEditor::add(SqlHelper &store, TreeItems &tree, const CommandInput &input)
{
    if (existsInCategory(store, input))
        return StoreResult::Duplicate;
    const int parent = FindItemByValue(tree, input.categoryNumber);
    // Read before the insert: the new row then ends the list, after the ones already stored.
    tree.ensureCommands(parent);
    const QString columns = QStringList{Schema::CommandName, Schema::CommandChineseName, Schema::CommandCategory,
                                        Schema::CommandDescription, Schema::CommandType}
                                .join(u',');
    if (!store.Insert(Schema::CommandTable, columns, setOrValues(input, false)))
        return StoreResult::AddFailed;
    tree.append(parent, commandItemText(input.name, input.chineseName), TreeItems::CommandImage, 0);
    return StoreResult::Added;
}

StoreResult CommandEditor::modify(SqlHelper &store, TreeItems &tree, const CommandInput &input)
{
    if (m_loadedId == 0 || SelectedCommandIndex(tree) < 0)
        return StoreResult::UpdateFailed;
    // A second row with the same name in one category could no longer be told apart.
    const bool moved = input.categoryNumber != m_loadedCategory;
    const bool keyChanged = moved || input.name.compare(m_loadedName, Qt::CaseInsensitive) != 0;
    if (keyChanged && existsInCategory(store, input))
        return StoreResult::Duplicate;
    // The new category's commands are read before the row joins them, so that it ends the list.
    if (moved)
        tree.ensureCommands(FindItemByValue(tree, input.categoryNumber));
    if (!store.Update(Schema::CommandTable, setOrValues(input, true),
                      Schema::CommandId + u'=' + QString::number(m_loadedId)))
        return StoreResult::UpdateFailed;
    const int selected = SelectedCommandIndex(tree);
    const QString text = commandItemText(input.name, input.chineseName);
    if (moved) {
        tree.remove(selected);
        tree.append(FindItemByValue(tree, input.categoryNumber), text, TreeItems::CommandImage, 0);
    } else {
        tree.setText(selected, text);
    }
    m_loadedName = input.name;
    return StoreResult::Updated;
}

DeleteCommandResult deleteCommand(SqlHelper &store, TreeItems &tree, int index)
{
    const QString condition = commandCondition(StripChineseName(tree.text(index)), commandCategoryNumber(tree, index));
    if (!store.DeleteWhere(Schema::CommandTable, condition))
        return DeleteCommandResult::DeleteFailed;
    return tree.remove(index) ? DeleteCommandResult::Deleted : DeleteCommandResult::ItemRemoveFailed;
}

} // namespace Qb::Library
