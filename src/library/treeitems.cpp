// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers every command-library operation uses on the pre-order tree.
#include "library/treeitems.h"

namespace Qb::Library {

int TreeItems::depth(int index) const
{
    int d = 0;
    for (int i = index; isValid(i); i = parent(i))
        ++d;
    return d;
}

int TreeItems::subtreeEnd(int index) const
{
    if (!isValid(index))
        return index;
    const int own = depth(index);
    int last = index;
    // Descendants follow their ancestor directly in pre-order; the first item that is not deeper
    // ends the subtree.
    while (isValid(last + 1) && depth(last + 1) > own)
        ++last;
    return last;
}

int CurrentCategoryIndex(const TreeItems &tree)
{
    const int selected = tree.selection();
    if (!tree.isValid(selected))
        return -1;
    return tree.isCommand(selected) ? tree.parent(selected) : selected;
}

int SelectedCommandIndex(const TreeItems &tree)
{
    const int selected = tree.selection();
    return tree.isCommand(selected) ? selected : -1;
}

int FindItemByValue(const TreeItems &tree, qint64 number)
{
    const int n = tree.count();
    for (int i = 0; i < n; ++i) {
        if (tree.value(i) == number)
            return i;
    }
    return -1;
}

qint64 NextCategoryNumber(const TreeItems &tree)
{
    qint64 largest = 0;
    const int n = tree.count();
    for (int i = 0; i < n; ++i)
        largest = std::max(largest, tree.value(i));
    return largest + 1;
}

QString StripChineseName(const QString &text)
{
    const qsizetype cut = text.indexOf(QStringLiteral(" #"));
    return cut < 0 ? text : text.left(cut);
}

QString commandItemText(const QString &name, const QString &chineseName)
{
    return chineseName.isEmpty() ? name : name + QStringLiteral(" #") + chineseName;
}

qint64 commandCategoryNumber(const TreeItems &tree, int commandIndex)
{
    const int p = tree.parent(commandIndex);
    return tree.isValid(p) ? tree.value(p) : 0;
}

} // namespace Qb::Library
