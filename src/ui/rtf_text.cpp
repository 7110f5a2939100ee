#include "ui/rtf_text.h"

#include "platform/text_codec.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace tw::ui {
namespace {

/// Groups that hold no text of the document.
constexpr std::string_view SkippedDestinations[] = {
    "fonttbl",           "colortbl",     "stylesheet", "info",      "pict",      "object",
    "fldinst",           "header",       "headerl",    "headerr",   "headerf",   "footer",
    "footerl",           "footerr",      "footerf",    "footnote",  "listtable", "rsidtbl",
    "generator",         "xmlnstbl",     "themedata",  "datastore", "filetbl",   "revtbl",
    "listoverridetable", "latentstyles",
};

/// Nesting beyond this shares the innermost state, so hostile data cannot grow the stack.
constexpr size_t MaxGroupDepth = 4096;

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

int HexValue(char c) {
    return platform::HexDigitValue(c);
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

struct TGroupState {
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool Skip = false;
    int FallbackChars = 1; ///< \ucN
};

class TRtfReader {
public:
    explicit TRtfReader(std::string_view rtf) : m_In(rtf) {}

    std::vector<TStyledRun> Read() {
        while (m_Pos < m_In.size()) {
            const char c = m_In[m_Pos++];
            if (c == '{') {
                OpenGroup();
            } else if (c == '}') {
                CloseGroup();
            } else if (c == '\\') {
                ReadControl();
            } else if (c != '\r' && c != '\n') {
                m_GroupStart = false;
                AddByte(static_cast<uint8_t>(c));
            }
        }
        Flush();
        return std::move(m_Runs);
    }

private:
    void OpenGroup() {
        Flush();
        m_Fallback = 0;
        if (m_Stack.size() < MaxGroupDepth) {
            m_Stack.push_back(m_State);
        } else {
            ++m_ExtraDepth;
        }
        m_GroupStart = true;
    }

    void CloseGroup() {
        Flush();
        m_Fallback = 0;
        m_GroupStart = false;
        if (m_ExtraDepth > 0) {
            --m_ExtraDepth;
        } else if (!m_Stack.empty()) {
            m_State = m_Stack.back();
            m_Stack.pop_back();
        }
    }

    void ReadControl() {
        if (m_Pos >= m_In.size()) {
            return;
        }
        const char c = m_In[m_Pos];
        if (!IsLetter(c)) {
            ++m_Pos;
            ReadSymbol(c);
            m_GroupStart = false;
            return;
        }
        const size_t start = m_Pos;
        while (m_Pos < m_In.size() && IsLetter(m_In[m_Pos]) && m_Pos - start < 32) {
            ++m_Pos;
        }
        const std::string_view word = m_In.substr(start, m_Pos - start);
        bool hasParameter = false;
        bool negative = false;
        int64_t parameter = 0;
        if (m_Pos < m_In.size() && m_In[m_Pos] == '-') {
            negative = true;
            ++m_Pos;
        }
        for (int digits = 0; m_Pos < m_In.size() && IsDigit(m_In[m_Pos]) && digits < 10; ++digits) {
            parameter = parameter * 10 + (m_In[m_Pos++] - '0');
            hasParameter = true;
        }
        if (negative) {
            parameter = -parameter;
        }
        if (m_Pos < m_In.size() && m_In[m_Pos] == ' ') {
            ++m_Pos; // the delimiter belongs to the control word
        }
        const bool groupStart = m_GroupStart;
        m_GroupStart = false;
        if (groupStart) {
            for (std::string_view skipped : SkippedDestinations) {
                if (word == skipped) {
                    m_State.Skip = true;
                }
            }
        }
        ControlWord(word, hasParameter, parameter);
    }

    void ReadSymbol(char c) {
        switch (c) {
        case '\'': {
            if (m_Pos + 2 > m_In.size()) {
                m_Pos = m_In.size();
                return;
            }
            const int high = HexValue(m_In[m_Pos]);
            const int low = HexValue(m_In[m_Pos + 1]);
            m_Pos += 2;
            if (high >= 0 && low >= 0) {
                AddByte(static_cast<uint8_t>(high * 16 + low));
            }
            return;
        }
        case '\\':
        case '{':
        case '}':
            AddByte(static_cast<uint8_t>(c));
            return;
        case '*':
            m_State.Skip = true;
            return;
        case '~':
            AddCode(0xA0);
            return;
        case '_':
            AddCode('-');
            return;
        case '\r':
        case '\n':
            AddCode('\n');
            return;
        default:
            return; // \- optional hyphen, \: index entries and the like show nothing
        }
    }

    void ControlWord(std::string_view word, bool hasParameter, int64_t parameter) {
        const bool on = !hasParameter || parameter != 0;
        if (word == "bin") {
            // Raw binary data follows; its bytes are never read as RTF.
            const auto count = static_cast<size_t>(hasParameter && parameter > 0 ? parameter : 0);
            m_Pos += std::min(count, m_In.size() - m_Pos);
        } else if (word == "b") {
            SetStyle(m_State.Bold, on);
        } else if (word == "i") {
            SetStyle(m_State.Italic, on);
        } else if (word == "ul" || word == "uld" || word == "uldb" || word == "ulw") {
            SetStyle(m_State.Underline, on);
        } else if (word == "ulnone") {
            SetStyle(m_State.Underline, false);
        } else if (word == "plain") {
            SetStyle(m_State.Bold, false);
            SetStyle(m_State.Italic, false);
            SetStyle(m_State.Underline, false);
        } else if (word == "par" || word == "line" || word == "sect" || word == "row" ||
                   word == "page") {
            AddCode('\n');
        } else if (word == "tab" || word == "cell") {
            AddCode('\t');
        } else if (word == "uc") {
            m_State.FallbackChars = static_cast<int>(std::clamp<int64_t>(parameter, 0, 16));
        } else if (word == "u" && hasParameter) {
            AddUnicode(static_cast<uint16_t>(parameter));
            m_Fallback = m_State.FallbackChars;
        } else if (word == "emdash") {
            AddCode(0x2014);
        } else if (word == "endash") {
            AddCode(0x2013);
        } else if (word == "bullet") {
            AddCode(0x2022);
        } else if (word == "lquote") {
            AddCode(0x2018);
        } else if (word == "rquote") {
            AddCode(0x2019);
        } else if (word == "ldblquote") {
            AddCode(0x201C);
        } else if (word == "rdblquote") {
            AddCode(0x201D);
        }
    }

    void SetStyle(bool& field, bool value) {
        if (field != value) {
            Flush();
            field = value;
        }
    }

    /// One byte of 8-bit text; decoded with its neighbours, so that a CP936 character
    /// given as two \'hh escapes stays one character.
    void AddByte(uint8_t byte) {
        if (m_Fallback > 0) {
            --m_Fallback;
            return;
        }
        if (!m_State.Skip) {
            m_Pending += static_cast<char>(byte);
        }
    }

    void AddUnicode(uint16_t unit) {
        if (unit >= 0xD800 && unit < 0xDC00) {
            if (m_HighSurrogate != 0) {
                AddCode(0xFFFD);
            }
            m_HighSurrogate = unit;
            return;
        }
        if (unit >= 0xDC00 && unit < 0xE000) {
            if (m_HighSurrogate != 0) {
                const uint32_t code =
                    0x10000 + ((m_HighSurrogate - 0xD800u) << 10) + (unit - 0xDC00u);
                m_HighSurrogate = 0;
                AddCode(code);
            } else {
                AddCode(0xFFFD);
            }
            return;
        }
        AddCode(unit);
    }

    void AddCode(uint32_t code) {
        if (m_State.Skip) {
            return;
        }
        Flush();
        if (m_HighSurrogate != 0 && (code < 0xDC00 || code >= 0xE000)) {
            m_HighSurrogate = 0;
            AppendUtf8(Current(), 0xFFFD);
        }
        AppendUtf8(Current(), code);
    }

    /// Decodes the 8-bit text gathered so far into the current run.
    void Flush() {
        if (m_Pending.empty()) {
            return;
        }
        Current() += platform::DecodeOemText(m_Pending);
        m_Pending.clear();
    }

    std::string& Current() {
        const TStyledRun style{{}, m_State.Bold, m_State.Italic, m_State.Underline};
        if (m_Runs.empty() || !m_Runs.back().SameStyle(style)) {
            m_Runs.push_back(style);
        }
        return m_Runs.back().Text;
    }

    std::string_view m_In;
    size_t m_Pos = 0;
    std::vector<TGroupState> m_Stack;
    size_t m_ExtraDepth = 0;
    TGroupState m_State;
    bool m_GroupStart = false;
    int m_Fallback = 0;
    uint32_t m_HighSurrogate = 0;
    std::string m_Pending;
    std::vector<TStyledRun> m_Runs;
};

} // namespace

bool LooksLikeRtf(std::string_view bytes) {
    return bytes.starts_with("{\\rtf");
}

std::vector<TStyledRun> RtfToStyledText(std::string_view rtf) {
    std::vector<TStyledRun> runs;
    for (TStyledRun& run : TRtfReader(rtf).Read()) {
        if (run.Text.empty()) {
            continue;
        }
        if (!runs.empty() && runs.back().SameStyle(run)) {
            runs.back().Text += run.Text;
        } else {
            runs.push_back(std::move(run));
        }
    }
    return runs;
}

} // namespace tw::ui
