#pragma once

#include "devices/custom_drive.h"
#include "fat/fat_entry.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace tw::fat {

class TFATDirectory;

/// Every sector buffer of a volume holds this many bytes; volumes with other sector sizes
/// are refused when their boot sector is parsed.
constexpr uint32_t VolumeSectorBytes = 512;

/// FAT types.
constexpr uint8_t FatTypeNone = 0;
constexpr uint8_t Fat12 = 1;
constexpr uint8_t Fat16 = 2;
constexpr uint8_t Fat32 = 3;

/// Classes of FAT entry values.
constexpr uint8_t FatLink = 1;
constexpr uint8_t FatFree = 2;
constexpr uint8_t FatBad = 4;
constexpr uint8_t FatEndOfChain = 8;

/// Boot sector layout (offsets in bytes, little-endian).
namespace Boot {
constexpr size_t OemName = 3;            // 8 bytes
constexpr size_t BytesPerSector = 11;    // 16 bits
constexpr size_t SectorsPerCluster = 13; // 8 bits
constexpr size_t ReservedSectors = 14;   // 16 bits
constexpr size_t NumberOfFats = 16;      // 8 bits
constexpr size_t RootEntryCount = 17;    // 16 bits
constexpr size_t TotalSectors16 = 19;    // 16 bits
constexpr size_t SectorsPerFat16 = 22;   // 16 bits
constexpr size_t TotalSectors32 = 32;    // 32 bits
constexpr size_t SectorsPerFat32 = 36;   // 32 bits
constexpr size_t VolumeLabel16 = 43;     // 11 bytes
constexpr size_t RootCluster32 = 44;     // 32 bits
constexpr size_t VolumeLabel32 = 71;     // 11 bytes
constexpr size_t RecordBytes = 90;
} // namespace Boot

/// A position inside a directory or a run of data sectors: cluster (0 = addressed by
/// sector), sector (used when the cluster is 0), entry or sector index. The walk counts its
/// chain steps, so that a cyclic chain ends.
struct TDirPosition {
    uint32_t Cluster = 0;
    uint32_t Sector = 0;
    uint32_t Index = 0;
    uint32_t FirstSector = 0;
    uint64_t ChainSteps = 0;

    static TDirPosition Start(uint32_t cluster, uint32_t sector) {
        return TDirPosition{cluster, sector, 0, sector, 0};
    }
};

/// The read position of one file: start cluster, current cluster, position and size.
struct TFATFileReader {
    uint32_t StartCluster = 0;
    uint32_t CurrentCluster = 0;
    uint32_t Position = 0;
    uint32_t Size = 0;
    /// The chain or the volume ended before Size: the rest reads as zeros.
    bool PastEnd = false;
};

/// One FAT12, FAT16 or FAT32 volume.
class TFATdrive final : public devices::TCustomDrive {
public:
    TFATdrive() = default;
    ~TFATdrive() override;

    /// 0 = take clusters as consecutive; n = follow FAT copy n.
    uint8_t FATInUse = 0;
    bool SkipBadClusters = false;
    std::array<std::byte, Boot::RecordBytes> BootRecord{};
    uint8_t FATType = FatTypeNone;
    uint32_t TotalSectors = 0;
    uint16_t BytesPerCluster = 0;
    uint32_t RootCluster = 0;
    uint16_t RootDirSectors = 0;
    uint32_t RootDirSector = 0;
    uint32_t SectorsPerFAT = 0;
    uint32_t FATSectors = 0;
    uint32_t FirstDataSector = 0;
    uint32_t DataSectors = 0;
    uint32_t ClusterCount = 0;

