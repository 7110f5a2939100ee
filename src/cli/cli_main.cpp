#include "cli/cli_context.h"
#include "cli/terminal_ports.h"
#include "diskio/logical_disk_io.h"
#include "fat/session.h"
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
        "usage: tarnwell-cli [DEVICE OPTIONS] [--quiet] [--fat-in-use N] [--skip-bad-clusters]\n"
        "                    COMMAND [ARGS]\n"
        "device options: --image FILE, --disk FILE, --floppy FILE, --volume FILE, --cdrom FILE,\n"
        "                --no-system-devices\n"
        "commands:\n"
        "  devices                        the device list\n"
        "  driveinfo DEVICE               the geometry of a device\n"
        "  drives                         the drive list\n"
        "  ls DRIVE [PATH] [-r] [--json]  a folder's items (PATH like Root\\DOCS or Deleted)\n"
        "  cat DRIVE PATH [--fat N]       a file's bytes to standard output\n"
        "  hexdump DRIVE PATH [--fat N]   a file as hex lines\n"
        "  save DRIVE PATH... --to DIR [--fat N] [--existing ask|replace|skip]\n");
}

using TCommand = std::function<int(cli::TCliContext&, const std::vector<std::string>&)>;

const std::map<std::string, TCommand>& Commands() {
    static const std::map<std::string, TCommand> commands{
        {"devices", cli::CommandDevices}, {"driveinfo", cli::CommandDriveInfo},
        {"drives", cli::CommandDrives},   {"ls", cli::CommandLs},
        {"cat", cli::CommandCat},         {"hexdump", cli::CommandHexdump},
        {"save", cli::CommandSave},
    };
    return commands;
}

int Run(std::vector<std::string> args) {
    std::string error;
    if (!platform::ConsumeDeviceOptions(args, error)) {
        cli::Fail(error);
        return cli::ExitUsage;
    }
    cli::TCliContext context;
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!rest.empty()) {
            rest.push_back(arg); // options after the command belong to it
        } else if (arg == "--quiet") {
            context.Quiet = true;
        } else if (arg == "--skip-bad-clusters") {
            context.SkipBadClusters = true;
        } else if (arg == "--fat-in-use" && i + 1 < args.size()) {
            const int n = std::atoi(args[++i].c_str());
            if (n < 0 || n > 255) {
                cli::Fail("--fat-in-use takes 0 to 255");
                return cli::ExitUsage;
            }
            context.FatInUse = static_cast<uint8_t>(n);
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
        cli::Fail("unknown command '" + rest.front() + "'");
        PrintUsage();
        return cli::ExitUsage;
    }
    cli::InstallInterruptHandler();
    cli::TTerminalPrompter prompter(cli::TExistingPolicy::epSkip, context.Quiet);
    platform::SetPrompter(&prompter);
    diskio::StartSectorAccess();
    fat::ApplyAccessOptions();
    const int status =
        command->second(context, std::vector<std::string>(rest.begin() + 1, rest.end()));
    context.Session.DriveList.Clear();
    context.Session.DeviceList.Clear();
    diskio::EndSectorAccess();
    platform::SetPrompter(nullptr);
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
