#include "diskio/physical_disk_io.h"

#include "platform/nt_device_file.h"
#include "platform/prompter.h"
#include "platform/system_family.h"
#include "platform/win9x_services.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace tw::diskio {

namespace nt = tw::platform::nt;
namespace w9x = tw::platform::w9x;
using tw::platform::TPrompt;
using tw::platform::TPromptAnswer;
using tw::platform::TPromptButtons;
using tw::platform::TPromptIcon;

namespace {

constexpr uint32_t TransferBytes = 65536;

struct TPhysicalUnit {
    bool Started = false;
    bool IsNT = true;
    bool INT13Enabled = true;
    bool INT13ExtEnabled = true;
    w9x::THandle Driver = w9x::InvalidHandleValue;
    nt::THandle OpenDisk = nt::InvalidHandleValue;
    int OpenDiskNumber = -1;
    uint32_t OpenDiskSectorBytes = 512;
};

TPhysicalUnit g_Unit;
uint64_t g_ReadAborts = 0;

void EnsureStarted() {
    if (!g_Unit.Started) {
        StartPhysicalDiskIo();
    }
}

std::string DevicePathOf(uint8_t disk) {
    if (disk >= 128) {
        return "\\\\.\\PhysicalDrive" + std::to_string(disk - 128);
    }
    if (disk == 0) {
        return "\\\\.\\A:";
    }
    if (disk == 1) {
        return "\\\\.\\B:";
    }
    return {};
}

TPromptAnswer AskAbortRetryIgnore(const std::string& caption, const std::string& text) {
    const TPromptAnswer answer = tw::platform::Prompter().Ask(
        TPrompt{caption, text, TPromptIcon::piWarning, TPromptButtons::pbAbortRetryIgnore});
    // The box has no close button; a front end that closes it anyway means Abort.
    if (answer != TPromptAnswer::paRetry && answer != TPromptAnswer::paIgnore) {
        NoteUserAbortedRead();
        return TPromptAnswer::paAbort;
    }
    return answer;
}

bool QueryNtGeometry(nt::THandle handle, nt::TDiskGeometryOut& out) {
    uint32_t returned = 0;
    return nt::DeviceIoControl(handle, nt::IoctlDiskGetDriveGeometry, nullptr, 0, &out, sizeof out,
                               returned);
}

bool OpenNtDisk(uint8_t disk) {
    if (g_Unit.OpenDisk != nt::InvalidHandleValue && g_Unit.OpenDiskNumber == disk) {
        return true;
    }
    if (g_Unit.OpenDisk != nt::InvalidHandleValue) {
        nt::CloseHandle(g_Unit.OpenDisk);
        g_Unit.OpenDisk = nt::InvalidHandleValue;
        g_Unit.OpenDiskNumber = -1;
    }
    const std::string path = DevicePathOf(disk);
    if (path.empty()) {
        return false;
    }
    g_Unit.OpenDisk = nt::CreateFileA(path, nt::GenericRead, nt::FileShareRead | nt::FileShareWrite,
                                      nt::OpenExisting, nt::FileFlagWriteThrough);
    if (g_Unit.OpenDisk == nt::InvalidHandleValue) {
        return false;
    }
    g_Unit.OpenDiskNumber = disk;
    // Sector offsets follow the disk's own sector size (512 for every image).
    nt::TDiskGeometryOut geometry{};
    g_Unit.OpenDiskSectorBytes =
        QueryNtGeometry(g_Unit.OpenDisk, geometry) && geometry.BytesPerSector != 0
            ? geometry.BytesPerSector
            : 512;
    return true;
}

bool SeekNt(uint64_t offset) {
    return nt::SetFilePointer(g_Unit.OpenDisk, static_cast<uint32_t>(offset),
                              static_cast<uint32_t>(offset >> 32));
}

bool ReadNt(uint8_t disk, uint32_t sector, uint16_t count, bool showErrors, std::byte* out) {
    if (!OpenNtDisk(disk)) {
        return false;
    }
    const uint64_t sectorBytes = g_Unit.OpenDiskSectorBytes;
    uint64_t offset = uint64_t{sector} * sectorBytes;
    if (!SeekNt(offset)) {
        return false;
    }
    uint64_t remaining = uint64_t{count} * sectorBytes;
    while (remaining > 0) {
        const uint32_t chunk = static_cast<uint32_t>(std::min<uint64_t>(remaining, TransferBytes));
        bool failed = false;
        for (;;) {
            uint32_t got = 0;
            // 64 KiB at a time, straight into the caller's buffer.
            if (nt::ReadFile(g_Unit.OpenDisk, out, chunk, got) && got == chunk) {
                break;
            }
            failed = true;
            if (!showErrors) {
                return false;
            }
            const std::string text =
                "error no." + std::to_string(nt::GetLastError()) + "\r\n" +
                "drv:" + std::to_string(disk) + " LBA:" + std::to_string(sector) +
                " blocks:" + std::to_string(count) + "\r\n\r\n" + "Abort, Retry or Ignore?";
            const TPromptAnswer answer = AskAbortRetryIgnore("NT_read error", text);
            if (answer == TPromptAnswer::paAbort) {
                return false;
            }
            if (answer == TPromptAnswer::paIgnore) {
                // Whatever a failed transfer left there is no data: an ignored chunk reads as
                // zeros.
                std::fill_n(out, chunk, std::byte{0});
                break;
            }
            if (!SeekNt(offset)) {
                return false;
            }
        }
        out += chunk;
        offset += chunk;
        remaining -= chunk;
        // A failed transfer leaves the position undefined; set it again for the next chunk.
        if (failed && remaining > 0 && !SeekNt(offset)) {
            return false;
        }
    }
    return true;
}

/// INT 13h through VWIN32, on a handle of its own. Success means the carry flag is clear.
bool CallInt13(w9x::TDiocRegisters& registers) {
    const w9x::THandle vwin32 =
        w9x::CreateFileA("\\\\.\\vwin32", 0, 0, 0, w9x::FileFlagDeleteOnClose);
    if (vwin32 == w9x::InvalidHandleValue) {
        return false;
    }
    registers.Flags = w9x::CarryFlag;
    uint32_t returned = 0;
    const bool ok = w9x::DeviceIoControl(vwin32, w9x::Vwin32DiocDosInt13, &registers,
                                         sizeof registers, &registers, sizeof registers, &returned);
    w9x::CloseHandle(vwin32);
    return ok && (registers.Flags & w9x::CarryFlag) == 0;
}

void ResetDisk(uint8_t disk) {
    w9x::TDiocRegisters registers;
    registers.EAX = 0x0000;
    registers.EDX = disk;
    (void)CallInt13(registers);
}

/// The 11-byte packet of INT13EXT.VXD: disk, LBA, count, buffer address, one unused byte.
std::array<std::byte, 11> Int13ExtPacket(uint8_t disk, uint32_t lba, uint8_t count,
                                         uint32_t address) {
    std::array<std::byte, 11> packet{};
    packet[0] = std::byte{disk};
    std::memcpy(&packet[1], &lba, 4);
    packet[5] = std::byte{count};
    std::memcpy(&packet[6], &address, 4);
    return packet;
}

bool Read9x(uint8_t disk, uint32_t sector, uint16_t count, bool showErrors, std::byte* out) {
    if (!g_Unit.INT13ExtEnabled) {
        return false;
    }
    std::array<std::byte, 512> bounce{};
    w9x::TBufferToken token(bounce);
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t lba = sector + i;
        for (;;) {
            auto packet = Int13ExtPacket(disk, lba, 1, token.Address());
            if (w9x::DeviceIoControl(g_Unit.Driver, 2, packet.data(), packet.size(), nullptr, 0,
                                     nullptr)) {
                break;
            }
            if (!showErrors) {
                return false;
            }
            const std::string text = "Error reading sector, \r\ndrv:" + std::to_string(disk) +
                                     " LBA:" + std::to_string(lba) +
                                     " blocks:" + std::to_string(count) + "\r\n\r\n" +
                                     " Abort, Retry or Ignore?";
            const TPromptAnswer answer = AskAbortRetryIgnore("ExtendedRead error", text);
            if (answer == TPromptAnswer::paAbort) {
                return false;
            }
            if (answer == TPromptAnswer::paIgnore) {
                bounce.fill(std::byte{0});
                break;
            }
            ResetDisk(disk);
        }
        std::memcpy(out, bounce.data(), bounce.size());
        out += bounce.size();
    }
    return true;
}

} // namespace

