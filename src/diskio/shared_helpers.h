#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tw::diskio {

/// The file attribute that marks a folder, as callers pass it to GetShellTypeName.
constexpr uint32_t FileAttributeDirectory = 16;
/// The file attribute callers pass for an ordinary file.
constexpr uint32_t FileAttributeNormal = 128;

/// "DD.MM.YYYY hh:mm" from a FAT time word and date word; the seconds are not shown and
/// no field is range-checked (a zero date gives "00.00.1980 00:00").
std::string FATDateTimeToText(uint16_t time, uint16_t date);

/// The low byte of each 16-bit character, up to the first 0 character or max characters.
/// No code-page conversion takes place, so a character above 255 keeps its low byte only
/// (even a 0 byte). Long names are decoded properly elsewhere; this stays for callers that
/// want the byte form.
std::string WideToShortString(std::span<const uint16_t> chars, uint8_t max);

/// True when name matches pattern. joker matches exactly one character, star any run of
/// characters. Both texts are compared per UTF-8 character (a byte that is not valid UTF-8
/// counts as one character of its own), and without caseSensitive only the ASCII letters
/// are folded. A star followed by more pattern needs at least one name character left at
/// its position; "*" alone matches every name, the empty one included, and an empty
/// pattern matches only the empty name. Runs in time proportional to the product of the
/// two lengths, however many stars the pattern holds.
bool MatchWildcard(const std::string& name, const std::string& pattern, char32_t joker,
                   bool caseSensitive, char32_t star);

/// Decimal digits of n, without sign or separators.
std::string UIntToText(uint32_t n);
/// Two upper-case hex digits, high nibble first.
std::string ByteToHex(uint8_t b);
/// Four upper-case hex digits, high byte first.
std::string WordToHex(uint16_t w);

/// A path shortened for display by replacing whole folder names after its first backslash
/// with "...", one more at a time, until the result is at most maxLength − 5 characters
/// or only the last folder name is left. A path is returned whole only when it is at
/// least five characters shorter than maxLength, or when it has fewer than two backslashes.
/// Lengths count UTF-8 characters; cuts fall on backslashes, so the result stays valid text.
std::string ShortenPath(const std::string& path, size_t maxLength);

/// The type name that a file list shows for name: "File Folder" when attributes hold
/// FileAttributeDirectory, else the freedesktop type comment of the name, else "<EXT> File"
/// with the extension upper-cased, or "File" when the name has no extension. The name
/// need not exist. At most 80 characters. Always true.
bool GetShellTypeName(const std::string& name, uint32_t attributes, std::string& typeName);

/// Bytes free to this process on the file system that holds root; 0 when that cannot be
/// told.
uint64_t GetFreeBytes(const std::string& root);

/// The root of the file system that holds path (its mount point), or path itself when the
/// mount point cannot be told.
std::string DriveRootOf(const std::string& path);

} // namespace tw::diskio
