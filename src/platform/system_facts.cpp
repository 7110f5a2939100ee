#include "platform/system_facts.h"

#include "platform/system_family.h"
#include "platform/text_codec.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <unistd.h>

extern char** environ;

namespace tw::platform {

namespace {

std::string_view Trim(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    const size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

template <typename T> std::optional<T> ParseNumber(std::string_view text) {
    T value{};
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return value;
}

/// Calls visit(line) for each line, without its newline, until visit answers false.
template <typename Visit> void ForEachLine(std::string_view text, Visit visit) {
    while (!text.empty()) {
        const size_t newline = text.find('\n');
        const std::string_view line = text.substr(0, newline);
        text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
        if (!visit(line)) {
            return;
        }
    }
}

std::optional<std::string> ReadTextFile(const std::string& path) {
    std::ifstream in(path);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool IsNetworkType(std::string_view type) {
    static constexpr std::array<std::string_view, 14> Types = {
        "nfs", "nfs4", "cifs",      "smb3",   "smbfs", "ncpfs", "9p",
        "afs", "ceph", "glusterfs", "lustre", "davfs", "sshfs", "fuse"};
    if (type.starts_with("fuse.")) {
        return true;
    }
    return std::find(Types.begin(), Types.end(), type) != Types.end();
}

uint64_t CpuSpeedHz(const TCpuInfo& cpu) {
    if (cpu.MHz && *cpu.MHz > 0 && std::isfinite(*cpu.MHz)) {
        return static_cast<uint64_t>(std::llround(*cpu.MHz * 1'000'000.0));
    }
    const auto maxKHz = ReadTextFile("/sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq");
    if (maxKHz) {
        if (const auto kHz = ParseNumber<uint64_t>(Trim(*maxKHz))) {
            return *kHz * 1000;
        }
    }
    return 0;
}

// sysfs marks removable media on the whole disk, not on its partitions.
bool IsRemovableDevice(const std::string& source) {
    std::error_code ec;
    const auto device = std::filesystem::canonical(source, ec);
    if (ec || !device.string().starts_with("/dev/")) {
        return false;
    }
    const auto sys =
        std::filesystem::canonical("/sys/class/block/" + device.filename().string(), ec);
    if (ec) {
        return false;
    }
    const auto disk = std::filesystem::exists(sys / "partition", ec) ? sys.parent_path() : sys;
    const auto flag = ReadTextFile((disk / "removable").string());
    return flag && Trim(*flag) == "1";
}

// Device path (resolved) → label, from udev's /dev/disk/by-label links.
std::map<std::string, std::string> LabelsByDevice() {
    std::map<std::string, std::string> labels;
    std::error_code ec;
    for (const auto& link : std::filesystem::directory_iterator("/dev/disk/by-label", ec)) {
        std::error_code linkError;
        const auto device = std::filesystem::canonical(link.path(), linkError);
        if (!linkError) {
            labels[device.string()] = DecodeUdevLabel(link.path().filename().string());
        }
    }
    return labels;
}

std::vector<TMountedDrive> ReadDrives() {
    std::vector<TMountedDrive> drives;
    const auto mounts = ReadTextFile("/proc/self/mounts");
    if (!mounts) {
        return drives;
    }
    const auto labels = LabelsByDevice();
    for (const TMountEntry& mount : ListedMounts(ParseMounts(*mounts))) {
        std::error_code ec;
        // Bind mounts of single files (a container's /etc/hosts) are no drives.
        if (!std::filesystem::is_directory(mount.MountPoint, ec)) {
            continue;
        }
        TMountedDrive drive;
        drive.MountPoint = mount.MountPoint;
        drive.FileSystem = mount.Type;
        drive.Kind = DriveKindOf(mount, IsRemovableDevice(mount.Source));
        if (!mount.Source.empty() && mount.Source[0] == '/') {
            const auto device = std::filesystem::canonical(mount.Source, ec);
            if (!ec) {
                if (const auto label = labels.find(device.string()); label != labels.end()) {
                    drive.Label = label->second;
                }
            }
        }
        const bool askSizes = drive.Kind != TDriveKind::dkRemovable &&
                              drive.Kind != TDriveKind::dkRemote &&
                              drive.Kind != TDriveKind::dkCDROM;
        struct statvfs st {};
        if (askSizes && ::statvfs(mount.MountPoint.c_str(), &st) == 0) {
            drive.HasSizes = true;
            drive.BlockBytes = st.f_frsize;
            drive.TotalBlocks = st.f_blocks;
            drive.FreeBlocks = st.f_bavail;
        }
        drives.push_back(std::move(drive));
    }
    return drives;
}

} // namespace

TCpuInfo ParseCpuInfo(std::string_view text) {
    TCpuInfo cpu;
    bool inBlock = false;
    ForEachLine(text, [&](std::string_view line) {
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            // A blank line ends the first processor's block.
            return !(inBlock && Trim(line).empty());
        }
        inBlock = true;
        const std::string_view key = Trim(line.substr(0, colon));
        const std::string_view value = Trim(line.substr(colon + 1));
        if (key == "cpu family") {
            cpu.Family = ParseNumber<int>(value);
        } else if (key == "model") {
            cpu.Model = ParseNumber<int>(value);
        } else if (key == "stepping") {
            cpu.Stepping = ParseNumber<int>(value);
        } else if (key == "cpu MHz") {
            cpu.MHz = ParseNumber<double>(value);
        }
        return true;
    });
    return cpu;
}

TMemInfo ParseMemInfo(std::string_view text) {
    TMemInfo info;
    ForEachLine(text, [&](std::string_view line) {
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            return true;
        }
        const std::string_view key = line.substr(0, colon);
        std::optional<uint64_t>* field = key == "MemTotal"    ? &info.MemTotalBytes
                                         : key == "SwapTotal" ? &info.SwapTotalBytes
                                                              : nullptr;
        if (!field) {
            return true;
        }
        std::string_view value = Trim(line.substr(colon + 1));
        uint64_t unit = 1;
        if (value.ends_with("kB")) {
            unit = 1024;
            value = Trim(value.substr(0, value.size() - 2));
        }
        if (const auto number = ParseNumber<uint64_t>(value);
            number && *number <= UINT64_MAX / unit) {
            *field = *number * unit;
        }
        return true;
    });
    return info;
}

std::string UnescapeMountField(std::string_view field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() &&
            std::all_of(field.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                        field.begin() + static_cast<std::ptrdiff_t>(i) + 4,
                        [](char c) { return c >= '0' && c <= '7'; })) {
            out += static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) |
                                     (field[i + 3] - '0'));
            i += 3;
            continue;
        }
        out += field[i];
    }
    return out;
}

