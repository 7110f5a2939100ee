#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tw::diskio {

/// Where log lines go: the log window's state, a terminal, or a test's recorder.
class TLogSink {
public:
    virtual ~TLogSink() = default;
    virtual void Add(const std::string& line) = 0;
};

/// Installs the sink that receives log lines; null drops them. The caller keeps ownership.
void SetLogSink(TLogSink* sink);

/// Passes text to the sink when level ≤ Options().DebugLevel. The level is tested before
/// anything else, so a filtered line costs no more than the call.
void Log(const std::string& text, uint8_t level);

/// Writes buffer into the log at level 3: "Hexdump: ", one line per 16 bytes, then an empty
/// line. A row reads "0000h : " (the offset's low 16 bits), " XX" per byte, "  :  ", one
/// character cell per byte, and a line feed. The cell of a byte up to 10 is "."; printable
/// ASCII shows as itself; every other byte gets a single printable character so that the
/// line stays valid UTF-8 and the columns stay aligned: control codes 11..31 and 127 their
/// Unicode control picture (U+240B.., U+2421), 0x80..0x9F their Windows-1252 character
/// ("." where 1252 has none), 0xA0..0xFF their Latin-1 character. A final row shorter than
/// 16 bytes is padded with blanks in its hex part.
void LogHexDump(std::span<const std::byte> buffer);

/// Screen corner at which the log window stands.
enum class TPositions { poTopLeft, poBottomLeft, poTopRight, poBottomRight };

/// A screen position in pixels.
struct TPoint {
    int X = 0;
    int Y = 0;

    bool operator==(const TPoint&) const = default;
};

/// Top-left corner of a width × height window placed at the given screen corner.
TPoint PlaceAtCorner(TPositions position, int screenWidth, int screenHeight, int width, int height);

/// What the log window shows: its settings and every line added, without limit. The window
/// itself belongs to the front end, which places it with Placement and shows Lines.
class TDebugBoxState : public TLogSink {
public:
    std::string Caption = "Debug Box";
    TPositions Position = TPositions::poTopRight;
    bool Visible = false;
    int Width = 250;
    int Height = 200;
    /// Prefix each added line with the local time of day ("hh:mm:ss - ").
    bool TimeStamp = false;

    void Add(const std::string& text) override;
    [[nodiscard]] const std::vector<std::string>& Lines() const { return m_Lines; }
    /// Where the window stands on a screen of the given size, by Position, Width and Height.
    [[nodiscard]] TPoint Placement(int screenWidth, int screenHeight) const;

private:
    std::vector<std::string> m_Lines;
};

} // namespace tw::diskio
