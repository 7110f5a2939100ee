#include "platform/device_table.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <linux/hdreg.h>
#include <sstream>
#include <sys/ioctl.h>

namespace tw::platform {

namespace {

struct TFloppyFormat {
    uint64_t SizeBytes;
    uint32_t Cylinders, Heads, SectorsPerTrack, MediaType;
};

constexpr std::array<TFloppyFormat, 8> FloppyFormats{{
    {163840, 40, 1, 8, MediaType::F5_160_512},
    {184320, 40, 1, 9, MediaType::F5_180_512},
    {327680, 40, 2, 8, MediaType::F5_320_512},
    {368640, 40, 2, 9, MediaType::F5_360_512},
    {737280, 80, 2, 9, MediaType::F3_720_512},
    {1228800, 80, 2, 15, MediaType::F5_1Pt2_512},
    {1474560, 80, 2, 18, MediaType::F3_1Pt44_512},
    {2949120, 80, 2, 36, MediaType::F3_2Pt88_512},
}};

const TFloppyFormat* FindFloppyFormat(uint64_t sizeBytes) {
    for (const auto& format : FloppyFormats) {
        if (format.SizeBytes == sizeBytes) {
            return &format;
        }
    }
    return nullptr;
}

uint16_t Le16(std::span<const std::byte> s, size_t at) {
    return static_cast<uint16_t>(std::to_integer<unsigned>(s[at]) |
                                 (std::to_integer<unsigned>(s[at + 1]) << 8));
}

std::string ReadSysFile(const std::string& path) {
    std::ifstream in(path);
    std::string text;
    std::getline(in, text);
    return text;
}

bool IsWholeDiskName(const std::string& name) {
    auto startsWith = [&](const char* prefix) { return name.rfind(prefix, 0) == 0; };
    if (startsWith("nvme")) {
        // nvme0n1 is a disk; nvme0n1p1 is a partition and never listed in /sys/block anyway.
        return name.find('n', 4) != std::string::npos;
    }
    return startsWith("sd") || startsWith("vd") || startsWith("xvd") || startsWith("hd") ||
           startsWith("mmcblk");
}

} // namespace

std::shared_ptr<TByteSource> TDeviceEntry::Open(uint32_t& error) const {
    if (SharedSource) {
        error = ErrorCode::Success;
        return SharedSource;
    }
    return TFileSource::Open(SourcePath, error);
}

TEntryGeometry ImageGeometry(uint64_t sizeBytes, bool floppy) {
    TEntryGeometry geometry;
    geometry.BytesPerSector = 512;
    const uint64_t sectors = sizeBytes / 512;
    if (const TFloppyFormat* format = floppy ? FindFloppyFormat(sizeBytes) : nullptr) {
        geometry.Cylinders = format->Cylinders;
        geometry.Heads = format->Heads;
        geometry.SectorsPerTrack = format->SectorsPerTrack;
        geometry.MediaType = format->MediaType;
        return geometry;
    }
    // The product must be exactly the sector count, so that no sector of the image lies
    // beyond the last whole cylinder.
    if (sectors != 0 && sectors % (255 * 63) == 0) {
        geometry.Heads = 255;
        geometry.SectorsPerTrack = 63;
        geometry.Cylinders = sectors / (255 * 63);
    } else {
        geometry.Heads = 1;
        geometry.SectorsPerTrack = 1;
        geometry.Cylinders = sectors;
    }
    geometry.MediaType = floppy ? MediaType::RemovableMedia : MediaType::FixedMedia;
    return geometry;
}

bool LooksLikeFatBootSector(std::span<const std::byte> sector) {
    if (sector.size() < 512) {
        return false;
    }
    const unsigned jump = std::to_integer<unsigned>(sector[0]);
    if (jump != 0xEB && jump != 0xE9) {
        return false;
    }
    const uint16_t bytesPerSector = Le16(sector, 11);
    const unsigned sectorsPerCluster = std::to_integer<unsigned>(sector[13]);
    const unsigned fats = std::to_integer<unsigned>(sector[16]);
    const bool powerOfTwo =
        sectorsPerCluster != 0 && (sectorsPerCluster & (sectorsPerCluster - 1)) == 0;
    return (bytesPerSector == 512 || bytesPerSector == 1024 || bytesPerSector == 2048 ||
            bytesPerSector == 4096) &&
           powerOfTwo && fats >= 1 && fats <= 4 && Le16(sector, 14) != 0;
}

std::string FatFileSystemName(std::span<const std::byte> sector) {
    if (!LooksLikeFatBootSector(sector)) {
        return {};
    }
    // FAT32 has no fixed root directory and keeps its FAT size in the extended field.
    const bool fat32 = Le16(sector, 17) == 0 && Le16(sector, 22) == 0;
    return fat32 ? "FAT32" : "FAT";
}

std::optional<uint8_t> TDeviceTable::NextHardDiskNumber() const {
    for (unsigned n = 128; n <= 255; ++n) {
        if (!FindBios(static_cast<uint8_t>(n))) {
            return static_cast<uint8_t>(n);
        }
    }
    return std::nullopt;
}

std::optional<uint8_t> TDeviceTable::NextFloppyNumber() const {
    for (unsigned n = 0; n <= 1; ++n) {
        if (!FindBios(static_cast<uint8_t>(n))) {
            return static_cast<uint8_t>(n);
        }
    }
    return std::nullopt;
}

std::optional<uint8_t> TDeviceTable::NextLetter() const {
    for (unsigned letter = 3; letter <= 26; ++letter) {
        if (!FindLetter(static_cast<uint8_t>(letter))) {
            return static_cast<uint8_t>(letter);
        }
    }
    return std::nullopt;
}

bool TDeviceTable::Attach(TDeviceEntry entry, const std::shared_ptr<TByteSource>& source,
                          TAttachAs as, std::string& error) {
    entry.SizeBytes = source->SizeBytes();
    std::vector<std::byte> sector0(512);
    const bool readable = source->ReadAt(0, sector0) == ErrorCode::Success;
    const bool fat = readable && LooksLikeFatBootSector(sector0);
    if (as == TAttachAs::aaAuto) {
        if (fat) {
            as = FindFloppyFormat(entry.SizeBytes) ? TAttachAs::aaFloppy : TAttachAs::aaVolume;
        } else {
            as = TAttachAs::aaDisk;
        }
    }
    const std::string name = entry.SourcePath.empty() ? "memory source" : entry.SourcePath;
    switch (as) {
    case TAttachAs::aaFloppy: {
        auto number = NextFloppyNumber();
        if (!number) {
            error = name + ": both floppy numbers are taken";
            return false;
        }
        entry.Kind = TEntryKind::ekFloppy;
        entry.BiosNumber = *number;
        entry.LetterNumber = static_cast<uint8_t>(*number + 1);
        entry.Removable = true;
        entry.Geometry = ImageGeometry(entry.SizeBytes, true);
        break;
    }
    case TAttachAs::aaVolume:
    case TAttachAs::aaCdRom: {
        auto letter = NextLetter();
        if (!letter) {
            error = name + ": no drive letter is left";
            return false;
        }
        entry.Kind = as == TAttachAs::aaVolume ? TEntryKind::ekVolume : TEntryKind::ekCdRom;
        entry.LetterNumber = *letter;
        if (as == TAttachAs::aaCdRom) {
            entry.Removable = true;
            entry.Geometry.BytesPerSector = 2048;
            entry.FileSystemName = "CDFS";
        } else {
            entry.Geometry = ImageGeometry(entry.SizeBytes, false);
            entry.FileSystemName = readable ? FatFileSystemName(sector0) : std::string();
        }
        break;
    }
    case TAttachAs::aaDisk:
    case TAttachAs::aaAuto: {
        auto number = NextHardDiskNumber();
        if (!number) {
            error = name + ": no hard disk number is left";
            return false;
        }
        entry.Kind = TEntryKind::ekDisk;
        entry.BiosNumber = *number;
        if (entry.Geometry.Heads == 0) {
            entry.Geometry = ImageGeometry(entry.SizeBytes, false);
        }
        break;
    }
    }
    m_Entries.push_back(std::move(entry));
    return true;
}

bool TDeviceTable::AttachPath(const std::string& path, TAttachAs as, std::string& error) {
    uint32_t code = 0;
    auto source = TFileSource::Open(path, code);
    if (!source) {
        error = path + ": cannot be opened for reading (error " + std::to_string(code) + ")";
        return false;
    }
    TDeviceEntry entry;
    entry.SourcePath = path;
    return Attach(std::move(entry), std::move(source), as, error);
}

bool TDeviceTable::AttachMemory(std::shared_ptr<TByteSource> source, TAttachAs as,
                                std::string& error, const std::string& label) {
    TDeviceEntry entry;
    entry.SharedSource = source;
    (void)label;
    return Attach(std::move(entry), source, as, error);
}

void TDeviceTable::AddSystemDevices() {
    namespace fs = std::filesystem;
    auto tryOpen = [&](const std::string& path) -> std::unique_ptr<TFileSource> {
        uint32_t code = 0;
        auto source = TFileSource::Open(path, code);
        if (!source && code == ErrorCode::AccessDenied) {
            m_Unreadable.push_back(path);
        }
        return source;
    };

    for (uint8_t n = 0; n <= 1; ++n) {
        const std::string path = "/dev/fd" + std::to_string(n);
        std::error_code ec;
        if (FindBios(n) || !fs::exists(path, ec)) {
            continue;
        }
        if (auto source = tryOpen(path)) {
            TDeviceEntry entry;
            entry.Kind = TEntryKind::ekFloppy;
            entry.SourcePath = path;
            entry.BiosNumber = n;
            entry.LetterNumber = static_cast<uint8_t>(n + 1);
            entry.Removable = true;
            entry.SizeBytes = source->SizeBytes();
            entry.Geometry = ImageGeometry(entry.SizeBytes, true);
            m_Entries.push_back(std::move(entry));
        }
    }

    std::vector<std::string> disks;
    std::error_code ec;
    for (const auto& dirEntry : fs::directory_iterator("/sys/block", ec)) {
        const std::string name = dirEntry.path().filename().string();
        if (IsWholeDiskName(name)) {
            disks.push_back(name);
        }
    }
    std::sort(disks.begin(), disks.end());
    for (const auto& name : disks) {
        auto number = NextHardDiskNumber();
        if (!number) {
            break;
        }
        const std::string path = "/dev/" + name;
        auto source = tryOpen(path);
        if (!source || source->SizeBytes() == 0) {
            continue;
        }
        TDeviceEntry entry;
        entry.Kind = TEntryKind::ekDisk;
        entry.SourcePath = path;
        entry.BiosNumber = *number;
        entry.SizeBytes = source->SizeBytes();
        entry.Removable = ReadSysFile("/sys/block/" + name + "/removable") == "1";
        entry.Geometry.BytesPerSector = source->KernelSectorBytes();
        hd_geometry geo{};
        const bool answered = ::ioctl(source->Descriptor(), HDIO_GETGEO, &geo) == 0 &&
                              geo.heads != 0 && geo.sectors != 0;
        entry.Geometry.Heads = answered ? geo.heads : 255;
        entry.Geometry.SectorsPerTrack = answered ? geo.sectors : 63;
        entry.Geometry.Cylinders =
            entry.SectorCount() / (uint64_t{entry.Geometry.Heads} * entry.Geometry.SectorsPerTrack);
        entry.Geometry.MediaType =
            entry.Removable ? MediaType::RemovableMedia : MediaType::FixedMedia;
        m_Entries.push_back(std::move(entry));
    }

    std::ifstream mounts("/proc/self/mounts");
    std::string line;
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string device, mountPoint, type;
        fields >> device >> mountPoint >> type;
        if ((type != "vfat" && type != "msdos") || device.rfind("/dev/", 0) != 0) {
            continue;
        }
        auto letter = NextLetter();
        if (!letter) {
            break;
        }
        auto source = tryOpen(device);
        if (!source) {
            continue;
        }
        std::vector<std::byte> sector0(512);
        TDeviceEntry entry;
        entry.Kind = TEntryKind::ekVolume;
        entry.SourcePath = device;
        entry.LetterNumber = *letter;
        entry.SizeBytes = source->SizeBytes();
        entry.FileSystemName = source->ReadAt(0, sector0) == ErrorCode::Success
                                   ? FatFileSystemName(sector0)
                                   : std::string();
        if (entry.FileSystemName.empty()) {
            entry.FileSystemName = type;
        }
        entry.Geometry = ImageGeometry(entry.SizeBytes, false);
        entry.Geometry.BytesPerSector = source->KernelSectorBytes();
        m_Entries.push_back(std::move(entry));
    }
}

