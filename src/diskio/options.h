#pragma once

#include <cstdint>
#include <string>

namespace tw::diskio {

/// A font as the options record keeps it; front ends map it to their own font type.
struct TFontSpec {
    std::string Family = "Sans Serif";
    int PointSize = 9;
};

/// The user's settings for one run. Nothing is persisted: every run starts from these
/// defaults.
class TOptions {
public:
    /// Highest level that Log passes on.
    uint8_t DebugLevel = 3;
    /// 9x family: BIOS INT 13h for floppy detection.
    bool UseINT13 = true;
    /// 9x family: the INT 13h extensions driver for hard disks.
    bool UseINT13EXT = true;
    /// 9x family: absolute reads for drive letters.
    bool UseINT25 = true;
    /// Let the system report critical errors itself.
    bool EnableWinErrorMsg = true;
    /// The read-ahead cache is allowed.
    bool EnableCache = true;
    /// Font of the folder tree and the item list.
    TFontSpec Font;
    /// Size in bytes given to lost files, whose real size is unknown (a 1.44 MB floppy).
    uint32_t LostDefaultSize = 1474560;
    /// Shown in place of a deleted entry's lost first character in 1-byte mode.
    std::string DeletedCharAnsi = "_";
    /// Shown in place of a deleted entry's lost first character in 2-byte mode.
    std::string DeletedCharMultibyte = "__";
    /// Use DeletedCharMultibyte rather than DeletedCharAnsi.
    bool CharMultibyte = false;
    /// The lost-data search also looks for files that no folder references.
    bool FindLostFiles = true;

    /// Does nothing: options are not read from anywhere.
    void Load();
    /// Does nothing: options are not written anywhere.
    void Save();
};

/// The one options record of the process.
TOptions& Options();

/// The number that the options dialog reads from its default-size field: leading blanks
/// skipped, an optional sign, then decimal digits, or hex digits after "$", "x" or "0x".
/// Reading stops at the first character that does not fit and keeps the value so far;
/// text without digits gives 0. The value wraps to 32 bits, and a minus sign negates it
/// in 32 bits ("-1" gives 0xFFFFFFFF). Never fails.
uint32_t ReadDefaultSizeNumber(const std::string& text);

} // namespace tw::diskio
