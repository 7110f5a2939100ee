#include "platform/win9x_services.h"

#include "platform/device_table.h"
#include "platform/last_error.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <vector>

namespace tw::platform::w9x {

namespace {

enum class TService : uint8_t { Vwin32, Int13Ext, Int2f };

std::map<THandle, TService>& Handles() {
    static std::map<THandle, TService> handles;
    return handles;
}
THandle g_NextHandle = 1000;
uint64_t g_ServiceCalls = 0;

std::map<uint32_t, std::span<std::byte>>& Buffers() {
    static std::map<uint32_t, std::span<std::byte>> buffers;
    return buffers;
}
uint32_t g_NextAddress = 0x00410000;

std::set<std::string>& FailingDrivers() {
    static std::set<std::string> failing = [] {
        std::set<std::string> names;
        if (const char* env = std::getenv("TARNWELL_FAIL_DRIVERS")) {
            std::istringstream items(env);
            std::string item;
            while (std::getline(items, item, ',')) {
                names.insert(item);
            }
        }
        return names;
    }();
    return failing;
}

uint32_t Load32(const std::byte* p) {
    uint32_t v = 0;
    std::memcpy(&v, p, 4);
    return v;
}
uint16_t Load16(const std::byte* p) {
    uint16_t v = 0;
    std::memcpy(&v, p, 2);
    return v;
}
void Store16(std::byte* p, uint16_t v) {
    std::memcpy(p, &v, 2);
}
void Store32(std::byte* p, uint32_t v) {
    std::memcpy(p, &v, 4);
}
void Store64(std::byte* p, uint64_t v) {
    std::memcpy(p, &v, 8);
}

std::span<std::byte> Resolve(uint32_t address, size_t needed) {
    auto it = Buffers().find(address);
    if (it == Buffers().end() || it->second.size() < needed) {
        return {};
    }
    return it->second.first(needed);
}

/// Reads whole sectors of an entry. The source of each entry stays open between calls, as
/// a loaded driver keeps its device.
bool ReadEntry(const TDeviceEntry& entry, uint64_t sector, uint32_t sectorBytes,
               std::span<std::byte> out) {
    static std::map<std::string, std::shared_ptr<TByteSource>> sources;
    const std::string key =
        entry.SharedSource ? std::to_string(reinterpret_cast<uintptr_t>(entry.SharedSource.get()))
                           : entry.SourcePath;
    auto& source = sources[key];
    if (!source) {
        uint32_t error = 0;
        source = entry.Open(error);
        if (!source) {
            SetLastErrorCode(error);
            return false;
        }
    }
    const uint32_t error = source->ReadAt(sector * sectorBytes, out);
    if (error != ErrorCode::Success) {
        SetLastErrorCode(error);
        return false;
    }
    return true;
}

bool Fail(uint32_t code) {
    SetLastErrorCode(code);
    return false;
}

/// BIOS INT 13h: AH = 00h reset, AH = 08h get drive parameters.
void Int13(TDiocRegisters& r) {
    const uint8_t ah = static_cast<uint8_t>(r.EAX >> 8);
    const uint8_t disk = static_cast<uint8_t>(r.EDX);
    const TDeviceEntry* entry = DeviceTable().FindBios(disk);
    if (!entry) {
        r.EAX = (r.EAX & 0xFFFF00FFu) | 0x0100u;
        r.Flags |= CarryFlag;
        return;
    }
    if (ah == 0x08) {
        const uint64_t highestCylinder = std::min<uint64_t>(
            entry->Geometry.Cylinders == 0 ? 0 : entry->Geometry.Cylinders - 1, 1023);
        const uint32_t spt = std::min<uint32_t>(entry->Geometry.SectorsPerTrack, 63);
        const uint32_t heads = std::clamp<uint32_t>(entry->Geometry.Heads, 1, 256);
        const uint32_t cl = (spt & 0x3F) | static_cast<uint32_t>((highestCylinder >> 8) & 3) << 6;
        const uint32_t ch = static_cast<uint32_t>(highestCylinder & 0xFF);
        r.ECX = (ch << 8) | cl;
        r.EDX = ((heads - 1) << 8) | (disk < 128 ? 1u : 1u);
        r.EBX = entry->Kind == TEntryKind::ekFloppy ? 4u : 0u;
        r.EAX &= 0xFFFF00FFu;
    } else if (ah != 0x00) {
        r.Flags |= CarryFlag;
        return;
    }
    r.Flags &= ~CarryFlag;
}

/// The DOS device type byte of get-device-parameters for a floppy format.
uint8_t DosDeviceType(const TDeviceEntry& entry) {
    if (entry.Kind != TEntryKind::ekFloppy) {
        return 5; // fixed disk
    }
    switch (entry.Geometry.MediaType) {
    case MediaType::F5_1Pt2_512:
        return 1;
    case MediaType::F3_720_512:
        return 2;
    case MediaType::F3_2Pt88_512:
        return 9;
    case MediaType::F3_1Pt44_512:
        return 7;
    default:
        return 0;
    }
}

/// INT 21h 440Dh, CX = 0860h: get device parameters into the block at EDX.
void DosIoctl(TDiocRegisters& r) {
    r.Flags |= CarryFlag;
    if ((r.EAX & 0xFFFF) != 0x440D || (r.ECX & 0xFFFF) != 0x0860) {
        return;
    }
    const TDeviceEntry* entry = DeviceTable().FindLetter(static_cast<uint8_t>(r.EBX));
    std::span<std::byte> block = Resolve(r.EDX, 24);
    if (!entry || entry->Kind == TEntryKind::ekCdRom || block.empty()) {
        return;
    }
    // DOS reports at most 65535 cylinders; the BIOS-style geometry of a large volume is
    // 255 heads by 63 sectors.
    uint64_t cylinders = entry->Geometry.Cylinders;
    uint32_t heads = entry->Geometry.Heads;
    uint32_t spt = entry->Geometry.SectorsPerTrack;
    if (cylinders > 0xFFFF || heads > 0xFFFF || spt > 0xFFFF) {
        heads = 255;
        spt = 63;
        cylinders = std::min<uint64_t>(entry->SectorCount() / (255 * 63), 0xFFFF);
    }
    block[1] = std::byte{DosDeviceType(*entry)};
    Store16(&block[2], entry->Removable ? 0 : 1);
    Store16(&block[4], static_cast<uint16_t>(cylinders));
    Store16(&block[7], static_cast<uint16_t>(entry->Geometry.BytesPerSector));
    Store16(&block[20], static_cast<uint16_t>(spt));
    Store16(&block[22], static_cast<uint16_t>(heads));
    r.Flags &= ~CarryFlag;
}

/// The DISKIO packet of INT 25h and INT 21h 7305h: sector (32), count (16), buffer (32).
bool AbsoluteRead(uint8_t letterNumber, uint32_t packetAddress) {
    std::span<std::byte> packet = Resolve(packetAddress, 10);
    const TDeviceEntry* entry = DeviceTable().FindLetter(letterNumber);
    if (packet.empty() || !entry || entry->Kind == TEntryKind::ekCdRom) {
        return Fail(ErrorCode::NotReady);
    }
    const uint32_t sector = Load32(&packet[0]);
    const uint16_t count = Load16(&packet[4]);
    const uint32_t sectorBytes = entry->Geometry.BytesPerSector;
    std::span<std::byte> buffer = Resolve(Load32(&packet[6]), size_t{count} * sectorBytes);
    if (buffer.empty() && count != 0) {
        return Fail(ErrorCode::InvalidParameter);
    }
    return count == 0 || ReadEntry(*entry, sector, sectorBytes, buffer);
}

bool Vwin32Call(uint32_t code, TDiocRegisters& r) {
    switch (code) {
    case Vwin32DiocDosInt13:
        Int13(r);
        return true;
    case Vwin32DiocDosIoctl:
        DosIoctl(r);
        return true;
    case Vwin32DiocDosInt25:
        if ((r.ECX & 0xFFFF) == 0xFFFF && AbsoluteRead(static_cast<uint8_t>(r.EAX + 1), r.EBX)) {
            r.Flags &= ~CarryFlag;
        } else {
            r.Flags |= CarryFlag;
        }
        return true;
    case Vwin32DiocDosDriveInfo:
        if ((r.EAX & 0xFFFF) == 0x7305 && r.ESI == 0 &&
            AbsoluteRead(static_cast<uint8_t>(r.EDX), r.EBX)) {
            r.Flags &= ~CarryFlag;
        } else {
            r.Flags |= CarryFlag;
        }
        return true;
    default:
        return Fail(ErrorCode::InvalidFunction);
    }
}

/// INT13EXT.VXD packet: disk (8), LBA (32), count (8), buffer (32), unused (8).
bool Int13ExtCall(uint32_t code, std::byte* packet, uint32_t size) {
    if (size < 11 || packet == nullptr) {
        return Fail(ErrorCode::InvalidParameter);
    }
    const uint8_t disk = std::to_integer<uint8_t>(packet[0]);
    const TDeviceEntry* entry = DeviceTable().FindBios(disk);
    if (!entry) {
        return Fail(ErrorCode::NotReady);
    }
    if (code == 2) {
        const uint32_t lba = Load32(&packet[1]);
        const uint8_t count = std::to_integer<uint8_t>(packet[5]);
        std::span<std::byte> buffer = Resolve(Load32(&packet[6]), size_t{count} * 512);
        if (buffer.empty() && count != 0) {
            return Fail(ErrorCode::InvalidParameter);
        }
        return count == 0 || ReadEntry(*entry, lba, 512, buffer);
    }
    if (code == 4) {
        std::span<std::byte> block = Resolve(Load32(&packet[6]), 30);
        if (block.empty() || Load16(&block[0]) < 30) {
            return Fail(ErrorCode::InvalidParameter);
        }
        Store16(&block[2], entry->Removable ? 4 : 0);
        Store32(&block[4],
                static_cast<uint32_t>(std::min<uint64_t>(entry->Geometry.Cylinders, 0xFFFFFFFFu)));
        Store32(&block[8], entry->Geometry.Heads);
        Store32(&block[12], entry->Geometry.SectorsPerTrack);
        Store64(&block[16], entry->SectorCount());
        Store16(&block[24], static_cast<uint16_t>(entry->Geometry.BytesPerSector));
        Store32(&block[26], 0);
        return true;
    }
    return Fail(ErrorCode::InvalidFunction);
}

/// INT2F.VXD: service 1 asks whether a drive is a CD-ROM drive; service 2 reads one
/// 2048-byte sector with the packet drive − 1 (8), sector (32), count (8), buffer (32).
bool Int2fCall(uint32_t code, std::byte* in, uint32_t inSize, std::byte* out, uint32_t outSize) {
    if (code == 1) {
        if (inSize < 1 || outSize < 1 || in == nullptr || out == nullptr) {
            return Fail(ErrorCode::InvalidParameter);
        }
        const TDeviceEntry* entry =
            DeviceTable().FindLetter(static_cast<uint8_t>(std::to_integer<unsigned>(in[0]) + 1));
        out[0] = std::byte{entry && entry->Kind == TEntryKind::ekCdRom ? uint8_t{1} : uint8_t{0}};
        return true;
    }
    if (code == 2) {
        if (inSize < 10 || in == nullptr) {
            return Fail(ErrorCode::InvalidParameter);
        }
        const TDeviceEntry* entry =
            DeviceTable().FindLetter(static_cast<uint8_t>(std::to_integer<unsigned>(in[0]) + 1));
        if (!entry || entry->Kind != TEntryKind::ekCdRom) {
            return Fail(ErrorCode::NotReady);
        }
        const uint32_t sector = Load32(&in[1]);
        const uint8_t count = std::to_integer<uint8_t>(in[5]);
        std::span<std::byte> buffer = Resolve(Load32(&in[6]), size_t{count} * 2048);
        if (buffer.empty() && count != 0) {
            return Fail(ErrorCode::InvalidParameter);
        }
        return count == 0 || ReadEntry(*entry, sector, 2048, buffer);
    }
    return Fail(ErrorCode::InvalidFunction);
}

} // namespace

TBufferToken::TBufferToken(std::span<std::byte> buffer) : m_Address(g_NextAddress) {
    g_NextAddress += 0x1000;
    if (g_NextAddress == 0) {
        g_NextAddress = 0x00410000;
    }
    Buffers()[m_Address] = buffer;
}

TBufferToken::~TBufferToken() {
    Buffers().erase(m_Address);
}

THandle CreateFileA(const std::string& path, uint32_t /*access*/, uint32_t /*share*/,
                    uint32_t /*disposition*/, uint32_t /*flags*/) {
    TService service;
    std::string driver;
    if (path == "\\\\.\\vwin32") {
        service = TService::Vwin32;
        driver = "VWIN32";
    } else if (path == "\\\\.\\INT13EXT.VXD") {
        service = TService::Int13Ext;
        driver = "INT13EXT.VXD";
    } else if (path == "\\\\.\\INT2F.VXD") {
        service = TService::Int2f;
        driver = "INT2F.VXD";
    } else {
        SetLastErrorCode(ErrorCode::FileNotFound);
        return InvalidHandleValue;
    }
    if (FailingDrivers().count(driver) != 0) {
        SetLastErrorCode(ErrorCode::FileNotFound);
        return InvalidHandleValue;
    }
    const THandle handle = g_NextHandle++;
    Handles()[handle] = service;
    return handle;
}

bool CloseHandle(THandle handle) {
    return Handles().erase(handle) != 0;
}

bool DeleteFileA(const std::string& path) {
    if (path != "\\\\.\\INT13EXT" && path != "\\\\.\\INT2F") {
        return Fail(ErrorCode::FileNotFound);
    }
    const TService service = path == "\\\\.\\INT13EXT" ? TService::Int13Ext : TService::Int2f;
    std::erase_if(Handles(), [&](const auto& item) { return item.second == service; });
    return true;
}

bool DeviceIoControl(THandle handle, uint32_t code, void* in, uint32_t inSize, void* out,
                     uint32_t outSize, uint32_t* bytesReturned) {
    if (bytesReturned) {
        *bytesReturned = 0;
    }
    auto it = Handles().find(handle);
    if (it == Handles().end()) {
        return Fail(ErrorCode::InvalidHandle);
    }
    ++g_ServiceCalls;
    switch (it->second) {
    case TService::Vwin32: {
        if (in == nullptr || out == nullptr || inSize < sizeof(TDiocRegisters) ||
            outSize < sizeof(TDiocRegisters)) {
            return Fail(ErrorCode::InvalidParameter);
        }
        TDiocRegisters registers;
        std::memcpy(&registers, in, sizeof registers);
        if (!Vwin32Call(code, registers)) {
            return false;
        }
        std::memcpy(out, &registers, sizeof registers);
        if (bytesReturned) {
            *bytesReturned = sizeof registers;
        }
        return true;
    }
    case TService::Int13Ext:
        return Int13ExtCall(code, static_cast<std::byte*>(in), inSize);
    case TService::Int2f:
        return Int2fCall(code, static_cast<std::byte*>(in), inSize, static_cast<std::byte*>(out),
                         outSize);
    }
    return false;
}

void SetDriverLoadFails(const std::string& name, bool fails) {
    if (fails) {
        FailingDrivers().insert(name);
    } else {
        FailingDrivers().erase(name);
    }
}

uint64_t ServiceCallCount() {
    return g_ServiceCalls;
}

} // namespace tw::platform::w9x
