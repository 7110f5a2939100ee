#include "diskio/range_model.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

namespace tw::diskio {
namespace {

/// Round to the nearest whole number, ties to even.
double Nearest(double x) {
    return std::nearbyint(x);
}

/// Optional sign, then one or more decimal digits, nothing else; the value must lie in
/// [min, max].
std::optional<int64_t> ParseWhole(std::string_view text, int64_t min, int64_t max) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.front() < '0' || text.front() > '9') {
        return std::nullopt;
    }
    uint64_t magnitude = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    if (error != std::errc() || end != text.data() + text.size() ||
        magnitude > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
        return std::nullopt;
    }
    const int64_t value =
        negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    if (value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

// Sector numbers reach 2^32 − 1; a negative number is accepted as far as a signed 32-bit
// field would hold it, and wraps.
std::optional<uint32_t> ParseSector(const std::string& text) {
    const auto value =
        ParseWhole(text, std::numeric_limits<int32_t>::min(), std::numeric_limits<uint32_t>::max());
    if (!value) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(*value);
}

std::optional<int32_t> ParseCluster(const std::string& text) {
    const auto value =
        ParseWhole(text, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    if (!value) {
        return std::nullopt;
    }
    return static_cast<int32_t>(*value);
}

/// position / RangeSliderMax × span, rounded.
uint64_t SliderValue(int position, uint64_t span) {
    return static_cast<uint64_t>(
        Nearest(static_cast<double>(position) / RangeSliderMax * static_cast<double>(span)));
}

/// The slider position that stands for value out of count, within the slider's range.
int SliderPosition(uint32_t value, uint32_t count) {
    if (count == 0) {
        return 0;
    }
    const double position =
        Nearest(static_cast<double>(value) / static_cast<double>(count) * RangeSliderMax);
    return static_cast<int>(std::clamp(position, 0.0, static_cast<double>(RangeSliderMax)));
}

int ClampPosition(int position) {
    return std::clamp(position, 0, RangeSliderMax);
}

std::string FixedTwoDecimals(double value, const std::string& separator) {
    char buffer[64];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    if (error != std::errc()) {
        return {};
    }
    std::string text(buffer, end);
    const size_t dot = text.find('.');
    if (dot != std::string::npos) {
        text.replace(dot, 1, separator);
    }
    return text;
}

} // namespace

void TSectorRangeModel::Activate() {
    const uint32_t lastSector = SectorCount == 0 ? 0 : SectorCount - 1;
    StartCaption = "Start sector (min. 0)";
    EndCaption = "End sector (max. " + std::to_string(lastSector) + ")";
    // Divided by SectorCount, not by the highest sector, as the sliders always were.
    StartSliderPosition = SliderPosition(StartSector, SectorCount);
    EndSliderPosition = SliderPosition(EndSector, SectorCount);
    StartText = std::to_string(StartSector);
    EndText = std::to_string(EndSector);
    UpdateSize();
}

void TSectorRangeModel::StartSliderChanged(int position) {
    StartSliderPosition = ClampPosition(position);
    if (StartSliderPosition > EndSliderPosition) {
        return;
    }
    const uint32_t lastSector = SectorCount == 0 ? 0 : SectorCount - 1;
    StartText = std::to_string(SliderValue(StartSliderPosition, lastSector));
    UpdateSize();
}

void TSectorRangeModel::EndSliderChanged(int position) {
    EndSliderPosition = ClampPosition(position);
    if (EndSliderPosition < StartSliderPosition) {
        return;
    }
    const uint32_t lastSector = SectorCount == 0 ? 0 : SectorCount - 1;
    EndText = std::to_string(SliderValue(EndSliderPosition, lastSector));
    UpdateSize();
}

void TSectorRangeModel::UpdateSize() {
    const auto start = ParseSector(StartText);
    const auto end = ParseSector(EndText);
    if (!start || !end) {
        return;
    }
    const uint32_t sectors = *end - *start + 1; // modulo 2^32, as the count always was
    const double mb = static_cast<double>(sectors) / 1024 * BytesPerSector / 1024;
    SizeText = mb >= 1000 ? FixedTwoDecimals(mb / 1024, DecimalSeparator) + " GB"
                          : FixedTwoDecimals(mb, DecimalSeparator) + " MB";
}

void TSectorRangeModel::Accept() {
    if (const auto start = ParseSector(StartText)) {
        StartSector = *start;
    }
    if (const auto end = ParseSector(EndText)) {
        EndSector = *end;
    }
}

namespace {

/// ClusterCount − 2 without wrapping below 2.
uint64_t ClusterSpan(uint32_t clusterCount) {
    return clusterCount < 2 ? 0 : clusterCount - 2;
}

} // namespace

void TClusterRangeModel::Activate() {
    StartCaption = "Start cluster (min. 2)";
    EndCaption = "End cluster (max. " + std::to_string(uint64_t{ClusterCount} + 1) + ")";
    StartSliderChanged(StartSliderPosition);
    EndSliderChanged(EndSliderPosition);
    UpdateSize();
}

void TClusterRangeModel::StartSliderChanged(int position) {
    StartSliderPosition = ClampPosition(position);
    if (StartSliderPosition > EndSliderPosition) {
        return;
    }
    StartText = std::to_string(SliderValue(StartSliderPosition, ClusterSpan(ClusterCount)) + 2);
    UpdateSize();
}

void TClusterRangeModel::EndSliderChanged(int position) {
    EndSliderPosition = ClampPosition(position);
    if (EndSliderPosition < StartSliderPosition) {
        return;
    }
    EndText = std::to_string(SliderValue(EndSliderPosition, ClusterSpan(ClusterCount)) + 3);
    UpdateSize();
}

void TClusterRangeModel::UpdateSize() {
    const auto start = ParseCluster(StartText);
    const auto end = ParseCluster(EndText);
    if (!start || !end) {
        return;
    }
    const double clusters = static_cast<double>(int64_t{*end} - *start + 1);
    const double mb = Nearest(clusters / 1024 * BytesPerCluster / 1024);
    SizeText = std::to_string(static_cast<int64_t>(mb)) + " MB";
}

void TClusterRangeModel::Accept() {
    if (const auto start = ParseCluster(StartText)) {
        StartCluster = static_cast<uint32_t>(*start);
    }
    if (const auto end = ParseCluster(EndText)) {
        EndCluster = static_cast<uint32_t>(*end);
    }
}

bool ClampSectorRange(uint32_t& start, uint32_t& end, uint32_t sectorCount) {
    if (sectorCount == 0) {
        start = 0;
        end = 0;
        return false;
    }
    const uint32_t lastSector = sectorCount - 1;
    start = std::min(start, lastSector);
    end = std::min(end, lastSector);
    if (start > end) {
        end = start;
    }
    return true;
}

bool ClampClusterRange(uint32_t& start, uint32_t& end, uint32_t clusterCount) {
    constexpr uint32_t FirstCluster = 2;
    if (clusterCount == 0) {
        start = FirstCluster;
        end = FirstCluster;
        return false;
    }
    const auto lastCluster = static_cast<uint32_t>(
        std::min<uint64_t>(uint64_t{clusterCount} + 1, std::numeric_limits<uint32_t>::max()));
    start = std::clamp(start, FirstCluster, lastCluster);
    end = std::clamp(end, FirstCluster, lastCluster);
    if (start > end) {
        end = start;
    }
    return true;
}

} // namespace tw::diskio
