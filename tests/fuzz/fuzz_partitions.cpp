// A whole disk: the partition walk of device and drive detection over the bytes, then the
// drive dialog's text of every drive found.

#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tw;
    if (size > fuzz::MaxInputBytes) {
        return 0;
    }
    fuzz::TFuzzSession run(data, size, platform::TAttachAs::aaDisk);
    for (int i = 0; i < run.Session.DriveList.Count(); ++i) {
        (void)run.Session.DriveText(i);
    }
    return 0;
}
