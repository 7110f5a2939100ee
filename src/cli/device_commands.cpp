#include "cli/cli_context.h"
#include "diskio/logical_disk_io.h"
#include "diskio/physical_disk_io.h"

#include <cstdio>

namespace tw::cli {

void EnsureDevices(TCliContext& context) {
    if (!context.DevicesDetected) {
        context.DeviceList.Detect(nullptr);
        context.DevicesDetected = true;
    }
}

bool ParseDeviceIndex(TCliContext& context, const std::string& text, devices::TDevice*& device) {
    EnsureDevices(context);
    char* end = nullptr;
    const long index = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || index < 0 || index >= context.DeviceList.Count()) {
        std::fprintf(stderr, "tarnwell-cli: no device %s (the device list has %d)\n", text.c_str(),
                     context.DeviceList.Count());
        return false;
    }
    device = context.DeviceList.Items(static_cast<int>(index));
    return true;
}

int CommandDevices(TCliContext& context, const std::vector<std::string>& args) {
    if (!args.empty()) {
        std::fprintf(stderr, "usage: tarnwell-cli devices\n");
        return ExitUsage;
    }
    EnsureDevices(context);
    std::printf("%-3s %-34s %-6s %6s %10s %6s %9s\n", "#", "Name", "Access", "Number", "Sectors",
                "Bytes", "ReadAhead");
    for (int i = 0; i < context.DeviceList.Count(); ++i) {
        const devices::TDevice& device = *context.DeviceList.Items(i);
        const bool bios = device.AccessKind == devices::TAccessKind::akBIOS;
        std::printf("%-3d %-34s %-6s %6u %10u %6u %9u\n", i, device.Name.c_str(),
                    bios ? "BIOS" : "Letter", static_cast<unsigned>(device.DriveNumber),
                    device.TotalSectors, static_cast<unsigned>(device.BytesPerSector),
                    device.ReadAheadSectors);
    }
    return ExitDone;
}

int CommandDriveInfo(TCliContext& context, const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: tarnwell-cli driveinfo DEVICE\n");
        return ExitUsage;
    }
    devices::TDevice* device = nullptr;
    if (!ParseDeviceIndex(context, args[0], device)) {
        return ExitFailed;
    }
    // The numbers are read afresh from the geometry query; a failed query shows zeros.
    diskio::TDiskGeometry geometry;
    if (device->AccessKind == devices::TAccessKind::akBIOS) {
        (void)diskio::GetPhysicalGeometry(device->DriveNumber, geometry);
    } else {
        (void)diskio::GetLogicalGeometry(device->DriveNumber, geometry);
    }
    std::printf("Drive: %s\n", device->Name.c_str());
    std::printf("Physical cylinders: %u\n", geometry.Cylinders);
    std::printf("Physical heads: %u\n", geometry.Heads);
    std::printf("Physical sectors per track: %u\n", geometry.SectorsPerTrack);
    std::printf("Physical sectors: %u\n", geometry.TotalSectors);
    std::printf("Bytes in a sector: %u\n", geometry.BytesPerSector);
    return ExitDone;
}

} // namespace tw::cli
