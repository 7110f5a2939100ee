#pragma once

#include "devices/custom_drive.h"

#include <functional>
#include <memory>
#include <set>
#include <vector>

namespace tw::devices {

class TDevice;

/// Makes the volume object for a drive (the FAT volume, which lives in a higher layer).
using TDriveFactory = std::function<std::unique_ptr<TCustomDrive>()>;

/// Every volume the program knows, whatever device it lies on: FAT partitions, whole-device
/// volumes of floppies and drive letters, and lost volumes. Owns them.
class TDriveList {
public:
    explicit TDriveList(TDriveFactory factory) : m_Factory(std::move(factory)) {}
    ~TDriveList() { Clear(); }
    TDriveList(const TDriveList&) = delete;
    TDriveList& operator=(const TDriveList&) = delete;

    void Clear() { m_Items.clear(); }
    [[nodiscard]] int Count() const { return static_cast<int>(m_Items.size()); }
    [[nodiscard]] TCustomDrive* Items(int index) const {
        return m_Items.at(static_cast<size_t>(index)).get();
    }
    /// Appends the volumes of one device: the partitions of its tables (primary FAT entries
    /// first, then each extended chain depth first), or the whole device.
    void DetectDrives(TDevice& device);
    /// One partition table and the extended chains below it. A table sector already visited
    /// or a chain deeper than 64 tables ends the walk there.
    void ReadPartitionTable(TDevice& device, uint32_t tableSector, uint32_t extBase);
    /// Appends a volume found by the lost-drive search; its name gets " (lost)".
    TCustomDrive& AddLostDrive(TDevice& device, uint32_t bootSector, uint32_t volumeStart,
                               uint32_t length, bool quiet);
    /// Appends a volume made elsewhere (a volume rebuilt without its boot sector) as it is.
    TCustomDrive& Append(std::unique_ptr<TCustomDrive> drive);

private:
    TCustomDrive& AddDrive(TDevice& device, uint8_t flags, uint32_t bootSector,
                           uint32_t volumeStart, uint32_t sectors, bool quiet);
    void ReadPartitionTable(TDevice& device, uint32_t tableSector, uint32_t extBase,
                            std::set<uint32_t>& visited, int depth);

    TDriveFactory m_Factory;
    std::vector<std::unique_ptr<TCustomDrive>> m_Items;
};

/// Partition types that hold a FAT volume, and those of extended partitions.
[[nodiscard]] bool IsFatPartitionType(uint8_t type);
[[nodiscard]] bool IsExtendedPartitionType(uint8_t type);

} // namespace tw::devices
