// Directories no formatter makes: cycles, folders naming their ancestors, full fixed roots,
// long-name runs, escaped and hostile names, and the condition of deleted items.
#include "fat/volume_fixture.h"
#include "platform/text_codec.h"
#include "support/fat_image_builder.h"

#include <gtest/gtest.h>

namespace tw {
namespace {

using test::TFatImageBuilder;
using test::TFatLayout;
using test::TSeenItem;

constexpr uint8_t File = 0x20;
constexpr uint8_t Folder = 0x10;

std::vector<std::string> Paths(const std::vector<TSeenItem>& items) {
    std::vector<std::string> paths;
    for (const TSeenItem& item : items) {
        paths.push_back(item.Path);
    }
    return paths;
}

/// Name and flags of every child a folder loads.
std::vector<std::string> ChildNames(fat::TFATDirectory& folder, bool deletedMode) {
    folder.UnloadChildren();
    folder.LoadChildren(deletedMode, deletedMode);
    std::vector<std::string> names;
    for (const auto& child : *folder.Children) {
        names.push_back(devices::ReplaceDeletedChar(*child));
    }
    return names;
}

TEST(Directory, ACyclicClusterChainEnds) {
    // SUB at cluster 10 runs 10 -> 11 -> 10; both clusters are full, so no 0 entry ends it.
    TFatImageBuilder image{TFatLayout{}};
    image.WriteEntry(image.RootSlot(0), TFatImageBuilder::ShortEntry("SUB", Folder, 10, 0));
    image.WriteDotEntries(10, 0);
    for (uint32_t i = 2; i < 16; ++i) {
        image.WriteEntry(image.ClusterSlot(10, i),
                         TFatImageBuilder::ShortEntry("TEN" + std::to_string(i), File, 0, 0));
    }
    for (uint32_t i = 0; i < 16; ++i) {
        image.WriteEntry(image.ClusterSlot(11, i),
                         TFatImageBuilder::ShortEntry("ELEVEN" + std::to_string(i), File, 0, 0));
    }
    image.SetFat(10, 11);
    image.SetFat(11, 10);
    test::TBuiltVolume volume(image.Take());
    ASSERT_TRUE(volume.Opened);
    ASSERT_EQ(volume.Drive.FATInUse, 1);

    EXPECT_TRUE(volume.Root().HasSubdirEntries(false));
    const std::vector<TSeenItem> seen = test::Walk(volume.Root(), false, 1);
    ASSERT_GE(seen.size(), 1u + 14 + 16);
    EXPECT_EQ(seen[0].Path, "SUB");
    EXPECT_EQ(seen[1].Path, "SUB\\TEN2");
    EXPECT_EQ(seen[15].Path, "SUB\\ELEVEN0");
    EXPECT_LE(seen.size(), 16 * (volume.Drive.LastCluster() + 1)) << "bounded by the cluster count";
}

TEST(Directory, LeavesOutFoldersThatNameThemselvesOrAnAncestor) {
    TFatImageBuilder image{TFatLayout{}};
    image.WriteEntry(image.RootSlot(0), TFatImageBuilder::ShortEntry("SUB", Folder, 10, 0));
    image.WriteDotEntries(10, 0);
    image.WriteEntry(image.ClusterSlot(10, 2), TFatImageBuilder::ShortEntry("SELF", Folder, 10, 0));
    image.WriteEntry(image.ClusterSlot(10, 3),
                     TFatImageBuilder::ShortEntry("CHILD", Folder, 11, 0));
    image.WriteDotEntries(11, 10);
    image.WriteEntry(image.ClusterSlot(11, 2), TFatImageBuilder::ShortEntry("UP", Folder, 10, 0));
    image.WriteEntry(image.ClusterSlot(11, 3),
                     TFatImageBuilder::ShortEntry("LEAF    TXT", File, 0, 0));
    test::TBuiltVolume volume(image.Take());
    ASSERT_TRUE(volume.Opened);
    EXPECT_EQ(Paths(test::Walk(volume.Root(), false, 1)),
              (std::vector<std::string>{"SUB", "SUB\\CHILD", "SUB\\CHILD\\LEAF.TXT"}));
    EXPECT_EQ(Paths(test::Walk(volume.Deleted(), true, 0)),
              (std::vector<std::string>{"SUB", "SUB\\CHILD"}));
    EXPECT_EQ(volume.Root().Children, nullptr) << "ForEach unloads what it loaded";
}

TEST(Directory, AFolderEntryWithClusterZeroDoesNotListTheBootSector) {
    // Only "." and ".." may name cluster 0 (the root); any other folder entry with it is
    // damage, and reading it by sector from sector 0 would list the boot sector and the FAT.
    TFatImageBuilder image{TFatLayout{}};
    image.WriteEntry(image.RootSlot(0), TFatImageBuilder::ShortEntry("ZERO", Folder, 0, 0));
    image.Chain({20});
    test::TBuiltVolume volume(image.Take());
    ASSERT_TRUE(volume.Opened);
    for (const TSeenItem& item : test::Walk(volume.Root(), false, 1)) {
        EXPECT_TRUE(item.Path == "ZERO") << "listed from the boot sector: " << item.Path;
    }
}

TEST(Directory, AFullFixedRootEndsBeforeClusterTwo) {
    TFatLayout layout;
    layout.RootEntries = 16; // one sector
    TFatImageBuilder image(layout);
    for (uint32_t i = 0; i < 16; ++i) {
        image.WriteEntry(image.RootSlot(i),
                         TFatImageBuilder::ShortEntry("ROOT" + std::to_string(i), File, 0, 0));
    }
    image.WriteEntry(image.ClusterSlot(2, 0),
                     TFatImageBuilder::ShortEntry("INDATA  TXT", File, 0, 0));
    image.Chain({2});
    test::TBuiltVolume volume(image.Take());
    ASSERT_TRUE(volume.Opened);
    const std::vector<std::string> names = ChildNames(volume.Root(), false);
    EXPECT_EQ(names.size(), 16u);
    EXPECT_EQ(names.back(), "ROOT15");
}

TEST(Directory, ReadsLongNamesWholeAndEndsARunWhereItsChecksumChanges) {
    TFatImageBuilder image{TFatLayout{}};
    // 26 units: two long-name entries without a terminating 0 unit, deleted.
    const auto deleted = TFatImageBuilder::ShortEntry("\xE5UARTE~1DOC", File, 30, 100);
    std::vector<TFatImageBuilder::TEntry> run =
        TFatImageBuilder::LongNameEntries(u"Quarterly report 2004.docx", deleted, true);
    run.push_back(deleted);
    // A live name whose second long-name entry carries another checksum.
    const auto broken = TFatImageBuilder::ShortEntry("LONGNA~1TXT", File, 0, 0);
    std::vector<TFatImageBuilder::TEntry> second =
        TFatImageBuilder::LongNameEntries(u"Long name across three entries.txt", broken, false);
    second[1][13] ^= std::byte{0x5A};
    run.insert(run.end(), second.begin(), second.end());
    run.push_back(broken);
    image.WriteEntries(image.RootSlot(0), run);
    test::TBuiltVolume volume(image.Take());
    ASSERT_TRUE(volume.Opened);

    EXPECT_EQ(ChildNames(volume.Deleted(), true),
              (std::vector<std::string>{"Quarterly report 2004.docx"}));
    const auto& file = *volume.Deleted().Children->at(0);
    EXPECT_FALSE(file.FirstCharLost);
    EXPECT_TRUE(file.IsDeleted());

    // The broken run: the first entry's 13 characters, with the next long-name entry in
    // hand, which the folder passes over; the file keeps its short name.
    fat::TDirPosition position = fat::TDirPosition::Start(0, volume.Drive.RootDirSector);
    position.Index = 3;
    fat::TEntryName name;
    fat::TEntryBytes entry{};
    ASSERT_TRUE(volume.Drive.NextEntry(position, false, name, entry));
    EXPECT_EQ(name.Text, "ries.txt") << "the last part, which the first entry on disk holds";
    EXPECT_TRUE(fat::IsLongNameEntry(entry));
    EXPECT_EQ(ChildNames(volume.Root(), false), (std::vector<std::string>{"LONGNA~1.TXT"}));
}

TEST(Directory, ShowsAnEscapedLeadByteAsE5AndADeletedOneAsTheDeletedCharacter) {
    struct TCodePage437 {
        TCodePage437() { platform::SetOemCodePage(437); } // 0xE5 is U+03C3 there
        ~TCodePage437() { platform::SetOemCodePage(0); }
    } codePage;
    TFatImageBuilder image{TFatLayout{}};
    image.WriteEntry(image.RootSlot(0), TFatImageBuilder::ShortEntry("\x05"
                                                                     "ABC    TXT",
                                                                     File, 0, 0));
    image.WriteEntry(image.RootSlot(1), TFatImageBuilder::ShortEntry("\xE5"
                                                                     "EADME  TXT",
                                                                     File, 0, 0));
    image.WriteEntry(image.RootSlot(2), TFatImageBuilder::ShortEntry("\xE5"
                                                                     "\xE5"
                                                                     "X     TXT",
                                                                     File, 0, 0));
    test::TBuiltVolume volume(image.Take());
    ASSERT_TRUE(volume.Opened);
    EXPECT_EQ(ChildNames(volume.Root(), false), (std::vector<std::string>{"\u03C3ABC.TXT"}));
    EXPECT_EQ(ChildNames(volume.Deleted(), true),
              (std::vector<std::string>{"_EADME.TXT", "_\u03C3X.TXT"}))
        << "only the lost first character is replaced";
}

TEST(Directory, JudgesDeletedItemsByTheirFirstClusterInTheFirstFat) {
    TFatImageBuilder image{TFatLayout{}};
    struct TCase {
        const char* Name11;
        uint32_t Cluster;
        const char* Shown;
        uint8_t Condition;
    };
    const TCase cases[] = {
        {"\xE5REE    BIN", 50, "_REE.BIN", devices::ConditionGood},
        {"\xE5SED    BIN", 60, "_SED.BIN", devices::ConditionPoor},
        {"\xE5"
         "ERO    BIN",
         0, "_ERO.BIN", devices::ConditionPoor},
        {"\xE5NE     BIN", 1, "_NE.BIN", devices::ConditionPoor},
        {"\xE5"
         "EYOND  BIN",
         5000, "_EYOND.BIN", devices::ConditionPoor},
    };
    uint32_t slot = 0;
    for (const TCase& c : cases) {
        image.WriteEntry(image.RootSlot(slot++),
                         TFatImageBuilder::ShortEntry(c.Name11, File, c.Cluster, 10));
    }
    image.SetFat(60, 0xFFF, 0); // in use again in the first FAT only
    image.Chain({2, 3});
    test::TBuiltVolume volume(image.Take());
    ASSERT_TRUE(volume.Opened);
    ASSERT_LT(volume.Drive.LastCluster(), 5000u);
    const std::vector<TSeenItem> seen = test::Walk(volume.Deleted(), true, 0);
    ASSERT_EQ(seen.size(), std::size(cases));
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].Path, cases[i].Shown);
        EXPECT_EQ(seen[i].Condition, cases[i].Condition) << cases[i].Shown;
    }
}

