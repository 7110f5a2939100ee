#include "fat/name_search.h"

#include "diskio/shared_helpers.h"
#include "fat/fat_directory.h"
#include "fat/fat_drive.h"

#include <memory>

namespace tw::fat {

std::string BuildFindPattern(const std::string& typed) {
    std::string pattern = typed.empty() ? "*" : typed;
    if (pattern.find('.') == std::string::npos) {
        pattern = "*" + pattern + "*";
    }
    return pattern;
}

bool FindByName(TFATdrive& drive, TFindDialog& dialog) {
    if (!dialog.Execute()) {
        return false;
    }
    devices::TCustomDirectory& searched = *drive.SearchedDir;
    searched.ClearChildren();
    if (!searched.Children) {
        searched.Children = std::make_unique<devices::TItemList>();
    }
    searched.TreeFilled = false;

    auto matches = [&](const devices::TCustomItem& item) {
        return diskio::MatchWildcard(devices::ReplaceDeletedChar(item), dialog.Pattern, U'?', false,
                                     U'*');
    };
    auto test = [&](devices::TCustomItem& item, bool deletedWalk) {
        if (!item.IsDirectory()) {
            const auto& file = static_cast<const TFATFile&>(item);
            dialog.SetScanning(diskio::ShortenPath(file.GetPath(nullptr), 30));
            if (matches(file)) {
                dialog.AddHit(devices::ReplaceDeletedChar(file));
                auto copy = std::make_unique<TFATFile>();
                file.CopyTo(*copy);
                copy->Parent = &searched;
                searched.Children->push_back(std::move(copy));
                dialog.PumpMessages();
            }
        } else {
            const auto& folder = static_cast<const TFATDirectory&>(item);
            dialog.SetScanning(diskio::ShortenPath(folder.GetPath(nullptr), 30));
            if ((!deletedWalk || folder.IsDeleted()) && matches(folder)) {
                dialog.AddHit(devices::ReplaceDeletedChar(folder));
                auto copy = std::make_unique<TFATDirectory>();
                folder.CopyTo(*copy);
                copy->Parent = &searched;
                copy->TreeFilled = false;
                searched.Children->push_back(std::move(copy));
            }
            dialog.PumpMessages();
        }
        return !dialog.Stopped;
    };
    auto& deleted = static_cast<TFATDirectory&>(*drive.DeletedDir);
    auto& lost = static_cast<TFATDirectory&>(*drive.LostDir);
    auto& root = static_cast<TFATDirectory&>(*drive.RootDir);
    if (deleted.ForEach([&](devices::TCustomItem& item) { return test(item, true); }, true, true,
                        true) &&
        lost.ForEach([&](devices::TCustomItem& item) { return test(item, false); }, false, false,
                     true)) {
        (void)root.ForEach([&](devices::TCustomItem& item) { return test(item, false); }, false,
                           false, true);
    }
    dialog.Hide();
    return true;
}

} // namespace tw::fat
