#include "cli/cli_context.h"
#include "cli/terminal_ports.h"
#include "diskio/logical_disk_io.h"
#include "fat/session.h"
#include "platform/device_table.h"

#include <cstdio>
#include <exception>
#include <functional>
#include <iostream>
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
        "  save DRIVE PATH... --to DIR [--fat N] [--existing ask|replace|skip]\n"
        "  lost-data DRIVE [--start C] [--end C] [--no-files]\n"
        "                                 the lost-data search, then the Lost tree\n"
        "  lost-drives DEVICE [--start S] [--end S]\n"
        "                                 the lost-drive search, then the drive list\n"
        "  find DRIVE TEXT                the name search, then the Searched items\n"
        "  batch                          commands from standard input, one a line\n");
}

using TCommand = std::function<int(cli::TCliContext&, const std::vector<std::string>&)>;

const std::map<std::string, TCommand>& Commands() {
    static const std::map<std::string, TCommand> commands{
        {"devices", cli::CommandDevices},
        {"driveinfo", cli::CommandDriveInfo},
        {"drives", cli::CommandDrives},
        {"ls", cli::CommandLs},
        {"cat", cli::CommandCat},
        {"hexdump", cli::CommandHexdump},
        {"save", cli::CommandSave},
        {"lost-data", cli::CommandLostData},
        {"lost-drives", cli::CommandLostDrives},
        {"find", cli::CommandFind},
    };
    return commands;
}

/// Reads commands from standard input and runs them in one context, so that later lines
/// see what earlier searches found. The status is the last failing command's, else 0.
int RunBatch(cli::TCliContext& context) {
    int status = cli::ExitDone;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::vector<std::string> words;
        if (!cli::SplitBatchLine(line, words)) {
            cli::Fail("batch: unbalanced quotes in '" + line + "'");
            status = cli::ExitUsage;
            continue;
        }
        if (words.empty() || words[0][0] == '#') {
            continue;
        }
        if (words[0] == "batch") {
            cli::Fail("batch: batches do not nest");
            status = cli::ExitUsage;
            continue;
        }
        const int result = cli::RunCommand(context, words);
        std::fflush(stdout);
        if (result != cli::ExitDone) {
            status = result;
        }
    }
    return status;
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
    if (rest.front() != "batch" && Commands().find(rest.front()) == Commands().end()) {
        cli::Fail("unknown command '" + rest.front() + "'");
        PrintUsage();
        return cli::ExitUsage;
    }
    cli::InstallInterruptHandler();
    cli::TTerminalPrompter prompter(cli::TExistingPolicy::epSkip, context.Quiet);
    platform::SetPrompter(&prompter);
    diskio::StartSectorAccess();
    fat::ApplyAccessOptions();
    const int status = rest.front() == "batch" ? RunBatch(context) : cli::RunCommand(context, rest);
    context.Session.DriveList.Clear();
    context.Session.DeviceList.Clear();
    diskio::EndSectorAccess();
    platform::SetPrompter(nullptr);
    return status;
}

} // namespace

namespace tw::cli {

int RunCommand(TCliContext& context, const std::vector<std::string>& words) {
    auto command = Commands().find(words.front());
    if (command == Commands().end()) {
        Fail("unknown command '" + words.front() + "'");
        return ExitUsage;
    }
    return command->second(context, std::vector<std::string>(words.begin() + 1, words.end()));
}

bool SplitBatchLine(const std::string& line, std::vector<std::string>& words) {
    std::string word;
    bool inWord = false;
    char quote = 0;
    for (char c : line) {
        if (quote != 0) {
            if (c == quote) {
                quote = 0;
            } else {
                word += c;
            }
        } else if (c == '\'' || c == '"') {
            quote = c;
            inWord = true;
        } else if (c == ' ' || c == '\t' || c == '\r') {
            if (inWord) {
                words.push_back(word);
                word.clear();
                inWord = false;
            }
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) {
        words.push_back(word);
    }
    return quote == 0;
}

} // namespace tw::cli

int main(int argc, char** argv) {
    static char outputBuffer[1 << 16];
    std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);
    try {
        return Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tarnwell-cli: %s\n", e.what());
        return cli::ExitFailed;
    }
}
