#include "cli/cli_context.h"
#include "devices/device.h"
#include "diskio/shared_helpers.h"
#include "fat/fat_directory.h"
#include "fat/fat_drive.h"
#include "fat/fat_stream.h"
#include "fat/list_order.h"

#include <cstdio>
#include <vector>

namespace tw::cli {

namespace {

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

/// Control characters in a name are shown as "?" on a terminal.
std::string Printable(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = '?';
        }
    }
    return out;
}

const char* StatusText(const devices::TCustomItem& item) {
    if (item.Status == devices::StatusLost) {
        return "lost";
    }
    return item.IsDeleted() ? "deleted" : "live";
}

struct TLsOptions {
    bool Recursive = false;
    bool Json = false;
};

void PrintRow(const devices::TListItem& row, const std::string& path, const TLsOptions& options) {
    const devices::TCustomItem& item = *row.Data;
    if (options.Json) {
        std::printf("{\"path\":%s,\"name\":%s,\"kind\":\"%s\",\"status\":\"%s\",\"condition\":%s,"
                    "\"size\":%s,\"date\":%s,\"cluster\":%s,\"type\":%s}\n",
                    JsonString(path).c_str(), JsonString(row.Caption).c_str(),
                    item.IsDirectory() ? "folder" : "file", StatusText(item),
                    JsonString(row.SubItems[3]).c_str(),
                    row.SubItems[0].empty() ? "null" : row.SubItems[0].c_str(),
                    JsonString(row.SubItems[1]).c_str(), row.SubItems[2].c_str(),
                    JsonString(row.SubItems[4]).c_str());
        return;
    }
    // Long listings print many rows: the line is put together by hand rather than by printf.
    auto pad = [](std::string& line, const std::string& text, size_t width, bool right) {
        const size_t fill = text.size() < width ? width - text.size() : 0;
        if (right) {
            line.append(fill, ' ');
        }
        line += text;
        if (!right) {
            line.append(fill, ' ');
        }
    };
    std::string line;
    line.reserve(160);
    pad(line, Printable(options.Recursive ? path : row.Caption), 40, false);
    line += ' ';
    pad(line, row.SubItems[0], 10, true);
    line += "  ";
    pad(line, row.SubItems[1], 16, false);
    line += ' ';
    pad(line, row.SubItems[2], 9, true);
    line += "  ";
    pad(line, row.SubItems[3], 9, false);
    line += ' ';
    line += row.SubItems[4];
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
}

void ListFolder(fat::TFATDirectory& folder, const std::string& path, bool deletedMode,
                const TLsOptions& options) {
    devices::TListView list;
    folder.FillList(list, deletedMode);
    for (const devices::TListItem& row : list.Items) {
        const std::string childPath = path + "\\" + row.Caption;
        PrintRow(row, childPath, options);
        if (options.Recursive && row.Data->IsDirectory()) {
            ListFolder(static_cast<fat::TFATDirectory&>(*row.Data), childPath, deletedMode,
                       options);
            // A walk over a whole volume keeps no more than the current branch in memory.
            static_cast<fat::TFATDirectory&>(*row.Data).UnloadChildren();
        }
    }
}

/// Resolves DRIVE PATH for the commands that read one file.
bool ResolveFile(TCliContext& context, const std::vector<std::string>& positional,
                 fat::TFATdrive*& drive, fat::TFATFile*& file, bool& deletedMode) {
    if (!ParseDrive(context, positional[0], drive)) {
        return false;
    }
    devices::TCustomItem* item = fat::FindItemByPath(*drive, positional[1], deletedMode);
    if (!item || item->IsDirectory()) {
        Fail("no file '" + positional[1] + "' on drive " + positional[0]);
        return false;
    }
    file = static_cast<fat::TFATFile*>(item);
    return true;
}

/// The FAT choice: --fat N, else what the window preselects (none under "Deleted").
bool FatChoiceOf(const std::vector<std::pair<std::string, std::string>>& options,
                 const fat::TFATdrive& drive, bool deletedMode, uint8_t& choice) {
    choice = deletedMode ? 0 : drive.FATInUse;
    for (const auto& [name, value] : options) {
        if (name == "--fat") {
            char* end = nullptr;
            const long n = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || n < 0 || n > drive.NumberOfFATs()) {
                Fail("--fat takes 0 (no FAT, consecutive clusters) to " +
                     std::to_string(drive.NumberOfFATs()));
                return false;
            }
            choice = static_cast<uint8_t>(n);
        }
    }
    return true;
}

/// DRIVE PATH [--fat N] of the commands that read one file.
bool OpenFileArguments(TCliContext& context, const std::vector<std::string>& args,
                       const char* usage, fat::TFATdrive*& drive, fat::TFATFile*& file,
                       uint8_t& choice, int& status) {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;
    if (!SplitOptions(args, {"--fat"}, {}, positional, options) || positional.size() != 2) {
        Fail(usage);
        status = ExitUsage;
        return false;
    }
    bool deletedMode = false;
    if (!ResolveFile(context, positional, drive, file, deletedMode) ||
        !FatChoiceOf(options, *drive, deletedMode, choice)) {
        status = ExitFailed;
        return false;
    }
    return true;
}

} // namespace

