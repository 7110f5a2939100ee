#pragma once

#include "devices/view_model.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tw::diskio {
class TStatusDialog;
}

namespace tw::devices {

class TDevice;
class TCustomDrive;
class TCustomDirectory;

/// Status bits of folders and files.
constexpr uint8_t StatusLive = 0;
constexpr uint8_t StatusDeleted = 1; ///< bit 0
constexpr uint8_t StatusLost = 2;
/// Condition of a deleted item.
constexpr uint8_t ConditionNotJudged = 0;
constexpr uint8_t ConditionGood = 1;
constexpr uint8_t ConditionPoor = 2;

/// What a folder and a file share: the name as the volume gives it, the owning drive, the
/// folder that lists it, and its status.
class TCustomItem {
public:
    virtual ~TCustomItem() = default;
    TCustomItem(const TCustomItem&) = delete;
    TCustomItem& operator=(const TCustomItem&) = delete;

    /// UTF-8 text of the entry's name. For a deleted short name the lost first character is
    /// not part of it: FirstCharLost tells, and the display name puts the options' deleted
    /// character text in its place.
    std::string Name;
    bool FirstCharLost = false;
    TCustomDrive* Drive = nullptr;
    uint8_t Status = StatusLive;
    uint8_t Condition = ConditionNotJudged;
    TCustomDirectory* Parent = nullptr;

    [[nodiscard]] virtual bool IsDirectory() const = 0;
    [[nodiscard]] bool IsDeleted() const { return (Status & StatusDeleted) != 0; }
    /// Sets Name to the user's text; the first character is no longer lost.
    virtual bool Rename(const std::string& newName);
    /// Caption, size cell and cluster cell of a list item that shows this item.
    virtual void UpdateListItem(TListItem& item) = 0;
    /// The display names of the folder chain, outermost first, joined by "\".
    [[nodiscard]] virtual std::string GetPath(const TCustomDirectory* relativeTo) const = 0;

protected:
    TCustomItem() = default;
    /// Copies what every item has: name, flag, drive, status, condition and parent.
    void CopyItemFields(TCustomItem& destination) const;
};

using TItemList = std::vector<std::unique_ptr<TCustomItem>>;

/// A folder, or one of the four category folders of a volume. Owns its loaded children.
class TCustomDirectory : public TCustomItem {
public:
    ~TCustomDirectory() override;
    [[nodiscard]] bool IsDirectory() const override { return true; }

    bool TreeFilled = false;
    /// The loaded children in the order found; null = not loaded yet.
    std::unique_ptr<TItemList> Children;

    /// Copies the fields into destination; its Children stay null (a shared list would be
    /// freed twice).
    virtual void CopyTo(TCustomDirectory& destination) const;
    /// Frees every child; the list itself stays.
    virtual void ClearChildren();
    /// Frees the children and the list: Children becomes null (not loaded).
    void UnloadChildren();
    [[nodiscard]] std::string GetPath(const TCustomDirectory* relativeTo) const override;
    /// Adds this folder's child folders as nodes under node.
    virtual void ExpandNode(TTreeView& tree, TTreeNode& node, bool deletedMode) = 0;
    /// Replaces the list's items by this folder's children.
    virtual void FillList(TListView& list, bool deletedMode) = 0;
    /// Sort order of two list items showing children of this folder.
    [[nodiscard]] virtual int CompareItems(const TListItem& item1, const TListItem& item2,
                                           int column) const = 0;
    /// True when Children is loaded and holds a folder; never reads the disk.
    [[nodiscard]] virtual bool HasSubdirectories() const;
};

/// A file of a volume.
class TCustomFile : public TCustomItem {
public:
    [[nodiscard]] bool IsDirectory() const override { return false; }
    uint32_t Size = 0;
    /// Copies Name, Drive, Status, Condition and Parent.
    virtual void CopyTo(TCustomFile& destination) const;
    /// The path of the file's folder (the file's own name is not part of it).
    [[nodiscard]] std::string GetPath(const TCustomDirectory* relativeTo) const override;
};

/// One volume on a device. Owns its four category folders.
class TCustomDrive {
public:
    virtual ~TCustomDrive() = default;
    TCustomDrive(const TCustomDrive&) = delete;
    TCustomDrive& operator=(const TCustomDrive&) = delete;

    TDevice* Device = nullptr;
    std::string Name;
    /// Bit 0 found by the lost-drive search; bit 1 rebuilt without a boot sector; bit 2 the
    /// first FAT looked empty.
    uint8_t Flags = 0;
    uint32_t BootSector = 0;
    uint32_t VolumeStart = 0;
    uint32_t VolumeSectors = 0;
    std::unique_ptr<TCustomDirectory> RootDir;
    std::unique_ptr<TCustomDirectory> DeletedDir;
    std::unique_ptr<TCustomDirectory> LostDir;
    std::unique_ptr<TCustomDirectory> SearchedDir;

    /// Reads count sectors relative to VolumeStart.
    [[nodiscard]] virtual bool ReadSectors(uint32_t sector, uint16_t count, bool showErrors,
                                           void* buffer) = 0;
    /// Reads and checks the boot sector and creates the category folders. With quiet set,
    /// no message box is shown.
    virtual bool Open(bool quiet) = 0;
    /// Adds the four category nodes to an empty tree.
    virtual void FillTree(TTreeView& tree) = 0;
    /// The item list's columns.
    virtual void SetupColumns(TListView& list) = 0;

protected:
    TCustomDrive() = default;
};

/// The display name: the options' deleted-character text in place of a lost first
/// character, then the name. Tree, list, paths, messages and saved names all use it.
[[nodiscard]] std::string ReplaceDeletedChar(const std::string& name, bool firstCharLost);
[[nodiscard]] std::string ReplaceDeletedChar(const TCustomItem& item);

} // namespace tw::devices
