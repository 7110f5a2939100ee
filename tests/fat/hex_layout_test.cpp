#include "fat/hex_layout.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <limits>

namespace tw::fat {
namespace {

constexpr int LineHeight = 10;
constexpr int CharWidth = 8;

/// Byte i of the data is i mod 251, so that neighbouring blocks differ; reads from
/// FailFrom on deliver nothing.
class TPatternSource final : public THexByteSource {
public:
    explicit TPatternSource(uint64_t size) : m_Size(size) {}
    [[nodiscard]] uint64_t SizeBytes() const override { return m_Size; }
    uint64_t ReadAt(uint64_t offset, std::span<std::byte> out) override {
        Reads.push_back(offset);
        const uint64_t end = std::min({offset + out.size(), m_Size, FailFrom});
        for (uint64_t i = offset; i < end; ++i) {
            out[i - offset] = std::byte(static_cast<uint8_t>(i % 251));
        }
        return end > offset ? end - offset : 0;
    }
    std::vector<uint64_t> Reads;
    uint64_t FailFrom = std::numeric_limits<uint64_t>::max();

private:
    uint64_t m_Size;
};

/// A layout over size bytes, widthChars character cells wide and rows rows high (the
/// last row cut off a little, as usual).
struct TView {
    TPatternSource Source;
    THexLayout Layout;
    TView(uint64_t size, int widthChars, int rows = 5) : Source(size) {
        Layout.SetMetrics(LineHeight, CharWidth);
        Layout.Resize(widthChars * CharWidth + CharWidth - 1, (rows - 1) * LineHeight + 3);
        Layout.SetSource(&Source);
    }
};

std::string Pairs(uint64_t from, int count) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string text;
    for (int i = 0; i < count; ++i) {
        const auto value = static_cast<uint8_t>((from + static_cast<uint64_t>(i)) % 251);
        text += std::string(i ? "\t" : "") + Digits[value >> 4] + Digits[value & 15];
    }
    return text;
}

TEST(HexLayoutTest, BytesPerLineFollowsWidthAndColumns) {
    struct TCase {
        int WidthChars;
        bool ShowAddress;
        bool ShowCharacters;
        int BytesPerLine;
    } cases[] = {
        {77, true, true, 16},  {60, true, true, 12},  {200, true, true, 16},
        {12, true, true, 1},   {3, true, true, 1},    {60, false, true, 15},
        {40, true, false, 10}, {60, true, false, 16}, {30, false, false, 10},
    };
    for (const TCase& c : cases) {
        THexLayout layout;
        layout.SetShowAddress(c.ShowAddress);
        layout.SetShowCharacters(c.ShowCharacters);
        layout.SetMetrics(LineHeight, CharWidth);
        layout.Resize(c.WidthChars * CharWidth + CharWidth - 1, 100);
        EXPECT_EQ(layout.BytesPerLine(), c.BytesPerLine)
            << c.WidthChars << " cells, address " << c.ShowAddress << ", characters "
            << c.ShowCharacters;
    }
}

TEST(HexLayoutTest, ColumnSwitchesWaitForTheNextResize) {
    TView view(1000, 60);
    ASSERT_EQ(view.Layout.BytesPerLine(), 12);
    view.Layout.SetShowCharacters(false);
    EXPECT_EQ(view.Layout.BytesPerLine(), 12);
    view.Layout.Resize(60 * CharWidth, 40);
    EXPECT_EQ(view.Layout.BytesPerLine(), 16);
    EXPECT_EQ(view.Layout.LineCount(), 63);
}

TEST(HexLayoutTest, LineCountAndShortLastLine) {
    struct TCase {
        uint64_t Size;
        int64_t Lines;
        int LastLineBytes;
    } cases[] = {{100, 7, 4}, {32, 2, 16}, {1, 1, 1}, {0, 0, 0}};
    for (const TCase& c : cases) {
        TView view(c.Size, 77);
        EXPECT_EQ(view.Layout.LineCount(), c.Lines) << c.Size;
        EXPECT_EQ(view.Layout.BytesInLine(c.Lines - 1), c.LastLineBytes) << c.Size;
        EXPECT_EQ(view.Layout.BytesInLine(c.Lines), 0) << c.Size;
    }
    TView view(100, 77);
    EXPECT_EQ(view.Layout.HexText(6), Pairs(96, 4));
    EXPECT_EQ(view.Layout.CharText(6).size(), 4u);
}

TEST(HexLayoutTest, AddressText) {
    TView view(1000, 77);
    EXPECT_EQ(view.Layout.AddressText(0), "       0h:");
    EXPECT_EQ(view.Layout.AddressText(31), "     1F0h:");
    EXPECT_EQ(view.Layout.AddressText(0x10000000), "100000000h:");
}

TEST(HexLayoutTest, LinesAcrossBlockBoundariesShowTheirOwnBytes) {
    TView view(10000, 50); // (50 - 10) / 4 = 10 bytes per line
    ASSERT_EQ(view.Layout.BytesPerLine(), 10);
    EXPECT_EQ(view.Layout.AddressText(204), "     7F8h:");
    EXPECT_EQ(view.Layout.HexText(204), Pairs(2040, 10));
    EXPECT_EQ(view.Source.Reads, (std::vector<uint64_t>{0, 2048}));

    // Up across the boundary, a jump, and down again: each row its own bytes.
    for (int64_t line : {203, 204, 205, 999, 410, 409, 408}) {
        EXPECT_EQ(view.Layout.HexText(line),
                  Pairs(static_cast<uint64_t>(line) * 10, view.Layout.BytesInLine(line)))
            << line;
    }
    const THexLine last = view.Layout.LineBytes(999);
    EXPECT_EQ(last.Bytes[9], 9999 % 251);
}

TEST(HexLayoutTest, ReadsOneBlockPerBlockChange) {
    TView view(10000, 77);
    for (int64_t line = 0; line < view.Layout.LineCount(); ++line) {
        (void)view.Layout.HexText(line);
    }
    EXPECT_EQ(view.Source.Reads, (std::vector<uint64_t>{0, 2048, 4096, 6144, 8192}));
}

TEST(HexLayoutTest, BytesThatCannotBeReadShowAsQuestionMarks) {
    TView view(4096, 77);
    view.Source.FailFrom = 2048 + 5;
    std::string unknown; // eleven unreadable bytes after five good ones
    for (int i = 0; i < 11; ++i) {
        unknown += "\t??";
    }
    EXPECT_EQ(view.Layout.HexText(128), Pairs(2048, 5) + unknown);
    EXPECT_EQ(view.Layout.HexText(129), "??\t??\t??\t??\t??" + unknown);
    // The failed block counts as loaded and is not read again for every row.
    EXPECT_EQ(view.Source.Reads.size(), 1u);
}

TEST(HexLayoutTest, DownMovesTheCursorThenScrollsOneLineAtATime) {
    TView view(1000, 77, 5); // 5 rows, the last cut off
    THexLayout& layout = view.Layout;
    ASSERT_EQ(layout.VisibleLines(), 5);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(layout.PressKey(THexKey::hkDown), TScrollEffect::seNone);
        EXPECT_EQ(layout.CurrentLine(), i);
        EXPECT_EQ(layout.TopLine(), 0);
    }
    EXPECT_EQ(layout.PressKey(THexKey::hkDown), TScrollEffect::seLineDown);
    EXPECT_EQ(layout.TopLine(), 1);
    EXPECT_EQ(layout.PressKey(THexKey::hkDown), TScrollEffect::seLineDown);
    EXPECT_EQ(layout.TopLine(), 2);
    EXPECT_EQ(layout.CurrentLine(), 5);

