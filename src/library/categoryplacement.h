// SPDX-License-Identifier: GPL-3.0-or-later
// Where each category row goes when the tree is built: breadth-first, in result order.
#pragma once

#include "library/categorytree.h"

#include <QString>
#include <QtGlobal>

#include <vector>

namespace Qb::Library {

// One row of 分类表 as the tree build reads it.
struct CategoryEntry
{
    QString name;
    qint64 number = 0; // 序号
    qint64 parent = 0; // 父类; 0 = top level
};

struct CategoryPlacement
{
    int entry = 0;         // index into the entries handed in
    qint64 parentNumber = 0; // 0 = root level
};

// The order in which the categories are added to the tree, each as the last child of the first
// item whose value is parentNumber. Entries are taken breadth-first from number 0: for each
// number in the queue, the entries naming it as parent in result order. Entries whose parent
// chain never reaches 0 (a missing parent, a cycle) are placed at the root level: when the queue
// runs dry, the first remaining entry whose parent is no remaining entry's number (or, when
// every remaining chain runs into a cycle, the cycle's first entry in result order) becomes a
// root, and its descendants follow beneath it. Every entry is placed exactly once; the result always ends.
std::vector<CategoryPlacement> placeCategories(const std::vector<CategoryEntry> &entries);

// The category items (image 2, value = number, collapsed) for every entry, in pre-order with
// their depths: the tree made by appending each entry, in placement order, as the last child of
// the first item in pre-order whose value is its parentNumber (0: as the last root item).
// Linear in the entries, apart from numbers that several entries share.
std::vector<CategoryTree::Item> placedCategoryItems(const std::vector<CategoryEntry> &entries);

// The number a text column holds: its leading decimal digits; 0 when it starts with no digit.
qint64 leadingNumber(const QString &text);

} // namespace Qb::Library
