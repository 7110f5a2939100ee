#pragma once

#include "diskio/disk_geometry.h"

#include <cstdint>

namespace tw::diskio {

/// Reads count sectors of the drive letter (A = 1 .. Z = 26) from sector on into buffer,
/// which holds count × the drive's sector size (2048 on the CD-ROM path). Only the 9x
/// CD-ROM path asks the user on a failure.
[[nodiscard]] bool ReadLogicalSectors(uint8_t drive, uint32_t sector, uint16_t count, void* buffer);
/// Clears geometry, then fills it for the drive letter.
[[nodiscard]] bool GetLogicalGeometry(uint8_t drive, TDiskGeometry& geometry);
/// 9x family: whether the drive is a CD-ROM drive.
[[nodiscard]] bool IsCDROMDrive(uint8_t drive);
[[nodiscard]] bool IsWin95OSR2OrLater();

void StartLogicalDiskIo();
void EndLogicalDiskIo();
void SetINT25Enabled(bool enabled);
[[nodiscard]] bool INT25Enabled();

/// Starts both access units afresh (family, drivers, handle caches).
void StartSectorAccess();
/// Ends both units: closes cached handles and unloads the 9x drivers.
void EndSectorAccess();

} // namespace tw::diskio
