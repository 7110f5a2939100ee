#include "diskio/log.h"
#include "diskio/options.h"

#include <cstddef>
#include <gtest/gtest.h>
#include <regex>
#include <string>
#include <vector>

namespace tw::diskio {
namespace {

class TRecordingSink final : public TLogSink {
public:
    void Add(const std::string& line) override { Lines.push_back(line); }
    std::vector<std::string> Lines;
};

class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_SavedLevel = Options().DebugLevel;
        SetLogSink(&Sink);
    }
    void TearDown() override {
        SetLogSink(nullptr);
        Options().DebugLevel = m_SavedLevel;
    }

    // The character part of a row: after "  :  ", without the line feed.
    static std::string Cells(const std::string& row) {
        const size_t start = row.find("  :  ");
        return row.substr(start + 5, row.size() - start - 6);
    }

    TRecordingSink Sink;

private:
    uint8_t m_SavedLevel = 3;
};

TEST_F(LogTest, PassesLinesUpToDebugLevel) {
    Options().DebugLevel = 2;
    Log("one", 1);
    Log("two", 2);
    Log("three", 3);
    Log("high", 255);
    EXPECT_EQ(Sink.Lines, (std::vector<std::string>{"one", "two"}));

    Options().DebugLevel = 0;
    Log("zero", 0);
    Log("one", 1);
    EXPECT_EQ(Sink.Lines.back(), "zero");
    EXPECT_EQ(Sink.Lines.size(), 3u);
}

TEST_F(LogTest, WithoutSinkLinesGoNowhere) {
    SetLogSink(nullptr);
    Log("lost", 1);
    LogHexDump(std::vector<std::byte>(32));
    EXPECT_TRUE(Sink.Lines.empty());
}

TEST_F(LogTest, HexDumpOfBootSectorSizedBuffer) {
    Options().DebugLevel = 3;
    std::vector<std::byte> buffer(512);
    for (size_t i = 0; i < buffer.size(); ++i) {
        buffer[i] = static_cast<std::byte>(0x41 + i % 16);
    }
    LogHexDump(buffer);

    ASSERT_EQ(Sink.Lines.size(), 1u + 32u + 1u);
    EXPECT_EQ(Sink.Lines.front(), "Hexdump: ");
    EXPECT_EQ(Sink.Lines.back(), "");
    EXPECT_EQ(Sink.Lines[1],
              "0000h :  41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50  :  ABCDEFGHIJKLMNOP\n");
    EXPECT_EQ(Sink.Lines[32].substr(0, 10), "01F0h :  4");
}

TEST_F(LogTest, HexDumpAtDebugLevelTwoAddsNothing) {
    Options().DebugLevel = 2;
    LogHexDump(std::vector<std::byte>(512));
    Log("application started", 1);
    EXPECT_EQ(Sink.Lines, (std::vector<std::string>{"application started"}));
}

TEST_F(LogTest, HexDumpCellPerByte) {
    struct TCase {
        uint8_t Byte;
        const char* Cell;
    };
    const TCase cases[] = {
        {0x00, "."}, {0x0A, "."},      {0x0B, "\u240B"}, {0x0D, "\u240D"}, {0x1F, "\u241F"},
        {0x20, " "}, {0x2E, "."},      {0x7E, "~"},      {0x7F, "\u2421"}, {0x80, "\u20AC"},
        {0x81, "."}, {0x9F, "\u0178"}, {0xA0, "\u00A0"}, {0xE9, "\u00E9"}, {0xFF, "\u00FF"},
    };
    for (const TCase& c : cases) {
        Sink.Lines.clear();
        LogHexDump(std::vector<std::byte>(16, static_cast<std::byte>(c.Byte)));
        ASSERT_EQ(Sink.Lines.size(), 3u);
        std::string expected;
        for (int i = 0; i < 16; ++i) {
            expected += c.Cell;
        }
        EXPECT_EQ(Cells(Sink.Lines[1]), expected) << "byte " << int(c.Byte);
    }
}

TEST_F(LogTest, HexDumpRowsAreValidUtf8WithSixteenCells) {
    std::vector<std::byte> buffer(256);
    for (size_t i = 0; i < buffer.size(); ++i) {
        buffer[i] = static_cast<std::byte>(i);
    }
    LogHexDump(buffer);
    ASSERT_EQ(Sink.Lines.size(), 18u);
    for (size_t row = 1; row <= 16; ++row) {
        const std::string cells = Cells(Sink.Lines[row]);
        size_t count = 0;
        for (size_t pos = 0; pos < cells.size(); ++count) {
            const auto lead = static_cast<unsigned char>(cells[pos]);
            const size_t length = lead < 0x80 ? 1 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
            ASSERT_NE(length, 0u) << "row " << row;
            ASSERT_LE(pos + length, cells.size());
            for (size_t i = 1; i < length; ++i) {
                ASSERT_EQ(static_cast<unsigned char>(cells[pos + i]) & 0xC0, 0x80);
            }
            pos += length;
        }
        EXPECT_EQ(count, 16u) << "row " << row;
    }
}

TEST_F(LogTest, HexDumpPadsShortLastRow) {
    std::vector<std::byte> buffer(20, std::byte{0x41});
    LogHexDump(buffer);
    ASSERT_EQ(Sink.Lines.size(), 4u);
    EXPECT_EQ(Sink.Lines[2], "0010h :  41 41 41 41" + std::string(12 * 3, ' ') + "  :  AAAA\n");
}

TEST(PlaceAtCorner, EachCornerOfTheScreen) {
    struct TCase {
        TPositions Position;
        TPoint Expected;
    };
    const TCase cases[] = {
        {TPositions::poTopLeft, {0, 0}},
        {TPositions::poBottomLeft, {0, 568}},
        {TPositions::poTopRight, {774, 0}},
        {TPositions::poBottomRight, {774, 568}},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(PlaceAtCorner(c.Position, 1024, 768, 250, 200), c.Expected);
    }
}

TEST(TDebugBoxState, DefaultsAndRightEdgeKeptWhenWidthChanges) {
    TDebugBoxState box;
    EXPECT_EQ(box.Caption, "Debug Box");
    EXPECT_EQ(box.Position, TPositions::poTopRight);
    EXPECT_FALSE(box.Visible);
    EXPECT_EQ(box.Width, 250);
    EXPECT_EQ(box.Height, 200);
    EXPECT_FALSE(box.TimeStamp);

    box.Width = 400;
    const TPoint at = box.Placement(1024, 768);
    EXPECT_EQ(at.X + box.Width, 1024);
    EXPECT_EQ(at.Y, 0);
}

TEST(TDebugBoxState, CollectsLinesAsSinkWithOptionalTimeOfDay) {
    TDebugBoxState box;
    SetLogSink(&box);
    Log("application started", 1);
    box.TimeStamp = true;
    box.Add("stamped");
    SetLogSink(nullptr);

    ASSERT_EQ(box.Lines().size(), 2u);
    EXPECT_EQ(box.Lines()[0], "application started");
    EXPECT_TRUE(std::regex_match(box.Lines()[1], std::regex(R"(\d\d:\d\d:\d\d - stamped)")))
        << box.Lines()[1];
}

} // namespace
} // namespace tw::diskio
