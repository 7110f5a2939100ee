#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tw::ui {

/// A piece of UTF-8 text in one character style.
struct TStyledRun {
    std::string Text;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;

    [[nodiscard]] bool SameStyle(const TStyledRun& other) const {
        return Bold == other.Bold && Italic == other.Italic && Underline == other.Underline;
    }
    bool operator==(const TStyledRun&) const = default;
};

/// The data begins with the rich-text header "{\rtf".
[[nodiscard]] bool LooksLikeRtf(std::string_view bytes);

/// The text of an RTF document with its bold, italic and underline runs; neighbouring runs
/// differ in style. Understood: groups, \b \i \ul \ulnone \plain (with a 0 parameter
/// switching off), \par \line \sect \row and \page as line ends, \tab and \cell as TABs,
/// \'hh bytes and raw 8-bit text in the OEM code page (CP936), \uN with its \ucN fallback
/// characters (surrogate pairs joined), \bin N, the escaped \\ \{ \}, and a few typographic
/// symbols. Groups of \* and of the font, colour, style, information and picture tables are
/// left out. Everything else is ignored, so any bytes give some text; nothing is fetched or
/// run.
[[nodiscard]] std::vector<TStyledRun> RtfToStyledText(std::string_view rtf);

} // namespace tw::ui
