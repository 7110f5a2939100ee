#pragma once

#include "fat/session.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace tw::fat {
class TFATdrive;
}

namespace tw::cli {

/// Exit statuses of the command-line front end.
constexpr int ExitDone = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

/// What one run of the command-line front end holds between commands.
struct TCliContext {
    fat::TRecoverySession Session;
    bool Detected = false;
    bool Quiet = false;
    /// --fat-in-use N: the FAT choice every opened drive follows.
    std::optional<uint8_t> FatInUse;
    bool SkipBadClusters = false;
};

/// Detects devices and drives once per run.
void EnsureDetected(TCliContext& context);
/// Parses a device index; prints a message and returns false when there is no such device.
bool ParseDeviceIndex(TCliContext& context, const std::string& text, devices::TDevice*& device);
/// Parses a drive index and refuses a drive whose boot sector could not be read.
bool ParseDrive(TCliContext& context, const std::string& text, fat::TFATdrive*& drive);
/// Splits "--name value" options from the positional arguments. Returns false (after a
/// usage message) on an unknown option.
bool SplitOptions(const std::vector<std::string>& args, const std::vector<std::string>& valued,
                  const std::vector<std::string>& flags, std::vector<std::string>& positional,
                  std::vector<std::pair<std::string, std::string>>& options);
/// Prints an error line on standard error.
void Fail(const std::string& message);

int CommandDevices(TCliContext& context, const std::vector<std::string>& args);
int CommandDriveInfo(TCliContext& context, const std::vector<std::string>& args);
int CommandDrives(TCliContext& context, const std::vector<std::string>& args);
int CommandLs(TCliContext& context, const std::vector<std::string>& args);
int CommandCat(TCliContext& context, const std::vector<std::string>& args);
int CommandHexdump(TCliContext& context, const std::vector<std::string>& args);
int CommandSave(TCliContext& context, const std::vector<std::string>& args);
int CommandLostData(TCliContext& context, const std::vector<std::string>& args);
int CommandLostDrives(TCliContext& context, const std::vector<std::string>& args);
int CommandFind(TCliContext& context, const std::vector<std::string>& args);
/// Runs one command line of a batch in the same context.
int RunCommand(TCliContext& context, const std::vector<std::string>& words);
/// Splits a batch line into words: blanks separate, single or double quotes group;
/// backslashes are ordinary characters (they separate the parts of item paths).
bool SplitBatchLine(const std::string& line, std::vector<std::string>& words);

} // namespace tw::cli
