#include "fat/fat_drive.h"

#include "devices/device.h"
#include "diskio/log.h"
#include "fat/fat_directory.h"
#include "platform/prompter.h"
#include "platform/text_codec.h"

#include <algorithm>
#include <cstring>

namespace tw::fat {

namespace {

void InformationBox(const std::string& caption, const std::string& text) {
    platform::Prompter().Ask(platform::TPrompt{caption, text, platform::TPromptIcon::piInformation,
                                               platform::TPromptButtons::pbOK});
}

constexpr const char* BadParametersText =
    "Bad parameters for calculating logical drive information from Boot Sector";

} // namespace

TFATdrive::~TFATdrive() {
    // The categories go first: their destructors walk children that refer to this drive.
    RootDir.reset();
    DeletedDir.reset();
    LostDir.reset();
    SearchedDir.reset();
}

TFATDirectory& TFATdrive::Root() const {
    return static_cast<TFATDirectory&>(*RootDir);
}

bool TFATdrive::ReadSectors(uint32_t sector, uint16_t count, bool showErrors, void* buffer) {
    if (!Device) {
        return false;
    }
    const uint64_t absolute = uint64_t{VolumeStart} + sector;
    if (absolute > 0xFFFFFFFFu) {
        return false;
    }
    return Device->ReadSectors(static_cast<uint32_t>(absolute), count, showErrors, buffer);
}

bool TFATdrive::Open(bool quiet) {
    std::array<std::byte, 4096> sector{};
    if (!Device || Device->BytesPerSector == 0 || Device->BytesPerSector > sector.size() ||
        !ReadSectors(BootSector - VolumeStart, 1, true, sector.data())) {
        return false;
    }
    diskio::LogHexDump(std::span<const std::byte>(sector.data(), VolumeSectorBytes));
    std::copy_n(sector.begin(), BootRecord.size(), BootRecord.begin());
    const bool result = ParseBootSector(BootRecord, quiet);
    CreateCategories();
    return result;
}

bool TFATdrive::ParseBootSector(std::span<const std::byte> b, bool quiet) {
    auto fail = [&] {
        if (!quiet) {
            platform::Prompter().Ask(platform::TPrompt{"Error", BadParametersText,
                                                       platform::TPromptIcon::piInformation,
                                                       platform::TPromptButtons::pbOK});
        }
        return false;
    };
    if (b.size() < Boot::RecordBytes) {
        return fail();
    }
    std::copy_n(b.begin(), Boot::RecordBytes, BootRecord.begin());
    const uint32_t bytesPerSector = LoadLE16(b, Boot::BytesPerSector);
    const uint32_t sectorsPerCluster = std::to_integer<uint8_t>(b[Boot::SectorsPerCluster]);
    const uint32_t reserved = LoadLE16(b, Boot::ReservedSectors);
    const uint32_t fats = std::to_integer<uint8_t>(b[Boot::NumberOfFats]);
    const uint32_t rootEntries = LoadLE16(b, Boot::RootEntryCount);
    // Every buffer of the volume holds 512 bytes, and cluster sizes of 64 KiB do not fit the
    // 16-bit cluster byte count: such volumes are refused like a zero divisor.
    if (bytesPerSector != VolumeSectorBytes) {
        return fail();
    }
    RootDirSectors =
        static_cast<uint16_t>((rootEntries * 32 + bytesPerSector - 1) / bytesPerSector);
    const uint16_t spf16 = LoadLE16(b, Boot::SectorsPerFat16);
    SectorsPerFAT = spf16 != 0 ? spf16 : LoadLE32(b, Boot::SectorsPerFat32);
    FATSectors = SectorsPerFAT * fats;
    FirstDataSector = fats * SectorsPerFAT + reserved + RootDirSectors;
    const uint16_t total16 = LoadLE16(b, Boot::TotalSectors16);
    TotalSectors = total16 != 0 ? total16 : LoadLE32(b, Boot::TotalSectors32);
    DataSectors = TotalSectors - FirstDataSector;
    if (sectorsPerCluster == 0 || bytesPerSector * sectorsPerCluster >= 65536) {
        return fail();
    }
    ClusterCount = DataSectors / sectorsPerCluster;
    FATType = ClusterCount < 4085 ? Fat12 : ClusterCount < 65525 ? Fat16 : Fat32;
    BytesPerCluster = static_cast<uint16_t>(bytesPerSector * sectorsPerCluster);
    if (!quiet && BytesPerCluster > 32768) {
        InformationBox("Information", "bad parameter in boot sector: bytes per sector (" +
                                          std::to_string(BytesPerCluster) + ") > 32768 !");
    }
    const uint32_t rootCluster = LoadLE32(b, Boot::RootCluster32);
    if (FATType == Fat32) {
        if (!quiet && rootCluster > ClusterCount) {
            InformationBox("Information", "bad parameter in boot sector: root directory cluster (" +
                                              std::to_string(rootCluster) +
                                              ") > count of clusters !");
        } else if (!quiet && rootCluster < 2) {
            InformationBox("Information", "bad parameter in boot sector: root directory cluster (" +
                                              std::to_string(rootCluster) + ") < 2 !");
        }
        RootDirSector = (rootCluster - 2) * sectorsPerCluster + FirstDataSector;
        RootCluster = rootCluster;
    } else {
        RootDirSector = fats * SectorsPerFAT + reserved;
        RootCluster = 0;
    }
    EmptyCaches();
    FATInUse = 1;

    const size_t labelAt = FATType == Fat32 ? Boot::VolumeLabel32 : Boot::VolumeLabel16;
    std::string label;
    for (size_t i = 0; i < 11 && b[labelAt + i] != std::byte{0}; ++i) {
        label += static_cast<char>(b[labelAt + i]);
    }
    Name = platform::DecodeOemText(label);

    // A wiped first FAT (a quick format) leaves directories readable only as consecutive
    // clusters.
    const uint64_t n = std::min<uint64_t>(16, LastCluster());
    bool used = false;
    for (uint64_t c = 2; c <= n && !used; ++c) {
        const uint32_t v = GetFAT(static_cast<uint32_t>(c), 0);
        used = v != RootCluster && ClassifyFATValue(FATType, v) == FatLink;
    }
    if (!used) {
        Flags |= 4;
        FATInUse = 0;
    }
    return true;
}

void TFATdrive::CreateCategories() {
    auto make = [&](const char* name, uint32_t cluster, uint32_t sector, bool loaded) {
        auto folder = std::make_unique<TFATDirectory>();
        folder->Name = name;
        folder->Drive = this;
        folder->FirstCluster = cluster;
        folder->FirstSector = sector;
        if (loaded) {
            folder->Children = std::make_unique<devices::TItemList>();
        }
        return folder;
    };
    RootDir = make("Root", RootCluster, RootDirSector, false);
    DeletedDir = make("Deleted", RootCluster, RootDirSector, false);
    LostDir = make("Lost", 0, 0, true);
    SearchedDir = make("Searched", 0, 0, true);
}

uint32_t TFATdrive::ClusterToSector(uint32_t cluster) const {
    return (cluster - 2) * SectorsPerCluster() + FirstDataSector;
}

uint8_t TFATdrive::ClassifyFATValue(uint8_t fatType, uint32_t value) {
    const uint32_t last = fatType == Fat12 ? 0xFF0 : fatType == Fat16 ? 0xFFF0 : 0x0FFFFFF0;
    if (value == 0) {
        return FatFree;
    }
    if (value <= last) {
        return FatLink;
    }
    if (value <= last + 7) {
        return FatBad;
    }
    return FatEndOfChain;
}

bool TFATdrive::IsEndOfChain(uint32_t value) const {
    switch (FATType) {
    case Fat12:
        return value >= 0xFF8;
    case Fat16:
        return value >= 0xFFF8;
    default:
        return value >= 0x0FFFFFF8;
    }
}

void TFATdrive::EmptyCaches() {
    m_FatCache.Valid = m_DirCache.Valid = m_FileCache.Valid = false;
    m_FatCache.Sector = m_DirCache.Sector = m_FileCache.Sector = 0;
}

bool TFATdrive::FillCache(TSectorCache& cache, uint32_t sector) {
    if (cache.Valid && cache.Sector == sector) {
        return true;
    }
    if (!ReadSectors(sector, 1, true, cache.Data.data())) {
        // Failed reads are never passed on as data.
        std::fill_n(cache.Data.begin(), VolumeSectorBytes, std::byte{0});
        cache.Valid = false;
        return false;
    }
    cache.Sector = sector;
    cache.Valid = true;
    return true;
}

uint32_t TFATdrive::GetFAT(uint32_t cluster, uint32_t copyIndex) {
    if (!IsValidCluster(cluster)) {
        diskio::Log("GetFAT error, wrong parameter: N " + std::to_string(cluster) +
                        " (valid range is 2-" + std::to_string(LastCluster()) + ")",
                    3);
        return 0;
    }
    const uint32_t bps = VolumeSectorBytes;
    uint64_t offset = 0;
    switch (FATType) {
    case Fat16:
        offset = uint64_t{2} * cluster;
        break;
    case Fat32:
        offset = uint64_t{4} * cluster;
        break;
    default:
        offset = uint64_t{cluster} + cluster / 2;
        break;
    }
    const uint64_t sector = offset / bps + uint64_t{copyIndex} * SectorsPerFAT + ReservedSectors();
    const uint32_t inSector = static_cast<uint32_t>(offset % bps);
    if (sector + 1 > 0xFFFFFFFFu || !FillCache(m_FatCache, static_cast<uint32_t>(sector))) {
        return 0;
    }
    if (FATType == Fat12 && inSector == bps - 1) {
        // The entry's second byte lies in the next FAT sector.
        if (!ReadSectors(static_cast<uint32_t>(sector + 1), 1, true,
                         m_FatCache.Data.data() + VolumeSectorBytes)) {
            return 0;
        }
    }
    const std::span<const std::byte> data(m_FatCache.Data);
    switch (FATType) {
    case Fat16:
        return LoadLE16(data, inSector);
    case Fat32:
        return LoadLE32(data, inSector) & 0x0FFFFFFF;
    default: {
        const uint16_t word = LoadLE16(data, inSector);
        return (cluster & 1) != 0 ? word >> 4 : word & 0xFFF;
    }
    }
}

bool TFATdrive::ChainStep(TDirPosition& position) {
    const uint32_t next =
        FATInUse > 0 ? GetFAT(position.Cluster, FATInUse - 1u) : position.Cluster + 1;
    if (IsEndOfChain(next)) {
        return false;
    }
    // A free, reserved or out-of-volume link ends the chain, and so does a chain longer than
    // the volume has clusters (a cycle).
    if (!IsValidCluster(next) || ++position.ChainSteps > ClusterCount) {
        diskio::Log("cluster chain from " + std::to_string(position.Cluster) + " ends at value " +
                        std::to_string(next) + " after " + std::to_string(position.ChainSteps) +
                        " steps",
                    3);
        return false;
    }
    position.Cluster = next;
    return true;
}

bool TFATdrive::PositionInVolume(const TDirPosition& position, const char* operation) const {
    if (position.Cluster <= LastCluster()) {
        return true;
    }
    diskio::Log(std::string(operation) + " error, wrong parameter: cluster " +
                    std::to_string(position.Cluster) + " (valid range is 0-" +
                    std::to_string(LastCluster()) + ")",
                3);
    return false;
}

bool TFATdrive::ReadDataSec(TDirPosition& position, std::span<std::byte> buffer) {
    if (!PositionInVolume(position, "ReadDataSec")) {
        return false;
    }
    uint64_t sector = 0;
    if (position.Cluster == 0) {
        if (position.Index > 0) {
            position.Index = 0;
            ++position.Sector;
        }
        sector = position.Sector;
    } else {
        if (position.Index >= SectorsPerCluster()) {
            if (!ChainStep(position)) {
                return false;
            }
            position.Index = 0;
        }
        sector = uint64_t{ClusterToSector(position.Cluster)} + position.Index;
    }
    if (sector > 0xFFFFFFFFu || buffer.size() < VolumeSectorBytes ||
        !FillCache(m_DirCache, static_cast<uint32_t>(sector))) {
        return false;
    }
    std::copy_n(m_DirCache.Data.begin(), VolumeSectorBytes, buffer.begin());
    ++position.Index;
    return true;
}

} // namespace tw::fat
