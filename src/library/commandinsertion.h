// SPDX-License-Identifier: GPL-3.0-or-later
// What a click on the tree shows and what a double-click inserts into the editor.
#pragma once

#include <QString>

#include <optional>

namespace Qb::Library {

class SqlHelper;
class TreeItems;

// The description to show for the selected item: a command's 说明 (addressed by its name within
// its category), a category's 说明 (addressed by its 序号), with "^!" turned back into "'".
// nullopt when nothing is selected or no row is found: the shown text then stays.
std::optional<QString> descriptionPreview(SqlHelper &store, const TreeItems &tree);

// The result of a double-click on the tree.
struct Insertion
{
    enum class Kind {
        Nothing, // no command selected
        Error,   // the command's row gave fewer values than asked: "命令信息错误"
        Text,    // insert `text` at the caret
    };
    Kind kind = Kind::Nothing;
    QString text;
};

// The double-click rule: the item text, cut at " #" unless Ctrl is held or the Chinese name is
// to be added; for a name ending in "{}" the stored 说明 instead (when the row is found); CR LF
// appended for the types "流程" and "过程" and whenever the Chinese name is added. The row is
// addressed by the command's name within its category.
Insertion insertionFor(SqlHelper &store, const TreeItems &tree, bool ctrlHeld, bool addChineseName);

} // namespace Qb::Library
