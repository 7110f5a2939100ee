#include "devices/device.h"
#include "devices/drive_list.h"
#include "diskio/log.h"
#include "diskio/status_dialog.h"
#include "fat/fat_analyser.h"
#include "fat/fat_directory.h"
#include "fat/fat_drive.h"
#include "fat/session.h"
#include "support/fake_source.h"
#include "support/fat_image_builder.h"
#include "support/image_tools.h"
#include "support/scripted_prompter.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace tw {
namespace {

using fat::TFATAnalyser;
using TSector = std::vector<std::byte>;
using TEntry = test::TFatImageBuilder::TEntry;

constexpr const char* RebuiltName = "DRIVE (without BootSec)";

void Put16(TSector& s, size_t at, uint32_t v) {
    s[at] = static_cast<std::byte>(v & 0xFF);
    s[at + 1] = static_cast<std::byte>((v >> 8) & 0xFF);
}
void Put32(TSector& s, size_t at, uint32_t v) {
    Put16(s, at, v & 0xFFFF);
    Put16(s, at + 2, v >> 16);
}
void Put12(TSector& s, uint32_t index, uint32_t v) {
    const size_t at = index + index / 2;
    uint32_t word = fat::LoadLE16(s, at);
    word = (index & 1) != 0 ? (word & 0x000F) | (v << 4) : (word & 0xF000) | (v & 0xFFF);
    Put16(s, at, word);
}

/// A FAT sector whose entries from `from` on hold first, first + 1, ... (count links), the
/// rest free; with start, the two reserved entries carry media byte 0xF8.
TSector FatSector(int bits, bool start, uint32_t first, uint32_t count) {
    TSector s(512);
    const uint32_t from = start ? 2 : 0;
    auto put = [&](uint32_t j, uint32_t v) {
        if (bits == 32) {
            Put32(s, 4 * j, v);
        } else if (bits == 16) {
            Put16(s, 2 * j, v);
        } else {
            Put12(s, j, v);
        }
    };
    if (start) {
        put(0, bits == 32 ? 0x0FFFFFF8 : bits == 16 ? 0xFFF8 : 0xFF8);
        put(1, bits == 32 ? 0x0FFFFFFF : bits == 16 ? 0xFFFF : 0xFFF);
    }
    for (uint32_t i = 0; i < count; ++i) {
        put(from + i, first + i);
    }
    return s;
}

constexpr uint16_t NoonTime = (12 << 11) | (30 << 5) | 5;
constexpr uint16_t SomeDate = ((2020 - 1980) << 9) | (5 << 5) | 17;

TEntry FileEntry(int k) {
    const std::string name = "FILE" + std::to_string(10 + k) + "  TXT";
    return test::TFatImageBuilder::ShortEntry(name, 0x20, 3 + k, 1000, NoonTime, SomeDate);
}
TEntry LabelEntry() {
    return test::TFatImageBuilder::ShortEntry("VOLUME     ", 0x08, 0, 0, NoonTime, SomeDate);
}

TSector FromEntries(const std::vector<TEntry>& entries) {
    TSector s(512);
    for (size_t i = 0; i < entries.size() && i < 16; ++i) {
        std::copy(entries[i].begin(), entries[i].end(), s.begin() + static_cast<long>(32 * i));
    }
    return s;
}

/// 16 plausible entries; with label, the first is a volume label.
std::vector<TEntry> DirEntries(bool label) {
    std::vector<TEntry> entries;
    for (int k = 0; k < 16; ++k) {
        entries.push_back(k == 0 && label ? LabelEntry() : FileEntry(k));
    }
    return entries;
}

/// A sub-directory's first sector: "." naming cluster, "..", nothing else.
TSector DotSector(uint32_t cluster) {
    return FromEntries({test::TFatImageBuilder::ShortEntry(".          ", 0x10, cluster, 0),
                        test::TFatImageBuilder::ShortEntry("..         ", 0x10, 0, 0)});
}

TEST(IsBootSector, NeedsTheSignatureAShortJumpAndAPowerOfTwoSectorSize) {
    struct TCase {
        uint8_t Jump;
        uint16_t BytesPerSector;
        bool Signature;
        bool Expected;
    };
    const TCase cases[] = {
        {0xEB, 512, true, true},   {0xEB, 8192, true, true},   {0xEB, 1536, true, false},
        {0xEB, 256, true, false},  {0xEB, 16384, true, false}, {0xE9, 512, true, false},
        {0xEB, 512, false, false},
    };
    for (const TCase& c : cases) {
        TSector s(512);
        s[0] = static_cast<std::byte>(c.Jump);
        Put16(s, 11, c.BytesPerSector);
        if (c.Signature) {
            Put16(s, 510, 0xAA55);
        }
        EXPECT_EQ(TFATAnalyser::IsBootSector(s), c.Expected)
            << std::hex << int{c.Jump} << " " << std::dec << c.BytesPerSector;
    }
    EXPECT_FALSE(TFATAnalyser::IsBootSector(TSector(256)));
}

TEST(DetectFATSector, TellsTypeAndStartFromRunsOfConsecutiveLinks) {
    struct TCase {
        const char* What;
        TSector Data;
        bool Found;
        uint8_t Type;
        bool Start;
    };
    TSector sixTimes = FatSector(16, false, 10, 40);
    TSector fiveTimes = sixTimes;
    for (uint32_t j = 100; j < 106; ++j) {
        Put16(sixTimes, 2 * j, 500);
    }
    for (uint32_t j = 100; j < 105; ++j) {
        Put16(fiveTimes, 2 * j, 500);
    }
    TSector endMarks = FatSector(32, true, 4, 30);
    for (uint32_t j = 60; j < 100; ++j) {
        Put32(endMarks, 4 * j, 0x0FFFFFFF);
    }
    TSector mediaFF = FatSector(16, true, 4, 30);
    Put16(mediaFF, 0, 0xFFFF);
    const TCase cases[] = {
        {"FAT16 links 10, 11, ...", FatSector(16, false, 10, 40), true, fat::Fat16, false},
        {"FAT16 start", FatSector(16, true, 3, 40), true, fat::Fat16, true},
        {"FAT32 start", FatSector(32, true, 3, 40), true, fat::Fat32, true},
        {"FAT12 start F8 FF FF", FatSector(12, true, 3, 40), true, fat::Fat12, true},
        {"18 entries give 17 continued links", FatSector(16, false, 10, 18), true, fat::Fat16,
         false},
        {"17 entries give only 16", FatSector(16, false, 10, 17), false, 0, false},
        {"a link held by 5 other entries", std::move(sixTimes), false, 0, false},
        {"a link held by 4 other entries", std::move(fiveTimes), true, fat::Fat16, false},
        {"end-of-chain marks may repeat", std::move(endMarks), true, fat::Fat32, true},
        {"media byte 0xFF starts no FAT", std::move(mediaFF), true, fat::Fat16, false},
        {"zeros", TSector(512), false, 0, false},
        {"text", TSector(512, std::byte{'a'}), false, 0, false},
    };
    for (const TCase& c : cases) {
        uint8_t type = 0;
        bool start = false;
        ASSERT_EQ(TFATAnalyser::DetectFATSector(c.Data, type, start), c.Found) << c.What;
        if (c.Found) {
            EXPECT_EQ(type, c.Type) << c.What;
            EXPECT_EQ(start, c.Start) << c.What;
        }
    }
}

/// The FAT sector test as first stated: every link is compared with every entry of the
/// examined range. The analyser answers the same without the quadratic work.
bool ReferenceDetect(const TSector& s, uint8_t& type, bool& start) {
    for (const uint8_t t : {fat::Fat32, fat::Fat16, fat::Fat12}) {
        const bool isStart = TFATAnalyser::IsFATStart(s, t);
        const uint32_t n = t == fat::Fat32 ? 128 : t == fat::Fat16 ? 256 : 341;
        const uint32_t from = isStart ? 2 : 0;
        uint32_t prev = 0;
        uint32_t count = 0;
        bool failed = false;
        for (uint32_t j = from; j < n && !failed; ++j) {
            const uint32_t v = TFATAnalyser::GetFATEntry(s, j, t);
            const uint8_t c = fat::TFATdrive::ClassifyFATValue(t, v);
            if (c == fat::FatEndOfChain) {
                prev = 0;
            } else if (c == fat::FatLink) {
                int others = 0;
                for (uint32_t k = from; k < n; ++k) {
                    others += k != j && TFATAnalyser::GetFATEntry(s, k, t) == v ? 1 : 0;
                }
                failed = others > 4;
                count += v == prev + 1 ? 1 : 0;
                prev = v;
            }
        }
        if (!failed && count > 16) {
            type = t;
            start = isStart;
            return true;
        }
    }
    return false;
}

TEST(DetectFATSector, AnswersLikeTheQuadraticRuleOnMixedSectors) {
    // Runs of links with gaps of free, bad and end-of-chain entries, repeated values, cluster
    // 1, FAT starts, and raw bytes, in all three encodings; about half of them pass.
    std::mt19937 random(7);
    auto pick = [&](uint32_t below) { return static_cast<uint32_t>(random() % below); };
    int passed = 0;
    for (int round = 0; round < 1500; ++round) {
        const int bits = std::array{12, 16, 32}[pick(3)];
        const uint32_t last = bits == 12 ? 0xFF0 : bits == 16 ? 0xFFF0 : 0x0FFFFFF0;
        const uint32_t n = bits == 32 ? 128 : bits == 16 ? 256 : 341;
        TSector s = pick(10) == 0 ? test::PatternBytes(512, static_cast<uint8_t>(round))
                                  : FatSector(bits, pick(2) == 0, 0, 0);
        uint32_t next = 1 + pick(last - 300);
        // Half the sectors hold about as many links as the test needs, where each gap and
        // each cluster 1 decides.
        const uint32_t length = pick(2) == 0 ? 16 + pick(12) : pick(n + 1);
        const uint32_t repeatEvery = 4 + pick(60);
        const uint32_t mixEvery = 8 + pick(60);
        for (uint32_t j = s[0] == std::byte{0xF8} ? 2 : 0; j < length; ++j) {
            uint32_t v = 0;
            switch (pick(mixEvery)) {
            case 0:
            case 1:
            case 2:
                v = 0; // free: the run goes on after it
                break;
            case 3:
                v = last + 1 + pick(7); // bad: likewise
                break;
            case 4:
            case 5:
                v = last + 8 + pick(8); // a chain ends, another run starts
                next = 1 + pick(last - 300);
                break;
            case 6:
                v = 1;
                next = 2;
                break;
            default:
                v = next++;
                break;
            }
            if (pick(repeatEvery) == 0) {
                v = 77;
            }
            if (bits == 32) {
                Put32(s, 4 * j, v);
            } else if (bits == 16) {
                Put16(s, 2 * j, v);
            } else {
                Put12(s, j, v & 0xFFF);
            }
        }
        uint8_t type = 0;
        uint8_t expectedType = 0;
        bool start = false;
        bool expectedStart = false;
        const bool found = TFATAnalyser::DetectFATSector(s, type, start);
        ASSERT_EQ(found, ReferenceDetect(s, expectedType, expectedStart)) << round;
        if (found) {
            ++passed;
            ASSERT_EQ(type, expectedType) << round;
            ASSERT_EQ(start, expectedStart) << round;
        }
    }
    EXPECT_GT(passed, 300);
    EXPECT_LT(passed, 1200);
}

TEST(DetectFATSector, Fat12EntriesUnpackFromOneAndAHalfBytes) {
    const TSector s = FatSector(12, true, 3, 40);
    EXPECT_EQ(TFATAnalyser::GetFATEntry(s, 0, fat::Fat12), 0xFF8u);
    EXPECT_EQ(TFATAnalyser::GetFATEntry(s, 1, fat::Fat12), 0xFFFu);
    EXPECT_EQ(TFATAnalyser::GetFATEntry(s, 2, fat::Fat12), 3u);
    EXPECT_EQ(TFATAnalyser::GetFATEntry(s, 3, fat::Fat12), 4u);
    EXPECT_EQ(std::to_integer<int>(s[0]), 0xF8);
    EXPECT_EQ(std::to_integer<int>(s[1]), 0xFF);
    EXPECT_EQ(std::to_integer<int>(s[2]), 0xFF);
}

TEST(LooksLikeDirEntries, SixteenPlausibleEntriesPassAndEachFlawFails) {
    struct TCase {
        const char* What;
        int Index;
        TEntry Entry;
        bool Expected;
    };
    auto with = [](int k, auto change) {
        TEntry e = FileEntry(k);
        change(e);
        return e;
    };
    auto set8 = [](size_t at, uint8_t v) { return [=](TEntry& e) { e[at] = std::byte{v}; }; };
    auto set16 = [](size_t at, uint16_t v) {
        return [=](TEntry& e) {
            e[at] = static_cast<std::byte>(v & 0xFF);
            e[at + 1] = static_cast<std::byte>(v >> 8);
        };
    };
    using test::TFatImageBuilder;
    const TCase cases[] = {
        {"good", 5, FileEntry(5), true},
        {"\".\" name", 5, TFatImageBuilder::ShortEntry(".          ", 0x10, 7, 0), false},
        {"\"?\" in the name", 5, with(5, set8(3, '?')), false},
        {"0 first byte in entry 0", 0, with(0, set8(0, 0)), false},
        {"0 first byte later", 9, with(9, set8(0, 0)), false},
        {"0x05 first byte", 9, with(9, set8(0, 0x05)), true},
        {"deleted entry", 9, with(9, set8(0, 0xE5)), true},
        {"control byte in the extension", 9, with(9, set8(9, 0x05)), false},
        {"cluster 0 on a file", 5, TFatImageBuilder::ShortEntry("EMPTY   TXT", 0x20, 0, 0), false},
        {"cluster 1 on a file", 5, TFatImageBuilder::ShortEntry("ONE     TXT", 0x20, 1, 5), false},
        {"cluster N + 1", 5, TFatImageBuilder::ShortEntry("LAST    TXT", 0x20, 1001, 5), true},
        {"cluster N + 2", 5, TFatImageBuilder::ShortEntry("PAST    TXT", 0x20, 1002, 5), false},
        {"label with cluster 0", 5, LabelEntry(), true},
        {"label with a cluster", 5, TFatImageBuilder::ShortEntry("VOLUME     ", 0x08, 9, 0), false},
        {"attribute bit 0x40", 5, with(5, set8(11, 0x60)), false},
        {"attribute bit 0x80", 5, with(5, set8(11, 0xA0)), false},
        {"size of D sectors", 5,
         TFatImageBuilder::ShortEntry("FITS    BIN", 0x20, 9, 50 * 512 + 511), true},
        {"size past D sectors", 5, TFatImageBuilder::ShortEntry("HUGE    BIN", 0x20, 9, 51 * 512),
         false},
        {"seconds 60", 5, with(5, set16(22, (12 << 11) | 30)), false},
        {"minute 60", 5, with(5, set16(22, (12 << 11) | (60 << 5))), false},
        {"hour 24", 5, with(5, set16(22, 24 << 11)), false},
        {"creation time hour 24", 5, with(5, set16(14, 24 << 11)), false},
        {"day 0", 5, with(5, set16(24, (40 << 9) | (5 << 5))), false},
        {"month 13", 5, with(5, set16(24, (40 << 9) | (13 << 5) | 1)), false},
        {"creation month 0", 5, with(5, set16(16, (40 << 9) | 1)), false},
        {"access day 0", 5, with(5, set16(18, (40 << 9) | (1 << 5))), false},
        {"times and dates all 0", 5, TFatImageBuilder::ShortEntry("ZERO    TXT", 0x20, 9, 5), true},
    };
    for (const TCase& c : cases) {
        std::vector<TEntry> entries = DirEntries(false);
        entries[static_cast<size_t>(c.Index)] = c.Entry;
        EXPECT_EQ(TFATAnalyser::LooksLikeDirEntries(FromEntries(entries), 50, 1000), c.Expected)
            << c.What;
    }
    EXPECT_FALSE(TFATAnalyser::LooksLikeDirEntries(TSector(511, std::byte{'A'}), 50, 1000))
        << "fewer than 16 entries";
}

TEST(LooksLikeDirEntries, LongNameRunsOpenWithTheLastPartBit) {
    const TEntry file = FileEntry(3);
    const std::vector<TEntry> longName =
        test::TFatImageBuilder::LongNameEntries(u"A rather long file name.txt", file, false);
    ASSERT_EQ(longName.size(), 3u);
    auto sectorWith = [&](const std::vector<TEntry>& run) {
        std::vector<TEntry> entries = DirEntries(false);
        std::copy(run.begin(), run.end(), entries.begin() + 4);
        return FromEntries(entries);
    };
    EXPECT_TRUE(TFATAnalyser::LooksLikeDirEntries(sectorWith(longName), 50, 1000));
    EXPECT_TRUE(TFATAnalyser::LooksLikeDirEntries(
        sectorWith(test::TFatImageBuilder::LongNameEntries(u"gone name.txt", file, true)), 50,
        1000))
        << "a deleted run opens with 0xE5, which has bit 0x40";
    EXPECT_FALSE(
        TFATAnalyser::LooksLikeDirEntries(sectorWith({longName[1], longName[2]}), 50, 1000))
        << "a run without its first entry";
    std::vector<TEntry> clustered = longName;
    clustered[1][26] = std::byte{1};
    EXPECT_FALSE(TFATAnalyser::LooksLikeDirEntries(sectorWith(clustered), 50, 1000));
    std::vector<TEntry> interrupted = {longName[0], file, longName[1]};
    EXPECT_FALSE(TFATAnalyser::LooksLikeDirEntries(sectorWith(interrupted), 50, 1000))
        << "a short entry closes the run";
}

TEST(DirectorySectorTests, DotEntriesAndASingleLetterLabel) {
    uint32_t cluster = 0;
    EXPECT_TRUE(TFATAnalyser::IsDotDirectorySector(DotSector(0x12345), cluster));
    EXPECT_EQ(cluster, 0x12345u);
    TSector noDirBit = DotSector(7);
    noDirBit[32 + 11] = std::byte{0x20};
    EXPECT_FALSE(TFATAnalyser::IsDotDirectorySector(noDirBit, cluster));
    EXPECT_FALSE(TFATAnalyser::IsDotDirectorySector(FromEntries(DirEntries(false)), cluster));

    struct TCase {
        const char* What;
        std::vector<TEntry> Entries;
        bool Expected;
    };
    using test::TFatImageBuilder;
    const TCase cases[] = {
        {"one label", DirEntries(true), true},
        {"none", DirEntries(false), false},
        {"two labels", {LabelEntry(), FileEntry(1), LabelEntry()}, false},
        {"label starting with a digit",
         {TFatImageBuilder::ShortEntry("2024       ", 0x08, 0, 0)},
         false},
        {"label with a cluster", {TFatImageBuilder::ShortEntry("VOLUME     ", 0x08, 3, 0)}, false},
        {"long-name entry", {TFatImageBuilder::ShortEntry("VOLUME     ", 0x0F, 0, 0)}, false},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(TFATAnalyser::HasSingleVolumeLabel(FromEntries(c.Entries)), c.Expected) << c.What;
    }
}

/// A device of zeros behind the analyser, and the drive list a rebuild goes to.
class Analyser : public ::testing::Test {
protected:
    void SetUp() override {
        m_Scope.AttachSource(std::make_shared<platform::TMemorySource>(TSector(2048 * 512)),
                             platform::TAttachAs::aaDisk);
        m_Device.DriveNumber = 128;
        m_Device.BytesPerSector = 512;
        m_Device.TotalSectors = 2048;
        m_Analyser.Attach(m_Device);
    }
    void TearDown() override { m_Analyser.Detach(); }

