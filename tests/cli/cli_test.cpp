#include "support/image_tools.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace tw {
namespace {

struct TResult {
    int Status = -1;
    std::string Out;
};

/// Runs tarnwell-cli with arguments (already quoted for the shell) and an environment prefix.
TResult RunCli(const std::string& args, const std::string& environment = "") {
    const std::string command = environment + " " + test::Quote(TW_CLI_PATH) +
                                " --no-system-devices " + args + " 2>/dev/null";
    TResult result;
    FILE* pipe = ::popen(command.c_str(), "r");
    std::array<char, 4096> buffer{};
    size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        result.Out.append(buffer.data(), n);
    }
    const int status = ::pclose(pipe);
    result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string Lines(int count, int seed) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += "file " + std::to_string(seed) + " line " + std::to_string(i) + "\n";
    }
    return text;
}

/// A partitioned disk: a FAT16 primary partition with live and deleted files (long and
/// Chinese names), and a FAT32 logical partition in an extended one.
class Cli : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_Dir = new test::TTempDir();
        const std::string part16 = s_Dir->File("p16.img");
        const std::string part32 = s_Dir->File("p32.img");
        s_Disk = s_Dir->File("disk.img");
        // mkfs.fat counts KiB; the partitions are 16384 and 73728 sectors.
        const std::string mtools = "MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 ";
        const std::string i16 = " -i " + test::Quote(part16) + " ";
        auto source = [](const std::string& name, const std::string& text) {
            std::ofstream(s_Dir->File(name), std::ios::binary) << text;
            return test::Quote(s_Dir->File(name));
        };
        ASSERT_TRUE(test::Run("mkfs.fat -C -F 16 -s 1 -n LIVE16 " + test::Quote(part16) +
                              " 8192 >/dev/null"));
        ASSERT_TRUE(
            test::Run("mkfs.fat -C -F 32 -n DATA32 " + test::Quote(part32) + " 36864 >/dev/null"));
        ASSERT_TRUE(test::Run(mtools + "mmd" + i16 + "::DOCS"));
        ASSERT_TRUE(test::Run(mtools + "mcopy" + i16 + source("r", Lines(400, 1)) +
                              " '::DOCS/Annual report.txt'"));
        ASSERT_TRUE(test::Run(mtools + "mcopy" + i16 + source("c", Lines(200, 2)) + " ::报告.txt"));
        ASSERT_TRUE(test::Run(mtools + "mcopy" + i16 + source("k", Lines(20, 3)) + " ::KEEP.TXT"));
        ASSERT_TRUE(
            test::Run(mtools + "mcopy" + i16 + source("m", Lines(900, 4)) + " ::README.TXT"));
        ASSERT_TRUE(test::Run(mtools + "mdel" + i16 +
                              "'::DOCS/Annual report.txt' ::报告.txt ::README.TXT"));
        ASSERT_TRUE(test::Run(mtools + "mcopy -i " + test::Quote(part32) + " " +
                              source("d", Lines(50, 5)) + " ::DATA.BIN"));
        ASSERT_TRUE(test::MakePartitionedImage(s_Disk, 48,
                                               "start=2048, size=16384, type=6\nstart=20480, "
                                               "type=5\nstart=22528, size=73728, type=c\n"));
        ASSERT_TRUE(test::Run("dd if=" + test::Quote(part16) + " of=" + test::Quote(s_Disk) +
                              " bs=512 seek=2048 conv=notrunc status=none"));
        ASSERT_TRUE(test::Run("dd if=" + test::Quote(part32) + " of=" + test::Quote(s_Disk) +
                              " bs=512 seek=22528 conv=notrunc status=none"));
    }
    static void TearDownTestSuite() { delete s_Dir; }

    static std::string Disk() { return "--image " + test::Quote(s_Disk); }

    static test::TTempDir* s_Dir;
    static std::string s_Disk;
};

test::TTempDir* Cli::s_Dir = nullptr;
std::string Cli::s_Disk;

TEST_F(Cli, DevicesAreNamedWithTheirSizesOnBothFamilies) {
    const std::string floppy = s_Dir->File("floppy.img");
    const std::string big = s_Dir->File("big.img");
    ASSERT_TRUE(test::MakeFloppyImage(floppy));
    ASSERT_TRUE(test::MakePartitionedImage(big, 512, "start=2048, type=6\n"));
    for (const char* family : {"nt", "9x"}) {
        const TResult r =
            RunCli("--image " + test::Quote(floppy) + " --image " + test::Quote(big) + " devices",
                   std::string("TARNWELL_SYSTEM_FAMILY=") + family);
        EXPECT_EQ(r.Status, 0);
        EXPECT_NE(r.Out.find("floppy disk #1   (1.41 MB)"), std::string::npos) << family << r.Out;
        EXPECT_NE(r.Out.find("fixed disk #2   (512.00 MB)"), std::string::npos) << family << r.Out;
    }
}

