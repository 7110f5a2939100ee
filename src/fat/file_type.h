#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tw::fat {

/// How a recognised block relates to the file it belongs to.
enum class TMatchKind : uint8_t {
    /// A file of the type starts in this block.
    mkFileStart = 1,
    /// The block is content of the type throughout (MPEG audio frames), so consecutive
    /// clusters of this kind and type make one file.
    mkContent = 2,
};

/// Recognises the file type whose start (or, for "MP3", whose content) the block holds.
/// kind is set to mkFileStart first. The first test that matches decides, in this order:
/// JPG, DOC, XLS, BMP, TIF, PNG, CDR/WAV/AVI/RIFF, EXE, DBF, HLP, TAR, LZH, ZIP, ARJ, RAR,
/// PDF (1.0 to 1.2), MID, MOV, GIF, HTML (upper-case "<HTML>" starting at an offset up to
/// size − 7), DXF/RTF (line scan of the first 32 bytes), MP3 (MPEG audio frames covering
/// the block, kind mkContent). On a match typeText holds the type; without one the result
/// is false and typeText is left as it was. Nothing past the end of data is read; a block
/// too short for a test simply fails that test. Keeps no state.
bool DetectFileType(std::span<const std::byte> data, std::string& typeText, TMatchKind& kind);

/// True when the bytes at position equal pattern, byte for byte; an empty pattern matches
/// at any position up to the size. A pattern that would run past the end does not match.
bool MatchBytes(std::span<const std::byte> data, size_t position, std::span<const uint8_t> pattern);

/// The text line at position, stopping before the limit (cut to data's size). Characters
/// are taken while the byte at the position is not CR and the byte after it is not LF (the
/// byte after may lie at or beyond the limit, inside data); then, when still before the
/// limit, position steps 2 over the line end. A CR LF line comes back whole; a line ending
/// in a bare LF loses its last character, which the step of 2 skips together with the LF.
/// At most 255 characters are kept (the position still advances over longer lines). At or
/// past the limit the result is empty and position stays.
std::string ReadTextLine(std::span<const std::byte> data, size_t& position, size_t limit);

/// Feeds one byte, most significant bit first, into the CRC-16 of MPEG audio frames
/// (polynomial 0x8005, no reflection, no final XOR).
void UpdateFrameCRC(uint16_t& crc, uint8_t byte);

/// Length in bytes of the MPEG audio frame whose header starts at position, or 0 when the
/// four bytes there are no valid header (no sync, reserved version, layer, bit-rate or
/// sampling index, emphasis 2, a length below 32) or do not fit in data. The frame body
/// itself may run past the end of data.
uint32_t AudioFrameLength(std::span<const std::byte> data, size_t position);

/// The frame scan behind "MP3": walks data from offset 0, skipping bytes until a sync
/// (FF followed by three set bits), then takes the frame there and jumps over its length.
/// A frame with the protection bit set and a non-zero stored check word (bytes 4–5, little
/// endian) must carry a CRC over bytes 4 to length − 1 within 8 of that word. The first
/// candidate that fails, or whose check word or check region reaches past the end of data,
/// ends the scan with 0. Otherwise the result is the count of frames met.
uint32_t CountAudioFrames(std::span<const std::byte> data);

} // namespace tw::fat