    bool Feed(uint32_t sector, const TSector& data) {
        return m_Analyser.AnalyseSector(m_Drives, sector, data);
    }

    test::TDeviceTableScope m_Scope;
    devices::TDevice m_Device;
    devices::TDriveList m_Drives{[] { return std::make_unique<fat::TFATdrive>(); }};
    TFATAnalyser m_Analyser;
};

TEST_F(Analyser, TwoDotSectorsGiveClusterSizeAndDataStart) {
    // "." of clusters 5 and 9 at sectors 1000 and 1032; the sectors between name the same or
    // a lower cluster and are passed over.
    const std::vector<std::vector<std::pair<uint32_t, uint32_t>>> between = {
        {}, {{1010, 5}}, {{1008, 3}, {1020, 5}}};
    for (const auto& dots : between) {
        m_Analyser.Attach(m_Device);
        EXPECT_FALSE(Feed(100, FatSector(16, true, 3, 40)));
        EXPECT_FALSE(Feed(1000, DotSector(5)));
        EXPECT_TRUE(m_Analyser.DataStartFound);
        for (const auto& [sector, cluster] : dots) {
            EXPECT_FALSE(Feed(sector, DotSector(cluster)));
            EXPECT_EQ(m_Analyser.SectorsPerCluster, 0u);
        }
        EXPECT_FALSE(Feed(1032, DotSector(9)));
        EXPECT_EQ(m_Analyser.SectorsPerCluster, 8u) << dots.size();
        EXPECT_EQ(m_Analyser.DataStart, 976u) << dots.size();
        EXPECT_EQ(m_Analyser.FATEnd, 975u) << "one FAT counted spans up to the data";
        EXPECT_EQ(m_Analyser.SectorsPerFAT, 876u);
    }
    EXPECT_EQ(m_Drives.Count(), 0) << "no root directory was seen";
}

TEST_F(Analyser, NothingIsLearntBeforeTheFirstFatSector) {
    EXPECT_FALSE(Feed(50, FromEntries(DirEntries(true))));
    EXPECT_FALSE(Feed(1000, DotSector(5)));
    EXPECT_FALSE(m_Analyser.DataStartFound);
    EXPECT_FALSE(m_Analyser.RootFound);
    EXPECT_EQ(m_Analyser.ClusterLimit, 0u);
    EXPECT_FALSE(Feed(1100, FatSector(16, true, 3, 40)));
    EXPECT_EQ(m_Analyser.FATStart, 1100u);
    EXPECT_EQ(m_Analyser.ClusterLimit, 0xFFFFFFFEu);
}

TEST_F(Analyser, AFatCopyCountsOnlyWhenItsStartMatchesTheFirst) {
    struct TCase {
        int DifferentBytes;
        uint8_t Copies;
        uint32_t FATEnd;
        uint32_t SectorsPerFAT;
    };
    const TCase cases[] = {{0, 2, 149, 50}, {15, 2, 149, 50}, {16, 1, 975, 876}};
    for (const TCase& c : cases) {
        m_Analyser.Attach(m_Device);
        const TSector first = FatSector(16, true, 3, 40);
        TSector copy = first;
        // End-of-chain marks in the free tail: still a FAT start, now differing.
        std::fill_n(copy.begin() + 400, c.DifferentBytes, std::byte{0xFF});
        Feed(100, first);
        Feed(150, copy);
        EXPECT_EQ(m_Analyser.FATCopies, c.Copies) << c.DifferentBytes;
        Feed(1000, DotSector(5));
        Feed(1032, DotSector(9));
        EXPECT_EQ(m_Analyser.FATEnd, c.FATEnd) << c.DifferentBytes;
        EXPECT_EQ(m_Analyser.SectorsPerFAT, c.SectorsPerFAT) << c.DifferentBytes;
    }
}

TEST_F(Analyser, RootCandidateMayNotLieDeeperInItsClusterThanItsRunOfDirectorySectors) {
    // Clusters of 8 sectors from 976: sector 978 is the third sector of cluster 2.
    struct TCase {
        uint32_t RootSector;
        bool DirectorySectorBefore;
        bool Kept;
    };
    const TCase cases[] = {
        {976, false, true}, {977, false, true}, {978, false, false},
        {978, true, true},  {985, false, true}, {987, true, false},
    };
    for (const TCase& c : cases) {
        m_Drives.Clear();
        m_Analyser.Attach(m_Device);
        Feed(100, FatSector(32, true, 3, 40));
        if (c.DirectorySectorBefore) {
            Feed(c.RootSector - 1, FromEntries(DirEntries(false)));
        }
        Feed(c.RootSector, FromEntries(DirEntries(true)));
        Feed(1000, DotSector(5));
        ASSERT_EQ(Feed(1032, DotSector(9)), c.Kept)
            << c.RootSector << " " << c.DirectorySectorBefore;
        if (!c.Kept) {
            EXPECT_FALSE(m_Analyser.RootFound);
            continue;
        }
        ASSERT_EQ(m_Drives.Count(), 1);
        auto& drive = static_cast<fat::TFATdrive&>(*m_Drives.Items(0));
        EXPECT_EQ(drive.Name, RebuiltName);
        EXPECT_EQ(drive.Flags & 3, 3) << "lost, rebuilt (a FAT of zeros adds bit 2)";
        EXPECT_EQ(drive.Device, &m_Device);
        EXPECT_EQ(drive.BootSector, 99u);
        EXPECT_EQ(drive.VolumeStart, 99u);
        EXPECT_EQ(drive.FATType, fat::Fat32);
        EXPECT_EQ(drive.SectorsPerCluster(), 8);
        EXPECT_EQ(drive.VolumeStart + drive.FirstDataSector, 976u);
        const uint32_t cluster = (c.RootSector - 976) / 8 + 2;
        EXPECT_EQ(drive.RootCluster, cluster);
        EXPECT_EQ(drive.VolumeStart + drive.RootDirSector, 976 + (cluster - 2) * 8);
        EXPECT_EQ(drive.VolumeSectors, drive.TotalSectors);
        ASSERT_NE(drive.RootDir, nullptr);
        EXPECT_FALSE(m_Analyser.FATFound) << "reset for the next volume";
        EXPECT_EQ(m_Analyser.FATType, fat::Fat32) << "the FAT type outlives the reset";
    }
}

TEST_F(Analyser, RebuiltRecordHoldsWhatWasLearnt) {
    struct TCase {
        uint8_t FATType;
        bool Removable;
        uint32_t ClusterLimit;
        uint32_t SectorsPerFAT;
        uint16_t Total16;
        uint32_t Total32;
        uint16_t Fat16Field;
        uint32_t Fat32Field;
        uint32_t RootCluster;
    };
    const TCase cases[] = {
        // (2^32 - 2) * 8 + 1 + 2 * 200 wraps to 385.
        {fat::Fat32, false, 0xFFFFFFFE, 200, 385, 0, 0, 200, 7},
        {fat::Fat16, true, 0xFFFFFFFE, 200, 385, 0, 200, 0, 0},
        {fat::Fat16, false, 0, 40000, 0, 80001, 40000 & 0xFFFF, 0, 0},
    };
    for (const TCase& c : cases) {
        m_Device.MediaFlags = c.Removable ? 1 : 0;
        m_Analyser.FATType = c.FATType;
        m_Analyser.SectorsPerCluster = 8;
        m_Analyser.FATCopies = 2;
        m_Analyser.ClusterLimit = c.ClusterLimit;
        m_Analyser.SectorsPerFAT = c.SectorsPerFAT;
        m_Analyser.RootCluster = 7;
        TSector r(fat::Boot::RecordBytes, std::byte{0x77});
        m_Analyser.BuildBootSector(r);
        EXPECT_EQ(fat::LoadLE16(r, 11), 512);
        EXPECT_EQ(std::to_integer<int>(r[13]), 8);
        EXPECT_EQ(fat::LoadLE16(r, 14), 1);
        EXPECT_EQ(std::to_integer<int>(r[16]), 2);
        EXPECT_EQ(fat::LoadLE16(r, 17), 0);
        EXPECT_EQ(std::to_integer<int>(r[21]), c.Removable ? 0xF0 : 0xF8);
        EXPECT_EQ(fat::LoadLE16(r, 19), c.Total16);
        EXPECT_EQ(fat::LoadLE32(r, 32), c.Total32);
        EXPECT_EQ(fat::LoadLE16(r, 22), c.Fat16Field);
        EXPECT_EQ(fat::LoadLE32(r, 36), c.Fat32Field);
        EXPECT_EQ(fat::LoadLE32(r, 44), c.RootCluster);
        EXPECT_EQ(std::to_integer<int>(r[0]), 0);
        EXPECT_EQ(std::to_integer<int>(r[89]), 0);
    }
}

/// Log lines at every level.
class TRecordingLog final : public diskio::TLogSink {
public:
    TRecordingLog() { diskio::SetLogSink(this); }
    ~TRecordingLog() override { diskio::SetLogSink(nullptr); }
    TRecordingLog(const TRecordingLog&) = delete;
    TRecordingLog& operator=(const TRecordingLog&) = delete;
    void Add(const std::string& line) override { Lines.push_back(line); }
    [[nodiscard]] bool Has(const std::string& line) const {
        return std::find(Lines.begin(), Lines.end(), line) != Lines.end();
    }
    std::vector<std::string> Lines;
};

/// Cancels the search the first time the front end is pumped.
class TCancelOnPump final : public diskio::TStatusView {
public:
    void Pump() override { Dialog->Cancelled = true; }
    diskio::TStatusDialog* Dialog = nullptr;
};

/// Disks made by sfdisk, mkfs.fat and mtools: a FAT16 partition at 2048 and a FAT32 one at
/// 20480 (boot sector backup at 20486). "intact" keeps everything; "no-mbr" lost its
/// partition table; "no-boot" also lost both FAT32 boot sectors.
class LostDrives : public ::testing::Test {
protected:
    static constexpr uint32_t Fat16Start = 2048;
    static constexpr uint32_t Fat32Start = 20480;
    static constexpr uint32_t DiskSectors = 98304;

