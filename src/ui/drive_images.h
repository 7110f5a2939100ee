#pragma once

#include <QIcon>

#include <cstdint>

namespace tw::ui {

/// Indexes of the drive pictures, shared by the drive dialog and the system information.
namespace DriveImageIndex {
constexpr int Removable = 0;
constexpr int Fixed = 1;
constexpr int CdRom = 2;
constexpr int Network = 3;
} // namespace DriveImageIndex

/// The picture of a device by its drive type (0 unknown, 1 floppy, 2 removable, 3 fixed,
/// 4 remote, 5 CD-ROM, 6 RAM disk); unknown types and RAM disks look fixed.
[[nodiscard]] constexpr int DriveTypeImage(uint8_t driveType) {
    switch (driveType) {
    case 1:
    case 2:
        return DriveImageIndex::Removable;
    case 4:
        return DriveImageIndex::Network;
    case 5:
        return DriveImageIndex::CdRom;
    default:
        return DriveImageIndex::Fixed;
    }
}

/// The drive picture of an index of DriveImageIndex; a null icon for any other index.
QIcon DriveImage(int imageIndex);

} // namespace tw::ui
