#include "fat/safe_name.h"

#include <cstring>

namespace tw::fat {

namespace {

constexpr size_t MaxComponentBytes = 255;

/// Cuts UTF-8 text to at most maxBytes without splitting a character.
std::string CutUtf8(const std::string& text, size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return text;
    }
    size_t end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return text.substr(0, end);
}

/// Splits at the last dot that is not the first character.
void SplitExtension(const std::string& name, std::string& base, std::string& extension) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) {
        base = name;
        extension.clear();
    } else {
        base = name.substr(0, dot);
        extension = name.substr(dot);
    }
}

std::string FitWithExtension(const std::string& base, const std::string& extension) {
    if (base.size() + extension.size() <= MaxComponentBytes) {
        return base + extension;
    }
    if (extension.size() >= MaxComponentBytes / 2) {
        return CutUtf8(base + extension, MaxComponentBytes);
    }
    return CutUtf8(base, MaxComponentBytes - extension.size()) + extension;
}

} // namespace

std::string SafeComponent(const std::string& name) {
    std::string safe;
    safe.reserve(name.size());
    for (char c : name) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || std::strchr("/\\:*?\"<>|", c) != nullptr) {
            safe += '_';
        } else {
            safe += c;
        }
    }
    if (safe.empty()) {
        return "_";
    }
    if (safe == "." || safe == "..") {
        safe = "_" + safe;
    }
    std::string base, extension;
    SplitExtension(safe, base, extension);
    return FitWithExtension(base, extension);
}

std::string NumberedName(const std::string& name, int n) {
    std::string base, extension;
    SplitExtension(name, base, extension);
    return FitWithExtension(base + " (" + std::to_string(n) + ")", extension);
}

} // namespace tw::fat
