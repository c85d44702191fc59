// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's tree control seen as the command library's pre-order tree.
#pragma once

#include "library/categorytree.h"
#include "library/treeitems.h"

#include <QHash>
#include <QSet>
#include <QObject>
#include <QPointer>
#include <QTreeWidget>

#include <functional>
#include <vector>


namespace Qb::Library::Ui {

// Adapts a QTreeWidget (column 0) to TreeItems. The item value lives in Qt::UserRole, the image
// index in Qt::UserRole + 1 and the picture comes from the tree image list. The pre-order index
// is cached and rebuilt after any structural change of the widget's model, so a walk over all
// indices costs one pass. Only category items are editable in place. The selection is the
// selected item (the widget's current item alone is not a selection). Does not own the widget.
//
// A category whose commands were not read yet carries PendingRole and shows its expand arrow;
// its commands are read through the command source when the category is expanded (by any
// route: a click, the keyboard, expandAll) or when ensureCommands asks, and become its last
// children. Command items hold their row's ID in IdRole; no item holds more text than it shows.
class TreeWidgetItems : public QObject, public TreeItems
{
    Q_OBJECT

public:
    explicit TreeWidgetItems(QTreeWidget *tree, QObject *parent = nullptr);

    int count() const override;
    QString text(int index) const override;
    void setText(int index, const QString &text) override;
    int image(int index) const override;
    qint64 value(int index) const override;
    int parent(int index) const override;
    int append(int parent, const QString &text, int image, qint64 value) override;
    bool remove(int index) override;
    int selection() const override;
    void select(int index) override;
    void expand(int index) override;
    bool isExpanded(int index) const override;
    int depth(int index) const override;
    bool commandsLoaded(int index) const override;
    void ensureCommands(int index) override;
    qint64 commandId(int index) const override;

    struct CommandSource
    {
        // The commands of the category numbered n, in the library's order.
        std::function<std::vector<CommandEntry>(qint64 n)> read;
        // Whether the category numbered n has any command.
        std::function<bool(qint64 n)> any;
    };
    void setCommandSource(CommandSource source) { m_source = std::move(source); }
    // Drops the arrow of every category still waiting for its commands that has neither
    // sub-categories nor commands (one existence test each), once per assign(); the first read
    // of a category's commands runs it. Once the library answers lookups by category cheaply
    // (after the first read) this costs a few milliseconds.
    void settleIndicators();
    // The same for the rows the viewport shows now, until settleIndicators has run: on a large
    // library, whose first lookup by category means a pass over every command, only what is
    // on screen is tested (a short scan each, as such a category's first command is usually
    // met early), each category once. Call before the tree paints. Relays out the tree when an
    // arrow went, so the paint that follows shows the change.
    void settleOnScreen();

    // Replaces the widget's items with the whole of `tree` (expansion included) in one pass.
    void assign(const CategoryTree &tree);
    QTreeWidgetItem *item(int index) const;
    int indexOf(const QTreeWidgetItem *item) const;
    QTreeWidget *widget() const { return m_tree; }

    static constexpr int ValueRole = Qt::UserRole;
    static constexpr int ImageRole = Qt::UserRole + 1;
    static constexpr int IdRole = Qt::UserRole + 2;
    static constexpr int PendingRole = Qt::UserRole + 3; // true: the commands are not read yet

private:
    void invalidate() { m_dirty = true; }
    void refresh() const;
    QTreeWidgetItem *makeItem(const QString &text, int image, qint64 value) const;
    void loadCommands(QTreeWidgetItem *category);
    static void setPending(QTreeWidgetItem *category, bool pending);
    // Drops the arrow of a category still waiting for its commands that has neither children
    // nor commands; whether it did.
    bool settle(QTreeWidgetItem *category);
    // Whether the pending, childless category is empty (asked once per category number).
    bool knownEmpty(QTreeWidgetItem *category);

    QPointer<QTreeWidget> m_tree;
    mutable std::vector<QTreeWidgetItem *> m_order;
    mutable std::vector<int> m_depth; // per index, 1 = root level
    mutable QHash<const QTreeWidgetItem *, int> m_index;
    mutable bool m_dirty = true;
    CommandSource m_source;
    bool m_settled = false; // settleIndicators has run
    QSet<qint64> m_withCommands; // category numbers found to have commands since assign()
};

} // namespace Qb::Library::Ui
