#include "fat/file_type.h"

#include <array>
#include <cstring>

namespace tw::fat {
namespace {

uint8_t At(std::span<const std::byte> data, size_t offset) {
    return std::to_integer<uint8_t>(data[offset]);
}

/// Byte offset is in data and equals one of values.
bool ByteIn(std::span<const std::byte> data, size_t offset, std::initializer_list<uint8_t> values) {
    if (offset >= data.size()) {
        return false;
    }
    const uint8_t b = At(data, offset);
    for (uint8_t v : values) {
        if (b == v) {
            return true;
        }
    }
    return false;
}

template <size_t N>
bool Match(std::span<const std::byte> data, size_t position,
           const std::array<uint8_t, N>& pattern) {
    return MatchBytes(data, position, pattern);
}

constexpr std::array<uint8_t, 4> Compound = {0xD0, 0xCF, 0x11, 0xE0};
constexpr std::array<uint8_t, 8> PNGSignature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::array<uint8_t, 4> RIFF = {'R', 'I', 'F', 'F'};
constexpr std::array<uint8_t, 3> CDR = {'C', 'D', 'R'};
constexpr std::array<uint8_t, 4> WAVE = {'W', 'A', 'V', 'E'};
constexpr std::array<uint8_t, 4> AVI = {'A', 'V', 'I', ' '};
constexpr std::array<uint8_t, 4> HLP = {0x3F, 0x5F, 0x03, 0x00};
constexpr size_t TarMagicOffset = 257;
constexpr std::array<uint8_t, 6> TarMagic = {'u', 's', 't', 'a', 'r', 0x00};
constexpr std::array<uint8_t, 3> LZH = {'-', 'l', 'h'};
constexpr std::array<uint8_t, 3> LZS = {'-', 'l', 'z'};
constexpr std::array<uint8_t, 4> ZIP = {'P', 'K', 0x03, 0x04};
constexpr std::array<uint8_t, 7> RAR = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
constexpr std::array<uint8_t, 7> PDF = {'%', 'P', 'D', 'F', '-', '1', '.'};
constexpr std::array<uint8_t, 4> MIDI = {'M', 'T', 'h', 'd'};
constexpr std::array<uint8_t, 4> Moov = {'m', 'o', 'o', 'v'};
constexpr std::array<uint8_t, 6> GIF87 = {'G', 'I', 'F', '8', '7', 'a'};
constexpr std::array<uint8_t, 6> GIF89 = {'G', 'I', 'F', '8', '9', 'a'};
constexpr std::array<uint8_t, 6> HTMLTag = {'<', 'H', 'T', 'M', 'L', '>'};

/// Bytes 0–1 are the pair (a, b).
bool Starts2(std::span<const std::byte> data, uint8_t a, uint8_t b) {
    return data.size() >= 2 && At(data, 0) == a && At(data, 1) == b;
}

/// The fixed-offset signature tests, in order; nullptr when none matches.
const char* SignatureType(std::span<const std::byte> data) {
    if (Starts2(data, 0xFF, 0xD8)) {
        return "JPG";
    }
    if (Starts2(data, 0xDC, 0xA5) || Starts2(data, 0xDB, 0xA5) || Starts2(data, 0xEC, 0xA5) ||
        Match(data, 0, Compound)) {
        return "DOC";
    }
    if (ByteIn(data, 0, {0x09}) && ByteIn(data, 1, {0x04, 0x02, 0x00, 0x08})) {
        return "XLS";
    }
    if (Starts2(data, 'B', 'M')) {
        return "BMP";
    }
    if (Starts2(data, 'I', 'I') || Starts2(data, 'M', 'M')) {
        return "TIF";
    }
    if (Match(data, 0, PNGSignature)) {
        return "PNG";
    }
    if (Match(data, 0, RIFF)) {
        if (Match(data, 8, CDR)) {
            return "CDR";
        }
        if (Match(data, 8, WAVE)) {
            return "WAV";
        }
        if (Match(data, 8, AVI)) {
            return "AVI";
        }
        return "RIFF";
    }
    if (Starts2(data, 'M', 'Z')) {
        return "EXE";
    }
    if (ByteIn(data, 0, {0x03, 0x83, 0xF5, 0x8B, 0x8E}) && ByteIn(data, 12, {0}) &&
        ByteIn(data, 13, {0}) && ByteIn(data, 30, {0}) && ByteIn(data, 31, {0})) {
        return "DBF";
    }
    if (Match(data, 0, HLP)) {
        return "HLP";
    }
    if (Match(data, TarMagicOffset, TarMagic)) {
        return "TAR";
    }
    if (Match(data, 2, LZH) || Match(data, 2, LZS)) {
        return "LZH";
    }
    if (Match(data, 0, ZIP)) {
        return "ZIP";
    }
    if (Starts2(data, 0x60, 0xEA)) {
        return "ARJ";
    }
    if (Match(data, 0, RAR)) {
        return "RAR";
    }
    // Only versions 1.0 to 1.2; later ones fall through to the remaining tests.
    if (Match(data, 0, PDF) && ByteIn(data, 7, {'2', '1', '0'})) {
        return "PDF";
    }
    if (Match(data, 0, MIDI)) {
        return "MID";
    }
    if (Match(data, 4, Moov)) {
        return "MOV";
    }
    if (Match(data, 0, GIF87) || Match(data, 0, GIF89)) {
        return "GIF";
    }
    return nullptr;
}

/// "<HTML>" starting at an offset from 0 to size − 7 (one short of the last possible
/// place, which keeps the historic search window).
bool ContainsHTMLTag(std::span<const std::byte> data) {
    if (data.size() < HTMLTag.size() + 1) {
        return false;
    }
    const size_t lastStart = data.size() - (HTMLTag.size() + 1);
    const auto* begin = reinterpret_cast<const unsigned char*>(data.data());
    const unsigned char* p = begin;
    const unsigned char* const end = begin + lastStart + 1; // one past the last start
    while (p < end) {
        p = static_cast<const unsigned char*>(std::memchr(p, '<', static_cast<size_t>(end - p)));
        if (p == nullptr) {
            return false;
        }
        if (std::memcmp(p + 1, HTMLTag.data() + 1, HTMLTag.size() - 1) == 0) {
            return true;
        }
        ++p;
    }
    return false;
}

constexpr size_t LineScanLimit = 32;

/// Test 20: "DXF" for a "0" / SECTION / "2" / HEADER group at the start, "RTF" for a first
/// line (without a 0) that holds "{\rtf"; nullptr otherwise.
const char* TextLineType(std::span<const std::byte> data) {
    size_t position = 0;
    for (;;) {
        std::string line = ReadTextLine(data, position, LineScanLimit);
        if (line.find('0') != std::string::npos) {
            line = ReadTextLine(data, position, LineScanLimit);
            if (line == "SECTION") {
                line = ReadTextLine(data, position, LineScanLimit);
                if (line.find('2') != std::string::npos) {
                    line = ReadTextLine(data, position, LineScanLimit);
                    if (line == "HEADER") {
                        return "DXF";
                    }
                }
            }
        } else if (line.find("{\\rtf") != std::string::npos) {
            return "RTF";
        }
        if (line.empty()) {
            return nullptr;
        }
    }
}

// Bit rates in kbit/s by row and bit-rate index (0 "free" and 15 are refused before use).
constexpr std::array<uint16_t, 16> RateV1L1 = {0,   32,  64,  96,  128, 160, 192, 224,
                                               256, 288, 320, 352, 384, 416, 448, 0};
constexpr std::array<uint16_t, 16> RateV1L2 = {0,   32,  48,  56,  64,  80,  96,  112,
                                               128, 160, 192, 224, 256, 320, 384, 0};
constexpr std::array<uint16_t, 16> RateV1L3 = {0,   32,  40,  48,  56,  64,  80,  96,
                                               112, 128, 160, 192, 224, 256, 320, 0};
constexpr std::array<uint16_t, 16> RateV2L1 = {0,   32,  48,  56,  64,  80,  96,  112,
                                               128, 144, 160, 176, 192, 224, 256, 0};
constexpr std::array<uint16_t, 16> RateV2L23 = {0,  8,  16, 24,  32,  40,  48,  56,
                                                64, 80, 96, 112, 128, 144, 160, 0};

// Sampling rates in Hz by version bits (0: MPEG 2.5, 2: MPEG-2, 3: MPEG-1) and index.
constexpr std::array<std::array<uint32_t, 3>, 4> SamplingRates = {{
    {11025, 12000, 8000},
    {0, 0, 0}, // reserved version
    {22050, 24000, 16000},
    {44100, 48000, 32000},
}};

constexpr uint32_t MinFrameLength = 32;
constexpr size_t FrameHeaderBytes = 4;
constexpr size_t CheckWordOffset = 4;
constexpr int CheckTolerance = 8;

bool IsFrameSync(std::span<const std::byte> data, size_t i) {
    return At(data, i) == 0xFF && (At(data, i + 1) & 0xE0) == 0xE0;
}

/// Frame length of the header at i, 0 when invalid; i + 3 must lie inside data.
uint32_t DecodeFrameLength(std::span<const std::byte> data, size_t i) {
    const uint8_t b1 = At(data, i + 1);
    const uint8_t b2 = At(data, i + 2);
    const uint8_t b3 = At(data, i + 3);
    const unsigned version = (b1 >> 3) & 3;
    const unsigned layer = (b1 >> 1) & 3;
    const unsigned rateIndex = b2 >> 4;
    const unsigned samplingIndex = (b2 >> 2) & 3;
    const unsigned padding = (b2 >> 1) & 1;
    const unsigned emphasis = b3 & 3;
    if (version == 1 || layer == 0 || rateIndex == 0 || rateIndex == 15 || samplingIndex == 3 ||
        emphasis == 2) {
        return 0;
    }
    const bool mpeg1 = version == 3;
    const std::array<uint16_t, 16>& row = layer == 3   ? (mpeg1 ? RateV1L1 : RateV2L1)
                                          : layer == 2 ? (mpeg1 ? RateV1L2 : RateV2L23)
                                                       : (mpeg1 ? RateV1L3 : RateV2L23);
    const uint32_t bitRate = row[rateIndex];
    const uint32_t samplingRate = SamplingRates[version][samplingIndex];
    const uint32_t length = layer == 3 ? (bitRate * 12000 / samplingRate + padding) * 4
                                       : bitRate * 144000 / samplingRate + padding;
    return length < MinFrameLength ? 0 : length;
}

/// The protection check of the frame at i with the given length. The check word and the
/// check region must lie inside data.
bool FrameCheckPasses(std::span<const std::byte> data, size_t i, uint32_t length) {
    if ((At(data, i + 1) & 1) == 0) {
        return true;
    }
    if (i + CheckWordOffset + 2 > data.size()) {
        return false;
    }
    const int stored = At(data, i + CheckWordOffset) | (At(data, i + CheckWordOffset + 1) << 8);
    if (stored == 0) {
        return true;
    }
    if (i + length > data.size()) {
        return false;
    }
    uint16_t crc = 0;
    for (size_t k = i + CheckWordOffset; k < i + length; ++k) {
        UpdateFrameCRC(crc, At(data, k));
    }
    return stored - CheckTolerance <= crc && crc <= stored + CheckTolerance;
}

constexpr size_t MP3BytesPerFrame = 512;

} // namespace

bool MatchBytes(std::span<const std::byte> data, size_t position,
                std::span<const uint8_t> pattern) {
    if (position > data.size() || pattern.size() > data.size() - position) {
        return false;
    }
    return pattern.empty() ||
           std::memcmp(data.data() + position, pattern.data(), pattern.size()) == 0;
}

std::string ReadTextLine(std::span<const std::byte> data, size_t& position, size_t limit) {
    constexpr size_t MaxLine = 255;
    constexpr uint8_t CR = 0x0D;
    constexpr uint8_t LF = 0x0A;
    if (limit > data.size()) {
        limit = data.size();
    }
    std::string line;
    while (position < limit && At(data, position) != CR &&
           !(position + 1 < data.size() && At(data, position + 1) == LF)) {
        if (line.size() < MaxLine) {
            line.push_back(static_cast<char>(At(data, position)));
        }
        ++position;
    }
    if (position < limit) {
        position += 2;
    }
    return line;
}

void UpdateFrameCRC(uint16_t& crc, uint8_t byte) {
    for (int bit = 7; bit >= 0; --bit) {
        const bool t = ((crc >> 15) & 1) != ((byte >> bit) & 1);
        crc = static_cast<uint16_t>(crc << 1);
        if (t) {
            crc ^= 0x8005;
        }
    }
}

uint32_t AudioFrameLength(std::span<const std::byte> data, size_t position) {
    if (position >= data.size() || data.size() - position < FrameHeaderBytes ||
        !IsFrameSync(data, position)) {
        return 0;
    }
    return DecodeFrameLength(data, position);
}

uint32_t CountAudioFrames(std::span<const std::byte> data) {
    uint32_t frames = 0;
    size_t i = 0;
    // i < size − 4, so the four header bytes are always inside data.
    while (i + FrameHeaderBytes < data.size()) {
        if (At(data, i) != 0xFF) {
            const void* next = std::memchr(data.data() + i + 1, 0xFF, data.size() - i - 1);
            if (next == nullptr) {
                break;
            }
            i = static_cast<size_t>(static_cast<const std::byte*>(next) - data.data());
            continue;
        }
        if (!IsFrameSync(data, i)) {
            ++i;
            continue;
        }
        const uint32_t length = DecodeFrameLength(data, i);
        if (length == 0 || !FrameCheckPasses(data, i, length)) {
            return 0;
        }
        ++frames;
        i += length;
    }
    return frames;
}

bool DetectFileType(std::span<const std::byte> data, std::string& typeText, TMatchKind& kind) {
    kind = TMatchKind::mkFileStart;
    try {
        const char* type = SignatureType(data);
        if (type == nullptr && ContainsHTMLTag(data)) {
            type = "HTML";
        }
        if (type == nullptr) {
            type = TextLineType(data);
        }
        if (type == nullptr) {
            // Blocks are whole clusters of at least 512 bytes; a shorter one still needs a
            // frame, so that an empty or tiny block is never taken for audio.
            const uint32_t frames = CountAudioFrames(data);
            if (frames == 0 || frames < data.size() / MP3BytesPerFrame) {
                return false;
            }
            typeText = "MP3";
            kind = TMatchKind::mkContent;
            return true;
        }
        typeText = type;
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace tw::fat
