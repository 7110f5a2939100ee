#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tw::platform::w9x {

/// The 9x-family services, emulated in-process over the device table: the system device
/// VWIN32 (services 1, 2, 4 and 6) and the two driver files INT13EXT.VXD (services 2, 4)
/// and INT2F.VXD (services 1, 2). Packets and register blocks are byte-exact; their 32-bit
/// address fields carry tokens from TBufferToken, which the emulation maps back to buffers.
using THandle = int;
constexpr THandle InvalidHandleValue = -1;

constexpr uint32_t FileFlagDeleteOnClose = 0x04000000u;

constexpr uint32_t Vwin32DiocDosIoctl = 1;
constexpr uint32_t Vwin32DiocDosInt25 = 2;
constexpr uint32_t Vwin32DiocDosInt13 = 4;
constexpr uint32_t Vwin32DiocDosDriveInfo = 6;

/// The register block of the VWIN32 calls (28 bytes, in this order).
struct TDiocRegisters {
    uint32_t EBX = 0;
    uint32_t EDX = 0;
    uint32_t ECX = 0;
    uint32_t EAX = 0;
    uint32_t EDI = 0;
    uint32_t ESI = 0;
    uint32_t Flags = 0;
};
static_assert(sizeof(TDiocRegisters) == 28);
constexpr uint32_t CarryFlag = 1;

/// Lends a buffer a 32-bit address for the lifetime of the token.
class TBufferToken {
public:
    explicit TBufferToken(std::span<std::byte> buffer);
    ~TBufferToken();
    TBufferToken(const TBufferToken&) = delete;
    TBufferToken& operator=(const TBufferToken&) = delete;
    [[nodiscard]] uint32_t Address() const { return m_Address; }

private:
    uint32_t m_Address;
};

/// CreateFileA on `\\.\vwin32`, `\\.\INT13EXT.VXD` or `\\.\INT2F.VXD`.
THandle CreateFileA(const std::string& path, uint32_t access, uint32_t share, uint32_t disposition,
                    uint32_t flags);
bool CloseHandle(THandle handle);
/// Unloads a dynamically loaded driver (`\\.\INT13EXT`).
bool DeleteFileA(const std::string& path);
/// DeviceIoControl on a VWIN32 or driver handle. Nonzero (true) on success.
bool DeviceIoControl(THandle handle, uint32_t code, void* in, uint32_t inSize, void* out,
                     uint32_t outSize, uint32_t* bytesReturned);

/// Makes the named driver ("INT13EXT.VXD", "INT2F.VXD" or "VWIN32") fail to load.
/// TARNWELL_FAIL_DRIVERS="INT13EXT.VXD,INT2F.VXD" does the same from the environment.
void SetDriverLoadFails(const std::string& name, bool fails);
/// Number of driver-service calls made so far (tests count per-sector calls).
uint64_t ServiceCallCount();

} // namespace tw::platform::w9x
