#include "diskio/logical_disk_io.h"

#include "diskio/physical_disk_io.h"
#include "platform/last_error.h"
#include "platform/nt_device_file.h"
#include "platform/prompter.h"
#include "platform/system_family.h"
#include "platform/win9x_services.h"

#include <algorithm>
#include <array>
#include <bit>
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
constexpr uint32_t CdSectorBytes = 2048;

struct TLogicalUnit {
    bool Started = false;
    bool IsNT = true;
    bool INT25Enabled = true;
    bool Use7305 = false;
    w9x::THandle Vwin32 = w9x::InvalidHandleValue;
    w9x::THandle Int2f = w9x::InvalidHandleValue;
    nt::THandle OpenDrive = nt::InvalidHandleValue;
    int OpenDriveNumber = -1;
    TDiskGeometry OpenGeometry;
    unsigned SectorShift = 9;
    std::array<uint32_t, 27> SectorBytes9x{};
};

TLogicalUnit g_Unit;

void EnsureStarted() {
    if (!g_Unit.Started) {
        StartLogicalDiskIo();
    }
}

std::string LetterText(uint8_t drive) {
    return std::string(1, static_cast<char>('A' + drive - 1));
}

void WarnDriver(const std::string& text) {
    tw::platform::Prompter().Ask(
        TPrompt{"Error", text, TPromptIcon::piWarning, TPromptButtons::pbOK});
}

bool CallVwin32(uint32_t code, w9x::TDiocRegisters& registers) {
    uint32_t returned = 0;
    const bool ok = w9x::DeviceIoControl(g_Unit.Vwin32, code, &registers, sizeof registers,
                                         &registers, sizeof registers, &returned);
    return ok && (registers.Flags & w9x::CarryFlag) == 0;
}

/// The DISKIO packet of INT 25h and INT 21h 7305h: start sector, count, buffer address.
std::array<std::byte, 10> DiskIoPacket(uint32_t sector, uint16_t count, uint32_t address) {
    std::array<std::byte, 10> packet{};
    std::memcpy(&packet[0], &sector, 4);
    std::memcpy(&packet[4], &count, 2);
    std::memcpy(&packet[6], &address, 4);
    return packet;
}

bool ReadCdRom9x(uint8_t drive, uint32_t sector, uint16_t count, std::byte* out) {
    std::vector<std::byte> bounce(CdSectorBytes);
    w9x::TBufferToken token(bounce);
    for (uint32_t i = 0; i < count; ++i) {
        for (;;) {
            std::array<std::byte, 10> packet{};
            const uint32_t lba = sector + i;
            const uint32_t address = token.Address();
            packet[0] = std::byte{static_cast<uint8_t>(drive - 1)};
            std::memcpy(&packet[1], &lba, 4);
            packet[5] = std::byte{1};
            std::memcpy(&packet[6], &address, 4);
            if (w9x::DeviceIoControl(g_Unit.Int2f, 2, packet.data(), packet.size(), nullptr, 0,
                                     nullptr)) {
                break;
            }
            const std::string caption =
                "MSCDEX/CDFS CD-ROM read error " + std::to_string(tw::platform::LastErrorCode());
            const std::string text = "Error reading sector, \r\ndrv:" + std::to_string(drive) +
                                     " LBA:" + std::to_string(sector) +
                                     " blocks:" + std::to_string(count) + "\r\n\r\n" +
                                     " Abort, Retry or Ignore?";
            const TPromptAnswer answer = tw::platform::Prompter().Ask(
                TPrompt{caption, text, TPromptIcon::piWarning, TPromptButtons::pbAbortRetryIgnore});
            if (answer == TPromptAnswer::paIgnore) {
                std::fill(bounce.begin(), bounce.end(), std::byte{0});
                break;
            }
            if (answer != TPromptAnswer::paRetry) {
                NoteUserAbortedRead();
                return false;
            }
        }
        std::memcpy(out, bounce.data(), CdSectorBytes);
        out += CdSectorBytes;
    }
    return true;
}

bool Read9x(uint8_t drive, uint32_t sector, uint16_t count, std::byte* out) {
    if (IsCDROMDrive(drive)) {
        return ReadCdRom9x(drive, sector, count, out);
    }
    if (!g_Unit.INT25Enabled) {
        return false;
    }
    // The caller's buffer holds count sectors of the drive's own size, asked once per drive.
    uint32_t& sectorBytes = g_Unit.SectorBytes9x[drive];
    if (sectorBytes == 0) {
        TDiskGeometry geometry;
        sectorBytes = GetLogicalGeometry(drive, geometry) && geometry.BytesPerSector != 0
                          ? geometry.BytesPerSector
                          : 512;
    }
    w9x::TBufferToken data(std::span<std::byte>(out, size_t{count} * sectorBytes));
    auto packet = DiskIoPacket(sector, count, data.Address());
    w9x::TBufferToken packetToken(packet);
    w9x::TDiocRegisters registers;
    registers.EBX = packetToken.Address();
    if (g_Unit.Use7305) {
        registers.EAX = 0x7305;
        registers.ECX = 0xFFFFFFFFu;
        registers.EDX = drive;
        registers.ESI = 0;
        return CallVwin32(w9x::Vwin32DiocDosDriveInfo, registers);
    }
    registers.EAX = static_cast<uint32_t>(drive - 1);
    registers.ECX = 0xFFFF;
    return CallVwin32(w9x::Vwin32DiocDosInt25, registers);
}

