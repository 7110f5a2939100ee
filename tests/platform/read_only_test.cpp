#include "devices/device_list.h"
#include "diskio/logical_disk_io.h"
#include "diskio/physical_disk_io.h"
#include "platform/nt_device_file.h"
#include "support/image_tools.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace tw {
namespace {

/// The open flags of every descriptor of this process that points at path.
std::vector<long> OpenFlagsOf(const std::string& path) {
    std::vector<long> flags;
    const auto target = std::filesystem::canonical(path);
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        const auto link = std::filesystem::read_symlink(fd.path(), ec);
        if (ec || link != target) {
            continue;
        }
        std::ifstream info("/proc/self/fdinfo/" + fd.path().filename().string());
        std::string key;
        while (info >> key) {
            if (key == "flags:") {
                std::string octal;
                info >> octal;
                flags.push_back(std::stol(octal, nullptr, 8));
                break;
            }
            std::string value;
            std::getline(info, value);
        }
    }
    return flags;
}

class ReadOnly : public ::testing::TestWithParam<platform::TSystemFamily> {};

INSTANTIATE_TEST_SUITE_P(BothFamilies, ReadOnly,
                         ::testing::Values(platform::TSystemFamily::sfNT,
                                           platform::TSystemFamily::sf98),
                         [](const auto& info) {
                             return info.param == platform::TSystemFamily::sfNT ? "NT" : "Win9x";
                         });

TEST_P(ReadOnly, EverySourceIsOpenedReadOnlyAndStaysUnchanged) {
    test::TTempDir dir;
    const std::string disk = dir.File("disk.img");
    const std::string volume = dir.File("volume.img");
    ASSERT_TRUE(test::MakePartitionedImage(disk, 8, "start=2048, type=6\n"));
    ASSERT_TRUE(test::Run("mkfs.fat -C " + test::Quote(volume) + " 8192 >/dev/null"));
    const uint64_t diskHash = test::HashFile(disk);
    const uint64_t volumeHash = test::HashFile(volume);
    {
        test::TDeviceTableScope scope(GetParam());
        scope.AttachFile(disk);
        scope.AttachFile(volume);
        devices::TDeviceList list;
        list.Detect(nullptr);
        ASSERT_GE(list.Count(), 2);
        std::vector<std::byte> buffer(512);
        ASSERT_TRUE(diskio::ReadPhysicalSectors(128, 0, 1, false, buffer.data()));
        ASSERT_TRUE(diskio::ReadLogicalSectors(3, 0, 1, buffer.data()));
        for (const std::string& path : {disk, volume}) {
            const auto flags = OpenFlagsOf(path);
            ASSERT_FALSE(flags.empty()) << path << " should be open now";
            for (long f : flags) {
                EXPECT_EQ(f & O_ACCMODE, O_RDONLY) << path;
                EXPECT_NE(f & O_CLOEXEC, 0) << path;
            }
        }
    }
    EXPECT_EQ(test::HashFile(disk), diskHash);
    EXPECT_EQ(test::HashFile(volume), volumeHash);
}

} // namespace
} // namespace tw
