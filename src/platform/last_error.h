#pragma once

#include <cstdint>

namespace tw::platform {
/// The per-thread last error shared by the stand-ins of both system families.
void SetLastErrorCode(uint32_t code);
uint32_t LastErrorCode();
} // namespace tw::platform
