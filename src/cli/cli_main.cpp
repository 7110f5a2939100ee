#include "cli/cli_context.h"
#include "devices/device.h"
#include "diskio/logical_disk_io.h"
#include "diskio/options.h"
#include "diskio/physical_disk_io.h"
#include "platform/device_table.h"

#include <cstdio>
#include <exception>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace tw;

void PrintUsage() {
    std::fprintf(
        stderr,
        "usage: tarnwell-cli [--image FILE] [--disk FILE] [--floppy FILE] [--volume FILE]\n"
        "                    [--cdrom FILE] [--no-system-devices] [--quiet] COMMAND [ARGS]\n"
        "commands:\n"
        "  devices             the device list\n"
        "  driveinfo DEVICE    the geometry of a device\n");
}

/// Hands the options' switches to the sector-access code and the cache.
void ApplyOptions() {
    const diskio::TOptions& options = diskio::Options();
    diskio::SetINT13Enabled(options.UseINT13);
    diskio::SetINT13ExtEnabled(options.UseINT13EXT);
    diskio::SetINT25Enabled(options.UseINT25);
    devices::SetReadAheadEnabled(options.EnableCache);
}

using TCommand = std::function<int(cli::TCliContext&, const std::vector<std::string>&)>;

const std::map<std::string, TCommand>& Commands() {
    static const std::map<std::string, TCommand> commands{
        {"devices", cli::CommandDevices},
        {"driveinfo", cli::CommandDriveInfo},
    };
    return commands;
}

int Run(std::vector<std::string> args) {
    std::string error;
    if (!platform::ConsumeDeviceOptions(args, error)) {
        std::fprintf(stderr, "tarnwell-cli: %s\n", error.c_str());
        return cli::ExitUsage;
    }
    cli::TCliContext context;
    std::vector<std::string> rest;
    for (const std::string& arg : args) {
        if (arg == "--quiet") {
            context.Quiet = true;
        } else {
            rest.push_back(arg);
        }
    }
    if (rest.empty()) {
        PrintUsage();
        return cli::ExitUsage;
    }
    auto command = Commands().find(rest.front());
    if (command == Commands().end()) {
        std::fprintf(stderr, "tarnwell-cli: unknown command '%s'\n", rest.front().c_str());
        PrintUsage();
        return cli::ExitUsage;
    }
    diskio::StartSectorAccess();
    ApplyOptions();
    const int status =
        command->second(context, std::vector<std::string>(rest.begin() + 1, rest.end()));
    context.DeviceList.Clear();
    diskio::EndSectorAccess();
    return status;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tarnwell-cli: %s\n", e.what());
        return cli::ExitFailed;
    }
}
