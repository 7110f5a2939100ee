#include "fat/fat_analyser.h"

#include "devices/device.h"
#include "devices/drive_list.h"
#include "diskio/log.h"
#include "fat/fat_drive.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace tw::fat {

namespace {

/// Media bytes a FAT may start with (0xFF is not one of them).
constexpr std::array<uint8_t, 8> MediaBytes{0xF0, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE};

/// Bytes of the first FAT start sector kept for recognising its copies.
constexpr uint32_t FATStartCompareBytes = 512;
/// A FAT start differing from the first one in fewer bytes than this is a copy of it.
constexpr uint32_t FATCopyMaxDifferences = 16;
/// A FAT sector holds more than this many links that continue the link before them.
constexpr uint32_t MinConsecutiveLinks = 16;
/// A link value held by more than this many other entries of a sector is no FAT's.
constexpr uint32_t MaxSameLinkOthers = 4;
/// ClusterLimit from the first FAT sector on: no cluster number is refused as too large.
constexpr uint32_t OpenClusterLimit = 0xFFFFFFFEu;
/// Entries LooksLikeDirEntries examines: one 512-byte sector of them.
constexpr uint32_t DirTestEntries = 16;
constexpr uint32_t EntryBytes = 32;

constexpr const char* RebuiltDriveName = "DRIVE (without BootSec)";

uint8_t ByteOf(std::span<const std::byte> data, size_t at) {
    return std::to_integer<uint8_t>(data[at]);
}

/// Entries of type fatType that lie wholly inside size bytes.
uint32_t FATEntriesIn(size_t size, uint8_t fatType) {
    switch (fatType) {
    case Fat32:
        return static_cast<uint32_t>(size / 4);
    case Fat16:
        return static_cast<uint32_t>(size / 2);
    default:
        return static_cast<uint32_t>(2 * size / 3);
    }
}

/// The last link value of a FAT type; up to 7 values above it mark bad or reserved clusters.
constexpr uint32_t LastLinkOf(uint8_t fatType) {
    return fatType == Fat12 ? 0xFF0u : fatType == Fat16 ? 0xFFF0u : 0x0FFFFFF0u;
}

/// Little-endian words at p, as single loads on little-endian hosts.
uint32_t RawLE32(const unsigned char* p) {
    if constexpr (std::endian::native == std::endian::little) {
        uint32_t word = 0;
        std::memcpy(&word, p, 4);
        return word;
    } else {
        return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
    }
}
uint32_t RawLE16(const unsigned char* p) {
    if constexpr (std::endian::native == std::endian::little) {
        uint16_t word = 0;
        std::memcpy(&word, p, 2);
        return word;
    } else {
        return p[0] | p[1] << 8;
    }
}

/// Entries 0..n-1 of a FAT sector, decoded into out.
template <typename TValue>
void DecodeFATEntries(std::span<const std::byte> data, uint8_t fatType, size_t n,
                      std::vector<TValue>& out) {
    out.resize(n);
    const auto* p = reinterpret_cast<const unsigned char*>(data.data());
    TValue* v = out.data();
    size_t j = 0;
    switch (fatType) {
    case Fat32:
        for (; j < n; ++j) {
            v[j] = static_cast<TValue>(RawLE32(p + 4 * j) & 0x0FFFFFFFu);
        }
        break;
    case Fat16:
        for (; j < n; ++j) {
            v[j] = static_cast<TValue>(RawLE16(p + 2 * j));
        }
        break;
    default:
        // Two entries in every three bytes: the low 12 bits of the word at 3k and the high
        // 12 bits of the word at 3k + 1.
        for (; j + 2 <= n; j += 2) {
            v[j] = static_cast<TValue>(RawLE16(p + j / 2 * 3) & 0xFFFu);
            v[j + 1] = static_cast<TValue>(RawLE16(p + j / 2 * 3 + 1) >> 4);
        }
        for (; j < n; ++j) {
            v[j] = static_cast<TValue>(
                TFATAnalyser::GetFATEntry(data, static_cast<uint32_t>(j), Fat12));
        }
        break;
    }
}

/// Whether link v may continue the link before it, judged from its neighbour b alone: b is a
/// link one below v, or b is free or bad (the previous link lies further back), or v is
/// cluster 1 (which continues the start of the walk and every chain end). Branch-free and in
/// the entry's own width, so that the loops below vectorise.
template <typename TValue, uint32_t LastLink> TValue MayContinue(TValue b, TValue v) {
    const TValue one = 1;
    const TValue link = static_cast<TValue>(v - one) < static_cast<TValue>(LastLink);
    const TValue keepsPrevious =
        (b == 0) | (static_cast<TValue>(b - static_cast<TValue>(LastLink + 1)) < TValue{7});
    return link & ((static_cast<TValue>(b + one) == v) | keepsPrevious | (v == one));
}

/// An upper bound of the links among entries from..n-1 that continue the link before them
/// (the run count of PassesAsFAT), from neighbours alone. Ordinary data (text, compressed
/// bytes) has almost no such positions, so this rejects it cheaply. Entry counts stay below
/// 2^16 (sectors hold at most 65535 bytes), so 16-bit sums do for FAT12 and FAT16.
uint32_t CandidateLinks(std::span<const std::byte> data, uint8_t fatType, size_t from, size_t n) {
    const auto* p = reinterpret_cast<const unsigned char*>(data.data());
    const uint32_t first = TFATAnalyser::GetFATEntry(data, static_cast<uint32_t>(from), fatType);
    switch (fatType) {
    case Fat32: {
        uint32_t candidates = first == 1 ? 1 : 0;
        for (size_t j = from + 1; j < n; ++j) {
            candidates += MayContinue<uint32_t, LastLinkOf(Fat32)>(
                RawLE32(p + 4 * j - 4) & 0x0FFFFFFFu, RawLE32(p + 4 * j) & 0x0FFFFFFFu);
        }
        return candidates;
    }
    case Fat16: {
        uint16_t candidates = first == 1 ? 1 : 0;
        for (size_t j = from + 1; j < n; ++j) {
            candidates += MayContinue<uint16_t, LastLinkOf(Fat16)>(
                static_cast<uint16_t>(RawLE16(p + 2 * j - 2)),
                static_cast<uint16_t>(RawLE16(p + 2 * j)));
        }
        return candidates;
    }
    default: {
        thread_local std::vector<uint16_t> entries;
        DecodeFATEntries(data, Fat12, n, entries);
        const uint16_t* v = entries.data();
        uint16_t candidates = first == 1 ? 1 : 0;
        for (size_t j = from + 1; j < n; ++j) {
            candidates += MayContinue<uint16_t, LastLinkOf(Fat12)>(v[j - 1], v[j]);
        }
        return candidates;
    }
    }
}

/// Whether the entries of one sector read as a FAT of the given type: more than 16 links
/// continue the link before them by one cluster, and no link value is held by more than
/// four other entries of the examined range. Only sectors that pass the neighbour bound are
/// walked, and only those that pass the walk are sorted for the duplicate test, so
/// ordinary data costs one vectorised pass a type.
bool PassesAsFAT(std::span<const std::byte> data, uint8_t fatType, bool isStart,
                 std::vector<uint32_t>& values) {
    const size_t n = FATEntriesIn(data.size(), fatType);
    const size_t from = isStart ? 2 : 0;
    if (n <= from + MinConsecutiveLinks ||
        CandidateLinks(data, fatType, from, n) <= MinConsecutiveLinks) {
        return false;
    }
    DecodeFATEntries(data, fatType, n, values);
    const std::span<uint32_t> examined(values.data() + from, n - from);
    uint32_t prev = 0;
    uint32_t count = 0;
    for (const uint32_t v : examined) {
        switch (TFATdrive::ClassifyFATValue(fatType, v)) {
        case FatEndOfChain:
            prev = 0;
            break;
        case FatLink:
            if (v == prev + 1) {
                ++count;
            }
            prev = v;
            break;
        default:
            break;
        }
    }
    if (count <= MinConsecutiveLinks) {
        return false;
    }
    // A link value held by more than MaxSameLinkOthers other entries fails the type.
    std::sort(examined.begin(), examined.end());
    for (size_t i = 0; i < examined.size();) {
        size_t j = i + 1;
        while (j < examined.size() && examined[j] == examined[i]) {
            ++j;
        }
        if (j - i > MaxSameLinkOthers + 1 &&
            TFATdrive::ClassifyFATValue(fatType, examined[i]) == FatLink) {
            return false;
        }
        i = j;
    }
    return true;
}

/// Seconds / 2, minutes and hours of a packed time are in range (0 = not set).
bool IsPlausibleTime(uint16_t time) {
    return time == 0 || ((time & 0x1F) <= 29 && ((time >> 5) & 0x3F) <= 59 && (time >> 11) <= 23);
}

/// Day and month of a packed date are in range (0 = not set); the year is not tested.
bool IsPlausibleDate(uint16_t date) {
    if (date == 0) {
        return true;
    }
    const unsigned day = date & 0x1F;
    const unsigned month = (date >> 5) & 0x0F;
    return day >= 1 && month >= 1 && month <= 12;
}

/// Name bytes a short entry cannot hold: the quote, * + , . / : ; < = > ? [ \ ] and |.
bool IsForbiddenNameByte(uint8_t b) {
    return b == 0x22 || (b >= 0x2A && b <= 0x2C) || b == 0x2E || b == 0x2F ||
           (b >= 0x3A && b <= 0x3F) || (b >= 0x5B && b <= 0x5D) || b == 0x7C;
}

bool IsPlausibleShortEntry(const TEntryBytes& e, uint32_t dataSectorLimit, uint32_t clusterCount) {
    for (size_t i = 0; i < 11; ++i) {
        const uint8_t b = ByteAt(e, Entry::Name + i);
        if (b < 0x20) {
            if (!(i == 0 && b == EscapedE5)) {
                return false;
            }
        } else if (b <= 0x7F && IsForbiddenNameByte(b)) {
            return false;
        }
    }
    const uint8_t attributes = AttributesOf(e);
    const uint64_t cluster = FirstClusterOf(e);
    if ((attributes & Attribute::VolumeLabel) != 0) {
        if (cluster != 0) {
            return false;
        }
    } else if (cluster < 2 || cluster > uint64_t{clusterCount} + 1) {
        return false;
    }
    if ((attributes & 0xC0) != 0) {
        return false;
    }
    if (LoadLE32(e, Entry::FileSize) / 512 > dataSectorLimit) {
        return false;
    }
    return IsPlausibleTime(LoadLE16(e, Entry::WriteTime)) &&
           IsPlausibleTime(LoadLE16(e, Entry::CreationTime)) &&
           IsPlausibleDate(LoadLE16(e, Entry::WriteDate)) &&
           IsPlausibleDate(LoadLE16(e, Entry::CreationDate)) &&
           IsPlausibleDate(LoadLE16(e, Entry::LastAccessDate));
}

bool IsLabelLike(const TEntryBytes& e) {
    const uint8_t attributes = AttributesOf(e);
    return attributes != Attribute::LongName && (attributes & Attribute::VolumeLabel) != 0 &&
           LoadLE16(e, Entry::FirstClusterHigh) == 0 && LoadLE16(e, Entry::FirstClusterLow) == 0 &&
           (ByteAt(e, Entry::Name) & 0x40) != 0;
}

} // namespace

