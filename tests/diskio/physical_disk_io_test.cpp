#include "diskio/physical_disk_io.h"
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

class PhysicalDiskIo : public ::testing::TestWithParam<TSystemFamily> {};

INSTANTIATE_TEST_SUITE_P(BothFamilies, PhysicalDiskIo,
                         ::testing::Values(TSystemFamily::sfNT, TSystemFamily::sf98),
                         [](const auto& info) {
                             return info.param == TSystemFamily::sfNT ? "NT" : "Win9x";
                         });

TEST_P(PhysicalDiskIo, ReadsSectorsOfDisksAndFloppiesByBiosNumber) {
    test::TDeviceTableScope scope(GetParam());
    auto disk = std::make_shared<TFakeSource>(TFakeSource::Pattern(4096));
    auto floppy = std::make_shared<TFakeSource>(TFakeSource::Pattern(2880));
    scope.AttachSource(disk, TAttachAs::aaDisk);
    scope.AttachSource(floppy, TAttachAs::aaFloppy);

    std::vector<std::byte> buffer(3 * 512);
    ASSERT_TRUE(diskio::ReadPhysicalSectors(128, 100, 3, false, buffer.data()));
    EXPECT_EQ(buffer[0], test::PatternByte(100, 0));
    EXPECT_EQ(buffer[2 * 512 + 7], test::PatternByte(102, 7));
    ASSERT_TRUE(diskio::ReadPhysicalSectors(0, 2879, 1, false, buffer.data()));
    EXPECT_EQ(buffer[5], test::PatternByte(2879, 5));

    EXPECT_TRUE(diskio::ReadPhysicalSectors(128, 0, 0, false, nullptr)) << "count 0 succeeds";
    EXPECT_FALSE(diskio::ReadPhysicalSectors(129, 0, 1, false, buffer.data())) << "no such disk";
    EXPECT_FALSE(diskio::ReadPhysicalSectors(128, 4096, 1, false, buffer.data())) << "past end";
}

TEST_P(PhysicalDiskIo, GeometryOfAFloppyAndAnImageCoversEverySector) {
    test::TDeviceTableScope scope(GetParam());
    scope.AttachSource(std::make_shared<TFakeSource>(TFakeSource::Pattern(1'000'003)),
                       TAttachAs::aaDisk);
    scope.AttachSource(std::make_shared<TFakeSource>(TFakeSource::Pattern(2880)),
                       TAttachAs::aaFloppy);

    diskio::TDiskGeometry floppy;
    ASSERT_TRUE(diskio::GetPhysicalGeometry(0, floppy));
    EXPECT_EQ(floppy.MediaKind, 1);
    EXPECT_EQ(floppy.Removable, 1);
    EXPECT_EQ(floppy.Cylinders, 80u);
    EXPECT_EQ(floppy.Heads, 2u);
    EXPECT_EQ(floppy.SectorsPerTrack, 18u);
    EXPECT_EQ(floppy.TotalSectors, 2880u);
    EXPECT_EQ(floppy.BytesPerSector, 512u);

    diskio::TDiskGeometry disk;
    ASSERT_TRUE(diskio::GetPhysicalGeometry(128, disk));
    EXPECT_EQ(disk.MediaKind, 3);
    EXPECT_EQ(disk.TotalSectors, 1'000'003u) << "a prime sector count is not cut to cylinders";

    EXPECT_FALSE(diskio::GetPhysicalGeometry(1, disk));
    EXPECT_EQ(disk.TotalSectors, 0u) << "the record is cleared on failure";
    EXPECT_FALSE(diskio::GetPhysicalGeometry(130, disk));
}

TEST(PhysicalDiskIoNt, LargeReadsMoveInChunksOf64KiBAfterOneSeek) {
    test::TDeviceTableScope scope(TSystemFamily::sfNT);
    auto disk = std::make_shared<TFakeSource>(TFakeSource::Pattern(1024));
    scope.AttachSource(disk, TAttachAs::aaDisk);
    std::vector<std::byte> buffer(300 * 512);
    disk->ClearTransfers();
    ASSERT_TRUE(diskio::ReadPhysicalSectors(128, 10, 300, false, buffer.data()));
    const std::vector<TFakeSource::TTransfer> expected{
        {10 * 512, 65536}, {10 * 512 + 65536, 65536}, {10 * 512 + 131072, 22528}};
    EXPECT_EQ(disk->Transfers(), expected);
    EXPECT_EQ(buffer[299 * 512 + 3], test::PatternByte(309, 3));
}

