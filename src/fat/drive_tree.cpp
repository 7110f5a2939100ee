// What a FAT volume puts into the folder tree and the item list: the category nodes, the
// columns, the child nodes of a folder, its list items, and their order.
#include "diskio/shared_helpers.h"
#include "fat/fat_directory.h"
#include "fat/fat_drive.h"
#include "fat/list_order.h"

#include <algorithm>

namespace tw::fat {

using devices::ImageIndex::DeletedCategory;
using devices::ImageIndex::DeletedFile;
using devices::ImageIndex::DeletedFolder;
using devices::ImageIndex::File;
using devices::ImageIndex::Folder;
using devices::ImageIndex::LostCategory;
using devices::ImageIndex::SearchedCategory;

void TFATdrive::FillTree(devices::TTreeView& tree) {
    auto add = [&](devices::TCustomDirectory& folder, int image, bool hasChildren) {
        devices::TTreeNode& node = tree.Root.AddChild(folder.Name, image, &folder);
        node.HasChildren = hasChildren;
        return &node;
    };
    tree.RootNode = add(*RootDir, Folder, Root().HasSubdirEntries(false));
    tree.DeletedNode = add(*DeletedDir, DeletedCategory, Root().HasSubdirEntries(true));
    tree.LostNode = add(*LostDir, LostCategory, LostDir->HasSubdirectories());
    tree.SearchedNode = add(*SearchedDir, SearchedCategory, SearchedDir->HasSubdirectories());
}

void TFATdrive::SetupColumns(devices::TListView& list) {
    list.Columns = {{"Name", 150},   {"Size", 60},      {"Date modified", 100},
                    {"Cluster", 60}, {"Condition", 60}, {"Type", 100}};
}

void TFATDirectory::ExpandNode(devices::TTreeView& /*tree*/, devices::TTreeNode& node,
                               bool deletedMode) {
    if (!node.Data || TreeFilled) {
        return;
    }
    if (!Children) {
        LoadChildren(deletedMode, true);
    }
    if (Children) {
        for (const auto& child : *Children) {
            if (!child->IsDirectory()) {
                continue;
            }
            auto& folder = static_cast<TFATDirectory&>(*child);
            const bool deleted = folder.IsDeleted();
            devices::TTreeNode& added =
                node.AddChild(deleted ? devices::ReplaceDeletedChar(folder) : folder.Name,
                              deleted ? DeletedFolder : Folder, &folder);
            added.HasChildren = folder.HasSubdirEntries(deletedMode);
        }
    }
    node.SortChildren();
    TreeFilled = true;
}

namespace {

std::string ConditionText(const devices::TCustomItem& item) {
    if (!item.IsDeleted()) {
        return {};
    }
    return item.Condition == devices::ConditionPoor ? "poor" : "good";
}

std::string TypeText(const devices::TCustomItem& item) {
    std::string type;
    (void)diskio::GetShellTypeName(
        item.Name,
        item.IsDirectory() ? diskio::FileAttributeDirectory : diskio::FileAttributeNormal, type);
    return type;
}

} // namespace

devices::TListItem MakeListItem(devices::TCustomItem& item) {
    devices::TListItem row;
    row.Data = &item;
    row.Caption = devices::ReplaceDeletedChar(item);
    if (item.IsDirectory()) {
        auto& folder = static_cast<TFATDirectory&>(item);
        row.ImageIndex = item.IsDeleted() ? DeletedFolder : Folder;
        row.SubItems = {"", diskio::FATDateTimeToText(folder.Time, folder.Date),
                        diskio::UIntToText(folder.FirstCluster), ConditionText(item),
                        TypeText(item)};
    } else {
        auto& file = static_cast<TFATFile&>(item);
        row.ImageIndex = item.IsDeleted() ? DeletedFile : File;
        row.SubItems = {diskio::UIntToText(file.Size),
                        diskio::FATDateTimeToText(file.Time, file.Date),
                        diskio::UIntToText(file.FirstCluster), ConditionText(item), TypeText(item)};
    }
    return row;
}

void TFATDirectory::FillList(devices::TListView& list, bool deletedMode) {
    list.Clear();
    if (!Children) {
        LoadChildren(deletedMode, true);
    }
    if (!Children) {
        return;
    }
    list.Items.reserve(Children->size());
    for (const auto& child : *Children) {
        list.Items.push_back(MakeListItem(*child));
    }
    SortList(list, *this);
}

void TFATDirectory::UpdateListItem(devices::TListItem& item) {
    item.Caption = devices::ReplaceDeletedChar(*this);
    item.SubItems[0].clear();
    item.SubItems[2] = diskio::UIntToText(FirstCluster);
}

void TFATFile::UpdateListItem(devices::TListItem& item) {
    item.Caption = devices::ReplaceDeletedChar(*this);
    item.SubItems[0] = diskio::UIntToText(Size);
    item.SubItems[2] = diskio::UIntToText(FirstCluster);
}

int TFATDirectory::CompareItems(const devices::TListItem& item1, const devices::TListItem& item2,
                                int column) const {
    return CompareListItems(item1, item2, column);
}

} // namespace tw::fat
