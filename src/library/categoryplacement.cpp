// Breadth-first placement of category rows, tolerant of rows that never reach the top level.
#include "library/categoryplacement.h"

#include "library/treeitems.h"

#include <deque>
#include <limits>
#include <unordered_set>

namespace Qb::Library {

namespace {

// The first unplaced entry that can start a root of its own; see placeCategories.
int orphanRoot(const std::vector<CategoryEntry> &entries, const std::vector<bool> &placed)
{
    std::unordered_set<qint64> remainingNumbers;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (!placed[i])
            remainingNumbers.insert(entries[i].number);
    }
    int firstRemaining = -1;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (placed[i])
            continue;
        if (firstRemaining < 0)
            firstRemaining = int(i);
        if (!remainingNumbers.contains(entries[i].parent))
            return int(i);
    }
    return firstRemaining;
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
