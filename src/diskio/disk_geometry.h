#pragma once

#include <cstdint>

namespace tw::diskio {

/// Geometry of a disk or volume as both access paths report it.
struct TDiskGeometry {
    uint16_t MediaKind = 0; ///< 0 unknown, 1 floppy, 2 removable, 3 fixed, 4 CD-ROM
    uint16_t Removable = 0; ///< 1 = removable media
    uint32_t Heads = 0;
    uint32_t Cylinders = 0;
    uint32_t SectorsPerTrack = 0;
    uint32_t BytesPerSector = 0;
    /// Cylinders × Heads × SectorsPerTrack, saturated at 0xFFFFFFFF.
    uint32_t TotalSectors = 0;
};

/// Saturating 32-bit sector count of a 64-bit product.
constexpr uint32_t SaturatedSectors(uint64_t sectors) {
    return sectors > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(sectors);
}

} // namespace tw::diskio
