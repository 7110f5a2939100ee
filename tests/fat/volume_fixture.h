#pragma once

#include "devices/device.h"
#include "devices/device_list.h"
#include "devices/drive_list.h"
#include "fat/fat_directory.h"
#include "fat/fat_drive.h"
#include "fat/fat_stream.h"
#include "support/fake_source.h"
#include "support/image_tools.h"

#include <memory>
#include <string>
#include <vector>

namespace tw::test {

/// A volume opened straight from image bytes: BIOS disk 128 over a fake source (with its
/// transfer log), the volume starting at sector 0.
struct TBuiltVolume {
    TDeviceTableScope Scope;
    std::shared_ptr<TFakeSource> Source;
    devices::TDevice Device;
    fat::TFATdrive Drive;
    bool Opened = false;

    explicit TBuiltVolume(std::vector<std::byte> bytes, bool quiet = true) {
        const uint64_t sectors = bytes.size() / 512;
        Source = std::make_shared<TFakeSource>(std::move(bytes));
        Scope.AttachSource(Source, platform::TAttachAs::aaDisk);
        Device.DriveNumber = 128;
        Device.BytesPerSector = 512;
        Device.TotalSectors = static_cast<uint32_t>(sectors);
        Drive.Device = &Device;
        Drive.VolumeSectors = Device.TotalSectors;
        Opened = Drive.Open(quiet);
    }
    fat::TFATDirectory& Root() { return Drive.Root(); }
    fat::TFATDirectory& Deleted() { return static_cast<fat::TFATDirectory&>(*Drive.DeletedDir); }
};

/// The volumes of one image file, found the way the program finds them: device detection,
/// then the drive list of the first device.
struct TImageVolumes {
    TDeviceTableScope Scope;
    devices::TDeviceList Devices;
    devices::TDriveList Drives{[] { return std::make_unique<fat::TFATdrive>(); }};

    explicit TImageVolumes(const std::string& path,
                           platform::TAttachAs as = platform::TAttachAs::aaAuto) {
        Scope.AttachFile(path, as);
        Devices.Detect(nullptr);
        if (Devices.Count() > 0) {
            Drives.DetectDrives(*Devices.Items(0));
        }
    }
    fat::TFATdrive& Drive(int index) { return static_cast<fat::TFATdrive&>(*Drives.Items(index)); }
};

/// One item met by a walk: its path of display names below the category ("\" between
/// folders), and what the list would show of it.
struct TSeenItem {
    std::string Path;
    bool Folder = false;
    bool Deleted = false;
    uint8_t Condition = devices::ConditionNotJudged;
    uint32_t Size = 0;
    uint32_t FirstCluster = 0;
    std::vector<std::byte> Bytes; ///< files: the content read with the walk's FAT choice
};

/// The whole file through the viewers' stream.
inline std::vector<std::byte> ReadThroughStream(fat::TFATdrive& drive, uint32_t firstCluster,
                                                uint32_t size, uint8_t fatChoice) {
    fat::TFATStream stream(drive, firstCluster, size, fatChoice);
    std::vector<std::byte> bytes(size);
    stream.Seek(0, 0);
    bytes.resize(size == 0 ? 0 : stream.Read(bytes.data(), size));
    return bytes;
}

/// Every item below a category, recursively, in the order of the folders' entries; files
/// are read whole.
inline std::vector<TSeenItem> Walk(fat::TFATDirectory& category, bool deletedMode,
                                   uint8_t fatChoice) {
    std::vector<TSeenItem> seen;
    fat::TFATdrive& drive = category.FatDrive();
    category.ForEach(
        [&](devices::TCustomItem& item) {
            TSeenItem s;
            s.Folder = item.IsDirectory();
            s.Deleted = item.IsDeleted();
            s.Condition = item.Condition;
            const std::string folderPath = item.GetPath(&category);
            if (s.Folder) {
                s.Path = folderPath;
                s.FirstCluster = static_cast<fat::TFATDirectory&>(item).FirstCluster;
            } else {
                const std::string name = devices::ReplaceDeletedChar(item);
                s.Path = folderPath.empty() ? name : folderPath + "\\" + name;
                auto& file = static_cast<fat::TFATFile&>(item);
                s.Size = file.Size;
                s.FirstCluster = file.FirstCluster;
                s.Bytes = ReadThroughStream(drive, file.FirstCluster, file.Size, fatChoice);
            }
            seen.push_back(std::move(s));
            return true;
        },
        deletedMode, deletedMode, true);
    return seen;
}

inline const TSeenItem* Find(const std::vector<TSeenItem>& items, const std::string& path) {
    for (const TSeenItem& item : items) {
        if (item.Path == path) {
            return &item;
        }
    }
    return nullptr;
}

} // namespace tw::test
