#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tw::devices {

class TDevice;

/// One 2 MiB slot of the read-ahead cache.
struct TCacheSlot {
    const TDevice* Owner = nullptr;
    uint8_t Age = 0; ///< 0..15, higher = more recently useful
    uint32_t FirstSector = 0;
    uint32_t LastSector = 0;
    std::vector<std::byte> Data; ///< allocated at the first fill, kept for the whole run
};

constexpr uint32_t CacheSlotBytes = 2 * 1024 * 1024;
constexpr uint8_t MaxSlotAge = 15;

/// The four slots shared by all devices.
class TReadAheadCache {
public:
    /// Serves the start of a request from the first slot of this device that holds its first
    /// sector, advancing sector, count and buffer past what it copied. Every other slot loses
    /// one age point. True when the whole request was served.
    bool Lookup(const TDevice& device, uint32_t& sector, uint16_t& count, std::byte*& buffer);
    /// The lowest age below 15 wins, ties to the lower slot; slot 0 when all are 15.
    [[nodiscard]] size_t ChooseVictim() const;
    void Drop(const TDevice& device);
    std::array<TCacheSlot, 4>& Slots() { return m_Slots; }

private:
    std::array<TCacheSlot, 4> m_Slots;
};

TReadAheadCache& CacheSlots();

} // namespace tw::devices