void TDeviceTable::Clear() {
    m_Entries.clear();
    m_Unreadable.clear();
}

const TDeviceEntry* TDeviceTable::FindBios(uint8_t number) const {
    for (const auto& entry : m_Entries) {
        if ((entry.Kind == TEntryKind::ekDisk || entry.Kind == TEntryKind::ekFloppy) &&
            entry.BiosNumber == number) {
            return &entry;
        }
    }
    return nullptr;
}

const TDeviceEntry* TDeviceTable::FindLetter(uint8_t letterNumber) const {
    for (const auto& entry : m_Entries) {
        if (entry.Kind != TEntryKind::ekDisk && entry.LetterNumber == letterNumber) {
            return &entry;
        }
    }
    return nullptr;
}

TDeviceTable& DeviceTable() {
    static TDeviceTable table;
    return table;
}

namespace {
std::optional<TAttachAs> OptionKind(const std::string& option) {
    if (option == "--image" || option == "image") {
        return TAttachAs::aaAuto;
    }
    if (option == "--disk" || option == "disk") {
        return TAttachAs::aaDisk;
    }
    if (option == "--floppy" || option == "floppy") {
        return TAttachAs::aaFloppy;
    }
    if (option == "--volume" || option == "volume") {
        return TAttachAs::aaVolume;
    }
    if (option == "--cdrom" || option == "cdrom") {
        return TAttachAs::aaCdRom;
    }
    return std::nullopt;
}
} // namespace

