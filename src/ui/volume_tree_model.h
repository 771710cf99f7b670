#pragma once

#include "ui/volume_tree.h"

#include <QAbstractItemModel>

namespace pq {

// The Files panel's tree: a read-only item model straight over a VolumeTree (no item objects,
// whatever the number of files), with the columns name (the Finder's 16-pixel icon beside it,
// the 32-pixel one in its tool tip), type, creator, data size and resource size.
class VolumeTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Column { NameColumn, TypeColumn, CreatorColumn, DataSizeColumn, ResourceSizeColumn, ColumnCount };

    explicit VolumeTreeModel(QObject* parent = nullptr);

    // Shows another tree (an empty one shows nothing).
    void setTree(VolumeTree tree);
    const VolumeTree& tree() const { return m_tree; }
    // The tree's node at `index`; -1 for the invalid index.
    static int nodeOf(const QModelIndex& index) { return index.isValid() ? int(index.internalId()) : -1; }
    // The index of a node of the tree, in column 0.
    QModelIndex indexOf(int node) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QVariant display(const VolumeTree::Node& node, int column) const;
    QVariant decoration(const VolumeTree::Node& node) const;
    QString toolTip(const VolumeTree::Node& node) const;

    VolumeTree m_tree;
};

} // namespace pq
