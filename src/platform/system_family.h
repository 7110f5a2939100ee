#pragma once

#include <cstdint>
#include <string>

namespace tw::platform {

/// Which family of the original system the sector-access code runs as. The program runs
/// as the NT family; the 9x releases are emulated in-process for tests and comparison.
enum class TSystemFamily : uint8_t { sfNT, sf95, sf95OSR2, sf98, sfME };

/// OSVERSIONINFOA as the version query fills it.
struct TOsVersionInfo {
    uint32_t MajorVersion = 0;
    uint32_t MinorVersion = 0;
    uint32_t BuildNumber = 0;
    uint32_t PlatformId = 0;
    std::string CSDVersion;
};

constexpr uint32_t VerPlatformWin32Windows = 1;
constexpr uint32_t VerPlatformWin32NT = 2;

/// The family from TARNWELL_SYSTEM_FAMILY ("9x", "95", "95osr2", "98", "me"; anything else
/// or unset means NT), unless a test has set one.
TSystemFamily SystemFamily();
void SetSystemFamily(TSystemFamily family);
/// Parses a TARNWELL_SYSTEM_FAMILY value.
TSystemFamily ParseSystemFamily(const std::string& text);

/// GetVersionExA for the selected family; the structure size field is not modelled.
bool GetVersionExA(TOsVersionInfo& info);

} // namespace tw::platform
