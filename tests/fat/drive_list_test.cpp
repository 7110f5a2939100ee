// The partition walk over tables no partitioning tool writes.
#include "fat/volume_fixture.h"
#include "support/fat_image_builder.h"

#include <gtest/gtest.h>

namespace tw {
namespace {

/// Writes partition entry e (type, relative start, length) of the table in sector.
void PutEntry(std::vector<std::byte>& disk, uint32_t sector, int e, uint8_t type, uint32_t start,
              uint32_t length) {
    const size_t at = size_t{sector} * 512 + 446 + 16 * static_cast<size_t>(e);
    disk[at + 4] = std::byte{type};
    for (size_t i = 0; i < 4; ++i) {
        disk[at + 8 + i] = static_cast<std::byte>(start >> (8 * i));
        disk[at + 12 + i] = static_cast<std::byte>(length >> (8 * i));
    }
    disk[size_t{sector} * 512 + 510] = std::byte{0x55};
    disk[size_t{sector} * 512 + 511] = std::byte{0xAA};
}

void PutVolume(std::vector<std::byte>& disk, uint32_t sector, const std::string& label) {
    test::TFatLayout layout;
    layout.Label = label;
    const std::vector<std::byte> boot = test::TFatImageBuilder::BootSector(layout);
    std::copy(boot.begin(), boot.end(), disk.begin() + static_cast<std::ptrdiff_t>(sector) * 512);
}

TEST(DriveList, AnExtendedChainThatLoopsEnds) {
    struct TCase {
        const char* What;
        uint32_t SecondLinkTo; ///< where the second table's extended entry points (relative)
    };
    for (const TCase& c :
         {TCase{"a table naming itself", 100}, TCase{"back to the first table", 0}}) {
        SCOPED_TRACE(c.What);
        std::vector<std::byte> disk(8192 * 512);
        PutEntry(disk, 0, 0, 0x06, 10, 2880);
        PutVolume(disk, 10, "PRIMARY    ");
        PutEntry(disk, 0, 1, 0x05, 4000, 4000);
        // First extended table at 4000: a logical volume and a link to the table at 4100.
        PutEntry(disk, 4000, 0, 0x01, 10, 2880);
        PutVolume(disk, 4010, "LOGICAL1   ");
        PutEntry(disk, 4000, 1, 0x05, 100, 3000);
        // Second table: another volume, and a link that leads back into the chain.
        PutEntry(disk, 4100, 0, 0x01, 10, 2880);
        PutVolume(disk, 4110, "LOGICAL2   ");
        PutEntry(disk, 4100, 1, 0x05, c.SecondLinkTo, 3000);
        PutEntry(disk, 4100, 2, 0x0F, c.SecondLinkTo, 3000);

        test::TDeviceTableScope scope;
        scope.AttachSource(std::make_shared<platform::TMemorySource>(disk),
                           platform::TAttachAs::aaDisk);
        devices::TDeviceList devices;
        devices.Detect(nullptr);
        ASSERT_EQ(devices.Count(), 1);
        devices::TDriveList drives([] { return std::make_unique<fat::TFATdrive>(); });
        drives.DetectDrives(*devices.Items(0));
        ASSERT_EQ(drives.Count(), 3);
        EXPECT_EQ(drives.Items(0)->Name, "PRIMARY    ");
        EXPECT_EQ(drives.Items(1)->Name, "LOGICAL1   ");
        EXPECT_EQ(drives.Items(1)->VolumeStart, 4010u);
        EXPECT_EQ(drives.Items(2)->Name, "LOGICAL2   ");
        EXPECT_EQ(drives.Items(2)->VolumeStart, 4110u);
    }
}

} // namespace
} // namespace tw
