// Volumes made by mkfs.fat, mtools and sfdisk, read the way the program reads them.
#include "fat/volume_fixture.h"
#include "support/fat_image_builder.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>

namespace tw {
namespace {

using test::Quote;

using test::TSeenItem;

const std::string Mtools = "MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 ";

bool CopyIn(const std::string& image, const std::string& local, const std::string& target) {
    return test::Run(Mtools + "mcopy -i " + Quote(image) + " " + Quote(local) + " " +
                     Quote("::" + target) + " >/dev/null 2>&1");
}

bool Tool(const std::string& command, const std::string& image, const std::string& target) {
    return test::Run(Mtools + command + " -i " + Quote(image) + " " + Quote("::" + target) +
                     " >/dev/null 2>&1");
}

/// Files written onto a volume, by display path ("\" between folders).
struct TVolumeContent {
    std::map<std::string, std::vector<std::byte>> Live;
    std::map<std::string, std::vector<std::byte>> Deleted;
};

/// The same content on every volume: long and short names, a Chinese long name, an empty
/// file, a file above 64 KiB, nested folders, a file written into the gap a deleted file
/// left (fragmented where the tools reuse clusters; the deleted entry lies in another folder,
/// whose slots the later files do not take), and files and a folder deleted last, so that
/// their clusters lie consecutive and stay free.
bool Populate(const test::TTempDir& dir, const std::string& image, TVolumeContent& content) {
    int seed = 1;
    auto put = [&](const std::string& target, size_t size) {
        std::vector<std::byte> bytes = test::PatternBytes(size, static_cast<uint8_t>(seed));
        const std::string local = dir.File("in" + std::to_string(seed++));
        test::WriteWholeFile(local, bytes);
        std::string path = target.substr(1);
        std::replace(path.begin(), path.end(), '/', '\\');
        content.Live[path] = bytes;
        return CopyIn(image, local, target);
    };
    auto drop = [&](const std::string& path, const std::string& shown, bool tree = false) {
        std::string key = path.substr(1);
        std::replace(key.begin(), key.end(), '/', '\\');
        if (!tree) {
            content.Deleted[shown] = content.Live.at(key);
        }
        content.Live.erase(key);
        return Tool(tree ? "mdeltree" : "mdel", image, path);
    };
    bool ok = put("/A.BIN", 3000) && put("/Long file name.bin", 5000) && put("/EMPTY.TXT", 0) &&
              put("/BIG.DAT", 70000) && Tool("mmd", image, "/SUB") && put("/SUB/报告.txt", 777) &&
              Tool("mmd", image, "/SUB/Deeper Folder") &&
              put("/SUB/Deeper Folder/Notes.txt", 1025) && put("/SUB/HOLE.BIN", 3000) &&
              put("/SUB/SPACER.BIN", 1000) && drop("/SUB/HOLE.BIN", "SUB\\_OLE.BIN") &&
              put("/FRAG.BIN", 9000);
    ok = ok && put("/GONE.TXT", 1234) && put("/Deleted long name.dat", 4000) &&
         Tool("mmd", image, "/OLDDIR") && put("/OLDDIR/inner file.bin", 1500);
    if (ok) {
        content.Deleted["_LDDIR\\inner file.bin"] = content.Live.at("OLDDIR\\inner file.bin");
        content.Live.erase("OLDDIR\\inner file.bin");
    }
    return ok && drop("/GONE.TXT", "_ONE.TXT") &&
           drop("/Deleted long name.dat", "Deleted long name.dat") && drop("/OLDDIR", "", true);
}

/// What `mdir -/ -b` lists: paths with "\" between folders, folders marked by a final "\".
std::set<std::string> MtoolsListing(const test::TTempDir& dir, const std::string& image) {
    const std::string out = dir.File("listing.txt");
    std::set<std::string> paths;
    if (!test::Run(Mtools + "mdir -/ -b -i " + Quote(image) + " :: > " + Quote(out) +
                   " 2>/dev/null")) {
        return paths;
    }
    std::ifstream in(out);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("::/", 0) != 0) {
            continue;
        }
        line = line.substr(3);
        std::replace(line.begin(), line.end(), '/', '\\');
        paths.insert(line);
    }
    return paths;
}

struct TToolCase {
    const char* Name;
    std::string Mkfs; ///< mkfs.fat arguments before the image path and size
    unsigned KiB;
    uint8_t FATType;
    /// The tools put the fragmented file into the deleted file's clusters (first fit); on
    /// FAT32 they go on from the last allocation instead.
    bool HoleReused;
};

void PrintTo(const TToolCase& c, std::ostream* out) {
    *out << c.Name;
}

class ToolVolume : public ::testing::TestWithParam<TToolCase> {};

