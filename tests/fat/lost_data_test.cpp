#include "diskio/options.h"
#include "diskio/status_dialog.h"
#include "fat/fat_directory.h"
#include "fat/fat_drive.h"
#include "fat/list_order.h"
#include "fat/lost_data_search.h"
#include "fat/name_search.h"
#include "fat/saving.h"
#include "fat/session.h"
#include "support/image_tools.h"
#include "support/scripted_prompter.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace tw {
namespace {

namespace fs = std::filesystem;

class TWholeRange final : public fat::TClusterDialog {
public:
    bool Confirm = true;
    bool Execute() override { return Confirm; }
};

class TScriptedFind final : public fat::TFindDialog {
public:
    explicit TScriptedFind(std::string text, int stopAfterHits = -1)
        : m_Text(std::move(text)), m_StopAfter(stopAfterHits) {}
    bool Execute() override {
        Pattern = fat::BuildFindPattern(m_Text);
        Started = true;
        return true;
    }
    void SetScanning(const std::string&) override {}
    void AddHit(const std::string& name) override {
        Hits.push_back(name);
        if (m_StopAfter >= 0 && static_cast<int>(Hits.size()) >= m_StopAfter) {
            Stopped = true;
        }
    }
    std::vector<std::string> Hits;

private:
    std::string m_Text;
    int m_StopAfter;
};

class TDestination final : public fat::TDirSelectDialog {
public:
    explicit TDestination(std::string folder) : m_Folder(std::move(folder)) {}
    bool Execute() override {
        Directory = m_Folder;
        SelectedFAT = 0;
        return true;
    }

private:
    std::string m_Folder;
};

std::string Lines(int count, int seed) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += "lost " + std::to_string(seed) + " line " + std::to_string(i) + "\n";
    }
    return text;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// A populated volume, quick-formatted by running mkfs.fat over it again.
class LostData : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        m_Image = m_Dir.File("vol.img");
        const int fatBits = GetParam();
        const std::string size = fatBits == 32 ? "65536" : "32768";
        const std::string mkfs = "mkfs.fat -F " + std::to_string(fatBits) + " -n QUICK ";
        ASSERT_TRUE(test::Run(mkfs + "-C " + test::Quote(m_Image) + " " + size + " >/dev/null"));
        const std::string mt = "MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 ";
        const std::string i = " -i " + test::Quote(m_Image) + " ";
        auto put = [&](const std::string& name, const std::string& text, const std::string& to) {
            std::ofstream(m_Dir.File(name), std::ios::binary) << text;
            ASSERT_TRUE(test::Run(mt + "mcopy" + i + test::Quote(m_Dir.File(name)) + " " +
                                  test::Quote(to)));
        };
        ASSERT_TRUE(test::Run(mt + "mmd" + i + "::PROJECTS ::PROJECTS/SITE"));
        put("plan", Lines(3000, 1), "::PROJECTS/Project plan.txt");
        put("page", Lines(800, 2), "::PROJECTS/SITE/INDEX.HTM");
        put("photo", std::string("\xFF\xD8\xFF\xE0", 4) + Lines(2000, 3), "::PHOTO.JPG");
        ASSERT_TRUE(test::Run(mkfs + test::Quote(m_Image) + " >/dev/null"));

        m_Scope.AttachFile(m_Image);
        diskio::TStatusDialog dialog;
        ASSERT_TRUE(m_Session.DetectAll(dialog));
        m_Drive = static_cast<fat::TFATdrive*>(m_Session.DriveList.Items(0));
        ASSERT_EQ(m_Drive->FATInUse, 0) << "a quick format leaves an empty first FAT";
    }

    test::TTempDir m_Dir;
    test::TDeviceTableScope m_Scope;
    fat::TRecoverySession m_Session;
    fat::TFATdrive* m_Drive = nullptr;
    std::string m_Image;
};

INSTANTIATE_TEST_SUITE_P(Fat16And32, LostData, ::testing::Values(16, 32),
                         [](const auto& info) { return "FAT" + std::to_string(info.param); });