bool OpenNtDrive(uint8_t drive) {
    if (g_Unit.OpenDrive != nt::InvalidHandleValue && g_Unit.OpenDriveNumber == drive) {
        return true;
    }
    if (g_Unit.OpenDrive != nt::InvalidHandleValue) {
        nt::CloseHandle(g_Unit.OpenDrive);
        g_Unit.OpenDrive = nt::InvalidHandleValue;
        g_Unit.OpenDriveNumber = -1;
    }
    g_Unit.OpenDrive = nt::CreateFileA("\\\\.\\" + LetterText(drive) + ":", nt::GenericRead,
                                       nt::FileShareRead | nt::FileShareWrite, nt::OpenExisting,
                                       nt::FileFlagWriteThrough);
    if (g_Unit.OpenDrive == nt::InvalidHandleValue) {
        return false;
    }
    g_Unit.OpenDriveNumber = drive;
    if (!GetLogicalGeometry(drive, g_Unit.OpenGeometry) ||
        g_Unit.OpenGeometry.BytesPerSector == 0 ||
        !std::has_single_bit(g_Unit.OpenGeometry.BytesPerSector)) {
        return false;
    }
    g_Unit.SectorShift =
        static_cast<unsigned>(std::countr_zero(g_Unit.OpenGeometry.BytesPerSector));
    return true;
}

bool ReadNt(uint8_t drive, uint32_t sector, uint16_t count, std::byte* out) {
    if (!OpenNtDrive(drive)) {
        return false;
    }
    const uint64_t offset = uint64_t{sector} << g_Unit.SectorShift;
    if (!nt::SetFilePointer(g_Unit.OpenDrive, static_cast<uint32_t>(offset),
                            static_cast<uint32_t>(offset >> 32))) {
        return false;
    }
    const uint64_t sectorBytes = g_Unit.OpenGeometry.BytesPerSector;
    const uint64_t maxChunk = std::min<uint64_t>(128 * sectorBytes, TransferBytes);
    uint64_t remaining = uint64_t{count} * sectorBytes;
    while (remaining > 0) {
        const uint32_t chunk = static_cast<uint32_t>(std::min(remaining, maxChunk));
        uint32_t got = 0;
        if (!nt::ReadFile(g_Unit.OpenDrive, out, chunk, got) || got != chunk) {
            return false;
        }
        out += chunk;
        remaining -= chunk;
    }
    return true;
}

} // namespace

bool IsWin95OSR2OrLater() {
    tw::platform::TOsVersionInfo info;
    if (!tw::platform::GetVersionExA(info) ||
        info.PlatformId != tw::platform::VerPlatformWin32Windows) {
        return false;
    }
    if (info.MajorVersion > 3 && info.MinorVersion != 0) {
        return true;
    }
    std::string service = info.CSDVersion;
    service.erase(0, service.find_first_not_of(' '));
    service.erase(service.find_last_not_of(' ') + 1);
    return info.MajorVersion == 4 && info.MinorVersion == 0 && service == "B";
}

void StartLogicalDiskIo() {
    EndLogicalDiskIo();
    g_Unit.Started = true;
    g_Unit.INT25Enabled = true;
    g_Unit.Use7305 = IsWin95OSR2OrLater();
    g_Unit.IsNT = IsWindowsNT();
    if (!g_Unit.IsNT) {
        g_Unit.Vwin32 = w9x::CreateFileA("\\\\.\\vwin32", 0, 0, 0, w9x::FileFlagDeleteOnClose);
        if (g_Unit.Vwin32 == w9x::InvalidHandleValue) {
            WarnDriver("Error loading \"VWIN32.VXD (INT25/26)\"");
        }
        g_Unit.Int2f = w9x::CreateFileA("\\\\.\\INT2F.VXD", 0, 0, 0, w9x::FileFlagDeleteOnClose);
        if (g_Unit.Int2f == w9x::InvalidHandleValue) {
            WarnDriver("Error loading \"INT2F.VXD\" (MSCDEX/CDFS)");
        }
    }
}

