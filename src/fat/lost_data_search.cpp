#include "fat/lost_data_search.h"

#include "devices/device.h"
#include "diskio/options.h"
#include "diskio/physical_disk_io.h"
#include "diskio/range_model.h"
#include "diskio/status_dialog.h"
#include "fat/fat_analyser.h"
#include "fat/fat_directory.h"
#include "fat/fat_drive.h"
#include "fat/file_type.h"

#include <algorithm>
#include <memory>
#include <string>

namespace tw::fat {

TVisitedClusters::TVisitedClusters(uint32_t first, uint32_t last)
    : m_First(first), m_Last(last), m_Words(last >= first ? (uint64_t{last} - first) / 64 + 1 : 0) {
}

bool TVisitedClusters::Test(uint64_t cluster) const {
    if (!InRange(cluster)) {
        return true;
    }
    const uint64_t bit = cluster - m_First;
    return (m_Words[bit / 64] >> (bit % 64) & 1) != 0;
}

void TVisitedClusters::Set(uint64_t cluster) {
    if (InRange(cluster)) {
        const uint64_t bit = cluster - m_First;
        m_Words[bit / 64] |= uint64_t{1} << (bit % 64);
    }
}

namespace {

/// One search: the volume, its range, the visited bits and the progress dialog.
class TLostDataSearch {
public:
    TLostDataSearch(TFATdrive& drive, diskio::TStatusDialog& dialog, uint32_t first, uint32_t last)
        : m_Drive(drive), m_Dialog(dialog), m_First(first), m_Last(last), m_Visited(first, last),
          m_AbortsAtStart(diskio::ReadAbortCount()) {}

    void Run();

private:
    bool Cancelled();
    void SetCache(bool on) {
        if (m_Drive.Device) {
            m_Drive.Device->SetCacheEnabled(on);
        }
    }
    void ScanDirectoryTree(uint32_t cluster, uint32_t sector, bool removeFound);
    void RemoveFromLost(uint32_t cluster, uint32_t sector);
    bool IsEmptyDirectory(uint32_t cluster);
    bool LooksLikeDirSector(uint32_t cluster, uint32_t sector);
    bool ClusterHasOneVolumeLabel(uint32_t cluster);
    bool DetectClusterType(uint32_t cluster, std::string& typeText, TMatchKind& kind);
    TFATDirectory& AddLostFolder(const std::string& name, uint32_t cluster, uint32_t sector);
    void CountLost(uint64_t& folders, uint64_t& files) const;
    void WalkLostFolder(uint32_t cluster, uint32_t sector) {
        SetCache(false);
        ScanDirectoryTree(cluster, sector, false);
        SetCache(true);
    }

