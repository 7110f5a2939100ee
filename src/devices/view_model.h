#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tw::devices {

class TCustomItem;

/// Image indexes shared by the folder tree and the item list.
namespace ImageIndex {
constexpr int Folder = 0;
constexpr int FolderExpanded = 1;
constexpr int DeletedCategory = 2;
constexpr int LostCategory = 3;
constexpr int SearchedCategory = 4;
constexpr int File = 5;
constexpr int DeletedFolder = 6;
constexpr int DeletedFolderExpanded = 7;
constexpr int DeletedFile = 8;
} // namespace ImageIndex

/// One node of the folder tree. The core decides what the tree holds; front ends show it.
struct TTreeNode {
    std::string Text;
    int ImageIndex = 0;
    int SelectedIndex = 0;
    /// The folder the node shows; not owned.
    TCustomItem* Data = nullptr;
    /// The node shows an expand mark before its children are known.
    bool HasChildren = false;
    bool Expanded = false;
    TTreeNode* Parent = nullptr;
    std::vector<std::unique_ptr<TTreeNode>> Children;

    TTreeNode& AddChild(std::string text, int image, TCustomItem* data);
    /// Sorts the children by their text (byte order, as the tree's own order).
    void SortChildren();
};

/// The folder tree: its top-level nodes.
struct TTreeView {
    TTreeNode Root; ///< invisible; its children are the top-level nodes
    TTreeNode* RootNode = nullptr;
    TTreeNode* DeletedNode = nullptr;
    TTreeNode* LostNode = nullptr;
    TTreeNode* SearchedNode = nullptr;
    void Clear();
};

/// One row of the item list: caption and the cells of columns 1 to 5.
struct TListItem {
    std::string Caption;
    int ImageIndex = 0;
    std::array<std::string, 5> SubItems;
    /// The folder or file the row shows; not owned.
    TCustomItem* Data = nullptr;
    bool Selected = false;
};

struct TListColumn {
    std::string Caption;
    int Width = 0;
};

/// The item list: columns and rows.
struct TListView {
    std::vector<TListColumn> Columns;
    std::vector<TListItem> Items;
    /// Sort column and direction used by Sort.
    int SortColumn = 0;
    bool SortDescending = false;
    void Clear() { Items.clear(); }
    [[nodiscard]] std::vector<TListItem*> SelectedItems();
};

} // namespace tw::devices
