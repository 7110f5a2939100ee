// Directory entries of a FAT volume: raw records, long names, and entries with their names.
#include "diskio/log.h"
#include "fat/fat_drive.h"
#include "platform/text_codec.h"

#include <algorithm>
#include <array>

namespace tw::fat {

namespace {
constexpr uint32_t EntriesPerSector = VolumeSectorBytes / 32;
constexpr int MaxLongNameEntries = 18;
constexpr int UnitsPerLongEntry = 13;
constexpr uint64_t MaxDirectoryEntries = 65536;
} // namespace

bool TFATdrive::GetNextRecord(TDirPosition& position, TEntryBytes& entry) {
    if (!PositionInVolume(position, "GetNextRecord")) {
        return false;
    }
    uint64_t sector = 0;
    if (position.Cluster == 0) {
        if (position.Index >= EntriesPerSector) {
            position.Index = 0;
            ++position.Sector;
        }
        // A full fixed root directory ends with its last sector; the data area behind it
        // belongs to cluster 2.
        const uint64_t rootEnd = uint64_t{RootDirSector} + RootDirSectors;
        if (RootDirSectors != 0 && position.FirstSector >= RootDirSector &&
            position.FirstSector < rootEnd && position.Sector >= rootEnd) {
            return false;
        }
        sector = position.Sector;
    } else {
        const uint32_t entriesPerCluster = BytesPerCluster / 32u;
        if (entriesPerCluster == 0) {
            return false;
        }
        if (position.Index >= entriesPerCluster) {
            // A folder holds at most 65536 entries; a chain that runs on is a cycle.
            if ((position.ChainSteps + 1) * entriesPerCluster >= MaxDirectoryEntries) {
                diskio::Log("folder chain from cluster " + std::to_string(position.Cluster) +
                                " holds more than " + std::to_string(MaxDirectoryEntries) +
                                " entries; it ends here",
                            3);
                return false;
            }
            if (!ChainStep(position)) {
                return false;
            }
            position.Index = 0;
        }
        sector = uint64_t{ClusterToSector(position.Cluster)} + position.Index / EntriesPerSector;
    }
    if (sector > 0xFFFFFFFFu || !FillCache(m_DirCache, static_cast<uint32_t>(sector))) {
        return false;
    }
    const size_t offset = (position.Index % EntriesPerSector) * 32;
    std::copy_n(m_DirCache.Data.begin() + static_cast<std::ptrdiff_t>(offset), 32, entry.begin());
    ++position.Index;
    return true;
}

bool TFATdrive::ReadLongName(TDirPosition& position, TEntryBytes& entry, std::string& name) {
    if (!IsLongNameEntry(entry) || LoadLE16(entry, LongEntry::ClusterLow) != 0 ||
        (ByteAt(entry, LongEntry::Sequence) & 0x40) == 0) {
        return false;
    }
    const uint8_t checksum = ByteAt(entry, LongEntry::Checksum);
    std::array<uint16_t, MaxLongNameEntries * UnitsPerLongEntry> units{};
    size_t p = units.size();
    size_t count = 0;
    int taken = 0;
    bool ok = true;
    while (IsLongNameEntry(entry) && LoadLE16(entry, LongEntry::ClusterLow) == 0 &&
           ByteAt(entry, LongEntry::Checksum) == checksum && taken < MaxLongNameEntries) {
        p -= UnitsPerLongEntry;
        for (size_t i = 0; i < 5; ++i) {
            units[p + i] = LoadLE16(entry, LongEntry::Chars1 + 2 * i);
        }
        for (size_t i = 0; i < 6; ++i) {
            units[p + 5 + i] = LoadLE16(entry, LongEntry::Chars2 + 2 * i);
        }
        for (size_t i = 0; i < 2; ++i) {
            units[p + 11 + i] = LoadLE16(entry, LongEntry::Chars3 + 2 * i);
        }
        count += UnitsPerLongEntry;
        ++taken;
        if (taken < MaxLongNameEntries) {
            ok = GetNextRecord(position, entry);
            if (!ok) {
                break;
            }
        }
    }
    if (!ok) {
        return false;
    }
    name = platform::Utf16ToUtf8(std::span<const uint16_t>(units.data() + p, count));
    return true;
}

bool TFATdrive::NextEntry(TDirPosition& position, bool includeDeleted, TEntryName& name,
                          TEntryBytes& entry) {
    bool r = false;
    do {
        r = GetNextRecord(position, entry);
        if (r && ByteAt(entry, 0) == 0) {
            r = false;
        }
    } while (r && IsDeletedEntry(entry) && !includeDeleted);
    if (!r) {
        return false;
    }
    if (IsLongNameEntry(entry)) {
        std::string longName;
        if (ReadLongName(position, entry, longName)) {
            // A run of long-name entries that reaches the end of the directory names nothing.
            if (ByteAt(entry, 0) == 0) {
                return false;
            }
            name = TEntryName{longName, false};
            return true;
        }
    }
    name = DecodeShortName(entry);
    return true;
}

bool TFATdrive::StartsWithDotEntries(uint32_t cluster, uint32_t sector) {
    if (cluster != 0 && !IsValidCluster(cluster)) {
        return false;
    }
    TDirPosition position = TDirPosition::Start(cluster, sector);
    TEntryBytes entry{};
    if (!GetNextRecord(position, entry) || (AttributesOf(entry) & Attribute::Directory) == 0 ||
        ShortNameText(entry) != ".") {
        return false;
    }
    return GetNextRecord(position, entry) && (AttributesOf(entry) & Attribute::Directory) != 0 &&
           ShortNameText(entry) == "..";
}

} // namespace tw::fat
