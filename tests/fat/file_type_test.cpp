#include "fat/file_type.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tw::fat {
namespace {

using namespace std::string_view_literals;

using TBlock = std::vector<std::byte>;

TBlock ZeroBlock(size_t size = 512) {
    return TBlock(size, std::byte{0});
}

void Put(TBlock& block, size_t offset, std::string_view bytes) {
    for (size_t k = 0; k < bytes.size(); ++k) {
        block.at(offset + k) = static_cast<std::byte>(bytes[k]);
    }
}

TBlock BlockOf(std::string_view bytes, size_t size = 512) {
    TBlock block = ZeroBlock(size);
    Put(block, 0, bytes);
    return block;
}

/// The detected type, or "" when nothing matched.
std::string Detect(const TBlock& block) {
    std::string type;
    TMatchKind kind = TMatchKind::mkContent;
    if (!DetectFileType(block, type, kind)) {
        return "";
    }
    return type;
}

TEST(DetectFileType, SignatureTableInOrder) {
    struct TCase {
        const char* Name;
        std::string_view Head;
        const char* Expected;
    };
    const TCase cases[] = {
        {"JPG whatever follows", "\xFF\xD8MZ\x89PNG"sv, "JPG"},
        {"DOC DC A5", "\xDC\xA5"sv, "DOC"},
        {"DOC DB A5", "\xDB\xA5"sv, "DOC"},
        {"DOC EC A5", "\xEC\xA5"sv, "DOC"},
        {"compound document is DOC", "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"sv, "DOC"},
        {"XLS 09 04", "\x09\x04"sv, "XLS"},
        {"XLS 09 08", "\x09\x08"sv, "XLS"},
        {"09 01 is not XLS", "\x09\x01"sv, ""},
        {"BMP", "BM"sv, "BMP"},
        {"TIF little endian", "II*\0"sv, "TIF"},
        {"TIF big endian", "MM\0*"sv, "TIF"},
        {"PNG", "\x89PNG\r\n\x1A\n"sv, "PNG"},
        {"PNG with a wrong byte 7", "\x89PNG\r\n\x1A\r"sv, ""},
        {"RIFF CDR", "RIFF\0\0\0\0CDR9"sv, "CDR"},
        {"RIFF WAVE", "RIFF\0\0\0\0WAVE"sv, "WAV"},
        {"RIFF AVI", "RIFF\0\0\0\0AVI "sv, "AVI"},
        {"RIFF RMID", "RIFF\0\0\0\0RMID"sv, "RIFF"},
        {"EXE", "MZ\x90\0"sv, "EXE"},
        {"DBF 03", "\x03\x60\x01\x01\x05"sv, "DBF"},
        {"DBF 8E", "\x8E"sv, "DBF"},
        {"DBF with byte 12 set", "\x03\0\0\0\0\0\0\0\0\0\0\0\x01"sv, ""},
        {"HLP", "\x3F\x5F\x03\0"sv, "HLP"},
        {"LZH -lh", "\x20\x1F-lh5-"sv, "LZH"},
        {"LZH -lz", "\x20\x1F-lz4-"sv, "LZH"},
        {"ZIP", "PK\x03\x04"sv, "ZIP"},
        {"ZIP end record is not ZIP", "PK\x05\x06"sv, ""},
        {"ARJ", "\x60\xEA"sv, "ARJ"},
        {"RAR", "Rar!\x1A\x07\0"sv, "RAR"},
        {"RAR 5 is not RAR", "Rar!\x1A\x07\x01"sv, ""},
        {"PDF 1.0", "%PDF-1.0"sv, "PDF"},
        {"PDF 1.1", "%PDF-1.1"sv, "PDF"},
        {"PDF 1.2", "%PDF-1.2"sv, "PDF"},
        {"PDF 1.3 falls through", "%PDF-1.3"sv, ""},
        {"MID", "MThd\0\0\0\x06"sv, "MID"},
        {"MOV", "\0\0\0\x6Cmoov"sv, "MOV"},
        {"GIF87a", "GIF87a"sv, "GIF"},
        {"GIF89a", "GIF89a"sv, "GIF"},
        {"GIF88a is not GIF", "GIF88a"sv, ""},
        {"upper-case HTML tag", "<HTML>"sv, "HTML"},
        {"lower-case HTML tag", "<html>"sv, ""},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(Detect(BlockOf(c.Head)), c.Expected) << c.Name;
    }
}

TEST(DetectFileType, EarlierTestsWinOverLaterSignatures) {
    TBlock bmp = BlockOf("BM");
    Put(bmp, 257, "ustar\0"sv);
    EXPECT_EQ(Detect(bmp), "BMP");

    TBlock tar = ZeroBlock();
    Put(tar, 0, "notes.txt");
    Put(tar, 257, "ustar\0"sv);
    EXPECT_EQ(Detect(tar), "TAR");
    Put(tar, 257, "ustar "sv); // the old GNU magic has a space where the 0 should be
    EXPECT_EQ(Detect(tar), "");

    TBlock pdf13 = BlockOf("%PDF-1.4\r\n<HTML>");
    EXPECT_EQ(Detect(pdf13), "HTML");
    TBlock gif = BlockOf("GIF89a<HTML>");
    EXPECT_EQ(Detect(gif), "GIF");
    TBlock exe = BlockOf("MZ");
    Put(exe, 4, "moov");
    EXPECT_EQ(Detect(exe), "EXE");
}

TEST(DetectFileType, HTMLTagSearchStopsOneShortOfTheEnd) {
    for (size_t size : {size_t{512}, size_t{4096}}) {
        TBlock atLast = ZeroBlock(size);
        Put(atLast, size - 7, "<HTML>");
        EXPECT_EQ(Detect(atLast), "HTML") << size;
        TBlock pastLast = ZeroBlock(size);
        Put(pastLast, size - 6, "<HTML>");
        EXPECT_EQ(Detect(pastLast), "") << size;
    }
    TBlock manyBrackets = ZeroBlock();
    Put(manyBrackets, 0, "<<<<HTM<HTM<HTML<HTML>");
    EXPECT_EQ(Detect(manyBrackets), "HTML");
}

TEST(DetectFileType, LineScanOfFirst32Bytes) {
    struct TCase {
        const char* Name;
        std::string_view Head;
        const char* Expected;
    };
    const TCase cases[] = {
        {"DXF header group", "  0\r\nSECTION\r\n  2\r\nHEADER\r\n", "DXF"},
        {"DXF group after a line without 0", "999\r\n  0\r\nSECTION\r\n  2\r\nHEADER\r\n", "DXF"},
        {"DXF group eaten by a 0 line before it", "  0\r\n  0\r\nSECTION\r\n  2\r\nHEADER\r\n", ""},
        {"DXF with bare LF line ends", "  0\nSECTION\n  2\nHEADER\n", ""},
        {"DXF HEADER cut at byte 32", "          0\r\nSECTION\r\n  2\r\nHEADER\r\n", ""},
        {"DXF other section", "  0\r\nSECTION\r\n  2\r\nTABLES\r\n", ""},
        {"RTF", "{\\rtf1\\ansi\r\n", "RTF"},
        {"RTF later on the first line", "  {\\rtf1\\ansi", "RTF"},
        {"RTF with a 0 on its first line", "{\\rtf1\\ansi\\deff0\\deflang1033", ""},
        {"RTF on a second line", "hello\r\n{\\rtf1\r\n", "RTF"},
        {"RTF past byte 32", "                            {\\rtf1", ""},
        {"empty first line stops the scan", "\r\n{\\rtf1\r\n", ""},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(Detect(BlockOf(c.Head)), c.Expected) << c.Name;
    }
}

// MPEG-1 Layer III, 128 kbit/s, 44100 Hz, no padding: 417-byte frames. FA has the
// protection bit 0, FB has it set.
constexpr std::string_view FrameNoCheck = "\xFF\xFA\x90\x00"sv;
constexpr std::string_view FrameChecked = "\xFF\xFB\x90\x00"sv;
constexpr size_t FrameBytes = 417;

TBlock FrameRun(size_t size, std::string_view header) {
    TBlock block = ZeroBlock(size);
    for (size_t at = 0; at + 4 <= size; at += FrameBytes) {
        Put(block, at, header);
    }
    return block;
}

TEST(DetectFileType, RunOfAudioFramesIsMP3Content) {
    // Ten frames, the last running past the end of the block: 10 >= 4096 / 512.
    const TBlock block = FrameRun(4096, FrameNoCheck);
    EXPECT_EQ(CountAudioFrames(block), 10u);
    std::string type = "keep";
    TMatchKind kind = TMatchKind::mkFileStart;
    ASSERT_TRUE(DetectFileType(block, type, kind));
    EXPECT_EQ(type, "MP3");
    EXPECT_EQ(kind, TMatchKind::mkContent);

    // A set protection bit with a stored check word of 0 passes unchecked.
    EXPECT_EQ(Detect(FrameRun(4096, FrameChecked)), "MP3");

    // At least one frame per 512 bytes: eight frames in a 4096-byte block are enough,
    // seven are not.
    TBlock eight = FrameRun(4096, FrameNoCheck);
    for (size_t at = 8 * FrameBytes; at < 4096; at += FrameBytes) {
        Put(eight, at, "\0\0\0\0"sv);
    }
    EXPECT_EQ(CountAudioFrames(eight), 8u);
    EXPECT_EQ(Detect(eight), "MP3");
    Put(eight, 7 * FrameBytes, "\0\0\0\0"sv);
    EXPECT_EQ(CountAudioFrames(eight), 7u);
    EXPECT_EQ(Detect(eight), "");
}

TEST(DetectFileType, InvalidFrameCandidateDiscardsEveryCountedFrame) {
    TBlock block = FrameRun(4096, FrameNoCheck);
    Put(block, 9 * FrameBytes, "\xFF\xFB\xF0\x00"sv); // bit-rate index 15
    EXPECT_EQ(CountAudioFrames(block), 0u);
    EXPECT_EQ(Detect(block), "");

    // The frame body is not searched: an invalid header inside a frame is never met.
    TBlock body = FrameRun(4096, FrameNoCheck);
    Put(body, 10, "\xFF\xFB\xF0\x00"sv);
    EXPECT_EQ(CountAudioFrames(body), 10u);
}

TEST(DetectFileType, CheckWordOrRegionPastTheBlockEndIsInvalid) {
    // The last frame (at 3753) carries a check word, and its region runs to 4169.
    TBlock region = FrameRun(4096, FrameNoCheck);
    Put(region, 9 * FrameBytes, FrameChecked);
    Put(region, 9 * FrameBytes + 4, "\x34\x12"sv);
    EXPECT_EQ(CountAudioFrames(region), 0u);
    EXPECT_EQ(Detect(region), "");

    // A header at size − 5 leaves only one byte of its check word inside the block.
    TBlock word = ZeroBlock(512);
    Put(word, 507, FrameChecked);
    Put(word, 511, "\x01"sv);
    EXPECT_EQ(CountAudioFrames(word), 0u);
    Put(word, 507, FrameNoCheck);
    EXPECT_EQ(CountAudioFrames(word), 1u);
    EXPECT_EQ(Detect(word), "MP3");
    // At size − 4 the header is no longer a candidate.
    TBlock tail = ZeroBlock(512);
    Put(tail, 508, FrameNoCheck);
    EXPECT_EQ(CountAudioFrames(tail), 0u);
}

/// A 512-byte block with one checked frame at 0 whose stored word is 0x4000 and whose last
/// two bytes make the CRC over bytes 4..416 (the stored word included) land exactly at
/// 0x4000 + offset.
TBlock CheckedFrameBlock(int offset) {
    constexpr uint16_t Stored = 0x4000;
    TBlock block = ZeroBlock(512);
    Put(block, 0, FrameChecked);
    block[4] = std::byte{Stored & 0xFF};
    block[5] = std::byte{Stored >> 8};
    uint16_t prefix = 0;
    for (size_t k = 4; k < FrameBytes - 2; ++k) {
        UpdateFrameCRC(prefix, std::to_integer<uint8_t>(block[k]));
    }
    for (unsigned a = 0; a < 256; ++a) {
        for (unsigned b = 0; b < 256; ++b) {
            uint16_t crc = prefix;
            UpdateFrameCRC(crc, static_cast<uint8_t>(a));
            UpdateFrameCRC(crc, static_cast<uint8_t>(b));
            if (crc == Stored + offset) {
                block[FrameBytes - 2] = std::byte(a);
                block[FrameBytes - 1] = std::byte(b);
                return block;
            }
        }
    }
    ADD_FAILURE() << "no byte pair gives the CRC " << Stored + offset;
    return block;
}

TEST(DetectFileType, FrameCheckAcceptsCRCWithinEightOfStoredWord) {
    for (int offset : {-8, 0, 8}) {
        EXPECT_EQ(Detect(CheckedFrameBlock(offset)), "MP3") << offset;
    }
    for (int offset : {-9, 9}) {
        EXPECT_EQ(Detect(CheckedFrameBlock(offset)), "") << offset;
    }
    // The same frame cut short: the bytes that would complete its check lie just past the
    // block, where they must not be read.
    const TBlock whole = CheckedFrameBlock(0);
    const std::span<const std::byte> cut(whole.data(), FrameBytes - 1);
    EXPECT_EQ(CountAudioFrames(cut), 0u);
    EXPECT_EQ(CountAudioFrames(std::span<const std::byte>(whole.data(), FrameBytes)), 1u);
}

TEST(AudioFrameLength, DecodesHeadersOfEachVersionAndLayer) {
    struct TCase {
        const char* Name;
        std::string_view Header;
        uint32_t Expected;
    };
    const TCase cases[] = {
        {"MPEG-1 III 128k 44.1k", "\xFF\xFB\x90\x00"sv, 417},
        {"with padding", "\xFF\xFB\x92\x00"sv, 418},
        {"MPEG-1 III 320k 48k", "\xFF\xFB\xE4\x00"sv, 960},
        {"MPEG-1 II 160k 44.1k", "\xFF\xFD\x90\x00"sv, 522},
        {"MPEG-1 I 288k 44.1k", "\xFF\xFF\x90\x00"sv, 312},
        {"MPEG-1 I padded", "\xFF\xFF\x92\x00"sv, 316},
        {"MPEG-2 III 64k 22.05k, factor 144000", "\xFF\xF3\x80\x00"sv, 417},
        {"MPEG-2 II 160k 16k", "\xFF\xF5\xE8\x00"sv, 1440},
        {"MPEG-2 I 144k 22.05k", "\xFF\xF7\x90\x00"sv, 312},
        {"MPEG 2.5 III 64k 11.025k", "\xFF\xE3\x80\x00"sv, 835},
        {"MPEG 2.5 III 8k 8k", "\xFF\xE3\x18\x00"sv, 144},
        {"emphasis 1 and 3 are fine", "\xFF\xFB\x90\x03"sv, 417},
        {"reserved version", "\xFF\xEB\x90\x00"sv, 0},
        {"reserved layer", "\xFF\xF9\x90\x00"sv, 0},
        {"bit-rate index 15", "\xFF\xFB\xF0\x00"sv, 0},
        {"free bit rate", "\xFF\xFB\x00\x00"sv, 0},
        {"reserved sampling index", "\xFF\xFB\x9C\x00"sv, 0},
        {"emphasis 2", "\xFF\xFB\x90\x02"sv, 0},
        {"no sync", "\xFF\xDB\x90\x00"sv, 0},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(AudioFrameLength(BlockOf(c.Header, 8), 0), c.Expected) << c.Name;
    }
    EXPECT_EQ(AudioFrameLength(BlockOf("\xFF\xFB\x90"sv, 3), 0), 0u);
    EXPECT_EQ(AudioFrameLength(BlockOf("\xFF\xFB\x90\x00"sv, 4), 1), 0u);
}

TEST(DetectFileType, NoMatchLeavesTypeTextAndSetsKindFileStart) {
    for (size_t size : {size_t{512}, size_t{4096}, size_t{32768}}) {
        std::string type = "keep";
        TMatchKind kind = TMatchKind::mkContent;
        EXPECT_FALSE(DetectFileType(ZeroBlock(size), type, kind)) << size;
        EXPECT_EQ(type, "keep");
        EXPECT_EQ(kind, TMatchKind::mkFileStart);
    }
    TBlock text = ZeroBlock();
    Put(text, 0, "Plain notes, nothing to see.\r\nSecond line.\r\n");
    EXPECT_EQ(Detect(text), "");
}

TEST(DetectFileType, ShortBlocksReadNothingPastTheirEnd) {
    // Exact-size buffers: a sanitizer build catches any read past them.
    EXPECT_EQ(Detect({}), "");
    EXPECT_EQ(Detect(BlockOf("MZ", 2)), "EXE");
    EXPECT_EQ(Detect(BlockOf("\x09", 1)), "");
    EXPECT_EQ(Detect(BlockOf("\x03", 31)), "");
    EXPECT_EQ(Detect(BlockOf("RIFF", 10)), "RIFF");
    EXPECT_EQ(Detect(BlockOf("<HTML>", 6)), "");
    EXPECT_EQ(Detect(BlockOf("<HTML>", 7)), "HTML");
    EXPECT_EQ(Detect(BlockOf("{\\rtf1", 6)), "RTF");
    EXPECT_EQ(Detect(BlockOf("\xFF\xFA\x90\x00\x00", 5)), "MP3");
    EXPECT_EQ(Detect(BlockOf("\xFF\xFB\x90\x00\x01", 5)), "");
    TBlock tar(262, std::byte{0});
    Put(tar, 257, "ustar");
    EXPECT_EQ(Detect(tar), "");
}

TEST(MatchBytes, ComparesAtPositionWithinData) {
    const TBlock data = BlockOf("ABCD", 4);
    const std::vector<uint8_t> bc = {'B', 'C'};
    const std::vector<uint8_t> cd = {'C', 'D'};
    EXPECT_TRUE(MatchBytes(data, 1, bc));
    EXPECT_FALSE(MatchBytes(data, 0, bc));
    EXPECT_TRUE(MatchBytes(data, 2, cd));
    EXPECT_FALSE(MatchBytes(data, 3, cd));
    EXPECT_TRUE(MatchBytes(data, 4, {}));
    EXPECT_FALSE(MatchBytes(data, 5, {}));
}

TEST(ReadTextLine, LinesEndsLimitAndLength) {
    const TBlock crlf = BlockOf("AB\r\nCD\r\n"sv, 8);
    size_t position = 0;
    EXPECT_EQ(ReadTextLine(crlf, position, 8), "AB");
    EXPECT_EQ(position, 4u);
    EXPECT_EQ(ReadTextLine(crlf, position, 8), "CD");
    EXPECT_EQ(position, 8u);
    EXPECT_EQ(ReadTextLine(crlf, position, 8), "");
    EXPECT_EQ(position, 8u);

    // A bare LF: the character before it is dropped and skipped with it.
    const TBlock lf = BlockOf("ABC\nDE\r\n"sv, 8);
    position = 0;
    EXPECT_EQ(ReadTextLine(lf, position, 8), "AB");
    EXPECT_EQ(position, 4u);
    EXPECT_EQ(ReadTextLine(lf, position, 8), "DE");

    // The limit cuts the line; the look-ahead for LF still sees the byte at the limit.
    const TBlock cut = BlockOf("ABCDEF"sv, 6);
    position = 0;
    EXPECT_EQ(ReadTextLine(cut, position, 4), "ABCD");
    EXPECT_EQ(position, 4u);
    const TBlock beyond = BlockOf("ABC\n"sv, 4);
    position = 0;
    EXPECT_EQ(ReadTextLine(beyond, position, 3), "AB");
    EXPECT_EQ(position, 4u);
    // A limit past the data counts as its end.
    position = 0;
    EXPECT_EQ(ReadTextLine(cut, position, 100), "ABCDEF");
    EXPECT_EQ(position, 6u);

    // At most 255 characters; the position still moves over the whole line.
    TBlock longLine(302, std::byte{'x'});
    Put(longLine, 300, "\r\n");
    position = 0;
    EXPECT_EQ(ReadTextLine(longLine, position, 302), std::string(255, 'x'));
    EXPECT_EQ(position, 302u);
}

TEST(UpdateFrameCRC, IsCRC16WithPolynomial8005MostSignificantBitFirst) {
    uint16_t crc = 0;
    for (char c : "123456789"sv) {
        UpdateFrameCRC(crc, static_cast<uint8_t>(c));
    }
    EXPECT_EQ(crc, 0xFEE8); // the published check value of this CRC
}

} // namespace
} // namespace tw::fat