    // Up stays inside the view until the cursor passes the top.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(layout.PressKey(THexKey::hkUp), TScrollEffect::seNone);
    }
    EXPECT_EQ(layout.PressKey(THexKey::hkUp), TScrollEffect::seLineUp);
    EXPECT_EQ(layout.TopLine(), 1);
    EXPECT_EQ(layout.CurrentLine(), 1);
}

TEST(HexLayoutTest, PageEndAndHomeKeys) {
    TView view(1000, 77, 5); // 63 lines
    THexLayout& layout = view.Layout;
    EXPECT_EQ(layout.PressKey(THexKey::hkPageDown), TScrollEffect::seWhole);
    EXPECT_EQ(layout.CurrentLine(), 5);
    EXPECT_EQ(layout.TopLine(), 2);
    EXPECT_EQ(layout.PressKey(THexKey::hkPageDown), TScrollEffect::seWhole);
    EXPECT_EQ(layout.CurrentLine(), 10);
    EXPECT_EQ(layout.TopLine(), 7);
    EXPECT_EQ(layout.PressKey(THexKey::hkEnd), TScrollEffect::seWhole);
    EXPECT_EQ(layout.CurrentLine(), 62);
    EXPECT_EQ(layout.TopLine(), 59);
    EXPECT_EQ(layout.PressKey(THexKey::hkDown), TScrollEffect::seNone);
    EXPECT_EQ(layout.PressKey(THexKey::hkPageDown), TScrollEffect::seNone);
    EXPECT_EQ(layout.PressKey(THexKey::hkPageUp), TScrollEffect::seWhole);
    EXPECT_EQ(layout.CurrentLine(), 57);
    EXPECT_EQ(layout.TopLine(), 57);
    EXPECT_EQ(layout.PressKey(THexKey::hkHome), TScrollEffect::seWhole);
    EXPECT_EQ(layout.CurrentLine(), 0);
    EXPECT_EQ(layout.TopLine(), 0);
    EXPECT_EQ(layout.PressKey(THexKey::hkPageUp), TScrollEffect::seNone);
}

