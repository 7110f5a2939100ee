#pragma once

#include "platform/byte_source.h"
#include "platform/clock.h"

#include <cstdint>
#include <map>
#include <vector>

namespace tw::test {

/// A block device double: bytes in memory, sectors that fail to read, a clock that moves on
/// every read (a slow device), and a log of every transfer.
class TFakeSource final : public platform::TByteSource {
public:
    struct TTransfer {
        uint64_t Offset;
        uint64_t Bytes;
        bool operator==(const TTransfer&) const = default;
    };

    explicit TFakeSource(std::vector<std::byte> bytes, uint32_t sectorBytes = 512)
        : m_Bytes(std::move(bytes)), m_SectorBytes(sectorBytes) {}
    /// A device of count sectors whose every byte tells its sector: byte i of sector s is
    /// (s + i) mod 251.
    static std::vector<std::byte> Pattern(uint64_t sectors, uint32_t sectorBytes = 512);

    uint64_t SizeBytes() const override { return m_Bytes.size(); }
    uint32_t ReadAt(uint64_t offset, std::span<std::byte> out) override;

    /// Reads touching this sector fail (with ErrorCode::Crc) the next `times` times.
    void FailSector(uint64_t sector, int times = 1'000'000) { m_Failing[sector] = times; }
    /// Each read advances this clock by ms.
    void SetSlowness(platform::TManualClock* clock, uint32_t ms) {
        m_Clock = clock;
        m_SlownessMs = ms;
    }
    const std::vector<TTransfer>& Transfers() const { return m_Transfers; }
    void ClearTransfers() { m_Transfers.clear(); }

private:
    std::vector<std::byte> m_Bytes;
    uint32_t m_SectorBytes;
    std::map<uint64_t, int> m_Failing;
    platform::TManualClock* m_Clock = nullptr;
    uint32_t m_SlownessMs = 0;
    std::vector<TTransfer> m_Transfers;
};

/// The byte the pattern holds at offset i of sector s.
inline std::byte PatternByte(uint64_t sector, uint64_t i) {
    return static_cast<std::byte>((sector + i) % 251);
}

} // namespace tw::test
