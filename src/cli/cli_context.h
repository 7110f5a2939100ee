#pragma once

#include "devices/device_list.h"

#include <cstdio>
#include <string>
#include <vector>

namespace tw::cli {

/// Exit statuses of the command-line front end.
constexpr int ExitDone = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

/// What one run of the command-line front end holds between commands.
struct TCliContext {
    devices::TDeviceList DeviceList;
    bool DevicesDetected = false;
    bool Quiet = false;
};

/// Detects the devices once per run.
void EnsureDevices(TCliContext& context);
/// Parses a device index; prints a message and returns false when there is no such device.
bool ParseDeviceIndex(TCliContext& context, const std::string& text, devices::TDevice*& device);

int CommandDevices(TCliContext& context, const std::vector<std::string>& args);
int CommandDriveInfo(TCliContext& context, const std::vector<std::string>& args);

} // namespace tw::cli
