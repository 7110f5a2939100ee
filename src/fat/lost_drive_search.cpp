#include "devices/device.h"
#include "devices/drive_list.h"
#include "diskio/physical_disk_io.h"
#include "diskio/status_dialog.h"
#include "fat/fat_analyser.h"

#include <algorithm>
#include <string>
#include <vector>

namespace tw::fat {

namespace {

constexpr const char* SearchTitle = "Find logical drives - Please wait...";
constexpr uint32_t SearchUpdateMs = 500;

/// A listed drive (not one rebuilt without a boot sector) already starts at this sector of
/// this device.
bool IsListed(const devices::TDriveList& drives, const devices::TDevice& device, uint32_t sector) {
    for (int i = 0; i < drives.Count(); ++i) {
        const devices::TCustomDrive& drive = *drives.Items(i);
        if ((drive.Flags & 2) == 0 && drive.Device == &device && drive.VolumeStart == sector) {
            return true;
        }
    }
    return false;
}

} // namespace

uint32_t FindLostDrives(devices::TDevice& device, uint32_t first, uint32_t last,
                        devices::TDriveList& drives, diskio::TStatusDialog& dialog) {
    // The range is clamped to the device; a start past the end reads as one sector, so a
    // search always reads at least once.
    const uint32_t lastSector = device.TotalSectors > 0 ? device.TotalSectors - 1 : 0;
    first = std::min(first, lastSector);
    last = std::clamp(last, first, lastSector);

    const size_t sectorBytes = device.BytesPerSector != 0 ? device.BytesPerSector : 512;
    std::vector<std::byte> buffer(sectorBytes);
    TFATAnalyser analyser;
    devices::TCacheScope cache(device, true);

    dialog.Prepare(SearchTitle, "", "", "", "", true, true);
    dialog.Total = uint64_t{last} - first + 1;
    dialog.StepSize = 1;
    dialog.UpdateInterval = SearchUpdateMs;
    dialog.Show();
    uint32_t found = 0;
    analyser.Attach(device);
    const uint64_t abortsAtStart = diskio::ReadAbortCount();

    // 64 bits, so that a range ending at sector 0xFFFFFFFF still ends.
    for (uint64_t s = first; s <= last; ++s) {
        const auto sector = static_cast<uint32_t>(s);
        if (dialog.UpdateDue()) {
            dialog.SetTexts(SearchTitle,
                            "Physical sector " + std::to_string(sector) + " of " +
                                std::to_string(last),
                            "", "Lost drives found: " + std::to_string(found), "");
            dialog.PumpMessages();
        }
        const bool read = device.ReadSectors(sector, 1, true, buffer.data());
        if (read) {
            if (TFATAnalyser::IsBootSector(buffer) && !IsListed(drives, device, sector)) {
                drives.AddLostDrive(device, sector, sector, 0, true);
                ++found;
            }
            if (analyser.AnalyseSector(drives, sector, buffer)) {
                ++found;
            }
        }
        // An Abort answered to a read error ends the search like Cancel.
        if (dialog.Cancelled || diskio::ReadAbortCount() != abortsAtStart) {
            break;
        }
        dialog.StepProgress();
        if (!read) {
            break;
        }
    }

    analyser.Detach();
    dialog.Hide();
    return found;
}

} // namespace tw::fat