TEST(PhysicalDiskIoNt, ErrorBoxTextsAndAnswers) {
    test::TDeviceTableScope scope(TSystemFamily::sfNT);
    auto disk = std::make_shared<TFakeSource>(TFakeSource::Pattern(1024));
    scope.AttachSource(disk, TAttachAs::aaDisk);
    std::vector<std::byte> buffer(200 * 512, std::byte{0x77});

    {
        test::TScriptedPrompter prompter;
        disk->FailSector(6, 1);
        EXPECT_FALSE(diskio::ReadPhysicalSectors(128, 5, 3, false, buffer.data()))
            << "without showErrors a failure ends the read";
        EXPECT_TRUE(prompter.Shown().empty());
    }
    {
        test::TScriptedPrompter prompter;
        prompter.Script({TPromptAnswer::paRetry});
        disk->FailSector(20, 1);
        const uint64_t aborts = diskio::ReadAbortCount();
        ASSERT_TRUE(diskio::ReadPhysicalSectors(128, 5, 200, true, buffer.data()));
        ASSERT_EQ(prompter.Shown().size(), 1u);
        EXPECT_EQ(prompter.Shown()[0].Caption, "NT_read error");
        EXPECT_EQ(prompter.Shown()[0].Text,
                  "error no.23\r\ndrv:128 LBA:5 blocks:200\r\n\r\nAbort, Retry or Ignore?");
        EXPECT_EQ(buffer[15 * 512], test::PatternByte(20, 0)) << "the retried chunk is real data";
        EXPECT_EQ(diskio::ReadAbortCount(), aborts);
    }
    {
        test::TScriptedPrompter prompter;
        prompter.Script({TPromptAnswer::paIgnore});
        disk->FailSector(5);
        ASSERT_TRUE(diskio::ReadPhysicalSectors(128, 5, 200, true, buffer.data()));
        EXPECT_EQ(buffer[0], std::byte{0}) << "an ignored chunk reads as zeros, not stale bytes";
        EXPECT_EQ(buffer[127 * 512], std::byte{0});
        EXPECT_EQ(buffer[128 * 512 + 1], test::PatternByte(133, 1)) << "the next chunk is read";
    }
    {
        test::TScriptedPrompter prompter(TPromptAnswer::paAbort);
        const uint64_t aborts = diskio::ReadAbortCount();
        EXPECT_FALSE(diskio::ReadPhysicalSectors(128, 5, 1, true, buffer.data()));
        EXPECT_EQ(diskio::ReadAbortCount(), aborts + 1)
            << "Abort is counted for the long operation";
    }
}

TEST(PhysicalDiskIo9x, ErrorBoxNamesTheFailingSectorAndRetryResets) {
    test::TDeviceTableScope scope(TSystemFamily::sf98);
    auto disk = std::make_shared<TFakeSource>(TFakeSource::Pattern(64));
    scope.AttachSource(disk, TAttachAs::aaDisk);
    std::vector<std::byte> buffer(8 * 512);
    test::TScriptedPrompter prompter;
    prompter.Script({TPromptAnswer::paRetry});
    disk->FailSector(13, 1);
    const uint64_t callsBefore = platform::w9x::ServiceCallCount();
    ASSERT_TRUE(diskio::ReadPhysicalSectors(128, 10, 8, true, buffer.data()));
    ASSERT_EQ(prompter.Shown().size(), 1u);
    EXPECT_EQ(prompter.Shown()[0].Caption, "ExtendedRead error");
    EXPECT_EQ(prompter.Shown()[0].Text,
              "Error reading sector, \r\ndrv:128 LBA:13 blocks:8\r\n\r\n Abort, Retry or Ignore?");
    // Eight sectors, one failed attempt, one reset through VWIN32.
    EXPECT_EQ(platform::w9x::ServiceCallCount() - callsBefore, 10u);
    EXPECT_EQ(buffer[3 * 512], test::PatternByte(13, 0));
}

TEST(PhysicalDiskIo9x, MissingDriverWarnsOnceAndNoDiskAnswers) {
    test::TScriptedPrompter prompter(TPromptAnswer::paOK);
    platform::w9x::SetDriverLoadFails("INT13EXT.VXD", true);
    {
        test::TDeviceTableScope scope(TSystemFamily::sf98);
        scope.AttachSource(std::make_shared<TFakeSource>(TFakeSource::Pattern(64)),
                           TAttachAs::aaDisk);
        diskio::TDiskGeometry geometry;
        EXPECT_FALSE(diskio::GetPhysicalGeometry(128, geometry));
        std::vector<std::byte> buffer(512);
        EXPECT_FALSE(diskio::ReadPhysicalSectors(128, 0, 1, false, buffer.data()));
    }
    platform::w9x::SetDriverLoadFails("INT13EXT.VXD", false);
    ASSERT_GE(prompter.Shown().size(), 1u);
    EXPECT_EQ(prompter.Shown()[0].Caption, "Error");
    EXPECT_EQ(prompter.Shown()[0].Text, "Error loading \"INT13EXT.VXD\"");
}

TEST(PhysicalDiskIo9x, SwitchesTurnOffFloppiesAndHardDisks) {
    test::TDeviceTableScope scope(TSystemFamily::sf98);
    scope.AttachSource(std::make_shared<TFakeSource>(TFakeSource::Pattern(64)), TAttachAs::aaDisk);
    scope.AttachSource(std::make_shared<TFakeSource>(TFakeSource::Pattern(2880)),
                       TAttachAs::aaFloppy);
    diskio::TDiskGeometry geometry;
    diskio::SetINT13Enabled(false);
    EXPECT_FALSE(diskio::GetPhysicalGeometry(0, geometry));
    EXPECT_TRUE(diskio::GetPhysicalGeometry(128, geometry));
    diskio::SetINT13Enabled(true);
    diskio::SetINT13ExtEnabled(false);
    EXPECT_TRUE(diskio::GetPhysicalGeometry(0, geometry));
    EXPECT_FALSE(diskio::GetPhysicalGeometry(128, geometry));
    std::vector<std::byte> buffer(512);
    EXPECT_FALSE(diskio::ReadPhysicalSectors(0, 0, 1, false, buffer.data()));
}

} // namespace
} // namespace tw
