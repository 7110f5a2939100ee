#pragma once

#include "devices/custom_drive.h"

#include <cstdint>
#include <functional>

namespace tw::fat {

class TFATdrive;

/// Called for each item of a walk; false stops it.
using TForEachCallback = std::function<bool(devices::TCustomItem& item)>;

/// A folder of a FAT volume, or one of its category folders.
class TFATDirectory final : public devices::TCustomDirectory {
public:
    /// First cluster of the folder's entries; 0 = addressed by sector.
    uint32_t FirstCluster = 0;
    /// Volume-relative first sector, used when FirstCluster is 0.
    uint32_t FirstSector = 0;
    uint16_t Time = 0;
    uint16_t Date = 0;

    [[nodiscard]] TFATdrive& FatDrive() const;
    void CopyTo(devices::TCustomDirectory& destination) const override;

    /// Fills Children from the disk. With deletedMode, deleted subfolders that still start
    /// with "." and ".." are listed too; with onlyDeleted as well, only deleted files.
    /// Subfolders that name a folder on the ancestor path, and folders deeper than 256
    /// levels, are left out.
    void LoadChildren(bool deletedMode, bool onlyDeleted);
    /// The folder's entries on disk hold a subfolder.
    [[nodiscard]] bool HasSubdirEntries(bool deletedMode);
    /// Calls callback for each child (and below, when recursive), loading and unloading the
    /// children it had to load. False when a callback stopped the walk.
    bool ForEach(const TForEachCallback& callback, bool deletedMode, bool onlyDeleted,
                 bool recursive);

    void ExpandNode(devices::TTreeView& tree, devices::TTreeNode& node, bool deletedMode) override;
    void FillList(devices::TListView& list, bool deletedMode) override;
    [[nodiscard]] int CompareItems(const devices::TListItem& item1, const devices::TListItem& item2,
                                   int column) const override;
    void UpdateListItem(devices::TListItem& item) override;

    /// Depth below the category folder (a category is 0).
    [[nodiscard]] int Depth() const;
    /// A folder with this first cluster and sector is this one or one of its ancestors.
    [[nodiscard]] bool IsOnAncestorPath(uint32_t cluster, uint32_t sector) const;
};

/// A file of a FAT volume.
class TFATFile final : public devices::TCustomFile {
public:
    uint8_t Attributes = 0;
    uint32_t FirstCluster = 0;
    uint16_t Time = 0;
    uint16_t Date = 0;

    [[nodiscard]] TFATdrive& FatDrive() const;
    void CopyTo(devices::TCustomFile& destination) const override;
    void UpdateListItem(devices::TListItem& item) override;
};

/// Folders deeper than this are not listed (a chain of folders that names itself).
constexpr int MaxFolderDepth = 256;

} // namespace tw::fat
