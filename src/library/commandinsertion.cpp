// SPDX-License-Identifier: GPL-3.0-or-later
// Description preview and double-click insertion.
#include "library/commandinsertion.h"

#include "library/categoryoperations.h"
#include "library/libraryschema.h"
#include "library/sqlhelper.h"
#include "library/sqlquote.h"
#include "library/treeitems.h"

#include <QStringList>

namespace Qb::Library {

std::optional<QString> descriptionPreview(SqlHelper &store, const TreeItems &tree)
{
    QStringList values;
    const int command = SelectedCommandIndex(tree);
    if (command >= 0) {
        store.ColumnValues(values, Schema::CommandTable, Schema::CommandDescription,
                           commandCondition(StripChineseName(tree.text(command)),
                                            commandCategoryNumber(tree, command)));
    } else if (tree.isCategory(tree.selection())) {
        store.ColumnValues(values, Schema::CategoryTable, Schema::CategoryDescription,
                           categoryCondition(tree.value(tree.selection())));
    }
    if (values.isEmpty())
        return std::nullopt;
    return UnescapeQuotes(values.first());
}

Insertion insertionFor(SqlHelper &store, const TreeItems &tree, bool ctrlHeld, bool addChineseName)
{
    const int command = SelectedCommandIndex(tree);
    if (command < 0)
        return {};
    QString text = tree.text(command);
    if (!ctrlHeld && !addChineseName)
        text = StripChineseName(text);
    const QString name = StripChineseName(text);
    const QString condition = commandCondition(name, commandCategoryNumber(tree, command));
    const bool describes = name.endsWith(QStringLiteral("{}"));
    const QStringList columns = describes ? QStringList{Schema::CommandDescription, Schema::CommandType}
                                          : QStringList{Schema::CommandType};
    QString type;
    QStringList values;
    if (store.FirstRowValues(Schema::CommandTable, columns, condition, values)) {
        if (values.size() < columns.size())
            return {Insertion::Kind::Error, QString()};
        if (describes)
            text = UnescapeQuotes(values.first());
        type = values.last();
    }
    if (type == QStringLiteral("流程") || type == QStringLiteral("过程") || addChineseName)
        text += QStringLiteral("\r\n");
    return {Insertion::Kind::Text, text};
}

} // namespace Qb::Library
