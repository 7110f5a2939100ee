#include "diskio/system_info.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace tw::diskio {

namespace {

std::string Hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", value);
    return text;
}

// 2^bits in decimal, by doubling a digit string: exact beyond 64 bits.
std::string PowerOfTwoText(int bits) {
    std::string digits = "1"; // least significant digit first
    for (int i = 0; i < bits; ++i) {
        int carry = 0;
        for (char& digit : digits) {
            const int doubled = (digit - '0') * 2 + carry;
            digit = static_cast<char>('0' + doubled % 10);
            carry = doubled / 10;
        }
        if (carry != 0) {
            digits += static_cast<char>('0' + carry);
        }
    }
    std::reverse(digits.begin(), digits.end());
    return digits;
}

// The leading decimal number of text, and the text after it.
std::optional<unsigned long long> LeadingNumber(std::string_view& text) {
    unsigned long long value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc()) {
        return std::nullopt;
    }
    text.remove_prefix(static_cast<size_t>(ptr - text.data()));
    return value;
}

void FillHardware(const platform::TSystemFacts& facts, const TSystemInfoSettings& settings,
                  std::vector<TInfoRow>& rows) {
    if (facts.ProcessorCount) {
        rows.push_back({"Number of processors:", {std::to_string(*facts.ProcessorCount)}});
    }
    const std::string machine = facts.Os ? facts.Os->Machine : std::string();
    const int code = ProcessorArchitectureCode(machine);
    std::string cpuType;
    if (code < 0) {
        // No code of the original system fits; the kernel's own name says the most.
        cpuType = machine;
    } else {
        // The system reports an x86 processor's family as its level and model and
        // stepping as the two bytes of its revision.
        const int level = facts.Cpu.Family.value_or(-1);
        const auto byte = [](std::optional<int> v) {
            return static_cast<unsigned>(std::clamp(v.value_or(0), 0, 255));
        };
        const auto revision =
            static_cast<uint16_t>((byte(facts.Cpu.Model) << 8) | byte(facts.Cpu.Stepping));
        cpuType = CpuTypeText(code, level, revision);
    }
    rows.push_back({"CPU type:", {cpuType}});
    if (settings.Screen) {
        rows.push_back({"Display resolution:", {DisplayResolutionText(*settings.Screen)}});
    }
    if (facts.PhysicalMemoryBytes) {
        rows.push_back(
            {"Installed RAM:", {std::to_string(*facts.PhysicalMemoryBytes / 1024) + " KB"}});
    }
    if (facts.NTFamily && facts.CpuSpeedHz != 0) {
        const double mhz = std::nearbyint(static_cast<double>(facts.CpuSpeedHz) / 1'000'000.0);
        rows.push_back(
            {"Frequency:", {std::to_string(static_cast<unsigned long long>(mhz)) + " MHz"}});
    }
}

void FillSoftware(const platform::TSystemFacts& facts, std::vector<TInfoRow>& rows) {
    if (facts.Os) {
        rows.push_back({"Windows version:", {KernelVersionText(facts.Os->Release)}});
        rows.push_back({"Windows mode:", {facts.Os->SystemName}});
    }
    if (facts.SwapTotalBytes) {
        rows.push_back(
            {"Swap file size:", {std::to_string(*facts.SwapTotalBytes / 1'048'576) + " MB"}});
    }
}

void FillDrives(const platform::TSystemFacts& facts, const TNumberSeparators& separators,
                std::vector<TInfoRow>& rows) {
    using platform::TDriveKind;
    for (const platform::TMountedDrive& drive : facts.Drives) {
        // Removable, remote and CD-ROM drives are not asked for their volume.
        const bool asked = drive.Kind != TDriveKind::dkRemovable &&
                           drive.Kind != TDriveKind::dkRemote && drive.Kind != TDriveKind::dkCDROM;
        TInfoRow row;
        row.Caption = drive.MountPoint + " " + (asked ? drive.Label : std::string());
        switch (drive.Kind) {
        case TDriveKind::dkRemovable:
            row.ImageIndex = DriveImageRemovable;
            break;
        case TDriveKind::dkFixed:
        case TDriveKind::dkRAMDisk:
            row.ImageIndex = DriveImageFixed;
            break;
        case TDriveKind::dkCDROM:
            row.ImageIndex = DriveImageCDROM;
            break;
        case TDriveKind::dkRemote:
            row.ImageIndex = DriveImageRemote;
            break;
        case TDriveKind::dkUnknown:
            break;
        }
        row.SubItems.push_back(asked ? drive.FileSystem : std::string());
        if (asked && drive.HasSizes) {
            const double kbPerBlock = static_cast<double>(drive.BlockBytes) / 1024.0;
            const double totalMB = kbPerBlock * static_cast<double>(drive.TotalBlocks) / 1024.0;
            const double freeMB = kbPerBlock * static_cast<double>(drive.FreeBlocks) / 1024.0;
            row.SubItems.push_back(DriveSizeText(totalMB, separators));
            row.SubItems.push_back(DriveSizeText(freeMB, separators));
        }
        rows.push_back(std::move(row));
    }
}

} // namespace

