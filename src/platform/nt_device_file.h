#pragma once

#include <cstdint>
#include <string>

namespace tw::platform::nt {

/// The NT-family stand-in for device files: `\\.\PhysicalDriveN`, `\\.\A:`, `\\.\B:` and
/// `\\.\X:` resolve through the device table. Every data handle is a read-only descriptor;
/// there is no write call.
using THandle = int;
constexpr THandle InvalidHandleValue = -1;

constexpr uint32_t GenericRead = 0x80000000u;
constexpr uint32_t FileShareRead = 1;
constexpr uint32_t FileShareWrite = 2;
constexpr uint32_t OpenExisting = 3;
constexpr uint32_t FileFlagWriteThrough = 0x80000000u;

constexpr uint32_t IoctlDiskGetDriveGeometry = 0x70000;
constexpr uint32_t IoctlStorageCheckVerify = 0x2D4800;

constexpr uint32_t DriveUnknown = 0;
constexpr uint32_t DriveNoRootDir = 1;
constexpr uint32_t DriveRemovable = 2;
constexpr uint32_t DriveFixed = 3;
constexpr uint32_t DriveRemote = 4;
constexpr uint32_t DriveCdRom = 5;
constexpr uint32_t DriveRamDisk = 6;

/// DISK_GEOMETRY as the geometry control code returns it (24 bytes).
struct TDiskGeometryOut {
    int64_t Cylinders;
    uint32_t MediaType;
    uint32_t TracksPerCylinder;
    uint32_t SectorsPerTrack;
    uint32_t BytesPerSector;
};
static_assert(sizeof(TDiskGeometryOut) == 24);

/// Opens a device path. With access 0 the handle answers control codes only; with
/// GenericRead it reads. Returns InvalidHandleValue and sets the last error on failure.
THandle CreateFileA(const std::string& path, uint32_t access, uint32_t share, uint32_t disposition,
                    uint32_t flags);
bool CloseHandle(THandle handle);
/// Positions a data handle at (high << 32) | low bytes from the start.
bool SetFilePointer(THandle handle, uint32_t low, uint32_t high);
/// Reads up to bytes at the position and advances it. A read that reaches past the end of
/// the device returns false.
bool ReadFile(THandle handle, void* buffer, uint32_t bytes, uint32_t& bytesRead);
bool DeviceIoControl(THandle handle, uint32_t code, const void* in, uint32_t inSize, void* out,
                     uint32_t outSize, uint32_t& bytesReturned);
uint32_t GetLastError();
/// GetDriveTypeA on a root such as "C:\".
uint32_t GetDriveTypeA(const std::string& root);
/// GetVolumeInformationA on a root: the file system name of the volume.
bool GetVolumeInformationA(const std::string& root, std::string& fileSystemName);
/// Number of handles currently open (tests check that caches close what they open).
int OpenHandleCount();

} // namespace tw::platform::nt
