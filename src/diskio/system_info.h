#pragma once

#include "platform/system_facts.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tw::diskio {

/// One row of a system information list: the caption (first column) and the texts of the
/// further columns.
struct TInfoRow {
    std::string Caption;
    std::vector<std::string> SubItems;
    /// Drive picture (DriveImageRemovable … DriveImageRemote), or -1 for none.
    int ImageIndex = -1;
};

/// The four lists of the system information dialog.
struct TSystemInfoPages {
    std::vector<TInfoRow> Hardware;
    std::vector<TInfoRow> Software;
    std::vector<TInfoRow> Drives;
    std::vector<TInfoRow> Environment;
};

/// Drive pictures by drive type; RAM disks look fixed.
constexpr int DriveImageRemovable = 0;
constexpr int DriveImageFixed = 1;
constexpr int DriveImageCDROM = 2;
constexpr int DriveImageRemote = 3;

/// The screen as the front end sees it, in device pixels.
struct TScreenFacts {
    int Width = 0;
    int Height = 0;
    int BitsPerPixel = 0;
};

/// The user's separators for "%n" numbers; the front end sets its locale's.
struct TNumberSeparators {
    std::string Thousands = ",";
    std::string Decimal = ".";
};

/// What the fill needs besides the platform's facts.
struct TSystemInfoSettings {
    /// The primary screen; no "Display resolution:" row without one.
    std::optional<TScreenFacts> Screen;
    TNumberSeparators Separators;
};

/// The architecture code the original system would report for a uname machine name:
/// 0 Intel (x86 in 32 or 64 bits), 1 MIPS, 3 PPC, 4 SHX, 5 ARM (also 64-bit), 6 IA64,
/// 7 Alpha64 (Linux runs Alpha in 64 bits); -1 for an architecture it has no code for.
[[nodiscard]] int ProcessorArchitectureCode(std::string_view machine);

/// The "CPU type:" text for an architecture code: "Intel", "MIPS", "Alpha", "PPC", "SHX",
/// "ARM", "IA64", "Alpha64", "MSIL", empty for other codes. "Intel" gets the name of the
/// processor level 3 to 9 (" 80386" … " Pentium V") and the revision r: for levels 3 and 4
/// ", stepping level " + ('A' + high byte of r) + ", stepping " + low byte in hex; for
/// levels 5 to 9 ", model number %X, stepping %X" of the high and the low byte. Any other
/// level shows "Intel" alone.
[[nodiscard]] std::string CpuTypeText(int architectureCode, int level, uint16_t revision);

/// "%dx%d, %d-bits(%d colors)" with 2 to the power of the bits as the colour count,
/// exact for any depth ("1024x768, 32-bits(4294967296 colors)"). A negative depth
/// counts as 0.
[[nodiscard]] std::string DisplayResolutionText(const TScreenFacts& screen);

/// value with two decimals and thousands grouping ("1,023.00"), as "%n" prints it.
[[nodiscard]] std::string FormatNumber(double value, const TNumberSeparators& separators);

/// A drive size given in MB: "%n GB" of MB / 1024 from 1024 MB on, else "%n MB"
/// (1536 shows "1.50 GB", 1023 "1,023.00 MB").
[[nodiscard]] std::string DriveSizeText(double megabytes, const TNumberSeparators& separators);

/// The "Windows version:" text for a kernel release: "%d.%d (Build %d)" of its first three
/// numbers, the third cut to 16 bits and 0 when missing ("6.1.0-18-amd64" shows
/// "6.1 (Build 0)"). A release that does not start with "major.minor" shows as it is.
[[nodiscard]] std::string KernelVersionText(std::string_view release);

/// An environment string split at its first "=": the name and the value. An entry that
/// begins with "=" has an empty name; one without "=" is all name and has an empty value.
[[nodiscard]] std::pair<std::string, std::string> SplitEnvironmentEntry(std::string_view entry);

/// Fills the four lists from the facts, appending to pages. Hardware: "Number of
/// processors:", "CPU type:", "Display resolution:", "Installed RAM:", "Frequency:".
/// Software: "Windows version:", "Windows mode:", "Swap file size:". Drives: one row per
/// mounted file system. Environment: one row per variable. A fact the platform could not
/// tell leaves its row out; "Frequency:" needs the NT family and a known clock; Linux has
/// no Windows folder and no system folder, so "Windows directory:" and "System directory:"
/// never appear. A failure (out of memory) ends the fill silently and keeps the rows made
/// so far.
void FillSystemInfo(const platform::TSystemFacts& facts, const TSystemInfoSettings& settings,
                    TSystemInfoPages& pages) noexcept;

} // namespace tw::diskio
