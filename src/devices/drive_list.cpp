#include "devices/drive_list.h"

#include "devices/device.h"
#include "diskio/log.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace tw::devices {

namespace {
constexpr size_t PartitionTableOffset = 446; // four 16-byte entries
constexpr size_t EntryTypeOffset = 4;        // partition type byte
constexpr size_t EntryStartOffset = 8;       // relative start sector, 32 bits
constexpr size_t EntryLengthOffset = 12;     // length in sectors, 32 bits
constexpr int MaxTableDepth = 64;

uint32_t Load32(const std::byte* p) {
    uint32_t v = 0;
    std::memcpy(&v, p, 4);
    return v;
}

struct TPartitionEntry {
    uint8_t Type;
    uint32_t Start;
    uint32_t Length;
};

TPartitionEntry EntryAt(const std::vector<std::byte>& sector, int e) {
    const std::byte* entry = sector.data() + PartitionTableOffset + 16 * e;
    return {std::to_integer<uint8_t>(entry[EntryTypeOffset]), Load32(entry + EntryStartOffset),
            Load32(entry + EntryLengthOffset)};
}
} // namespace

bool IsFatPartitionType(uint8_t type) {
    return type == 0x01 || type == 0x04 || type == 0x06 || type == 0x0B || type == 0x0C ||
           type == 0x0E;
}

bool IsExtendedPartitionType(uint8_t type) {
    return type == 0x05 || type == 0x0F;
}

TCustomDrive& TDriveList::AddDrive(TDevice& device, uint8_t flags, uint32_t bootSector,
                                   uint32_t volumeStart, uint32_t sectors, bool quiet) {
    m_Items.push_back(m_Factory());
    TCustomDrive& drive = *m_Items.back();
    drive.Device = &device;
    drive.Flags = flags;
    drive.BootSector = bootSector;
    drive.VolumeStart = volumeStart;
    drive.VolumeSectors = sectors;
    // The drive stays in the list whatever Open answers; the open flow decides later.
    (void)drive.Open(quiet);
    return drive;
}

void TDriveList::DetectDrives(TDevice& device) {
    diskio::Log("detect drives on device " + device.Name + "...", 1);
    std::vector<std::byte> sector(std::max<size_t>(512, device.BytesPerSector));
    // An empty removable drive stays silent; an unreadable fixed disk asks.
    const bool showErrors = device.MediaFlags != 1;
    if (!device.ReadSectors(0, 1, showErrors, sector.data())) {
        return;
    }
    if (device.Partitioned != 0) {
        ReadPartitionTable(device, 0, 0);
    } else {
        AddDrive(device, 0, 0, 0, device.TotalSectors, false);
    }
}

void TDriveList::ReadPartitionTable(TDevice& device, uint32_t tableSector, uint32_t extBase) {
    std::set<uint32_t> visited;
    ReadPartitionTable(device, tableSector, extBase, visited, 0);
}

void TDriveList::ReadPartitionTable(TDevice& device, uint32_t tableSector, uint32_t extBase,
                                    std::set<uint32_t>& visited, int depth) {
    if (depth >= MaxTableDepth || !visited.insert(tableSector).second) {
        diskio::Log("partition table at sector " + std::to_string(tableSector) +
                        " was already read or lies too deep; the chain ends here",
                    1);
        return;
    }
    std::vector<std::byte> sector(std::max<size_t>(512, device.BytesPerSector));
    if (!device.ReadSectors(tableSector, 1, false, sector.data())) {
        return;
    }
    for (int e = 0; e < 4; ++e) {
        const TPartitionEntry entry = EntryAt(sector, e);
        if (IsFatPartitionType(entry.Type)) {
            const uint32_t start = tableSector + entry.Start;
            AddDrive(device, 0, start, start, entry.Length, false);
        }
    }
    for (int e = 0; e < 4; ++e) {
        const TPartitionEntry entry = EntryAt(sector, e);
        if (!IsExtendedPartitionType(entry.Type)) {
            continue;
        }
        if (extBase == 0) {
            ReadPartitionTable(device, entry.Start, entry.Start, visited, depth + 1);
        } else {
            ReadPartitionTable(device, extBase + entry.Start, extBase, visited, depth + 1);
        }
    }
}

TCustomDrive& TDriveList::AddLostDrive(TDevice& device, uint32_t bootSector, uint32_t volumeStart,
                                       uint32_t length, bool quiet) {
    TCustomDrive& drive = AddDrive(device, 1, bootSector, volumeStart, length, quiet);
    drive.Name += " (lost)";
    return drive;
}

TCustomDrive& TDriveList::Append(std::unique_ptr<TCustomDrive> drive) {
    m_Items.push_back(std::move(drive));
    return *m_Items.back();
}

} // namespace tw::devices
