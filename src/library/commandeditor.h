// SPDX-License-Identifier: GPL-3.0-or-later
// The logic of the 命令添加 dialog: what it shows when opened and how it stores a command.
#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <vector>

namespace Qb::Library {

class SqlHelper;
class TreeItems;

// One entry of the dialog's category list.
struct CategoryChoice
{
    QString name;
    qint64 number = 0;
};

// The command types the dialog offers, in list order; an empty stored type reads as the first.
QStringList commandTypes();

// What the dialog shows when it opens.
struct CommandDialogContents
{
    std::vector<CategoryChoice> categories; // every row of 分类表, in result order
    int selectedCategory = -1;              // index into categories; -1 = none
    QString name;
    QString chineseName;
    QString description; // "^!" already turned back into "'"
    int selectedType = 0; // index into commandTypes(); -1 when the stored type is none of them
};

// What the user typed when pressing 添加 / 修改.
struct CommandInput
{
    qint64 categoryNumber = 0; // 0 = no category chosen
    QString name;
    QString chineseName;
    QString type;
    QString description; // as typed, with "'"
};

enum class StoreResult { NoCategory, NoName, Duplicate, Added, AddFailed, Updated, UpdateFailed };

// Dialog state of one opening of 命令添加, owned by whoever shows the dialog. In modify mode the
// command is the selected item, addressed by its name and its owning category; a store then
// changes only the row that open() loaded, and refuses when none was loaded. UI thread only.
class CommandEditor
{
public:
    enum class Mode { Add, Modify };

    explicit CommandEditor(Mode mode) : m_mode(mode) {}

    Mode mode() const { return m_mode; }
    // Fills the category list (preselecting the current category) and, in modify mode with a
    // command selected, the stored values of that command.
    CommandDialogContents open(SqlHelper &store, const TreeItems &tree);
    // Checks and stores the input; on success updates the tree (add: a new last item under the
    // category; modify: the item's text, or the item moved under its new category).
    StoreResult store(SqlHelper &store, TreeItems &tree, const CommandInput &input);
    // Whether open() found the row that a modify would change.
    bool hasLoadedRow() const { return m_loadedId != 0; }

private:
    StoreResult add(SqlHelper &store, TreeItems &tree, const CommandInput &input);
    StoreResult modify(SqlHelper &store, TreeItems &tree, const CommandInput &input);
    bool loadCommand(SqlHelper &store, const QString &name, qint64 category, CommandDialogContents &out);

    Mode m_mode;
    qint64 m_loadedId = 0;       // ID of the row loaded in modify mode; 0 = none
    QString m_loadedName;        // its name and category at opening
    qint64 m_loadedCategory = 0;
};

enum class DeleteCommandResult { Deleted, DeleteFailed, ItemRemoveFailed };

// Deletes the command of item `index` (by its name within its category) and removes the item.
DeleteCommandResult deleteCommand(SqlHelper &store, TreeItems &tree, int index);

} // namespace Qb::Library