TEST_P(LostData, FindsLostFoldersWithTheirNamesAndLostFilesByType) {
    diskio::TStatusDialog dialog;
    TWholeRange range;
    fat::FindLostData(*m_Drive, dialog, range, {});
    EXPECT_EQ(range.StartCluster, 2u);
    EXPECT_EQ(range.EndCluster, m_Drive->ClusterCount + 1);
    const auto& lost = *m_Drive->LostDir->Children;
    std::vector<std::string> names;
    fat::TFATDirectory* projects = nullptr;
    for (const auto& item : lost) {
        names.push_back(item->Name);
        auto* folder = dynamic_cast<fat::TFATDirectory*>(item.get());
        if (folder) {
            folder->LoadChildren(false, false);
            for (const auto& child : *folder->Children) {
                if (child->Name == "Project plan.txt") {
                    projects = folder;
                }
            }
        }
    }
    ASSERT_NE(projects, nullptr) << ::testing::PrintToString(names);
    EXPECT_EQ(projects->Name.rfind("cluster ", 0), 0u);
    bool site = false;
    for (const auto& child : *projects->Children) {
        site = site || child->Name == "SITE";
    }
    EXPECT_TRUE(site) << "SITE is listed below its parent, not at the top of Lost";
    for (const std::string& name : names) {
        EXPECT_EQ(name.find("SITE"), std::string::npos);
    }
    const auto photo = std::find_if(lost.begin(), lost.end(), [](const auto& item) {
        return !item->IsDirectory() && item->Name.size() > 4 &&
               item->Name.substr(item->Name.size() - 4) == ".JPG";
    });
    ASSERT_NE(photo, lost.end()) << ::testing::PrintToString(names);
    EXPECT_EQ(static_cast<fat::TFATFile&>(**photo).Size, diskio::Options().LostDefaultSize);

    // The folder's files come back byte-exact as consecutive clusters.
    test::TTempDir out;
    devices::TListView list;
    list.Items.push_back(fat::MakeListItem(*projects));
    list.Items.back().Selected = true;
    TDestination destination(out.Path());
    diskio::TStatusDialog saveDialog;
    fat::TSaveEnvironment environment{saveDialog, destination, {}};
    fat::SaveItems(*m_Drive, list, false, environment);
    const std::string folder = out.File(projects->Name);
    EXPECT_EQ(ReadText(folder + "/Project plan.txt"), Lines(3000, 1));
    EXPECT_EQ(ReadText(folder + "/SITE/INDEX.HTM"), Lines(800, 2));
}

TEST_P(LostData, WithoutFileSearchOnlyFoldersAreFoundAndACancelledRangeKeepsLost) {
    diskio::TStatusDialog dialog;
    TWholeRange range;
    diskio::Options().FindLostFiles = false;
    fat::FindLostData(*m_Drive, dialog, range, {});
    diskio::Options().FindLostFiles = true;
    const size_t found = m_Drive->LostDir->Children->size();
    ASSERT_GE(found, 1u);
    for (const auto& item : *m_Drive->LostDir->Children) {
        EXPECT_TRUE(item->IsDirectory()) << item->Name;
    }
    range.Confirm = false;
    fat::FindLostData(*m_Drive, dialog, range, {});
    EXPECT_EQ(m_Drive->LostDir->Children->size(), found);
}

TEST_P(LostData, RangesOutsideTheVolumeAreClampedAndTerminate) {
    struct TRangeCase {
        uint32_t Start, End;
    };
    for (const TRangeCase& c :
         {TRangeCase{0, 0xFFFFFFFFu}, TRangeCase{0xFFFFFFF0u, 0xFFFFFFFFu}, TRangeCase{500, 100}}) {
        class TFixed final : public fat::TClusterDialog {
        public:
            uint32_t S, E;
            bool Execute() override {
                StartCluster = S;
                EndCluster = E;
                return true;
            }
        } range;
        range.S = c.Start;
        range.E = c.End;
        diskio::TStatusDialog dialog;
        fat::FindLostData(*m_Drive, dialog, range, {});
        EXPECT_LE(dialog.Total, uint64_t{m_Drive->ClusterCount}) << c.Start << ".." << c.End;
    }
}

TEST_P(LostData, NameSearchCopiesMatchesIntoSearched) {
    diskio::TStatusDialog dialog;
    TWholeRange range;
    fat::FindLostData(*m_Drive, dialog, range, {});
    TScriptedFind find("plan");
    ASSERT_TRUE(fat::FindByName(*m_Drive, find));
    EXPECT_EQ(find.Hits, std::vector<std::string>{"Project plan.txt"});
    ASSERT_EQ(m_Drive->SearchedDir->Children->size(), 1u);
    EXPECT_EQ(m_Drive->SearchedDir->Children->front()->Parent, m_Drive->SearchedDir.get());

    TScriptedFind everything("", 2);
    ASSERT_TRUE(fat::FindByName(*m_Drive, everything));
    EXPECT_EQ(everything.Hits.size(), 2u) << "Stop keeps the hits found so far";
    EXPECT_EQ(m_Drive->SearchedDir->Children->size(), 2u);
}

TEST(FindPattern, TextWithoutADotMatchesAnywhere) {
    EXPECT_EQ(fat::BuildFindPattern(""), "***");
    EXPECT_EQ(fat::BuildFindPattern("report"), "*report*");
    EXPECT_EQ(fat::BuildFindPattern("*.txt"), "*.txt");
}

TEST(VisitedClusters, OutsideTheRangeIsVisitedAndSetsNothing) {
    fat::TVisitedClusters visited(2, 100);
    EXPECT_FALSE(visited.Test(2));
    visited.Set(2);
    visited.Set(100);
    visited.Set(0xFFFFFFFFull);
    EXPECT_TRUE(visited.Test(2));
    EXPECT_TRUE(visited.Test(100));
    EXPECT_FALSE(visited.Test(50));
    EXPECT_TRUE(visited.Test(1)) << "below the range";
    EXPECT_TRUE(visited.Test(101)) << "above the range";
}

} // namespace
} // namespace tw
