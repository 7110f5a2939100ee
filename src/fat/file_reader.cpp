// The file-data reader of a FAT volume: a file's bytes from its first cluster on, following
// consecutive clusters or a FAT copy's chain.
#include "diskio/log.h"
#include "fat/fat_drive.h"

#include <algorithm>
#include <cstring>

namespace tw::fat {

namespace {
/// Whole sectors read straight into the caller's buffer per call (64 KiB).
constexpr uint32_t MaxRunSectors = 128;
} // namespace

bool TFATdrive::InitReader(TFATFileReader& reader, uint32_t firstCluster, uint32_t size) {
    reader = TFATFileReader{firstCluster, firstCluster, 0, size, false};
    return true;
}

bool TFATdrive::NextFileCluster(TFATFileReader& reader, uint8_t fatChoice) {
    const uint32_t next =
        fatChoice == 0 ? reader.CurrentCluster + 1 : GetFAT(reader.CurrentCluster, fatChoice - 1u);
    if (!IsValidCluster(next)) {
        // The chain or the volume ends before the file does: the rest reads as zeros rather
        // than as a repeat of the last cluster.
        diskio::Log("file from cluster " + std::to_string(reader.StartCluster) +
                        " runs past its chain at cluster " + std::to_string(reader.CurrentCluster) +
                        "; the rest reads as zeros",
                    3);
        reader.PastEnd = true;
        return false;
    }
    reader.CurrentCluster = next;
    return true;
}

bool TFATdrive::ReadFile(TFATFileReader& reader, uint32_t count, uint32_t& got, uint8_t fatChoice,
                         std::byte* buffer) {
    got = 0;
    if (reader.Position >= reader.Size) {
        return reader.Position == reader.Size;
    }
    const uint32_t spc = SectorsPerCluster();
    if (spc == 0) {
        return false;
    }
    const uint32_t clusterBytes = spc * VolumeSectorBytes;
    uint32_t remaining = std::min(count, reader.Size - reader.Position);
    while (remaining > 0) {
        if (!reader.PastEnd && !IsValidCluster(reader.CurrentCluster)) {
            diskio::Log("file from cluster " + std::to_string(reader.StartCluster) +
                            " has no valid cluster at byte " + std::to_string(reader.Position) +
                            "; the rest reads as zeros",
                        3);
            reader.PastEnd = true;
        }
        if (reader.PastEnd) {
            std::memset(buffer, 0, remaining);
            reader.Position += remaining;
            got += remaining;
            return true;
        }
        const uint32_t k = (reader.Position / VolumeSectorBytes) % spc;
        const uint32_t o = reader.Position % VolumeSectorBytes;
        const uint64_t sector = uint64_t{ClusterToSector(reader.CurrentCluster)} + k;
        uint32_t n = 0;
        if (o == 0 && remaining >= VolumeSectorBytes) {
            // Whole sectors: one read for the run of contiguous clusters ahead.
            const uint32_t wanted = std::min(remaining / VolumeSectorBytes, MaxRunSectors);
            uint32_t run = std::min(spc - k, wanted);
            uint32_t cluster = reader.CurrentCluster;
            while (run < wanted) {
                const uint32_t next =
                    fatChoice == 0 ? cluster + 1 : GetFAT(cluster, fatChoice - 1u);
                if (next != cluster + 1 || !IsValidCluster(next)) {
                    break;
                }
                cluster = next;
                run = std::min(run + spc, wanted);
            }
            if (sector + run > 0x100000000ull) {
                return false;
            }
            // The run is read in one go; when that fails it is read again sector by sector,
            // so that only the bad sectors ask and, when ignored, read as zeros.
            if (!ReadSectors(static_cast<uint32_t>(sector), static_cast<uint16_t>(run), false,
                             buffer)) {
                for (uint32_t i = 0; i < run; ++i) {
                    if (!ReadSectors(static_cast<uint32_t>(sector + i), 1, true,
                                     buffer + size_t{i} * VolumeSectorBytes)) {
                        return false;
                    }
                }
            }
            n = run * VolumeSectorBytes;
        } else {
            if (sector > 0xFFFFFFFFu || !FillCache(m_FileCache, static_cast<uint32_t>(sector))) {
                return false;
            }
            n = std::min(VolumeSectorBytes - o, remaining);
            std::memcpy(buffer, m_FileCache.Data.data() + o, n);
        }
        buffer += n;
        got += n;
        remaining -= n;
        // Step over every cluster boundary the read crossed.
        const uint32_t before = reader.Position;
        reader.Position += n;
        const uint32_t crossed = reader.Position / clusterBytes - before / clusterBytes;
        for (uint32_t i = 0; i < crossed && !reader.PastEnd && reader.Position < reader.Size; ++i) {
            NextFileCluster(reader, fatChoice);
        }
    }
    return true;
}

bool TFATdrive::SeekFile(TFATFileReader& reader, uint32_t position, uint8_t fatChoice) {
    if (reader.StartCluster == 0 || position >= reader.Size || BytesPerCluster == 0) {
        return false;
    }
    uint32_t c = reader.StartCluster;
    uint32_t n = position / BytesPerCluster;
    while (n > 0 && ClassifyFATValue(FATType, c) != FatEndOfChain && IsValidCluster(c)) {
        c = fatChoice == 0 ? c + 1 : GetFAT(c, fatChoice - 1u);
        --n;
    }
    if (n != 0) {
        return false;
    }
    reader.CurrentCluster = c;
    reader.Position = position;
    reader.PastEnd = false;
    return true;
}

} // namespace tw::fat
