#include "devices/device.h"

#include "devices/read_ahead_cache.h"
#include "diskio/logical_disk_io.h"
#include "diskio/physical_disk_io.h"
#include "platform/clock.h"

#include <algorithm>
#include <vector>

namespace tw::devices {

namespace {
bool g_ReadAheadEnabled = false;
constexpr uint32_t CalibrationMs = 100;
} // namespace

void SetReadAheadEnabled(bool enabled) {
    g_ReadAheadEnabled = enabled;
}
bool ReadAheadEnabled() {
    return g_ReadAheadEnabled;
}

TDevice::~TDevice() {
    DropCachedSectors();
}

void TDevice::DropCachedSectors() {
    CacheSlots().Drop(*this);
}

bool TDevice::ReadDirect(uint32_t sector, uint16_t count, bool showErrors, void* buffer) {
    if (AccessKind == TAccessKind::akBIOS) {
        return diskio::ReadPhysicalSectors(DriveNumber, sector, count, showErrors, buffer);
    }
    return diskio::ReadLogicalSectors(DriveNumber, sector, count, buffer);
}

bool TDevice::ReadSectors(uint32_t sector, uint16_t count, bool showErrors, void* buffer) {
    // A request at or past the end bypasses the cache: a fill there would have no size.
    const bool usable = g_ReadAheadEnabled && CacheEnabled && ReadAheadSectors > 0 &&
                        BytesPerSector != 0 && sector < TotalSectors && count > 0;
    if (!usable) {
        return ReadDirect(sector, count, showErrors, buffer);
    }
    TReadAheadCache& cache = CacheSlots();
    auto* out = static_cast<std::byte*>(buffer);
    if (cache.Lookup(*this, sector, count, out)) {
        return true;
    }
    if (sector >= TotalSectors) {
        return ReadDirect(sector, count, showErrors, out);
    }

    TCacheSlot& victim = cache.Slots()[cache.ChooseVictim()];
    const uint64_t n =
        std::max<uint64_t>(1, std::min<uint64_t>({ReadAheadSectors, CacheSlotBytes / BytesPerSector,
                                                  uint64_t{TotalSectors} - sector}));
    if (victim.Data.size() < CacheSlotBytes) {
        victim.Data.resize(CacheSlotBytes);
    }
    // The slot is rewritten: it belongs to nobody until the fill succeeds.
    victim.Owner = nullptr;
    victim.Age = 0;
    // The fill reads ahead of what was asked: it never asks the user. When it fails, the
    // request itself is read directly, and only its own sectors can ask and be ignored, so
    // no ignored sector of the fill is kept in the slot as data.
    if (ReadDirect(sector, static_cast<uint16_t>(n), false, victim.Data.data())) {
        victim.Owner = this;
        victim.Age = MaxSlotAge;
        victim.FirstSector = sector;
        victim.LastSector = static_cast<uint32_t>(sector + n - 1);
        if (cache.Lookup(*this, sector, count, out)) {
            return true;
        }
    }
    return ReadDirect(sector, count, showErrors, out);
}

void TDevice::CalibrateReadAhead() {
    if (TotalSectors < 2048) {
        ReadAheadSectors = 0;
        return;
    }
    std::vector<std::byte> buffer(std::max<size_t>(2048, BytesPerSector));
    CacheEnabled = false;
    if (!ReadSectors(0, 1, false, buffer.data())) {
        ReadAheadSectors = 0;
        return;
    }
    const uint32_t t0 = platform::GetTickCount();
    uint64_t i = 0;
    bool lastOk = true;
    const uint64_t cap = BytesPerSector == 0 ? 1 : CacheSlotBytes / BytesPerSector;
    // Reaching the end of a fast device early counts as a successful timing run. Once ten
    // times the reads made reach the cap, reading on cannot change the result: a fast device
    // is measured in far less than the full 100 ms.
    while (static_cast<uint32_t>(platform::GetTickCount() - t0) < CalibrationMs && lastOk &&
           i < TotalSectors && 10 * i < cap) {
        lastOk = ReadSectors(static_cast<uint32_t>(i), 1, false, buffer.data());
        ++i;
    }
    if (!lastOk) {
        ReadAheadSectors = 0;
        return;
    }
    const uint64_t sectors = i <= 1 ? 1 : 10 * i;
    ReadAheadSectors = static_cast<uint32_t>(std::min(sectors, cap));
}

} // namespace tw::devices
