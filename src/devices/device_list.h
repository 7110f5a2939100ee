#pragma once

#include "devices/device.h"

#include <memory>
#include <string>
#include <vector>

namespace tw::diskio {
class TStatusDialog;
}

namespace tw::devices {

/// The devices of the machine, in detection order; owns them.
class TDeviceList {
public:
    TDeviceList() = default;
    ~TDeviceList() { Clear(); }
    TDeviceList(const TDeviceList&) = delete;
    TDeviceList& operator=(const TDeviceList&) = delete;

    void Clear() { m_Items.clear(); }
    [[nodiscard]] int Count() const { return static_cast<int>(m_Items.size()); }
    [[nodiscard]] TDevice* Items(int index) const {
        return m_Items.at(static_cast<size_t>(index)).get();
    }
    [[nodiscard]] int IndexOf(const TDevice* device) const;
    /// "fixed disk #2", with "   (74.53 GB)" when withSize is set.
    [[nodiscard]] std::string DeviceName(int index, bool withSize) const;
    /// Probes BIOS numbers 0..255, then drive letters A..Z, appends what answers and names
    /// it. With a progress dialog it writes the probe texts into it and pumps messages; it
    /// never looks at Cancelled.
    void Detect(diskio::TStatusDialog* dialog);
    /// Appends a device made elsewhere (tests).
    TDevice& Add(std::unique_ptr<TDevice> device);

private:
    std::vector<std::unique_ptr<TDevice>> m_Items;
};

/// The size part of a device name: "   (1.41 MB)" or "   (74.53 GB)", counting 512-byte
/// sectors.
std::string DeviceSizeText(uint32_t totalSectors);

} // namespace tw::devices
