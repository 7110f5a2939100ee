#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace tw::fat {

class TFATStream;

/// Bytes the hex view reads, one block at a time.
class THexByteSource {
public:
    virtual ~THexByteSource() = default;
    [[nodiscard]] virtual uint64_t SizeBytes() const = 0;
    /// Fills out with the bytes from offset on. Returns how many it delivered: all of out,
    /// or all up to the end of the data; fewer only when a read failed.
    virtual uint64_t ReadAt(uint64_t offset, std::span<std::byte> out) = 0;
};

/// A TFATStream seen as a byte source. The stream is not owned and must outlive this.
class TFATStreamSource final : public THexByteSource {
public:
    explicit TFATStreamSource(TFATStream& stream) : m_Stream(stream) {}
    [[nodiscard]] uint64_t SizeBytes() const override;
    uint64_t ReadAt(uint64_t offset, std::span<std::byte> out) override;

private:
    TFATStream& m_Stream;
};

/// The stream is read in blocks of this many bytes, each starting at a multiple of it.
constexpr uint32_t HexBlockBytes = 2048;
constexpr int HexMaxBytesPerLine = 16;
/// The scroll bar always runs from 0 to HexScrollPositions - 1, whatever the line count.
constexpr int HexScrollPositions = 65536;
/// Character widths taken by the address column.
constexpr int HexAddressChars = 10;

/// How the picture has to change after the top line moved.
enum class TScrollEffect {
    seNone,     ///< the top line stayed
    seLineDown, ///< the top moved down one line: pixels move up, the bottom row is new
    seLineUp,   ///< the top moved up one line: pixels move down, the top row is new
    seWhole,    ///< repaint everything
};

/// Scroll bar actions.
enum class THexScroll { hsLineUp, hsLineDown, hsPageUp, hsPageDown, hsThumb, hsOther };
/// Keys the hex view acts on.
enum class THexKey { hkPageUp, hkPageDown, hkHome, hkEnd, hkUp, hkDown };

/// The bytes of one line; Known[i] is false for a byte whose read failed.
struct THexLine {
    int Count = 0;
    std::array<uint8_t, HexMaxBytesPerLine> Bytes{};
    std::array<bool, HexMaxBytesPerLine> Known{};
};

/// The geometry and the data of the hex view without any drawing: which bytes make which
/// line, which lines are on screen, where the scroll box stands, and the line texts. It
/// holds one 2048-byte block of the source at a time, so memory use does not grow with the
/// data.
class THexLayout {
public:
    /// Attaches a source (null detaches: no data, no lines). Then selects line 0, scrolls
    /// to line 0 and recomputes the layout. The source must outlive its attachment.
    void SetSource(THexByteSource* source);
    /// The pixel height of a line and the width of a character cell; recomputes the layout.
    void SetMetrics(int lineHeight, int charWidth);
    /// The client area in pixels; recomputes the layout.
    void Resize(int clientWidth, int clientHeight);
    /// The columns shown. BytesPerLine and LineCount follow only at the next Resize or
    /// SetMetrics.
    void SetShowAddress(bool show) { m_ShowAddress = show; }
    void SetShowCharacters(bool show) { m_ShowCharacters = show; }

    /// Moves the top line (clamped to 0..LineCount - 1; 0 without lines).
    TScrollEffect ScrollToLine(int64_t line);
    /// Moves the cursor line (clamped like the top) and scrolls it into view.
    TScrollEffect SelectLine(int64_t line);
    /// Scrolls so that the cursor line is within the rows that are fully visible: a line
    /// above the top becomes the top, a line at or below the last full row becomes the last
    /// full row.
    TScrollEffect RevealCurrentLine();
    /// A scroll bar action; thumbPosition counts for hsThumb only and is read as 16 bits.
    TScrollEffect Scroll(THexScroll action, int thumbPosition = 0);
    /// A key; nothing happens without data.
    TScrollEffect PressKey(THexKey key);
    /// A left click at y pixels below the top of the client area selects the line there;
    /// nothing happens without data.
    TScrollEffect ClickAt(int y);

    [[nodiscard]] bool HasData() const { return m_Source != nullptr; }
    [[nodiscard]] uint64_t DataSize() const { return m_DataSize; }
    [[nodiscard]] int64_t TopLine() const { return m_TopLine; }
    [[nodiscard]] int64_t CurrentLine() const { return m_CurrentLine; }
    [[nodiscard]] int VisibleLines() const { return m_VisibleLines; }
    [[nodiscard]] int64_t LineCount() const { return m_LineCount; }
    [[nodiscard]] int BytesPerLine() const { return m_BytesPerLine; }
    [[nodiscard]] int LineHeight() const { return m_LineHeight; }
    [[nodiscard]] int CharWidth() const { return m_CharWidth; }
    [[nodiscard]] bool ShowAddress() const { return m_ShowAddress; }
    [[nodiscard]] bool ShowCharacters() const { return m_ShowCharacters; }
    /// LineCount / 65536.
    [[nodiscard]] double ScrollScale() const { return m_ScrollScale; }
    /// The scroll box position for TopLine: nearest(TopLine / ScrollScale), within the
    /// scroll bar's range.
    [[nodiscard]] int ScrollBoxPosition() const;
    /// Pixel width of the address column: 10 character cells when shown, else 0.
    [[nodiscard]] int AddressWidth() const;
    /// Pixel offset of the character column from the start of the row.
    [[nodiscard]] int CharColumnOffset() const;

    /// The rows (first, last) that meet the pixel rows top..bottom of the client area,
    /// limited to 0..VisibleLines - 1; first > last when none does.
    [[nodiscard]] std::pair<int, int> RowsIn(int top, int bottom) const;
    /// Bytes shown on a line: BytesPerLine, fewer on a short last line, 0 past the data.
    [[nodiscard]] int BytesInLine(int64_t line) const;
    /// "%8Xh:" of the line's offset: upper-case hex, right-aligned in eight characters.
    [[nodiscard]] std::string AddressText(int64_t line) const;
    /// Per byte of the line, its two upper-case hex digits ("??" when the read failed)
    /// followed by a TAB; no TAB after the last pair.
    [[nodiscard]] std::string HexText(int64_t line);
    /// The line's bytes as they are.
    [[nodiscard]] std::string CharText(int64_t line);
    /// The line's bytes and whether each could be read, loading the blocks it needs.
    [[nodiscard]] THexLine LineBytes(int64_t line);

private:
    void RecalcLayout();
    void UpdateScrollRange();
    [[nodiscard]] int64_t Clamp(int64_t line) const;
    /// Makes the block buffer hold the block with this index.
    void LoadBlock(uint64_t block);

    THexByteSource* m_Source = nullptr;
    uint64_t m_DataSize = 0;
    int64_t m_TopLine = 0;
    int64_t m_CurrentLine = 0;
    int m_VisibleLines = 1;
    int64_t m_LineCount = 0;
    int m_BytesPerLine = 1;
    int m_LineHeight = 0;
    int m_CharWidth = 0;
    int m_ClientWidth = 0;
    int m_ClientHeight = 0;
    bool m_ShowAddress = true;
    bool m_ShowCharacters = true;
    double m_ScrollScale = 0.0;

    std::vector<std::byte> m_Block = std::vector<std::byte>(HexBlockBytes);
    /// Index of the block in m_Block; -1 when none is loaded.
    int64_t m_LoadedBlock = -1;
    /// Bytes of m_Block that the read delivered.
    uint64_t m_BlockKnownBytes = 0;
};

} // namespace tw::fat
