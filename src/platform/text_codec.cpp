#include "platform/text_codec.h"

#include <cerrno>
#include <cstdlib>
#include <iconv.h>
#include <map>
#include <vector>

namespace tw::platform {

namespace {

unsigned g_CodePage = 0;

unsigned OemCodePage() {
    if (g_CodePage == 0) {
        const char* env = std::getenv("TARNWELL_OEM_CODEPAGE");
        const unsigned chosen = env ? static_cast<unsigned>(std::strtoul(env, nullptr, 10)) : 0;
        g_CodePage = chosen != 0 ? chosen : 936;
    }
    return g_CodePage;
}

std::string IconvName(unsigned codePage) {
    return codePage == 936 ? "GB18030" : "CP" + std::to_string(codePage);
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

/// Converts with iconv, replacing each undecodable byte by replacement.
std::string Convert(const std::string& to, const std::string& from, std::string_view bytes,
                    std::string_view replacement) {
    // Converters are opened once per pair of code pages and closed at exit.
    struct TConverters {
        std::map<std::pair<std::string, std::string>, iconv_t> Open;
        ~TConverters() {
            for (auto& [pair, cd] : Open) {
                if (cd != reinterpret_cast<iconv_t>(-1)) {
                    ::iconv_close(cd);
                }
            }
        }
    };
    static TConverters converters;
    auto key = std::make_pair(to, from);
    auto it = converters.Open.find(key);
    if (it == converters.Open.end()) {
        it = converters.Open.emplace(key, ::iconv_open(to.c_str(), from.c_str())).first;
    }
    iconv_t cd = it->second;
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::string(replacement.size() ? std::string(replacement) : "?");
    }
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    std::vector<char> chunk(bytes.size() * 4 + 16);
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char* outPtr = chunk.data();
        size_t outLeft = chunk.size();
        const size_t r = ::iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(chunk.data(), static_cast<size_t>(outPtr - chunk.data()));
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) {
                continue;
            }
            // An invalid or incomplete sequence: skip one byte.
            out += replacement;
            ++in;
            --inLeft;
            ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

} // namespace

void SetOemCodePage(unsigned codePage) {
    g_CodePage = codePage;
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::string DecodeOemText(std::string_view bytes) {
    bool ascii = true;
    for (char c : bytes) {
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    }
    if (ascii) {
        return std::string(bytes);
    }
    return Convert("UTF-8", IconvName(OemCodePage()), bytes, "\xEF\xBF\xBD");
}

std::string EncodeCp936(std::string_view utf8) {
    return Convert("GB18030", "UTF-8", utf8, "?");
}

std::string Utf16ToUtf8(std::span<const uint16_t> units) {
    std::string out;
    for (size_t i = 0; i < units.size() && units[i] != 0; ++i) {
        const uint32_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

} // namespace tw::platform
