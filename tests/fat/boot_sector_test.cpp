// Boot sector parsing, FAT type by cluster count, FAT entries and the empty-FAT test.
#include "fat/volume_fixture.h"
#include "support/fat_image_builder.h"
#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

namespace tw {
namespace {

using test::TFatImageBuilder;
using test::TFatLayout;

constexpr const char* BadParameters =
    "Bad parameters for calculating logical drive information from Boot Sector";

/// The 1.44 MB floppy layout: FAT12, 224 root entries, data from sector 33.
TFatLayout Floppy() {
    return TFatLayout{};
}

struct TRefusal {
    const char* What;
    uint16_t BytesPerSector;
    uint8_t SectorsPerCluster;
};

TEST(ParseBootSector, RefusesSectorSizesAndClusterSizesItCannotReadWithTheErrorBox) {
    for (const TRefusal& c :
         {TRefusal{"4096-byte sectors", 4096, 1}, TRefusal{"0-byte sectors", 0, 1},
          TRefusal{"no sectors per cluster", 512, 0}, TRefusal{"64 KiB clusters", 512, 128}}) {
        SCOPED_TRACE(c.What);
        TFatLayout layout = Floppy();
        layout.BytesPerSector = c.BytesPerSector;
        layout.SectorsPerCluster = c.SectorsPerCluster;
        {
            test::TScriptedPrompter prompter(platform::TPromptAnswer::paOK);
            test::TBuiltVolume volume(TFatImageBuilder(layout).Take(), false);
            EXPECT_FALSE(volume.Opened);
            ASSERT_EQ(prompter.Shown().size(), 1u);
            EXPECT_EQ(prompter.Shown()[0].Caption, "Error");
            EXPECT_EQ(prompter.Shown()[0].Text, BadParameters);
            EXPECT_NE(volume.Drive.RootDir, nullptr) << "the categories exist after a refusal";
        }
        test::TScriptedPrompter prompter(platform::TPromptAnswer::paOK);
        fat::TFATdrive drive;
        EXPECT_FALSE(drive.ParseBootSector(TFatImageBuilder::BootSector(layout), true));
        EXPECT_TRUE(prompter.Shown().empty()) << "quiet";
    }
}

TEST(ParseBootSector, Accepts32KiBClustersWithoutABox) {
    TFatLayout layout = Floppy();
    layout.SectorsPerCluster = 64;
    test::TScriptedPrompter prompter(platform::TPromptAnswer::paOK);
    fat::TFATdrive drive;
    EXPECT_TRUE(drive.ParseBootSector(TFatImageBuilder::BootSector(layout), false));
    EXPECT_EQ(drive.BytesPerCluster, 32768);
    EXPECT_TRUE(prompter.Shown().empty());
}

TEST(ParseBootSector, TakesTheFatTypeFromTheClusterCountAtTheThresholds) {
    struct TCase {
        uint32_t Clusters;
        uint8_t Type;
    };
    for (const TCase& c : {TCase{4084, fat::Fat12}, TCase{4085, fat::Fat16},
                           TCase{65524, fat::Fat16}, TCase{65525, fat::Fat32}}) {
        SCOPED_TRACE(c.Clusters);
        TFatLayout layout;
        layout.FatBits = c.Type == fat::Fat32 ? 32 : 16;
        layout.RootEntries = c.Type == fat::Fat32 ? 0 : 512;
        layout.SectorsPerFat = 600;
        layout.ReservedSectors = 4;
        const uint32_t firstData = 4 + 2 * 600 + (c.Type == fat::Fat32 ? 0 : 32);
        layout.TotalSectors = firstData + c.Clusters;
        fat::TFATdrive drive;
        ASSERT_TRUE(drive.ParseBootSector(TFatImageBuilder::BootSector(layout), true));
        EXPECT_EQ(drive.FirstDataSector, firstData);
        EXPECT_EQ(drive.ClusterCount, c.Clusters);
        EXPECT_EQ(drive.FATType, c.Type);
        EXPECT_EQ(drive.LastCluster(), c.Clusters + 1u);
    }
}

TEST(ParseBootSector, KeepsTheLabelUpToItsFirstZeroByteWithTrailingSpaces) {
    TFatLayout layout = Floppy();
    layout.Label = std::string("AB ") + '\0' + "JUNK";
    fat::TFATdrive drive;
    ASSERT_TRUE(drive.ParseBootSector(TFatImageBuilder::BootSector(layout), true));
    EXPECT_EQ(drive.Name, "AB ");
    layout.FatBits = 32;
    layout.RootEntries = 0;
    layout.SectorsPerFat = 520;
    layout.TotalSectors = 1 + 2 * 520 + 66000;
    layout.Label = "DATA32     ";
    ASSERT_TRUE(drive.ParseBootSector(TFatImageBuilder::BootSector(layout), true));
    EXPECT_EQ(drive.Name, "DATA32     ") << "FAT32 keeps its label at offset 71";
}

TEST(GetFAT, ReadsAFat12EntryThatStraddlesTwoFatSectorsInEachCopy) {
    // Cluster 341's entry starts at byte 511 of the FAT: its second byte is in sector 2.
    TFatImageBuilder image(Floppy());
    image.SetFat(340, 0x123);
    image.SetFat(341, 0xABC, 0);
    image.SetFat(341, 0x777, 1);
    image.SetFat(342, 0x456);
    test::TBuiltVolume volume(image.Take());
    ASSERT_TRUE(volume.Opened);
    fat::TFATdrive& d = volume.Drive;
    EXPECT_EQ(d.GetFAT(340, 0), 0x123u);
    EXPECT_EQ(d.GetFAT(341, 0), 0xABCu);
    EXPECT_EQ(d.GetFAT(342, 0), 0x456u);
    EXPECT_EQ(d.GetFAT(341, 0), 0xABCu) << "again, with the following sector cached";
    EXPECT_EQ(d.GetFAT(341, 1), 0x777u);
    EXPECT_EQ(d.GetFAT(341, 0), 0xABCu);
}

TEST(GetFAT, ClearsTheTopBitsOfFat32EntriesAndRefusesClustersOutsideTheVolume) {
    TFatLayout layout;
    layout.FatBits = 32;
    layout.RootEntries = 0;
    layout.ReservedSectors = 4;
    layout.SectorsPerFat = 520;
    layout.TotalSectors = 4 + 2 * 520 + 66000;
    TFatImageBuilder image(layout);
    const std::byte raw[4] = {std::byte{5}, std::byte{0}, std::byte{0}, std::byte{0xF0}};
    image.WriteBytes(4 * 512 + 4 * 7, raw);
    test::TBuiltVolume volume(image.Take());
    ASSERT_TRUE(volume.Opened);
    EXPECT_EQ(volume.Drive.FATType, fat::Fat32);
    EXPECT_EQ(volume.Drive.GetFAT(7, 0), 5u);
    EXPECT_EQ(volume.Drive.GetFAT(1, 0), 0u);
    EXPECT_EQ(volume.Drive.GetFAT(static_cast<uint32_t>(volume.Drive.LastCluster()) + 1, 0), 0u);
}

TEST(ParseBootSector, TakesAFatWithoutLinksAmongItsFirstClustersForWiped) {
    struct TCase {
        const char* What;
        uint32_t Cluster;
        uint32_t Value;
        bool Wiped;
    };
    for (const TCase& c :
         {TCase{"all free", 0, 0, true}, TCase{"only end-of-chain marks", 5, 0xFFF, true},
          TCase{"only bad marks", 6, 0xFF7, true}, TCase{"a link at cluster 16", 16, 17, false},
          TCase{"a link at cluster 17 only", 17, 18, true}}) {
        SCOPED_TRACE(c.What);
        TFatImageBuilder image(Floppy());
        if (c.Cluster != 0) {
            image.SetFat(c.Cluster, c.Value);
        }
        test::TBuiltVolume volume(image.Take());
        ASSERT_TRUE(volume.Opened);
        EXPECT_EQ((volume.Drive.Flags & 4) != 0, c.Wiped);
        EXPECT_EQ(volume.Drive.FATInUse, c.Wiped ? 0 : 1);
    }
}

TEST(ParseBootSector, DoesNotCountAFat32LinkToTheRootClusterAsUse) {
    TFatLayout layout;
    layout.FatBits = 32;
    layout.RootEntries = 0;
    layout.ReservedSectors = 4;
    layout.SectorsPerFat = 520;
    layout.TotalSectors = 4 + 2 * 520 + 66000;
    layout.RootCluster = 2;
    TFatImageBuilder image(layout);
    image.SetFat(9, 2); // the value equals the root cluster
    test::TBuiltVolume volume(image.Take());
    ASSERT_TRUE(volume.Opened);
    EXPECT_EQ(volume.Drive.FATInUse, 0);
    EXPECT_NE(volume.Drive.Flags & 4, 0);
}

} // namespace
} // namespace tw