void GeometryFromNt(const nt::TDiskGeometryOut& out, TDiskGeometry& geometry) {
    geometry.Removable = 0;
    geometry.MediaKind = 0;
    geometry.Heads = out.TracksPerCylinder;
    geometry.Cylinders = static_cast<uint32_t>(out.Cylinders);
    geometry.SectorsPerTrack = out.SectorsPerTrack;
    geometry.BytesPerSector = out.BytesPerSector;
    geometry.TotalSectors = SaturatedSectors(static_cast<uint64_t>(out.Cylinders) *
                                             out.TracksPerCylinder * out.SectorsPerTrack);
    if (out.MediaType == 11) {
        geometry.MediaKind = 2;
        geometry.Removable = 1;
    } else if (out.MediaType == 12) {
        geometry.MediaKind = 3;
    } else if ((out.MediaType >= 1 && out.MediaType <= 10) ||
               (out.MediaType >= 13 && out.MediaType <= 22)) {
        geometry.MediaKind = 1;
        geometry.Removable = 1;
    }
}

bool IsWindowsNT() {
    tw::platform::TOsVersionInfo info;
    return tw::platform::GetVersionExA(info) && info.PlatformId == tw::platform::VerPlatformWin32NT;
}

void StartPhysicalDiskIo() {
    EndPhysicalDiskIo();
    g_Unit.Started = true;
    g_Unit.INT13Enabled = true;
    g_Unit.INT13ExtEnabled = true;
    g_Unit.IsNT = IsWindowsNT();
    if (!g_Unit.IsNT) {
        g_Unit.Driver =
            w9x::CreateFileA("\\\\.\\INT13EXT.VXD", 0, 0, 0, w9x::FileFlagDeleteOnClose);
        if (g_Unit.Driver == w9x::InvalidHandleValue) {
            tw::platform::Prompter().Ask(TPrompt{"Error", "Error loading \"INT13EXT.VXD\"",
                                                 TPromptIcon::piWarning, TPromptButtons::pbOK});
        }
    }
}

