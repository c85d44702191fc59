// SPDX-License-Identifier: GPL-3.0-or-later
// Breadth-first placement of category rows, tolerant of rows that never reach the top level.
#include "library/categoryplacement.h"

#include "library/treeitems.h"

#include <algorithm>
#include <deque>
#include <limits>
#include <unordered_map>

namespace Qb::Library {

namespace {

// The entries in result order grouped by the number they name as parent.
using ChildrenByParent = std::unordered_map<qint64, std::vector<int>>;

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

// The first unplaced entry that can start a root of its own; see placeCategories. Only reached
// when some parent chain does not lead to the top level, which a library rarely has.
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

// The categories as a forest while they are placed: a node's children in the order they were
// added, so the pre-order of the finished forest is the order the tree shows.
class Forest
{
public:
    explicit Forest(std::size_t size) { m_nodes.reserve(size); }

    // Adds `entry` as the last child of the first node in pre-order whose number is `number`
    // (0 or no such node: as the last root).
    void add(int entry, qint64 entryNumber, qint64 parentNumber)
    {
        const int parent = parentNumber == 0 ? -1 : firstInPreOrder(parentNumber);
        std::vector<int> &siblings = parent < 0 ? m_roots : m_nodes[size_t(parent)].children;
        const int id = int(m_nodes.size());
        m_nodes.push_back({entry, parent, int(siblings.size()), {}});
        siblings.push_back(id);
        m_byNumber[entryNumber].push_back(id);
    }

    // Calls visit(entry, depth) in pre-order.
    template<typename Visit>
    void walk(Visit &&visit) const
    {
        std::vector<std::pair<int, int>> stack; // (node, depth), the next to visit on top
        for (auto r = m_roots.rbegin(); r != m_roots.rend(); ++r)
            stack.emplace_back(*r, 1);
        while (!stack.empty()) {
            const auto [id, depth] = stack.back();
            stack.pop_back();
            const Node &node = m_nodes[size_t(id)];
            visit(node.entry, depth);
            for (auto c = node.children.rbegin(); c != node.children.rend(); ++c)
                stack.emplace_back(*c, depth + 1);
        }
    }

private:
    struct Node
    {
        int entry = 0;
        int parent = -1;
        int slot = 0; // among its siblings; children are only ever added at the end
        std::vector<int> children;
    };

    int firstInPreOrder(qint64 number) const
    {
        const auto found = m_byNumber.find(number);
        if (found == m_byNumber.end())
            return -1;
        int first = found->second.front();
        for (const int other : found->second)
            if (precedes(other, first))
                first = other;
        return first;
    }

    // The slots from the root down to the node: pre-order is their lexicographic order.
    std::vector<int> path(int id) const
    {
        std::vector<int> steps;
        for (int n = id; n >= 0; n = m_nodes[size_t(n)].parent)
            steps.push_back(m_nodes[size_t(n)].slot);
        std::reverse(steps.begin(), steps.end());
        return steps;
    }

    bool precedes(int a, int b) const
    {
        if (a == b)
            return false;
        const std::vector<int> pa = path(a);
        const std::vector<int> pb = path(b);
        return std::lexicographical_compare(pa.begin(), pa.end(), pb.begin(), pb.end());
    }

    std::vector<Node> m_nodes;
    std::vector<int> m_roots;
    std::unordered_map<qint64, std::vector<int>> m_byNumber; // nodes by number, in adding order
};

} // namespace

std::vector<CategoryPlacement> placeCategories(const std::vector<CategoryEntry> &entries)
{
    std::vector<CategoryPlacement> order;
    order.reserve(entries.size());
    ChildrenByParent children;
    for (size_t i = 0; i < entries.size(); ++i)
        children[entries[i].parent].push_back(int(i));
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
        const auto found = children.find(current);
        if (found == children.end())
            continue;
        for (const int i : found->second) {
            if (placed[size_t(i)])
                continue;
            placed[size_t(i)] = true;
            order.push_back({i, current});
            // A category numbered 0 would be its own parent's queue entry again: nothing to add.
            if (entries[size_t(i)].number != 0)
                queue.push_back(entries[size_t(i)].number);
        }
    }
    return order;
}

std::vector<CategoryTree::Item> placedCategoryItems(const std::vector<CategoryEntry> &entries)
{
    Forest forest(entries.size());
    for (const CategoryPlacement &p : placeCategories(entries))
        forest.add(p.entry, entries[size_t(p.entry)].number, p.parentNumber);
    std::vector<CategoryTree::Item> items;
    items.reserve(entries.size());
    forest.walk([&](int entry, int depth) {
        const CategoryEntry &e = entries[size_t(entry)];
        items.push_back({e.name, TreeItems::CategoryImage, e.number, depth, false});
    });
    return items;
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