bool ConsumeDeviceOptions(std::vector<std::string>& args, std::string& error) {
    TDeviceTable& table = DeviceTable();
    bool systemDevices = true;
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--no-system-devices") {
            systemDevices = false;
        } else if (auto kind = OptionKind(arg); kind && arg.rfind("--", 0) == 0) {
            if (i + 1 >= args.size()) {
                error = arg + " needs a file";
                return false;
            }
            if (!table.AttachPath(args[++i], *kind, error)) {
                return false;
            }
        } else {
            rest.push_back(arg);
        }
    }
    // TARNWELL_DEVICES="image=/a.img;floppy=/b.img;no-system-devices"
    if (const char* env = std::getenv("TARNWELL_DEVICES")) {
        std::istringstream items(env);
        std::string item;
        while (std::getline(items, item, ';')) {
            if (item.empty()) {
                continue;
            }
            if (item == "no-system-devices") {
                systemDevices = false;
                continue;
            }
            const size_t eq = item.find('=');
            auto kind = eq == std::string::npos ? std::nullopt : OptionKind(item.substr(0, eq));
            if (!kind) {
                error = "TARNWELL_DEVICES: cannot read '" + item + "'";
                return false;
            }
            if (!table.AttachPath(item.substr(eq + 1), *kind, error)) {
                return false;
            }
        }
    }
    if (systemDevices) {
        table.AddSystemDevices();
    }
    args = std::move(rest);
    return true;
}

} // namespace tw::platform
