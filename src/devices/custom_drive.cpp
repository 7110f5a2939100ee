#include "devices/custom_drive.h"

#include "diskio/options.h"

namespace tw::devices {

std::string ReplaceDeletedChar(const std::string& name, bool firstCharLost) {
    if (!firstCharLost) {
        return name;
    }
    const diskio::TOptions& options = diskio::Options();
    return (options.CharMultibyte ? options.DeletedCharMultibyte : options.DeletedCharAnsi) + name;
}

std::string ReplaceDeletedChar(const TCustomItem& item) {
    return ReplaceDeletedChar(item.Name, item.FirstCharLost);
}

bool TCustomItem::Rename(const std::string& newName) {
    Name = newName;
    FirstCharLost = false;
    return true;
}

TCustomDirectory::~TCustomDirectory() {
    UnloadChildren();
}

void TCustomItem::CopyItemFields(TCustomItem& destination) const {
    destination.Name = Name;
    destination.FirstCharLost = FirstCharLost;
    destination.Drive = Drive;
    destination.Status = Status;
    destination.Condition = Condition;
    destination.Parent = Parent;
}

void TCustomDirectory::CopyTo(TCustomDirectory& destination) const {
    CopyItemFields(destination);
    destination.TreeFilled = TreeFilled;
    destination.Children.reset();
}

void TCustomDirectory::ClearChildren() {
    if (Children) {
        Children->clear();
    }
}

void TCustomDirectory::UnloadChildren() {
    ClearChildren();
    Children.reset();
}

std::string TCustomDirectory::GetPath(const TCustomDirectory* relativeTo) const {
    if (this == relativeTo) {
        return {};
    }
    std::string path = ReplaceDeletedChar(*this);
    // Category folders have no parent; the walk is bounded by the depth of loaded folders,
    // which the folder readers cap.
    for (const TCustomDirectory* folder = Parent; folder && folder != relativeTo;
         folder = folder->Parent) {
        path = ReplaceDeletedChar(*folder) + "\\" + path;
    }
    return path;
}

bool TCustomDirectory::HasSubdirectories() const {
    if (!Children) {
        return false;
    }
    for (const auto& child : *Children) {
        if (child->IsDirectory()) {
            return true;
        }
    }
    return false;
}

void TCustomFile::CopyTo(TCustomFile& destination) const {
    CopyItemFields(destination);
}

std::string TCustomFile::GetPath(const TCustomDirectory* relativeTo) const {
    if (!Parent || Parent == relativeTo) {
        return {};
    }
    return Parent->GetPath(relativeTo);
}

} // namespace tw::devices
