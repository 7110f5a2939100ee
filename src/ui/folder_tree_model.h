#pragma once

#include "devices/view_model.h"

#include <QAbstractItemModel>

#include <functional>

namespace tw::ui {

/// The folder tree as a Qt model over the core's tree nodes. Child folders are read only
/// when a node is expanded (fetchMore runs the folder's ExpandNode).
class TFolderTreeModel final : public QAbstractItemModel {
public:
    TFolderTreeModel(devices::TTreeView& tree, QObject* parent = nullptr);

    /// Call around every change of the tree that the model did not make itself.
    void BeginReset() { beginResetModel(); }
    void EndReset() { endResetModel(); }

    [[nodiscard]] devices::TTreeNode* NodeOf(const QModelIndex& index) const;
    [[nodiscard]] QModelIndex IndexOf(const devices::TTreeNode* node) const;
    /// The node is "Deleted" or lies below it.
    [[nodiscard]] bool DeletedModeOf(const devices::TTreeNode* node) const;
    /// Sets the node's pictures (expanded or collapsed) and tells the views.
    void SetExpandedImage(devices::TTreeNode* node, bool expanded);
    /// Removes every child of a node (a category refilled by a search).
    void ClearChildren(devices::TTreeNode* node);

    /// Called with the message when reading a folder's subfolders fails.
    std::function<void(const QString&)> OnExpandError;
    /// Called when a folder node was renamed in place.
    std::function<void(devices::TTreeNode*)> OnRenamed;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    devices::TTreeView& m_Tree;
};

} // namespace tw::ui
