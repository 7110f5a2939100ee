// A volume image: opened, Root and Deleted walked recursively, every file read through the
// viewers' stream (a middle seek and a tail read included) until a byte budget is spent.

#include "fuzz/fuzz_support.h"

#include "fat/fat_directory.h"
#include "fat/fat_stream.h"

#include <algorithm>
#include <array>

namespace {

using namespace tw;

/// A size field may claim 4 GiB on a tiny volume; one input reads no more than this.
constexpr uint64_t ReadBudget = 1u << 20;

void Walk(fat::TFATDirectory& category, bool deletedMode, uint64_t& budget) {
    fat::TFATdrive& drive = category.FatDrive();
    std::array<std::byte, 4096> buffer{};
    category.ForEach(
        [&](devices::TCustomItem& item) {
            (void)item.GetPath(&category);
            if (item.IsDirectory() || budget == 0) {
                return true;
            }
            auto& file = static_cast<fat::TFATFile&>(item);
            for (const uint8_t fatChoice : {drive.FATInUse, uint8_t{0}}) {
                fat::TFATStream stream(drive, file.FirstCluster, file.Size, fatChoice);
                stream.Seek(0, 0);
                uint32_t left = file.Size;
                while (left > 0 && budget > 0) {
                    const uint32_t want = static_cast<uint32_t>(
                        std::min<uint64_t>({left, buffer.size(), budget}));
                    const uint32_t got = stream.Read(buffer.data(), want);
                    if (got == 0) {
                        break;
                    }
                    left -= std::min(got, left);
                    budget -= std::min<uint64_t>(got, budget);
                }
                stream.Seek(file.Size / 2, 0);
                (void)stream.Read(buffer.data(), 64);
                stream.Seek(-1, 2);
                (void)stream.Read(buffer.data(), 16);
            }
            return true;
        },
        deletedMode, deletedMode, true);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > fuzz::MaxInputBytes) {
        return 0;
    }
    fuzz::TFuzzSession run(data, size, platform::TAttachAs::aaVolume);
    uint64_t budget = ReadBudget;
    for (fat::TFATdrive* drive : run.OpenDrives()) {
        Walk(drive->Root(), false, budget);
        Walk(static_cast<fat::TFATDirectory&>(*drive->DeletedDir), true, budget);
    }
    return 0;
}
