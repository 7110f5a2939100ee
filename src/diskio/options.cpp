#include "diskio/options.h"

namespace tw::diskio {

void TOptions::Load() {}

void TOptions::Save() {}

TOptions& Options() {
    static TOptions options;
    return options;
}

namespace {

int DigitValue(char c, uint32_t base) {
    int value = -1;
    if (c >= '0' && c <= '9') {
        value = c - '0';
    } else if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    }
    return value >= 0 && static_cast<uint32_t>(value) < base ? value : -1;
}

} // namespace

uint32_t ReadDefaultSizeNumber(const std::string& text) {
    size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    uint32_t base = 10;
    if (pos < text.size() && (text[pos] == '$' || text[pos] == 'x' || text[pos] == 'X')) {
        base = 16;
        ++pos;
    } else if (pos + 1 < text.size() && text[pos] == '0' &&
               (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
        base = 16;
        pos += 2;
    }
    uint32_t value = 0; // unsigned, so overflow wraps to the low 32 bits
    for (; pos < text.size(); ++pos) {
        const int digit = DigitValue(text[pos], base);
        if (digit < 0) {
            break;
        }
        value = value * base + static_cast<uint32_t>(digit);
    }
    return negative ? 0u - value : value;
}

} // namespace tw::diskio
