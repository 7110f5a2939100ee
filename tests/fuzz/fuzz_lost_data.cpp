// The lost-data search over the whole cluster range of a volume, the range dialog confirmed
// as offered.

#include "fuzz/fuzz_support.h"

#include "fat/fat_directory.h"
#include "fat/lost_data_search.h"

namespace {

class TConfirmedRange final : public tw::fat::TClusterDialog {
public:
    bool Execute() override { return true; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tw;
    if (size > fuzz::MaxInputBytes) {
        return 0;
    }
    fuzz::TFuzzSession run(data, size, platform::TAttachAs::aaVolume);
    for (fat::TFATdrive* drive : run.OpenDrives()) {
        TConfirmedRange range;
        fat::FindLostData(*drive, run.Dialog, range, {});
        if (drive->LostDir) {
            // What was found is listed with paths the list and the save code compute.
            static_cast<fat::TFATDirectory&>(*drive->LostDir)
                .ForEach(
                    [&](devices::TCustomItem& item) {
                        (void)item.GetPath(drive->LostDir.get());
                        return true;
                    },
                    false, false, true);
        }
    }
    return 0;
}
