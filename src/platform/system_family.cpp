#include "platform/system_family.h"

#include <cstdlib>
#include <optional>

namespace tw::platform {

namespace {
std::optional<TSystemFamily> g_Family;
}

TSystemFamily ParseSystemFamily(const std::string& text) {
    if (text == "9x" || text == "98") {
        return TSystemFamily::sf98;
    }
    if (text == "95") {
        return TSystemFamily::sf95;
    }
    if (text == "95osr2") {
        return TSystemFamily::sf95OSR2;
    }
    if (text == "me") {
        return TSystemFamily::sfME;
    }
    return TSystemFamily::sfNT;
}

TSystemFamily SystemFamily() {
    if (!g_Family) {
        const char* env = std::getenv("TARNWELL_SYSTEM_FAMILY");
        g_Family = ParseSystemFamily(env ? env : "");
    }
    return *g_Family;
}

void SetSystemFamily(TSystemFamily family) {
    g_Family = family;
}

bool GetVersionExA(TOsVersionInfo& info) {
    info = TOsVersionInfo{};
    switch (SystemFamily()) {
    case TSystemFamily::sfNT:
        info = {5, 1, 2600, VerPlatformWin32NT, "Service Pack 3"};
        break;
    case TSystemFamily::sf95:
        info = {4, 0, 950, VerPlatformWin32Windows, ""};
        break;
    case TSystemFamily::sf95OSR2:
        info = {4, 0, 1111, VerPlatformWin32Windows, " B "};
        break;
    case TSystemFamily::sf98:
        info = {4, 10, 2222, VerPlatformWin32Windows, " A "};
        break;
    case TSystemFamily::sfME:
        info = {4, 90, 3000, VerPlatformWin32Windows, " "};
        break;
    }
    return true;
}

} // namespace tw::platform