TEST_F(Cli, DrivesListPrimaryThenLogicalVolumes) {
    const TResult r = RunCli(Disk() + " drives");
    ASSERT_EQ(r.Status, 0);
    const size_t live = r.Out.find("LIVE16        on fixed disk #1");
    const size_t data = r.Out.find("DATA32        on fixed disk #1");
    ASSERT_NE(live, std::string::npos) << r.Out;
    ASSERT_NE(data, std::string::npos) << r.Out;
    EXPECT_LT(live, data);
    EXPECT_NE(r.Out.find("FAT32"), std::string::npos);
}

TEST_F(Cli, ListsDeletedItemsAsJsonWithTheirConditions) {
    const TResult r = RunCli(Disk() + " ls 0 Deleted -r --json");
    ASSERT_EQ(r.Status, 0);
    EXPECT_NE(r.Out.find("\"path\":\"Deleted\\\\DOCS\\\\Annual report.txt\""), std::string::npos)
        << r.Out;
    EXPECT_NE(r.Out.find("\"name\":\"报告.txt\",\"kind\":\"file\",\"status\":\"deleted\","
                         "\"condition\":\"good\""),
              std::string::npos)
        << r.Out;
    EXPECT_NE(r.Out.find("\"name\":\"_EADME.TXT\""), std::string::npos) << r.Out;
    EXPECT_EQ(r.Out.find("KEEP.TXT"), std::string::npos) << "live files stay under Root";
}

TEST_F(Cli, SavesTheDeletedCategoryByteExactAndCatsAFile) {
    test::TTempDir out;
    const TResult saved = RunCli(Disk() + " save 0 Deleted --to " + test::Quote(out.Path()));
    ASSERT_EQ(saved.Status, 0) << saved.Out;
    auto read = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    EXPECT_EQ(read(out.File("Deleted/DOCS/Annual report.txt")), Lines(400, 1));
    EXPECT_EQ(read(out.File("Deleted/报告.txt")), Lines(200, 2));
    EXPECT_EQ(read(out.File("Deleted/_EADME.TXT")), Lines(900, 4));

    const TResult cat = RunCli(Disk() + " cat 0 'Root\\KEEP.TXT'");
    EXPECT_EQ(cat.Status, 0);
    EXPECT_EQ(cat.Out, Lines(20, 3));
    const TResult logical = RunCli(Disk() + " cat 1 'Root\\DATA.BIN'");
    EXPECT_EQ(logical.Out, Lines(50, 5));
    const TResult hex = RunCli(Disk() + " hexdump 0 'Root\\KEEP.TXT'");
    EXPECT_EQ(
        hex.Out.rfind(
            "       0h: 66 69 6C 65 20 33 20 6C 69 6E 65 20 30 0A 66 69  file 3 line 0.fi\n", 0),
        0u)
        << hex.Out.substr(0, 100);
}

TEST_F(Cli, ABatchFindsLostDrivesOfAWipedDiskAndSavesFromThem) {
    const std::string wiped = s_Dir->File("wiped.img");
    ASSERT_TRUE(test::Run("cp " + test::Quote(s_Disk) + " " + test::Quote(wiped) +
                          " && dd if=/dev/zero of=" + test::Quote(wiped) +
                          " bs=512 count=1 conv=notrunc status=none"));
    test::TTempDir out;
    const std::string script = "lost-drives 0\n"
                               "ls 0 Root\n"
                               "find 0 report\n"
                               "save 0 'Searched\\Annual report.txt' --to '" +
                               out.Path() + "'\n";
    const std::string scriptFile = out.File("script.txt");
    std::ofstream(scriptFile) << script;
    const TResult r =
        RunCli("--image " + test::Quote(wiped) + " --quiet batch < " + test::Quote(scriptFile));
    EXPECT_EQ(r.Status, 0) << r.Out;
    EXPECT_NE(r.Out.find("LIVE16      (lost)   on fixed disk #1"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("KEEP.TXT"), std::string::npos) << r.Out;
    std::ifstream saved(out.File("Annual report.txt"), std::ios::binary); // found in Deleted
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(saved), std::istreambuf_iterator<char>()),
              Lines(400, 1));
}

TEST_F(Cli, BadUsageAndMissingThingsHaveTheirExitStatus) {
    EXPECT_EQ(RunCli("").Status, 2);
    EXPECT_EQ(RunCli(Disk() + " frobnicate").Status, 2);
    EXPECT_EQ(RunCli("--image /nonexistent.img devices").Status, 2);
    EXPECT_EQ(RunCli(Disk() + " ls 7").Status, 1);
    EXPECT_EQ(RunCli(Disk() + " ls 0 'Root\\NOPE'").Status, 1);
    EXPECT_EQ(RunCli(Disk() + " cat 0 'Root\\DOCS'").Status, 1) << "a folder is no file";
    EXPECT_EQ(RunCli(Disk() + " save 0 'Root\\KEEP.TXT'").Status, 2) << "save needs --to";
    EXPECT_EQ(RunCli(Disk() + " driveinfo 0").Out,
              "Drive: fixed disk #1   (48.00 MB)\nPhysical cylinders: 98304\nPhysical heads: 1\n"
              "Physical sectors per track: 1\nPhysical sectors: 98304\nBytes in a sector: 512\n");
}

} // namespace
} // namespace tw
