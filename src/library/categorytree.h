// SPDX-License-Identifier: GPL-3.0-or-later
// An in-memory tree of categories and commands with pre-order addressing.
#pragma once

#include "library/treeitems.h"

#include <functional>
#include <vector>

namespace Qb::Library {

// Holds the items in pre-order with their depth, so that index lookups are direct and adding
// or removing shifts only the items behind the change. Used to build the whole tree before it
// is handed to the tree control in one pass, and by tests as the tree. A category whose
// `commandsLoaded` is false gets its commands from the reader when they are first needed.
// Not thread-safe.
class CategoryTree : public TreeItems
{
public:
    struct Item
    {
        QString text;
        int image = 0;
        qint64 value = 0;
        int depth = 1; // 1 = root level
        bool expanded = false;
        qint64 id = 0;               // a command's row
        bool commandsLoaded = true;  // a category's commands are items
    };
    using CommandReader = std::function<std::vector<CommandEntry>(qint64 categoryNumber)>;

    int count() const override { return int(m_items.size()); }
    QString text(int index) const override;
    void setText(int index, const QString &text) override;
    int image(int index) const override;
    qint64 value(int index) const override;
    int parent(int index) const override;
    int append(int parent, const QString &text, int image, qint64 value) override;
    bool remove(int index) override;
    int selection() const override { return m_selection; }
    void select(int index) override;
    void expand(int index) override;
    bool isExpanded(int index) const override;
    int depth(int index) const override;
    bool commandsLoaded(int index) const override;
    void ensureCommands(int index) override;
    qint64 commandId(int index) const override;
    void setCommandReader(CommandReader reader) { m_reader = std::move(reader); }

    const std::vector<Item> &items() const { return m_items; }
    // Replaces the whole tree; `items` must be in pre-order with consistent depths.
    void assign(std::vector<Item> items);
    void clear();

private:
    std::vector<Item> m_items;
    int m_selection = -1;
    CommandReader m_reader;
};

} // namespace Qb::Library