TEST(HexLayoutTest, ClickSelectsTheLineUnderTheMouse) {
    TView view(1000, 77, 5);
    (void)view.Layout.ScrollToLine(2);
    EXPECT_EQ(view.Layout.ClickAt(3 * LineHeight + 1), TScrollEffect::seNone);
    EXPECT_EQ(view.Layout.CurrentLine(), 5);
    // A click on the cut-off last row brings it up to the last full row.
    EXPECT_EQ(view.Layout.ClickAt(4 * LineHeight + 1), TScrollEffect::seLineDown);
    EXPECT_EQ(view.Layout.CurrentLine(), 6);
    EXPECT_EQ(view.Layout.TopLine(), 3);
}

TEST(HexLayoutTest, WithoutDataNothingMoves) {
    TView empty(0, 77);
    THexLayout detached;
    detached.SetMetrics(LineHeight, CharWidth);
    detached.Resize(600, 50);
    for (THexLayout* layout : {&empty.Layout, &detached}) {
        EXPECT_EQ(layout->LineCount(), 0);
        for (THexKey key : {THexKey::hkDown, THexKey::hkEnd, THexKey::hkPageDown}) {
            EXPECT_EQ(layout->PressKey(key), TScrollEffect::seNone);
        }
        EXPECT_EQ(layout->ClickAt(35), TScrollEffect::seNone);
        EXPECT_EQ(layout->Scroll(THexScroll::hsLineDown), TScrollEffect::seNone);
        EXPECT_EQ(layout->Scroll(THexScroll::hsThumb, 65535), TScrollEffect::seNone);
        EXPECT_EQ(layout->TopLine(), 0);
        EXPECT_EQ(layout->CurrentLine(), 0);
        EXPECT_EQ(layout->ScrollBoxPosition(), 0);
        EXPECT_EQ(layout->HexText(0), "");
    }
    EXPECT_FALSE(detached.HasData());
    EXPECT_TRUE(empty.Layout.HasData());
}

