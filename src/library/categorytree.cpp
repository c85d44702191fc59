// SPDX-License-Identifier: GPL-3.0-or-later
// The in-memory pre-order tree.
#include "library/categorytree.h"

namespace Qb::Library {

QString CategoryTree::text(int index) const
{
    return isValid(index) ? m_items[size_t(index)].text : QString();
}

void CategoryTree::setText(int index, const QString &text)
{
    if (isValid(index))
        m_items[size_t(index)].text = text;
}

int CategoryTree::image(int index) const
{
    return isValid(index) ? m_items[size_t(index)].image : -1;
}

qint64 CategoryTree::value(int index) const
{
    return isValid(index) ? m_items[size_t(index)].value : 0;
}

int CategoryTree::depth(int index) const
{
    return isValid(index) ? m_items[size_t(index)].depth : 0;
}

int CategoryTree::parent(int index) const
{
    if (!isValid(index))
        return -1;
    const int wanted = m_items[size_t(index)].depth - 1;
    for (int i = index - 1; i >= 0; --i) {
        if (m_items[size_t(i)].depth == wanted)
            return i;
    }
    return -1;
}

int CategoryTree::append(int parent, const QString &text, int image, qint64 value)
{
    if (parent != -1 && !isValid(parent))
        return -1;
    const int at = parent == -1 ? count() : subtreeEnd(parent) + 1;
    const int itemDepth = parent == -1 ? 1 : m_items[size_t(parent)].depth + 1;
    m_items.insert(m_items.begin() + at, Item{text, image, value, itemDepth, false});
    if (m_selection >= at)
        ++m_selection;
    return at;
}

bool CategoryTree::remove(int index)
{
    if (!isValid(index))
        return false;
    const int last = subtreeEnd(index);
    m_items.erase(m_items.begin() + index, m_items.begin() + last + 1);
    if (m_selection >= index && m_selection <= last)
        m_selection = -1;
    else if (m_selection > last)
        m_selection -= last - index + 1;
    return true;
}

void CategoryTree::select(int index)
{
    m_selection = isValid(index) ? index : -1;
}

void CategoryTree::expand(int index)
{
    if (isValid(index))
        m_items[size_t(index)].expanded = true;
}

bool CategoryTree::isExpanded(int index) const
{
    return isValid(index) && m_items[size_t(index)].expanded;
}

bool CategoryTree::commandsLoaded(int index) const
{
    return !isValid(index) || m_items[size_t(index)].commandsLoaded;
}

void CategoryTree::ensureCommands(int index)
{
    if (commandsLoaded(index) || !m_reader)
        return;
    Item &category = m_items[size_t(index)];
    category.commandsLoaded = true;
    const int depth = category.depth + 1;
    const std::vector<CommandEntry> rows = m_reader(category.value);
    std::vector<Item> made;
    made.reserve(rows.size());
    for (const CommandEntry &row : rows)
        made.push_back({commandItemText(row.name, row.chineseName), CommandImage, 0, depth, false, row.id, true});
    const int at = subtreeEnd(index) + 1;
    m_items.insert(m_items.begin() + at, made.begin(), made.end());
    if (m_selection >= at)
        m_selection += int(made.size());
}

qint64 CategoryTree::commandId(int index) const
{
    return isValid(index) ? m_items[size_t(index)].id : 0;
}

void CategoryTree::assign(std::vector<Item> items)
{
    m_items = std::move(items);
    m_selection = -1;
}

void CategoryTree::clear()
{
    m_items.clear();
    m_selection = -1;
}

} // namespace Qb::Library