    static void SetUpTestSuite() {
        s_Dir = new test::TTempDir();
        const std::string p16 = s_Dir->File("p16.img");
        const std::string p32 = s_Dir->File("p32.img");
        const std::string mtools = "MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 ";
        auto source = [](const std::string& name, size_t bytes) {
            std::ofstream(s_Dir->File(name), std::ios::binary)
                << std::string(reinterpret_cast<const char*>(
                                   test::PatternBytes(bytes, static_cast<uint8_t>(bytes)).data()),
                               bytes);
            return test::Quote(s_Dir->File(name));
        };
        ASSERT_TRUE(
            test::Run("mkfs.fat -C -F 16 -s 2 -n LOST16 " + test::Quote(p16) + " 8192 >/dev/null"));
        ASSERT_TRUE(test::Run(mtools + "mcopy -i " + test::Quote(p16) + " " + source("hello", 300) +
                              " ::HELLO.TXT"));
        ASSERT_TRUE(test::Run(mtools + "mcopy -i " + test::Quote(p16) + " " + source("note", 700) +
                              " ::NOTE.TXT"));
        // One cluster a sector; the root directory (cluster 2) fills exactly one cluster:
        // the label and 15 entries. BIG.BIN takes clusters 3..22, whose links make the first
        // FAT sector recognisable; SUB1 and SUB2 at 23 and 24 give the cluster size.
        ASSERT_TRUE(test::Run("mkfs.fat -C -F 32 -s 1 -n LOST32 " + test::Quote(p32) +
                              " 36864 >/dev/null"));
        const std::string i32 = " -i " + test::Quote(p32) + " ";
        ASSERT_TRUE(test::Run(mtools + "mcopy" + i32 + source("big", 10000) + " ::BIG.BIN"));
        ASSERT_TRUE(test::Run(mtools + "mmd" + i32 + "::SUB1 ::SUB2"));
        for (int k = 10; k < 22; ++k) {
            ASSERT_TRUE(test::Run(mtools + "mcopy" + i32 + source("small", 40) + " ::FILE" +
                                  std::to_string(k) + ".TXT"));
        }
        auto place = [&](const std::string& disk, const std::string& part, uint32_t at) {
            return test::Run("dd if=" + test::Quote(part) + " of=" + test::Quote(disk) +
                             " bs=512 seek=" + std::to_string(at) +
                             " conv=notrunc,sparse status=none");
        };
        auto zero = [&](const std::string& disk, uint32_t at) {
            return test::Run("dd if=/dev/zero of=" + test::Quote(disk) + " bs=512 count=1 seek=" +
                             std::to_string(at) + " conv=notrunc status=none");
        };
        const std::string intact = Disk("intact");
        ASSERT_TRUE(test::MakePartitionedImage(
            intact, 48, "start=2048, size=16384, type=6\nstart=20480, size=73728, type=c\n"));
        ASSERT_TRUE(place(intact, p16, Fat16Start));
        ASSERT_TRUE(place(intact, p32, Fat32Start));
        ASSERT_TRUE(test::Run("cp " + test::Quote(intact) + " " + test::Quote(Disk("no-mbr"))));
        ASSERT_TRUE(zero(Disk("no-mbr"), 0));
        ASSERT_TRUE(
            test::Run("cp " + test::Quote(Disk("no-mbr")) + " " + test::Quote(Disk("no-boot"))));
        ASSERT_TRUE(zero(Disk("no-boot"), Fat32Start));
        ASSERT_TRUE(zero(Disk("no-boot"), Fat32Start + 6));
    }
    static void TearDownTestSuite() {
        delete s_Dir;
        s_Dir = nullptr;
    }
    static std::string Disk(const std::string& name) { return s_Dir->File(name + ".img"); }