int ProcessorArchitectureCode(std::string_view machine) {
    const bool x86 = machine == "x86_64" || machine == "x86" ||
                     (machine.size() == 4 && machine[0] == 'i' && machine.substr(2) == "86" &&
                      machine[1] >= '3' && machine[1] <= '6');
    if (x86) {
        return 0;
    }
    if (machine.starts_with("mips")) {
        return 1;
    }
    if (machine.starts_with("ppc") || machine.starts_with("powerpc")) {
        return 3;
    }
    if (machine.starts_with("sh")) {
        return 4;
    }
    if (machine.starts_with("arm") || machine == "aarch64" || machine == "aarch64_be") {
        return 5;
    }
    if (machine == "ia64") {
        return 6;
    }
    if (machine == "alpha") {
        return 7;
    }
    return -1;
}

std::string CpuTypeText(int architectureCode, int level, uint16_t revision) {
    static constexpr std::array<const char*, 9> Names = {"Intel", "MIPS", "Alpha",   "PPC", "SHX",
                                                         "ARM",   "IA64", "Alpha64", "MSIL"};
    if (architectureCode < 0 || architectureCode >= static_cast<int>(Names.size())) {
        return {};
    }
    std::string text = Names[static_cast<size_t>(architectureCode)];
    if (architectureCode != 0) {
        return text;
    }
    static constexpr std::array<const char*, 7> Levels = {
        " 80386", " 80486", " Pentium", " Pentium II", " Pentium III", " Pentium IV", " Pentium V"};
    if (level < 3 || level > 9) {
        return text;
    }
    text += Levels[static_cast<size_t>(level - 3)];
    const unsigned high = revision >> 8;
    const unsigned low = revision & 0xFFu;
    if (level <= 4) {
        text += ", stepping level ";
        text += static_cast<char>('A' + high);
        text += ", stepping " + Hex(low);
    } else {
        text += ", model number " + Hex(high) + ", stepping " + Hex(low);
    }
    return text;
}

std::string DisplayResolutionText(const TScreenFacts& screen) {
    const int bits = std::max(screen.BitsPerPixel, 0);
    return std::to_string(screen.Width) + "x" + std::to_string(screen.Height) + ", " +
           std::to_string(bits) + "-bits(" + PowerOfTwoText(bits) + " colors)";
}

std::string FormatNumber(double value, const TNumberSeparators& separators) {
    char text[400];
    std::snprintf(text, sizeof text, "%.2f", value);
    const std::string plain = text;
    if (!std::isfinite(value)) {
        return plain;
    }
    const size_t point = plain.find('.');
    const size_t signLength = plain[0] == '-' ? 1 : 0;
    const std::string digits = plain.substr(signLength, point - signLength);
    std::string grouped;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i != 0 && (digits.size() - i) % 3 == 0) {
            grouped += separators.Thousands;
        }
        grouped += digits[i];
    }
    return plain.substr(0, signLength) + grouped + separators.Decimal + plain.substr(point + 1);
}

std::string DriveSizeText(double megabytes, const TNumberSeparators& separators) {
    return megabytes >= 1024 ? FormatNumber(megabytes / 1024, separators) + " GB"
                             : FormatNumber(megabytes, separators) + " MB";
}

std::string KernelVersionText(std::string_view release) {
    std::string_view rest = release;
    const auto major = LeadingNumber(rest);
    if (!major || !rest.starts_with('.')) {
        return std::string(release);
    }
    rest.remove_prefix(1);
    const auto minor = LeadingNumber(rest);
    if (!minor) {
        return std::string(release);
    }
    unsigned long long build = 0;
    if (rest.starts_with('.')) {
        rest.remove_prefix(1);
        build = LeadingNumber(rest).value_or(0);
    }
    return std::to_string(*major) + "." + std::to_string(*minor) + " (Build " +
           std::to_string(build & 0xFFFFu) + ")";
}

std::pair<std::string, std::string> SplitEnvironmentEntry(std::string_view entry) {
    const size_t equals = entry.find('=');
    if (equals == std::string_view::npos) {
        return {std::string(entry), {}};
    }
    return {std::string(entry.substr(0, equals)), std::string(entry.substr(equals + 1))};
}

void FillSystemInfo(const platform::TSystemFacts& facts, const TSystemInfoSettings& settings,
                    TSystemInfoPages& pages) noexcept {
    try {
        FillHardware(facts, settings, pages.Hardware);
        FillSoftware(facts, pages.Software);
        FillDrives(facts, settings.Separators, pages.Drives);
        for (const std::string& entry : facts.Environment) {
            auto [name, value] = SplitEnvironmentEntry(entry);
            pages.Environment.push_back({std::move(name), {std::move(value)}});
        }
    } catch (...) {
        // Whatever failed, the rows made so far stay; the dialog shows what it has.
    }
}

} // namespace tw::diskio
