// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's tree control seen as the command library's pre-order tree.
#pragma once

#include "library/categorytree.h"
#include "library/treeitems.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QTreeWidget>

#include <vector>


namespace Qb::Library::Ui {

// Adapts a QTreeWidget (column 0) to TreeItems. The item value lives in Qt::UserRole, the image
// index in Qt::UserRole + 1 and the picture comes from the tree image list. The pre-order index
// is cached and rebuilt after any structural change of the widget's model, so a walk over all
// indices costs one pass. Only category items are editable in place. The selection is the
// selected item (the widget's current item alone is not a selection). Does not own the widget.
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

    // Replaces the widget's items with the whole of `tree` (expansion included) in one pass.
    void assign(const CategoryTree &tree);
    QTreeWidgetItem *item(int index) const;
    int indexOf(const QTreeWidgetItem *item) const;
    QTreeWidget *widget() const { return m_tree; }

    static constexpr int ValueRole = Qt::UserRole;
    static constexpr int ImageRole = Qt::UserRole + 1;

private:
    void invalidate() { m_dirty = true; }
    void refresh() const;
    QTreeWidgetItem *makeItem(const QString &text, int image, qint64 value) const;

    QPointer<QTreeWidget> m_tree;
    mutable std::vector<QTreeWidgetItem *> m_order;
    mutable QHash<const QTreeWidgetItem *, int> m_index;
    mutable bool m_dirty = true;
};

} // namespace Qb::Library::Ui
