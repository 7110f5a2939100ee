#include "diskio/shared_helpers.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace tw::diskio {
namespace {

TEST(FATDateTimeToText, FormatsDayMonthYearHourMinute) {
    struct TCase {
        uint16_t Time;
        uint16_t Date;
        const char* Expected;
    };
    const TCase cases[] = {
        {0x70E0, 0x2A65, "05.03.2001 14:07"},
        {0x0000, 0x0000, "00.00.1980 00:00"},
        {0x001F, 0x0021, "01.01.1980 00:00"}, // seconds field is not shown
        {0xFFFF, 0xFFFF, "31.15.2107 31:63"}, // fields are not range-checked
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(FATDateTimeToText(c.Time, c.Date), c.Expected) << c.Time << "/" << c.Date;
    }
}

TEST(WideToShortString, KeepsLowBytesUpToZeroCharacterOrMax) {
    const std::vector<uint16_t> ab0c = {'A', 'B', 0, 'C'};
    EXPECT_EQ(WideToShortString(ab0c, 10), "AB");
    EXPECT_EQ(WideToShortString(ab0c, 1), "A");
    EXPECT_EQ(WideToShortString(ab0c, 0), "");
    EXPECT_EQ(WideToShortString({}, 255), "");
    // U+662F keeps 0x2F ('/'); U+4E00 keeps a 0 byte, which does not end the text.
    const std::vector<uint16_t> cjk = {0x662F, 0x4E00, 'x'};
    EXPECT_EQ(WideToShortString(cjk, 255), std::string("/\0x", 3));
}

// The matcher as a recursive walk over single bytes, kept here as the reference that the
// memoised matcher must agree with.
bool ReferenceMatch(const std::string& name, size_t p, const std::string& pattern, size_t k) {
    for (; k < pattern.size(); ++k) {
        if (pattern[k] == '*') {
            if (k + 1 == pattern.size()) {
                return true;
            }
            if (p >= name.size()) {
                return false;
            }
            for (size_t s = p; s < name.size(); ++s) {
                if (ReferenceMatch(name, s, pattern, k + 1)) {
                    return true;
                }
            }
            return false;
        }
        if (p >= name.size()) {
            return false;
        }
        const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; };
        if (pattern[k] != '?' && upper(pattern[k]) != upper(name[p])) {
            return false;
        }
        ++p;
    }
    return p == name.size();
}

TEST(MatchWildcard, Cases) {
    struct TCase {
        const char* Name;
        const char* Pattern;
        bool CaseSensitive;
        bool Expected;
    };
    const TCase cases[] = {
        {"readme.txt", "*.TXT", false, true},
        {"readme.txt", "*.TXT", true, false},
        {"README.TXT", "readme.txt", false, true},
        {"a", "?", false, true},
        {"", "?", false, false},
        {"ab", "?", false, false},
        {"aXbYc", "a*b*c", false, true},
        {"abc", "a*b*c", false, true},
        {"acb", "a*b*c", false, false},
        {"abc", "abc", false, true},
        {"abcd", "abc", false, false},
        {"abc", "abcd", false, false},
        {"", "", false, true},
        {"a", "", false, false},
        {"", "*", false, true},
        {"anything", "*", false, true},
        {"ab", "a*", false, true},
        {"a", "a*", false, true},
        // A star followed by more pattern needs a name character at its position.
        {"a", "a**", false, false},
        {"", "**", false, false},
        {"ab", "a**", false, true},
        // "?" takes one character, also a Chinese one; folding is ASCII only.
        {"是.txt", "?.TXT", false, true},
        {"是.txt", "??.txt", false, false},
        {"是是", "*是", false, true},
        {"É", "é", false, false},
        // A byte that is not UTF-8 counts as one character.
        {"\xE9x", "?x", false, true},
        {"\xE9x", "\xE9X", false, true},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(MatchWildcard(c.Name, c.Pattern, U'?', c.CaseSensitive, U'*'), c.Expected)
            << "name \"" << c.Name << "\" pattern \"" << c.Pattern << "\"";
    }
}

TEST(MatchWildcard, OtherJokerAndStarCharacters) {
    EXPECT_TRUE(MatchWildcard("abc", "a%", U'_', false, U'%'));
    EXPECT_TRUE(MatchWildcard("abc", "_b_", U'_', false, U'%'));
    EXPECT_FALSE(MatchWildcard("abc", "a*", U'_', false, U'%'));
}

