#include "ui/folder_tree_model.h"

#include "devices/custom_drive.h"
#include "ui/images.h"

#include <exception>

namespace tw::ui {

using devices::TTreeNode;

TFolderTreeModel::TFolderTreeModel(devices::TTreeView& tree, QObject* parent)
    : QAbstractItemModel(parent), m_Tree(tree) {}

TTreeNode* TFolderTreeModel::NodeOf(const QModelIndex& index) const {
    return index.isValid() ? static_cast<TTreeNode*>(index.internalPointer()) : &m_Tree.Root;
}

QModelIndex TFolderTreeModel::IndexOf(const TTreeNode* node) const {
    if (!node || node == &m_Tree.Root || !node->Parent) {
        return {};
    }
    const auto& siblings = node->Parent->Children;
    for (size_t row = 0; row < siblings.size(); ++row) {
        if (siblings[row].get() == node) {
            return createIndex(static_cast<int>(row), 0, const_cast<TTreeNode*>(node));
        }
    }
    return {};
}

bool TFolderTreeModel::DeletedModeOf(const TTreeNode* node) const {
    for (; node; node = node->Parent) {
        if (node == m_Tree.DeletedNode) {
            return true;
        }
    }
    return false;
}

QModelIndex TFolderTreeModel::index(int row, int column, const QModelIndex& parent) const {
    const TTreeNode* node = NodeOf(parent);
    if (column != 0 || row < 0 || row >= static_cast<int>(node->Children.size())) {
        return {};
    }
    return createIndex(row, 0, node->Children[static_cast<size_t>(row)].get());
}

QModelIndex TFolderTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid()) {
        return {};
    }
    return IndexOf(NodeOf(child)->Parent);
}

int TFolderTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) {
        return 0;
    }
    return static_cast<int>(NodeOf(parent)->Children.size());
}

int TFolderTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant TFolderTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    const TTreeNode* node = NodeOf(index);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return QString::fromStdString(node->Text);
    case Qt::DecorationRole:
        return FolderImage(node->ImageIndex);
    default:
        return {};
    }
}

bool TFolderTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    TTreeNode* node = NodeOf(index);
    if (role != Qt::EditRole || !index.isValid() || !node->Data || !node->Data->IsDirectory()) {
        return false;
    }
    node->Data->Rename(value.toString().toStdString());
    node->Text = node->Data->Name;
    emit dataChanged(index, index);
    if (OnRenamed) {
        OnRenamed(node);
    }
    return true;
}

Qt::ItemFlags TFolderTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const TTreeNode* node = NodeOf(index);
    // Category nodes keep their captions; folders can be renamed in place.
    if (node->Parent != &m_Tree.Root && node->Data) {
        flags |= Qt::ItemIsEditable;
    }
    return flags;
}

bool TFolderTreeModel::hasChildren(const QModelIndex& parent) const {
    const TTreeNode* node = NodeOf(parent);
    return !node->Children.empty() || (parent.isValid() && node->HasChildren);
}

bool TFolderTreeModel::canFetchMore(const QModelIndex& parent) const {
    if (!parent.isValid()) {
        return false;
    }
    const TTreeNode* node = NodeOf(parent);
    const auto* folder = dynamic_cast<const devices::TCustomDirectory*>(node->Data);
    return folder && !folder->TreeFilled && node->Children.empty() && node->HasChildren;
}

void TFolderTreeModel::fetchMore(const QModelIndex& parent) {
    TTreeNode* node = NodeOf(parent);
    auto* folder = dynamic_cast<devices::TCustomDirectory*>(node->Data);
    if (!folder || folder->TreeFilled) {
        return;
    }
    // The children are made on a scratch node, so that the views learn of them through one
    // insertion.
    TTreeNode scratch;
    scratch.Data = node->Data;
    scratch.Parent = node->Parent;
    try {
        folder->ExpandNode(m_Tree, scratch, DeletedModeOf(node));
    } catch (const std::exception& e) {
        folder->TreeFilled = false;
        if (OnExpandError) {
            OnExpandError(QString::fromUtf8(e.what()));
        }
        return;
    }
    if (scratch.Children.empty()) {
        node->HasChildren = false;
        emit dataChanged(parent, parent);
        return;
    }
    beginInsertRows(parent, 0, static_cast<int>(scratch.Children.size()) - 1);
    for (auto& child : scratch.Children) {
        child->Parent = node;
        node->Children.push_back(std::move(child));
    }
    endInsertRows();
}

void TFolderTreeModel::SetExpandedImage(TTreeNode* node, bool expanded) {
    if (!node || !node->Data || node == m_Tree.DeletedNode || node == m_Tree.LostNode ||
        node == m_Tree.SearchedNode) {
        return;
    }
    const bool deleted = node->Data->IsDeleted();
    node->ImageIndex =
        deleted ? (expanded ? devices::ImageIndex::DeletedFolderExpanded
                            : devices::ImageIndex::DeletedFolder)
                : (expanded ? devices::ImageIndex::FolderExpanded : devices::ImageIndex::Folder);
    node->SelectedIndex = node->ImageIndex;
    const QModelIndex index = IndexOf(node);
    emit dataChanged(index, index, {Qt::DecorationRole});
}

void TFolderTreeModel::ClearChildren(TTreeNode* node) {
    if (!node || node->Children.empty()) {
        return;
    }
    beginRemoveRows(IndexOf(node), 0, static_cast<int>(node->Children.size()) - 1);
    node->Children.clear();
    endRemoveRows();
}

} // namespace tw::ui
