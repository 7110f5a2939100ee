#include "platform/nt_device_file.h"

#include "platform/device_table.h"
#include "platform/last_error.h"

#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <span>

namespace tw::platform {

namespace {
thread_local uint32_t g_LastError = 0;
}

void SetLastErrorCode(uint32_t code) {
    g_LastError = code;
}
uint32_t LastErrorCode() {
    return g_LastError;
}

} // namespace tw::platform

namespace tw::platform::nt {

namespace {

struct TOpenHandle {
    TDeviceEntry Entry;                  // a copy: the table may grow while the handle is open
    std::shared_ptr<TByteSource> Source; // null for handles opened without data access
    uint64_t Position = 0;
};

std::map<THandle, TOpenHandle>& Handles() {
    static std::map<THandle, TOpenHandle> handles;
    return handles;
}

THandle g_NextHandle = 1;

/// `\\.\PhysicalDriveN` → BIOS 128 + N; `\\.\X:` → drive letter X.
const TDeviceEntry* Resolve(const std::string& path) {
    const std::string prefix = "\\\\.\\";
    if (path.rfind(prefix, 0) != 0) {
        return nullptr;
    }
    const std::string name = path.substr(prefix.size());
    const std::string physical = "PhysicalDrive";
    if (name.rfind(physical, 0) == 0) {
        const std::string digits = name.substr(physical.size());
        if (digits.empty() || digits.size() > 3 ||
            digits.find_first_not_of("0123456789") != std::string::npos) {
            return nullptr;
        }
        const int index = std::stoi(digits);
        if (index > 127) {
            return nullptr;
        }
        const TDeviceEntry* entry = DeviceTable().FindBios(static_cast<uint8_t>(128 + index));
        return entry;
    }
    if (name.size() == 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0]))) {
        const int letter = std::toupper(static_cast<unsigned char>(name[0])) - 'A' + 1;
        return DeviceTable().FindLetter(static_cast<uint8_t>(letter));
    }
    return nullptr;
}

const TDeviceEntry* ResolveRoot(const std::string& root) {
    if (root.size() < 2 || root[1] != ':' || !std::isalpha(static_cast<unsigned char>(root[0]))) {
        return nullptr;
    }
    const int letter = std::toupper(static_cast<unsigned char>(root[0])) - 'A' + 1;
    return DeviceTable().FindLetter(static_cast<uint8_t>(letter));
}

TOpenHandle* Find(THandle handle) {
    auto it = Handles().find(handle);
    if (it == Handles().end()) {
        SetLastErrorCode(ErrorCode::InvalidHandle);
        return nullptr;
    }
    return &it->second;
}

} // namespace

THandle CreateFileA(const std::string& path, uint32_t access, uint32_t /*share*/,
                    uint32_t /*disposition*/, uint32_t /*flags*/) {
    const TDeviceEntry* entry = Resolve(path);
    if (!entry) {
        SetLastErrorCode(ErrorCode::FileNotFound);
        return InvalidHandleValue;
    }
    TOpenHandle open;
    open.Entry = *entry;
    if ((access & GenericRead) != 0) {
        uint32_t error = 0;
        open.Source = entry->Open(error);
        if (!open.Source) {
            SetLastErrorCode(error);
            return InvalidHandleValue;
        }
    }
    const THandle handle = g_NextHandle++;
    Handles().emplace(handle, std::move(open));
    SetLastErrorCode(ErrorCode::Success);
    return handle;
}

bool CloseHandle(THandle handle) {
    if (Handles().erase(handle) == 0) {
        SetLastErrorCode(ErrorCode::InvalidHandle);
        return false;
    }
    return true;
}

bool SetFilePointer(THandle handle, uint32_t low, uint32_t high) {
    TOpenHandle* open = Find(handle);
    if (!open || !open->Source) {
        SetLastErrorCode(ErrorCode::InvalidHandle);
        return false;
    }
    open->Position = (uint64_t{high} << 32) | low;
    return true;
}

bool ReadFile(THandle handle, void* buffer, uint32_t bytes, uint32_t& bytesRead) {
    bytesRead = 0;
    TOpenHandle* open = Find(handle);
    if (!open || !open->Source) {
        SetLastErrorCode(ErrorCode::InvalidHandle);
        return false;
    }
    const uint32_t error = open->Source->ReadAt(
        open->Position, std::span<std::byte>(static_cast<std::byte*>(buffer), bytes));
    if (error != ErrorCode::Success) {
        SetLastErrorCode(error);
        return false;
    }
    open->Position += bytes;
    bytesRead = bytes;
    return true;
}

bool DeviceIoControl(THandle handle, uint32_t code, const void* /*in*/, uint32_t /*inSize*/,
                     void* out, uint32_t outSize, uint32_t& bytesReturned) {
    bytesReturned = 0;
    TOpenHandle* open = Find(handle);
    if (!open) {
        return false;
    }
    const TDeviceEntry& entry = open->Entry;
    switch (code) {
    case IoctlStorageCheckVerify:
        return true;
    case IoctlDiskGetDriveGeometry: {
        if (outSize < sizeof(TDiskGeometryOut) || entry.Kind == TEntryKind::ekCdRom) {
            SetLastErrorCode(ErrorCode::InvalidParameter);
            return false;
        }
        TDiskGeometryOut geometry{};
        geometry.Cylinders = static_cast<int64_t>(entry.Geometry.Cylinders);
        geometry.MediaType = entry.Geometry.MediaType;
        geometry.TracksPerCylinder = entry.Geometry.Heads;
        geometry.SectorsPerTrack = entry.Geometry.SectorsPerTrack;
        geometry.BytesPerSector = entry.Geometry.BytesPerSector;
        std::memcpy(out, &geometry, sizeof geometry);
        bytesReturned = sizeof geometry;
        return true;
    }
    default:
        SetLastErrorCode(ErrorCode::InvalidFunction);
        return false;
    }
}

uint32_t GetLastError() {
    return LastErrorCode();
}

uint32_t GetDriveTypeA(const std::string& root) {
    const TDeviceEntry* entry = ResolveRoot(root);
    if (!entry) {
        return DriveNoRootDir;
    }
    switch (entry->Kind) {
    case TEntryKind::ekCdRom:
        return DriveCdRom;
    case TEntryKind::ekFloppy:
        return DriveRemovable;
    default:
        return entry->Removable ? DriveRemovable : DriveFixed;
    }
}

bool GetVolumeInformationA(const std::string& root, std::string& fileSystemName) {
    const TDeviceEntry* entry = ResolveRoot(root);
    if (!entry) {
        SetLastErrorCode(ErrorCode::FileNotFound);
        return false;
    }
    if (entry->Kind == TEntryKind::ekFloppy) {
        // A floppy answers with what its boot sector says, like any volume.
        uint32_t error = 0;
        auto source = entry->Open(error);
        std::vector<std::byte> sector(512);
        if (!source || source->ReadAt(0, sector) != ErrorCode::Success) {
            SetLastErrorCode(source ? ErrorCode::NotReady : error);
            return false;
        }
        fileSystemName = FatFileSystemName(sector);
        if (fileSystemName.empty()) {
            SetLastErrorCode(ErrorCode::NotReady);
            return false;
        }
        return true;
    }
    fileSystemName = entry->FileSystemName;
    if (fileSystemName.empty()) {
        SetLastErrorCode(ErrorCode::NotReady);
        return false;
    }
    return true;
}

int OpenHandleCount() {
    return static_cast<int>(Handles().size());
}

} // namespace tw::platform::nt
