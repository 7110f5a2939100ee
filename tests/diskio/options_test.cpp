#include "diskio/options.h"

#include <cstdint>
#include <gtest/gtest.h>

namespace tw::diskio {
namespace {

TEST(TOptions, FreshRecordHoldsDefaultsAndLoadKeepsThem) {
    TOptions options;
    options.Load();
    EXPECT_EQ(options.DebugLevel, 3);
    EXPECT_TRUE(options.UseINT13);
    EXPECT_TRUE(options.UseINT13EXT);
    EXPECT_TRUE(options.UseINT25);
    EXPECT_TRUE(options.EnableWinErrorMsg);
    EXPECT_TRUE(options.EnableCache);
    EXPECT_EQ(options.Font.Family, "Sans Serif");
    EXPECT_EQ(options.Font.PointSize, 9);
    EXPECT_EQ(options.LostDefaultSize, 1474560u);
    EXPECT_EQ(options.DeletedCharAnsi, "_");
    EXPECT_EQ(options.DeletedCharMultibyte, "__");
    EXPECT_FALSE(options.CharMultibyte);
    EXPECT_TRUE(options.FindLostFiles);
}

TEST(TOptions, OneRecordPerProcess) {
    EXPECT_EQ(&Options(), &Options());
}

TEST(ReadDefaultSizeNumber, Cases) {
    struct TCase {
        const char* Text;
        uint32_t Expected;
    };
    const TCase cases[] = {
        {"$1000", 4096},
        {"12abc", 12},
        {"", 0},
        {"abc", 0},
        {"   42", 42},
        {"\t7", 7},
        {"+7", 7},
        {"-1", 0xFFFFFFFFu},
        {"1474560", 1474560},
        {"x1F", 31},
        {"X1f", 31},
        {"0x1f", 31},
        {"0X10", 16},
        {"-$10", 0xFFFFFFF0u},
        {"$", 0},
        {"0x", 0},
        {"$FFFFFFFF", 0xFFFFFFFFu},
        {"$1G", 1},
        {"12 34", 12},
        {"12.5", 12},
        {"4294967296", 0}, // kept in 32 bits
        {"4294967297", 1},
        {"1 2", 1},
        {"- 5", 0},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(ReadDefaultSizeNumber(c.Text), c.Expected) << '"' << c.Text << '"';
    }
}

} // namespace
} // namespace tw::diskio
