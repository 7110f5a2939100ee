#include "fat/fat_entry.h"

#include "platform/text_codec.h"

namespace tw::fat {

namespace {
std::string JoinWithoutSpaces(const TEntryBytes& entry, bool dropFirst, bool unescapeFirst) {
    std::string base, extension;
    for (size_t i = 0; i < 11; ++i) {
        char c = static_cast<char>(entry[i]);
        if (i == 0 && dropFirst) {
            continue;
        }
        if (i == 0 && unescapeFirst && static_cast<uint8_t>(c) == EscapedE5) {
            c = static_cast<char>(DeletedMarker);
        }
        if (c == ' ') {
            continue;
        }
        (i < 8 ? base : extension) += c;
    }
    return extension.empty() ? base : base + "." + extension;
}
} // namespace

std::string ShortNameText(const TEntryBytes& entry) {
    return JoinWithoutSpaces(entry, false, false);
}

TEntryName DecodeShortName(const TEntryBytes& entry) {
    TEntryName name;
    name.FirstCharLost = IsDeletedEntry(entry);
    name.Text = platform::DecodeOemText(JoinWithoutSpaces(entry, name.FirstCharLost, true));
    return name;
}

} // namespace tw::fat