    void SetUp() override { devices::SetReadAheadEnabled(true); }
    void TearDown() override { devices::SetReadAheadEnabled(false); }

    /// Attaches the disks in order and detects devices and drives.
    void Open(std::initializer_list<const char*> disks) {
        for (const char* name : disks) {
            m_Scope.AttachFile(Disk(name));
        }
        diskio::TStatusDialog dialog;
        ASSERT_TRUE(m_Session.DetectAll(dialog));
        ASSERT_EQ(m_Session.DeviceList.Count(), static_cast<int>(disks.size()));
    }
    devices::TDevice& Device(int index) { return *m_Session.DeviceList.Items(index); }
    uint32_t Search(int device, uint32_t first = 0, uint32_t last = 0xFFFFFFFF) {
        return fat::FindLostDrives(Device(device), first, last, m_Session.DriveList, m_Dialog);
    }

    /// The drives of a device as "start name flags" (lost and rebuilt bits), in list order.
    std::vector<std::string> DrivesOf(int device) {
        std::vector<std::string> out;
        for (int i = 0; i < m_Session.DriveList.Count(); ++i) {
            const devices::TCustomDrive& d = *m_Session.DriveList.Items(i);
            if (d.Device == &Device(device)) {
                out.push_back(std::to_string(d.VolumeStart) + " " + d.Name + " " +
                              std::to_string(d.Flags & 3));
            }
        }
        return out;
    }
    fat::TFATdrive* DriveAt(int device, uint32_t start) {
        for (int i = 0; i < m_Session.DriveList.Count(); ++i) {
            auto* d = static_cast<fat::TFATdrive*>(m_Session.DriveList.Items(i));
            if (d->Device == &Device(device) && d->VolumeStart == start) {
                return d;
            }
        }
        return nullptr;
    }
    static std::vector<std::string> RootNames(fat::TFATdrive& drive) {
        fat::TFATDirectory& root = drive.Root();
        root.LoadChildren(false, false);
        std::vector<std::string> names;
        if (root.Children) {
            for (const auto& item : *root.Children) {
                names.push_back(item->Name);
            }
        }
        return names;
    }
    static std::vector<std::string> Fat32Names() {
        std::vector<std::string> names = {"BIG.BIN", "SUB1", "SUB2"};
        for (int k = 10; k < 22; ++k) {
            names.push_back("FILE" + std::to_string(k) + ".TXT");
        }
        return names;
    }

