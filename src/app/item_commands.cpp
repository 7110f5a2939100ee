#include "app/item_commands.h"

#include "app/item_properties_dialog.h"
#include "devices/custom_drive.h"
#include "fat/fat_directory.h"
#include "platform/prompter.h"

namespace tw::app {

bool RenameItem(devices::TListView& list, devices::TListItem& item, std::string& newName) {
    devices::TCustomItem* data = item.Data;
    const auto finish = [&](bool renamed) {
        item.Caption = newName;
        return renamed;
    };
    if (!data || !data->Parent) {
        return finish(false);
    }
    const std::string oldName = devices::ReplaceDeletedChar(*data);
    const devices::TCustomDirectory& parent = *data->Parent;
    if (parent.Children) {
        for (const auto& child : *parent.Children) {
            if (devices::ReplaceDeletedChar(*child) == newName) {
                platform::Prompter().Ask(platform::TPrompt{
                    "Information",
                    oldName + " cannot be renamed: an item with this name already exists. Please "
                              "choose another name.",
                    platform::TPromptIcon::piInformation, platform::TPromptButtons::pbOK});
                newName = oldName;
                return finish(false);
            }
        }
    }
    data->Rename(newName);
    for (devices::TListItem& row : list.Items) {
        if (row.Data == data) {
            data->UpdateListItem(row);
        }
    }
    return finish(true);
}

bool EditProperties(QWidget* parent, devices::TListItem& item) {
    auto* file = dynamic_cast<fat::TFATFile*>(item.Data);
    auto* folder = dynamic_cast<fat::TFATDirectory*>(item.Data);
    if (!file && !folder) {
        return false;
    }
    TItemPropertiesDialog dialog(parent);
    dialog.ItemName = devices::ReplaceDeletedChar(*item.Data);
    dialog.ItemCluster = file ? file->FirstCluster : folder->FirstCluster;
    dialog.ItemSize = file ? file->Size : 0;
    if (!dialog.Execute()) {
        return false;
    }
    // Stored as shown: a deleted entry's marker, shown as the deleted-character text, is
    // replaced by that text for good.
    item.Data->Rename(dialog.ItemName);
    if (file) {
        file->FirstCluster = dialog.ItemCluster;
        file->Size = dialog.ItemSize;
    } else {
        folder->FirstCluster = dialog.ItemCluster;
    }
    item.Data->UpdateListItem(item);
    return true;
}

} // namespace tw::app
