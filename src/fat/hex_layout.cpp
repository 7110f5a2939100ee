#include "fat/hex_layout.h"

#include "fat/fat_stream.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tw::fat {

uint64_t TFATStreamSource::SizeBytes() const {
    return m_Stream.Size();
}

uint64_t TFATStreamSource::ReadAt(uint64_t offset, std::span<std::byte> out) {
    if (offset >= SizeBytes() ||
        m_Stream.Seek(static_cast<int64_t>(offset), 0) != static_cast<int64_t>(offset)) {
        return 0;
    }
    const uint64_t wanted = std::min<uint64_t>(out.size(), SizeBytes() - offset);
    uint64_t got = 0;
    while (got < wanted) {
        const uint32_t chunk = static_cast<uint32_t>(std::min<uint64_t>(wanted - got, 1u << 20));
        const uint32_t read = m_Stream.Read(out.data() + got, chunk);
        if (read == 0) {
            break;
        }
        got += read;
    }
    return got;
}

void THexLayout::SetSource(THexByteSource* source) {
    m_Source = source;
    m_DataSize = source ? source->SizeBytes() : 0;
    m_LoadedBlock = -1;
    m_BlockKnownBytes = 0;
    (void)SelectLine(0);
    (void)ScrollToLine(0);
    RecalcLayout();
    UpdateScrollRange();
}

void THexLayout::SetMetrics(int lineHeight, int charWidth) {
    m_LineHeight = lineHeight;
    m_CharWidth = charWidth;
    RecalcLayout();
    UpdateScrollRange();
}

void THexLayout::Resize(int clientWidth, int clientHeight) {
    m_ClientWidth = clientWidth;
    m_ClientHeight = clientHeight;
    RecalcLayout();
    UpdateScrollRange();
}

void THexLayout::RecalcLayout() {
    if (m_LineHeight >= 1 && m_CharWidth >= 1) {
        m_VisibleLines = m_ClientHeight / m_LineHeight + 1;
        int chars = m_ClientWidth / m_CharWidth;
        if (m_ShowAddress) {
            chars -= HexAddressChars;
        }
        // A byte takes three cells as a hex pair and its gap, and one more as a character.
        m_BytesPerLine =
            std::clamp(m_ShowCharacters ? chars / 4 : chars / 3, 1, HexMaxBytesPerLine);
    }
    const auto perLine = static_cast<uint64_t>(m_BytesPerLine);
    m_LineCount = static_cast<int64_t>(m_DataSize / perLine + (m_DataSize % perLine ? 1 : 0));
}

void THexLayout::UpdateScrollRange() {
    m_ScrollScale = static_cast<double>(m_LineCount) / HexScrollPositions;
}

int64_t THexLayout::Clamp(int64_t line) const {
    return m_LineCount == 0 ? 0 : std::clamp<int64_t>(line, 0, m_LineCount - 1);
}

int THexLayout::ScrollBoxPosition() const {
    if (m_ScrollScale <= 0.0) {
        return 0;
    }
    const double position = std::nearbyint(static_cast<double>(m_TopLine) / m_ScrollScale);
    return static_cast<int>(std::clamp(position, 0.0, double{HexScrollPositions - 1}));
}

TScrollEffect THexLayout::ScrollToLine(int64_t line) {
    line = Clamp(line);
    if (line == m_TopLine) {
        return TScrollEffect::seNone;
    }
    const int64_t moved = line - m_TopLine;
    m_TopLine = line;
    if (moved == 1) {
        return TScrollEffect::seLineDown;
    }
    if (moved == -1) {
        return TScrollEffect::seLineUp;
    }
    return TScrollEffect::seWhole;
}

TScrollEffect THexLayout::SelectLine(int64_t line) {
    line = Clamp(line);
    if (line == m_CurrentLine) {
        return TScrollEffect::seNone;
    }
    m_CurrentLine = line;
    return RevealCurrentLine();
}

TScrollEffect THexLayout::RevealCurrentLine() {
    // The last row may be cut off; the rows above it are fully visible. A client area lower
    // than one line still counts its one row as visible, so that the cursor can rest on it.
    const int fullRows = std::max(m_VisibleLines - 1, 1);
    if (m_CurrentLine < m_TopLine) {
        return ScrollToLine(m_CurrentLine);
    }
    if (m_CurrentLine >= m_TopLine + fullRows) {
        return ScrollToLine(m_CurrentLine - fullRows + 1);
    }
    return TScrollEffect::seNone;
}

