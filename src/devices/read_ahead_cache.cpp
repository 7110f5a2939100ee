#include "devices/read_ahead_cache.h"

#include "devices/device.h"

#include <algorithm>
#include <cstring>

namespace tw::devices {

bool TReadAheadCache::Lookup(const TDevice& device, uint32_t& sector, uint16_t& count,
                             std::byte*& buffer) {
    bool served = false;
    bool complete = false;
    for (TCacheSlot& slot : m_Slots) {
        if (!served && slot.Owner == &device && sector >= slot.FirstSector &&
            sector <= slot.LastSector) {
            served = true;
            slot.Age = static_cast<uint8_t>(std::min<int>(slot.Age + 1, MaxSlotAge));
            const uint32_t available = slot.LastSector - sector + 1;
            const uint16_t k = static_cast<uint16_t>(std::min<uint32_t>(count, available));
            const size_t offset = size_t{sector - slot.FirstSector} * device.BytesPerSector;
            const size_t bytes = size_t{k} * device.BytesPerSector;
            std::memcpy(buffer, slot.Data.data() + offset, bytes);
            sector += k;
            count = static_cast<uint16_t>(count - k);
            buffer += bytes;
            complete = count == 0;
            continue;
        }
        if (slot.Age > 0) {
            --slot.Age;
        }
    }
    return complete;
}

size_t TReadAheadCache::ChooseVictim() const {
    size_t victim = 0;
    uint8_t bound = MaxSlotAge;
    for (size_t i = 0; i < m_Slots.size(); ++i) {
        if (m_Slots[i].Age < bound) {
            bound = m_Slots[i].Age;
            victim = i;
        }
    }
    return victim;
}

void TReadAheadCache::Drop(const TDevice& device) {
    for (TCacheSlot& slot : m_Slots) {
        if (slot.Owner == &device) {
            slot.Owner = nullptr;
            slot.Age = 0;
        }
    }
}

TReadAheadCache& CacheSlots() {
    static TReadAheadCache cache;
    return cache;
}

} // namespace tw::devices
