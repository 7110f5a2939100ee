#include "cli/cli_context.h"
#include "cli/terminal_ports.h"
#include "devices/device.h"
#include "diskio/options.h"
#include "diskio/range_model.h"
#include "diskio/status_dialog.h"
#include "fat/fat_analyser.h"
#include "fat/fat_drive.h"
#include "fat/lost_data_search.h"
#include "fat/name_search.h"

#include <cstdio>
#include <cstdlib>

namespace tw::cli {

namespace {

bool ParseNumber(const std::string& text, uint32_t& value) {
    char* end = nullptr;
    const unsigned long long n = std::strtoull(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || n > 0xFFFFFFFFull || text[0] == '-') {
        Fail("'" + text + "' is not a number from 0 to 4294967295");
        return false;
    }
    value = static_cast<uint32_t>(n);
    return true;
}

/// The cluster range "dialog" of the command line: the range from the arguments.
class TFixedClusterRange final : public fat::TClusterDialog {
public:
    std::optional<uint32_t> Start;
    std::optional<uint32_t> End;
    bool Execute() override {
        StartCluster = Start.value_or(StartCluster);
        EndCluster = End.value_or(EndCluster);
        return true;
    }
};

/// The find "dialog" of the command line: started at once with the given text.
class TImmediateFind final : public fat::TFindDialog {
public:
    explicit TImmediateFind(std::string text) : m_Text(std::move(text)) {}
    bool Execute() override {
        Started = true;
        Stopped = false;
        Pattern = fat::BuildFindPattern(m_Text);
        return true;
    }
    void SetScanning(const std::string&) override {}
    void AddHit(const std::string&) override {}
    void PumpMessages() override { Stopped = Stopped || InterruptRequested(); }

private:
    std::string m_Text;
};

} // namespace

int CommandLostData(TCliContext& context, const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;
    if (!SplitOptions(args, {"--start", "--end"}, {"--no-files"}, positional, options) ||
        positional.size() != 1) {
        Fail("usage: lost-data DRIVE [--start C] [--end C] [--no-files]");
        return ExitUsage;
    }
    TFixedClusterRange range;
    bool findFiles = true;
    for (const auto& [name, value] : options) {
        uint32_t n = 0;
        if (name == "--no-files") {
            findFiles = false;
        } else if (!ParseNumber(value, n)) {
            return ExitUsage;
        } else {
            (name == "--start" ? range.Start : range.End) = n;
        }
    }
    fat::TFATdrive* drive = nullptr;
    if (!ParseDrive(context, positional[0], drive)) {
        return ExitFailed;
    }
    const bool savedOption = diskio::Options().FindLostFiles;
    diskio::Options().FindLostFiles = findFiles;
    TTerminalProgress view(context.Quiet);
    diskio::TStatusDialog dialog(&view);
    view.Dialog = &dialog;
    fat::FindLostData(*drive, dialog, range, {});
    diskio::Options().FindLostFiles = savedOption;
    if (dialog.Cancelled) {
        Fail("the search was cancelled; what it found so far is kept");
    }
    return CommandLs(context, {positional[0], "Lost", "-r"});
}

int CommandLostDrives(TCliContext& context, const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;
    if (!SplitOptions(args, {"--start", "--end"}, {}, positional, options) ||
        positional.size() != 1) {
        Fail("usage: lost-drives DEVICE [--start S] [--end S]");
        return ExitUsage;
    }
    devices::TDevice* device = nullptr;
    if (!ParseDeviceIndex(context, positional[0], device)) {
        return ExitFailed;
    }
    uint32_t first = 0;
    uint32_t last = device->TotalSectors == 0 ? 0 : device->TotalSectors - 1;
    for (const auto& [name, value] : options) {
        if (!ParseNumber(value, name == "--start" ? first : last)) {
            return ExitUsage;
        }
    }
    TTerminalProgress view(context.Quiet);
    diskio::TStatusDialog dialog(&view);
    view.Dialog = &dialog;
    const uint32_t found =
        fat::FindLostDrives(*device, first, last, context.Session.DriveList, dialog);
    if (!context.Quiet) {
        std::fprintf(stderr, "lost drives found: %u\n", found);
    }
    return CommandDrives(context, {});
}

int CommandFind(TCliContext& context, const std::vector<std::string>& args) {
    if (args.size() != 2) {
        Fail("usage: find DRIVE TEXT");
        return ExitUsage;
    }
    fat::TFATdrive* drive = nullptr;
    if (!ParseDrive(context, args[0], drive)) {
        return ExitFailed;
    }
    TImmediateFind dialog(args[1]);
    fat::FindByName(*drive, dialog);
    return CommandLs(context, {args[0], "Searched"});
}

} // namespace tw::cli