TEST(HexLayoutTest, ScrollBarActions) {
    TView view(1600, 77, 5); // 100 lines
    THexLayout& layout = view.Layout;
    EXPECT_DOUBLE_EQ(layout.ScrollScale(), 100.0 / 65536);
    EXPECT_EQ(layout.Scroll(THexScroll::hsLineDown), TScrollEffect::seLineDown);
    EXPECT_EQ(layout.Scroll(THexScroll::hsPageDown), TScrollEffect::seWhole);
    EXPECT_EQ(layout.TopLine(), 5);
    EXPECT_EQ(layout.Scroll(THexScroll::hsPageUp), TScrollEffect::seWhole);
    EXPECT_EQ(layout.Scroll(THexScroll::hsLineUp), TScrollEffect::seLineUp);
    EXPECT_EQ(layout.Scroll(THexScroll::hsLineUp), TScrollEffect::seNone);
    EXPECT_EQ(layout.Scroll(THexScroll::hsOther), TScrollEffect::seNone);

    // The thumb at the bottom shows the last line at the top.
    EXPECT_EQ(layout.Scroll(THexScroll::hsThumb, 65535), TScrollEffect::seWhole);
    EXPECT_EQ(layout.TopLine(), 99);
    EXPECT_EQ(layout.ScrollBoxPosition(), 64881); // nearest(99 / (100 / 65536))
    // The thumb position counts as unsigned 16 bits.
    EXPECT_EQ(layout.Scroll(THexScroll::hsThumb, -1), TScrollEffect::seNone);
    EXPECT_EQ(layout.Scroll(THexScroll::hsThumb, 65536 + 655), TScrollEffect::seWhole);
    EXPECT_EQ(layout.TopLine(), 1);
}

TEST(HexLayoutTest, ThumbRoundsHalfwayToEven) {
    TView view(32768 * 16, 77); // ScrollScale 0.5
    struct TCase {
        int Thumb;
        int64_t Line;
    } cases[] = {{3, 2}, {5, 2}, {7, 4}, {4, 2}};
    for (const TCase& c : cases) {
        (void)view.Layout.Scroll(THexScroll::hsThumb, c.Thumb);
        EXPECT_EQ(view.Layout.TopLine(), c.Line) << c.Thumb;
    }
}

TEST(HexLayoutTest, LinesBeyondThirtyTwoBits) {
    const uint64_t size = 5ull << 30;
    TView view(size, 12); // one byte per line
    ASSERT_EQ(view.Layout.BytesPerLine(), 1);
    EXPECT_EQ(view.Layout.LineCount(), static_cast<int64_t>(size));
    (void)view.Layout.PressKey(THexKey::hkEnd);
    EXPECT_EQ(view.Layout.CurrentLine(), static_cast<int64_t>(size) - 1);
    EXPECT_EQ(view.Layout.ScrollBoxPosition(), 65535);
    EXPECT_EQ(view.Layout.AddressText(view.Layout.CurrentLine()), "13FFFFFFFh:");
    EXPECT_EQ(view.Layout.HexText(view.Layout.CurrentLine()), Pairs(size - 1, 1));
    (void)view.Layout.Scroll(THexScroll::hsThumb, 32768);
    EXPECT_EQ(view.Layout.TopLine(), static_cast<int64_t>(size / 2));
}

TEST(HexLayoutTest, RowsInADirtyRectangle) {
    TView view(1000, 77, 5);
    using TRows = std::pair<int, int>;
    EXPECT_EQ(view.Layout.RowsIn(0, 43), TRows(0, 4));
    EXPECT_EQ(view.Layout.RowsIn(10, 19), TRows(1, 1));
    EXPECT_EQ(view.Layout.RowsIn(33, 43), TRows(3, 4));
    EXPECT_EQ(view.Layout.RowsIn(-20, 5), TRows(0, 0));
    EXPECT_EQ(view.Layout.RowsIn(0, 500), TRows(0, 4));
    const TRows none = view.Layout.RowsIn(60, 80);
    EXPECT_GT(none.first, none.second);
}

TEST(HexLayoutTest, ANewSourceStartsAtTheFirstLine) {
    TView view(10000, 77);
    (void)view.Layout.PressKey(THexKey::hkEnd);
    (void)view.Layout.HexText(view.Layout.TopLine());
    TPatternSource second(300);
    view.Layout.SetSource(&second);
    EXPECT_EQ(view.Layout.TopLine(), 0);
    EXPECT_EQ(view.Layout.CurrentLine(), 0);
    EXPECT_EQ(view.Layout.LineCount(), 19);
    EXPECT_EQ(view.Layout.HexText(0), Pairs(0, 16));
    EXPECT_EQ(second.Reads.size(), 1u); // the old block was not taken for the new source
    view.Layout.SetSource(nullptr);
    EXPECT_FALSE(view.Layout.HasData());
    EXPECT_EQ(view.Layout.LineCount(), 0);
}

} // namespace
} // namespace tw::fat
