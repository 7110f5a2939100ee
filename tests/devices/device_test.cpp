#include "devices/device.h"
#include "devices/read_ahead_cache.h"
#include "diskio/physical_disk_io.h"
#include "platform/clock.h"
#include "support/fake_source.h"
#include "support/image_tools.h"
#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

namespace tw {
namespace {

using devices::TDevice;
using test::TFakeSource;

/// A BIOS disk 128 over a fake source, cached with the given fill size.
struct TCachedDisk {
    test::TDeviceTableScope Scope;
    std::shared_ptr<TFakeSource> Source;
    TDevice Device;

    TCachedDisk(uint32_t sectors, uint32_t readAhead)
        : Source(std::make_shared<TFakeSource>(TFakeSource::Pattern(sectors))) {
        Scope.AttachSource(Source, platform::TAttachAs::aaDisk);
        Device.DriveNumber = 128;
        Device.BytesPerSector = 512;
        Device.TotalSectors = sectors;
        Device.ReadAheadSectors = readAhead;
        Device.CacheEnabled = true;
        devices::SetReadAheadEnabled(true);
    }
    ~TCachedDisk() { devices::SetReadAheadEnabled(false); }
};

TEST(ReadAheadCache, FillsOnceAndServesFollowingSectorsFromTheSlot) {
    TCachedDisk disk(10000, 100);
    std::vector<std::byte> buffer(512);
    disk.Source->ClearTransfers();
    for (uint32_t s = 0; s < 100; ++s) {
        ASSERT_TRUE(disk.Device.ReadSectors(s, 1, false, buffer.data()));
        ASSERT_EQ(buffer[3], test::PatternByte(s, 3)) << s;
    }
    EXPECT_EQ(disk.Source->Transfers().size(), 1u) << "one 100-sector fill";
    ASSERT_TRUE(disk.Device.ReadSectors(100, 1, false, buffer.data()));
    EXPECT_EQ(disk.Source->Transfers().size(), 2u);
}

TEST(ReadAheadCache, ARequestPartlyInASlotIsFinishedByAFillFromTheFirstMissingSector) {
    TCachedDisk disk(10000, 100);
    std::vector<std::byte> buffer(30 * 512);
    ASSERT_TRUE(disk.Device.ReadSectors(0, 1, false, buffer.data()));
    disk.Source->ClearTransfers();
    ASSERT_TRUE(disk.Device.ReadSectors(90, 30, false, buffer.data()));
    ASSERT_EQ(disk.Source->Transfers().size(), 1u);
    EXPECT_EQ(disk.Source->Transfers()[0].Offset, 100u * 512);
    for (uint32_t i = 0; i < 30; ++i) {
        EXPECT_EQ(buffer[i * 512 + 1], test::PatternByte(90 + i, 1)) << i;
    }
}

TEST(ReadAheadCache, FillsStopAtTheDeviceEndAndRequestsPastItFail) {
    TCachedDisk disk(1000, 4096);
    std::vector<std::byte> buffer(4 * 512);
    disk.Source->ClearTransfers();
    ASSERT_TRUE(disk.Device.ReadSectors(990, 1, false, buffer.data()));
    ASSERT_EQ(disk.Source->Transfers().size(), 1u);
    EXPECT_EQ(disk.Source->Transfers()[0].Bytes, 10u * 512);
    EXPECT_FALSE(disk.Device.ReadSectors(998, 4, false, buffer.data()));
    EXPECT_FALSE(disk.Device.ReadSectors(1000, 1, false, buffer.data()));
    EXPECT_FALSE(disk.Device.ReadSectors(0xFFFFFFFFu, 1, false, buffer.data()));
}

TEST(ReadAheadCache, NeverServesAnotherDeviceOrADisabledOne) {
    TCachedDisk disk(10000, 100);
    TDevice other;
    other.DriveNumber = 128;
    other.BytesPerSector = 512;
    other.TotalSectors = 10000;
    other.ReadAheadSectors = 100;
    std::vector<std::byte> buffer(512);
    ASSERT_TRUE(disk.Device.ReadSectors(0, 1, false, buffer.data()));
    disk.Source->ClearTransfers();
    ASSERT_TRUE(other.ReadSectors(5, 1, false, buffer.data()));
    EXPECT_EQ(disk.Source->Transfers().size(), 1u) << "not cached: read directly";
    other.CacheEnabled = true;
    ASSERT_TRUE(other.ReadSectors(5, 1, false, buffer.data()));
    EXPECT_EQ(disk.Source->Transfers().size(), 2u) << "the other device's slots don't serve it";

    devices::SetReadAheadEnabled(false);
    disk.Source->ClearTransfers();
    ASSERT_TRUE(disk.Device.ReadSectors(1, 1, false, buffer.data()));
    EXPECT_EQ(disk.Source->Transfers().size(), 1u) << "the global switch bypasses the cache";
}

TEST(ReadAheadCache, VictimIsTheLowestAgeBelow15AndAgesMoveOnEveryLookup) {
    devices::TReadAheadCache cache;
    auto& slots = cache.Slots();
    for (auto& slot : slots) {
        slot.Age = 15;
    }
    EXPECT_EQ(cache.ChooseVictim(), 0u) << "all 15: slot 0";
    slots[2].Age = 3;
    slots[3].Age = 3;
    EXPECT_EQ(cache.ChooseVictim(), 2u) << "ties go to the lower slot";

    TDevice device;
    device.BytesPerSector = 512;
    slots[1].Owner = &device;
    slots[1].FirstSector = 10;
    slots[1].LastSector = 10;
    slots[1].Data.resize(512);
    slots[1].Age = 14;
    std::vector<std::byte> buffer(512);
    uint32_t sector = 10;
    uint16_t count = 1;
    std::byte* out = buffer.data();
    EXPECT_TRUE(cache.Lookup(device, sector, count, out));
    EXPECT_EQ(slots[0].Age, 14);
    EXPECT_EQ(slots[1].Age, 15);
    EXPECT_EQ(slots[2].Age, 2);
    slots[1].Owner = nullptr;
}

TEST(ReadAheadCache, DestroyingADeviceFreesItsSlots) {
    TCachedDisk disk(10000, 100);
    std::vector<std::byte> buffer(512);
    {
        TDevice temporary;
        temporary.DriveNumber = 128;
        temporary.BytesPerSector = 512;
        temporary.TotalSectors = 10000;
        temporary.ReadAheadSectors = 100;
        temporary.CacheEnabled = true;
        ASSERT_TRUE(temporary.ReadSectors(0, 1, false, buffer.data()));
    }
    for (const auto& slot : devices::CacheSlots().Slots()) {
        EXPECT_TRUE(slot.Owner == nullptr || slot.Owner == &disk.Device);
    }
}

TEST(ReadAheadCache, AFailedFillAsksOnlyAboutTheRequestedSectors) {
    TCachedDisk disk(10000, 100);
    test::TScriptedPrompter prompter(platform::TPromptAnswer::paIgnore);
    disk.Source->FailSector(50);
    std::vector<std::byte> buffer(512);
    EXPECT_TRUE(disk.Device.ReadSectors(0, 1, true, buffer.data()));
    EXPECT_EQ(buffer[1], test::PatternByte(0, 1));
    EXPECT_TRUE(prompter.Shown().empty()) << "sector 50 was only read ahead";
    EXPECT_TRUE(disk.Device.ReadSectors(49, 1, true, buffer.data()));
    EXPECT_EQ(buffer[1], test::PatternByte(49, 1)) << "no ignored zeros were kept in a slot";
    EXPECT_TRUE(disk.Device.ReadSectors(50, 1, true, buffer.data()));
    EXPECT_EQ(prompter.Shown().size(), 1u);
    EXPECT_EQ(buffer[1], std::byte{0});
}

TEST(CalibrateReadAhead, SizesTheFillFromReadsIn100Ms) {
    struct TCase {
        uint32_t Sectors;
        uint32_t MsPerRead;
        uint32_t Expected;
        const char* What;
    };
    const TCase cases[] = {
        {1000, 1, 0, "fewer than 2048 sectors are never cached"},
        {100000, 200, 1, "one read in 100 ms"},
        {100000, 2, 500, "50 reads give 500"},
        {100000, 0, 4096, "a fast disk is capped at 2 MiB"},
        {3000, 0, 4096, "a page-cached image reaches its end: success"},
    };
    for (const TCase& c : cases) {
        test::TDeviceTableScope scope;
        platform::TManualClock clock(0xFFFFFF00u); // the tick count wraps during the run
        platform::SetClock(&clock);
        auto source = std::make_shared<TFakeSource>(TFakeSource::Pattern(c.Sectors));
        source->SetSlowness(&clock, c.MsPerRead);
        scope.AttachSource(source, platform::TAttachAs::aaDisk);
        TDevice device;
        device.DriveNumber = 128;
        device.BytesPerSector = 512;
        device.TotalSectors = c.Sectors;
        if (c.MsPerRead == 0) {
            // A clock that never moves: the end of the device stops the run.
            source->SetSlowness(nullptr, 0);
        }
        device.CalibrateReadAhead();
        platform::SetClock(nullptr);
        EXPECT_EQ(device.ReadAheadSectors, c.Expected) << c.What;
    }
}

TEST(CalibrateReadAhead, AFailedTimingReadLeavesTheDeviceUncached) {
    test::TDeviceTableScope scope;
    auto source = std::make_shared<TFakeSource>(TFakeSource::Pattern(5000));
    source->FailSector(0);
    scope.AttachSource(source, platform::TAttachAs::aaDisk);
    TDevice device;
    device.DriveNumber = 128;
    device.BytesPerSector = 512;
    device.TotalSectors = 5000;
    device.CalibrateReadAhead();
    EXPECT_EQ(device.ReadAheadSectors, 0u);
}

} // namespace
} // namespace tw
