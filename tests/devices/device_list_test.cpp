#include "devices/device_list.h"
#include "diskio/status_dialog.h"
#include "support/fake_source.h"
#include "support/image_tools.h"

#include <gtest/gtest.h>

namespace tw {
namespace {

using platform::TAttachAs;
using test::TFakeSource;

TEST(DeviceSizeText, CountsHalfKiBSectorsInMbOrGb) {
    EXPECT_EQ(devices::DeviceSizeText(2880), "   (1.41 MB)");
    EXPECT_EQ(devices::DeviceSizeText(156301488), "   (74.53 GB)");
    EXPECT_EQ(devices::DeviceSizeText(1048576), "   (512.00 MB)");
    EXPECT_EQ(devices::DeviceSizeText(2048000), "   (0.98 GB)") << "1000 MB switches to GB";
    EXPECT_EQ(devices::DeviceSizeText(0xFFFFFFFFu), "   (2048.00 GB)");
}

class DeviceDetection : public ::testing::TestWithParam<platform::TSystemFamily> {};

INSTANTIATE_TEST_SUITE_P(BothFamilies, DeviceDetection,
                         ::testing::Values(platform::TSystemFamily::sfNT,
                                           platform::TSystemFamily::sf98),
                         [](const auto& info) {
                             return info.param == platform::TSystemFamily::sfNT ? "NT" : "Win9x";
                         });

TEST_P(DeviceDetection, NamesDevicesByListPositionAndSkipsNonFatLetters) {
    test::TTempDir dir;
    const std::string floppy = dir.File("floppy.img");
    const std::string volume = dir.File("volume.img");
    ASSERT_TRUE(test::MakeFloppyImage(floppy));
    ASSERT_TRUE(test::Run("mkfs.fat -C " + test::Quote(volume) + " 20000 >/dev/null"));
    test::TDeviceTableScope scope(GetParam());
    scope.AttachSource(std::make_shared<TFakeSource>(TFakeSource::Pattern(1048576 / 8)),
                       TAttachAs::aaDisk);
    scope.AttachFile(floppy);
    scope.AttachFile(volume);
    scope.AttachSource(std::make_shared<TFakeSource>(TFakeSource::Pattern(64)),
                       TAttachAs::aaVolume); // no FAT: never a device

    diskio::TStatusDialog dialog;
    devices::TDeviceList list;
    list.Detect(&dialog);
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Items(0)->Name, "floppy disk #1   (1.41 MB)");
    EXPECT_EQ(list.Items(0)->Partitioned, 0);
    EXPECT_EQ(list.Items(0)->MediaFlags, 1);
    EXPECT_EQ(list.Items(1)->Name, "fixed disk #2   (64.00 MB)");
    EXPECT_EQ(list.Items(1)->Partitioned, 1);
    EXPECT_EQ(list.Items(2)->Name, "Windows drive A:   (1.41 MB)");
    EXPECT_EQ(list.Items(3)->Name.rfind("Windows drive C:", 0), 0u);
    EXPECT_EQ(list.Items(3)->AccessKind, devices::TAccessKind::akWindowsDrive);
    EXPECT_EQ(list.DeviceName(1, false), "fixed disk #2");
    EXPECT_EQ(list.IndexOf(list.Items(3)), 3);
    EXPECT_EQ(dialog.Title(), "Scanning drives");
    EXPECT_EQ(dialog.Line(1), "Checking Windows drive D:\\") << "the last letter that answered";
}

} // namespace
} // namespace tw
