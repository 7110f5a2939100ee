#include "cli/cli_context.h"
#include "cli/terminal_ports.h"
#include "fat/fat_drive.h"
#include "fat/list_order.h"
#include "fat/saving.h"
#include "platform/output_files.h"

#include <cstdio>

namespace tw::cli {

int CommandSave(TCliContext& context, const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;
    if (!SplitOptions(args, {"--to", "--fat", "--existing"}, {}, positional, options) ||
        positional.size() < 2) {
        Fail("usage: save DRIVE PATH... --to DIR [--fat N] [--existing ask|replace|skip]");
        return ExitUsage;
    }
    std::string folder;
    std::optional<int> fatChoice;
    TExistingPolicy policy = TExistingPolicy::epAsk;
    for (const auto& [name, value] : options) {
        if (name == "--to") {
            folder = value;
        } else if (name == "--fat") {
            char* end = nullptr;
            const long n = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || n < 0 || n > 255) {
                Fail("--fat takes 0 (no FAT, consecutive clusters) or a FAT copy number");
                return ExitUsage;
            }
            fatChoice = static_cast<int>(n);
        } else if (name == "--existing") {
            if (value == "ask") {
                policy = TExistingPolicy::epAsk;
            } else if (value == "replace") {
                policy = TExistingPolicy::epReplace;
            } else if (value == "skip") {
                policy = TExistingPolicy::epSkip;
            } else {
                Fail("--existing takes ask, replace or skip");
                return ExitUsage;
            }
        }
    }
    if (folder.empty()) {
        Fail("save needs --to DIR");
        return ExitUsage;
    }
    if (platform::PathKind(folder) != platform::TPathKind::pkDirectory) {
        Fail("'" + folder + "' is not a folder");
        return ExitFailed;
    }
    fat::TFATdrive* drive = nullptr;
    if (!ParseDrive(context, positional[0], drive)) {
        return ExitFailed;
    }
    // The rows to save, as if selected in the list; they must lie under one category mode.
    devices::TListView list;
    std::optional<bool> deletedMode;
    for (size_t i = 1; i < positional.size(); ++i) {
        bool underDeleted = false;
        devices::TCustomItem* item = fat::FindItemByPath(*drive, positional[i], underDeleted);
        if (!item) {
            Fail("no item '" + positional[i] + "' on drive " + positional[0]);
            return ExitFailed;
        }
        if (deletedMode && *deletedMode != underDeleted) {
            Fail("items under \"Deleted\" and elsewhere are saved by separate commands");
            return ExitUsage;
        }
        deletedMode = underDeleted;
        list.Items.push_back(fat::MakeListItem(*item));
        list.Items.back().Selected = true;
    }
    if (fatChoice && *fatChoice > drive->NumberOfFATs()) {
        Fail("--fat takes 0 to " + std::to_string(drive->NumberOfFATs()) + " on this drive");
        return ExitUsage;
    }

    platform::TPrompter* previous = &platform::Prompter();
    TTerminalPrompter prompter(policy, context.Quiet);
    platform::SetPrompter(&prompter);
    TTerminalProgress view(context.Quiet);
    diskio::TStatusDialog dialog(&view);
    view.Dialog = &dialog;
    TFixedDestination destination(folder, fatChoice);
    fat::TSaveEnvironment environment{dialog, destination, {}};
    const fat::TSaveReport report = fat::SaveItems(*drive, list, *deletedMode, environment);
    platform::SetPrompter(previous);

    for (const std::string& path : report.SavedPaths) {
        std::printf("saved %s\n", path.c_str());
    }
    std::printf("%llu files, %llu bytes saved to %s\n",
                static_cast<unsigned long long>(report.FilesSaved),
                static_cast<unsigned long long>(report.BytesSaved), folder.c_str());
    if (dialog.Cancelled) {
        Fail("saving was cancelled");
        return ExitFailed;
    }
    return ExitDone;
}

} // namespace tw::cli