    [[nodiscard]] uint16_t BytesPerSector() const {
        return LoadLE16(BootRecord, Boot::BytesPerSector);
    }
    [[nodiscard]] uint8_t SectorsPerCluster() const {
        return std::to_integer<uint8_t>(BootRecord[Boot::SectorsPerCluster]);
    }
    [[nodiscard]] uint16_t ReservedSectors() const {
        return LoadLE16(BootRecord, Boot::ReservedSectors);
    }
    [[nodiscard]] uint8_t NumberOfFATs() const {
        return std::to_integer<uint8_t>(BootRecord[Boot::NumberOfFats]);
    }
    /// The highest valid cluster number (ClusterCount + 1), in 64 bits.
    [[nodiscard]] uint64_t LastCluster() const { return uint64_t{ClusterCount} + 1; }
    [[nodiscard]] bool IsValidCluster(uint64_t cluster) const {
        return cluster >= 2 && cluster <= LastCluster();
    }

    [[nodiscard]] bool ReadSectors(uint32_t sector, uint16_t count, bool showErrors,
                                   void* buffer) override;
    bool Open(bool quiet) override;
    /// Derives the volume's geometry from a boot record. False, with a box unless quiet, when
    /// the values cannot describe a volume this program reads.
    bool ParseBootSector(std::span<const std::byte> bootRecord, bool quiet);
    void CreateCategories();
    [[nodiscard]] uint32_t ClusterToSector(uint32_t cluster) const;
    /// The FAT entry of cluster in copy copyIndex (from 0); 0 on error.
    [[nodiscard]] uint32_t GetFAT(uint32_t cluster, uint32_t copyIndex);
    [[nodiscard]] bool IsEndOfChain(uint32_t value) const;
    [[nodiscard]] static uint8_t ClassifyFATValue(uint8_t fatType, uint32_t value);
    /// The next sector of a cluster chain or sector run, into buffer (512 bytes).
    bool ReadDataSec(TDirPosition& position, std::span<std::byte> buffer);
    /// Moves cluster to the next one of its chain (FATInUse) or to cluster + 1. False when the
    /// chain ends, also at a value outside the volume or after ClusterCount steps.
    bool ChainStep(TDirPosition& position);

    // Directory reading.
    /// The raw entry at the position, then advances. False at the end of the chain, of the
    /// fixed root directory, or of the volume, and when a read was aborted.
    bool GetNextRecord(TDirPosition& position, TEntryBytes& entry);
    /// The next entry and its name (long name when there is one). With includeDeleted false
    /// deleted entries are skipped.
    bool NextEntry(TDirPosition& position, bool includeDeleted, TEntryName& name,
                   TEntryBytes& entry);
    /// Reads the run of long-name entries that starts with entry; on success entry is the
    /// entry that followed the run.
    bool ReadLongName(TDirPosition& position, TEntryBytes& entry, std::string& name);
    /// The first two entries at the position are the directories "." and "..".
    bool StartsWithDotEntries(uint32_t cluster, uint32_t sector);

    // File data.
    bool InitReader(TFATFileReader& reader, uint32_t firstCluster, uint32_t size);
    /// Up to count bytes from the reader's position (the full count unless the file ends).
    /// False when a read was aborted, or when the position lies beyond the size.
    bool ReadFile(TFATFileReader& reader, uint32_t count, uint32_t& got, uint8_t fatChoice,
                  std::byte* buffer);
    bool SeekFile(TFATFileReader& reader, uint32_t position, uint8_t fatChoice);

    // Tree and list content.
    void FillTree(devices::TTreeView& tree) override;
    void SetupColumns(devices::TListView& list) override;

    [[nodiscard]] TFATDirectory& Root() const;

private:
    struct TSectorCache {
        std::array<std::byte, 2 * VolumeSectorBytes> Data{};
        uint32_t Sector = 0;
        bool Valid = false;
    };
    /// Reads one sector into a cache unless it holds it already. A failed read leaves the
    /// cache zeroed and unlabelled.
    bool FillCache(TSectorCache& cache, uint32_t sector);
    void EmptyCaches();
    /// False, with a level-3 log line naming the operation, when the position's cluster lies
    /// past the volume.
    bool PositionInVolume(const TDirPosition& position, const char* operation) const;
    bool NextFileCluster(TFATFileReader& reader, uint8_t fatChoice);

    TSectorCache m_FatCache;
    TSectorCache m_DirCache;
    TSectorCache m_FileCache;
};

} // namespace tw::fat
