// The file reader and its stream: consecutive clusters or a FAT chain, the ends of files,
// chains and volumes, cached first sectors and failed reads.
#include "fat/volume_fixture.h"
#include "support/fat_image_builder.h"
#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

namespace tw {
namespace {

using test::TFatImageBuilder;
using test::TFatLayout;

/// A floppy layout with 2048-byte clusters (711 of them, data from sector 33).
TFatLayout WideClusters() {
    TFatLayout layout;
    layout.SectorsPerCluster = 4;
    return layout;
}

/// Cluster bytes written with a pattern that differs per cluster.
std::vector<std::byte> PutClusters(TFatImageBuilder& image, uint32_t first, uint32_t count) {
    std::vector<std::byte> all;
    for (uint32_t c = first; c < first + count; ++c) {
        const std::vector<std::byte> body =
            test::PatternBytes(image.ClusterBytes(), static_cast<uint8_t>(c));
        image.WriteBytes(image.ClusterOffset(c), body);
        all.insert(all.end(), body.begin(), body.end());
    }
    return all;
}

std::vector<std::byte> Slice(const std::vector<std::byte>& bytes, size_t from, size_t count) {
    return {bytes.begin() + static_cast<std::ptrdiff_t>(from),
            bytes.begin() + static_cast<std::ptrdiff_t>(from + count)};
}

TEST(ReadFile, ADeletedFileOnConsecutiveClustersReadsItsClustersInOrder) {
    TFatImageBuilder image(WideClusters());
    const std::vector<std::byte> data = PutClusters(image, 10, 3);
    const std::vector<std::byte> elsewhere = PutClusters(image, 40, 2);
    image.Chain({10, 40, 41}); // the FAT tells another story
    test::TBuiltVolume volume(image.Take());
    ASSERT_TRUE(volume.Opened);
    const uint64_t first = TFatImageBuilder(WideClusters()).ClusterOffset(10);

    volume.Source->ClearTransfers();
    EXPECT_TRUE(test::ReadThroughStream(volume.Drive, 10, 5000, 0) == Slice(data, 0, 5000))
        << "clusters 10, 11 and 12; the last 904 bytes from cluster 12";
    for (const auto& t : volume.Source->Transfers()) {
        EXPECT_GE(t.Offset, first);
        EXPECT_LE(t.Offset + t.Bytes, first + 3 * 2048);
    }

    std::vector<std::byte> chained = Slice(data, 0, 2048);
    chained.insert(chained.end(), elsewhere.begin(), elsewhere.begin() + (5000 - 2048));
    EXPECT_TRUE(test::ReadThroughStream(volume.Drive, 10, 5000, 1) == chained)
        << "with the first FAT: clusters 10, 40, 41";
}

TEST(ReadFile, DeliversZerosPastTheEndOfAChainOrOfTheVolume) {
    TFatImageBuilder image(WideClusters());
    const std::vector<std::byte> head = PutClusters(image, 10, 1);
    PutClusters(image, 11, 2); // what a repeat or a run-on would show
    image.Chain({10});
    const uint32_t last = 711 + 1;
    const std::vector<std::byte> tail = PutClusters(image, last, 1);
    image.Chain({2, 3});
    test::TBuiltVolume volume(image.Take());
    ASSERT_TRUE(volume.Opened);
    ASSERT_EQ(volume.Drive.LastCluster(), last);

    std::vector<std::byte> expected = head;
    expected.resize(5000);
    EXPECT_TRUE(test::ReadThroughStream(volume.Drive, 10, 5000, 1) == expected)
        << "the chain ends after one cluster";

    expected = tail;
    expected.resize(3000);
    EXPECT_TRUE(test::ReadThroughStream(volume.Drive, last, 3000, 0) == expected)
        << "the volume ends after its last cluster";
}

TEST(ReadFile, AnswersAtTheEndOfTheFileAndRefusesPositionsBeyondIt) {
    TFatImageBuilder image(WideClusters());
    PutClusters(image, 10, 1);
    test::TBuiltVolume volume(image.Take());
    ASSERT_TRUE(volume.Opened);
    fat::TFATFileReader reader;
    ASSERT_TRUE(volume.Drive.InitReader(reader, 10, 100));
    std::vector<std::byte> buffer(200);
    uint32_t got = 7;
    reader.Position = 100;
    EXPECT_TRUE(volume.Drive.ReadFile(reader, 50, got, 0, buffer.data()));
    EXPECT_EQ(got, 0u);
    reader.Position = 101;
    EXPECT_FALSE(volume.Drive.ReadFile(reader, 50, got, 0, buffer.data()));
    EXPECT_EQ(got, 0u);
    reader.Position = 60;
    EXPECT_TRUE(volume.Drive.ReadFile(reader, 200, got, 0, buffer.data()));
    EXPECT_EQ(got, 40u) << "only up to the size";
}

TEST(FATStream, DeliversTheFullCountAfterACachedSectorAndKeepsItsPlaceOnAFailedSeek) {
    TFatImageBuilder image(WideClusters());
    const std::vector<std::byte> data = PutClusters(image, 10, 3);
    test::TBuiltVolume volume(image.Take());
    ASSERT_TRUE(volume.Opened);
    fat::TFATStream stream(volume.Drive, 10, 6000, 0);
    std::vector<std::byte> buffer(2048);
    EXPECT_EQ(stream.Seek(100, 0), 100);
    ASSERT_EQ(stream.Read(buffer.data(), 100), 100u);
    EXPECT_TRUE(Slice(buffer, 0, 100) == Slice(data, 100, 100));
    // The next read starts in the sector the last one left in the cache.
    ASSERT_EQ(stream.Read(buffer.data(), 2048), 2048u);
    EXPECT_TRUE(buffer == Slice(data, 200, 2048));

    EXPECT_EQ(stream.Seek(0, 2), 6000) << "the end of the file cannot be sought";
    EXPECT_EQ(stream.Seek(4, 1), 6004);
    ASSERT_EQ(stream.Read(buffer.data(), 10), 10u);
    EXPECT_TRUE(Slice(buffer, 0, 10) == Slice(data, 2248, 10)) << "the reader stayed where it was";
    EXPECT_EQ(stream.Seek(4100, 0), 4100);
    ASSERT_EQ(stream.Read(buffer.data(), 10), 10u);
    EXPECT_TRUE(Slice(buffer, 0, 10) == Slice(data, 4100, 10));
}

TEST(ReadFile, FailsOnAbortAndReadsZerosOnIgnoreForAnUnreadableSector) {
    for (const auto answer :
         {platform::TPromptAnswer::paAbort, platform::TPromptAnswer::paIgnore}) {
        const bool abort = answer == platform::TPromptAnswer::paAbort;
        SCOPED_TRACE(abort ? "Abort" : "Ignore");
        TFatImageBuilder image(WideClusters());
        const std::vector<std::byte> data = PutClusters(image, 10, 3);
        const uint64_t badSector = image.ClusterOffset(11) / 512 + 1;
        test::TBuiltVolume volume(image.Take());
        ASSERT_TRUE(volume.Opened);
        volume.Source->FailSector(badSector);
        test::TScriptedPrompter prompter(answer);
        fat::TFATFileReader reader;
        ASSERT_TRUE(volume.Drive.InitReader(reader, 10, 6000));
        std::vector<std::byte> buffer(6000);
        uint32_t got = 0;
        const bool ok = volume.Drive.ReadFile(reader, 6000, got, 0, buffer.data());
        EXPECT_FALSE(prompter.Shown().empty());
        if (abort) {
            EXPECT_FALSE(ok);
            continue;
        }
        ASSERT_TRUE(ok);
        ASSERT_EQ(got, 6000u);
        std::vector<std::byte> expected = data;
        expected.resize(6000);
        std::fill_n(expected.begin() + 2048 + 512, 512, std::byte{0});
        size_t lost = 0;
        for (size_t i = 0; i < buffer.size(); ++i) {
            lost += buffer[i] != expected[i] ? 1 : 0;
        }
        EXPECT_EQ(lost, 0u) << "the ignored sector reads as zeros, the rest as stored";
    }
}

} // namespace
} // namespace tw
