// SPDX-License-Identifier: GPL-3.0-or-later
// Placement of new categories and the command search.
#include "library/treerules.h"

#include "library/treeitems.h"

#include <algorithm>

namespace Qb::Library {

NewCategoryPlace newCategoryPlace(const TreeItems &tree, bool subCategory)
{
    const int selected = tree.selection();
    if (!tree.isValid(selected))
        return {};
    if (subCategory && tree.isCategory(selected))
        return {selected, tree.value(selected)};
    const int parent = tree.parent(selected);
    return {parent, tree.isValid(parent) ? tree.value(parent) : 0};
}

QString foldLatin(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return out;
}

int findCommand(const TreeItems &tree, const QString &text)
{
    const QString wanted = foldLatin(text);
    const int start = std::max(tree.selection(), 0);
    for (int i = start; i < tree.count(); ++i) {
        if (tree.image(i) == TreeItems::CommandImage && foldLatin(tree.text(i)).contains(wanted))
            return i;
    }
    return -1;
}

} // namespace Qb::Library