std::string DecodeUdevLabel(std::string_view name) {
    auto hexDigit = [](char c) { return HexDigitValue(c); };
    std::string out;
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' &&
            hexDigit(name[i + 2]) >= 0 && hexDigit(name[i + 3]) >= 0) {
            out += static_cast<char>(hexDigit(name[i + 2]) * 16 + hexDigit(name[i + 3]));
            i += 3;
            continue;
        }
        out += name[i];
    }
    return out;
}

std::vector<TMountEntry> ParseMounts(std::string_view text) {
    std::vector<TMountEntry> mounts;
    ForEachLine(text, [&](std::string_view line) {
        std::array<std::string_view, 3> fields;
        size_t count = 0;
        while (count < fields.size()) {
            const size_t start = line.find_first_not_of(" \t");
            if (start == std::string_view::npos) {
                break;
            }
            line = line.substr(start);
            const size_t end = line.find_first_of(" \t");
            fields[count++] = line.substr(0, end);
            line = end == std::string_view::npos ? std::string_view() : line.substr(end);
        }
        if (count == fields.size()) {
            mounts.push_back({UnescapeMountField(fields[0]), UnescapeMountField(fields[1]),
                              UnescapeMountField(fields[2])});
        }
        return true;
    });
    return mounts;
}

bool IsListedMount(const TMountEntry& mount) {
    return mount.MountPoint == "/" || (!mount.Source.empty() && mount.Source[0] == '/') ||
           IsNetworkType(mount.Type);
}

std::vector<TMountEntry> ListedMounts(const std::vector<TMountEntry>& mounts) {
    std::vector<TMountEntry> listed;
    for (const TMountEntry& mount : mounts) {
        if (!IsListedMount(mount)) {
            continue;
        }
        std::erase_if(listed, [&](const TMountEntry& earlier) {
            return earlier.MountPoint == mount.MountPoint;
        });
        listed.push_back(mount);
    }
    return listed;
}

TDriveKind DriveKindOf(const TMountEntry& mount, bool removableDevice) {
    if (IsNetworkType(mount.Type)) {
        return TDriveKind::dkRemote;
    }
    if (mount.Type == "iso9660" || mount.Type == "udf" || mount.Source.starts_with("/dev/sr")) {
        return TDriveKind::dkCDROM;
    }
    if (mount.Source.starts_with("/dev/ram") || mount.Source.starts_with("/dev/zram")) {
        return TDriveKind::dkRAMDisk;
    }
    return removableDevice ? TDriveKind::dkRemovable : TDriveKind::dkFixed;
}

uint64_t GetCPUSpeed() {
    const auto text = ReadTextFile("/proc/cpuinfo");
    return CpuSpeedHz(text ? ParseCpuInfo(*text) : TCpuInfo{});
}

TSystemFacts ReadSystemFacts() {
    TSystemFacts facts;
    if (const long count = ::sysconf(_SC_NPROCESSORS_ONLN); count > 0) {
        facts.ProcessorCount = count;
    }
    if (const long page = ::sysconf(_SC_PAGESIZE); page > 0) {
        facts.PageSizeBytes = page;
    }
    struct utsname name {};
    if (::uname(&name) == 0) {
        facts.Os = TOsName{name.sysname, name.release, name.machine};
    }
    if (const auto text = ReadTextFile("/proc/cpuinfo")) {
        facts.Cpu = ParseCpuInfo(*text);
    }
    facts.CpuSpeedHz = CpuSpeedHz(facts.Cpu);
    if (const auto text = ReadTextFile("/proc/meminfo")) {
        const TMemInfo memory = ParseMemInfo(*text);
        facts.PhysicalMemoryBytes = memory.MemTotalBytes;
        facts.SwapTotalBytes = memory.SwapTotalBytes;
    }
    if (!facts.PhysicalMemoryBytes && facts.PageSizeBytes) {
        if (const long pages = ::sysconf(_SC_PHYS_PAGES); pages > 0) {
            facts.PhysicalMemoryBytes =
                static_cast<uint64_t>(pages) * static_cast<uint64_t>(*facts.PageSizeBytes);
        }
    }
    facts.NTFamily = SystemFamily() == TSystemFamily::sfNT;
    facts.Drives = ReadDrives();
    for (char** entry = environ; entry && *entry; ++entry) {
        facts.Environment.emplace_back(*entry);
    }
    return facts;
}

} // namespace tw::platform
