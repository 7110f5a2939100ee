#include "diskio/status_dialog.h"
#include "fat/fat_directory.h"
#include "fat/fat_drive.h"
#include "fat/list_order.h"
#include "fat/safe_name.h"
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
using platform::TPromptAnswer;

/// The destination dialog answered by the test.
class TScriptedDestination final : public fat::TDirSelectDialog {
public:
    explicit TScriptedDestination(std::string folder, int fat = -2)
        : m_Folder(std::move(folder)), m_Fat(fat) {}
    bool Execute() override {
        Preselected = SelectedFAT;
        Directory = m_Folder;
        if (m_Fat != -2) {
            SelectedFAT = m_Fat;
        }
        return !m_Folder.empty();
    }
    int Preselected = -1;

private:
    std::string m_Folder;
    int m_Fat;
};

/// Cancels the run once the bar has moved past a given percentage.
class TCancellingView final : public diskio::TStatusView {
public:
    explicit TCancellingView(int atPercent) : m_AtPercent(atPercent) {}
    void Refresh(const diskio::TStatusDialog& dialog) override {
        if (dialog.BarVisible() && dialog.BarPosition() >= m_AtPercent) {
            const_cast<diskio::TStatusDialog&>(dialog).Cancelled = true;
        }
    }

private:
    int m_AtPercent;
};

