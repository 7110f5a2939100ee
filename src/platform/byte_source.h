#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tw::platform {

/// Windows-style error codes reported by the stand-ins (the values GetLastError would give).
namespace ErrorCode {
constexpr uint32_t Success = 0;
constexpr uint32_t FileNotFound = 2;
constexpr uint32_t AccessDenied = 5;
constexpr uint32_t InvalidHandle = 6;
constexpr uint32_t NotReady = 21;
constexpr uint32_t Crc = 23;
constexpr uint32_t SectorNotFound = 27;
constexpr uint32_t ReadFault = 30;
constexpr uint32_t HandleEof = 38;
constexpr uint32_t InvalidParameter = 87;
constexpr uint32_t InvalidFunction = 1;
} // namespace ErrorCode

/// Random-access, read-only bytes behind one device: an image file, a block device, or
/// memory. There is deliberately no write operation.
class TByteSource {
public:
    virtual ~TByteSource() = default;
    [[nodiscard]] virtual uint64_t SizeBytes() const = 0;
    /// Reads exactly out.size() bytes at offset. Returns ErrorCode::Success or the reason;
    /// a read that reaches past the end fails with ErrorCode::SectorNotFound and may have
    /// filled part of out.
    [[nodiscard]] virtual uint32_t ReadAt(uint64_t offset, std::span<std::byte> out) = 0;
};

/// A file or block device opened O_RDONLY | O_CLOEXEC.
class TFileSource final : public TByteSource {
public:
    /// Opens path read-only; on failure returns null and sets error to the reason.
    static std::unique_ptr<TFileSource> Open(const std::string& path, uint32_t& error);
    ~TFileSource() override;
    TFileSource(const TFileSource&) = delete;
    TFileSource& operator=(const TFileSource&) = delete;

    [[nodiscard]] uint64_t SizeBytes() const override { return m_SizeBytes; }
    [[nodiscard]] uint32_t ReadAt(uint64_t offset, std::span<std::byte> out) override;
    [[nodiscard]] int Descriptor() const { return m_Fd; }
    /// Logical sector size the kernel reports for a block device; 512 for a regular file.
    [[nodiscard]] uint32_t KernelSectorBytes() const { return m_KernelSectorBytes; }
    [[nodiscard]] bool IsBlockDevice() const { return m_IsBlockDevice; }

private:
    TFileSource() = default;
    int m_Fd = -1;
    uint64_t m_SizeBytes = 0;
    uint32_t m_KernelSectorBytes = 512;
    bool m_IsBlockDevice = false;
};

/// Bytes held in memory (tests and fuzzing).
class TMemorySource final : public TByteSource {
public:
    explicit TMemorySource(std::vector<std::byte> bytes) : m_Bytes(std::move(bytes)) {}
    [[nodiscard]] uint64_t SizeBytes() const override { return m_Bytes.size(); }
    [[nodiscard]] uint32_t ReadAt(uint64_t offset, std::span<std::byte> out) override;
    [[nodiscard]] const std::vector<std::byte>& Bytes() const { return m_Bytes; }

private:
    std::vector<std::byte> m_Bytes;
};

} // namespace tw::platform
