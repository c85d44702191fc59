// SPDX-License-Identifier: GPL-3.0-or-later
// The category tree as the command library sees it: items addressed by pre-order index.
#pragma once

#include <QString>
#include <QtGlobal>

namespace Qb::Library {

// A tree of categories and commands, addressed by an item's 0-based position in a depth-first
// pre-order walk of the whole tree; -1 means "no item" (and, as a parent, the root level).
// Indices change whenever items are added or removed. A category item carries its 序号 as item
// value (positive), a command item carries 0. Implemented by the in-memory CategoryTree and by
// the adapter over the main window's tree control.
class TreeItems
{
public:
    static constexpr int CategoryImage = 2;
    static constexpr int CommandImage = 12;

    virtual ~TreeItems() = default;

    virtual int count() const = 0;
    virtual QString text(int index) const = 0;
    virtual void setText(int index, const QString &text) = 0;
    virtual int image(int index) const = 0;
    virtual qint64 value(int index) const = 0;
    // The parent's index, -1 for an item at the root level or an invalid index.
    virtual int parent(int index) const = 0;
    // Adds an item as the last child of `parent` (-1: as the last root item) and returns the new
    // item's index, or -1 when `parent` is not a valid index.
    virtual int append(int parent, const QString &text, int image, qint64 value) = 0;
    // Removes the item with all its descendants; false when the index is invalid.
    virtual bool remove(int index) = 0;
    // The selected item, -1 when nothing is selected.
    virtual int selection() const = 0;
    // Selects the item and reveals it; -1 clears the selection.
    virtual void select(int index) = 0;
    virtual void expand(int index) = 0;
    virtual bool isExpanded(int index) const = 0;

    // A tree may read a category's commands only when they are first needed (an expansion, a
    // find, a change). Whether the commands of the category at `index` are items already (true
    // for a command item and an invalid index):
    virtual bool commandsLoaded(int index) const { (void)index; return true; }
    // Makes the category's commands its last children, in the order the library lists them,
    // when they are not items yet; the category's own index does not change. Every operation
    // that adds items under a category, or needs all of its commands, calls this first.
    virtual void ensureCommands(int index) { (void)index; }
    // The library row (ID) a command item shows; 0 when unknown or not a command item.
    virtual qint64 commandId(int index) const { (void)index; return 0; }

    bool isValid(int index) const { return index >= 0 && index < count(); }
    bool isCategory(int index) const { return isValid(index) && value(index) != 0; }
    bool isCommand(int index) const { return isValid(index) && value(index) == 0; }
    // Number of ancestors plus one; 0 for an invalid index.
    virtual int depth(int index) const;
    // The last index of the item's subtree (the item itself when it has no descendants).
    int subtreeEnd(int index) const;
};

// The selection when it is a category, its parent when it is a command; -1 when nothing is
// selected.
int CurrentCategoryIndex(const TreeItems &tree);
// The selection when it is a command item, otherwise -1.
int SelectedCommandIndex(const TreeItems &tree);
// The smallest index whose item value equals `number`, or -1.
int FindItemByValue(const TreeItems &tree, qint64 number);
// The largest item value in the tree plus one (1 for an empty tree).
qint64 NextCategoryNumber(const TreeItems &tree);
// The text before the first " #", or the whole text when it has none: a command item's name.
QString StripChineseName(const QString &text);
// One command row as the tree shows it.
struct CommandEntry
{
    QString name;        // 命令名
    QString chineseName; // 中文名
    qint64 id = 0;       // ID
};

// A command item's text: the name, or name + " #" + Chinese name when that is not empty.
QString commandItemText(const QString &name, const QString &chineseName);
// The category number of a command item: its parent's item value (0 at the root level).
qint64 commandCategoryNumber(const TreeItems &tree, int commandIndex);

} // namespace Qb::Library
