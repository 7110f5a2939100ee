#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace tw::diskio {
class TStatusDialog;
}

namespace tw::fat {

class TFATdrive;

/// The cluster range dialog as the lost-data search sees it.
class TClusterDialog {
public:
    virtual ~TClusterDialog() = default;
    uint32_t ClusterCount = 0;
    uint32_t StartCluster = 0;
    uint32_t EndCluster = 0;
    uint16_t BytesPerCluster = 0;
    /// Shows the dialog; false when the user cancelled.
    virtual bool Execute() = 0;
};

/// One bit per cluster of the searched range [First, Last]. Outside it a set does nothing
/// and a test answers "visited", so no cluster number from the disk reaches past the bits.
class TVisitedClusters {
public:
    TVisitedClusters(uint32_t first, uint32_t last);
    [[nodiscard]] bool InRange(uint64_t cluster) const {
        return cluster >= m_First && cluster <= m_Last;
    }
    [[nodiscard]] bool Test(uint64_t cluster) const;
    void Set(uint64_t cluster);

private:
    uint64_t m_First;
    uint64_t m_Last;
    std::vector<uint64_t> m_Words;
};

/// Searches a cluster range of the open volume for lost folders and lost files and puts
/// them into "Lost". enableMainWindow (may be empty) is called with false before and true
/// after the search.
void FindLostData(TFATdrive& drive, diskio::TStatusDialog& dialog, TClusterDialog& range,
                  const std::function<void(bool)>& enableMainWindow);

} // namespace tw::fat
