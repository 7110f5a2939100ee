// The lost-drive search over every sector of a disk: boot sectors no listed drive starts at,
// and volumes pieced together from their FATs and directory sectors.

#include "fuzz/fuzz_support.h"

#include "fat/fat_analyser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tw;
    if (size > fuzz::MaxInputBytes) {
        return 0;
    }
    fuzz::TFuzzSession run(data, size, platform::TAttachAs::aaDisk);
    if (run.Session.DeviceList.Count() == 0) {
        return 0;
    }
    devices::TDevice& device = *run.Session.DeviceList.Items(0);
    const uint32_t last = device.TotalSectors == 0 ? 0 : device.TotalSectors - 1;
    (void)fat::FindLostDrives(device, 0, last, run.Session.DriveList, run.Dialog);
    // Rebuilt drives are opened like found ones; their categories must be usable.
    for (int i = 0; i < run.Session.DriveList.Count(); ++i) {
        (void)run.Session.DriveText(i);
    }
    return 0;
}
