// Reads every sector of an image through TDevice.ReadSectors, one sector at a time with the
// read-ahead cache on and in 2 MiB requests, and compares with `cat IMAGE > /dev/null`.
// Usage: tw_bench_sector_read [IMAGE]   (default: a 1 GiB image made in /tmp)
#include "bench/bench_common.h"
#include "devices/device.h"
#include "devices/device_list.h"
#include "diskio/logical_disk_io.h"
#include "platform/device_table.h"

#include <algorithm>
#include <filesystem>
#include <vector>

using namespace tw;

int main(int argc, char** argv) {
    std::string image = argc > 1 ? argv[1] : "/tmp/tarnwell-bench-1g.img";
    if (argc <= 1 && !std::filesystem::exists(image)) {
        bench::Shell("head -c 1G /dev/urandom > " + image);
    }
    std::string error;
    if (!platform::DeviceTable().AttachPath(image, platform::TAttachAs::aaDisk, error)) {
        std::fprintf(stderr, "bench: %s\n", error.c_str());
        return 1;
    }
    diskio::StartSectorAccess();
    devices::TDeviceList list;
    list.Detect(nullptr);
    devices::TDevice& device = *list.Items(0);
    devices::SetReadAheadEnabled(true);
    const double bytes = double(device.TotalSectors) * device.BytesPerSector;

    const double catSeconds =
        bench::BestSeconds(3, [&] { bench::Shell("cat " + image + " > /dev/null"); });

    std::vector<std::byte> buffer(2 * 1024 * 1024);
    bool ok = true;
    device.SetCacheEnabled(true);
    const double singleSeconds = bench::BestSeconds(3, [&] {
        for (uint32_t s = 0; s < device.TotalSectors && ok; ++s) {
            ok = device.ReadSectors(s, 1, false, buffer.data());
        }
    });
    device.SetCacheEnabled(false);
    const uint16_t perRequest = static_cast<uint16_t>(buffer.size() / device.BytesPerSector);
    const double bigSeconds = bench::BestSeconds(3, [&] {
        for (uint32_t s = 0; s < device.TotalSectors && ok; s += perRequest) {
            const uint16_t n =
                static_cast<uint16_t>(std::min<uint32_t>(perRequest, device.TotalSectors - s));
            ok = device.ReadSectors(s, n, false, buffer.data());
        }
    });
    if (!ok) {
        std::fprintf(stderr, "bench: a read failed\n");
        return 1;
    }
    const double mib = bytes / (1024 * 1024);
    std::printf("image: %s (%.0f MiB, read-ahead %u sectors)\n", image.c_str(), mib,
                device.ReadAheadSectors);
    std::printf("cat:                         %8.1f MiB/s\n", mib / catSeconds);
    std::printf("one sector per read, cached: %8.1f MiB/s  ratio %.2f (target >= 0.50)\n",
                mib / singleSeconds, catSeconds / singleSeconds);
    std::printf("2 MiB per read:              %8.1f MiB/s  ratio %.2f (target >= 0.80)\n",
                mib / bigSeconds, catSeconds / bigSeconds);
    list.Clear();
    diskio::EndSectorAccess();
    return 0;
}