    TFATdrive& m_Drive;
    diskio::TStatusDialog& m_Dialog;
    uint32_t m_First;
    uint32_t m_Last;
    TVisitedClusters m_Visited;
    uint64_t m_AbortsAtStart;
    std::vector<std::byte> m_ClusterBuffer;
};

bool TLostDataSearch::Cancelled() {
    // One Abort in a read error box ends the whole search.
    if (diskio::ReadAbortCount() != m_AbortsAtStart) {
        m_Dialog.Cancelled = true;
    }
    return m_Dialog.Cancelled;
}

TFATDirectory& TLostDataSearch::AddLostFolder(const std::string& name, uint32_t cluster,
                                              uint32_t sector) {
    auto folder = std::make_unique<TFATDirectory>();
    folder->Name = name;
    folder->Drive = &m_Drive;
    folder->Status = devices::StatusLost;
    folder->FirstCluster = cluster;
    folder->FirstSector = sector;
    folder->Parent = m_Drive.LostDir.get();
    m_Drive.LostDir->Children->push_back(std::move(folder));
    return static_cast<TFATDirectory&>(*m_Drive.LostDir->Children->back());
}

void TLostDataSearch::CountLost(uint64_t& folders, uint64_t& files) const {
    folders = files = 0;
    for (const auto& item : *m_Drive.LostDir->Children) {
        ++(item->IsDirectory() ? folders : files);
    }
}

void TLostDataSearch::RemoveFromLost(uint32_t cluster, uint32_t sector) {
    auto& items = *m_Drive.LostDir->Children;
    std::erase_if(items, [&](const std::unique_ptr<devices::TCustomItem>& item) {
        if (!item->IsDirectory()) {
            return static_cast<const TFATFile&>(*item).FirstCluster == cluster;
        }
        const auto& folder = static_cast<const TFATDirectory&>(*item);
        return folder.FirstCluster != 0 ? folder.FirstCluster == cluster
                                        : folder.FirstSector == sector;
    });
}

bool TLostDataSearch::IsEmptyDirectory(uint32_t cluster) {
    TDirPosition position = TDirPosition::Start(cluster, 0);
    position.Index = 2;
    TEntryName name;
    TEntryBytes entry{};
    return !m_Drive.NextEntry(position, false, name, entry);
}

bool TLostDataSearch::LooksLikeDirSector(uint32_t cluster, uint32_t sector) {
    TDirPosition position = TDirPosition::Start(cluster, sector);
    std::array<std::byte, VolumeSectorBytes> data{};
    return m_Drive.ReadDataSec(position, data) &&
           TFATAnalyser::LooksLikeDirEntries(data, m_Drive.DataSectors, m_Drive.ClusterCount);
}

bool TLostDataSearch::ClusterHasOneVolumeLabel(uint32_t cluster) {
    TDirPosition position = TDirPosition::Start(cluster, 0);
    const uint32_t entries = uint32_t{m_Drive.SectorsPerCluster()} * (VolumeSectorBytes / 32);
    TEntryBytes entry{};
    int labels = 0;
    for (uint32_t i = 0; i < entries && m_Drive.GetNextRecord(position, entry); ++i) {
        const uint8_t attributes = AttributesOf(entry);
        if (attributes != Attribute::LongName && (attributes & Attribute::VolumeLabel) != 0 &&
            FirstClusterOf(entry) == 0 && (ByteAt(entry, 0) & 0x40) != 0 && ++labels > 1) {
            return false;
        }
    }
    return labels == 1;
}

bool TLostDataSearch::DetectClusterType(uint32_t cluster, std::string& typeText, TMatchKind& kind) {
    const uint32_t spc = m_Drive.SectorsPerCluster();
    m_ClusterBuffer.resize(size_t{spc} * VolumeSectorBytes);
    const uint64_t sector = uint64_t{m_Drive.ClusterToSector(cluster)};
    if (spc == 0 || sector + spc > 0x100000000ull ||
        !m_Drive.ReadSectors(static_cast<uint32_t>(sector), static_cast<uint16_t>(spc), true,
                             m_ClusterBuffer.data())) {
        return false;
    }
    return DetectFileType(m_ClusterBuffer, typeText, kind);
}

void TLostDataSearch::ScanDirectoryTree(uint32_t rootCluster, uint32_t rootSector,
                                        bool rootRemoveFound) {
    // An explicit stack in place of recursion: a chain of folders can be as deep as the
    // volume has clusters.
    struct TFrame {
        TDirPosition Position;
        uint32_t Last;
    };
    std::vector<TFrame> stack;
    auto enter = [&](uint32_t cluster, uint32_t sector, bool removeFound) {
        if (m_Dialog.UpdateDue()) {
            m_Dialog.SetTexts(
                "",
                cluster != 0 ? "Scanning cluster " + std::to_string(cluster) + " (sub-directory)"
                             : "Scanning sector " + std::to_string(sector) + " (sub-directory)",
                "", "", "");
            m_Dialog.PumpMessages();
        }
        m_Visited.Set(cluster);
        if (removeFound) {
            RemoveFromLost(cluster, sector);
        }
        stack.push_back({TDirPosition::Start(cluster, sector), cluster});
    };
    if (Cancelled()) {
        return;
    }
    enter(rootCluster, rootSector, rootRemoveFound);
    TEntryName name;
    TEntryBytes entry{};
    while (!stack.empty() && !Cancelled()) {
        TFrame& frame = stack.back();
        const bool read = m_Drive.NextEntry(frame.Position, true, name, entry);
        const uint32_t c = frame.Position.Cluster;
        if (c != 0) {
            if (c < m_First || c > m_Last) {
                stack.pop_back();
                continue;
            }
            if (c != frame.Last) {
                m_Visited.Set(c);
                m_Dialog.StepProgress();
                frame.Last = c;
            }
        }
        if (!read) {
            const bool walkedSubfolder = stack.size() > 1;
            stack.pop_back();
            if (walkedSubfolder) {
                m_Dialog.StepProgress();
            }
            continue;
        }
        const uint8_t attributes = AttributesOf(entry);
        const uint32_t first = FirstClusterOf(entry);
        if ((attributes & Attribute::Directory) != 0) {
            if (name.Text != "." && name.Text != ".." && first >= m_First && first <= m_Last &&
                !m_Visited.Test(first) && m_Drive.StartsWithDotEntries(first, 0)) {
                enter(first, 0, true);
            }
        } else if ((attributes & Attribute::VolumeLabel) == 0) {
            RemoveFromLost(first, 0);
            uint64_t cluster = first;
            if (m_Drive.FATInUse > 0) {
                // A cyclic chain ends after as many steps as the volume has clusters.
                for (uint64_t steps = 0; steps <= m_Drive.ClusterCount; ++steps) {
                    if (m_Visited.InRange(cluster) && !m_Visited.Test(cluster)) {
                        m_Visited.Set(cluster);
                        m_Dialog.StepProgress();
                    }
                    cluster = m_Drive.GetFAT(static_cast<uint32_t>(cluster), m_Drive.FATInUse - 1u);
                    const uint8_t kind = TFATdrive::ClassifyFATValue(
                        m_Drive.FATType, static_cast<uint32_t>(cluster));
                    if (kind == FatFree || kind == FatEndOfChain) {
                        break;
                    }
                }
            } else if (m_Visited.InRange(cluster) && !m_Visited.Test(cluster)) {
                m_Visited.Set(cluster);
                m_Dialog.StepProgress();
            }
        }
    }
}

void TLostDataSearch::Run() {
    SetCache(false);
    ScanDirectoryTree(m_Drive.RootCluster, m_Drive.RootDirSector, false);
    SetCache(true);

    if (!Cancelled() && (m_Drive.FATType == Fat12 || m_Drive.FATType == Fat16)) {
        const uint64_t from = uint64_t{m_Drive.ReservedSectors()} + m_Drive.FATSectors;
        for (uint64_t d = from; d <= m_Drive.FirstDataSector; ++d) {
            const uint32_t sector = static_cast<uint32_t>(d);
            if (!m_Drive.StartsWithDotEntries(0, sector) && LooksLikeDirSector(0, sector)) {
                AddLostFolder("sector " + std::to_string(sector) + " (root)", 0, sector);
                WalkLostFolder(0, sector);
            }
            if (m_Dialog.UpdateDue()) {
                m_Dialog.SetTexts("", "Scanning sector " + std::to_string(sector), "", "",
                                  "Lost directories found: " +
                                      std::to_string(m_Drive.LostDir->Children->size()));
                m_Dialog.PumpMessages();
                if (Cancelled()) {
                    break;
                }
            }
        }
    }

    if (Cancelled()) {
        return;
    }
    std::string lastType;
    uint64_t lastFileCluster = 0;
    const bool findFiles = diskio::Options().FindLostFiles;
    const uint32_t lostSize = diskio::Options().LostDefaultSize;
    for (uint64_t i = m_First; i <= m_Last; ++i) {
        const uint32_t cluster = static_cast<uint32_t>(i);
        if (!m_Visited.Test(i)) {
            m_Visited.Set(i);
            const uint8_t fatCopy = m_Drive.FATInUse > 0 ? m_Drive.FATInUse - 1 : 0;
            const bool bad = m_Drive.SkipBadClusters &&
                             TFATdrive::ClassifyFATValue(
                                 m_Drive.FATType, m_Drive.GetFAT(cluster, fatCopy)) == FatBad;
            if (!bad) {
                const bool dir =
                    m_Drive.StartsWithDotEntries(cluster, 0) && !IsEmptyDirectory(cluster);
                const bool root =
                    !dir && LooksLikeDirSector(cluster, 0) && ClusterHasOneVolumeLabel(cluster);
                std::string type;
                TMatchKind kind = TMatchKind::mkFileStart;
                if (dir || root) {
                    AddLostFolder("cluster " + std::to_string(cluster) + (root ? " (root)" : ""),
                                  cluster, 0);
                    WalkLostFolder(cluster, 0);
                } else if (findFiles && DetectClusterType(cluster, type, kind)) {
                    const bool continues = i - 1 == lastFileCluster && type == lastType &&
                                           kind == TMatchKind::mkContent;
                    if (!continues) {
                        auto file = std::make_unique<TFATFile>();
                        file->Name = "cluster " + std::to_string(cluster) + "." + type;
                        file->Drive = &m_Drive;
                        file->FirstCluster = cluster;
                        file->Size = lostSize;
                        file->Attributes = Attribute::Archive;
                        file->Status = devices::StatusLost;
                        file->Parent = m_Drive.LostDir.get();
                        m_Drive.LostDir->Children->push_back(std::move(file));
                    }
                    lastType = type;
                    lastFileCluster = i;
                }
            }
        }
        m_Dialog.StepProgress();
        if (m_Dialog.UpdateDue()) {
            uint64_t folders = 0, files = 0;
            CountLost(folders, files);
            m_Dialog.SetTexts("", "Scanning cluster " + std::to_string(cluster), "",
                              "Lost files found: " + std::to_string(files),
                              "Lost directories found: " + std::to_string(folders));
            m_Dialog.PumpMessages();
            if (Cancelled()) {
                break;
            }
        }
    }
}

} // namespace

void FindLostData(TFATdrive& drive, diskio::TStatusDialog& dialog, TClusterDialog& range,
                  const std::function<void(bool)>& enableMainWindow) {
    range.ClusterCount = drive.ClusterCount;
    range.StartCluster = 2;
    range.EndCluster = static_cast<uint32_t>(std::min<uint64_t>(drive.LastCluster(), 0xFFFFFFFFu));
    range.BytesPerCluster = drive.BytesPerCluster;
    if (!range.Execute() || !drive.LostDir) {
        return;
    }
    drive.LostDir->ClearChildren();
    if (!drive.LostDir->Children) {
        drive.LostDir->Children = std::make_unique<devices::TItemList>();
    }
    drive.LostDir->TreeFilled = false;
    uint32_t first = range.StartCluster;
    uint32_t last = range.EndCluster;
    if (!diskio::ClampClusterRange(first, last, drive.ClusterCount)) {
        return; // a volume without data clusters has nothing to search
    }
    // Clusters past the end of the device cannot be read: a volume whose boot sector claims
    // more (a rebuilt or damaged one) is searched up to the device's end, which also bounds
    // the visited bits.
    if (drive.Device && drive.SectorsPerCluster() != 0) {
        const uint64_t deviceEnd = drive.Device->TotalSectors;
        const uint64_t dataStart = uint64_t{drive.VolumeStart} + drive.FirstDataSector;
        const uint64_t lastOnDevice =
            deviceEnd > dataStart ? (deviceEnd - dataStart) / drive.SectorsPerCluster() + 1 : 2;
        last = static_cast<uint32_t>(std::min<uint64_t>(last, std::max<uint64_t>(lastOnDevice, 2)));
        first = std::min(first, last);
    }

    if (enableMainWindow) {
        enableMainWindow(false);
    }
    dialog.Prepare("Find lost data - Please wait...", "", "", "", "", true, true);
    dialog.Total = uint64_t{last} - first + 1;
    dialog.StepSize = 1;
    dialog.UpdateInterval = 500;
    dialog.Show();
    {
        TLostDataSearch search(drive, dialog, first, last);
        search.Run();
    }
    if (drive.Device) {
        drive.Device->SetCacheEnabled(false);
    }
    if (enableMainWindow) {
        enableMainWindow(true);
    }
    dialog.Hide();
}

} // namespace tw::fat