    static test::TTempDir* s_Dir;
    test::TDeviceTableScope m_Scope;
    fat::TRecoverySession m_Session;
    diskio::TStatusDialog m_Dialog;
};

test::TTempDir* LostDrives::s_Dir = nullptr;

// The rebuilt FAT32 volume starts one sector before its first FAT (32 reserved sectors).
constexpr uint32_t RebuiltStart = 20480 + 31;

TEST_F(LostDrives, FindsEachVolumeAtItsBootSectorAndRebuildsTheFat32One) {
    Open({"no-mbr"});
    ASSERT_EQ(m_Session.DriveList.Count(), 0) << "no partition table";
    EXPECT_EQ(Search(0), 4u);
    EXPECT_EQ(DrivesOf(0), (std::vector<std::string>{
                               "2048 LOST16      (lost) 1",
                               "20480 LOST32      (lost) 1",
                               "20486 LOST32      (lost) 1",
                               std::to_string(RebuiltStart) + " " + RebuiltName + " 3",
                           }));
    EXPECT_EQ(RootNames(*DriveAt(0, Fat16Start)),
              (std::vector<std::string>{"HELLO.TXT", "NOTE.TXT"}));
    EXPECT_EQ(RootNames(*DriveAt(0, Fat32Start)), Fat32Names());
    EXPECT_EQ(m_Dialog.Title(), "Find logical drives - Please wait...");
    EXPECT_EQ(m_Dialog.Line(1).rfind("Physical sector ", 0), 0u) << m_Dialog.Line(1);
    EXPECT_FALSE(m_Dialog.Visible());
    EXPECT_EQ(m_Dialog.Done(), DiskSectors);
    EXPECT_FALSE(Device(0).CacheEnabled);
}

TEST_F(LostDrives, AFat32VolumeWithoutBootSectorsIsReadThroughTheRebuiltRecord) {
    Open({"no-boot"});
    TRecordingLog log;
    EXPECT_EQ(Search(0), 2u);
    EXPECT_EQ(DrivesOf(0), (std::vector<std::string>{
                               "2048 LOST16      (lost) 1",
                               std::to_string(RebuiltStart) + " " + RebuiltName + " 3",
                           }));
    fat::TFATdrive& drive = *DriveAt(0, RebuiltStart);
    EXPECT_EQ(drive.BootSector, RebuiltStart);
    EXPECT_EQ(drive.NumberOfFATs(), 2);
    EXPECT_EQ(drive.SectorsPerFAT, 567u);
    ASSERT_EQ(RootNames(drive), Fat32Names());

    // The data comes back byte for byte through the FAT of the rebuilt volume.
    const auto* big = static_cast<const fat::TFATFile*>(drive.Root().Children->front().get());
    fat::TFATFileReader reader;
    ASSERT_TRUE(drive.InitReader(reader, big->FirstCluster, big->Size));
    std::vector<std::byte> bytes(big->Size);
    uint32_t got = 0;
    ASSERT_TRUE(drive.ReadFile(reader, big->Size, got, 1, bytes.data()));
    EXPECT_EQ(got, 10000u);
    EXPECT_EQ(bytes, test::PatternBytes(10000, static_cast<uint8_t>(10000)));

    const uint32_t fatStart = Fat32Start + 32;
    EXPECT_TRUE(log.Has("FAT startsec: " + std::to_string(fatStart) +
                        ", endsec: " + std::to_string(fatStart + 567 - 1)));
    EXPECT_TRUE(log.Has("data startsec: " + std::to_string(fatStart + 2 * 567)));
    EXPECT_TRUE(log.Has("root clus: 2\r"));
}

TEST_F(LostDrives, ABootSectorIsAddedOncePerDeviceAndStart) {
    Open({"intact", "no-mbr"});
    ASSERT_EQ(DrivesOf(0), (std::vector<std::string>{"2048 LOST16      0", "20480 LOST32      0"}));
    // The partition at 2048 of the first disk does not hide the lost volume of the second.
    EXPECT_EQ(Search(1, 0, 30000), 4u);
    EXPECT_NE(DriveAt(1, Fat16Start), nullptr);
    // On the partitioned disk only the backup boot sector and the rebuilt volume are new.
    EXPECT_EQ(Search(0, 0, 30000), 2u);
    EXPECT_EQ(DrivesOf(0).size(), 4u);
    // Found again: only the rebuilt volume, which is never compared.
    EXPECT_EQ(Search(0, 0, 30000), 1u);
    EXPECT_EQ(DrivesOf(0), (std::vector<std::string>{
                               "2048 LOST16      0",
                               "20480 LOST32      0",
                               "20486 LOST32      (lost) 1",
                               std::to_string(RebuiltStart) + " " + RebuiltName + " 3",
                               std::to_string(RebuiltStart) + " " + RebuiltName + " 3",
                           }));
}

TEST_F(LostDrives, RangesAreClampedToTheDeviceAndAlwaysReadOnce) {
    Open({"no-mbr"});
    struct TCase {
        uint32_t First;
        uint32_t Last;
        uint64_t Sectors;
        const char* Line1;
    };
    const TCase cases[] = {
        {DiskSectors + 5, DiskSectors + 100, 1, "Physical sector 98303 of 98303"},
        {DiskSectors, DiskSectors, 1, "Physical sector 98303 of 98303"},
        {5000, 10, 1, "Physical sector 5000 of 5000"},
        {DiskSectors - 10, 0xFFFFFFFF, 10, nullptr},
        {0xFFFFFFFF, 0xFFFFFFFF, 1, "Physical sector 98303 of 98303"},
        {Fat16Start, Fat16Start, 1, "Physical sector 2048 of 2048"},
    };
    for (const TCase& c : cases) {
        const uint32_t found = Search(0, c.First, c.Last);
        EXPECT_EQ(m_Dialog.Done(), c.Sectors) << c.First << ".." << c.Last;
        EXPECT_EQ(m_Dialog.Total, c.Sectors) << c.First << ".." << c.Last;
        if (c.Line1 != nullptr) {
            EXPECT_EQ(m_Dialog.Line(1), c.Line1);
        }
        EXPECT_EQ(m_Dialog.Line(3), "Lost drives found: 0");
        EXPECT_EQ(found, c.First == Fat16Start ? 1u : 0u);
    }
}

TEST_F(LostDrives, CancelStopsAfterTheCurrentSectorAndKeepsItsFind) {
    Open({"no-mbr"});
    TCancelOnPump view;
    diskio::TStatusDialog cancelling(&view);
    view.Dialog = &cancelling;
    EXPECT_EQ(fat::FindLostDrives(Device(0), Fat16Start, DiskSectors - 1, m_Session.DriveList,
                                  cancelling),
              1u);
    EXPECT_EQ(cancelling.Done(), 0u) << "stopped before the first step";
    EXPECT_EQ(DrivesOf(0), (std::vector<std::string>{"2048 LOST16      (lost) 1"}));
}

TEST(LostDriveReadErrors, AbortEndsTheSearchAndIgnoreReadsZeros) {
    struct TCase {
        platform::TPromptAnswer Answer;
        uint64_t Sectors;
    };
    const TCase cases[] = {{platform::TPromptAnswer::paAbort, 5},
                           {platform::TPromptAnswer::paIgnore, 100}};
    for (const TCase& c : cases) {
        test::TDeviceTableScope scope;
        auto source = std::make_shared<test::TFakeSource>(test::TFakeSource::Pattern(100));
        source->FailSector(5);
        scope.AttachSource(source, platform::TAttachAs::aaDisk);
        devices::TDevice device;
        device.DriveNumber = 128;
        device.BytesPerSector = 512;
        device.TotalSectors = 100;
        devices::TDriveList drives([] { return std::make_unique<fat::TFATdrive>(); });
        test::TScriptedPrompter prompter(c.Answer);
        diskio::TStatusDialog dialog;
        EXPECT_EQ(fat::FindLostDrives(device, 0, 99, drives, dialog), 0u);
        EXPECT_EQ(dialog.Done(), c.Sectors);
        EXPECT_EQ(prompter.Shown().size(), 1u);
    }
}

} // namespace
} // namespace tw
