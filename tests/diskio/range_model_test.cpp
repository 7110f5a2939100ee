#include "diskio/range_model.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>

namespace tw::diskio {
namespace {

/// The sector dialog as the drive dialog presets it before a lost-drive search.
TSectorRangeModel PresetSectors(uint32_t sectorCount) {
    TSectorRangeModel model;
    model.SectorCount = sectorCount;
    model.StartSector = 0;
    model.EndSector = std::min<uint32_t>(sectorCount - 1, 100000);
    model.BytesPerSector = 512;
    return model;
}

TEST(TSectorRangeModel, ActivateShowsPresetAndPositionsSliders) {
    struct TCase {
        uint32_t SectorCount;
        int EndPosition;
    };
    const TCase cases[] = {
        {1000000, 5}, // nearest(100000 / 1000000 × 50)
        {4000000, 1}, // 1.25
        {400000, 12}, // 12.5, ties to even
        {1200000, 4}, // 4.1666…
        {100001, 50}, // 49.9995
        {100000, 50}, // count − 1 = 99999
        {100, 50},    // 49.5, ties to even
        {99, 49},     // 49.49…
        {3, 33},      // 33.33…
    };
    for (const TCase& c : cases) {
        TSectorRangeModel model = PresetSectors(c.SectorCount);
        model.Activate();
        EXPECT_EQ(model.StartSliderPosition, 0) << c.SectorCount;
        EXPECT_EQ(model.EndSliderPosition, c.EndPosition) << c.SectorCount;
        EXPECT_EQ(model.StartText, "0");
        EXPECT_EQ(model.EndText, std::to_string(model.EndSector));
    }
    TSectorRangeModel model = PresetSectors(1000000);
    model.Activate();
    EXPECT_EQ(model.StartCaption, "Start sector (min. 0)");
    EXPECT_EQ(model.EndCaption, "End sector (max. 999999)");
    EXPECT_EQ(model.SizeText, "48.83 MB"); // 100001 sectors
}

TEST(TSectorRangeModel, SizeTextInMBOrGB) {
    struct TCase {
        uint32_t Start;
        uint32_t End;
        uint16_t BytesPerSector;
        const char* Expected;
    };
    const TCase cases[] = {
        {0, 2047999, 512, "0.98 GB"},   // 1000 MB
        {0, 2045951, 512, "999.00 MB"}, // 999 MB
        {100, 100, 512, "0.00 MB"},     // one sector
        {0, 2047, 512, "1.00 MB"},
        {0, 1023, 4096, "4.00 MB"},
        {0, 0xFFFFFFFE, 512, "2048.00 GB"}, // 2^32 − 1 sectors
        {5, 4, 512, "0.00 MB"},             // the count wraps to 0
        {6, 4, 512, "2048.00 GB"},          // and to 2^32 − 1
    };
    for (const TCase& c : cases) {
        TSectorRangeModel model;
        model.SectorCount = 0xFFFFFFFF;
        model.BytesPerSector = c.BytesPerSector;
        model.StartText = std::to_string(c.Start);
        model.EndText = std::to_string(c.End);
        model.UpdateSize();
        EXPECT_EQ(model.SizeText, c.Expected) << c.Start << ".." << c.End;
    }
    TSectorRangeModel comma;
    comma.DecimalSeparator = ",";
    comma.StartText = "0";
    comma.EndText = "2047999";
    comma.UpdateSize();
    EXPECT_EQ(comma.SizeText, "0,98 GB");
}

TEST(TSectorRangeModel, TextThatIsNotAWholeNumberKeepsSizeAndField) {
    for (const char* bad :
         {"abc", "12a", "", " 12", "12 ", "+", "-", "1.5", "4294967296", "-2147483649", "0x10"}) {
        TSectorRangeModel model = PresetSectors(1000000);
        model.Activate();
        const std::string size = model.SizeText;
        model.StartText = bad;
        model.EndText = "5000";
        model.UpdateSize();
        EXPECT_EQ(model.SizeText, size) << '"' << bad << '"';
        model.Accept();
        EXPECT_EQ(model.StartSector, 0u) << bad;
        EXPECT_EQ(model.EndSector, 5000u) << bad; // the other field is still taken
    }
    TSectorRangeModel model = PresetSectors(1000000);
    model.StartText = "+7";
    model.EndText = "-1"; // wraps, as typed
    model.Accept();
    EXPECT_EQ(model.StartSector, 7u);
    EXPECT_EQ(model.EndSector, 0xFFFFFFFFu);
    model.StartText = "4294967295";
    model.Accept();
    EXPECT_EQ(model.StartSector, 0xFFFFFFFFu);
}

TEST(TSectorRangeModel, StartSliderPastEndChangesNothing) {
    TSectorRangeModel model = PresetSectors(1000001); // highest sector 1000000
    model.EndSector = 1000000;
    model.Activate();
    model.EndSliderChanged(20);
    EXPECT_EQ(model.EndText, "400000");
    model.StartSliderChanged(10);
    EXPECT_EQ(model.StartText, "200000");
    const std::string size = model.SizeText;
    EXPECT_EQ(size, "97.66 MB");

    model.StartSliderChanged(21);
    EXPECT_EQ(model.StartSliderPosition, 21); // the slider stays where it was put
    EXPECT_EQ(model.StartText, "200000");
    EXPECT_EQ(model.SizeText, size);
    model.EndSliderChanged(19); // now left of the start slider
    EXPECT_EQ(model.EndText, "400000");

    model.StartSliderChanged(19); // back, equal to the end slider
    EXPECT_EQ(model.StartText, "380000");
    model.EndSliderChanged(50);
    EXPECT_EQ(model.EndText, "1000000");
    model.StartSliderChanged(0);
    EXPECT_EQ(model.StartText, "0");
}

TEST(TSectorRangeModel, ZeroSectorsNeitherDividesNorWraps) {
    TSectorRangeModel model;
    model.SectorCount = 0;
    model.StartSector = 0;
    model.EndSector = 0;
    model.Activate();
    EXPECT_EQ(model.EndCaption, "End sector (max. 0)");
    EXPECT_EQ(model.StartSliderPosition, 0);
    EXPECT_EQ(model.EndSliderPosition, 0);
    model.EndSliderChanged(50);
    EXPECT_EQ(model.EndText, "0");

    // Presets beyond the device keep the sliders inside their range.
    TSectorRangeModel beyond = PresetSectors(10);
    beyond.StartSector = 0xFFFFFFFF;
    beyond.EndSector = 0xFFFFFFFF;
    beyond.Activate();
    EXPECT_EQ(beyond.StartSliderPosition, 50);
    EXPECT_EQ(beyond.EndSliderPosition, 50);
}

/// The cluster dialog as the lost-data search presets it.
TClusterRangeModel PresetClusters(uint32_t clusterCount, uint16_t bytesPerCluster) {
    TClusterRangeModel model;
    model.ClusterCount = clusterCount;
    model.StartCluster = 2;
    model.EndCluster = clusterCount + 1;
    model.BytesPerCluster = bytesPerCluster;
    return model;
}

TEST(TClusterRangeModel, FirstActivationDerivesPresetRangeFromSliders) {
    TClusterRangeModel model = PresetClusters(2048, 4096);
    model.Activate();
    EXPECT_EQ(model.StartCaption, "Start cluster (min. 2)");
    EXPECT_EQ(model.EndCaption, "End cluster (max. 2049)");
    EXPECT_EQ(model.StartText, "2");
    EXPECT_EQ(model.EndText, "2049");
    EXPECT_EQ(model.SizeText, "8 MB");
    model.Accept();
    EXPECT_EQ(model.StartCluster, 2u);
    EXPECT_EQ(model.EndCluster, 2049u);
}

TEST(TClusterRangeModel, SliderArithmeticAndReuseBetweenShowings) {
    TClusterRangeModel model = PresetClusters(1002, 512); // ClusterCount − 2 = 1000
    model.Activate();
    model.StartSliderChanged(50); // equal to the end slider, so it moves
    EXPECT_EQ(model.StartText, "1002");
    EXPECT_EQ(model.EndText, "1003");
    model.EndSliderChanged(0); // left of the start slider: ignored
    EXPECT_EQ(model.EndSliderPosition, 0);
    EXPECT_EQ(model.EndText, "1003");
    model.StartSliderChanged(0);
    model.EndSliderChanged(0);
    EXPECT_EQ(model.StartText, "2");
    EXPECT_EQ(model.EndText, "3"); // the far left of the end slider
    model.EndSliderChanged(25);
    model.StartSliderChanged(25);
    EXPECT_EQ(model.StartText, "502");
    EXPECT_EQ(model.EndText, "503"); // equal positions: two clusters

    // A later showing derives the edits from the kept positions, not from the presets.
    model.ClusterCount = 2002;
    model.StartCluster = 2;
    model.EndCluster = 2003;
    model.StartText = "junk";
    model.Activate();
    EXPECT_EQ(model.EndCaption, "End cluster (max. 2003)");
    EXPECT_EQ(model.StartText, "1002");
    EXPECT_EQ(model.EndText, "1003");

    // Ties round to even: span 5 at positions 5 and 15 gives 0.5 and 1.5.
    TClusterRangeModel ties = PresetClusters(7, 512);
    ties.StartSliderChanged(5);
    EXPECT_EQ(ties.StartText, "2");
    ties.StartSliderChanged(15);
    EXPECT_EQ(ties.StartText, "4");
}

TEST(TClusterRangeModel, SizeTextInWholeMB) {
    struct TCase {
        const char* Start;
        const char* End;
        uint16_t BytesPerCluster;
        const char* Expected;
    };
    const TCase cases[] = {
        {"2", "2049", 4096, "8 MB"},
        {"2", "2", 512, "0 MB"},
        {"2", "1025", 512, "0 MB"},       // 0.5 MB, ties to even
        {"2", "3073", 512, "2 MB"},       // 1.5 MB
        {"2", "5121", 512, "2 MB"},       // 2.5 MB
        {"2", "65537", 32768, "2048 MB"}, // never GB
        {"10", "5", 32768, "0 MB"},       // −4 clusters round to 0
        {"2", "-1000000", 32768, "-31250 MB"},
        {"-2147483648", "2147483647", 32768, "134217728 MB"},
    };
    for (const TCase& c : cases) {
        TClusterRangeModel model;
        model.BytesPerCluster = c.BytesPerCluster;
        model.StartText = c.Start;
        model.EndText = c.End;
        model.UpdateSize();
        EXPECT_EQ(model.SizeText, c.Expected) << c.Start << ".." << c.End;
    }
}

TEST(TClusterRangeModel, TextThatIsNotASigned32BitNumberKeepsSizeAndField) {
    for (const char* bad : {"abc", "", "2049x", "2147483648", "-2147483649"}) {
        TClusterRangeModel model = PresetClusters(2048, 4096);
        model.Activate();
        model.EndText = bad;
        model.UpdateSize();
        EXPECT_EQ(model.SizeText, "8 MB") << bad;
        model.StartText = "100";
        model.Accept();
        EXPECT_EQ(model.StartCluster, 100u) << bad;
        EXPECT_EQ(model.EndCluster, 2049u) << bad;
    }
    TClusterRangeModel model = PresetClusters(2048, 4096);
    model.EndText = "-1"; // taken as typed; the caller's clamp deals with it
    model.Accept();
    EXPECT_EQ(model.EndCluster, 0xFFFFFFFFu);
}

TEST(TClusterRangeModel, FewerThanTwoClustersNeitherWrapsNorDivides) {
    for (uint32_t count : {0u, 1u}) {
        TClusterRangeModel model = PresetClusters(count, 512);
        model.Activate();
        EXPECT_EQ(model.EndCaption, "End cluster (max. " + std::to_string(count + 1) + ")");
        EXPECT_EQ(model.StartText, "2") << count;
        EXPECT_EQ(model.EndText, "3") << count;
        EXPECT_EQ(model.SizeText, "0 MB") << count;
    }
    TClusterRangeModel huge = PresetClusters(0xFFFFFFFF, 512);
    huge.Activate();
    EXPECT_EQ(huge.EndCaption, "End cluster (max. 4294967296)");
    EXPECT_EQ(huge.EndText, "4294967296");
}

TEST(ClampSectorRange, BringsRangeIntoDevice) {
    struct TCase {
        uint32_t Start, End, Count;
        uint32_t ExpectedStart, ExpectedEnd;
        bool ExpectedResult;
    };
    constexpr uint32_t Max = std::numeric_limits<uint32_t>::max();
    const TCase cases[] = {
        {0, 100000, 1000000, 0, 100000, true},
        {0, 100000, 50000, 0, 49999, true},
        {10, 5, 100, 10, 10, true},    // start past end: one sector
        {200, 300, 100, 99, 99, true}, // both beyond the device
        {5, Max, 100, 5, 99, true},    // −1 typed as end
        {Max, Max, Max, Max - 1, Max - 1, true},
        {0, 0, 1, 0, 0, true},
        {7, 9, 0, 0, 0, false}, // no sector at all
    };
    for (const TCase& c : cases) {
        uint32_t start = c.Start;
        uint32_t end = c.End;
        EXPECT_EQ(ClampSectorRange(start, end, c.Count), c.ExpectedResult) << c.Start;
        EXPECT_EQ(start, c.ExpectedStart) << c.Start << ".." << c.End << " of " << c.Count;
        EXPECT_EQ(end, c.ExpectedEnd) << c.Start << ".." << c.End << " of " << c.Count;
    }
}

TEST(ClampClusterRange, BringsRangeIntoDataClusters) {
    struct TCase {
        uint32_t Start, End, Count;
        uint32_t ExpectedStart, ExpectedEnd;
        bool ExpectedResult;
    };
    constexpr uint32_t Max = std::numeric_limits<uint32_t>::max();
    const TCase cases[] = {
        {2, 2049, 2048, 2, 2049, true},
        {0, 5000, 2048, 2, 2049, true},
        {100, 50, 2048, 100, 100, true},   // start past end: one cluster
        {Max, 10, 2048, 2049, 2049, true}, // −1 typed as start
        {0, 10, 1, 2, 2, true},
        {2, Max, Max - 1, 2, Max, true}, // ClusterCount + 1 is the top
        {2, Max, Max, 2, Max, true},     // ClusterCount + 1 does not fit: capped
        {5, 9, 0, 2, 2, false},          // no data cluster
    };
    for (const TCase& c : cases) {
        uint32_t start = c.Start;
        uint32_t end = c.End;
        EXPECT_EQ(ClampClusterRange(start, end, c.Count), c.ExpectedResult) << c.Start;
        EXPECT_EQ(start, c.ExpectedStart) << c.Start << ".." << c.End << " of " << c.Count;
        EXPECT_EQ(end, c.ExpectedEnd) << c.Start << ".." << c.End << " of " << c.Count;
    }
}

} // namespace
} // namespace tw::diskio
