#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tw::test {

/// Boot sector fields of a FAT volume, written as given: nothing is checked or derived, so a
/// test can state a layout no formatter would make.
struct TFatLayout {
    /// 12, 16 or 32: which extended boot record follows (label at 43 or at 71, root cluster).
    int FatBits = 12;
    uint16_t BytesPerSector = 512;
    uint8_t SectorsPerCluster = 1;
    uint16_t ReservedSectors = 1;
    uint8_t NumberOfFats = 2;
    uint16_t RootEntries = 224;
    /// Written into the 16-bit field when it fits (and FatBits is not 32), else the 32-bit one.
    uint32_t TotalSectors = 2880;
    /// Written into the 16-bit field unless FatBits is 32.
    uint32_t SectorsPerFat = 9;
    uint32_t RootCluster = 2;
    std::string Label = "BUILT      ";
};

/// A byte-exact FAT image in memory. Offsets assume 512-byte sectors, which every volume the
/// reader accepts has; the boot sector itself may claim anything.
class TFatImageBuilder {
public:
    using TEntry = std::array<std::byte, 32>;

    /// An image of layout.TotalSectors zeroed sectors (at least one) with the boot sector
    /// written and the first two entries of every FAT copy set (media byte, end of chain).
    explicit TFatImageBuilder(const TFatLayout& layout);

    /// The 512-byte boot sector of a layout (jump, OEM name "TARNWELL", fields, 0x55AA).
    static std::vector<std::byte> BootSector(const TFatLayout& layout);

    [[nodiscard]] const TFatLayout& Layout() const { return m_Layout; }
    [[nodiscard]] uint32_t RootDirSector() const;
    [[nodiscard]] uint32_t FirstDataSector() const;
    [[nodiscard]] uint64_t ClusterOffset(uint32_t cluster) const;
    [[nodiscard]] uint32_t ClusterBytes() const { return 512u * m_Layout.SectorsPerCluster; }
    /// Byte offset of directory slot `index` of the fixed root directory.
    [[nodiscard]] uint64_t RootSlot(uint32_t index) const;
    /// Byte offset of directory slot `index` of a directory starting at cluster (it may run
    /// on into the following clusters).
    [[nodiscard]] uint64_t ClusterSlot(uint32_t cluster, uint32_t index) const;

    /// Sets the FAT entry of cluster in one copy (from 0), or in every copy when copy < 0.
    void SetFat(uint32_t cluster, uint32_t value, int copy = -1);
    /// Links the clusters in order and ends the chain after the last one (every copy).
    void Chain(std::initializer_list<uint32_t> clusters);

    /// A short entry: 11 name bytes as given (base and extension, space-padded), attributes,
    /// first cluster, size and write time and date.
    static TEntry ShortEntry(std::string_view name11, uint8_t attributes, uint32_t cluster,
                             uint32_t size, uint16_t time = 0, uint16_t date = 0);
    /// The long-name entries of name (UTF-16), last part first, for the short entry; with
    /// deleted their sequence bytes are 0xE5. Follow them with the short entry.
    static std::vector<TEntry> LongNameEntries(std::u16string_view name, const TEntry& shortEntry,
                                               bool deleted);
    /// The checksum a long-name entry keeps of its short name.
    static uint8_t ShortNameChecksum(const TEntry& shortEntry);

    /// Writes entries one after the other from offset.
    void WriteEntries(uint64_t offset, std::span<const TEntry> entries);
    void WriteEntry(uint64_t offset, const TEntry& entry) { WriteEntries(offset, {&entry, 1}); }
    /// A directory cluster that starts with "." and ".." (parent 0 for the root).
    void WriteDotEntries(uint32_t cluster, uint32_t parent);
    void WriteBytes(uint64_t offset, std::span<const std::byte> bytes);
    /// The same byte in size bytes from offset.
    void Fill(uint64_t offset, uint64_t size, std::byte value);

    [[nodiscard]] std::vector<std::byte>& Bytes() { return m_Bytes; }
    [[nodiscard]] std::vector<std::byte> Take() { return std::move(m_Bytes); }

private:
    TFatLayout m_Layout;
    std::vector<std::byte> m_Bytes;
};

/// Pseudo-random bytes from a seed: a file body in which no sector repeats another.
std::vector<std::byte> PatternBytes(size_t size, uint8_t seed);

} // namespace tw::test