void EndPhysicalDiskIo() {
    if (g_Unit.OpenDisk != nt::InvalidHandleValue) {
        nt::CloseHandle(g_Unit.OpenDisk);
    }
    if (g_Unit.Driver != w9x::InvalidHandleValue) {
        w9x::DeleteFileA("\\\\.\\INT13EXT");
    }
    g_Unit.OpenDisk = nt::InvalidHandleValue;
    g_Unit.OpenDiskNumber = -1;
    g_Unit.Driver = w9x::InvalidHandleValue;
    g_Unit.Started = false;
}

bool ReadPhysicalSectors(uint8_t disk, uint32_t sector, uint16_t count, bool showErrors,
                         void* buffer) {
    EnsureStarted();
    if (count == 0) {
        return true;
    }
    auto* out = static_cast<std::byte*>(buffer);
    return g_Unit.IsNT ? ReadNt(disk, sector, count, showErrors, out)
                       : Read9x(disk, sector, count, showErrors, out);
}

bool GetPhysicalGeometry(uint8_t disk, TDiskGeometry& geometry) {
    EnsureStarted();
    geometry = TDiskGeometry{};
    if (g_Unit.IsNT) {
        const std::string path = DevicePathOf(disk);
        if (path.empty()) {
            return false;
        }
        const nt::THandle handle =
            nt::CreateFileA(path, 0, nt::FileShareRead | nt::FileShareWrite, nt::OpenExisting, 0);
        if (handle == nt::InvalidHandleValue) {
            return false;
        }
        if (disk < 2) {
            uint32_t returned = 0;
            (void)nt::DeviceIoControl(handle, nt::IoctlStorageCheckVerify, nullptr, 0, nullptr, 0,
                                      returned);
        }
        nt::TDiskGeometryOut out{};
        const bool ok = QueryNtGeometry(handle, out);
        nt::CloseHandle(handle);
        if (!ok) {
            return false;
        }
        GeometryFromNt(out, geometry);
        return true;
    }

    if (disk >= 128) {
        if (!g_Unit.INT13ExtEnabled) {
            return false;
        }
        std::array<std::byte, 30> block{};
        const uint16_t blockSize = 30;
        std::memcpy(block.data(), &blockSize, 2);
        w9x::TBufferToken token(block);
        auto packet = Int13ExtPacket(disk, 0, 0, token.Address());
        if (!w9x::DeviceIoControl(g_Unit.Driver, 4, packet.data(), packet.size(), nullptr, 0,
                                  nullptr)) {
            return false;
        }
        uint16_t flags = 0, bytesPerSector = 0;
        uint64_t total = 0;
        std::memcpy(&flags, &block[2], 2);
        std::memcpy(&geometry.Cylinders, &block[4], 4);
        std::memcpy(&geometry.Heads, &block[8], 4);
        std::memcpy(&geometry.SectorsPerTrack, &block[12], 4);
        std::memcpy(&total, &block[16], 8);
        std::memcpy(&bytesPerSector, &block[24], 2);
        geometry.Removable = 0;
        geometry.MediaKind = 3;
        if ((flags & 4) != 0) {
            geometry.MediaKind = 2;
            geometry.Removable = 1;
        }
        geometry.BytesPerSector = bytesPerSector;
        geometry.TotalSectors = SaturatedSectors(total);
        return true;
    }

    if (!g_Unit.INT13Enabled) {
        return false;
    }
    w9x::TDiocRegisters registers;
    registers.EAX = 0x0800;
    registers.EDX = disk;
    if (!CallInt13(registers)) {
        return false;
    }
    const uint32_t cl = registers.ECX & 0xFF;
    const uint32_t ch = (registers.ECX >> 8) & 0xFF;
    const uint32_t sectorsPerTrack = cl & 0x3F;
    const uint32_t highestCylinder = ch + ((cl >> 6) & 3) * 256;
    const uint32_t heads = ((registers.EDX >> 8) & 0xFF) + 1;
    if (sectorsPerTrack == 0) {
        return false;
    }
    geometry.MediaKind = disk <= 1 ? 1 : 2;
    geometry.Removable = 1;
    geometry.Heads = heads;
    geometry.Cylinders = highestCylinder + 1;
    geometry.SectorsPerTrack = sectorsPerTrack;
    geometry.BytesPerSector = 512;
    geometry.TotalSectors = geometry.Cylinders * geometry.Heads * geometry.SectorsPerTrack;
    return true;
}

void SetINT13Enabled(bool enabled) {
    EnsureStarted();
    g_Unit.INT13Enabled = enabled;
}
void SetINT13ExtEnabled(bool enabled) {
    EnsureStarted();
    g_Unit.INT13ExtEnabled = enabled;
}
bool INT13Enabled() {
    return g_Unit.INT13Enabled;
}
bool INT13ExtEnabled() {
    return g_Unit.INT13ExtEnabled;
}

uint64_t ReadAbortCount() {
    return g_ReadAborts;
}
void NoteUserAbortedRead() {
    ++g_ReadAborts;
}

} // namespace tw::diskio