std::string Text(int lines, int seed) {
    std::string text;
    for (int i = 0; i < lines; ++i) {
        text += std::to_string(seed) + " line " + std::to_string(i) + " of the saved file\n";
    }
    return text;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// A FAT16 volume image made by mkfs.fat and mtools: live files, a folder, and files that
/// were deleted afterwards.
class Saving : public ::testing::Test {
protected:
    void SetUp() override {
        m_Image = m_Dir.File("vol.img");
        const std::string i = "-i " + test::Quote(m_Image) + " ";
        const std::string mtools = "MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 ";
        ASSERT_TRUE(test::Run("mkfs.fat -C -F 16 -n SAVETEST " + test::Quote(m_Image) +
                              " 20480 >/dev/null"));
        Write("a.txt", Text(300, 1));
        Write("b.txt", Text(500, 2));
        Write("big.txt", Text(40000, 3));
        Write("keep.txt", Text(10, 4));
        ASSERT_TRUE(test::Run(mtools + "mmd " + i + "::DOCS"));
        ASSERT_TRUE(test::Run(mtools + "mcopy " + i + Src("a.txt") + " ::AEADME.TXT"));
        ASSERT_TRUE(test::Run(mtools + "mcopy " + i + Src("b.txt") + " ::BEADME.TXT"));
        ASSERT_TRUE(test::Run(mtools + "mcopy " + i + Src("big.txt") + " ::DOCS/BIG.TXT"));
        ASSERT_TRUE(test::Run(mtools + "mcopy " + i + Src("keep.txt") + " ::KEEP.TXT"));
        ASSERT_TRUE(test::Run(mtools + "mdel " + i + "::AEADME.TXT ::BEADME.TXT"));
        m_Out = m_Dir.File("out");
        fs::create_directory(m_Out);
    }

    void Open() {
        m_Scope.AttachFile(m_Image);
        diskio::TStatusDialog dialog;
        ASSERT_TRUE(m_Session.DetectAll(dialog));
        ASSERT_GE(m_Session.DriveList.Count(), 1);
        m_Drive = static_cast<fat::TFATdrive*>(m_Session.DriveList.Items(0));
    }

    /// Saves the items at these paths as if selected in the list.
    fat::TSaveReport Save(const std::vector<std::string>& paths, diskio::TStatusDialog& dialog,
                          TScriptedDestination& destination) {
        devices::TListView list;
        bool deletedMode = false;
        for (const std::string& path : paths) {
            devices::TCustomItem* item = fat::FindItemByPath(*m_Drive, path, deletedMode);
            EXPECT_NE(item, nullptr) << path;
            if (item) {
                list.Items.push_back(fat::MakeListItem(*item));
                list.Items.back().Selected = true;
            }
        }
        fat::TSaveEnvironment environment{dialog, destination, {}};
        return fat::SaveItems(*m_Drive, list, deletedMode, environment);
    }

    void Write(const std::string& name, const std::string& text) {
        std::ofstream(m_Dir.File(name), std::ios::binary) << text;
    }
    std::string Src(const std::string& name) { return test::Quote(m_Dir.File(name)); }

    test::TTempDir m_Dir;
    test::TDeviceTableScope m_Scope;
    fat::TRecoverySession m_Session;
    fat::TFATdrive* m_Drive = nullptr;
    std::string m_Image;
    std::string m_Out;
};

TEST_F(Saving, DeletedFilesWithTheSameDisplayNameAreBothKeptByteExact) {
    Open();
    test::TScriptedPrompter prompter;
    diskio::TStatusDialog dialog;
    TScriptedDestination destination(m_Out);
    const uint64_t imageHash = test::HashFile(m_Image);
    const auto report = Save({"Deleted"}, dialog, destination);
    EXPECT_EQ(destination.Preselected, 0) << "under Deleted: no FAT (consecutive)";
    EXPECT_EQ(destination.FATChoices,
              (std::vector<std::string>{"no FAT (consecutive)", "FAT 1", "FAT 2"}));
    EXPECT_EQ(report.FilesSaved, 2u);
    const std::string first = ReadText(m_Out + "/Deleted/_EADME.TXT");
    const std::string second = ReadText(m_Out + "/Deleted/_EADME (2).TXT");
    EXPECT_TRUE((first == Text(300, 1) && second == Text(500, 2)) ||
                (first == Text(500, 2) && second == Text(300, 1)));
    EXPECT_TRUE(fs::is_directory(m_Out + "/Deleted/DOCS")) << "folders are created even empty";
    EXPECT_FALSE(fs::exists(m_Out + "/Deleted/KEEP.TXT")) << "live files stay out of Deleted";
    EXPECT_TRUE(prompter.Shown().empty());
    EXPECT_EQ(test::HashFile(m_Image), imageHash) << "the source is never written";
}

TEST_F(Saving, LiveTreeFromRootFollowsTheFatAndIsPreselectedWithIt) {
    Open();
    diskio::TStatusDialog dialog;
    TScriptedDestination destination(m_Out);
    const auto report = Save({"Root\\DOCS", "Root\\KEEP.TXT"}, dialog, destination);
    EXPECT_EQ(destination.Preselected, 1) << "elsewhere: the drive's FAT in use";
    EXPECT_EQ(report.FilesSaved, 2u);
    EXPECT_EQ(ReadText(m_Out + "/DOCS/BIG.TXT"), Text(40000, 3));
    EXPECT_EQ(ReadText(m_Out + "/KEEP.TXT"), Text(10, 4));
    EXPECT_EQ(dialog.Total, Text(40000, 3).size() + Text(10, 4).size());
    EXPECT_EQ(dialog.BarPosition(), 100);
}

TEST_F(Saving, ExistingFilesAreAskedAboutAndAClosedBoxKeepsThem) {
    Open();
    struct TCase {
        TPromptAnswer Answer;
        bool Replaced;
    };
    for (const TCase& c :
         {TCase{TPromptAnswer::paYes, true}, TCase{TPromptAnswer::paNo, false},
          TCase{TPromptAnswer::paAll, true}, TCase{TPromptAnswer::paClosed, false}}) {
        std::ofstream(m_Out + "/KEEP.TXT", std::ios::trunc) << "mine";
        test::TScriptedPrompter prompter;
        prompter.Script({c.Answer});
        diskio::TStatusDialog dialog;
        TScriptedDestination destination(m_Out);
        Save({"Root\\KEEP.TXT"}, dialog, destination);
        ASSERT_EQ(prompter.Shown().size(), 1u);
        EXPECT_EQ(prompter.Shown()[0].Text,
                  "This folder already contains a file called '" + m_Out +
                      "/KEEP.TXT'.\r\rWould you like to replace the existing file?");
        EXPECT_EQ(ReadText(m_Out + "/KEEP.TXT") != "mine", c.Replaced)
            << static_cast<int>(c.Answer);
    }
}

TEST_F(Saving, AnExistingFolderAnsweredNoIsLeftAloneAndTheRunGoesOn) {
    Open();
    fs::create_directory(m_Out + "/DOCS");
    test::TScriptedPrompter prompter;
    prompter.Script({TPromptAnswer::paNo});
    diskio::TStatusDialog dialog;
    TScriptedDestination destination(m_Out);
    Save({"Root\\DOCS", "Root\\KEEP.TXT"}, dialog, destination);
    ASSERT_EQ(prompter.Shown().size(), 1u);
    EXPECT_EQ(prompter.Shown()[0].Text,
              "This folder already contains a folder called 'DOCS'\r\rIf the files in the "
              "existing folder have the same name as files you are saving, do you want to "
              "replace the existing files?");
    EXPECT_FALSE(fs::exists(m_Out + "/DOCS/BIG.TXT"));
    EXPECT_TRUE(fs::exists(m_Out + "/KEEP.TXT"));
}

TEST_F(Saving, CancelInsideALargeFileLeavesNoPartialFile) {
    Open();
    TCancellingView view(30);
    diskio::TStatusDialog dialog(&view);
    TScriptedDestination destination(m_Out);
    const auto report = Save({"Root\\DOCS\\BIG.TXT", "Root\\KEEP.TXT"}, dialog, destination);
    EXPECT_TRUE(dialog.Cancelled);
    EXPECT_EQ(report.FilesSaved, 0u);
    EXPECT_FALSE(fs::exists(m_Out + "/BIG.TXT"));
    EXPECT_FALSE(fs::exists(m_Out + "/KEEP.TXT")) << "nothing more is saved";
}

TEST_F(Saving, NeverWritesThroughALinkAtTheDestination) {
    Open();
    const std::string elsewhere = m_Dir.File("elsewhere");
    fs::create_directory(elsewhere);
    fs::create_directory_symlink(elsewhere, m_Out + "/DOCS");
    fs::create_symlink(elsewhere + "/victim.txt", m_Out + "/KEEP.TXT");
    test::TScriptedPrompter prompter(TPromptAnswer::paAll);
    diskio::TStatusDialog dialog;
    TScriptedDestination destination(m_Out);
    Save({"Root\\DOCS", "Root\\KEEP.TXT"}, dialog, destination);
    EXPECT_TRUE(fs::is_empty(elsewhere));
}

TEST(SafeComponent, MakesEveryNameOneHarmlessPathComponent) {
    struct TCase {
        std::string Name;
        std::string Safe;
    };
    const TCase cases[] = {
        {"README.TXT", "README.TXT"},
        {"", "_"},
        {".", "_."},
        {"..", "_.."},
        {"../../etc/passwd", ".._.._etc_passwd"},
        {"a\\b:c*d?e\"f<g>h|i", "a_b_c_d_e_f_g_h_i"},
        {std::string("nul\0x", 5), "nul_x"},
        {"tab\there", "tab_here"},
        {"报告.txt", "报告.txt"},
        {"_EADME.TXT", "_EADME.TXT"},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(fat::SafeComponent(c.Name), c.Safe) << c.Name;
    }
    const std::string longName = std::string(300, 'x') + ".jpeg";
    const std::string safe = fat::SafeComponent(longName);
    EXPECT_EQ(safe.size(), 255u);
    EXPECT_EQ(safe.substr(safe.size() - 5), ".jpeg") << "the extension is kept";
    const std::string chinese = fat::SafeComponent(std::string(100 * 3, 'a') + "报告报告报告.doc");
    EXPECT_LE(chinese.size(), 255u);
    EXPECT_EQ(fat::NumberedName("_EADME.TXT", 2), "_EADME (2).TXT");
    EXPECT_EQ(fat::NumberedName("NOEXT", 3), "NOEXT (3)");
}

} // namespace
} // namespace tw