void EndLogicalDiskIo() {
    if (g_Unit.OpenDrive != nt::InvalidHandleValue) {
        nt::CloseHandle(g_Unit.OpenDrive);
    }
    if (g_Unit.Vwin32 != w9x::InvalidHandleValue) {
        w9x::CloseHandle(g_Unit.Vwin32);
    }
    if (g_Unit.Int2f != w9x::InvalidHandleValue) {
        w9x::CloseHandle(g_Unit.Int2f);
    }
    g_Unit.OpenDrive = nt::InvalidHandleValue;
    g_Unit.OpenDriveNumber = -1;
    g_Unit.SectorBytes9x.fill(0);
    g_Unit.Vwin32 = w9x::InvalidHandleValue;
    g_Unit.Int2f = w9x::InvalidHandleValue;
    g_Unit.Started = false;
}

bool IsCDROMDrive(uint8_t drive) {
    EnsureStarted();
    std::array<std::byte, 1> in{std::byte{static_cast<uint8_t>(drive - 1)}};
    std::array<std::byte, 1> out{};
    return w9x::DeviceIoControl(g_Unit.Int2f, 1, in.data(), 1, out.data(), 1, nullptr) &&
           out[0] == std::byte{1};
}

bool ReadLogicalSectors(uint8_t drive, uint32_t sector, uint16_t count, void* buffer) {
    EnsureStarted();
    if (drive < 1 || drive > 26) {
        return false;
    }
    if (count == 0) {
        return true;
    }
    auto* out = static_cast<std::byte*>(buffer);
    return g_Unit.IsNT ? ReadNt(drive, sector, count, out) : Read9x(drive, sector, count, out);
}

bool GetLogicalGeometry(uint8_t drive, TDiskGeometry& geometry) {
    EnsureStarted();
    geometry = TDiskGeometry{};
    if (drive < 1 || drive > 26) {
        return false;
    }
    if (g_Unit.IsNT) {
        const nt::THandle handle = nt::CreateFileA("\\\\.\\" + LetterText(drive) + ":", 0,
                                                   nt::FileShareWrite, nt::OpenExisting, 0);
        if (handle == nt::InvalidHandleValue) {
            return false;
        }
        bool ok = true;
        if (nt::GetDriveTypeA(LetterText(drive) + ":\\") == nt::DriveCdRom) {
            geometry.MediaKind = 4;
            geometry.Removable = 1;
            geometry.BytesPerSector = CdSectorBytes;
        } else {
            nt::TDiskGeometryOut out{};
            uint32_t returned = 0;
            ok = nt::DeviceIoControl(handle, nt::IoctlDiskGetDriveGeometry, nullptr, 0, &out,
                                     sizeof out, returned);
            if (ok) {
                GeometryFromNt(out, geometry);
            }
        }
        nt::CloseHandle(handle);
        return ok;
    }

    if (IsCDROMDrive(drive)) {
        geometry.MediaKind = 4;
        geometry.Removable = 1;
        geometry.BytesPerSector = CdSectorBytes;
        return true;
    }
    if (!g_Unit.INT25Enabled) {
        return false;
    }
    std::array<std::byte, 64> block{};
    w9x::TBufferToken token(block);
    w9x::TDiocRegisters registers;
    registers.EAX = 0x440D;
    registers.ECX = 0x0860;
    registers.EBX = drive;
    registers.EDX = token.Address();
    registers.Flags = w9x::CarryFlag;
    if (!CallVwin32(w9x::Vwin32DiocDosIoctl, registers)) {
        return false;
    }
    uint16_t attributes = 0, cylinders = 0, bytesPerSector = 0, sectorsPerTrack = 0, heads = 0;
    const uint8_t deviceType = std::to_integer<uint8_t>(block[1]);
    std::memcpy(&attributes, &block[2], 2);
    std::memcpy(&cylinders, &block[4], 2);
    std::memcpy(&bytesPerSector, &block[7], 2);
    std::memcpy(&sectorsPerTrack, &block[20], 2);
    std::memcpy(&heads, &block[22], 2);
    geometry.Heads = heads;
    geometry.Cylinders = cylinders;
    geometry.SectorsPerTrack = sectorsPerTrack;
    geometry.BytesPerSector = bytesPerSector;
    geometry.TotalSectors = SaturatedSectors(uint64_t{cylinders} * heads * sectorsPerTrack);
    const bool fixed = (attributes & 1) != 0;
    geometry.Removable = fixed ? 0 : 1;
    if (deviceType <= 4 || deviceType == 7 || deviceType == 8) {
        geometry.MediaKind = 1;
    } else if (deviceType == 5) {
        geometry.MediaKind = 3;
    } else if (deviceType == 6 || deviceType == 9) {
        geometry.MediaKind = fixed ? 0 : 2;
    }
    return true;
}

void SetINT25Enabled(bool enabled) {
    EnsureStarted();
    g_Unit.INT25Enabled = enabled;
}
bool INT25Enabled() {
    return g_Unit.INT25Enabled;
}

void StartSectorAccess() {
    StartPhysicalDiskIo();
    StartLogicalDiskIo();
}

void EndSectorAccess() {
    EndPhysicalDiskIo();
    EndLogicalDiskIo();
}

} // namespace tw::diskio