TScrollEffect THexLayout::Scroll(THexScroll action, int thumbPosition) {
    const int64_t pageLines = m_VisibleLines - 1;
    switch (action) {
    case THexScroll::hsLineUp:
        return ScrollToLine(m_TopLine - 1);
    case THexScroll::hsLineDown:
        return ScrollToLine(m_TopLine + 1);
    case THexScroll::hsPageUp:
        return ScrollToLine(m_TopLine - pageLines);
    case THexScroll::hsPageDown:
        return ScrollToLine(m_TopLine + pageLines);
    case THexScroll::hsThumb: {
        const double thumb = static_cast<uint16_t>(thumbPosition);
        return ScrollToLine(static_cast<int64_t>(std::nearbyint(thumb * m_ScrollScale)));
    }
    case THexScroll::hsOther:
        break;
    }
    return TScrollEffect::seNone;
}

TScrollEffect THexLayout::PressKey(THexKey key) {
    if (!HasData()) {
        return TScrollEffect::seNone;
    }
    switch (key) {
    case THexKey::hkPageUp:
        return SelectLine(m_CurrentLine - m_VisibleLines);
    case THexKey::hkPageDown:
        return SelectLine(m_CurrentLine + m_VisibleLines);
    case THexKey::hkHome:
        return SelectLine(0);
    case THexKey::hkEnd:
        return SelectLine(m_LineCount - 1);
    case THexKey::hkUp:
        return SelectLine(m_CurrentLine - 1);
    case THexKey::hkDown:
        return SelectLine(m_CurrentLine + 1);
    }
    return TScrollEffect::seNone;
}

TScrollEffect THexLayout::ClickAt(int y) {
    if (!HasData() || m_LineHeight < 1) {
        return TScrollEffect::seNone;
    }
    return SelectLine(y / m_LineHeight + m_TopLine);
}

int THexLayout::AddressWidth() const {
    return m_ShowAddress ? HexAddressChars * m_CharWidth : 0;
}

int THexLayout::CharColumnOffset() const {
    return AddressWidth() + m_BytesPerLine * 3 * m_CharWidth;
}

std::pair<int, int> THexLayout::RowsIn(int top, int bottom) const {
    if (m_LineHeight < 1 || bottom < top || bottom < 0) {
        return {0, -1};
    }
    const int first = std::max(top, 0) / m_LineHeight;
    const int last = std::min(bottom / m_LineHeight, m_VisibleLines - 1);
    return {first, last};
}

int THexLayout::BytesInLine(int64_t line) const {
    if (line < 0 || line >= m_LineCount) {
        return 0;
    }
    const auto remainder = static_cast<int>(m_DataSize % static_cast<uint64_t>(m_BytesPerLine));
    return line == m_LineCount - 1 && remainder > 0 ? remainder : m_BytesPerLine;
}

std::string THexLayout::AddressText(int64_t line) const {
    char text[32];
    std::snprintf(text, sizeof text, "%8llXh:",
                  static_cast<unsigned long long>(line) *
                      static_cast<unsigned long long>(m_BytesPerLine));
    return text;
}

void THexLayout::LoadBlock(uint64_t block) {
    if (static_cast<int64_t>(block) == m_LoadedBlock) {
        return;
    }
    std::fill(m_Block.begin(), m_Block.end(), std::byte{0});
    const uint64_t start = block * HexBlockBytes;
    const uint64_t wanted = std::min<uint64_t>(HexBlockBytes, m_DataSize - start);
    m_BlockKnownBytes = std::min(wanted, m_Source->ReadAt(start, std::span(m_Block).first(wanted)));
    // A failed read is not retried on every paint: the block counts as loaded.
    m_LoadedBlock = static_cast<int64_t>(block);
}

THexLine THexLayout::LineBytes(int64_t line) {
    THexLine result;
    result.Count = m_Source ? BytesInLine(line) : 0;
    const uint64_t first = static_cast<uint64_t>(line) * static_cast<uint64_t>(m_BytesPerLine);
    for (int i = 0; i < result.Count; ++i) {
        const uint64_t offset = first + static_cast<uint64_t>(i);
        LoadBlock(offset / HexBlockBytes);
        const uint64_t inBlock = offset % HexBlockBytes;
        result.Known[i] = inBlock < m_BlockKnownBytes;
        result.Bytes[i] = std::to_integer<uint8_t>(m_Block[inBlock]);
    }
    return result;
}

std::string THexLayout::HexText(int64_t line) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    const THexLine bytes = LineBytes(line);
    std::string text;
    for (int i = 0; i < bytes.Count; ++i) {
        if (i > 0) {
            text += '\t';
        }
        if (bytes.Known[i]) {
            text += Digits[bytes.Bytes[i] >> 4];
            text += Digits[bytes.Bytes[i] & 0x0F];
        } else {
            text += "??";
        }
    }
    return text;
}

std::string THexLayout::CharText(int64_t line) {
    const THexLine bytes = LineBytes(line);
    return std::string(reinterpret_cast<const char*>(bytes.Bytes.data()),
                       static_cast<size_t>(bytes.Count));
}

} // namespace tw::fat
