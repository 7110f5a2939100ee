#pragma once

#include "platform/byte_source.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tw::platform {

/// What a source stands for: a BIOS disk number (hard disk or floppy) or a drive letter
/// (volume or CD-ROM).
enum class TEntryKind : uint8_t { ekDisk, ekFloppy, ekVolume, ekCdRom };

/// How the user asked to attach an image; ekAuto decides from the content.
enum class TAttachAs : uint8_t { aaAuto, aaDisk, aaFloppy, aaVolume, aaCdRom };

/// Media type codes as the disk-geometry query reports them.
namespace MediaType {
constexpr uint32_t Unknown = 0;
constexpr uint32_t F5_1Pt2_512 = 1;
constexpr uint32_t F3_1Pt44_512 = 2;
constexpr uint32_t F3_2Pt88_512 = 3;
constexpr uint32_t F3_720_512 = 5;
constexpr uint32_t F5_360_512 = 6;
constexpr uint32_t F5_320_512 = 7;
constexpr uint32_t F5_180_512 = 9;
constexpr uint32_t F5_160_512 = 10;
constexpr uint32_t RemovableMedia = 11;
constexpr uint32_t FixedMedia = 12;
} // namespace MediaType

/// Geometry of one source as the disk-geometry query reports it. Cylinders × Heads ×
/// SectorsPerTrack never exceeds the source, and for images it equals it exactly.
struct TEntryGeometry {
    uint64_t Cylinders = 0;
    uint32_t Heads = 0;
    uint32_t SectorsPerTrack = 0;
    uint32_t BytesPerSector = 512;
    uint32_t MediaType = MediaType::Unknown;
};

/// One row of the device table: the stand-in for one `\\.\PhysicalDriveN`, `\\.\A:` or
/// `\\.\X:` device file.
struct TDeviceEntry {
    TEntryKind Kind = TEntryKind::ekDisk;
    /// Image or block device path; empty for in-memory sources.
    std::string SourcePath;
    /// Set for sources made in-process (memory images, test doubles); every open shares it.
    std::shared_ptr<TByteSource> SharedSource;
    /// ekDisk and ekFloppy: the BIOS disk number (0, 1 floppies; 128 and up hard disks).
    uint8_t BiosNumber = 0;
    /// ekVolume and ekCdRom (and floppies, which also answer as A: and B:): A = 1 .. Z = 26.
    uint8_t LetterNumber = 0;
    /// File system name a volume reports: "FAT", "FAT32", or the mount type.
    std::string FileSystemName;
    bool Removable = false;
    uint64_t SizeBytes = 0;
    TEntryGeometry Geometry;

    /// Opens the source read-only (a fresh descriptor for paths, the shared buffer for
    /// memory). Returns null and sets error on failure.
    [[nodiscard]] std::shared_ptr<TByteSource> Open(uint32_t& error) const;
    [[nodiscard]] uint64_t SectorCount() const { return SizeBytes / Geometry.BytesPerSector; }
};

/// The machine as the program sees it: images the user named, then the machine's own disks.
class TDeviceTable {
public:
    /// Attaches an image file (or block device) by path. False with a lower-case message
    /// when it cannot be read or no number or letter is left.
    bool AttachPath(const std::string& path, TAttachAs as, std::string& error);
    /// Attaches an in-memory source (tests, fuzzing).
    bool AttachMemory(std::shared_ptr<TByteSource> source, TAttachAs as, std::string& error,
                      const std::string& label = "memory");
    /// Adds /dev/fd0 and /dev/fd1, the whole disks of /sys/block and the mounted FAT volumes
    /// that this process can read.
    void AddSystemDevices();
    void Clear();

    [[nodiscard]] const TDeviceEntry* FindBios(uint8_t number) const;
    [[nodiscard]] const TDeviceEntry* FindLetter(uint8_t letterNumber) const;
    [[nodiscard]] const std::vector<TDeviceEntry>& Entries() const { return m_Entries; }
    /// Devices present on the machine that this process was not allowed to read.
    [[nodiscard]] const std::vector<std::string>& Unreadable() const { return m_Unreadable; }

private:
    bool Attach(TDeviceEntry entry, const std::shared_ptr<TByteSource>& source, TAttachAs as,
                std::string& error);
    std::optional<uint8_t> NextHardDiskNumber() const;
    std::optional<uint8_t> NextFloppyNumber() const;
    std::optional<uint8_t> NextLetter() const;

    std::vector<TDeviceEntry> m_Entries;
    std::vector<std::string> m_Unreadable;
};

/// The one device table of the process.
TDeviceTable& DeviceTable();

/// Geometry for an image of this many bytes: the standard CHS of a floppy format, else one
/// whose product is exactly the sector count.
TEntryGeometry ImageGeometry(uint64_t sizeBytes, bool floppy);

/// True when the sector looks like a FAT boot sector (jump, sector size, cluster size, FATs).
bool LooksLikeFatBootSector(std::span<const std::byte> sector);
/// "FAT32" for a FAT32 boot sector, "FAT" for FAT12/16; empty otherwise.
std::string FatFileSystemName(std::span<const std::byte> sector);

/// Consumes the device options (--image, --disk, --floppy, --volume, --cdrom,
/// --no-system-devices) from args, then TARNWELL_DEVICES, then adds the machine's devices
/// unless told not to. Returns false with a message on a bad option or an unreadable image.
bool ConsumeDeviceOptions(std::vector<std::string>& args, std::string& error);

} // namespace tw::platform
