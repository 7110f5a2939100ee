#pragma once

#include "devices/device_list.h"
#include "devices/drive_list.h"

#include <string>

namespace tw::diskio {
class TStatusDialog;
}

namespace tw::fat {

class TFATdrive;
class TFATDirectory;

/// The devices and drives of one run, shared by the front ends.
class TRecoverySession {
public:
    TRecoverySession();

    devices::TDeviceList DeviceList;
    devices::TDriveList DriveList;

    /// Clears both lists, detects the devices and then the drives of each device under the
    /// progress dialog. False when the user cancelled.
    bool DetectAll(diskio::TStatusDialog& dialog);
    /// Attaches an image file to the device table (its kind told from its content), appends
    /// the devices it adds, named by their positions in the list, and then their drives. The
    /// devices and drives already listed stay, lost drives among them. False with a message
    /// when the file cannot be attached or adds no readable device.
    bool AttachImage(const std::string& path, std::string& error);
    /// The drive dialog's text of a drive: "NONAME   on fixed disk #1".
    [[nodiscard]] std::string DriveText(int index) const;
};

/// Hands the options' switches to the sector-access code and the read-ahead cache.
void ApplyAccessOptions();

/// "none", "FAT12", "FAT16" or "FAT32".
std::string FatTypeText(uint8_t fatType);

/// The item at a display path inside a drive, with backslashes, starting at a category:
/// "Root\DOCS\OLD\A.TXT", "Deleted\_EADME.TXT", "Lost". deletedMode tells whether the path
/// lies under "Deleted". Null when nothing has that path.
devices::TCustomItem* FindItemByPath(TFATdrive& drive, const std::string& path, bool& deletedMode);

} // namespace tw::fat