void TFATAnalyser::Attach(devices::TDevice& device) {
    Device = &device;
    // One device sector, and never fewer than the bytes a FAT start is compared over.
    FATStartCopy.assign(std::max<size_t>(device.BytesPerSector, FATStartCompareBytes),
                        std::byte{0});
    Reset();
}

void TFATAnalyser::Detach() {
    FATStartCopy.clear();
    FATStartCopy.shrink_to_fit();
}

void TFATAnalyser::Reset() {
    FATStart = 0;
    FATEnd = 0;
    FATCopies = 0;
    SectorsPerFAT = 0;
    FATFound = false;
    DataStartFound = false;
    RootFound = false;
    SectorsPerCluster = 0;
    ClusterLimit = 0;
    FirstDotCluster = 0;
    FirstDotSector = 0;
    DataStart = 0;
    DirRun = 0;
    RootSector = 0;
    RootDirRun = 0;
    RootCluster = 0;
}

bool TFATAnalyser::IsBootSector(std::span<const std::byte> sector) {
    if (sector.size() < 512) {
        return false;
    }
    const uint16_t bytesPerSector = LoadLE16(sector, Boot::BytesPerSector);
    return ByteOf(sector, 510) == 0x55 && ByteOf(sector, 511) == 0xAA &&
           ByteOf(sector, 0) == 0xEB &&
           (bytesPerSector == 512 || bytesPerSector == 1024 || bytesPerSector == 2048 ||
            bytesPerSector == 4096 || bytesPerSector == 8192);
}

