#include "support/fat_image_builder.h"

#include <algorithm>
#include <stdexcept>

namespace tw::test {

namespace {

void Store(std::span<std::byte> at, uint64_t value, size_t width) {
    for (size_t i = 0; i < width; ++i) {
        at[i] = static_cast<std::byte>(value >> (8 * i));
    }
}

void StoreName(std::span<std::byte> at, std::string_view text, size_t width) {
    for (size_t i = 0; i < width; ++i) {
        at[i] = static_cast<std::byte>(i < text.size() ? text[i] : ' ');
    }
}

} // namespace

std::vector<std::byte> TFatImageBuilder::BootSector(const TFatLayout& l) {
    std::vector<std::byte> b(512);
    const std::span<std::byte> s(b);
    Store(s.subspan(0), 0x903CEB, 3); // jmp short, nop
    StoreName(s.subspan(3), "TARNWELL", 8);
    Store(s.subspan(11), l.BytesPerSector, 2);
    Store(s.subspan(13), l.SectorsPerCluster, 1);
    Store(s.subspan(14), l.ReservedSectors, 2);
    Store(s.subspan(16), l.NumberOfFats, 1);
    Store(s.subspan(17), l.RootEntries, 2);
    const bool fat32 = l.FatBits == 32;
    if (l.TotalSectors <= 0xFFFF && !fat32) {
        Store(s.subspan(19), l.TotalSectors, 2);
    } else {
        Store(s.subspan(32), l.TotalSectors, 4);
    }
    Store(s.subspan(21), 0xF8, 1); // media byte
    if (fat32) {
        Store(s.subspan(36), l.SectorsPerFat, 4);
        Store(s.subspan(44), l.RootCluster, 4);
        Store(s.subspan(66), 0x29, 1);
        StoreName(s.subspan(71), l.Label, 11);
        StoreName(s.subspan(82), "FAT32", 8);
    } else {
        Store(s.subspan(22), l.SectorsPerFat, 2);
        Store(s.subspan(38), 0x29, 1);
        StoreName(s.subspan(43), l.Label, 11);
        StoreName(s.subspan(54), l.FatBits == 16 ? "FAT16" : "FAT12", 8);
    }
    Store(s.subspan(510), 0xAA55, 2);
    return b;
}

TFatImageBuilder::TFatImageBuilder(const TFatLayout& layout)
    : m_Layout(layout), m_Bytes(uint64_t{std::max<uint32_t>(1, layout.TotalSectors)} * 512) {
    const std::vector<std::byte> boot = BootSector(layout);
    std::copy(boot.begin(), boot.end(), m_Bytes.begin());
    const uint32_t endMark = layout.FatBits == 12   ? 0xFFF
                             : layout.FatBits == 16 ? 0xFFFF
                                                    : 0x0FFFFFFF;
    SetFat(0, (endMark & ~0xFFu) | 0xF8);
    SetFat(1, endMark);
    if (layout.FatBits == 32) {
        SetFat(layout.RootCluster, endMark);
    }
}

uint32_t TFatImageBuilder::RootDirSector() const {
    return m_Layout.ReservedSectors + uint32_t{m_Layout.NumberOfFats} * m_Layout.SectorsPerFat;
}

uint32_t TFatImageBuilder::FirstDataSector() const {
    return RootDirSector() + (uint32_t{m_Layout.RootEntries} * 32 + 511) / 512;
}

uint64_t TFatImageBuilder::ClusterOffset(uint32_t cluster) const {
    return (uint64_t{FirstDataSector()} + uint64_t{cluster - 2} * m_Layout.SectorsPerCluster) * 512;
}

uint64_t TFatImageBuilder::RootSlot(uint32_t index) const {
    return uint64_t{RootDirSector()} * 512 + uint64_t{index} * 32;
}

uint64_t TFatImageBuilder::ClusterSlot(uint32_t cluster, uint32_t index) const {
    return ClusterOffset(cluster) + uint64_t{index} * 32;
}

void TFatImageBuilder::SetFat(uint32_t cluster, uint32_t value, int copy) {
    for (int k = 0; k < m_Layout.NumberOfFats; ++k) {
        if (copy >= 0 && k != copy) {
            continue;
        }
        const uint64_t fat =
            (m_Layout.ReservedSectors + uint64_t{m_Layout.SectorsPerFat} * k) * 512;
        std::span<std::byte> s(m_Bytes);
        switch (m_Layout.FatBits) {
        case 32:
            Store(s.subspan(fat + 4ull * cluster), value & 0x0FFFFFFF, 4);
            break;
        case 16:
            Store(s.subspan(fat + 2ull * cluster), value & 0xFFFF, 2);
            break;
        default: {
            // Two 12-bit entries share three bytes; an odd cluster holds the high 12 bits.
            const uint64_t at = fat + cluster + cluster / 2;
            uint32_t word =
                std::to_integer<uint32_t>(s[at]) | (std::to_integer<uint32_t>(s[at + 1]) << 8);
            word = (cluster & 1) != 0 ? (word & 0x000F) | ((value & 0xFFF) << 4)
                                      : (word & 0xF000) | (value & 0xFFF);
            Store(s.subspan(at), word, 2);
            break;
        }
        }
    }
}

void TFatImageBuilder::Chain(std::initializer_list<uint32_t> clusters) {
    const uint32_t endMark = m_Layout.FatBits == 12   ? 0xFFF
                             : m_Layout.FatBits == 16 ? 0xFFFF
                                                      : 0x0FFFFFFF;
    for (auto it = clusters.begin(); it != clusters.end(); ++it) {
        const auto next = it + 1;
        SetFat(*it, next == clusters.end() ? endMark : *next);
    }
}

TFatImageBuilder::TEntry TFatImageBuilder::ShortEntry(std::string_view name11, uint8_t attributes,
                                                      uint32_t cluster, uint32_t size,
                                                      uint16_t time, uint16_t date) {
    TEntry e{};
    const std::span<std::byte> s(e);
    StoreName(s, name11, 11);
    Store(s.subspan(11), attributes, 1);
    Store(s.subspan(20), cluster >> 16, 2);
    Store(s.subspan(22), time, 2);
    Store(s.subspan(24), date, 2);
    Store(s.subspan(26), cluster & 0xFFFF, 2);
    Store(s.subspan(28), size, 4);
    return e;
}

uint8_t TFatImageBuilder::ShortNameChecksum(const TEntry& shortEntry) {
    uint8_t sum = 0;
    for (size_t i = 0; i < 11; ++i) {
        sum = static_cast<uint8_t>(((sum & 1) << 7) + (sum >> 1) +
                                   std::to_integer<uint8_t>(shortEntry[i]));
    }
    return sum;
}

std::vector<TFatImageBuilder::TEntry> TFatImageBuilder::LongNameEntries(std::u16string_view name,
                                                                        const TEntry& shortEntry,
                                                                        bool deleted) {
    constexpr size_t Units = 13;
    constexpr size_t UnitOffsets[Units] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
    const size_t count = (name.size() + Units - 1) / Units;
    if (count == 0 || count > 20) {
        throw std::invalid_argument("a long name holds 1 to 260 units");
    }
    const uint8_t checksum = ShortNameChecksum(shortEntry);
    std::vector<TEntry> entries;
    for (size_t n = count; n >= 1; --n) {
        TEntry e{};
        const std::span<std::byte> s(e);
        const uint8_t sequence = static_cast<uint8_t>(n | (n == count ? 0x40 : 0));
        Store(s, deleted ? 0xE5 : sequence, 1);
        Store(s.subspan(11), 0x0F, 1);
        Store(s.subspan(13), checksum, 1);
        for (size_t i = 0; i < Units; ++i) {
            const size_t at = (n - 1) * Units + i;
            // The name ends with one 0 unit; the rest of the last entry is 0xFFFF.
            const uint16_t unit = at < name.size() ? name[at] : at == name.size() ? 0 : 0xFFFF;
            Store(s.subspan(UnitOffsets[i]), unit, 2);
        }
        entries.push_back(e);
    }
    return entries;
}

void TFatImageBuilder::WriteEntries(uint64_t offset, std::span<const TEntry> entries) {
    for (const TEntry& e : entries) {
        WriteBytes(offset, e);
        offset += 32;
    }
}

void TFatImageBuilder::WriteDotEntries(uint32_t cluster, uint32_t parent) {
    WriteEntry(ClusterSlot(cluster, 0), ShortEntry(".", 0x10, cluster, 0));
    WriteEntry(ClusterSlot(cluster, 1), ShortEntry("..", 0x10, parent, 0));
}

void TFatImageBuilder::WriteBytes(uint64_t offset, std::span<const std::byte> bytes) {
    if (offset + bytes.size() > m_Bytes.size()) {
        throw std::out_of_range("write past the end of the image");
    }
    std::copy(bytes.begin(), bytes.end(), m_Bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

void TFatImageBuilder::Fill(uint64_t offset, uint64_t size, std::byte value) {
    if (offset + size > m_Bytes.size()) {
        throw std::out_of_range("fill past the end of the image");
    }
    std::fill_n(m_Bytes.begin() + static_cast<std::ptrdiff_t>(offset), size, value);
}

std::vector<std::byte> PatternBytes(size_t size, uint8_t seed) {
    std::vector<std::byte> bytes(size);
    uint32_t x = 0x9E3779B9u ^ seed;
    for (auto& b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<std::byte>(x >> 7);
    }
    return bytes;
}

} // namespace tw::test
