// SPDX-License-Identifier: GPL-3.0-or-later
// Breadth-first placement of category rows, tolerant of rows that never reach the top level.
#include "library/categoryplacement.h"

#include "library/treeitems.h"

#include <deque>
#include <limits>
#include <unordered_map>

namespace Qb::Library {

namespace {

// The first unplaced entry on the cycle that the parent chain of the first unplaced entry runs
// into: every unplaced entry's chain leads to such a cycle once no chain ends at a missing
// parent.
int firstOnCycle(const std::vector<CategoryEntry> &entries, const std::vector<bool> &placed,
                 const std::unordered_map<qint64, int> &byNumber)
{
    int start = 0;
    while (placed[size_t(start)])
        ++start;
    std::vector<int> visitOrder(entries.size(), -1);
    int step = 0;
    int at = start;
    while (visitOrder[size_t(at)] < 0) {
        visitOrder[size_t(at)] = step++;
        const auto parent = byNumber.find(entries[size_t(at)].parent);
        if (parent == byNumber.end())
            return at; // a chain end after all: it can be a root
        at = parent->second;
    }
    // `at` is the first entry met twice; the cycle is the part of the walk from it on.
    const int cycleStep = visitOrder[size_t(at)];
    for (size_t i = 0; i < entries.size(); ++i) {
        if (visitOrder[i] >= cycleStep)
            return int(i);
    }
    return at;
}

// The first unplaced entry that can start a root of its own; see placeCategories.
int orphanRoot(const std::vector<CategoryEntry> &entries, const std::vector<bool> &placed)
{
    std::unordered_map<qint64, int> byNumber; // unplaced entries; the first of a number wins
    for (size_t i = 0; i < entries.size(); ++i) {
        if (!placed[i])
            byNumber.try_emplace(entries[i].number, int(i));
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        if (!placed[i] && !byNumber.contains(entries[i].parent))
            return int(i);
    }
    return firstOnCycle(entries, placed, byNumber);
}

} // namespace

std::vector<CategoryPlacement> placeCategories(const std::vector<CategoryEntry> &entries)
{
    std::vector<CategoryPlacement> order;
    order.reserve(entries.size());
    std::vector<bool> placed(entries.size(), false);
    std::deque<qint64> queue{0};
    while (order.size() < entries.size()) {
        if (queue.empty()) {
            const int root = orphanRoot(entries, placed);
            placed[size_t(root)] = true;
            order.push_back({root, 0});
            queue.push_back(entries[size_t(root)].number);
            continue;
        }
        const qint64 current = queue.front();
        queue.pop_front();
        for (size_t i = 0; i < entries.size(); ++i) {
            if (placed[i] || entries[i].parent != current)
                continue;
            placed[i] = true;
            order.push_back({int(i), current});
            // A category numbered 0 would be its own parent's queue entry again: nothing to add.
            if (entries[i].number != 0)
                queue.push_back(entries[i].number);
        }
    }
    return order;
}

void addPlacedCategories(const std::vector<CategoryEntry> &entries, TreeItems &tree)
{
    for (const CategoryPlacement &p : placeCategories(entries)) {
        const CategoryEntry &e = entries[size_t(p.entry)];
        const int parent = p.parentNumber == 0 ? -1 : FindItemByValue(tree, p.parentNumber);
        tree.append(parent, e.name, TreeItems::CategoryImage, e.number);
    }
}

qint64 leadingNumber(const QString &text)
{
    constexpr qint64 Limit = std::numeric_limits<qint64>::max() / 10 - 9;
    qint64 n = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9' || n > Limit)
            break;
        n = n * 10 + (c.unicode() - u'0');
    }
    return n;
}

} // namespace Qb::Library
