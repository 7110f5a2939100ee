#include "fat/fat_directory.h"

#include "diskio/log.h"
#include "fat/fat_drive.h"

namespace tw::fat {

using devices::TCustomItem;

namespace {

/// Deleted items are "good" when their first cluster is still free in the first FAT, and
/// "poor" when it is in use again or cannot be a cluster of this volume at all.
uint8_t JudgeCondition(TFATdrive& drive, uint32_t firstCluster) {
    if (drive.IsValidCluster(firstCluster) &&
        TFATdrive::ClassifyFATValue(drive.FATType, drive.GetFAT(firstCluster, 0)) == FatFree) {
        return devices::ConditionGood;
    }
    return devices::ConditionPoor;
}

} // namespace

TFATdrive& TFATDirectory::FatDrive() const {
    return static_cast<TFATdrive&>(*Drive);
}
TFATdrive& TFATFile::FatDrive() const {
    return static_cast<TFATdrive&>(*Drive);
}

void TFATDirectory::CopyTo(devices::TCustomDirectory& destination) const {
    TCustomDirectory::CopyTo(destination);
    if (auto* fat = dynamic_cast<TFATDirectory*>(&destination)) {
        fat->Time = Time;
        fat->Date = Date;
        fat->FirstSector = FirstSector;
        fat->FirstCluster = FirstCluster;
    }
}

void TFATFile::CopyTo(devices::TCustomFile& destination) const {
    TCustomFile::CopyTo(destination);
    destination.Size = Size;
    if (auto* fat = dynamic_cast<TFATFile*>(&destination)) {
        fat->Attributes = Attributes;
        fat->FirstCluster = FirstCluster;
        fat->Time = Time;
        fat->Date = Date;
    }
}

int TFATDirectory::Depth() const {
    int depth = 0;
    for (const devices::TCustomDirectory* folder = Parent; folder; folder = folder->Parent) {
        ++depth;
    }
    return depth;
}

bool TFATDirectory::IsOnAncestorPath(uint32_t cluster, uint32_t sector) const {
    for (const devices::TCustomDirectory* folder = this; folder; folder = folder->Parent) {
        const auto* fat = dynamic_cast<const TFATDirectory*>(folder);
        if (fat && fat->FirstCluster == cluster && (cluster != 0 || fat->FirstSector == sector)) {
            return true;
        }
    }
    return false;
}

void TFATDirectory::LoadChildren(bool deletedMode, bool onlyDeleted) {
    TFATdrive& drive = FatDrive();
    Children = std::make_unique<devices::TItemList>();
    const bool tooDeep = Depth() >= MaxFolderDepth;
    if (tooDeep) {
        diskio::Log("folder " + GetPath(nullptr) + " lies " + std::to_string(MaxFolderDepth) +
                        " levels deep; its subfolders are not listed",
                    1);
    }
    TDirPosition position = TDirPosition::Start(FirstCluster, FirstSector);
    TEntryName name;
    TEntryBytes entry{};
    while (drive.NextEntry(position, deletedMode, name, entry)) {
        const uint8_t attributes = AttributesOf(entry);
        const bool deleted = IsDeletedEntry(entry);
        const uint32_t cluster = FirstClusterOf(entry);
        if ((attributes & Attribute::Directory) != 0 &&
            (attributes & Attribute::VolumeLabel) == 0) {
            // The dot entries are told by their stored bytes: a long name may read ".." too.
            const std::string shortName = ShortNameText(entry);
            if (shortName == "." || shortName == ".." || tooDeep) {
                continue;
            }
            // A folder entry that points outside the data area would list the boot sector
            // and the FATs as entries.
            if (!drive.IsValidCluster(cluster)) {
                diskio::Log("folder entry " + name.Text + " in " + GetPath(nullptr) +
                                " names cluster " + std::to_string(cluster) +
                                ", outside the volume; left out",
                            3);
                continue;
            }
            if (deleted && !drive.StartsWithDotEntries(cluster, 0)) {
                continue;
            }
            // A subfolder that names this folder or one above it would nest for ever.
            if (IsOnAncestorPath(cluster, 0)) {
                diskio::Log("folder entry " + name.Text + " in " + GetPath(nullptr) +
                                " names an enclosing folder (cluster " + std::to_string(cluster) +
                                "); left out",
                            3);
                continue;
            }
            auto folder = std::make_unique<TFATDirectory>();
            folder->Drive = &drive;
            folder->FirstCluster = cluster;
            folder->FirstSector = 0;
            folder->Name = name.Text;
            folder->FirstCharLost = name.FirstCharLost;
            folder->Time = LoadLE16(entry, Entry::WriteTime);
            folder->Date = LoadLE16(entry, Entry::WriteDate);
            folder->Parent = this;
            if (deleted) {
                folder->Status |= devices::StatusDeleted;
                folder->Condition = JudgeCondition(drive, cluster);
            }
            Children->push_back(std::move(folder));
        } else if ((attributes & (Attribute::Directory | Attribute::VolumeLabel)) == 0) {
            if (deletedMode && onlyDeleted && !deleted) {
                continue;
            }
            auto file = std::make_unique<TFATFile>();
            file->Drive = &drive;
            file->FirstCluster = cluster;
            file->Attributes = attributes;
            file->Size = LoadLE32(entry, Entry::FileSize);
            file->Time = LoadLE16(entry, Entry::WriteTime);
            file->Date = LoadLE16(entry, Entry::WriteDate);
            file->Name = name.Text;
            file->FirstCharLost = name.FirstCharLost;
            file->Parent = this;
            if (deleted) {
                file->Status |= devices::StatusDeleted;
                file->Condition = JudgeCondition(drive, cluster);
            }
            Children->push_back(std::move(file));
        }
    }
}

bool TFATDirectory::HasSubdirEntries(bool deletedMode) {
    TFATdrive& drive = FatDrive();
    TDirPosition position = TDirPosition::Start(FirstCluster, FirstSector);
    TEntryName name;
    TEntryBytes entry{};
    while (drive.NextEntry(position, deletedMode, name, entry)) {
        const uint8_t attributes = AttributesOf(entry);
        const std::string shortName = ShortNameText(entry);
        if ((attributes & Attribute::Directory) != 0 &&
            (attributes & Attribute::VolumeLabel) == 0 && shortName != "." && shortName != ".." &&
            drive.IsValidCluster(FirstClusterOf(entry))) {
            return true;
        }
    }
    return false;
}

bool TFATDirectory::ForEach(const TForEachCallback& callback, bool deletedMode, bool onlyDeleted,
                            bool recursive) {
    const bool loadedHere = !Children;
    if (loadedHere) {
        LoadChildren(deletedMode, onlyDeleted);
    }
    bool r = true;
    if (Children) {
        for (const auto& child : *Children) {
            r = callback(*child);
            if (!r) {
                break;
            }
            if (recursive && child->IsDirectory()) {
                r = static_cast<TFATDirectory&>(*child).ForEach(callback, deletedMode, onlyDeleted,
                                                                recursive);
                if (!r) {
                    break;
                }
            }
        }
    }
    if (loadedHere) {
        UnloadChildren();
    }
    return r;
}

} // namespace tw::fat
