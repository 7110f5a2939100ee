#include "diskio/logical_disk_io.h"
#include "platform/system_family.h"
#include "platform/win9x_services.h"
#include "support/fake_source.h"
#include "support/image_tools.h"
#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

namespace tw {
namespace {

using platform::TAttachAs;
using platform::TPromptAnswer;
using platform::TSystemFamily;
using test::TFakeSource;

class LogicalDiskIo : public ::testing::TestWithParam<TSystemFamily> {};

INSTANTIATE_TEST_SUITE_P(BothFamilies, LogicalDiskIo,
                         ::testing::Values(TSystemFamily::sfNT, TSystemFamily::sf95,
                                           TSystemFamily::sf98),
                         [](const auto& info) {
                             switch (info.param) {
                             case TSystemFamily::sfNT:
                                 return "NT";
                             case TSystemFamily::sf95:
                                 return "Win95Int25";
                             default:
                                 return "Win98Ext7305";
                             }
                         });

TEST_P(LogicalDiskIo, ReadsAVolumeByLetterAndReportsItsGeometry) {
    test::TDeviceTableScope scope(GetParam());
    scope.AttachSource(std::make_shared<TFakeSource>(TFakeSource::Pattern(20000)),
                       TAttachAs::aaVolume);
    std::vector<std::byte> buffer(300 * 512);
    ASSERT_TRUE(diskio::ReadLogicalSectors(3, 7, 300, buffer.data())) << "drive 3 is C:";
    EXPECT_EQ(buffer[0], test::PatternByte(7, 0));
    EXPECT_EQ(buffer[299 * 512 + 9], test::PatternByte(306, 9));
    EXPECT_FALSE(diskio::ReadLogicalSectors(4, 0, 1, buffer.data())) << "no D:";
    EXPECT_FALSE(diskio::ReadLogicalSectors(3, 20000, 1, buffer.data())) << "past the end";

    diskio::TDiskGeometry geometry;
    ASSERT_TRUE(diskio::GetLogicalGeometry(3, geometry));
    EXPECT_EQ(geometry.MediaKind, 3);
    EXPECT_EQ(geometry.BytesPerSector, 512u);
    EXPECT_EQ(geometry.TotalSectors, 20000u);
}

TEST_P(LogicalDiskIo, ACdRomReportsKind4And2048ByteSectorsWithoutASize) {
    test::TDeviceTableScope scope(GetParam());
    scope.AttachSource(std::make_shared<TFakeSource>(TFakeSource::Pattern(40, 2048), 2048),
                       TAttachAs::aaCdRom);
    diskio::TDiskGeometry geometry;
    ASSERT_TRUE(diskio::GetLogicalGeometry(3, geometry));
    EXPECT_EQ(geometry.MediaKind, 4);
    EXPECT_EQ(geometry.Removable, 1);
    EXPECT_EQ(geometry.BytesPerSector, 2048u);
    EXPECT_EQ(geometry.TotalSectors, 0u);
}

TEST(LogicalDiskIo9x, CdRomReadsOneDriverCallPerSectorAndPrompts) {
    test::TDeviceTableScope scope(TSystemFamily::sf98);
    auto cd = std::make_shared<TFakeSource>(TFakeSource::Pattern(400, 2048), 2048);
    scope.AttachSource(cd, TAttachAs::aaCdRom);
    ASSERT_TRUE(diskio::IsCDROMDrive(3));
    std::vector<std::byte> buffer(300 * 2048);
    const uint64_t before = platform::w9x::ServiceCallCount();
    ASSERT_TRUE(diskio::ReadLogicalSectors(3, 0, 300, buffer.data()));
    // One question whether it is a CD-ROM drive, then one call per sector.
    EXPECT_EQ(platform::w9x::ServiceCallCount() - before, 301u);
    EXPECT_EQ(buffer[299 * 2048 + 1], test::PatternByte(299, 1));

    test::TScriptedPrompter prompter;
    prompter.Script({TPromptAnswer::paIgnore});
    cd->FailSector(12, 1);
    ASSERT_TRUE(diskio::ReadLogicalSectors(3, 10, 5, buffer.data()));
    ASSERT_EQ(prompter.Shown().size(), 1u);
    EXPECT_EQ(prompter.Shown()[0].Caption, "MSCDEX/CDFS CD-ROM read error 23");
    EXPECT_EQ(prompter.Shown()[0].Text,
              "Error reading sector, \r\ndrv:3 LBA:10 blocks:5\r\n\r\n Abort, Retry or Ignore?");
    EXPECT_EQ(buffer[2 * 2048], std::byte{0});
}

TEST(LogicalDiskIoNt, TwoKiBSectorsArePositionedByShiftAndReadIn32SectorChunks) {
    test::TDeviceTableScope scope(TSystemFamily::sfNT);
    auto volume = std::make_shared<TFakeSource>(TFakeSource::Pattern(400, 2048), 2048);
    scope.AttachSource(volume, TAttachAs::aaVolume);
    // The table gives attached volumes 512-byte sectors; make this one a 2 KiB-sector volume.
    auto& entry = const_cast<platform::TDeviceEntry&>(*platform::DeviceTable().FindLetter(3));
    entry.Geometry = {400, 1, 1, 2048, platform::MediaType::FixedMedia};
    std::vector<std::byte> buffer(40 * 2048);
    volume->ClearTransfers();
    ASSERT_TRUE(diskio::ReadLogicalSectors(3, 100, 40, buffer.data()));
    const std::vector<TFakeSource::TTransfer> expected{{100 * 2048, 65536},
                                                       {100 * 2048 + 65536, 8 * 2048}};
    EXPECT_EQ(volume->Transfers(), expected);
}

TEST(LogicalDiskIo, Win95Osr2DetectionFollowsTheVersion) {
    struct TCase {
        TSystemFamily Family;
        bool Expected;
    };
    for (const TCase& c : {TCase{TSystemFamily::sfNT, false}, TCase{TSystemFamily::sf95, false},
                           TCase{TSystemFamily::sf95OSR2, true}, TCase{TSystemFamily::sf98, true},
                           TCase{TSystemFamily::sfME, true}}) {
        platform::SetSystemFamily(c.Family);
        EXPECT_EQ(diskio::IsWin95OSR2OrLater(), c.Expected) << static_cast<int>(c.Family);
    }
    platform::SetSystemFamily(TSystemFamily::sfNT);
}

TEST(LogicalDiskIo9x, MissingDriversWarnWithTheirTexts) {
    test::TScriptedPrompter prompter(TPromptAnswer::paOK);
    platform::w9x::SetDriverLoadFails("VWIN32", true);
    platform::w9x::SetDriverLoadFails("INT2F.VXD", true);
    { test::TDeviceTableScope scope(TSystemFamily::sf98); }
    platform::w9x::SetDriverLoadFails("VWIN32", false);
    platform::w9x::SetDriverLoadFails("INT2F.VXD", false);
    std::vector<std::string> texts;
    for (const auto& shown : prompter.Shown()) {
        texts.push_back(shown.Text);
    }
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Error loading \"VWIN32.VXD (INT25/26)\""),
              texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Error loading \"INT2F.VXD\" (MSCDEX/CDFS)"),
              texts.end());
}

} // namespace
} // namespace tw
