#include "platform/clock.h"

#include <ctime>

namespace tw::platform {

namespace {
class TBootClock final : public TClock {
public:
    uint32_t TickCount() override {
        timespec ts{};
        ::clock_gettime(CLOCK_BOOTTIME, &ts);
        const uint64_t ms =
            static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
        return static_cast<uint32_t>(ms);
    }
};

TBootClock g_BootClock;
TClock* g_Clock = &g_BootClock;
} // namespace

uint32_t GetTickCount() {
    return g_Clock->TickCount();
}

void SetClock(TClock* clock) {
    g_Clock = clock ? clock : &g_BootClock;
}

} // namespace tw::platform