TEST(Directory, ListsNamesAsTheyAreStoredEvenWhenNoFileSystemCouldHoldThem) {
    TFatImageBuilder image{TFatLayout{}};
    std::vector<TFatImageBuilder::TEntry> run;
    auto add = [&](std::u16string_view longName, const char* name11, uint8_t attributes,
                   uint32_t cluster) {
        const auto entry = TFatImageBuilder::ShortEntry(name11, attributes, cluster, 0);
        if (!longName.empty()) {
            const auto lfn = TFatImageBuilder::LongNameEntries(longName, entry, false);
            run.insert(run.end(), lfn.begin(), lfn.end());
        }
        run.push_back(entry);
    };
    add(u"a/b.txt", "AB~1    TXT", File, 0);
    add(u"..", "DOTDOT  TXT", File, 0);
    add(u"", "           ", File, 0);
    add(u"..", "DOTDIR     ", Folder, 20);
    image.WriteEntries(image.RootSlot(0), run);
    image.WriteDotEntries(20, 0);
    image.Chain({20});
    test::TBuiltVolume volume(image.Take());
    ASSERT_TRUE(volume.Opened);
    EXPECT_EQ(ChildNames(volume.Root(), false),
              (std::vector<std::string>{"a/b.txt", "..", "", ".."}))
        << "the dot test belongs to the stored short name, not to a long name";
}