uint32_t TFATAnalyser::GetFATEntry(std::span<const std::byte> data, uint32_t index,
                                   uint8_t fatType) {
    switch (fatType) {
    case Fat32: {
        const uint64_t at = uint64_t{index} * 4;
        return at + 4 <= data.size() ? LoadLE32(data, at) & 0x0FFFFFFFu : 0;
    }
    case Fat16: {
        const uint64_t at = uint64_t{index} * 2;
        return at + 2 <= data.size() ? LoadLE16(data, at) : 0;
    }
    default: {
        const uint64_t at = uint64_t{index} + index / 2;
        if (at + 2 > data.size()) {
            return 0;
        }
        const uint16_t word = LoadLE16(data, at);
        return (index & 1) != 0 ? word >> 4 : word & 0xFFFu;
    }
    }
}

bool TFATAnalyser::IsFATStart(std::span<const std::byte> data, uint8_t fatType) {
    if (data.size() < 4) {
        return false;
    }
    const uint32_t word32 = LoadLE32(data, 0);
    const uint16_t word16 = LoadLE16(data, 0);
    for (const uint8_t m : MediaBytes) {
        const bool match = fatType == Fat32   ? word32 == 0x0FFFFF00u + m
                           : fatType == Fat16 ? word16 == 0xFF00u + m
                                              : (word16 & 0xFFFu) == 0xF00u + m;
        if (match) {
            return true;
        }
    }
    return false;
}

