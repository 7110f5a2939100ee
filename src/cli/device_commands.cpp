#include "cli/cli_context.h"
#include "cli/terminal_ports.h"
#include "devices/device.h"
#include "diskio/logical_disk_io.h"
#include "diskio/physical_disk_io.h"
#include "diskio/status_dialog.h"
#include "fat/fat_drive.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace tw::cli {

void Fail(const std::string& message) {
    std::fprintf(stderr, "tarnwell-cli: %s\n", message.c_str());
}

void EnsureDetected(TCliContext& context) {
    if (context.Detected) {
        return;
    }
    TTerminalProgress view(context.Quiet);
    diskio::TStatusDialog dialog(&view);
    context.Session.DetectAll(dialog);
    context.Detected = true;
    for (int i = 0; i < context.Session.DriveList.Count(); ++i) {
        auto* drive = static_cast<fat::TFATdrive*>(context.Session.DriveList.Items(i));
        if (context.FatInUse) {
            drive->FATInUse = std::min<uint8_t>(*context.FatInUse, drive->NumberOfFATs());
        }
        drive->SkipBadClusters = context.SkipBadClusters;
    }
}

namespace {
bool ParseIndex(const std::string& text, int count, int& index) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < 0 || value >= count) {
        return false;
    }
    index = static_cast<int>(value);
    return true;
}
} // namespace

bool ParseDeviceIndex(TCliContext& context, const std::string& text, devices::TDevice*& device) {
    EnsureDetected(context);
    int index = 0;
    if (!ParseIndex(text, context.Session.DeviceList.Count(), index)) {
        Fail("no device " + text + " (the device list has " +
             std::to_string(context.Session.DeviceList.Count()) + ")");
        return false;
    }
    device = context.Session.DeviceList.Items(index);
    return true;
}

bool ParseDrive(TCliContext& context, const std::string& text, fat::TFATdrive*& drive) {
    EnsureDetected(context);
    int index = 0;
    if (!ParseIndex(text, context.Session.DriveList.Count(), index)) {
        Fail("no drive " + text + " (the drive list has " +
             std::to_string(context.Session.DriveList.Count()) + ")");
        return false;
    }
    drive = static_cast<fat::TFATdrive*>(context.Session.DriveList.Items(index));
    if (!drive->RootDir) {
        Fail("drive " + text + " cannot be opened: its boot sector could not be read");
        return false;
    }
    return true;
}

bool SplitOptions(const std::vector<std::string>& args, const std::vector<std::string>& valued,
                  const std::vector<std::string>& flags, std::vector<std::string>& positional,
                  std::vector<std::pair<std::string, std::string>>& options) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() > 1 && arg[0] == '-' &&
            (arg[1] == '-' || !std::isdigit(static_cast<unsigned char>(arg[1])))) {
            if (std::find(flags.begin(), flags.end(), arg) != flags.end()) {
                options.emplace_back(arg, "");
            } else if (std::find(valued.begin(), valued.end(), arg) != valued.end() &&
                       i + 1 < args.size()) {
                options.emplace_back(arg, args[++i]);
            } else {
                Fail("unknown or incomplete option '" + arg + "'");
                return false;
            }
        } else {
            positional.push_back(arg);
        }
    }
    return true;
}

int CommandDevices(TCliContext& context, const std::vector<std::string>& args) {
    if (!args.empty()) {
        Fail("usage: devices");
        return ExitUsage;
    }
    EnsureDetected(context);
    std::printf("%-3s %-34s %-6s %6s %10s %6s %9s\n", "#", "Name", "Access", "Number", "Sectors",
                "Bytes", "ReadAhead");
    const devices::TDeviceList& list = context.Session.DeviceList;
    for (int i = 0; i < list.Count(); ++i) {
        const devices::TDevice& device = *list.Items(i);
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
        Fail("usage: driveinfo DEVICE");
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