TEST(DriveTree, MarksTheDeletedNodeForADeletedFolderTheRootDoesNotShow) {
    TFatImageBuilder image{TFatLayout{}};
    image.WriteEntry(image.RootSlot(0), TFatImageBuilder::ShortEntry("LIVE    TXT", File, 0, 0));
    image.WriteEntry(image.RootSlot(1), TFatImageBuilder::ShortEntry("\xE5"
                                                                     "LD",
                                                                     Folder, 20, 0));
    image.WriteDotEntries(20, 0);
    test::TBuiltVolume volume(image.Take());
    ASSERT_TRUE(volume.Opened);
    devices::TTreeView tree;
    volume.Drive.FillTree(tree);
    ASSERT_NE(tree.RootNode, nullptr);
    EXPECT_FALSE(tree.RootNode->HasChildren);
    EXPECT_TRUE(tree.DeletedNode->HasChildren);
    volume.Deleted().ExpandNode(tree, *tree.DeletedNode, true);
    volume.Deleted().ExpandNode(tree, *tree.DeletedNode, true);
    ASSERT_EQ(tree.DeletedNode->Children.size(), 1u) << "a second expansion adds nothing";
    EXPECT_EQ(tree.DeletedNode->Children[0]->Text, "_LD");
    EXPECT_EQ(tree.DeletedNode->Children[0]->ImageIndex, devices::ImageIndex::DeletedFolder);
}

} // namespace
} // namespace tw
