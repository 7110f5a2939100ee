#pragma once

#include <cstdint>
#include <string>

namespace tw::devices {

/// How a device is addressed: by BIOS disk number or by drive letter.
enum class TAccessKind : uint8_t { akBIOS = 0, akWindowsDrive = 1 };

/// One readable disk or FAT drive letter, with the one sector read every volume, folder and
/// file reader ends in. A small global read-ahead cache serves it while a long scan has
/// switched CacheEnabled on.
class TDevice {
public:
    TDevice() = default;
    /// Releases this device's cache slots, so that no slot names a freed device.
    ~TDevice();
    TDevice(const TDevice&) = delete;
    TDevice& operator=(const TDevice&) = delete;

    bool CacheEnabled = false;
    std::string Name;
    TAccessKind AccessKind = TAccessKind::akBIOS;
    /// 0 unknown, 1 floppy, 2 removable, 3 fixed, 4 remote, 5 CD-ROM, 6 RAM disk.
    uint8_t DriveType = 0;
    /// Bit 0: removable media.
    uint16_t MediaFlags = 0;
    uint32_t TotalSectors = 0;
    uint16_t BytesPerSector = 0;
    /// 1 when sector 0 holds a partition table.
    uint16_t Partitioned = 0;
    /// BIOS disk number, or drive letter number (A = 1).
    uint8_t DriveNumber = 0;
    /// Sectors per cache fill; 0 means never cached.
    uint32_t ReadAheadSectors = 0;

    /// Reads count device sectors from sector on into buffer (count × BytesPerSector bytes).
    /// True when every sector was delivered.
    [[nodiscard]] bool ReadSectors(uint32_t sector, uint16_t count, bool showErrors, void* buffer);
    void SetCacheEnabled(bool on) { CacheEnabled = on; }
    /// Times 100 ms of single-sector reads and sizes ReadAheadSectors from it.
    void CalibrateReadAhead();
    /// Every slot this device owns becomes empty.
    void DropCachedSectors();

private:
    [[nodiscard]] bool ReadDirect(uint32_t sector, uint16_t count, bool showErrors, void* buffer);
};

/// The global switch of the read-ahead cache (from the options).
void SetReadAheadEnabled(bool enabled);
[[nodiscard]] bool ReadAheadEnabled();

/// Keeps the device's cache switched on for a scope, and off again however the scope ends.
class TCacheScope {
public:
    TCacheScope(TDevice& device, bool on) : m_Device(device) { m_Device.SetCacheEnabled(on); }
    ~TCacheScope() { m_Device.SetCacheEnabled(false); }
    TCacheScope(const TCacheScope&) = delete;
    TCacheScope& operator=(const TCacheScope&) = delete;

private:
    TDevice& m_Device;
};

} // namespace tw::devices
