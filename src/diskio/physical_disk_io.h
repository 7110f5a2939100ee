#pragma once

#include "diskio/disk_geometry.h"
#include "platform/nt_device_file.h"

#include <cstdint>

namespace tw::diskio {

/// Reads count sectors of the disk with this BIOS number, from LBA sector on, into buffer,
/// which holds count × the disk's sector size bytes (512 for every image). With showErrors
/// a failed transfer asks Abort, Retry or Ignore; an ignored transfer is zero-filled, and
/// Abort ends the read with false and marks the read as aborted by the user.
[[nodiscard]] bool ReadPhysicalSectors(uint8_t disk, uint32_t sector, uint16_t count,
                                       bool showErrors, void* buffer);
/// True when the program runs on the NT family.
[[nodiscard]] bool IsWindowsNT();
/// Clears geometry, then fills it for the disk. False when there is no such disk.
[[nodiscard]] bool GetPhysicalGeometry(uint8_t disk, TDiskGeometry& geometry);

/// The geometry record for what the NT geometry query answered: the media type decides the
/// kind and the removable flag; TotalSectors is the saturated product.
void GeometryFromNt(const platform::nt::TDiskGeometryOut& out, TDiskGeometry& geometry);

/// Start and end of the physical access unit: choose the family, load the 9x driver (a
/// warning box when it cannot be loaded), close handles at the end. Reads start the unit
/// on demand; front ends and tests call these to start afresh.
void StartPhysicalDiskIo();
void EndPhysicalDiskIo();

/// 9x switches, copied from the options when they are applied.
void SetINT13Enabled(bool enabled);
void SetINT13ExtEnabled(bool enabled);
[[nodiscard]] bool INT13Enabled();
[[nodiscard]] bool INT13ExtEnabled();

/// How many times the user answered Abort to a read error box. A long operation notes the
/// count when it starts and stops as if cancelled once it changes, so one Abort ends the whole
/// operation; a reader compares it around one read to tell Abort from other failures.
[[nodiscard]] uint64_t ReadAbortCount();
void NoteUserAbortedRead();

} // namespace tw::diskio
