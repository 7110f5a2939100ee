#include "devices/device_list.h"

#include "diskio/log.h"
#include "diskio/logical_disk_io.h"
#include "diskio/physical_disk_io.h"
#include "diskio/status_dialog.h"
#include "platform/nt_device_file.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace tw::devices {

std::string DeviceSizeText(uint32_t totalSectors) {
    const double mb = totalSectors / 2048.0;
    char text[64];
    if (mb >= 1000) {
        std::snprintf(text, sizeof text, "   (%.2f GB)", mb / 1024);
    } else {
        std::snprintf(text, sizeof text, "   (%.2f MB)", mb);
    }
    return text;
}

int TDeviceList::IndexOf(const TDevice* device) const {
    for (size_t i = 0; i < m_Items.size(); ++i) {
        if (m_Items[i].get() == device) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string TDeviceList::DeviceName(int index, bool withSize) const {
    const TDevice& device = *Items(index);
    const std::string n = std::to_string(index + 1);
    std::string name;
    if (device.AccessKind == TAccessKind::akWindowsDrive) {
        name = std::string("Windows drive ") + static_cast<char>(64 + device.DriveNumber) + ":";
    } else {
        switch (device.DriveType) {
        case 1:
            name = "floppy disk #" + n;
            break;
        case 2:
            name = "removable disk #" + n;
            break;
        case 3:
            name = "fixed disk #" + n;
            break;
        default:
            name = "unknown disk #" + n;
            break;
        }
    }
    if (withSize) {
        name += DeviceSizeText(device.TotalSectors);
    }
    return name;
}

TDevice& TDeviceList::Add(std::unique_ptr<TDevice> device) {
    m_Items.push_back(std::move(device));
    return *m_Items.back();
}

void TDeviceList::Detect(diskio::TStatusDialog* dialog) {
    diskio::Log("detect devices...", 1);
    for (unsigned d = 0; d <= 255; ++d) {
        if (dialog) {
            dialog->SetTexts("Scanning drives", "Checking BIOS drive " + std::to_string(d),
                             "Please wait...", "", "");
            dialog->PumpMessages();
        }
        diskio::TDiskGeometry geometry;
        // A device without a sector size can deliver nothing.
        if (!diskio::GetPhysicalGeometry(static_cast<uint8_t>(d), geometry) ||
            geometry.BytesPerSector == 0 || geometry.BytesPerSector > 0xFFFF) {
            continue;
        }
        auto device = std::make_unique<TDevice>();
        device->AccessKind = TAccessKind::akBIOS;
        device->DriveNumber = static_cast<uint8_t>(d);
        device->TotalSectors = geometry.TotalSectors;
        device->BytesPerSector = static_cast<uint16_t>(geometry.BytesPerSector);
        device->Partitioned = geometry.MediaKind == 1 ? 0 : 1;
        device->DriveType = geometry.MediaKind <= 3 ? static_cast<uint8_t>(geometry.MediaKind) : 0;
        device->MediaFlags = geometry.Removable & 1;
        device->CalibrateReadAhead();
        Add(std::move(device));
    }
    for (unsigned j = 1; j <= 26; ++j) {
        diskio::TDiskGeometry geometry;
        if (!diskio::GetLogicalGeometry(static_cast<uint8_t>(j), geometry) ||
            geometry.BytesPerSector == 0 || geometry.BytesPerSector > 0xFFFF) {
            continue;
        }
        const std::string root = std::string(1, static_cast<char>('A' + j - 1)) + ":\\";
        if (dialog) {
            dialog->SetTexts("Scanning drives", "Checking Windows drive " + root, "Please wait...",
                             "", "");
            dialog->PumpMessages();
        }
        std::string fileSystem;
        if (!platform::nt::GetVolumeInformationA(root, fileSystem)) {
            continue;
        }
        std::transform(fileSystem.begin(), fileSystem.end(), fileSystem.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        if (fileSystem.find("FAT") == std::string::npos) {
            continue;
        }
        auto device = std::make_unique<TDevice>();
        device->AccessKind = TAccessKind::akWindowsDrive;
        device->DriveNumber = static_cast<uint8_t>(j);
        device->Partitioned = 0;
        const uint32_t driveType = platform::nt::GetDriveTypeA(root);
        device->DriveType = driveType >= 2 && driveType <= 6 ? static_cast<uint8_t>(driveType) : 0;
        device->TotalSectors = geometry.TotalSectors;
        device->BytesPerSector = static_cast<uint16_t>(geometry.BytesPerSector);
        device->MediaFlags = geometry.Removable & 1;
        device->CalibrateReadAhead();
        Add(std::move(device));
    }
    for (int i = 0; i < Count(); ++i) {
        Items(i)->Name = DeviceName(i, true);
    }
}

} // namespace tw::devices
