#include "devices/view_model.h"

#include <algorithm>

namespace tw::devices {

TTreeNode& TTreeNode::AddChild(std::string text, int image, TCustomItem* data) {
    auto node = std::make_unique<TTreeNode>();
    node->Text = std::move(text);
    node->ImageIndex = image;
    node->SelectedIndex = image;
    node->Data = data;
    node->Parent = this;
    Children.push_back(std::move(node));
    return *Children.back();
}

void TTreeNode::SortChildren() {
    std::stable_sort(Children.begin(), Children.end(),
                     [](const auto& a, const auto& b) { return a->Text < b->Text; });
}

void TTreeView::Clear() {
    Root.Children.clear();
    RootNode = DeletedNode = LostNode = SearchedNode = nullptr;
}

std::vector<TListItem*> TListView::SelectedItems() {
    std::vector<TListItem*> selected;
    for (TListItem& item : Items) {
        if (item.Selected) {
            selected.push_back(&item);
        }
    }
    return selected;
}

} // namespace tw::devices
