#include "fat/session.h"

#include "devices/device.h"
#include "diskio/logical_disk_io.h"
#include "diskio/options.h"
#include "diskio/physical_disk_io.h"
#include "diskio/status_dialog.h"
#include "fat/fat_directory.h"
#include "fat/fat_drive.h"
#include "platform/device_table.h"

#include <memory>

namespace tw::fat {

TRecoverySession::TRecoverySession() : DriveList([] { return std::make_unique<TFATdrive>(); }) {}

bool TRecoverySession::DetectAll(diskio::TStatusDialog& dialog) {
    DriveList.Clear();
    DeviceList.Clear();
    dialog.Prepare("Scanning devices", "", "Please wait...", "", "", false, false);
    dialog.Show();
    dialog.PumpMessages();
    DeviceList.Detect(&dialog);
    if (!dialog.Cancelled) {
        dialog.Prepare("Scanning drives", "", "Please wait...", "", "", false, false);
        for (int i = 0; i < DeviceList.Count(); ++i) {
            devices::TDevice& device = *DeviceList.Items(i);
            dialog.SetTexts("Scanning drives", "On device: " + device.Name, "Please wait...", "",
                            "");
            dialog.PumpMessages();
            if (dialog.Cancelled) {
                break;
            }
            DriveList.DetectDrives(device);
        }
    }
    dialog.Hide();
    return !dialog.Cancelled;
}

bool TRecoverySession::AttachImage(const std::string& path, std::string& error) {
    if (!platform::DeviceTable().AttachPath(path, platform::TAttachAs::aaAuto, error)) {
        return false;
    }
    // A fresh detection sees every entry of the table; only those that are not devices yet
    // move over, so the devices listed keep their objects and their drives.
    devices::TDeviceList detected;
    detected.Detect(nullptr);
    const auto known = [this](const devices::TDevice& device) {
        for (int i = 0; i < DeviceList.Count(); ++i) {
            const devices::TDevice& listed = *DeviceList.Items(i);
            if (listed.AccessKind == device.AccessKind &&
                listed.DriveNumber == device.DriveNumber) {
                return true;
            }
        }
        return false;
    };
    const int first = DeviceList.Count();
    for (int i = 0; i < detected.Count(); ++i) {
        const devices::TDevice& found = *detected.Items(i);
        if (known(found)) {
            continue;
        }
        // The temporary list owns what it detected; the session's device is a copy of its
        // description (the cache is per device object and starts empty).
        auto device = std::make_unique<devices::TDevice>();
        device->AccessKind = found.AccessKind;
        device->DriveType = found.DriveType;
        device->MediaFlags = found.MediaFlags;
        device->TotalSectors = found.TotalSectors;
        device->BytesPerSector = found.BytesPerSector;
        device->Partitioned = found.Partitioned;
        device->DriveNumber = found.DriveNumber;
        device->ReadAheadSectors = found.ReadAheadSectors;
        DeviceList.Add(std::move(device));
    }
    if (DeviceList.Count() == first) {
        error = path + ": attached, but no readable device came of it";
        return false;
    }
    for (int i = first; i < DeviceList.Count(); ++i) {
        DeviceList.Items(i)->Name = DeviceList.DeviceName(i, true);
    }
    for (int i = first; i < DeviceList.Count(); ++i) {
        DriveList.DetectDrives(*DeviceList.Items(i));
    }
    return true;
}

std::string TRecoverySession::DriveText(int index) const {
    const devices::TCustomDrive& drive = *DriveList.Items(index);
    const int device = DeviceList.IndexOf(drive.Device);
    return (drive.Name.empty() ? std::string("NONAME") : drive.Name) + "   on " +
           (device >= 0 ? DeviceList.DeviceName(device, false) : std::string());
}

void ApplyAccessOptions() {
    const diskio::TOptions& options = diskio::Options();
    diskio::SetINT13Enabled(options.UseINT13);
    diskio::SetINT13ExtEnabled(options.UseINT13EXT);
    diskio::SetINT25Enabled(options.UseINT25);
    devices::SetReadAheadEnabled(options.EnableCache);
}

std::string FatTypeText(uint8_t fatType) {
    switch (fatType) {
    case Fat12:
        return "FAT12";
    case Fat16:
        return "FAT16";
    case Fat32:
        return "FAT32";
    default:
        return "none";
    }
}

devices::TCustomItem* FindItemByPath(TFATdrive& drive, const std::string& path, bool& deletedMode) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t slash = path.find('\\', start);
        parts.push_back(path.substr(start, slash - start));
        if (slash == std::string::npos) {
            break;
        }
        start = slash + 1;
    }
    if (!parts.empty() && parts.back().empty()) {
        parts.pop_back(); // a trailing backslash
    }
    if (parts.empty() || !drive.RootDir) {
        return nullptr;
    }
    devices::TCustomDirectory* folder = nullptr;
    deletedMode = false;
    if (parts[0] == "Root") {
        folder = drive.RootDir.get();
    } else if (parts[0] == "Deleted") {
        folder = drive.DeletedDir.get();
        deletedMode = true;
    } else if (parts[0] == "Lost") {
        folder = drive.LostDir.get();
    } else if (parts[0] == "Searched") {
        folder = drive.SearchedDir.get();
    } else {
        return nullptr;
    }
    devices::TCustomItem* item = folder;
    for (size_t i = 1; i < parts.size(); ++i) {
        if (!item->IsDirectory()) {
            return nullptr;
        }
        auto& current = static_cast<TFATDirectory&>(*item);
        if (!current.Children) {
            current.LoadChildren(deletedMode, true);
        }
        devices::TCustomItem* next = nullptr;
        if (current.Children) {
            for (const auto& child : *current.Children) {
                if (devices::ReplaceDeletedChar(*child) == parts[i]) {
                    next = child.get();
                    break;
                }
            }
        }
        if (!next) {
            return nullptr;
        }
        item = next;
    }
    return item;
}

} // namespace tw::fat