INSTANTIATE_TEST_SUITE_P(
    FatTypes, ToolVolume,
    ::testing::Values(TToolCase{"Fat12Floppy", "-n FLOPPY", 1440, fat::Fat12, true},
                      TToolCase{"Fat16", "-F 16 -n VOLUME16", 32768, fat::Fat16, true},
                      TToolCase{"Fat32", "-F 32 -s 1 -n VOLUME32", 40960, fat::Fat32, false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_P(ToolVolume, ListsAndReadsLiveAndDeletedFilesByteExact) {
    const TToolCase& c = GetParam();
    test::TTempDir dir;
    const std::string image = dir.File("volume.img");
    ASSERT_TRUE(test::Run("mkfs.fat -C " + c.Mkfs + " " + Quote(image) + " " +
                          std::to_string(c.KiB) + " >/dev/null 2>&1"));
    TVolumeContent content;
    ASSERT_TRUE(Populate(dir, image, content));
    const std::set<std::string> listed = MtoolsListing(dir, image);
    ASSERT_FALSE(listed.empty());
    const uint64_t hashBefore = test::HashFile(image);

    {
        test::TImageVolumes volumes(image);
        ASSERT_EQ(volumes.Drives.Count(), 1);
        fat::TFATdrive& drive = volumes.Drive(0);
        EXPECT_EQ(drive.FATType, c.FATType);
        EXPECT_EQ(drive.FATInUse, 1);
        EXPECT_EQ(drive.Flags & 4, 0) << "a used FAT is not taken for wiped";

        // Root: exactly what mtools lists, each file read through the first FAT.
        const std::vector<TSeenItem> live = test::Walk(drive.Root(), false, 1);
        std::set<std::string> ours;
        for (const TSeenItem& item : live) {
            EXPECT_FALSE(item.Deleted) << item.Path;
            EXPECT_EQ(item.Condition, devices::ConditionNotJudged) << item.Path;
            ours.insert(item.Folder ? item.Path + "\\" : item.Path);
        }
        EXPECT_EQ(ours, listed);
        for (const auto& [path, bytes] : content.Live) {
            const TSeenItem* item = test::Find(live, path);
            ASSERT_NE(item, nullptr) << path;
            EXPECT_EQ(item->Size, bytes.size()) << path;
            EXPECT_TRUE(item->Bytes == bytes) << path << " reads back different bytes";
        }

        // Deleted: the deleted files with their long names or "_" for the lost character,
        // read as consecutive clusters.
        const std::vector<TSeenItem> deleted =
            test::Walk(static_cast<fat::TFATDirectory&>(*drive.DeletedDir), true, 0);
        for (const TSeenItem& item : deleted) {
            EXPECT_TRUE(item.Folder || item.Deleted) << item.Path << ": a live file";
        }
        const TSeenItem* folder = test::Find(deleted, "_LDDIR");
        ASSERT_NE(folder, nullptr) << "the deleted folder still starts with . and ..";
        EXPECT_TRUE(folder->Deleted);
        EXPECT_EQ(folder->Condition, devices::ConditionGood);
        for (const auto& [path, bytes] : content.Deleted) {
            const TSeenItem* item = test::Find(deleted, path);
            ASSERT_NE(item, nullptr) << path;
            EXPECT_EQ(item->Size, bytes.size()) << path;
            const bool reused = path == "SUB\\_OLE.BIN" && c.HoleReused;
            EXPECT_EQ(item->Condition, reused ? devices::ConditionPoor : devices::ConditionGood)
                << path;
            if (!reused) {
                EXPECT_TRUE(item->Bytes == bytes) << path << " reads back different bytes";
            }
        }
        EXPECT_NE(test::Find(deleted, "SUB\\Deeper Folder"), nullptr)
            << "live folders stay in the Deleted view";
    }
    EXPECT_EQ(test::HashFile(image), hashBefore) << "listing and reading changed the image";
}

TEST(ToolPartitions, ListsPrimaryEntriesFirstThenTheExtendedChainAndReadsALogicalVolume) {
    test::TTempDir dir;
    const std::string image = dir.File("disk.img");
    // Table order: primary, extended, primary; the logical volumes lie inside the extended
    // partition in the order 5, 6.
    ASSERT_TRUE(test::MakePartitionedImage(image, 64,
                                           "start=2048, size=16384, type=6\n"
                                           "start=18432, size=65536, type=5\n"
                                           "start=88064, size=16384, type=e\n"
                                           "start=20480, size=16384, type=1\n"
                                           "start=38912, size=16384, type=6\n"));
    struct TPart {
        uint32_t Start;
        std::string Mkfs;
    };
    for (const TPart& p :
         {TPart{2048, "-F 16 -s 1 -n PRIMARY1"}, TPart{88064, "-F 16 -s 1 -n PRIMARY3"},
          TPart{20480, "-F 12 -s 8 -n LOGICAL5"}, TPart{38912, "-F 16 -s 1 -n LOGICAL6"}}) {
        ASSERT_TRUE(test::Run("mkfs.fat " + p.Mkfs + " --offset " + std::to_string(p.Start) + " " +
                              Quote(image) + " 8192 >/dev/null 2>&1"));
    }
    const std::vector<std::byte> body = test::PatternBytes(20000, 9);
    test::WriteWholeFile(dir.File("body"), body);
    ASSERT_TRUE(test::Run(Mtools + "mcopy -i " + Quote(image + "@@" + std::to_string(38912 * 512)) +
                          " " + Quote(dir.File("body")) +
                          " '::In logical six.bin' >/dev/null 2>&1"));

    test::TImageVolumes volumes(image);
    ASSERT_EQ(volumes.Devices.Count(), 1);
    ASSERT_EQ(volumes.Drives.Count(), 4);
    const std::vector<std::pair<std::string, uint32_t>> expected = {{"PRIMARY1   ", 2048},
                                                                    {"PRIMARY3   ", 88064},
                                                                    {"LOGICAL5   ", 20480},
                                                                    {"LOGICAL6   ", 38912}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(volumes.Drive(i).Name, expected[static_cast<size_t>(i)].first) << i;
        EXPECT_EQ(volumes.Drive(i).VolumeStart, expected[static_cast<size_t>(i)].second) << i;
    }
    EXPECT_EQ(volumes.Drive(2).FATType, fat::Fat12);
    const std::vector<TSeenItem> live = test::Walk(volumes.Drive(3).Root(), false, 1);
    ASSERT_EQ(live.size(), 1u);
    EXPECT_EQ(live[0].Path, "In logical six.bin");
    EXPECT_TRUE(live[0].Bytes == body);
}

} // namespace
} // namespace tw
