#pragma once

#include "devices/view_model.h"

#include <QAbstractTableModel>

#include <functional>

namespace tw::devices {
class TCustomDirectory;
}

namespace tw::ui {

/// The item list as a Qt model over the core's rows; cells are formatted by the core when
/// the folder fills the list, and handed out as they are.
class TItemListModel final : public QAbstractTableModel {
public:
    TItemListModel(devices::TListView& list, QObject* parent = nullptr);

    /// The folder's FillList, as one model reset.
    void Fill(devices::TCustomDirectory& folder, bool deletedMode);
    void Clear();
    /// Call around changes of the columns or rows that the model did not make itself.
    void BeginReset() { beginResetModel(); }
    void EndReset() { endResetModel(); }
    /// Re-sorts the rows by the list's SortColumn and SortDescending.
    void Sort();
    /// Tells the views that the row shows new texts.
    void RowChanged(int row);
    [[nodiscard]] devices::TListItem* Item(int row);

    /// Checks a name typed in place; may change it. False refuses the rename.
    std::function<bool(devices::TListItem& item, std::string& name)> OnRename;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    devices::TListView& m_List;
};

} // namespace tw::ui
