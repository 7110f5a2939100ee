#pragma once

#include <cstdint>
#include <string>

namespace tw::diskio {

/// Highest position of both sliders of the range dialogs; the start slider begins at 0,
/// the end slider at this value.
constexpr int RangeSliderMax = 50;

/// The sector range dialog ("Select sector range") without its widgets: the caller sets
/// the four fields, the dialog calls Activate when it shows, the slider and Apply handlers
/// as the user acts, and Accept on OK (Cancel changes nothing). The slider positions and
/// edit texts live as long as the model, as the dialog keeps them between showings. The
/// numbers are not checked against the bounds; callers clamp them with ClampSectorRange.
class TSectorRangeModel {
public:
    /// Sectors of the device; the highest valid sector is SectorCount − 1.
    uint32_t SectorCount = 0;
    /// First sector of the range, inclusive (in: preset, out: the user's choice).
    uint32_t StartSector = 0;
    /// Last sector of the range, inclusive.
    uint32_t EndSector = 0;
    /// Sector size in bytes, for the size text.
    uint16_t BytesPerSector = 512;

    /// Positions of the start and end slider, 0 to RangeSliderMax.
    int StartSliderPosition = 0;
    int EndSliderPosition = RangeSliderMax;
    /// Texts of the start and end edit, as shown or as typed by the user.
    std::string StartText;
    std::string EndText;
    /// Captions of the start and end group box.
    std::string StartCaption = "Start sector";
    std::string EndCaption = "End sector";
    /// The size line ("Size to scan:" stands before it).
    std::string SizeText;
    /// Decimal separator of the size text; the front end sets its locale's.
    std::string DecimalSeparator = ".";

    /// The dialog shows: captions "Start sector (min. 0)" and "End sector (max. N)", sliders
    /// at nearest(sector / SectorCount × RangeSliderMax), edits from StartSector and
    /// EndSector, then UpdateSize. With SectorCount 0 both sliders go to 0 and N is 0.
    void Activate();
    /// The user moved the start slider. It stays where it was put; only when it is not past
    /// the end slider does the start edit take the sector it stands for, and the size follow.
    void StartSliderChanged(int position);
    /// The user moved the end slider; the end edit follows unless it is left of the start.
    void EndSliderChanged(int position);
    /// Recomputes SizeText from the two edits as "x.xx MB", or "x.xx GB" from 1000 MB on
    /// (end − start + 1 counted modulo 2^32). An edit that is not a whole number leaves the
    /// size text as it was.
    void UpdateSize();
    /// OK: each edit that parses completely as a whole number (negative numbers wrap modulo
    /// 2^32) is stored in its field; the other field keeps its value.
    void Accept();
};

/// The cluster range dialog ("Select cluster range"), like TSectorRangeModel but for the
/// data clusters 2 to ClusterCount + 1 of a FAT volume. On activation the edits are derived
/// from the sliders' current positions, not from the preset fields.
class TClusterRangeModel {
public:
    /// Data clusters of the volume; valid cluster numbers are 2 to ClusterCount + 1.
    uint32_t ClusterCount = 0;
    /// First cluster of the range, inclusive (in: preset, out: the user's choice).
    uint32_t StartCluster = 2;
    /// Last cluster of the range, inclusive.
    uint32_t EndCluster = 0;
    /// Cluster size in bytes, for the size text.
    uint16_t BytesPerCluster = 0;

    int StartSliderPosition = 0;
    int EndSliderPosition = RangeSliderMax;
    std::string StartText;
    std::string EndText;
    std::string StartCaption = "Start cluster";
    std::string EndCaption = "End cluster";
    std::string SizeText;

    /// The dialog shows: captions "Start cluster (min. 2)" and "End cluster (max. N)", then
    /// the start and end slider handlers at the current positions, then UpdateSize.
    void Activate();
    /// Unless the start slider is past the end slider, the start edit takes
    /// nearest(position / RangeSliderMax × (ClusterCount − 2)) + 2 (ClusterCount at the far
    /// right) and the size follows. A ClusterCount below 2 counts as 2.
    void StartSliderChanged(int position);
    /// Unless the end slider is left of the start slider, the end edit takes
    /// nearest(position / RangeSliderMax × (ClusterCount − 2)) + 3 (ClusterCount + 1 at the
    /// far right), and the size follows.
    void EndSliderChanged(int position);
    /// SizeText := nearest((end − start + 1) × BytesPerCluster / 2^20) + " MB", whole MB
    /// only. An edit that is not a signed 32-bit whole number leaves it as it was.
    void UpdateSize();
    /// OK: each edit that parses completely as a signed 32-bit whole number is stored in its
    /// field (a negative number wraps modulo 2^32); the other field keeps its value.
    void Accept();
};

/// Brings a sector range chosen by the user into [0, sectorCount − 1]; a start past the end
/// makes a one-sector range at the start. False when sectorCount is 0: there is no sector
/// at all, and the range becomes 0 to 0.
bool ClampSectorRange(uint32_t& start, uint32_t& end, uint32_t sectorCount);

/// Brings a cluster range chosen by the user into [2, clusterCount + 1] (at most
/// 0xFFFFFFFF); a start past the end makes a one-cluster range at the start. False when
/// clusterCount is 0: there is no data cluster, and the range becomes 2 to 2.
bool ClampClusterRange(uint32_t& start, uint32_t& end, uint32_t clusterCount);

} // namespace tw::diskio