TEST(MatchWildcard, AgreesWithRecursiveWalkOnRandomInputs) {
    std::mt19937 random(12345);
    const std::string nameAlphabet = "abAB";
    const std::string patternAlphabet = "abB?*";
    const auto make = [&](const std::string& alphabet, size_t maxLength) {
        std::string text(random() % (maxLength + 1), ' ');
        for (char& c : text) {
            c = alphabet[random() % alphabet.size()];
        }
        return text;
    };
    for (int i = 0; i < 20000; ++i) {
        const std::string name = make(nameAlphabet, 7);
        const std::string pattern = make(patternAlphabet, 6);
        ASSERT_EQ(MatchWildcard(name, pattern, U'?', false, U'*'),
                  ReferenceMatch(name, 0, pattern, 0))
            << "name \"" << name << "\" pattern \"" << pattern << "\"";
    }
}

TEST(MatchWildcard, ManyStarsAgainstLongNameFinish) {
    const std::string name(255, 'a');
    EXPECT_FALSE(MatchWildcard(name, "*a*a*a*a*a*a*b", U'?', false, U'*'));
    EXPECT_TRUE(MatchWildcard(name.substr(1) + "b", "*a*a*a*a*a*a*b", U'?', false, U'*'));
}

TEST(HexAndNumberText, Digits) {
    EXPECT_EQ(UIntToText(0), "0");
    EXPECT_EQ(UIntToText(4294967295u), "4294967295");
    EXPECT_EQ(ByteToHex(0x00), "00");
    EXPECT_EQ(ByteToHex(0xAF), "AF");
    EXPECT_EQ(ByteToHex(0x0B), "0B");
    EXPECT_EQ(WordToHex(0x01F0), "01F0");
    EXPECT_EQ(WordToHex(0xBEEF), "BEEF");
}

TEST(ShortenPath, Cases) {
    struct TCase {
        const char* Path;
        size_t Max;
        const char* Expected;
    };
    const char* const path = "C:\\Program Files\\data\\abc\\file.txt"; // 34 characters
    const TCase cases[] = {
        {path, 30, "C:\\...\\data\\abc\\file.txt"},
        {path, 35, "C:\\...\\data\\abc\\file.txt"}, // fits, but not five shorter
        {path, 39, path},
        {path, 40, path},
        {path, 20, "C:\\...\\abc\\file.txt"},
        {path, 0, "C:\\...\\file.txt"},
        // Fewer than two backslashes: never shortened.
        {"C:\\a-very-long-name-without-more-folders.txt", 5,
         "C:\\a-very-long-name-without-more-folders.txt"},
        {"no-backslash-at-all", 1, "no-backslash-at-all"},
        {"", 0, ""},
        // The last character is never looked at.
        {"C:\\abc\\", 0, "C:\\abc\\"},
        {"C:\\abc\\def\\", 0, "C:\\...\\def\\"},
        // Lengths count characters, not bytes.
        {"C:\\目录\\数据\\文件.txt", 14, "C:\\...\\文件.txt"},
        {"C:\\目录\\数据\\文件.txt", 20, "C:\\目录\\数据\\文件.txt"},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(ShortenPath(c.Path, c.Max), c.Expected) << c.Path << " max " << c.Max;
    }
}

TEST(GetShellTypeName, FoldersExtensionsAndNoExtension) {
    struct TCase {
        const char* Name;
        uint32_t Attributes;
        const char* Expected;
    };
    const TCase cases[] = {
        {"DOCS", FileAttributeDirectory, "File Folder"},
        {"archive.zip", FileAttributeDirectory, "File Folder"},
        {"data.qzxw", FileAttributeNormal, "QZXW File"},
        {"Data.QzXw7", FileAttributeNormal, "QZXW7 File"},
        {"QZXWNAME", FileAttributeNormal, "File"},
        {"QZXWNAME.", FileAttributeNormal, "File"},
    };
    for (const TCase& c : cases) {
        std::string typeName;
        EXPECT_TRUE(GetShellTypeName(c.Name, c.Attributes, typeName));
        EXPECT_EQ(typeName, c.Expected) << c.Name;
    }
}

TEST(GetShellTypeName, KnownTypeGivesSomeNameWithinEightyCharacters) {
    std::string typeName;
    EXPECT_TRUE(GetShellTypeName("notes.txt", FileAttributeNormal, typeName));
    EXPECT_FALSE(typeName.empty());
    EXPECT_LE(typeName.size(), 80u * 4u);
}

TEST(GetFreeBytes, UnknownPathGivesZero) {
    EXPECT_EQ(GetFreeBytes("/no/such/folder/anywhere"), 0u);
}

TEST(DriveRootOf, LongestMountPointOnComponentBoundary) {
    EXPECT_EQ(DriveRootOf("/"), "/");
    EXPECT_EQ(DriveRootOf("/proc/self/status"), "/proc");
    // A path that does not exist yet is judged by its nearest existing ancestor.
    EXPECT_EQ(DriveRootOf("/proc/no/such/file"), "/proc");
    // "/procfoo" shares a prefix with "/proc" but lies on the root file system.
    EXPECT_EQ(DriveRootOf("/procfoo/bar"), "/");
}

} // namespace
} // namespace tw::diskio
