#include "diskio/system_info.h"
#include "platform/system_facts.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace tw {
namespace {

using diskio::TInfoRow;
using platform::TDriveKind;

// Two processor blocks; only the first one counts.
constexpr const char* X86CpuInfo = "processor\t: 0\n"
                                   "vendor_id\t: GenuineIntel\n"
                                   "cpu family\t: 6\n"
                                   "model\t\t: 158\n"
                                   "model name\t: Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz\n"
                                   "stepping\t: 10\n"
                                   "cpu MHz\t\t: 3192.613\n"
                                   "flags\t\t: fpu vme de pse\n"
                                   "\n"
                                   "processor\t: 1\n"
                                   "cpu family\t: 15\n"
                                   "model\t\t: 1\n"
                                   "stepping\t: 2\n"
                                   "cpu MHz\t\t: 800.000\n"
                                   "\n";

constexpr const char* ArmCpuInfo = "processor\t: 0\n"
                                   "BogoMIPS\t: 108.00\n"
                                   "Features\t: fp asimd evtstrm crc32 cpuid\n"
                                   "CPU implementer\t: 0x41\n"
                                   "CPU architecture: 8\n"
                                   "CPU variant\t: 0x0\n"
                                   "CPU part\t: 0xd08\n"
                                   "CPU revision\t: 3\n"
                                   "\n";

TEST(CpuInfo, TheFirstProcessorBlockGivesFamilyModelSteppingAndClock) {
    const auto x86 = platform::ParseCpuInfo(X86CpuInfo);
    EXPECT_EQ(x86.Family, 6);
    EXPECT_EQ(x86.Model, 158);
    EXPECT_EQ(x86.Stepping, 10);
    ASSERT_TRUE(x86.MHz);
    EXPECT_DOUBLE_EQ(*x86.MHz, 3192.613);

    // ARM names its fields differently: nothing of them is taken for an x86 field.
    const auto arm = platform::ParseCpuInfo(ArmCpuInfo);
    EXPECT_FALSE(arm.Family);
    EXPECT_FALSE(arm.Model);
    EXPECT_FALSE(arm.Stepping);
    EXPECT_FALSE(arm.MHz);

    const auto garbled = platform::ParseCpuInfo("cpu family\t: six\nmodel\t: 1x\n");
    EXPECT_FALSE(garbled.Family);
    EXPECT_FALSE(garbled.Model);
}

TEST(MemInfo, TotalsAreBytesAndMissingOrBadLinesStayUnknown) {
    const auto info = platform::ParseMemInfo("MemTotal:       24683572 kB\n"
                                             "MemFree:        22468428 kB\n"
                                             "SwapTotal:       2097148 kB\n");
    EXPECT_EQ(info.MemTotalBytes, 24683572ull * 1024);
    EXPECT_EQ(info.SwapTotalBytes, 2097148ull * 1024);

    const auto partial = platform::ParseMemInfo("MemTotal: lots kB\nSwapFree: 0 kB\n");
    EXPECT_FALSE(partial.MemTotalBytes);
    EXPECT_FALSE(partial.SwapTotalBytes);

    // A count that would wrap when turned into bytes is not believed.
    EXPECT_FALSE(platform::ParseMemInfo("MemTotal: 18446744073709551615 kB\n").MemTotalBytes);
}

TEST(Mounts, FieldsAreUnescapedAndShortLinesSkipped) {
    const auto mounts = platform::ParseMounts("/dev/sdb1 /media/me/My\\040Stick vfat rw 0 0\n"
                                              "broken-line-with-two fields\n"
                                              "server:/a\\134b /mnt/back\\011slash nfs4 rw 0 0");
    ASSERT_EQ(mounts.size(), 2u);
    EXPECT_EQ(mounts[0].Source, "/dev/sdb1");
    EXPECT_EQ(mounts[0].MountPoint, "/media/me/My Stick");
    EXPECT_EQ(mounts[0].Type, "vfat");
    EXPECT_EQ(mounts[1].Source, "server:/a\\b");
    EXPECT_EQ(mounts[1].MountPoint, "/mnt/back\tslash");

    // A backslash without three octal digits after it is kept as it is.
    EXPECT_EQ(platform::UnescapeMountField("a\\08b\\12"), "a\\08b\\12");
    EXPECT_EQ(platform::DecodeUdevLabel("My\\x20Disk\\x2fA\\xZZ"), "My Disk/A\\xZZ");
}

TEST(Mounts, OnlyStorageIsListedAndARemountHidesTheEarlierOne) {
    const auto mounts = platform::ParseMounts("rootfs / rootfs rw 0 0\n"
                                              "proc /proc proc rw 0 0\n"
                                              "sysfs /sys sysfs rw 0 0\n"
                                              "tmpfs /run tmpfs rw 0 0\n"
                                              "cgroup2 /sys/fs/cgroup cgroup2 rw 0 0\n"
                                              "/dev/nvme0n1p2 / ext4 rw 0 0\n"
                                              "/dev/nvme0n1p1 /boot/efi vfat rw 0 0\n"
                                              "overlay /var/lib/x overlay rw 0 0\n"
                                              "nas:/share /mnt/nas nfs4 rw 0 0\n"
                                              "//srv/docs /mnt/docs cifs rw 0 0\n"
                                              "me@host: /mnt/ssh fuse.sshfs rw 0 0\n"
                                              "/dev/sr0 /media/cdrom iso9660 ro 0 0\n");
    std::vector<std::string> listed;
    for (const auto& mount : platform::ListedMounts(mounts)) {
        listed.push_back(mount.MountPoint + " " + mount.Type);
    }
    const std::vector<std::string> expected = {
        "/ ext4",         "/boot/efi vfat",      "/mnt/nas nfs4",
        "/mnt/docs cifs", "/mnt/ssh fuse.sshfs", "/media/cdrom iso9660"};
    EXPECT_EQ(listed, expected);

    // A container's only drive is its overlay root.
    const auto container = platform::ListedMounts(
        platform::ParseMounts("overlay / overlay rw 0 0\nproc /proc proc rw 0 0\n"));
    ASSERT_EQ(container.size(), 1u);
    EXPECT_EQ(container[0].Type, "overlay");
}

TEST(Mounts, DriveKindFollowsTypeSourceAndRemovableFlag) {
    struct TCase {
        const char* Source;
        const char* Type;
        bool Removable;
        TDriveKind Kind;
    };
    const TCase cases[] = {
        {"/dev/sda1", "ext4", false, TDriveKind::dkFixed},
        {"/dev/sdb1", "vfat", true, TDriveKind::dkRemovable},
        {"nas:/share", "nfs", false, TDriveKind::dkRemote},
        {"//srv/docs", "smb3", false, TDriveKind::dkRemote},
        {"me@host:", "fuse.sshfs", false, TDriveKind::dkRemote},
        // NTFS through FUSE on a local disk is no network drive.
        {"/dev/sdc1", "fuseblk", false, TDriveKind::dkFixed},
        {"/dev/sr0", "udf", true, TDriveKind::dkCDROM},
        {"/dev/loop3", "iso9660", false, TDriveKind::dkCDROM},
        {"/dev/zram1", "ext2", false, TDriveKind::dkRAMDisk},
        {"overlay", "overlay", false, TDriveKind::dkFixed},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(platform::DriveKindOf({c.Source, "/x", c.Type}, c.Removable), c.Kind)
            << c.Source << " " << c.Type;
    }
}

TEST(SystemInfoText, CpuTypeByArchitectureLevelAndRevision) {
    struct TCase {
        int Code, Level;
        uint16_t Revision;
        const char* Text;
    };
    const TCase cases[] = {
        {0, 6, 0x0807, "Intel Pentium II, model number 8, stepping 7"},
        {0, 6, 0x9E0A, "Intel Pentium II, model number 9E, stepping A"},
        {0, 5, 0x0000, "Intel Pentium, model number 0, stepping 0"},
        {0, 9, 0x0102, "Intel Pentium V, model number 1, stepping 2"},
        {0, 3, 0x0108, "Intel 80386, stepping level B, stepping 8"},
        {0, 4, 0x002F, "Intel 80486, stepping level A, stepping 2F"},
        {0, 15, 0x0102, "Intel"},
        {0, 2, 0x0102, "Intel"},
        {0, -1, 0, "Intel"},
        {1, 6, 0x0807, "MIPS"},
        {2, 0, 0, "Alpha"},
        {3, 0, 0, "PPC"},
        {4, 0, 0, "SHX"},
        {5, 0, 0, "ARM"},
        {6, 0, 0, "IA64"},
        {7, 0, 0, "Alpha64"},
        {8, 0, 0, "MSIL"},
        {9, 6, 0x0807, ""},
        {-1, 6, 0x0807, ""},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(diskio::CpuTypeText(c.Code, c.Level, c.Revision), c.Text)
            << c.Code << " " << c.Level;
    }

    const std::pair<const char*, int> machines[] = {
        {"x86_64", 0}, {"i686", 0},     {"i386", 0},    {"i786", -1}, {"aarch64", 5},
        {"armv7l", 5}, {"mips64", 1},   {"ppc64le", 3}, {"sh4", 4},   {"ia64", 6},
        {"alpha", 7},  {"riscv64", -1}, {"s390x", -1},  {"", -1},
    };
    for (const auto& [machine, code] : machines) {
        EXPECT_EQ(diskio::ProcessorArchitectureCode(machine), code) << machine;
    }
}

TEST(SystemInfoText, DisplayResolutionCountsColoursExactly) {
    EXPECT_EQ(diskio::DisplayResolutionText({1024, 768, 32}),
              "1024x768, 32-bits(4294967296 colors)");
    EXPECT_EQ(diskio::DisplayResolutionText({800, 600, 8}), "800x600, 8-bits(256 colors)");
    // Past 63 bits a 64-bit count would wrap; the text stays exact.
    EXPECT_EQ(diskio::DisplayResolutionText({3840, 2160, 64}),
              "3840x2160, 64-bits(18446744073709551616 colors)");
    EXPECT_EQ(diskio::DisplayResolutionText({1, 1, -5}), "1x1, 0-bits(1 colors)");
}

TEST(SystemInfoText, DriveSizesInMegabytesOrGigabytesWithTheUsersSeparators) {
    const diskio::TNumberSeparators english;
    const diskio::TNumberSeparators german{".", ","};
    const diskio::TNumberSeparators none{"", "."};
    struct TCase {
        double Megabytes;
        const diskio::TNumberSeparators& Separators;
        const char* Text;
    };
    const TCase cases[] = {
        {1023, english, "1,023.00 MB"}, {1023.999, english, "1,024.00 MB"},
        {1024, english, "1.00 GB"},     {1536, english, "1.50 GB"},
        {40960, english, "40.00 GB"},   {1024.0 * 1234567, english, "1,234,567.00 GB"},
        {0, english, "0.00 MB"},        {999.5, english, "999.50 MB"},
        {1023, german, "1.023,00 MB"},  {1023, none, "1023.00 MB"},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(diskio::DriveSizeText(c.Megabytes, c.Separators), c.Text) << c.Megabytes;
    }
}

TEST(SystemInfoText, KernelReleaseAsVersionAndBuild) {
    const std::pair<const char*, const char*> cases[] = {
        {"6.1.0-18-amd64", "6.1 (Build 0)"},
        {"5.15.146.1-microsoft-standard-WSL2", "5.15 (Build 146)"},
        {"4.4.70000", "4.4 (Build 4464)"}, // the build is cut to 16 bits
        {"6.8-rc1", "6.8 (Build 0)"},
        {"6", "6"},
        {"v6.1", "v6.1"},
        {"", ""},
    };
    for (const auto& [release, text] : cases) {
        EXPECT_EQ(diskio::KernelVersionText(release), text) << release;
    }
}

TEST(SystemInfoText, EnvironmentEntriesSplitAtTheFirstEquals) {
    using Split = std::pair<std::string, std::string>;
    EXPECT_EQ(diskio::SplitEnvironmentEntry("PATH=C:\\WINDOWS;C:\\BIN"),
              Split("PATH", "C:\\WINDOWS;C:\\BIN"));
    EXPECT_EQ(diskio::SplitEnvironmentEntry("=C:=C:\\TOOLS"), Split("", "C:=C:\\TOOLS"));
    EXPECT_EQ(diskio::SplitEnvironmentEntry("OPTS=a=b"), Split("OPTS", "a=b"));
    EXPECT_EQ(diskio::SplitEnvironmentEntry("EMPTY="), Split("EMPTY", ""));
    EXPECT_EQ(diskio::SplitEnvironmentEntry("NO_EQUALS"), Split("NO_EQUALS", ""));
}

platform::TSystemFacts FixtureFacts() {
    platform::TSystemFacts facts;
    facts.ProcessorCount = 8;
    facts.Os = platform::TOsName{"Linux", "6.1.0-18-amd64", "x86_64"};
    facts.Cpu = platform::ParseCpuInfo(X86CpuInfo);
    facts.CpuSpeedHz = 3'192'613'000;
    facts.PhysicalMemoryBytes = 16ull * 1024 * 1024 * 1024 + 1023;
    facts.SwapTotalBytes = 2ull * 1024 * 1024 * 1024 - 1;
    facts.Drives = {
        {"/", "SYSTEM", "ext4", TDriveKind::dkFixed, true, 4096, 262144 * 40, 262144 * 3 / 2},
        {"/media/cdrom", "DVD", "iso9660", TDriveKind::dkCDROM, false, 0, 0, 0},
        {"/mnt/nas", "", "nfs4", TDriveKind::dkRemote, false, 0, 0, 0},
        {"/media/stick", "STICK", "vfat", TDriveKind::dkRemovable, false, 0, 0, 0},
        {"/srv/ram", "", "ext2", TDriveKind::dkRAMDisk, true, 1024, 1023 * 1024, 0},
        {"/srv/odd", "", "weird", TDriveKind::dkUnknown, false, 0, 0, 0},
    };
    facts.Environment = {"PATH=C:\\WINDOWS;C:\\BIN", "=C:=C:\\", "HOME=/home/me"};
    return facts;
}

std::vector<std::string> Flatten(const std::vector<TInfoRow>& rows) {
    std::vector<std::string> texts;
    for (const TInfoRow& row : rows) {
        std::string text = row.Caption;
        for (const std::string& sub : row.SubItems) {
            text += "|" + sub;
        }
        texts.push_back(text);
    }
    return texts;
}

TEST(FillSystemInfo, RowsInOrderWithTheirCaptions) {
    diskio::TSystemInfoPages pages;
    diskio::FillSystemInfo(FixtureFacts(), {diskio::TScreenFacts{1920, 1080, 24}, {}}, pages);

    EXPECT_EQ(Flatten(pages.Hardware),
              (std::vector<std::string>{
                  "Number of processors:|8",
                  "CPU type:|Intel Pentium II, model number 9E, stepping A",
                  "Display resolution:|1920x1080, 24-bits(16777216 colors)",
                  "Installed RAM:|16777216 KB",
                  "Frequency:|3193 MHz",
              }));
    // Linux has no Windows folder and no system folder: those rows are left out.
    EXPECT_EQ(Flatten(pages.Software), (std::vector<std::string>{
                                           "Windows version:|6.1 (Build 0)",
                                           "Windows mode:|Linux",
                                           "Swap file size:|2047 MB",
                                       }));
    EXPECT_EQ(Flatten(pages.Drives), (std::vector<std::string>{
                                         "/ SYSTEM|ext4|40.00 GB|1.50 GB",
                                         "/media/cdrom |",
                                         "/mnt/nas |",
                                         "/media/stick |",
                                         "/srv/ram |ext2|1,023.00 MB|0.00 MB",
                                         "/srv/odd |weird",
                                     }));
    std::vector<int> images;
    for (const TInfoRow& row : pages.Drives) {
        images.push_back(row.ImageIndex);
    }
    EXPECT_EQ(images, (std::vector<int>{1, 2, 3, 0, 1, -1}));
    EXPECT_EQ(Flatten(pages.Environment), (std::vector<std::string>{
                                              "PATH|C:\\WINDOWS;C:\\BIN",
                                              "|C:=C:\\",
                                              "HOME|/home/me",
                                          }));
}

TEST(FillSystemInfo, FactsLinuxCannotTellLeaveTheirRowsOut) {
    platform::TSystemFacts facts; // nothing could be read
    diskio::TSystemInfoPages pages;
    diskio::FillSystemInfo(facts, {}, pages);
    // The processor type row always stands; without uname its value is empty.
    EXPECT_EQ(Flatten(pages.Hardware), (std::vector<std::string>{"CPU type:|"}));
    EXPECT_TRUE(pages.Software.empty());
    EXPECT_TRUE(pages.Drives.empty());
    EXPECT_TRUE(pages.Environment.empty());

    // An architecture the original system has no code for shows the kernel's name.
    facts.Os = platform::TOsName{"Linux", "6.6.0", "riscv64"};
    pages = {};
    diskio::FillSystemInfo(facts, {}, pages);
    EXPECT_EQ(pages.Hardware.at(0).SubItems, std::vector<std::string>{"riscv64"});
}

TEST(FillSystemInfo, FrequencyOnlyOnTheNTFamilyWithAKnownClock) {
    struct TCase {
        bool NTFamily;
        uint64_t Hz;
        const char* Row; // nullptr: no row
    };
    const TCase cases[] = {
        {true, 2'096'008'000, "2096 MHz"},
        {true, 2'500'500'000, "2500 MHz"}, // ties go to the even number
        {true, 2'501'500'000, "2502 MHz"},
        {true, 0, nullptr},
        {false, 2'096'008'000, nullptr},
    };
    for (const TCase& c : cases) {
        platform::TSystemFacts facts;
        facts.NTFamily = c.NTFamily;
        facts.CpuSpeedHz = c.Hz;
        diskio::TSystemInfoPages pages;
        diskio::FillSystemInfo(facts, {}, pages);
        const TInfoRow& last = pages.Hardware.back();
        if (c.Row) {
            EXPECT_EQ(last.Caption, "Frequency:");
            EXPECT_EQ(last.SubItems, std::vector<std::string>{c.Row});
        } else {
            EXPECT_NE(last.Caption, "Frequency:") << c.Hz;
        }
    }
}

TEST(ReadSystemFacts, ThisMachineHasARootDriveProcessorsAndItsEnvironment) {
    ASSERT_EQ(::setenv("TW_SYSTEM_FACTS_PROBE", "a=b", 1), 0);
    const auto facts = platform::ReadSystemFacts();
    ::unsetenv("TW_SYSTEM_FACTS_PROBE");
    ASSERT_TRUE(facts.ProcessorCount);
    EXPECT_GT(*facts.ProcessorCount, 0);
    ASSERT_TRUE(facts.Os);
    EXPECT_EQ(facts.Os->SystemName, "Linux");
    ASSERT_TRUE(facts.PhysicalMemoryBytes);
    EXPECT_GT(*facts.PhysicalMemoryBytes, 0u);
    EXPECT_NE(
        std::find(facts.Environment.begin(), facts.Environment.end(), "TW_SYSTEM_FACTS_PROBE=a=b"),
        facts.Environment.end());
    const auto root = std::find_if(facts.Drives.begin(), facts.Drives.end(),
                                   [](const auto& drive) { return drive.MountPoint == "/"; });
    ASSERT_NE(root, facts.Drives.end());
    EXPECT_TRUE(root->HasSizes);
    EXPECT_GT(root->TotalBlocks, 0u);
}

} // namespace
} // namespace tw