int CommandDrives(TCliContext& context, const std::vector<std::string>& args) {
    if (!args.empty()) {
        Fail("usage: drives");
        return ExitUsage;
    }
    EnsureDetected(context);
    std::printf("%-3s %-48s %-6s %12s %12s\n", "#", "Drive", "FAT", "Start", "Sectors");
    const devices::TDriveList& drives = context.Session.DriveList;
    for (int i = 0; i < drives.Count(); ++i) {
        const auto& drive = static_cast<const fat::TFATdrive&>(*drives.Items(i));
        std::printf("%-3d %-48s %-6s %12u %12u\n", i, context.Session.DriveText(i).c_str(),
                    fat::FatTypeText(drive.FATType).c_str(), drive.VolumeStart,
                    drive.VolumeSectors);
    }
    return ExitDone;
}

int CommandLs(TCliContext& context, const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;
    if (!SplitOptions(args, {}, {"-r", "--json"}, positional, options) || positional.empty() ||
        positional.size() > 2) {
        Fail("usage: ls DRIVE [PATH] [-r] [--json]");
        return ExitUsage;
    }
    TLsOptions ls;
    for (const auto& option : options) {
        ls.Recursive = ls.Recursive || option.first == "-r";
        ls.Json = ls.Json || option.first == "--json";
    }
    fat::TFATdrive* drive = nullptr;
    if (!ParseDrive(context, positional[0], drive)) {
        return ExitFailed;
    }
    const std::string path = positional.size() > 1 ? positional[1] : "Root";
    bool deletedMode = false;
    devices::TCustomItem* item = fat::FindItemByPath(*drive, path, deletedMode);
    if (!item) {
        Fail("no folder '" + path + "' on drive " + positional[0]);
        return ExitFailed;
    }
    std::string base = path;
    while (!base.empty() && base.back() == '\\') {
        base.pop_back();
    }
    if (!item->IsDirectory()) {
        devices::TListItem row = fat::MakeListItem(*item);
        PrintRow(row, base, ls);
        return ExitDone;
    }
    if (!ls.Json) {
        std::printf("%-40s %10s  %-16s %9s  %-9s %s\n", "Name", "Size", "Date modified", "Cluster",
                    "Condition", "Type");
    }
    ListFolder(static_cast<fat::TFATDirectory&>(*item), base, deletedMode, ls);
    return ExitDone;
}

int CommandCat(TCliContext& context, const std::vector<std::string>& args) {
    fat::TFATdrive* drive = nullptr;
    fat::TFATFile* file = nullptr;
    uint8_t choice = 0;
    int status = ExitDone;
    if (!OpenFileArguments(context, args, "usage: cat DRIVE PATH [--fat N]", drive, file, choice,
                           status)) {
        return status;
    }
    fat::TFATFileReader reader;
    drive->InitReader(reader, file->FirstCluster, file->Size);
    std::vector<std::byte> buffer(65536);
    uint32_t got = 0;
    do {
        if (!drive->ReadFile(reader, static_cast<uint32_t>(buffer.size()), got, choice,
                             buffer.data())) {
            Fail("could not read '" + args[1] + "'");
            return ExitFailed;
        }
        if (got > 0 && std::fwrite(buffer.data(), 1, got, stdout) != got) {
            Fail("could not write to standard output");
            return ExitFailed;
        }
    } while (got > 0);
    return ExitDone;
}

int CommandHexdump(TCliContext& context, const std::vector<std::string>& args) {
    fat::TFATdrive* drive = nullptr;
    fat::TFATFile* file = nullptr;
    uint8_t choice = 0;
    int status = ExitDone;
    if (!OpenFileArguments(context, args, "usage: hexdump DRIVE PATH [--fat N]", drive, file,
                           choice, status)) {
        return status;
    }
    fat::TFATStream stream(*drive, file->FirstCluster, file->Size, choice);
    std::vector<std::byte> block(2048);
    for (uint64_t offset = 0; offset < file->Size; offset += block.size()) {
        std::fill(block.begin(), block.end(), std::byte{0});
        stream.Seek(static_cast<int64_t>(offset), 0);
        stream.Read(block.data(), static_cast<uint32_t>(block.size()));
        const uint64_t inBlock = std::min<uint64_t>(block.size(), file->Size - offset);
        for (uint64_t line = 0; line < inBlock; line += 16) {
            const uint64_t n = std::min<uint64_t>(16, inBlock - line);
            std::printf("%8llXh:", static_cast<unsigned long long>(offset + line));
            for (uint64_t i = 0; i < 16; ++i) {
                if (i < n) {
                    std::printf(" %02X", std::to_integer<unsigned>(block[line + i]));
                } else {
                    std::printf("   ");
                }
            }
            std::printf("  ");
            for (uint64_t i = 0; i < n; ++i) {
                const unsigned c = std::to_integer<unsigned>(block[line + i]);
                std::putchar(c >= 0x20 && c < 0x7F ? static_cast<int>(c) : '.');
            }
            std::putchar('\n');
        }
    }
    return ExitDone;
}

} // namespace tw::cli
