#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tw::platform {

/// What /proc/cpuinfo tells about the first processor. Fields the kernel does not give on
/// this architecture (ARM has no "cpu family" and usually no "cpu MHz") stay empty.
struct TCpuInfo {
    std::optional<int> Family;   ///< "cpu family", extended family included (x86)
    std::optional<int> Model;    ///< "model", extended model included (x86)
    std::optional<int> Stepping; ///< "stepping" (x86)
    std::optional<double> MHz;   ///< "cpu MHz", the clock the kernel measured
};

/// The first processor block of /proc/cpuinfo text. Lines are "key<tabs>: value"; a key
/// whose value is not a number is left out.
TCpuInfo ParseCpuInfo(std::string_view text);

/// The totals of /proc/meminfo text, in bytes (the file counts in kB, that is KiB).
struct TMemInfo {
    std::optional<uint64_t> MemTotalBytes;
    std::optional<uint64_t> SwapTotalBytes;
};
TMemInfo ParseMemInfo(std::string_view text);

/// One line of /proc/self/mounts, with the \ooo escapes of blanks, tabs, newlines and
/// backslashes undone.
struct TMountEntry {
    std::string Source;
    std::string MountPoint;
    std::string Type;
};
/// The lines of /proc/self/mounts text that have at least three fields, in file order.
std::vector<TMountEntry> ParseMounts(std::string_view text);
/// A field of /proc/self/mounts with its octal escapes (\040) undone; a backslash that
/// does not start three octal digits stays.
std::string UnescapeMountField(std::string_view field);
/// A file name under /dev/disk/by-label with udev's \xNN escapes undone ("My\x20Disk").
std::string DecodeUdevLabel(std::string_view name);

/// The drive type codes of the drive list, as the original system numbers them.
enum class TDriveKind : uint8_t {
    dkUnknown = 0,
    dkRemovable = 2,
    dkFixed = 3,
    dkRemote = 4,
    dkCDROM = 5,
    dkRAMDisk = 6,
};

/// True for the mounts the drive list shows: file systems on a block device (or an
/// absolute path such as an image file), network file systems, and the root whatever
/// its type (a container's root is an overlay). Kernel pseudo file systems (proc, sysfs,
/// cgroup, tmpfs and the like) hold no user data and are left out.
[[nodiscard]] bool IsListedMount(const TMountEntry& mount);
/// The listed mounts in mount order. A mount point mounted again hides the earlier mount,
/// so only its last entry stays.
std::vector<TMountEntry> ListedMounts(const std::vector<TMountEntry>& mounts);
/// The drive type of a listed mount: network file systems (NFS, SMB/CIFS, FUSE other
/// than fuseblk, 9P and the like) are remote, ISO 9660 and UDF or /dev/sr* are CD-ROM,
/// /dev/ram* and /dev/zram* are RAM disks; other block devices are removable when sysfs
/// says so, else fixed.
[[nodiscard]] TDriveKind DriveKindOf(const TMountEntry& mount, bool removableDevice);

/// A mounted file system as the drive list shows it.
struct TMountedDrive {
    std::string MountPoint;
    std::string Label;      ///< file system label from /dev/disk/by-label, or empty
    std::string FileSystem; ///< the type it is mounted as ("ext4", "vfat")
    TDriveKind Kind = TDriveKind::dkUnknown;
    /// statvfs of the mount point; not asked for removable, remote and CD-ROM drives (a
    /// dead network server would hang the call), nor when it fails.
    bool HasSizes = false;
    uint64_t BlockBytes = 0; ///< f_frsize
    uint64_t TotalBlocks = 0;
    uint64_t FreeBlocks = 0; ///< f_bavail: free to this process
};

/// uname's answer.
struct TOsName {
    std::string SystemName; ///< "Linux"
    std::string Release;    ///< "6.1.0-18-amd64"
    std::string Machine;    ///< "x86_64", "aarch64"
};

/// Everything the system information dialog shows that Linux can tell. A fact that could
/// not be read stays empty; the dialog leaves its row out.
struct TSystemFacts {
    std::optional<long> ProcessorCount; ///< sysconf(_SC_NPROCESSORS_ONLN)
    std::optional<long> PageSizeBytes;  ///< sysconf(_SC_PAGESIZE)
    std::optional<TOsName> Os;
    TCpuInfo Cpu;
    /// Processor clock in Hz, 0 when unknown (GetCPUSpeed).
    uint64_t CpuSpeedHz = 0;
    /// MemTotal, or physical pages × page size when /proc/meminfo cannot be read.
    std::optional<uint64_t> PhysicalMemoryBytes;
    std::optional<uint64_t> SwapTotalBytes;
    /// True when the program runs on the NT-family path (TARNWELL_SYSTEM_FAMILY).
    bool NTFamily = true;
    std::vector<TMountedDrive> Drives;
    /// The process environment, "NAME=value" strings in environ's order. Shown on screen
    /// only: never write it into a log, a file or a request, it may hold secrets.
    std::vector<std::string> Environment;
};

/// Processor clock in Hz: "cpu MHz" of /proc/cpuinfo, else cpufreq's cpuinfo_max_freq of
/// cpu0; 0 when neither is there.
uint64_t GetCPUSpeed();

/// Reads all facts from /proc, sysfs, sysconf, uname, statvfs and environ.
TSystemFacts ReadSystemFacts();

} // namespace tw::platform
