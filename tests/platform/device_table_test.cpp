#include "platform/device_table.h"
#include "platform/nt_device_file.h"
#include "support/fake_source.h"
#include "support/image_tools.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace tw {
namespace {

using platform::TAttachAs;
using platform::TEntryKind;

TEST(ImageGeometry, FloppySizesGetTheirFormatAndOtherImagesLoseNoSector) {
    struct TCase {
        uint64_t Bytes;
        bool Floppy;
        uint64_t Cylinders;
        uint32_t Heads, SectorsPerTrack;
    };
    const TCase cases[] = {
        {1474560, true, 80, 2, 18},
        {737280, true, 80, 2, 9},
        {2949120, true, 80, 2, 36},
        {512ull * 1024 * 1024, false, 1048576, 1, 1},
        {255ull * 63 * 512 * 10, false, 10, 255, 63},
        {512ull * 1'000'003, false, 1'000'003, 1, 1},
    };
    for (const TCase& c : cases) {
        const auto g = platform::ImageGeometry(c.Bytes, c.Floppy);
        EXPECT_EQ(g.Cylinders, c.Cylinders) << c.Bytes;
        EXPECT_EQ(g.Heads, c.Heads) << c.Bytes;
        EXPECT_EQ(g.SectorsPerTrack, c.SectorsPerTrack) << c.Bytes;
        EXPECT_EQ(g.Cylinders * g.Heads * g.SectorsPerTrack * 512, c.Bytes);
    }
}

TEST(DeviceTable, ImagesAreClassifiedFromTheirContent) {
    test::TTempDir dir;
    const std::string floppy = dir.File("floppy.img");
    const std::string volume = dir.File("volume.img");
    const std::string disk = dir.File("disk.img");
    ASSERT_TRUE(test::MakeFloppyImage(floppy));
    ASSERT_TRUE(test::Run("mkfs.fat -C -F 32 " + test::Quote(volume) + " 40000 >/dev/null"));
    ASSERT_TRUE(test::MakePartitionedImage(disk, 8, "start=2048, type=c\n"));

    test::TDeviceTableScope scope;
    scope.AttachFile(disk);
    scope.AttachFile(floppy);
    scope.AttachFile(volume);
    scope.AttachFile(disk, TAttachAs::aaDisk);

    const auto& entries = platform::DeviceTable().Entries();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].Kind, TEntryKind::ekDisk);
    EXPECT_EQ(entries[0].BiosNumber, 128);
    EXPECT_EQ(entries[1].Kind, TEntryKind::ekFloppy);
    EXPECT_EQ(entries[1].BiosNumber, 0);
    EXPECT_EQ(entries[1].LetterNumber, 1) << "a floppy also answers as A:";
    EXPECT_EQ(entries[2].Kind, TEntryKind::ekVolume);
    EXPECT_EQ(entries[2].LetterNumber, 3) << "attached volumes take letters from C on";
    EXPECT_EQ(entries[2].FileSystemName, "FAT32");
    EXPECT_EQ(entries[3].BiosNumber, 129);

    EXPECT_EQ(platform::nt::GetDriveTypeA("A:\\"), platform::nt::DriveRemovable);
    EXPECT_EQ(platform::nt::GetDriveTypeA("C:\\"), platform::nt::DriveFixed);
    EXPECT_EQ(platform::nt::GetDriveTypeA("D:\\"), platform::nt::DriveNoRootDir);
    std::string fileSystem;
    ASSERT_TRUE(platform::nt::GetVolumeInformationA("A:\\", fileSystem));
    EXPECT_EQ(fileSystem, "FAT");
}

TEST(DeviceTable, OptionsAndEnvironmentAttachImagesAndLeaveTheRest) {
    test::TTempDir dir;
    const std::string floppy = dir.File("a.img");
    ASSERT_TRUE(test::MakeFloppyImage(floppy));
    test::TDeviceTableScope scope;
    ::setenv("TARNWELL_DEVICES", ("disk=" + floppy + ";no-system-devices").c_str(), 1);
    std::vector<std::string> args{"--floppy", floppy, "--quiet", "DEBUG", "--no-system-devices"};
    std::string error;
    const bool ok = platform::ConsumeDeviceOptions(args, error);
    ::unsetenv("TARNWELL_DEVICES");
    ASSERT_TRUE(ok) << error;
    EXPECT_EQ(args, (std::vector<std::string>{"--quiet", "DEBUG"}));
    ASSERT_EQ(platform::DeviceTable().Entries().size(), 2u);
    EXPECT_EQ(platform::DeviceTable().Entries()[1].Kind, TEntryKind::ekDisk);

    std::vector<std::string> missing{"--image", dir.File("missing.img")};
    EXPECT_FALSE(platform::ConsumeDeviceOptions(missing, error));
    EXPECT_NE(error.find("missing.img"), std::string::npos);
    std::vector<std::string> dangling{"--image"};
    EXPECT_FALSE(platform::ConsumeDeviceOptions(dangling, error));
}

TEST(DeviceTable, ThirdFloppyAndDevicePathsThatNameNothingAreRefused) {
    test::TDeviceTableScope scope;
    std::string error;
    for (int i = 0; i < 2; ++i) {
        scope.AttachSource(std::make_shared<test::TFakeSource>(test::TFakeSource::Pattern(2880)),
                           TAttachAs::aaFloppy);
    }
    EXPECT_FALSE(platform::DeviceTable().AttachMemory(
        std::make_shared<test::TFakeSource>(test::TFakeSource::Pattern(2880)), TAttachAs::aaFloppy,
        error));
    EXPECT_FALSE(error.empty());
    for (const char* path : {"\\\\.\\PhysicalDrive0", "\\\\.\\PhysicalDrive999",
                             "\\\\.\\C:", "\\\\.\\PhysicalDriveX", "C:"}) {
        EXPECT_EQ(platform::nt::CreateFileA(path, platform::nt::GenericRead, 0, 0, 0),
                  platform::nt::InvalidHandleValue)
            << path;
    }
}

} // namespace
} // namespace tw
