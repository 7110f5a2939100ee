#include "ui/item_list_model.h"

#include "devices/custom_drive.h"
#include "fat/list_order.h"
#include "ui/images.h"

namespace tw::ui {

TItemListModel::TItemListModel(devices::TListView& list, QObject* parent)
    : QAbstractTableModel(parent), m_List(list) {}

void TItemListModel::Fill(devices::TCustomDirectory& folder, bool deletedMode) {
    beginResetModel();
    folder.FillList(m_List, deletedMode);
    endResetModel();
}

void TItemListModel::Clear() {
    beginResetModel();
    m_List.Clear();
    endResetModel();
}

void TItemListModel::Sort() {
    if (m_List.Items.empty()) {
        return;
    }
    // Rows without a listing folder compare equal; the first row's folder orders them all.
    const devices::TCustomItem* first = m_List.Items.front().Data;
    if (!first || !first->Parent) {
        return;
    }
    emit layoutAboutToBeChanged();
    fat::SortList(m_List, *first->Parent);
    emit layoutChanged();
}

void TItemListModel::RowChanged(int row) {
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

devices::TListItem* TItemListModel::Item(int row) {
    return row >= 0 && row < static_cast<int>(m_List.Items.size())
               ? &m_List.Items[static_cast<size_t>(row)]
               : nullptr;
}

int TItemListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_List.Items.size());
}

int TItemListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_List.Columns.size());
}

QVariant TItemListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(m_List.Items.size())) {
        return {};
    }
    const devices::TListItem& item = m_List.Items[static_cast<size_t>(index.row())];
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return QString::fromStdString(column == 0 ? item.Caption
                                                  : item.SubItems[static_cast<size_t>(column - 1)]);
    case Qt::DecorationRole:
        return column == 0 ? QVariant(FolderImage(item.ImageIndex)) : QVariant();
    case Qt::TextAlignmentRole:
        return column == 1 || column == 3 ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                          : QVariant();
    default:
        return {};
    }
}

bool TItemListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    devices::TListItem* item = Item(index.row());
    if (role != Qt::EditRole || index.column() != 0 || !item || !item->Data) {
        return false;
    }
    std::string name = value.toString().toStdString();
    if (OnRename && !OnRename(*item, name)) {
        return false;
    }
    item->Data->Rename(name);
    item->Data->UpdateListItem(*item);
    RowChanged(index.row());
    return true;
}

QVariant TItemListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= static_cast<int>(m_List.Columns.size())) {
        return {};
    }
    return QString::fromStdString(m_List.Columns[static_cast<size_t>(section)].Caption);
}

Qt::ItemFlags TItemListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == 0) {
        flags |= Qt::ItemIsEditable;
    }
    return flags;
}

} // namespace tw::ui
