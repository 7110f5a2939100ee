#pragma once

#include "fat/fat_entry.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tw::devices {
class TDevice;
class TDriveList;
} // namespace tw::devices

namespace tw::diskio {
class TStatusDialog;
}

namespace tw::fat {

/// Pieces a FAT volume together from the sectors of a device when its boot sector is gone:
/// where its FATs lie (recognised by runs of consecutive links), where its data starts and
/// how large its clusters are (from two "." directory sectors), and which directory sector
/// is its root (the one with a single volume label). Also holds the plausibility test of a
/// sector of directory entries, shared with the lost-data search.
class TFATAnalyser {
public:
    // Search state.
    devices::TDevice* Device = nullptr;
    std::vector<std::byte> FATStartCopy;
    uint32_t FATStart = 0;
    uint32_t FATEnd = 0;
    uint8_t FATCopies = 0;
    uint32_t SectorsPerFAT = 0;
    uint8_t FATType = 0;
    bool FATFound = false;
    bool DataStartFound = false;
    bool RootFound = false;
    uint16_t SectorsPerCluster = 0;
    uint32_t ClusterLimit = 0;
    uint32_t FirstDotCluster = 0;
    uint32_t FirstDotSector = 0;
    uint32_t DataStart = 0;
    uint8_t DirRun = 0;
    uint32_t RootSector = 0;
    uint8_t RootDirRun = 0;
    uint32_t RootCluster = 0;

    void Attach(devices::TDevice& device);
    void Detach();
    void Reset();

    /// 0x55 0xAA at 510, a short jump (0xEB) at 0, and 512..8192 bytes per sector.
    [[nodiscard]] static bool IsBootSector(std::span<const std::byte> sector);
    /// Feeds one sector to the rebuild; true when a rebuilt drive was added to drives.
    bool AnalyseSector(devices::TDriveList& drives, uint32_t sector,
                       std::span<const std::byte> data);
    /// Whether the sector is part of a FAT, of which type, and whether it starts one.
    [[nodiscard]] static bool DetectFATSector(std::span<const std::byte> data, uint8_t& fatType,
                                              bool& isStart);
    [[nodiscard]] static bool IsFATStart(std::span<const std::byte> data, uint8_t fatType);
    [[nodiscard]] static uint32_t GetFATEntry(std::span<const std::byte> data, uint32_t index,
                                              uint8_t fatType);
    /// The entry at index; advances index. False when the entry would end past the data.
    static bool NextDirEntry(std::span<const std::byte> data, TEntryBytes& entry, uint32_t& index);
    /// The sector starts with the directories "." (naming cluster) and "..".
    [[nodiscard]] static bool IsDotDirectorySector(std::span<const std::byte> data,
                                                   uint32_t& cluster);
    /// Exactly one entry of the sector looks like a volume label.
    [[nodiscard]] static bool HasSingleVolumeLabel(std::span<const std::byte> data);
    /// The first 16 entries are plausible directory entries of a volume with at most
    /// dataSectorLimit data sectors and clusterCount clusters.
    [[nodiscard]] static bool LooksLikeDirEntries(std::span<const std::byte> data,
                                                  uint32_t dataSectorLimit, uint32_t clusterCount);
    /// The rebuilt boot record (90 bytes) of what the analyser learnt.
    void BuildBootSector(std::span<std::byte> record) const;
};

/// Positions 0..n-1 at which a and b differ.
[[nodiscard]] uint32_t CountDifferentBytes(std::span<const std::byte> a,
                                           std::span<const std::byte> b, uint32_t n);

/// Searches sectors first..last of a device for lost FAT volumes: boot sectors no listed drive
/// of that device starts at, and volumes rebuilt without a boot sector. Adds them to drives;
/// returns how many. The range is clamped to the device, and first alone is read when last
/// lies before it. Cancel, or Abort on a read error, ends the search; finds stay.
uint32_t FindLostDrives(devices::TDevice& device, uint32_t first, uint32_t last,
                        devices::TDriveList& drives, diskio::TStatusDialog& dialog);

} // namespace tw::fat
