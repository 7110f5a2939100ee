#pragma once

#include <cstdint>

namespace tw::platform {

/// Milliseconds since boot in 32 bits, wrapping after about 49.7 days like the system's
/// tick count. Tests replace the clock.
class TClock {
public:
    virtual ~TClock() = default;
    [[nodiscard]] virtual uint32_t TickCount() = 0;
};

/// The current clock's reading.
uint32_t GetTickCount();
/// Installs a clock (null restores the system clock). The caller keeps ownership.
void SetClock(TClock* clock);

/// A clock that only moves when told to (tests).
class TManualClock final : public TClock {
public:
    explicit TManualClock(uint32_t start = 0) : m_Now(start) {}
    uint32_t TickCount() override { return m_Now; }
    void Advance(uint32_t ms) { m_Now += ms; }
    void Set(uint32_t now) { m_Now = now; }

private:
    uint32_t m_Now;
};

} // namespace tw::platform
