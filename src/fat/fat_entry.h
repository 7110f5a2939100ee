#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

namespace tw::fat {

/// Raw 32-byte directory entry.
using TEntryBytes = std::array<std::byte, 32>;

/// Directory entry layout (offsets in bytes, little-endian).
namespace Entry {
constexpr size_t Name = 0;              // 8 bytes, space-padded; byte 0: 0x00 end, 0xE5 deleted
constexpr size_t Extension = 8;         // 3 bytes, space-padded
constexpr size_t Attributes = 11;       // 1 byte
constexpr size_t CreationTime = 14;     // 16 bits
constexpr size_t CreationDate = 16;     // 16 bits
constexpr size_t LastAccessDate = 18;   // 16 bits
constexpr size_t FirstClusterHigh = 20; // 16 bits
constexpr size_t WriteTime = 22;        // 16 bits
constexpr size_t WriteDate = 24;        // 16 bits
constexpr size_t FirstClusterLow = 26;  // 16 bits
constexpr size_t FileSize = 28;         // 32 bits, bytes
} // namespace Entry

/// Long-name entry layout.
namespace LongEntry {
constexpr size_t Sequence = 0;    // bit 0x40: the entry holding the last part of the name
constexpr size_t Chars1 = 1;      // characters 1..5, 16-bit units
constexpr size_t Checksum = 13;   // checksum of the short name
constexpr size_t Chars2 = 14;     // characters 6..11
constexpr size_t ClusterLow = 26; // must be 0
constexpr size_t Chars3 = 28;     // characters 12..13
} // namespace LongEntry

namespace Attribute {
constexpr uint8_t ReadOnly = 0x01;
constexpr uint8_t Hidden = 0x02;
constexpr uint8_t System = 0x04;
constexpr uint8_t VolumeLabel = 0x08;
constexpr uint8_t Directory = 0x10;
constexpr uint8_t Archive = 0x20;
constexpr uint8_t LongName = 0x0F;
} // namespace Attribute

constexpr uint8_t DeletedMarker = 0xE5;
/// A live name whose first byte really is 0xE5 stores 0x05 there.
constexpr uint8_t EscapedE5 = 0x05;

inline uint16_t LoadLE16(std::span<const std::byte> b, size_t at) {
    return static_cast<uint16_t>(std::to_integer<unsigned>(b[at]) |
                                 (std::to_integer<unsigned>(b[at + 1]) << 8));
}
inline uint32_t LoadLE32(std::span<const std::byte> b, size_t at) {
    return LoadLE16(b, at) | (static_cast<uint32_t>(LoadLE16(b, at + 2)) << 16);
}

inline uint8_t ByteAt(const TEntryBytes& e, size_t at) {
    return std::to_integer<uint8_t>(e[at]);
}
inline uint8_t AttributesOf(const TEntryBytes& e) {
    return ByteAt(e, Entry::Attributes);
}
inline bool IsDeletedEntry(const TEntryBytes& e) {
    return ByteAt(e, 0) == DeletedMarker;
}
inline bool IsLongNameEntry(const TEntryBytes& e) {
    return AttributesOf(e) == Attribute::LongName;
}
inline uint32_t FirstClusterOf(const TEntryBytes& e) {
    return (static_cast<uint32_t>(LoadLE16(e, Entry::FirstClusterHigh)) << 16) |
           LoadLE16(e, Entry::FirstClusterLow);
}

/// The 11 name bytes with every space dropped, base "." extension (or the base alone). A
/// leading 0xE5 stays: this is the raw form structural tests compare ("." and "..").
std::string ShortNameText(const TEntryBytes& entry);

/// A name as the user sees it: UTF-8 text, and whether its first character was lost to the
/// deleted marker.
struct TEntryName {
    std::string Text;
    bool FirstCharLost = false;
};

/// The short name decoded for display: a deleted entry's marker is dropped (and noted), a
/// live 0x05 stands for 0xE5, then the space rule and the OEM code page.
TEntryName DecodeShortName(const TEntryBytes& entry);

} // namespace tw::fat