bool TFATAnalyser::DetectFATSector(std::span<const std::byte> data, uint8_t& fatType,
                                   bool& isStart) {
    // Zeros hold no link of any type; they are common enough on disks to be let through
    // before any decoding.
    if (std::all_of(data.begin(), data.end(), [](std::byte b) { return b == std::byte{0}; })) {
        return false;
    }
    // Reused from sector to sector: the search calls this for every sector it reads.
    thread_local std::vector<uint32_t> values;
    for (const uint8_t t : {Fat32, Fat16, Fat12}) {
        const bool start = IsFATStart(data, t);
        if (PassesAsFAT(data, t, start, values)) {
            fatType = t;
            isStart = start;
            return true;
        }
    }
    return false;
}

bool TFATAnalyser::NextDirEntry(std::span<const std::byte> data, TEntryBytes& entry,
                                uint32_t& index) {
    const uint64_t at = uint64_t{index} * EntryBytes;
    if (at + EntryBytes > data.size()) {
        return false;
    }
    std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(at), EntryBytes, entry.begin());
    ++index;
    return true;
}

bool TFATAnalyser::IsDotDirectorySector(std::span<const std::byte> data, uint32_t& cluster) {
    TEntryBytes dot{};
    TEntryBytes dotDot{};
    uint32_t index = 0;
    if (!NextDirEntry(data, dot, index) || !NextDirEntry(data, dotDot, index)) {
        return false;
    }
    if ((AttributesOf(dot) & Attribute::Directory) == 0 || ShortNameText(dot) != "." ||
        (AttributesOf(dotDot) & Attribute::Directory) == 0 || ShortNameText(dotDot) != "..") {
        return false;
    }
    cluster = FirstClusterOf(dot);
    return true;
}

