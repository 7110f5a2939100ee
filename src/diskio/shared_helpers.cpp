#include "diskio/shared_helpers.h"

#include "platform/file_system_info.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

namespace tw::diskio {

namespace {

// A byte that starts no valid UTF-8 sequence stands for itself above the Unicode range, so
// it equals only the same stray byte.
constexpr char32_t StrayByteBase = 0x110000;

// Decodes the UTF-8 character at text[pos]; returns its length in bytes (at least 1).
size_t DecodeOne(const std::string& text, size_t pos, char32_t& out) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        out = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1Fu, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0Fu, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07u, minimum = 0x10000;
    }
    if (length == 0 || pos + length > text.size()) {
        out = StrayByteBase + lead;
        return 1;
    }
    for (size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0u) != 0x80u) {
            out = StrayByteBase + lead;
            return 1;
        }
        value = (value << 6) | (next & 0x3Fu);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        out = StrayByteBase + lead;
        return 1;
    }
    out = value;
    return length;
}

std::vector<char32_t> DecodeUtf8(const std::string& text) {
    std::vector<char32_t> chars;
    chars.reserve(text.size());
    for (size_t pos = 0; pos < text.size();) {
        char32_t c = 0;
        pos += DecodeOne(text, pos, c);
        chars.push_back(c);
    }
    return chars;
}

// Byte offset at which each character starts, plus the text's size as a final entry.
std::vector<size_t> CharacterOffsets(const std::string& text) {
    std::vector<size_t> offsets;
    for (size_t pos = 0; pos < text.size();) {
        offsets.push_back(pos);
        char32_t ignored = 0;
        pos += DecodeOne(text, pos, ignored);
    }
    offsets.push_back(text.size());
    return offsets;
}

char32_t UpperAscii(char32_t c) {
    return c >= U'a' && c <= U'z' ? c - (U'a' - U'A') : c;
}

constexpr char HexDigits[] = "0123456789ABCDEF";

constexpr size_t MaxTypeNameChars = 80;

} // namespace

std::string FATDateTimeToText(uint16_t time, uint16_t date) {
    const unsigned day = date & 0x1Fu;
    const unsigned month = (date >> 5) & 0x0Fu;
    const unsigned year = (date >> 9) + 1980u;
    const unsigned hour = time >> 11;
    const unsigned minute = (time >> 5) & 0x3Fu;
    char text[32];
    std::snprintf(text, sizeof text, "%02u.%02u.%02u %02u:%02u", day, month, year, hour, minute);
    return text;
}

std::string WideToShortString(std::span<const uint16_t> chars, uint8_t max) {
    std::string text;
    for (size_t i = 0; i < chars.size() && i < max && chars[i] != 0; ++i) {
        text += static_cast<char>(chars[i] & 0xFFu);
    }
    return text;
}

bool MatchWildcard(const std::string& name, const std::string& pattern, char32_t joker,
                   bool caseSensitive, char32_t star) {
    const std::vector<char32_t> n = DecodeUtf8(name);
    const std::vector<char32_t> p = DecodeUtf8(pattern);
    const size_t nameLength = n.size();

    // matches[j] answers "does the pattern from the current index match the name from j?",
    // filled from the pattern's end backwards. The answers are those of walking the pattern
    // and, at a star, trying every later tail in turn; each (pattern, name) position pair
    // is decided once, so no pattern can make the search exponential.
    std::vector<char> next(nameLength + 1, 0);
    std::vector<char> current(nameLength + 1, 0);
    next[nameLength] = 1; // pattern used up: only the whole name used counts
    for (size_t k = p.size(); k-- > 0;) {
        if (p[k] == star) {
            if (k + 1 == p.size()) {
                std::fill(current.begin(), current.end(), 1);
            } else {
                // Tails start at j .. nameLength − 1; the empty tail is never tried.
                char anyLater = 0;
                current[nameLength] = 0;
                for (size_t j = nameLength; j-- > 0;) {
                    anyLater = static_cast<char>(anyLater || next[j]);
                    current[j] = anyLater;
                }
            }
        } else {
            current[nameLength] = 0;
            for (size_t j = 0; j < nameLength; ++j) {
                const bool same = p[k] == joker || p[k] == n[j] ||
                                  (!caseSensitive && UpperAscii(p[k]) == UpperAscii(n[j]));
                current[j] = static_cast<char>(same && next[j + 1]);
            }
        }
        std::swap(current, next);
    }
    return next[0] != 0;
}

std::string UIntToText(uint32_t n) {
    return std::to_string(n);
}

std::string ByteToHex(uint8_t b) {
    return {HexDigits[b >> 4], HexDigits[b & 0x0Fu]};
}

std::string WordToHex(uint16_t w) {
    return ByteToHex(static_cast<uint8_t>(w >> 8)) + ByteToHex(static_cast<uint8_t>(w & 0xFFu));
}

std::string ShortenPath(const std::string& path, size_t maxLength) {
    const std::vector<size_t> offsets = CharacterOffsets(path);
    const size_t length = offsets.size() - 1;
    // Positions count from 1 here, as head end h and tail start t are the places of
    // backslashes; the last character is never looked at.
    size_t cut = 0;
    size_t headEnd = 0;
    size_t tailStart = 0;
    for (size_t i = 1; i < length; ++i) {
        if (maxLength >= length - cut + 5) {
            break;
        }
        if (path[offsets[i - 1]] != '\\') {
            continue;
        }
        if (headEnd == 0) {
            headEnd = i;
        } else {
            tailStart = i;
            cut = tailStart - headEnd + 1;
        }
    }
    if (cut == 0) {
        return path;
    }
    return path.substr(0, offsets[headEnd]) + "..." + path.substr(offsets[tailStart - 1]);
}

bool GetShellTypeName(const std::string& name, uint32_t attributes, std::string& typeName) {
    if ((attributes & FileAttributeDirectory) != 0) {
        typeName = "File Folder";
        return true;
    }
    std::string comment;
    if (platform::MimeTypeComment(name, comment)) {
        typeName = comment;
    } else {
        const size_t dot = name.rfind('.');
        std::string extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
        for (char& c : extension) {
            if (c >= 'a' && c <= 'z') {
                c = static_cast<char>(c - 'a' + 'A');
            }
        }
        typeName = extension.empty() ? "File" : extension + " File";
    }
    const std::vector<size_t> offsets = CharacterOffsets(typeName);
    if (offsets.size() - 1 > MaxTypeNameChars) {
        typeName.resize(offsets[MaxTypeNameChars]);
    }
    return true;
}

uint64_t GetFreeBytes(const std::string& root) {
    return platform::FreeBytesAt(root);
}

std::string DriveRootOf(const std::string& path) {
    std::string mountPoint = platform::MountPointOf(path);
    return mountPoint.empty() ? path : mountPoint;
}

} // namespace tw::diskio
