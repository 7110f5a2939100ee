#include "diskio/log.h"

#include "diskio/options.h"
#include "diskio/shared_helpers.h"

#include <algorithm>
#include <ctime>

namespace tw::diskio {

namespace {

TLogSink* g_LogSink = nullptr;

constexpr uint8_t HexDumpLevel = 3;
constexpr size_t BytesPerRow = 16;

// Windows-1252 in 0x80..0x9F; 0 marks the five codes it leaves undefined.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendCell(std::string& out, uint8_t b) {
    if (b <= 10) {
        out += '.';
    } else if (b < 0x20) {
        AppendUtf8(out, 0x2400 + b);
    } else if (b < 0x7F) {
        out += static_cast<char>(b);
    } else if (b == 0x7F) {
        AppendUtf8(out, 0x2421);
    } else if (b < 0xA0) {
        const char16_t c = Cp1252High[b - 0x80];
        AppendUtf8(out, c == 0 ? U'.' : c);
    } else {
        AppendUtf8(out, b);
    }
}

} // namespace

void SetLogSink(TLogSink* sink) {
    g_LogSink = sink;
}

void Log(const std::string& text, uint8_t level) {
    if (level > Options().DebugLevel) {
        return;
    }
    if (g_LogSink != nullptr) {
        g_LogSink->Add(text);
    }
}

void LogHexDump(std::span<const std::byte> buffer) {
    if (HexDumpLevel > Options().DebugLevel) {
        return;
    }
    Log("Hexdump: ", HexDumpLevel);
    for (size_t offset = 0; offset < buffer.size(); offset += BytesPerRow) {
        const std::span<const std::byte> row =
            buffer.subspan(offset, std::min(BytesPerRow, buffer.size() - offset));
        std::string line = WordToHex(static_cast<uint16_t>(offset & 0xFFFFu)) + "h : ";
        for (size_t i = 0; i < BytesPerRow; ++i) {
            line += i < row.size() ? " " + ByteToHex(static_cast<uint8_t>(row[i])) : "   ";
        }
        line += "  :  ";
        for (const std::byte b : row) {
            AppendCell(line, static_cast<uint8_t>(b));
        }
        line += '\n';
        Log(line, HexDumpLevel);
    }
    Log("", HexDumpLevel);
}

TPoint PlaceAtCorner(TPositions position, int screenWidth, int screenHeight, int width,
                     int height) {
    switch (position) {
    case TPositions::poTopLeft:
        return {0, 0};
    case TPositions::poBottomLeft:
        return {0, screenHeight - height};
    case TPositions::poTopRight:
        return {screenWidth - width, 0};
    case TPositions::poBottomRight:
        return {screenWidth - width, screenHeight - height};
    }
    return {0, 0};
}

void TDebugBoxState::Add(const std::string& text) {
    if (!TimeStamp) {
        m_Lines.push_back(text);
        return;
    }
    const std::time_t now = std::time(nullptr);
    char clock[16] = "";
    if (const std::tm* local = std::localtime(&now)) {
        std::strftime(clock, sizeof clock, "%H:%M:%S", local);
    }
    m_Lines.push_back(std::string(clock) + " - " + text);
}

TPoint TDebugBoxState::Placement(int screenWidth, int screenHeight) const {
    return PlaceAtCorner(Position, screenWidth, screenHeight, Width, Height);
}

} // namespace tw::diskio