bool TFATAnalyser::HasSingleVolumeLabel(std::span<const std::byte> data) {
    TEntryBytes entry{};
    uint32_t index = 0;
    int labels = 0;
    while (NextDirEntry(data, entry, index)) {
        if (IsLabelLike(entry) && ++labels > 1) {
            return false;
        }
    }
    return labels == 1;
}

bool TFATAnalyser::LooksLikeDirEntries(std::span<const std::byte> data, uint32_t dataSectorLimit,
                                       uint32_t clusterCount) {
    if (data.size() < DirTestEntries * EntryBytes || data[0] == std::byte{0}) {
        return false;
    }
    TEntryBytes entry{};
    uint32_t index = 0;
    bool longNameRun = false;
    for (uint32_t i = 0; i < DirTestEntries; ++i) {
        (void)NextDirEntry(data, entry, index);
        if (IsLongNameEntry(entry) && LoadLE16(entry, LongEntry::ClusterLow) == 0) {
            if ((ByteAt(entry, LongEntry::Sequence) & 0x40) != 0) {
                longNameRun = true;
            }
            if (longNameRun) {
                continue;
            }
        }
        longNameRun = false;
        if (!IsPlausibleShortEntry(entry, dataSectorLimit, clusterCount)) {
            return false;
        }
    }
    return true;
}

uint32_t CountDifferentBytes(std::span<const std::byte> a, std::span<const std::byte> b,
                             uint32_t n) {
    const size_t common = std::min<size_t>({n, a.size(), b.size()});
    // Positions that one of the buffers does not reach count as different.
    uint32_t differences = static_cast<uint32_t>(n - common);
    for (size_t i = 0; i < common; ++i) {
        if (a[i] != b[i]) {
            ++differences;
        }
    }
    return differences;
}

void TFATAnalyser::BuildBootSector(std::span<std::byte> record) const {
    if (record.size() < Boot::RecordBytes) {
        return;
    }
    std::fill_n(record.begin(), Boot::RecordBytes, std::byte{0});
    auto put16 = [&](size_t at, uint32_t v) {
        record[at] = static_cast<std::byte>(v & 0xFF);
        record[at + 1] = static_cast<std::byte>((v >> 8) & 0xFF);
    };
    auto put32 = [&](size_t at, uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    put16(Boot::BytesPerSector, VolumeSectorBytes);
    record[Boot::SectorsPerCluster] = static_cast<std::byte>(SectorsPerCluster & 0xFF);
    put16(Boot::ReservedSectors, 1);
    record[Boot::NumberOfFats] = static_cast<std::byte>(FATCopies);
    put16(Boot::RootEntryCount, 0);
    if (FATType == Fat32) {
        put16(Boot::SectorsPerFat16, 0);
        put32(Boot::SectorsPerFat32, SectorsPerFAT);
    } else {
        put16(Boot::SectorsPerFat16, SectorsPerFAT & 0xFFFF);
    }
    constexpr size_t MediaByte = 21;
    const bool removable = Device != nullptr && (Device->MediaFlags & 1) != 0;
    record[MediaByte] = static_cast<std::byte>(removable ? 0xF0 : 0xF8);
    // Modulo 2^32 on purpose: with ClusterLimit 2^32 - 2 the total comes out below the data
    // start, and the parse then counts so many clusters that no real one is refused.
    const uint32_t total = ClusterLimit * SectorsPerCluster + 1 + FATCopies * SectorsPerFAT;
    if (total <= 0xFFFF) {
        put16(Boot::TotalSectors16, total);
    } else {
        put32(Boot::TotalSectors32, total);
    }
    if (FATType == Fat32) {
        put32(Boot::RootCluster32, RootCluster);
    }
}

bool TFATAnalyser::AnalyseSector(devices::TDriveList& drives, uint32_t sector,
                                 std::span<const std::byte> data) {
    uint8_t fatType = FatTypeNone;
    bool isStart = false;
    if (!DataStartFound && DetectFATSector(data, fatType, isStart)) {
        FATFound = true;
        FATType = fatType;
        if (isStart) {
            const size_t kept = std::min<size_t>(FATStartCompareBytes, data.size());
            if (FATStart == 0) {
                FATStart = sector;
                ++FATCopies;
                if (FATStartCopy.size() < FATStartCompareBytes) {
                    FATStartCopy.assign(FATStartCompareBytes, std::byte{0});
                }
                std::copy_n(data.begin(), kept, FATStartCopy.begin());
            } else if (CountDifferentBytes(data, FATStartCopy, FATStartCompareBytes) <
                       FATCopyMaxDifferences) {
                ++FATCopies;
                FATEnd = sector - 1;
                SectorsPerFAT = sector - FATStart;
            }
        }
    }
    if (!FATFound) {
        return false;
    }
    if (ClusterLimit == 0) {
        ClusterLimit = OpenClusterLimit;
    }
    uint32_t dotCluster = 0;
    const bool dot = IsDotDirectorySector(data, dotCluster);
    const bool dir = LooksLikeDirEntries(data, ClusterLimit * 128, ClusterLimit);
    DirRun = dir ? static_cast<uint8_t>(DirRun + 1) : 0;
    if (!dot && dir && HasSingleVolumeLabel(data)) {
        RootFound = true;
        RootSector = sector;
        RootDirRun = DirRun;
    }
    if (dot) {
        DataStartFound = true;
        if (FirstDotCluster == 0) {
            FirstDotCluster = dotCluster;
            FirstDotSector = sector;
        } else if (SectorsPerCluster == 0 && dotCluster > FirstDotCluster) {
            // A second "." naming the same or a lower cluster tells nothing about the cluster
            // size (and would divide by zero): such sectors are passed over, as is a pair
            // whose distance gives less than one sector per cluster.
            const auto spc =
                static_cast<uint16_t>((sector - FirstDotSector) / (dotCluster - FirstDotCluster));
            if (spc != 0) {
                SectorsPerCluster = spc;
                DataStart = sector - (dotCluster - 2) * SectorsPerCluster;
                if (FATEnd == 0) {
                    FATEnd = DataStart - 1;
                    SectorsPerFAT = FATEnd - FATStart + 1;
                }
                diskio::Log("FAT startsec: " + std::to_string(FATStart) +
                                ", endsec: " + std::to_string(FATEnd),
                            3);
                diskio::Log("data startsec: " + std::to_string(DataStart), 3);
            }
        }
    }
    if (RootFound && SectorsPerCluster != 0) {
        RootFound = (RootSector - DataStart) % SectorsPerCluster <= RootDirRun;
    }
    if (!RootFound || SectorsPerCluster == 0) {
        return false;
    }

    RootCluster = (RootSector - DataStart) / SectorsPerCluster + 2;
    diskio::Log("root clus: " + std::to_string(RootCluster) + "\r", 3);
    if (FATType != Fat32) {
        // The rebuilt record always reads as FAT32: a fixed root directory is not accounted
        // for, so the folders of such a volume may not list. The layout found is kept here.
        diskio::Log("rebuilt FAT" + std::string(FATType == Fat16 ? "16" : "12") +
                        " volume read as FAT32: FAT sectors " + std::to_string(FATStart) + ".." +
                        std::to_string(FATEnd) + " (" + std::to_string(FATCopies) +
                        " copies), data from sector " + std::to_string(DataStart) + ", " +
                        std::to_string(SectorsPerCluster) + " sectors per cluster, root sector " +
                        std::to_string(RootSector),
                    1);
    }
    auto drive = std::make_unique<TFATdrive>();
    BuildBootSector(drive->BootRecord);
    drive->Device = Device;
    drive->Flags = 3;
    drive->BootSector = FATStart - 1;
    drive->VolumeStart = FATStart - 1;
    const std::array<std::byte, Boot::RecordBytes> record = drive->BootRecord;
    (void)drive->ParseBootSector(record, true);
    drive->VolumeSectors = drive->TotalSectors;
    drive->Name += RebuiltDriveName;
    drive->CreateCategories();
    drives.Append(std::move(drive));
    Reset();
    return true;
}

} // namespace tw::fat
